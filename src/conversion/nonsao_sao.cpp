// Placeholder until the conversion is built: it says so and produces no record.
#include "conversion/nonsao_sao.h"

#include "platform/console.h"

namespace kolm {

void NONSAO_SAO(const std::string&, std::string& INNAME, int32_t) {
    platform::console_line(" CONVERSION OF NON-SAO INPUT IS NOT AVAILABLE: " + INNAME + " SKIPPED");
    INNAME.clear();
}

}  // namespace kolm

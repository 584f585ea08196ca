// WRITSAO: one SAO record from a SaoRecord to a unit.
#include "driver/sao_record.h"

namespace kolm {

fmt::IoStat WRITSAO(int32_t unit, SaoRecord& rec) {
    (void)unit;
    (void)rec;
    return fmt::IoStat::err;
}

}  // namespace kolm

// READSAO: the next SAO record of a unit into a SaoRecord.
#include "driver/sao_record.h"

namespace kolm {

void READSAO(int32_t& IEND, int32_t unit, SaoRecord& rec, int16_t& FOUND, int16_t& IERR) {
    (void)unit;
    (void)rec;
    (void)FOUND;
    IERR = 1;
    IEND = 1;
}

}  // namespace kolm

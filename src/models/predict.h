// Critical-frequency predictions of foE, foF1 and foF2.
#pragma once

#include <cstdint>

namespace kolm {

// Predicted foE, foF1, foF2 of the current record into REALIN(43), (44), (46)
// and DERPAR, their frequency indices into SCLCHR, the noon zenith angle and
// the universal-time sunrise and sunset into REALIN(96..98) and DERPAR.
// Completes IYR4, MONTH and MDAY of TIMEBK. On a change of year or month
// against PREDST it looks up the monthly sunspot number and puts it into ISSN
// when the record's own number is 0 or less or lies outside the monthly
// value's interval (a month without value leaves ISSN alone). Stops the
// program when no URSI coefficient file of the month can be read, naming
// both on the console first.
void PREDICT();

// Predictions for one place and time.
//
// Given:   LAT, LON   station latitude and east longitude, degrees
//          MONTH, IDAY, IHR, MINU, ISEC   month, day of year and universal time
//          RSSN       sunspot number (capped at 150 for foE and foF2)
//          IDEBUG     debug level (no output at the levels that occur)
// Returned: SRISE, SSET  sunrise and sunset, universal time (hours), or the
//                    no-event codes 99 / -99 of SOCO
//          XNOON      solar zenith angle at local noon (89.999 at most)
//          FOE, FOF1, FOF2   MHz to 0.001; FOF1 999.9 when there is none
//          IERR       0 when the month's coefficients were read, else the
//                    status of the last file tried (FOF2 is then not set)
// Notes:   the month's URSI coefficients go into URSICF at every call, from
//          "URSI<MONTH+10>.BIN" (1976 little-endian 32-bit reals) when it
//          is there and good, else from "URSI<MONTH+10>.ASC" ("(1X,4E15.8)",
//          494 lines). A bad file (empty, short, a value that does not read
//          or is not finite, bytes no text holds) is named on the console and
//          counts as missing. Each file is read once per run and kept; when
//          the month differs from the last call's, the month's files are
//          checked by identity (models/model_files.h), so a file changed
//          during the run is read again.
void CALPREDF(float LAT, float LON, int16_t MONTH, int16_t IDAY, int16_t IHR, int16_t MINU, int16_t ISEC, float RSSN,
              int16_t IDEBUG, float& SRISE, float& SSET, float& XNOON, float& FOE, float& FOF1, float& FOF2,
              int32_t& IERR);

}  // namespace kolm

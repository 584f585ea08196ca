// Trace re-gridding of STANDARD records: snapping of each pair to the
// standard grids, the calendar, normalised critical frequencies, the layer
// order test, the cleaning of the traces, the time-stamp digits of SAO
// group 3, and the traces laid onto the record's frequency grid.
#pragma once

#include <cstdint>

#include "blocks/farray.h"
#include "conversion/std_record.h"
#include "sao/sao_record.h"

namespace kolm {

// Snaps one pair. F (MHz, above 0 and below 1000) goes to the nearest
// multiple of 0.025 MHz; a value exactly halfway between two of them (the
// single-precision number nearest to the decimal midpoint, as 3.0125 is
// read) goes to the one on the coarser grid, 0.1 before 0.05 before 0.025
// MHz. FSTEP becomes the coarsest of those grids that holds the result when
// that is finer than FSTEP. H (km, above 0) goes to the nearest whole km, a
// half up. Values of 0 or below, and frequencies of 1000 MHz or more, stay.
void GRIDDATA(float& F, float& H, float& FSTEP);

// Four-digit year JYR4 (1..49 give 2001..2049, 50..999 add 1900) and day of
// year JDOY of a date. JERR: 0 valid (JDOY set), 1 month outside 1..12,
// 2 February day beyond 28 (29 in a leap year), 3 day beyond the length of
// another month. The day is not tested against 1.
void DATETODAY(int16_t JYR, int16_t JMON, int16_t JDAY, int16_t& JYR4, int16_t& JDOY, int32_t& JERR);

// A block just read: an absent layer loses its pairs; the critical frequency
// rises to the highest pair; a pair within 0.001 MHz of the last pair kept,
// and a pair at 0 MHz or below, is removed (the first pair stays).
void clean_block(StdLayer& L);

// F1 and F2 critical frequencies to 0.001 MHz, and onto the record's step
// when within a quarter step of it (always at 0.025 MHz); a critical
// frequency of 0 or below becomes the last pair's frequency (absent
// without pairs).
void normalise_critical(StdRecord& r);

// True when the present layers stand in the order foE < foF1 < foF2.
bool layer_order(const StdRecord& r);

// After the order test: F2 loses its pairs at or below foF1 (F1 present) or
// foE (F1 absent, E present); F1 its pairs at or below foE (E present).
void clean_traces(StdRecord& r);

// Lowest F frequency (the first F1 pair, else the first F2 pair) and lowest
// E frequency (the first E pair); 999.9 when there is none above 0.
float lowest_f(const StdRecord& r);
float lowest_e(const StdRecord& r);

// The 60 digits of SAO group 3 (55 are written): date and time, the
// frequency-step code, trunc(foF2) + 1, and the fixed sounder settings.
void time_stamp_digits(const StdRecord& r, FArray<int32_t, 60>& D);

enum class GridFault : uint8_t {
    none,
    off_grid,       // the trace does not start on the frequency grid
    beyond_grid,    // the critical frequency lies beyond the grid's 800 points
    over_capacity,  // more grid points than the SAO group holds
};
struct GridResult {
    GridFault fault;
    const char* layer;  // "E", "F1" or "F2" for a fault
    int32_t cap;        // grid points the layer's groups hold, for a fault
    int32_t unfit;      // heights that do not fit 3 columns, written as 999
};

// Lays each trace onto the grid 0.2, 0.2 + FSTEP, ... (800 points), from
// its start up to its critical frequency, one height per grid frequency and
// 999 where no pair was given: groups 7/11 (F2), 12/16 (F1) and 17/21 (E)
// of out with their index entries (0 for a layer without pairs). F2 starts
// at the first grid frequency above foF1 when F1 is present, otherwise every
// layer at its first pair. On a fault nothing is final; the record cannot
// be written.
GridResult regrid(const StdRecord& r, SaoRecord& out);

}  // namespace kolm

// Monthly sunspot numbers from the history file, with the prediction of the
// months after the last measured one.
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

inline constexpr int SSN_MAX_YEARS = 300;   // year lines the tables hold (first year plus 299)
inline constexpr int SSN_MAX_CYCLES = 30;   // cycle starts the list holds

// 12 months x 300 years, month fastest; year index 1 is the file's first year.
using SsnTable = FArray2<float, 12, SSN_MAX_YEARS>;
using CycleStarts = FArray<int16_t, SSN_MAX_CYCLES>;
using CyclePairs = FArray<float, SSN_MAX_CYCLES>;

// Monthly sunspot number SSNM and its deviation SSNDEV for year IYR4 and MONTH;
// SSNM = -1 (SSNDEV = 0) when no value can be given.
//
// A measured month gives its value with deviation 0. A month within twelve
// years of the start of the last cycle and after the last measured month is
// predicted by regression over the earlier cycles (from the eighth on), with
// the 1.812-Student-t half-width as deviation. Both are rounded to whole
// numbers. No value: a request outside the table, a file beyond the table's
// limits, and for predicted months a cycle list that does not start at cycle
// 1, fewer than three cycles from the eighth on, or earlier cycles without
// data at the needed phase. "SUNSPT.ASC" is read once per run and kept; each
// call checks the file by identity (models/model_files.h) and reads it again
// when it changed. A missing, bad or inconsistent file stops the program.
void SSN_NOAA(int16_t IYR4, int16_t MONTH, float& SSNM, float& SSNDEV);

// Reads "SUNSPT.ASC" into TABLE (preset by the caller): NCYCLES cycle starts in
// ICSTART (linear table index of each start month), the first year IYRFIRST
// and NYEARS year lines. Returns false when the file goes beyond the table's
// limits (more than 300 year lines or 30 cycle starts); the outputs then hold
// what was read up to there. Stops the program when the file is missing, a
// year is out of sequence or before 1749, or the cycle numbers do not match;
// also, naming the file on the console first, when it is bad: empty, without
// a year line of data, cut off inside a field of its last line, or holding
// bytes no text file holds.
bool READSSN(int16_t& NCYCLES, CycleStarts& ICSTART, int16_t& IYRFIRST, int16_t& NYEARS, SsnTable& TABLE);

// Least-squares line of Y on X over the pairs IFIRST..N (IFIRST 0: from pair
// 8 on), with Student-t (1.812) interval half-widths.
// Given:   P(3) the abscissa to predict at.
// Returned: P(1) mean of Y, P(2) slope, P(3) prediction, P(4) half-width of the
//          prediction interval, P(5) half-width of the slope's interval.
//          false, P unchanged, when the line is not defined: fewer than three
//          pairs, or no spread in X.
bool PERD(const CyclePairs& X, const CyclePairs& Y, int16_t IFIRST, int32_t N, FArray<float, 5>& P);

}  // namespace kolm

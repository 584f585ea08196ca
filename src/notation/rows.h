// Statements over formats of one data descriptor repeated (Format::row()),
// such as "(40I3)", "(15F8.3)", "(10E11.6E1)", "(120A1)" and "(A120)": the
// formats of the SAO record.
//
// Each statement gives the same values, status, file position and written
// bytes as the generic statement named beside it, at a fraction of the cost:
// a line is cut into fields at fixed columns, and the common number texts
// (blanks on the left, a sign, digits with a point, a short exponent) are
// converted in one pass; every other text, a value that does not fit its
// field and a rounding too close to a tie go through the engine's own field
// conversions. A format of another shape, or items that do not suit its
// descriptor, go through the generic engine.
#pragma once

#include <cstdint>

#include "notation/fixed_format.h"

namespace kolm::fmt {

// n values (n >= 0) from the unit; the first keep (0 <= keep <= n) are
// stored in dst, the rest converted and dropped. Same as
// read(unit, f, {InItem(dst, keep), InItem::skip(type, n - keep)}).
IoStat read_row(int32_t unit, const Format& f, int32_t* dst, int32_t keep, int32_t n);
IoStat read_row(int32_t unit, const Format& f, float* dst, int32_t keep, int32_t n);
IoStat read_row(int32_t unit, const Format& f, double* dst, int32_t keep, int32_t n);

// n texts of len characters each, stored back to back. Same as
// read(unit, f, {InItem::texts(dst, keep, len), InItem::skip(ItemType::chars, n - keep, len)}).
IoStat read_row_texts(int32_t unit, const Format& f, char* dst, int32_t len, int32_t keep, int32_t n);

// n values to the unit. Same as write(unit, f, {OutItem(src, n)}).
IoStat write_row(int32_t unit, const Format& f, const int32_t* src, int32_t n);
IoStat write_row(int32_t unit, const Format& f, const float* src, int32_t n);
IoStat write_row(int32_t unit, const Format& f, const double* src, int32_t n);

// n texts of len characters each. Same as write(unit, f, {OutItem::texts(src, n, len)}).
IoStat write_row_texts(int32_t unit, const Format& f, const char* src, int32_t len, int32_t n);

}  // namespace kolm::fmt

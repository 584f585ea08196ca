// The SAO record in memory, its group table, and its reader and writer.
//
// A record is the data file index DFI (80 integers: entry g = item count of
// group g for g = 1..60, entry 80 the format version code) followed by the
// groups that the index announces, in ascending order. The version code
// selects the formats: code 0, code 1, or 2 and above (all alike).
//
// SaoRecord holds its own arrays for every group, including groups 51/52
// (the N(h) profile) and 58/59 (the E-layer profile). The run driver copies:
// groups 51/52 to and from NHPROF's true heights HN / plasma frequencies FN,
// groups 58/59 to and from EBLOCK's heights EH / frequencies EF, after
// READSAO and before WRITSAO. A record is thus self-contained: it can be
// read, compared and written without touching the shared blocks.
//
// Arrays are one-based (FArray); element i of group g is item i. Heights of
// the trace families (groups 7, 8, 12, 13, 17, 18, 22, 26, 30, 43) have an
// integer array G<g> and a real copy R<g>; see READSAO for which is filled.
// Texts are blank-padded, with no terminator.
#pragma once

#include <cstdint>

#include "blocks/farray.h"
#include "blocks/peltarscale.h"
#include "notation/fixed_format.h"

namespace kolm {

inline constexpr int SAO_NGROUPS = 60;
inline constexpr int SAO_NDFI = 80;
inline constexpr int SAO_TEXT = 120;  // characters of a group-2 line

// Capacities of the groups beside the trace and profile capacities of the
// shared blocks (MAXF2PTS, MAXF1PTS, MAXEPTS, MAXNH).
inline constexpr int SAO_CONSTS = 16;               // groups 1 and 6
inline constexpr int SAO_LINE = 120;                // groups 3, 4, 41, 54-56: one item per column
inline constexpr int SAO_FLAGS = 60;                // group 5
inline constexpr int SAO_FAMILY3 = 150;             // third trace family, groups 43-46
inline constexpr int SAO_SHORT = 20;                // groups 34-39, 42 and 57
inline constexpr int SAO_QP = 6 * MAXQPSEG + 1;     // group 40: six values per segment and the radius
inline constexpr int SAO_TRUE_HEIGHTS = 1000;       // real copies of the true heights, groups 8, 13, 18

struct SaoRecord {
    FArray<int32_t, SAO_NDFI> DFI;

    FArray<float, SAO_CONSTS> G1;     // geophysical constants
    FArray<char, SAO_TEXT> G2L1;      // system text, line 1
    FArray<char, SAO_TEXT> G2L2;      // line 2
    FArray<char, SAO_LINE> G3;        // time stamp and sounder settings
    FArray<float, SAO_LINE> G4;       // scaled characteristics
    FArray<int32_t, SAO_FLAGS> G5;    // analysis flags
    FArray<float, SAO_CONSTS> G6;

    // F2 trace: virtual heights, true heights, amplitudes, Doppler digits, frequencies.
    FArray<int32_t, MAXF2PTS> G7, G8, G9, G10;
    FArray<float, MAXF2PTS> G11;
    // F1 trace.
    FArray<int32_t, MAXF1PTS> G12, G13, G14, G15;
    FArray<float, MAXF1PTS> G16;
    // E trace.
    FArray<int32_t, MAXEPTS> G17, G18, G19, G20;
    FArray<float, MAXEPTS> G21;
    // Second F2, F1 and E families: heights, amplitudes, Doppler digits, frequencies.
    FArray<int32_t, MAXF2PTS> G22, G23, G24;
    FArray<float, MAXF2PTS> G25;
    FArray<int32_t, MAXF1PTS> G26, G27, G28;
    FArray<float, MAXF1PTS> G29;
    FArray<int32_t, MAXEPTS> G30, G31, G32;
    FArray<float, MAXEPTS> G33;

    FArray<int32_t, SAO_SHORT> G34, G35, G36;
    FArray<float, SAO_SHORT> G37, G38, G39;  // profile coefficient sets
    FArray<double, SAO_QP> G40;       // quasi-parabolic segments (codes 2 and above)
    FArray<float, SAO_SHORT> G42;     // valley; also receives group 40 at codes 0 and 1
    FArray<int32_t, SAO_LINE> G41;
    // Third family.
    FArray<int32_t, SAO_FAMILY3> G43, G44, G45;
    FArray<float, SAO_FAMILY3> G46;

    // Real copies of the heights.
    FArray<float, MAXF2PTS> R7;
    FArray<float, SAO_TRUE_HEIGHTS> R8;
    FArray<float, MAXF1PTS> R12;
    FArray<float, SAO_TRUE_HEIGHTS> R13;
    FArray<float, MAXEPTS> R17;
    FArray<float, SAO_TRUE_HEIGHTS> R18;
    FArray<float, MAXF2PTS> R22;
    FArray<float, MAXF1PTS> R26;
    FArray<float, MAXEPTS> R30;
    FArray<float, SAO_FAMILY3> R43;

    // E-block trace: heights, amplitudes, Doppler digits, frequencies.
    FArray<float, MAXEPTS> G47;
    FArray<int32_t, MAXEPTS> G48, G49;
    FArray<float, MAXEPTS> G50;
    FArray<float, SAO_SHORT> G57;     // E-profile parameters
    FArray<float, MAXEPTS> G59;       // E-profile plasma frequencies (EBLOCK EF)
    FArray<float, MAXEPTS> G58;       // E-profile heights (EBLOCK EH)
    FArray<float, MAXNH> G51;         // N(h) true heights (NHPROF HN)
    FArray<float, MAXNH> G52;         // N(h) plasma frequencies (NHPROF FN)
    FArray<char, SAO_LINE> G54, G55;  // qualifying and descriptive letters
    FArray<int32_t, SAO_LINE> G56;    // edit flags
};

// Item kinds of the group table.
enum class SaoKind : uint8_t {
    I,  // integers
    R,  // 32-bit reals
    D,  // 64-bit reals (group 40 at codes 2 and above; 32-bit reals below)
    A,  // single characters
    T,  // 120-character text lines (group 2: the count is the number of lines)
    H,  // heights: integers at codes 0 and 1, reals at codes 2 and above
};

// The arrays of a group in a record: the integer array, the real array (for
// heights the real copy; for group 40 the 20 reals of G42 used at codes 0
// and 1), the 64-bit array (group 40), the characters (groups 2 line 1, 3,
// 54, 55). Pointers a group does not have are null.
struct SaoGroupData {
    int32_t* ints;
    float* reals;
    double* dbls;
    char* chars;
};

// One row of the group table. Slots are the format slots 1..12 (see
// sao_slot_format); 0 = not handled by that side.
struct SaoGroup {
    int8_t slot_in;      // slot of the reader
    int8_t slot_out;     // slot of the writer (0: never written)
    SaoKind kind;
    int16_t cap_read;    // reader capacity (H: the integer array)
    int16_t cap_real;    // H: capacity of the real copy; 0: none
    int16_t cap_write;   // writer capacity
    int16_t cap_temp;    // temporary (conversion) writer capacity; 0: not handled
    int8_t companion_of; // lead group this one is read and written with, right after it; 0 none
    bool fixed_v2;       // formats of version code 2 at every code
    bool both_heights;   // heights kept in both arrays at every code (the traces the run decodes)
    SaoGroupData (*arrays)(SaoRecord&);  // the group's arrays in a record
};

// Rows 1..60; row 0 is unused. Group 40 uses slot 12 at codes 2 and above
// and slot 9 below (into G42). Groups 52 and 53 are companions of 51, 59
// and 60 of 58: the reader takes them with their own counts whenever the
// lead group is present. Groups 53 and 60 are derived on writing and
// dropped on reading (capacity = the longest count consumed).
extern const SaoGroup SAO_GROUPS[SAO_NGROUPS + 1];

// The arrays of group g (1..60) in rec.
inline SaoGroupData sao_group_data(SaoRecord& rec, int g) { return SAO_GROUPS[g].arrays(rec); }

// The parsed format of slot 1..12 at a version code (0, 1, or 2 and above;
// a negative code is treated as 2 and above, but READSAO rejects it).
// Slots 11 and 12 exist only at codes 2 and above: at codes 0 and 1 they
// give the code-2 formats, which reader and writer use for groups 47, 51-53
// and 58-60 there. The writer's slot 10 at code 1 is "(40I3)", the reader's
// "(60I2)". The writer's formats shorten numbers that do not fit their
// fields (fmt::Fit::shorten), and write a real that even so cannot be
// shown (not finite, or too large) as 9999.0, "not available", so that
// every record it writes reads back.
const fmt::Format& sao_slot_format(int slot, int32_t code, bool writing);

// The format of the index, "(40I3)".
const fmt::Format& sao_index_format();

// Reads the next record from the unit into rec.
//   IEND  1 when the file ended; 0 after a complete record; unchanged when
//         the record is rejected or a group fails to read.
//   IERR  1 when the record is rejected or a group fails, 0 otherwise.
//   FOUND set to 1 after every complete record, never cleared.
// An index line that does not read is dropped together with the line after
// it (taken as group-2 line 1) and the index is tried again on the next line.
// A record whose entry 1 lies outside 1..16 or whose version code is
// negative is rejected right after its index. A group count above the
// reader's capacity: the group's lines are still read, at most the capacity
// is stored, the rest of the record is read and then the record is rejected.
// At codes 2 and above heights go into the real copies (and, for groups 7,
// 12, 17, truncated into the integer arrays); at codes 0 and 1 into the
// integer arrays (and, for 7, 12, 17, into the real copies as well).
void READSAO(int32_t& IEND, int32_t unit, SaoRecord& rec, int16_t& FOUND, int16_t& IERR);

// A record read at code 0 or 1 made ready to be written at code 2 and
// above: the heights that those codes read into the integer arrays only
// (groups 22, 26, 30, 43) are copied into the real copies the writer takes
// (else they would go out as 0). Groups 8, 13 and 18 are never written.
void sao_heights_to_reals(SaoRecord& rec);

// A value of a record that the writer cannot show in its field at code 5.
struct SaoItem {
    int16_t group;
    int32_t item;
    double value;
};
// The first real of rec, within the counts the writer writes, that its
// field at code 5 cannot show (too large: the reader takes "1.0E+38" from
// an F7.3 field; or not finite). False when every value shows. The writer
// would write such a value as 9999.0.
bool sao_unwritable_item(const SaoRecord& rec, SaoItem& bad);

// How the last READSAO call ended, for the run's messages: `fault` is what
// stopped it (none after a complete record), `group` the group it stopped
// in, `value` the rejected index entry or version code, `skipped` the lines
// dropped by index retries before it.
enum class SaoFault : uint8_t {
    none,
    end,             // the file ended at or before the index
    bad_index,       // entry 1 outside 1..16 (value)
    bad_code,        // a negative version code (value)
    unreadable,      // the lines of `group` do not read under its format
    over_capacity,   // `group` holds more items than the reader keeps
    truncated,       // the file ends inside `group`
};
struct SaoReadState {
    SaoFault fault;
    int32_t group, value, skipped;
};
extern SaoReadState SAOREAD;

// The statements READSAO and WRITSAO read and write with: the row
// statements made for the record's formats (notation/rows.h), or the
// generic engine, the reference they are checked against.
enum class SaoEngine : uint8_t { rows, generic };

// READSAO and WRITSAO through the given statements.
void read_sao(int32_t& IEND, int32_t unit, SaoRecord& rec, int16_t& FOUND, int16_t& IERR, SaoEngine engine);
[[nodiscard]] fmt::IoStat write_sao(int32_t unit, SaoRecord& rec, SaoEngine engine);

// Writes rec to the unit under the formats of its version code (the run
// driver sets 5). Sets DFI(8), DFI(13), DFI(18) and element 1 of G8, G13,
// G18, R8, R13, R18 to 0 (true heights are never written). Groups 53 and 60
// are 12380 times the square of the plasma frequencies of 52 and 59.
// Counts above the writer's capacities are written capped, with the capped
// count in the written index. Returns ERR when a line could not be written
// (disk full, unit not open); the unit's buffered output is flushed.
[[nodiscard]] fmt::IoStat WRITSAO(int32_t unit, SaoRecord& rec);

}  // namespace kolm

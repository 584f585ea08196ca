// Decoding of an SAO record into the shared working data.
//
// After READSAO the run driver turns the record's groups into what the
// inversion reads: date and time (TIMEBK), sounder frequency and height
// steps (SCLCHR), scaled characteristics, station constants, the traces as
// frequency rows and height indices (TRCRAW) and the E-layer block. A record
// whose time stamp, date and time, sounder steps or foF2 cannot be used is
// rejected; the run driver then ends the processing of its file.
#pragma once

#include <cstdint>
#include <string>

#include "blocks/farray.h"
#include "sao/sao_record.h"

namespace kolm {

// Why decode_record rejected a record.
enum class DecodeFault : uint8_t {
    none,
    layout,      // the time stamp has no known layout
    date_time,   // day, hour, minute or second out of range
    steps,       // a frequency or height step of 0 or below, or no start height
    fof2,        // foF2 above 99 MHz with an F trace
};

// Working values of the run driver used by the decoding.
struct DecodeWork {
    DecodeFault FAULT;      // why the last record was rejected
    int16_t TSLAY;          // time-stamp layout: 1 digits, 2 "FF", 3 "FE"/"AA"; 0 none
    int32_t TSOFF;          // column offset of the digit layout: 0 or 19
    float FTOP;             // top grid frequency of the trace being converted
    FArray<float, 2> HLOW;  // running lowest F heights
    int16_t NE, NF, NF1;    // point counts of the E, F2 and F1 traces
};
extern DecodeWork DECWRK;

// Character code minus that of "0" (no check: a blank gives -16).
int16_t CHAR_NUM(char c);

// Reset before each record is read: trace blocks to their markers, the first
// two working-trace arrays to 0, HLOW to 999.9, the inversion status to 0.
void reset_traces();

// Time-stamp layout of group 3 from DFI(3) and its first two characters
// (TSLAY, TSOFF); station number into PLOTWN(8); date and time into TIMEBK.
// False when the layout is unknown or the day, hour, minute or second is out
// of range. ts holds the 120 characters of group 3.
bool decode_time_stamp(int32_t dfi3, const char* ts);

// Frequency step, height step and start height from group 3 by the layout
// found by decode_time_stamp. False when a step is 0 or below or the start
// height is undefined.
bool decode_steps(const char* ts);

// Characteristics of group 4 into their members, station constants of
// group 1 into SCLCHR, FLDPAR, SAOHDR and OPTS.
void decode_characteristics(const SaoRecord& rec);
void decode_station(const SaoRecord& rec);

// One trace of n points ending at the critical frequency fc into column col
// of TRCRAW. Heights of point i: reals[i-1] when real_copy, else ints[i-1].
// hlow: 0 no lowest-height tracking, 1 or 2 the HLOW/MINHF entry. Points
// whose row falls outside 1..1024 are dropped.
void decode_trace(float fc, int32_t n, const float* reals, const int32_t* ints, bool real_copy, int col,
                  int hlow);

// Why the record cannot be written back: a value that no field of its group
// can show ("VALUE 1E+38 OF GROUP 1 ITEM 1 DOES NOT FIT ITS FIELD"), which
// the reader takes from a field written as "1.0E+38"; empty when every
// value fits. The run skips such a record with a console line.
std::string unwritable_value(const SaoRecord& rec);

// Every step of the decoding in order, from the time stamp to the frequency
// indices. False when the record is rejected.
bool decode_record(const SaoRecord& rec);

}  // namespace kolm

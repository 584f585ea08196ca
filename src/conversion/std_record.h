// One record of a STANDARD file as the conversion reads and cleans it.
#pragma once

#include <array>
#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

// Critical frequency of a layer that is absent.
inline constexpr float STD_ABSENT = 99.0f;
// Frequency step of a record before its first snapped point.
inline constexpr float STD_NOSTEP = 99.0f;
// Pairs a block holds: E and F1, F2.
inline constexpr int32_t STD_CAP_E = 150;
inline constexpr int32_t STD_CAP_F1 = 150;
inline constexpr int32_t STD_CAP_F2 = 400;
inline constexpr int32_t STD_TEXT = 120;  // characters of the header line that count

// One layer's block: critical frequency and frequency/height pairs (MHz, km).
struct StdLayer {
    float FC;        // critical frequency, STD_ABSENT = layer absent
    int32_t N;       // pairs held
    int32_t NREAD;   // pairs read; above CAP the record cannot be held
    int32_t CAP;     // capacity of the block
    FArray<float, STD_CAP_F2> F, H;

    bool present() const { return FC < STD_ABSENT; }
    // First trace frequency; 0 when the layer holds no pair.
    float first() const { return N > 0 ? F(1) : 0.0f; }
};

// The working record of the conversion. The header text and constants of a
// record without header line are those of the last header read.
struct StdRecord {
    std::array<char, STD_TEXT> TEXT;  // header line, blank-padded (SAO group 2)
    FArray<float, 5> CONST;            // gyrofrequency, dip, latitude, longitude, sunspot number
    bool HEADER;                       // a header line has been read in this run
    int16_t JYR, JMON, JDAY, JHR, JMIN, JSEC;  // date line as given
    int16_t JYR4, JDOY;                // four-digit year and day of year
    float FSTEP;                       // finest grid step of the record's points
    StdLayer E, F1, F2;
};

}  // namespace kolm

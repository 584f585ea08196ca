// STANDARD records built in memory for the conversion tests.
#pragma once

#include <cstring>
#include <initializer_list>
#include <utility>

#include "conversion/std_record.h"

namespace kolm::testing {

// A layer with critical frequency fc and the pairs given (MHz, km).
inline void set_layer(StdLayer& L, float fc, std::initializer_list<std::pair<float, float>> pairs,
                      int32_t cap = STD_CAP_F2) {
    L.FC = fc;
    L.CAP = cap;
    L.N = 0;
    for (const auto& [f, h] : pairs) {
        ++L.N;
        L.F(L.N) = f;
        L.H(L.N) = h;
    }
    L.NREAD = L.N;
}

// A record with a header, the date 2001-03-14 12:00:00 (day 73) and no layers.
inline StdRecord blank_record(float fstep = 0.1f) {
    StdRecord r;
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.TEXT.fill(' ');
    r.HEADER = true;
    r.JYR = r.JYR4 = 2001;
    r.JMON = 3;
    r.JDAY = 14;
    r.JDOY = 73;
    r.JHR = 12;
    r.FSTEP = fstep;
    set_layer(r.E, STD_ABSENT, {}, STD_CAP_E);
    set_layer(r.F1, STD_ABSENT, {}, STD_CAP_F1);
    set_layer(r.F2, STD_ABSENT, {}, STD_CAP_F2);
    return r;
}

}  // namespace kolm::testing

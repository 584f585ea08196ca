// The variants of the quasi-parabolic growths this processor can run, for
// tests that check each of them: SSE2 always, AVX2 where it has it.
#pragma once

#include <vector>

#include "models/qp_solvers.h"

namespace kolm::testing {

inline std::vector<QpIsa> qp_variants() {
    if (processor_qp_isa() == QpIsa::avx2) return {QpIsa::sse2, QpIsa::avx2};
    return {QpIsa::sse2};
}

inline const char* qp_variant_name(QpIsa isa) { return isa == QpIsa::avx2 ? "AVX2" : "SSE2"; }

}  // namespace kolm::testing

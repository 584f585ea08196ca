// Group delay through the rising part of the valley model, for the
// ordinary and the extraordinary ray alike.
#pragma once

#include <cmath>

#include "blocks/peltartrueh.h"
#include "inversion/gauss_integral.h"

namespace kolm {

// Delay (km) of wave F through the WV4 km over which the plasma frequency
// rises linearly from FVAL to fe: D R sum over the Gauss nodes of
// w(J) g(J)/fN, fN**2 = fe**2 - u(J)**2 D, D = fe**2 - FVAL**2,
// R = WV4/(fe - FVAL), g(J) the ray's group index times u(J) from
// INDEX(F, fN**2, g) for all nodes at once (node_group_indices, or GXSUB
// node by node); never less than WV4.
// Reads: VALPAR.
// Writes: no block.
template <class NodeIndex>
float valley_rise_delay(float F, float fe, NodeIndex INDEX) {
    const auto& V = VALPAR;
    const float d = fe * fe - V.FVAL * V.FVAL;
    if (!(fe > V.FVAL && d > 0.0f)) return V.WV4;
    const float sd = std::sqrt(d);
    const float r = V.WV4 / (fe - V.FVAL);
    NodeArray fn2, g;
    for (int J = 1; J <= NGAUSS; ++J) fn2(J) = (fe + GAUSSU(J) * sd) * (fe - GAUSSU(J) * sd);
    INDEX(F, fn2, g);
    float sum = 0.0f;
    for (int J = 1; J <= NGAUSS; ++J) sum += GAUSSW(J) * g(J) / std::sqrt(fn2(J));
    const float p = sum * r * d;
    return p < V.WV4 ? V.WV4 : p;
}

}  // namespace kolm

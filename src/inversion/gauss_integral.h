// Virtual-height integrals of a profile section: the 16-point Gauss-Legendre
// rule on [0, 1], the ordinary-ray group refractive index with its field
// terms, and the integral matrices S (whole section up to each wave's
// reflection) and SU (section crossed up to a given plasma frequency).
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

inline constexpr int NGAUSS = 16;

// Nodes u(J) = (1 + x(J))/2 of the 16-point rule in increasing order, the
// half-weights w(J)/2 of the [-1, 1] rule, and u(J) squared; single precision.
extern const FArray<float, NGAUSS> GAUSSU;
extern const FArray<float, NGAUSS> GAUSSW;
extern const FArray<float, NGAUSS> GAUSSU2;

// One value per Gauss node.
using NodeArray = FArray<float, NGAUSS>;

// Instruction sets of the node loops of node_group_indices, SIK and SIKP:
// SSE2, which every x86-64 processor has, and AVX2. The variants give the
// same floats; the calls without one use the processor's.
enum class NodeIsa : int8_t { sse2, avx2 };

// AVX2 where the processor and the system support it, else SSE2.
NodeIsa processor_node_isa();

// Field terms of the group index from the dip (radians) into REALIN(41),
// (42), (47) to (50): SINQ1, SINQ2, COSSQ, TANSQ4, TANSQ2, TANSQ.
// Reads: no block.
// Writes: SAOHDR (REALIN field terms).
void GOGXCOM(float DIP);

// G := U times the ordinary-ray group refractive index for wave frequency F
// (MHz), plasma frequency squared FN2 (MHz**2) and gyrofrequency FH (MHz);
// 0 when FN2 >= F**2. DIP is not used: the dip enters through GOGXCOM.
// Reads: SAOHDR (REALIN field terms).
// Writes: no block.
void GOSUB(float U, float F, float FN2, float FH, float DIP, float& G);

// G(J) := GOSUB(u(J), F, FN2(J), FH) for the 16 nodes at once, each the
// same value as one GOSUB call gives.
// Reads: SAOHDR (REALIN field terms).
// Writes: no block.
void node_group_indices(float F, const NodeArray& FN2, float FH, NodeArray& G);
// The same in the variant isa (AVX2 only where processor_node_isa() has it).
void node_group_indices(NodeIsa isa, float F, const NodeArray& FN2, float FH, NodeArray& G);

// FSQR for the data points of the current section from its FSTART.
// Reads: TRCSEC.
// Writes: FSQR (FSQ, FSQD).
void CDO();

// S(1..NN, 1..NFQ) for the current section; needs CDO for the same data.
// A data point at or above FEND is not integrated (zero column).
// Reads: FLDPAR, FSQR, SMAT, TRCSEC.
// Writes: SMAT (S).
void SIK();
void SIK(NodeIsa isa);

// SU(1..NN, 1..NFQ): integrals through the section from FSTART up to the
// plasma frequency FV, for every data frequency of the section. The node
// terms of the last few ranges are kept (run state) and used again.
// Reads: FLDPAR, TRCSEC.
// Writes: DERPAR (SU).
void SIKP(float FV);
void SIKP(NodeIsa isa, float FV);

}  // namespace kolm

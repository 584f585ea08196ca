// True-height inversion of the current record: the driver and its basis table.
#pragma once

namespace kolm {

// Inverts the decoded record held in the shared blocks; results in the blocks.
void PROFIL1();

// Fills the basis table CV of TRCSEC: row N holds the N coefficients, in
// falling powers of the section co-ordinate, of basis polynomial N.
void SETCV();

}  // namespace kolm

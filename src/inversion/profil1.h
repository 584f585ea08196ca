// True-height inversion of the current record.
#pragma once

namespace kolm {

// Inverts the decoded record held in the shared blocks; results in the blocks.
void PROFIL1();

}  // namespace kolm

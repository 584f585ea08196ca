// File and program browsers of the specification dialog.
#pragma once

#include <string>

namespace kolm::ui {

// Input-file browser: PATH gets the chosen directory and file name (or
// "*.*"), blank when cancelled.
void DODIALOG2(std::string& PATH);

// Program browser: PATH gets the chosen program, blank when cancelled.
void DODIALOG2P(std::string& PATH);

}  // namespace kolm::ui

// Conversion of an input file that is not in the SAO format.
#pragma once

#include <cstdint>
#include <string>

namespace kolm {

// Turns the input file INNAME (STANDARD format when ISTD = 1, any other
// format through the program PROG when ISTD = 0) into a temporary SAO file.
// INNAME comes back as the temporary file's path, blank when no record was
// produced, or exactly "PROGRAM FOR CONVERSION NOT EXECUTABLE" or
// "BAD PROGRAM FOR CONVERSION".
void NONSAO_SAO(const std::string& PROG, std::string& INNAME, int32_t ISTD);

}  // namespace kolm

// Text utilities of the specification dialog: blanks out of a typed path,
// an upper-cased file name, the check of a numeric box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kolm::ui {

// Removes every blank (code 32) from S, keeping its length: the other
// characters move to the front and blanks fill the rest. An all-blank S
// stays as it is.
void DEL_SPACE(std::string& S);

// As DEL_SPACE, with the letters a to z made capitals; other characters
// stay unchanged.
void UPCASE(std::string& S);

// Checks S as a number box's text: after dropping the blanks, decimal
// digits with at most one point anywhere; no sign, no exponent; an empty
// text is valid. KERR 0 and VALUE the number, or KERR 1.
void STR_NUM(std::string_view S, float& VALUE, int32_t& KERR);

}  // namespace kolm::ui

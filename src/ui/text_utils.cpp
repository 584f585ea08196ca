// Text utilities of the specification dialog.
#include "ui/text_utils.h"

namespace kolm::ui {

namespace {
// Non-blank characters to the front, mapped by f, blanks behind them.
template <class F>
void squeeze(std::string& s, F f) {
    std::size_t n = 0;
    for (char c : s)
        if (c != ' ') s[n++] = f(c);
    for (std::size_t i = n; i < s.size(); ++i) s[i] = ' ';
}
}  // namespace

void DEL_SPACE(std::string& S) {
    squeeze(S, [](char c) { return c; });
}

void UPCASE(std::string& S) {
    squeeze(S, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
}

void STR_NUM(std::string_view S, float& VALUE, int32_t& KERR) {
    VALUE = 0.0f;
    KERR = 0;
    const std::size_t NONE = std::string_view::npos;
    std::size_t point = NONE;
    for (std::size_t i = 0; i < S.size(); ++i) {
        char c = S[i];
        if (c == ' ') continue;
        if (c == '.') {
            if (point != NONE) {
                KERR = 1;
                return;
            }
            point = i;
        } else if (c < '0' || c > '9') {
            KERR = 1;
            return;
        }
    }
    // Integer digits from the right with place values 1, 10, 100, ...;
    // blanks take no place.
    const std::size_t int_end = point == NONE ? S.size() : point;
    float place = 1.0f;
    for (std::size_t i = int_end; i-- > 0;) {
        if (S[i] == ' ') continue;
        VALUE += float(S[i] - '0') * place;
        place *= 10.0f;
    }
    if (point == NONE) return;
    place = 0.1f;
    for (std::size_t i = point + 1; i < S.size(); ++i) {
        if (S[i] == ' ') continue;
        VALUE += float(S[i] - '0') * place;
        place /= 10.0f;
    }
}

}  // namespace kolm::ui

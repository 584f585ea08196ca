// Blank padding of fixed-length texts: names, paths and fields are stored
// blank-filled and compared or shown without the padding.
#pragma once

#include <string_view>

namespace kolm {

// s without its leading and trailing blanks (code 32 only).
inline std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// s without its trailing blanks: inner and leading blanks stay.
inline std::string_view trim_right(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Empty or blanks only.
inline bool is_blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace kolm

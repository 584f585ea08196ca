// Model files checked by identity between uses, and the report of a bad one.
#include "models/model_files.h"

#include <cmath>

#include "platform/console.h"

namespace kolm {

FileCheck check_model_file(std::string_view name, ModelFile& file, std::string& path, platform::FileIdentity& now) {
    bool regular = false;
    // A regular file under the name itself is what a new lookup would find
    // (the exact name comes first), whatever else the directory holds: while
    // it is there its own identity is all there is to check.
    const std::string& last = file.where.path;
    if (!last.empty() && last == name && platform::file_identity(last, now, regular) && regular) {
        path = last;
    } else {
        path = platform::find_data_file(name, file.where);
        if (!path.empty() && !(platform::file_identity(path, now, regular) && regular)) {
            // The file found before is gone: look again.
            file.where.kept = false;
            path = platform::find_data_file(name, file.where);
            if (!path.empty() && !(platform::file_identity(path, now, regular) && regular)) path.clear();
        }
    }
    if (path.empty()) {
        file.held = false;
        return FileCheck::missing;
    }
    if (file.held && file.held_as.settled && platform::same_identity(now, file.held_as)) return FileCheck::held;
    return FileCheck::changed;
}

void hold_model_file(ModelFile& file, const platform::FileIdentity& now) {
    file.held_as = now;
    file.held = true;
}

namespace {

const char* fault_text(FileFault fault) {
    switch (fault) {
        case FileFault::empty: return "IS EMPTY";
        case FileFault::no_data: return "HOLDS NO DATA";
        case FileFault::truncated: return "IS TRUNCATED";
        case FileFault::not_text: return "IS NOT A TEXT FILE";
        case FileFault::bad_value: return "HOLDS A VALUE THAT DOES NOT READ";
        case FileFault::not_finite: return "HOLDS A VALUE THAT IS NOT A FINITE NUMBER";
        case FileFault::unreadable: return "CANNOT BE READ";
    }
    return "IS BAD";
}

}  // namespace

void report_bad_model_file(ModelFile& file, const std::string& path, const platform::FileIdentity& now,
                           const Fault& fault) {
    if (file.told && platform::same_identity(now, file.told_as)) return;
    file.told = true;
    file.told_as = now;
    std::string line = " ERROR: THE MODEL FILE " + path + " " + fault_text(fault.what);
    if (!fault.detail.empty()) line += " (" + fault.detail + ")";
    platform::console_line(line);
}

bool holds_control_bytes(std::string_view text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7f) return true;
    }
    return false;
}

bool all_finite(const float* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

}  // namespace kolm

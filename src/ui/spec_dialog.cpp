// The specification dialog: display, per-control callback, acceptance checks
// and the file list of a wildcard input.
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "blocks/run_state.h"
#include "blocks/text.h"
#include "notation/fixed_format.h"
#include "platform/console.h"
#include "platform/dialog.h"
#include "platform/file_checks.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/temporaries.h"
#include "platform/text_units.h"
#include "ui/browsers.h"
#include "ui/cover.h"
#include "ui/messages.h"
#include "ui/resource.h"
#include "ui/text_utils.h"

namespace kolm::ui {

namespace {

namespace id = res::spec;

// Check flags of the three format boxes, kept between re-displays, and the
// code of the message that refused the entries last.
struct SpecDialogState {
    bool sao, standard, others;
    int32_t refused;
};
SpecDialogState SPECDLG;
const RunStateReset reset_spec([] {
    SPECDLG = SpecDialogState{};
    platform::forget_temporary(FILELST.slot);
    FILELST = FileListState{};
});

void message(int32_t code) { DODIALOG3(code); }

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The conversion program's edit and browse button follow "ANY OF OTHERS".
void program_enabled(platform::Dialog& dlg, bool on) {
    dlg.set_enabled(id::PROGRAM, on);
    dlg.set_enabled(id::BROWSE_PROGRAM, on);
}

void tick_only(platform::Dialog& dlg, int32_t box) {
    for (int32_t b : {id::SAO, id::STANDARD, id::OTHERS}) dlg.set_checked(b, b == box);
}

// Value of a number box: blanks removed, read free-format; a blank box or a
// lone point reads as 0.
float number_value(std::string text) {
    DEL_SPACE(text);
    float v = 0.0f;
    if (fmt::read_text_free(text, {v}) != fmt::IoStat::ok) v = 0.0f;
    return v;
}

void display(platform::Dialog& dlg, const std::string& PROG, const std::string& INNAME,
             const std::string& OUTNAME, float HSTEP, float ERRMAX) {
    const SpecDialogState& s = SPECDLG;
    if (s.others) {
        tick_only(dlg, id::OTHERS);
        program_enabled(dlg, true);
        dlg.set_text(id::PROGRAM, PROG);
    } else {
        tick_only(dlg, s.standard ? id::STANDARD : id::SAO);
        program_enabled(dlg, false);
    }
    dlg.set_text(id::STEP, number_box_text(HSTEP, 1));
    dlg.set_text(id::ACCURACY, number_box_text(ERRMAX, 2));
    dlg.set_text(id::INPUT, INNAME);
    dlg.set_text(id::OUTPUT, OUTNAME);
    for (int32_t c : {id::INPUT, id::OUTPUT, id::STEP, id::ACCURACY, id::SAO, id::STANDARD, id::OTHERS,
                      id::BROWSE_INPUT, id::BROWSE_PROGRAM})
        dlg.set_callback(c, UPDATEDIALOG1);
}

// The checks after OK; 0 when everything is accepted, else the message code.
int32_t accept(platform::Dialog& dlg, char& CONV, std::string& PROG, int32_t& ISTD, std::string& INNAME,
               std::string& OUTNAME, float& HSTEP, float& ERRMAX) {
    // Paths lose only their outer blanks (a directory may have blanks
    // inside); an input whose own name has blanks at its ends keeps them.
    const std::string& typed = dlg.text(id::INPUT);
    INNAME = std::string(trim(typed));
    if (INNAME != typed && platform::name_kind(typed) != platform::NameKind::none) INNAME = typed;
    OUTNAME = std::string(trim(dlg.text(id::OUTPUT)));
    // The box keeps the case of a path, but "none" in any case still means no output.
    std::string upper = OUTNAME;
    UPCASE(upper);
    if (upper.empty() || upper == "NONE") OUTNAME = "NONE";
    HSTEP = number_value(dlg.text(id::STEP));
    ERRMAX = number_value(dlg.text(id::ACCURACY));
    ISTD = 1;
    SpecDialogState& s = SPECDLG;
    s.sao = dlg.checked(id::SAO);
    s.standard = dlg.checked(id::STANDARD);
    s.others = dlg.checked(id::OTHERS);
    CONV = s.sao ? 'Y' : 'N';

    if (s.others) {
        ISTD = 0;
        PROG = std::string(trim(dlg.text(id::PROGRAM)));
        if (PROG.empty()) return 16;
        if (!platform::file_exists(PROG)) return 17;
    }
    if (INNAME.empty()) return 2;

    platform::PathParts in = platform::split_path(INNAME);
    if (in.name == "*" && (in.ext.empty() || in.ext == ".")) in.ext = ".*";
    if (in.ext == ".421" || in.ext == ".ARP") return 18;
    if (CONV == 'N' && in.ext == ".SAO") return 19;
    const bool wildcard = in.name == "*" || in.ext == ".*";
    if (!wildcard) {
        const platform::NameKind kind = platform::name_kind(INNAME);
        if (kind == platform::NameKind::none || kind == platform::NameKind::directory ||
            kind == platform::NameKind::dangling)
            return 5;
    } else if (const int32_t code = write_filelist(in); code != 0) {
        return code;
    }

    if (OUTNAME == "NONE") return 0;
    const platform::PathParts out = platform::split_path(OUTNAME);
    // The output must never overwrite the input being read.
    if (!wildcard && platform::same_file(OUTNAME, INNAME)) return 8;
    if (wildcard && out.ext.empty()) {  // every output name would be its input's name
        const std::string indir = in.drive + in.dir, outdir = out.drive + out.dir;
        if (platform::same_file(indir.empty() ? "." : indir, outdir.empty() ? "." : outdir)) return 8;
    }
    if (!platform::can_create_in(out.drive + out.dir, "KOLM_TEST")) return 21;
    return 0;
}

}  // namespace

std::string number_box_text(float value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, decimals == 1 ? "%4.1f" : "%4.2f", double(value));
    std::string t(buf);
    // A value below 1 shows its leading zero (" 0.0", "0.00"); a value
    // rounded up to 1 keeps its digit.
    const std::size_t lead = decimals == 1 ? 1 : 0;
    if (value < 1.0f && t.size() == 4 && t[lead] == ' ') t[lead] = '0';
    return t;
}

void UPDATEDIALOG1(platform::Dialog& dlg, int32_t cid) {
    if (is_blank(dlg.text(id::OUTPUT))) dlg.set_text(id::OUTPUT, "NONE");
    switch (cid) {
        case id::BROWSE_INPUT: {
            std::string p;
            DODIALOG2(p);
            if (!is_blank(p)) {
                const std::string path(trim(p));
                dlg.set_text(id::INPUT, path);
                dlg.set_text(id::OUTPUT, path + ".421");
            }
            break;
        }
        case id::BROWSE_PROGRAM: {
            std::string p;
            DODIALOG2P(p);
            if (!is_blank(p)) dlg.set_text(id::PROGRAM, std::string(trim(p)));
            break;
        }
        case id::SAO:
        case id::STANDARD:
        case id::OTHERS:
            if (dlg.checked(cid)) {
                tick_only(dlg, cid);
                dlg.set_text(id::PROGRAM, "");
                program_enabled(dlg, cid == id::OTHERS);
            } else {
                // A ticked box clicked again: one of the others takes its place.
                tick_only(dlg, cid == id::SAO ? id::STANDARD : id::SAO);
                dlg.set_text(id::PROGRAM, "");
                program_enabled(dlg, false);
            }
            break;
        case id::STEP:
        case id::ACCURACY: {
            float value = 0.0f;
            int32_t kerr = 0;
            STR_NUM(dlg.text(cid), value, kerr);
            if (kerr != 0) {
                message(0);
                dlg.set_text(cid, cid == id::STEP ? "0.0" : "0.00");
            }
            break;
        }
        default: break;
    }
}

FileListState FILELST;

void remove_filelist() {
    if (FILELST.name.empty()) return;
    platform::close_unit(LISTUNIT);
    platform::delete_file(FILELST.name);
    platform::forget_temporary(FILELST.slot);
    FILELST = FileListState{};
}

std::string filelist_line(std::string_view name) {
    std::string line;
    line.reserve(name.size());
    for (char c : name) {
        switch (c) {
            case '\\': line += "\\\\"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            default: line += c; break;
        }
    }
    return line;
}

std::string filelist_name(std::string_view line) {
    std::string name;
    name.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            name += line[i];
            continue;
        }
        const char e = line[++i];
        name += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    }
    return name;
}

int32_t last_refusal() { return SPECDLG.refused; }

int32_t write_filelist(const platform::PathParts& pattern) {
    // Each search starts with a new, empty list of its own.
    remove_filelist();
    const std::string dir = pattern.drive + pattern.dir;
    platform::DirListing listing(dir + "*");
    std::string name;
    int slot = -1;
    if (platform::open_unit_new(LISTUNIT, FILELIST, name, &slot) != 0) return 7;
    FILELST.name = name;
    FILELST.slot = slot;
    int32_t written = 0;
    bool write_failed = false;
    platform::DirEntry e;
    while (listing.started() && listing.next(e)) {
        if (e.hidden || e.system || e.directory || e.size == 0 || is_blank(e.name)) continue;
        // The lists of runs (this one's or another's started in the same
        // folder) are never data.
        if (e.name.rfind(std::string(FILELIST) + ".", 0) == 0) continue;
        const platform::PathParts p = platform::split_path(e.name);
        if (equal_nocase(p.ext, ".421") || equal_nocase(p.ext, ".ARP") || equal_nocase(p.ext, ".EXE")) continue;
        const bool all = pattern.name == "*" && pattern.ext == ".*";
        const bool by_ext = pattern.name == "*" && p.ext == pattern.ext;
        const bool by_name = pattern.ext == ".*" && p.name == pattern.name;
        if (!(all || by_ext || by_name)) continue;
        if (platform::write_line(LISTUNIT, filelist_line(e.name)) != fmt::IoStat::ok) write_failed = true;
        ++written;
    }
    int32_t code = 0;
    switch (listing.error()) {
        case platform::FsError::none:
        case platform::FsError::no_such_file: code = written > 0 ? 0 : 5; break;
        case platform::FsError::out_of_memory: code = 4; break;
        case platform::FsError::invalid_argument: code = 6; break;
        case platform::FsError::other: code = 7; break;
    }
    const bool closed = platform::close_unit(LISTUNIT) == fmt::IoStat::ok;
    if (code == 0 && (write_failed || !closed)) code = 7;
    if (code != 0) remove_filelist();
    return code;
}

void DODIALOG1(char& CONV, std::string& PROG, int32_t& ISTD, std::string& INNAME, std::string& OUTNAME,
               float& HSTEP, float& ERRMAX) {
    platform::Dialog dlg;
    if (!res::load_dialog(dlg, res::DLG_SPECIFICATIONS)) {
        platform::console_line(" ERROR: DIALOG1 NOT FOUND");
        return;
    }
    SPECDLG = SpecDialogState{true, false, false, 0};
    HSTEP = ERRMAX = 0.0f;
    INNAME.clear();
    OUTNAME = "NONE";
    PROG.clear();
    for (;;) {
        display(dlg, PROG, INNAME, OUTNAME, HSTEP, ERRMAX);
        if (dlg.run_modal() == res::spec::EXIT) {
            INNAME.clear();
            platform::gfx::clear();
            dlg.release();
            return;
        }
        const int32_t code = accept(dlg, CONV, PROG, ISTD, INNAME, OUTNAME, HSTEP, ERRMAX);
        SPECDLG.refused = code;
        if (code == 0) break;
        remove_filelist();  // a list of refused entries is never read
        message(code);
        res::load_dialog(dlg, res::DLG_SPECIFICATIONS);
    }
    dlg.release();
}

}  // namespace kolm::ui

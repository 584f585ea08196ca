// The file and program browsers: top level, directory walk, choices.
#include "ui/browsers.h"

#include <algorithm>
#include <string_view>

#include "blocks/run_state.h"
#include "blocks/text.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/roots.h"
#include "ui/messages.h"
#include "ui/resource.h"

namespace kolm::ui {

BrowseState BROWSE;

namespace {

namespace id = res::browse;

const RunStateReset reset_browse([] { BROWSE = BrowseState{{}, {}, {}, {}, {}, {}, {}, 0, 0, -1, 0}; });

// A one-line list box showing one item.
void one_line(platform::Dialog& dlg, int32_t cid, std::string_view text) {
    if (!dlg.has_control(cid)) return;
    dlg.clear_items(cid);
    dlg.add_item(cid, text);
}

void set_count(platform::Dialog& dlg, std::string_view text) {
    if (dlg.has_control(id::SELECTED_COUNT)) dlg.set_text(id::SELECTED_COUNT, text);
}

// "/a/b/" gives "/a/"; "/" stays.
std::string parent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string("/") : std::string(path.substr(0, slash + 1));
}

// "/a/b/" gives "b"; "/" gives "/".
std::string last_name(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    return std::string(path.substr(path.rfind('/') + 1));
}

// Names with a byte above 127 in their first 128 characters are not listed.
bool plain(std::string_view name) {
    name = name.substr(0, 128);
    return std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) > 127; });
}

void top_level(platform::Dialog& dlg) {
    BrowseState& b = BROWSE;
    b.PATH.clear();
    b.REFILLS = 0;
    b.REFILLS_AT_CHANGE = -1;
    b.ROOTS.clear();
    for (int32_t i = 1; i <= dlg.item_count(id::DIRECTORIES); ++i) b.ROOTS.push_back(dlg.item(id::DIRECTORIES, i));
    dlg.set_checked(id::GOING_BACK, false);
    one_line(dlg, id::ALL_FILES, "");
    dlg.clear_items(id::FILES);
    one_line(dlg, id::SELECTED_PATH, "");
    one_line(dlg, id::SELECTED_NAME, "");
    one_line(dlg, id::CURRENT, BROWSE_TOP);
}

// Back to the top level from wherever the browser is.
void to_top(platform::Dialog& dlg) {
    dlg.set_items(id::DIRECTORIES, BROWSE.ROOTS);
    dlg.set_text(id::DIRECTORIES, BROWSE_TOP);
    BROWSE.NAME = BROWSE_TOP;
    top_level(dlg);
}

// The current directory listed (after going up one when Going Back is ticked).
void listing(platform::Dialog& dlg) {
    BrowseState& b = BROWSE;
    if (dlg.checked(id::GOING_BACK)) {
        b.PATH = parent(b.PATH);
        b.NAME = last_name(b.PATH);
        dlg.set_checked(id::GOING_BACK, false);
    }
    one_line(dlg, id::SELECTED_PATH, b.PATH);
    b.FILES.clear();
    b.DIRS.clear();
    platform::DirListing dir(b.PATH + "*");
    if (!dir.started()) {
        int32_t code = 1;
        DODIALOG3(code);
        to_top(dlg);
        return;
    }
    platform::DirEntry e;
    while (dir.next(e)) {
        if (e.hidden || e.system || !plain(e.name)) continue;
        std::vector<std::string>& table = e.directory ? b.DIRS : b.FILES;
        if (table.size() < BROWSE_MAX) table.push_back(e.name);
    }
    if (b.FILES.empty()) {
        one_line(dlg, id::ALL_FILES, BROWSE_NONE);
        dlg.clear_items(id::FILES);
    } else {
        one_line(dlg, id::ALL_FILES, BROWSE_ALL);
        dlg.set_items(id::FILES, b.FILES);
    }
    if (!b.DIRS.empty()) {
        dlg.set_items(id::DIRECTORIES, b.DIRS);
        ++b.REFILLS;
    }
    one_line(dlg, id::CURRENT, b.NAME);
}

// A choice in the combo box: a root, a subdirectory, or (while the box
// still lists them) a sibling of the current directory.
void choose(platform::Dialog& dlg) {
    BrowseState& b = BROWSE;
    std::string s = dlg.text(id::DIRECTORIES);
    if (is_blank(s)) s = BROWSE_TOP;
    b.NAME = s;
    if (s == BROWSE_TOP) {
        top_level(dlg);
        return;
    }
    if (s.front() == '/') {
        b.PATH = s.back() == '/' ? s : s + "/";
    } else {
        std::string p = dlg.item(id::SELECTED_PATH, 1);
        if (p.empty()) p.push_back('/');
        if (b.REFILLS == b.REFILLS_AT_CHANGE) p = parent(p);
        b.PATH = p + s + "/";
    }
    b.REFILLS_AT_CHANGE = b.REFILLS;
    listing(dlg);
}

void browse(int32_t template_id, std::string_view missing, std::string& PATH) {
    platform::Dialog dlg;
    if (!res::load_dialog(dlg, template_id)) {
        platform::console_line(missing);
        return;
    }
    BROWSE.ROOTS = platform::list_roots();
    if (BROWSE.ROOTS.empty()) platform::console_line(" NO DRIVES AVAILABLE ");
    for (;;) {
        browse_start(dlg);
        if (dlg.run_modal() != id::OK) {
            PATH.clear();
            break;
        }
        const std::string path = dlg.item(id::SELECTED_PATH, 1);
        const std::string name = dlg.item(id::SELECTED_NAME, 1);
        if (!is_blank(name)) {
            PATH = path + name;
            break;
        }
        res::load_dialog(dlg, template_id);  // nothing chosen: start over at the top level
    }
    dlg.release();
}

}  // namespace

void browse_start(platform::Dialog& dlg) {
    dlg.set_items(id::DIRECTORIES, BROWSE.ROOTS);
    dlg.set_text(id::DIRECTORIES, BROWSE_TOP);
    UPDATEBROWSE(dlg, id::DIRECTORIES);
    one_line(dlg, id::CURRENT, BROWSE_TOP);
    for (int32_t c : {id::CURRENT, id::DIRECTORIES, id::GOING_BACK, id::ALL_FILES, id::FILES, id::SELECTED_PATH,
                      id::SELECTED_NAME})
        if (dlg.has_control(c)) dlg.set_callback(c, UPDATEBROWSE);
}

void UPDATEBROWSE(platform::Dialog& dlg, int32_t cid) {
    BrowseState& b = BROWSE;
    switch (cid) {
        case id::GOING_BACK:
            if (!dlg.checked(id::GOING_BACK)) return;
            one_line(dlg, id::SELECTED_NAME, "");
            set_count(dlg, "");
            if (b.PATH.size() > 1) {
                b.REDISPATCH = REDISPATCH_UP;
            } else {
                dlg.set_items(id::DIRECTORIES, b.ROOTS);
                dlg.set_text(id::DIRECTORIES, BROWSE_TOP);
                b.REDISPATCH = REDISPATCH_TOP;
            }
            [[fallthrough]];
        case id::DIRECTORIES:
            if (b.REDISPATCH == REDISPATCH_UP) {
                b.REDISPATCH = 0;
                listing(dlg);
                return;
            }
            b.REDISPATCH = 0;
            b.ALLCHOICE.clear();
            b.ONECHOICE.clear();
            b.CHOSEN = 0;
            choose(dlg);
            return;
        case id::ALL_FILES:
            if (!b.ONECHOICE.empty()) {
                dlg.select(id::FILES, 0);
                b.ONECHOICE.clear();
                b.CHOSEN = 0;
            }
            b.ALLCHOICE = dlg.text(id::ALL_FILES);
            if (b.ALLCHOICE == BROWSE_ALL) {
                one_line(dlg, id::SELECTED_NAME, "*.*");
                set_count(dlg, std::to_string(b.FILES.size()));
            }
            return;
        case id::FILES: {
            if (!b.ALLCHOICE.empty()) {
                dlg.select(id::ALL_FILES, 0);
                b.ALLCHOICE.clear();
            }
            b.ONECHOICE = dlg.text(id::FILES);
            const auto at = std::find(b.FILES.begin(), b.FILES.end(), b.ONECHOICE);
            b.CHOSEN = at == b.FILES.end() ? 0 : int32_t(at - b.FILES.begin()) + 1;
            if (!b.ONECHOICE.empty()) {
                one_line(dlg, id::SELECTED_NAME, b.ONECHOICE);
                set_count(dlg, "1");
            }
            return;
        }
        default: return;
    }
}

void DODIALOG2(std::string& PATH) { browse(res::DLG_BROWSE_INPUT, " ERROR: DIALOG2 NOT FOUND", PATH); }

void DODIALOG2P(std::string& PATH) { browse(res::DLG_BROWSE_PROGRAM, " ERROR: DIALOG2P NOT FOUND", PATH); }

}  // namespace kolm::ui

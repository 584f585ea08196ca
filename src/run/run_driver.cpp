// The run driver: file loop, record loop, open, close and delete rules.
#include "run/run_driver.h"

#include <chrono>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/text.h"
#include "conversion/nonsao_sao.h"
#include "inversion/profil1.h"
#include "platform/console.h"
#include "platform/file_checks.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/temporaries.h"
#include "platform/text_units.h"
#include "run/record_decode.h"
#include "run/record_results.h"
#include "sao/sao_record.h"
#include "ui/cover.h"
#include "ui/messages.h"
#include "ui/plot_frame.h"
#include "ui/plots.h"

namespace kolm {

RunDriverState RUN;
SaoRecord RECORD;

namespace {

static_assert(std::is_trivially_copyable_v<SaoRecord>);

// The record as at the start of the run: numbers 0, texts blank (a group
// read shorter than it is written, such as a 55-column time stamp rebuilt
// to 77 columns, must not put other bytes into the output).
void clear_record(SaoRecord& r) {
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    for (auto* text : {&r.G2L1, &r.G2L2, &r.G3, &r.G54, &r.G55}) text->fill(' ');
}

// When the progress line of the current file was last written.
struct ProgressClock {
    std::chrono::steady_clock::time_point start, last;
};
ProgressClock PROGRESS_CLOCK;

const RunStateReset reset_driver([] {
    platform::forget_temporary(RUN.TMPSLOT);
    RUN = RunDriverState{};
    clear_record(RECORD);
    PROGRESS_CLOCK = ProgressClock{};
});

using ui::LISTUNIT;

void show_message(int32_t code) { ui::DODIALOG3(code); }

// A name as one console line: line ends inside it shown as \n.
std::string shown(std::string_view name) { return ui::filelist_line(name); }

void say(const std::string& text) { platform::console_line(" " + text); }

// A record skipped or rejected, named with its file, number and reason.
void record_skipped(const std::string& what) {
    ++RUN.NSKIPPED;
    ++RUN.RECORDS_SKIPPED;
    say("RECORD " + std::to_string(RUN.NREC) + " OF " + shown(RUN.SOURCE) + " " + what);
}

// The rest of the file is not read after this record.
void ends_file(const std::string& what) {
    RUN.NOT_READ = true;
    record_skipped(what + ": THE REST OF " + shown(RUN.SOURCE) + " IS NOT READ");
}

void file_skipped(const std::string& why) {
    ++RUN.FILES_SKIPPED;
    say(why + ": " + shown(RUN.SOURCE) + " SKIPPED");
}

// Closes the input: the temporary SAO file of a conversion is deleted.
void close_input() {
    platform::close_unit(RUN.INUNIT,
                         RUN.CONV == 'Y' ? platform::CloseMode::keep : platform::CloseMode::remove);
    platform::forget_temporary(RUN.TMPSLOT);
    RUN.TMPSLOT = -1;
}

// Closes the output: kept, it takes its name; else it goes (it is always a
// file of this run's own). A failure to write it out is reported.
void close_output(bool keep) {
    if (RUN.OUTFLG != 'Y' || !platform::unit_is_open(RUN.OUTUNIT)) return;
    if (RUN.OUT_FAILED) keep = false;  // never a half-written output under its name
    const auto st = platform::close_unit(RUN.OUTUNIT, keep ? platform::CloseMode::keep : platform::CloseMode::remove);
    if (st != platform::IoStat::ok && keep) {
        RUN.OUT_FAILED = true;
        say("ERROR: THE OUTPUT FILE " + shown(RUN.OUTNAME) + " COULD NOT BE WRITTEN COMPLETELY");
    }
    if (RUN.OUT_FAILED) {
        ++RUN.WRITES_FAILED;
        RUN.NWRITTEN = 0;
    }
}

// The names of the file list, read once at the start of the run; blank
// lines are passed over.
void read_list() {
    RunDriverState& s = RUN;
    if (ui::FILELST.name.empty()) return;
    if (const int err = platform::open_unit(LISTUNIT, ui::FILELST.name, platform::UnitMode::read); err != 0) {
        say("ERROR: THE FILE LIST " + ui::FILELST.name + " CANNOT BE READ (" + platform::open_error_text(err) + ")");
        ++s.FILES_SKIPPED;
        return;
    }
    std::string_view line;
    while (platform::read_line(LISTUNIT, line) == platform::IoStat::ok)
        if (!is_blank(line)) s.LIST.push_back(ui::filelist_name(line));
    platform::close_unit(LISTUNIT);
}

// Next name of the file list into INNAME and OUTNAME; false at its end.
bool next_listed_file() {
    RunDriverState& s = RUN;
    if (s.NEXT >= s.LIST.size()) return false;
    // A name is taken as it stands, blanks at its end included.
    s.LSTNAM = s.LIST[s.NEXT++];
    s.INNAME = s.INDIR + s.LSTNAM;
    if (s.OUTFLG == 'Y') s.OUTNAME = s.OUTDIR + s.LSTNAM + s.OUTEXT;
    return true;
}

// True when the path names a file that the run reads, now or later.
bool is_an_input(const std::string& path) {
    const auto id = platform::file_id(path);
    if (!id) return false;
    for (const platform::FileId& in : RUN.INPUTS)
        if (in == *id) return true;
    return platform::same_file(path, RUN.INNAME);  // the converted file being read
}

// The output name after the overwrite warning. False when the file is to
// be skipped: the output would be an input of the run, is not a regular
// file, or exists and the user did not say to overwrite it.
bool settle_output_name() {
    RunDriverState& s = RUN;
    s.REPLACE = false;
    std::string newname;
    for (;;) {
        const platform::NameKind kind = platform::name_kind(s.OUTNAME);
        if (kind == platform::NameKind::none) return true;
        if (is_an_input(s.OUTNAME)) {
            show_message(8);
            file_skipped("OUTPUT " + shown(s.OUTNAME) + " IS AN INPUT FILE OF THIS RUN");
            return false;
        }
        if (kind != platform::NameKind::regular) {
            file_skipped("ERROR: THE OUTPUT FILE " + shown(s.OUTNAME) + " CANNOT BE OPENED (" +
                         (kind == platform::NameKind::directory ? "IT IS A DIRECTORY"
                          : kind == platform::NameKind::dangling ? "IT IS A LINK TO NOTHING"
                                                                 : "IT IS NOT A REGULAR FILE") +
                         ")");
            return false;
        }
        if (!ui::DODIALOG4(s.OUTNAME, newname)) {
            file_skipped("THE OUTPUT FILE " + shown(s.OUTNAME) + " EXISTS AND IS KEPT");
            return false;
        }
        if (newname == s.OUTNAME) {  // kept: the existing file is replaced when the input is done
            s.REPLACE = true;
            return true;
        }
        s.OUTNAME = newname;
    }
}

// The groups that live in the shared blocks: N(h) profile and E profile.
void record_to_blocks(const SaoRecord& r) {
    const int32_t n51 = clamp_count(r.DFI(51), MAXNH), n52 = clamp_count(r.DFI(52), MAXNH);
    for (int32_t k = 1; k <= n51; ++k) NHPROF.HTAB(k) = r.G51(k);
    for (int32_t k = 1; k <= n52; ++k) NHPROF.FNTAB(k) = r.G52(k);
    const int32_t n58 = clamp_count(r.DFI(58), MAXEPTS), n59 = clamp_count(r.DFI(59), MAXEPTS);
    for (int32_t k = 1; k <= n58; ++k) EBLOCK.EH(k) = r.G58(k);
    for (int32_t k = 1; k <= n59; ++k) EBLOCK.EF(k) = r.G59(k);
}

// An index of nothing but zeros: two blank lines.
bool blank_index(const SaoRecord& r) {
    for (int32_t k = 1; k <= SAO_NDFI; ++k)
        if (r.DFI(k) != 0) return false;
    return true;
}

// Why the reader gave no record.
std::string read_fault(const SaoReadState& why, const SaoRecord& r, bool long_line) {
    // A line beyond the input's bound reads as a line that does not convert.
    if (long_line) return "A LINE IS LONGER THAN " + std::to_string(platform::MAX_LINE) + " CHARACTERS";
    switch (why.fault) {
        case SaoFault::bad_index:
            if (blank_index(r)) return "ITS INDEX IS BLANK";
            return "ITS INDEX IS NOT VALID (ENTRY 1 IS " + std::to_string(why.value) + ")";
        case SaoFault::bad_code: return "ITS VERSION CODE " + std::to_string(why.value) + " IS NEGATIVE";
        case SaoFault::unreadable: return "GROUP " + std::to_string(why.group) + " CANNOT BE READ";
        case SaoFault::over_capacity:
            return "GROUP " + std::to_string(why.group) + " HOLDS MORE ITEMS THAN THE PROGRAM KEEPS";
        default: return "IT CANNOT BE READ";
    }
}

// Why the decoding rejected the record.
std::string decode_fault() {
    switch (DECWRK.FAULT) {
        case DecodeFault::layout: return "THE TIME STAMP (GROUP 3) HAS NO KNOWN LAYOUT";
        case DecodeFault::date_time:
            return "THE DAY, HOUR, MINUTE OR SECOND IS OUT OF RANGE (DAY " + std::to_string(TIMEBK.IDAY) + " " +
                   std::to_string(TIMEBK.IHR) + ":" + std::to_string(TIMEBK.MINU) + ":" +
                   std::to_string(TIMEBK.ISEC) + ")";
        case DecodeFault::steps: return "ITS FREQUENCY OR HEIGHT STEP IS NOT ABOVE 0 OR ITS START HEIGHT IS UNDEFINED";
        case DecodeFault::fof2: return "ITS FOF2 IS ABOVE 99 MHZ";
        default: return "IT CANNOT BE DECODED";
    }
}

// A blank index read after a record: blank lines, reported once per run of them.
void blank_lines_seen() {
    if (RUN.NBLANK == 0) return;
    say(std::to_string(RUN.NBLANK) + " BLANK LINES OF " + shown(RUN.SOURCE) + " AFTER RECORD " +
        std::to_string(RUN.NREC) + " ARE PASSED OVER");
    RUN.NBLANK = 0;
}

void show_progress() {
    const auto now = std::chrono::steady_clock::now();
    if (now - PROGRESS_CLOCK.start < std::chrono::seconds(1) || now - PROGRESS_CLOCK.last < std::chrono::seconds(1))
        return;
    PROGRESS_CLOCK.last = now;
    platform::progress("kolm: " + shown(RUN.SOURCE) + ": record " + std::to_string(RUN.NREC) + ", " +
                       std::to_string(RUN.NWRITTEN) + " written");
}

enum class FileEnd { end_of_file, end_of_input, next_record };

// The end of the file met by the reader: clean, after lines that are no
// record, or inside a record cut short.
FileEnd at_end(int64_t consumed) {
    RunDriverState& s = RUN;
    const SaoReadState& why = SAOREAD;
    // Blank lines at the end read as the start of an index of zeros.
    const bool cut = why.fault == SaoFault::truncated || (consumed > why.skipped && !blank_index(RECORD));
    if (!cut && consumed > why.skipped) s.NBLANK += int32_t(consumed - why.skipped);
    blank_lines_seen();
    if (cut) {
        ++s.NREC;
        record_skipped(why.fault == SaoFault::truncated
                           ? "IS CUT SHORT: THE FILE ENDS INSIDE GROUP " + std::to_string(why.group)
                           : std::string("IS CUT SHORT: THE FILE ENDS INSIDE ITS INDEX"));
    } else if (why.skipped > 0) {
        ++s.NSKIPPED;
        ++s.RECORDS_SKIPPED;
        say("THE LAST " + std::to_string(why.skipped) + " LINES OF " + shown(s.SOURCE) +
            " ARE NOT A RECORD: PASSED OVER");
    }
    return s.WILDFLG == 'Y' ? FileEnd::end_of_file : FileEnd::end_of_input;
}

// The road of one record; what ends the file, if anything.
FileEnd one_record() {
    RunDriverState& s = RUN;
    // The record's groups start as at the start of the run, so nothing of an
    // earlier sounding stands in items beyond this record's counts.
    clear_record(RECORD);
    reset_traces();
    const int64_t before = platform::lines_read(s.INUNIT);
    const uint64_t long_before = platform::long_lines(s.INUNIT);
    READSAO(s.IEND, s.INUNIT, RECORD, s.FOUND, SCLCHR.IERR);
    const int64_t consumed = platform::lines_read(s.INUNIT) - before;
    const bool long_line = platform::long_lines(s.INUNIT) != long_before;
    const SaoReadState& why = SAOREAD;
    if (why.fault == SaoFault::end || why.fault == SaoFault::truncated) {
        const FileEnd end = at_end(consumed);
        // The reader's own end of a file without a complete record.
        return s.FOUND == 0 ? FileEnd::end_of_file : end;
    }
    if (SCLCHR.IERR == 1 && s.FOUND > 0 && why.fault == SaoFault::bad_index && why.skipped == 0 &&
        blank_index(RECORD)) {
        s.NBLANK += int32_t(consumed);  // blank lines between records
        return FileEnd::next_record;
    }
    blank_lines_seen();
    ++s.NREC;
    show_progress();
    if (why.skipped > 0) {
        ++s.RECORDS_SKIPPED;
        ++s.NSKIPPED;
        say(std::to_string(why.skipped) + " LINES OF " + shown(s.SOURCE) + " BEFORE RECORD " +
            std::to_string(s.NREC) + " ARE NOT A RECORD: PASSED OVER");
    }
    if (SCLCHR.IERR == 1) {
        if (s.FOUND == 0) {
            ends_file("IS REJECTED: " + read_fault(why, RECORD, long_line));
            return FileEnd::end_of_file;
        }
        // A broken record after good ones: not inverted, not written; the
        // reader finds the next record's index.
        record_skipped("COULD NOT BE READ (" + read_fault(why, RECORD, long_line) + "): SKIPPED");
        return FileEnd::next_record;
    }
    if (const std::string why = unwritable_value(RECORD); !why.empty()) {
        // Its output would not read back.
        record_skipped("(" + why + "): SKIPPED");
        return FileEnd::next_record;
    }
    record_to_blocks(RECORD);
    if (!decode_record(RECORD)) {
        ends_file("IS REJECTED: " + decode_fault());
        return FileEnd::end_of_file;
    }
    ui::plot_stored_profiles(RECORD);
    // The page names its sounding.
    if (platform::gfx::drawing()) platform::gfx::set_page_title(s.SOURCE + ", record " + std::to_string(s.NREC));
    ++s.NPROF;
    PROFIL1();
    ++s.BYSTATUS[SCALE2.IQUALE(iquale::STATUS)];
    if (s.OUTFLG == 'Y') {
        results_to_record(RECORD, s.CONV);
        if (WRITSAO(s.OUTUNIT, RECORD) != platform::IoStat::ok) {
            s.OUT_FAILED = true;
            s.NOT_READ = true;
            say("ERROR: WRITING TO " + shown(s.OUTNAME) + " FAILED: NOTHING OF " + shown(s.SOURCE) +
                " IS KEPT AND THE REST OF IT IS NOT READ");
            return FileEnd::end_of_file;
        }
        ++s.NWRITTEN;
    }
    return FileEnd::next_record;
}

// The summary line of an input file on the results.
void summary(bool processed, bool kept) {
    const RunDriverState& s = RUN;
    std::string line = "SUMMARY OF " + shown(s.SOURCE) + ": " + std::to_string(s.NREC) + " RECORDS READ, " +
                       std::to_string(s.NWRITTEN) + " WRITTEN";
    if (kept) line += " TO " + shown(s.OUTNAME);
    line += ", " + std::to_string(s.NSKIPPED) + " SKIPPED";
    if (!s.BYSTATUS.empty()) {
        line += "; BY STATUS";
        const char* sep = " ";
        for (const auto& [code, n] : s.BYSTATUS) {
            line += sep + std::to_string(code) + ": " + std::to_string(n);
            sep = ", ";
        }
    }
    if (!processed) line += "; FILE SKIPPED";
    if (s.NOT_READ) line += "; THE REST OF THE FILE NOT READ";
    if (s.OUT_FAILED) line += "; OUTPUT NOT WRITTEN";
    platform::result_line(line);
}

enum class Next { next_file, finish, stop };

// One input file from its name to its close.
Next one_file() {
    RunDriverState& s = RUN;
    const Next after = s.WILDFLG == 'Y' ? Next::next_file : Next::finish;
    s.SOURCE = s.INNAME;
    s.NREC = s.NWRITTEN = s.NSKIPPED = s.NBLANK = 0;
    s.BYSTATUS.clear();
    s.NOT_READ = s.OUT_FAILED = false;
    PROGRESS_CLOCK.start = PROGRESS_CLOCK.last = std::chrono::steady_clock::now();
    const auto skipped = [&](const std::string& why) {
        file_skipped(why);
        summary(false, false);
        return after;
    };
    if (s.CONV != 'Y') {
        NONSAO_SAO(s.PROG, s.INNAME, s.ISTD);
        if (is_blank(s.INNAME)) return skipped("NOT CONVERTED");
        if (s.INNAME == CONV_NOT_EXECUTABLE || s.INNAME == CONV_BAD_PROGRAM) {
            platform::gfx::clear();
            show_message(s.INNAME == CONV_NOT_EXECUTABLE ? 22 : 23);
            s.FATAL = true;
            return Next::stop;
        }
        s.TMPSLOT = platform::track_temporary(s.INNAME);  // the conversion's own file
    }
    s.INUNIT = 1;
    s.OUTUNIT = 3;
    s.IEND = 0;
    if (const int err = platform::open_unit(s.INUNIT, s.INNAME, platform::UnitMode::read); err != 0) {
        if (s.CONV != 'Y') {
            platform::delete_file(s.INNAME);
            platform::forget_temporary(s.TMPSLOT);
            s.TMPSLOT = -1;
        }
        // A wildcard run goes on with the next file; a single-file run ends
        // with nothing open.
        skipped("THE INPUT FILE CANNOT BE OPENED (" + platform::open_error_text(err) + ")");
        return after;
    }
    platform::rewind_unit(s.INUNIT);
    if (s.OUTFLG == 'Y') {
        if (!settle_output_name()) {
            close_input();
            summary(false, false);
            return after;
        }
        if (const int err = platform::open_unit_staged(s.OUTUNIT, s.OUTNAME, s.REPLACE); err != 0) {
            close_input();
            return skipped("ERROR: THE OUTPUT FILE " + shown(s.OUTNAME) + " CANNOT BE OPENED (" +
                           platform::open_error_text(err) + ")");
        }
    }
    PLOTWN.P(plotwn::GRAPHICS) = 1;
    s.FOUND = 0;
    for (;;) {
        const FileEnd end = one_record();
        if (end == FileEnd::next_record) continue;
        // A wildcard run keeps an output when its input gave a complete
        // record; a single-file run when a record reached the inversion.
        const bool keep = end == FileEnd::end_of_file && s.WILDFLG == 'Y' ? s.FOUND > 0 : s.NPROF > 0;
        close_input();
        close_output(keep);
        platform::end_progress();
        summary(true, s.OUTFLG == 'Y' && keep && !s.OUT_FAILED);
        return end == FileEnd::end_of_input ? Next::finish : after;
    }
}

}  // namespace

void KOLM() {
    RunDriverState& s = RUN;
    std::memcpy(SAOHDR.VERSION, VERSION_TEXT, 8);
    ui::GRAPHMODE();
    ui::COVER(SAOHDR.VERSION, s.CONV, s.PROG, s.ISTD, s.INNAME, s.OUTNAME, NHPROF.HSTEP, QPRES.ERRMAX);
    if (is_blank(s.INNAME)) return;
    run_files();
}

void run_files() {
    RunDriverState& s = RUN;
    s.RAN = true;
    s.OUTFLG = s.OUTNAME == "NONE" ? 'N' : 'Y';
    s.WILDFLG = 'N';
    const platform::PathParts in = platform::split_path(s.INNAME);
    s.LSTNAM = in.name;
    s.INDIR = in.drive + in.dir;
    if (in.name == "*" || in.ext == ".*") s.WILDFLG = 'Y';
    // Every input of the run is known before the first output is opened.
    if (s.WILDFLG == 'Y') {
        read_list();
        for (const std::string& name : s.LIST)
            if (const auto id = platform::file_id(s.INDIR + name)) s.INPUTS.push_back(*id);
        if (s.OUTFLG == 'Y') {
            const platform::PathParts out = platform::split_path(s.OUTNAME);
            s.OUTDIR = out.drive + out.dir;
            s.OUTEXT = out.ext;
        }
    } else if (const auto id = platform::file_id(s.INNAME)) {
        s.INPUTS.push_back(*id);
    }
    s.NPROF = 0;

    for (;;) {
        if (s.WILDFLG == 'Y' && !next_listed_file()) break;
        const Next n = one_file();
        if (n == Next::stop) break;
        if (n == Next::finish) break;
    }

    // The list goes after a fatal error as well: it is of no use to anyone.
    ui::remove_filelist();
    if (s.FATAL) return;  // no warning after messages 22 and 23
    if (s.NPROF == 0) {
        platform::gfx::clear();
        platform::message_box("WARNING", "NO PROPER DATA OR ERROR FOUND IN THE INPUT FILE.");
    }
}

int run_outcome() {
    const RunDriverState& s = RUN;
    if (s.FATAL) return exit_status::STOPPED;
    if (!s.RAN) return ui::last_refusal() != 0 ? exit_status::REFUSED : exit_status::OK;
    if (s.WRITES_FAILED > 0) return exit_status::WRITE_FAILED;
    if (s.NPROF == 0) return exit_status::NO_RECORD;
    if (s.FILES_SKIPPED > 0 || s.RECORDS_SKIPPED > 0) return exit_status::SKIPPED;
    return exit_status::OK;
}

}  // namespace kolm

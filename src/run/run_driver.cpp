// The run driver: file loop, record loop, open, close and delete rules.
#include "run/run_driver.h"

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

const RunStateReset reset_driver([] {
    RUN = RunDriverState{};
    clear_record(RECORD);
});

using ui::FILELIST;
using ui::LISTUNIT;

void show_message(int32_t code) { ui::DODIALOG3(code); }

// Closes the input: the temporary SAO file of a conversion is deleted.
void close_input() {
    platform::close_unit(RUN.INUNIT,
                         RUN.CONV == 'Y' ? platform::CloseMode::keep : platform::CloseMode::remove);
}

// Closes the output, kept or deleted; a failure to write it out is reported.
void close_output(bool keep) {
    if (RUN.OUTFLG != 'Y' || !platform::unit_is_open(RUN.OUTUNIT)) return;
    const auto st = platform::close_unit(RUN.OUTUNIT, keep ? platform::CloseMode::keep : platform::CloseMode::remove);
    if (st != platform::IoStat::ok && keep)
        platform::console_line(" ERROR: THE OUTPUT FILE " + RUN.OUTNAME + " COULD NOT BE WRITTEN COMPLETELY");
}

// Next name of the file list into INNAME and OUTNAME; false at its end.
bool next_listed_file() {
    std::string_view line;
    for (;;) {
        if (platform::read_line(LISTUNIT, line) != platform::IoStat::ok) return false;
        if (!is_blank(line)) break;
    }
    // Names keep their inner blanks; only the padding at the end goes.
    RUN.LSTNAM.assign(trim_right(line));
    RUN.INNAME = RUN.INDIR + RUN.LSTNAM;
    if (RUN.OUTFLG == 'Y') RUN.OUTNAME = RUN.OUTDIR + RUN.LSTNAM + RUN.OUTEXT;
    return true;
}

// The output name after the overwrite warning. False when the output would
// be the input file itself: the file is then skipped.
bool settle_output_name() {
    std::string newname;
    while (platform::file_exists(RUN.OUTNAME)) {
        if (platform::same_file(RUN.OUTNAME, RUN.INNAME)) {
            show_message(8);
            platform::console_line(" OUTPUT " + RUN.OUTNAME + " IS THE INPUT FILE ITSELF: " + RUN.INNAME +
                                   " SKIPPED");
            return false;
        }
        ui::DODIALOG4(RUN.OUTNAME, newname);
        if (newname == RUN.OUTNAME) break;  // kept: the existing file is overwritten
        RUN.OUTNAME = newname;
    }
    return true;
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

enum class FileEnd { end_of_file, end_of_input, next_record };

// The road of one record; what ends the file, if anything.
FileEnd one_record() {
    RunDriverState& s = RUN;
    // The record's groups start as at the start of the run, so nothing of an
    // earlier sounding stands in items beyond this record's counts.
    clear_record(RECORD);
    reset_traces();
    READSAO(s.IEND, s.INUNIT, RECORD, s.FOUND, SCLCHR.IERR);
    if (SCLCHR.IERR == 1 && s.FOUND == 0) return FileEnd::end_of_file;
    if (s.IEND != 0) return s.WILDFLG == 'Y' ? FileEnd::end_of_file : FileEnd::end_of_input;
    ++s.NREC;
    if (SCLCHR.IERR == 1) {
        // A broken record after good ones: not inverted, not written; the
        // reader finds the next record's index.
        platform::console_line(" RECORD " + std::to_string(s.NREC) + " OF " + s.INNAME +
                               " COULD NOT BE READ: SKIPPED");
        return FileEnd::next_record;
    }
    if (const std::string why = unwritable_value(RECORD); !why.empty()) {
        // Its output would not read back.
        platform::console_line(" RECORD " + std::to_string(s.NREC) + " OF " + s.INNAME + ": " + why + ": SKIPPED");
        return FileEnd::next_record;
    }
    record_to_blocks(RECORD);
    if (!decode_record(RECORD)) return FileEnd::end_of_file;
    ui::plot_stored_profiles(RECORD);
    // The page names its sounding.
    if (platform::gfx::drawing()) platform::gfx::set_page_title(s.SOURCE + ", record " + std::to_string(s.NREC));
    ++s.NPROF;
    PROFIL1();
    if (s.OUTFLG == 'Y') {
        results_to_record(RECORD, s.CONV);
        if (WRITSAO(s.OUTUNIT, RECORD) != platform::IoStat::ok) {
            platform::console_line(" ERROR: WRITING TO " + s.OUTNAME + " FAILED: THE REST OF " + s.INNAME +
                                   " IS SKIPPED");
            return FileEnd::end_of_file;
        }
    }
    return FileEnd::next_record;
}

enum class Next { next_file, finish, stop };

// One input file from its name to its close.
Next one_file() {
    RunDriverState& s = RUN;
    const Next after = s.WILDFLG == 'Y' ? Next::next_file : Next::finish;
    s.SOURCE = s.INNAME;
    if (s.CONV != 'Y') {
        NONSAO_SAO(s.PROG, s.INNAME, s.ISTD);
        if (is_blank(s.INNAME)) return after;
        if (s.INNAME == CONV_NOT_EXECUTABLE || s.INNAME == CONV_BAD_PROGRAM) {
            platform::gfx::clear();
            show_message(s.INNAME == CONV_NOT_EXECUTABLE ? 22 : 23);
            s.FATAL = true;
            return Next::stop;
        }
    }
    s.INUNIT = 1;
    s.OUTUNIT = 3;
    s.IEND = 0;
    s.NREC = 0;
    if (platform::open_unit(s.INUNIT, s.INNAME, platform::UnitMode::read) != 0) {
        if (s.WILDFLG == 'Y') return Next::next_file;
        // End of input with nothing open.
        return Next::finish;
    }
    platform::rewind_unit(s.INUNIT);
    if (s.OUTFLG == 'Y') {
        if (!settle_output_name()) {
            close_input();
            return after;
        }
        if (const int err = platform::open_unit(s.OUTUNIT, s.OUTNAME, platform::UnitMode::write); err != 0) {
            platform::console_line(" ERROR: THE OUTPUT FILE " + s.OUTNAME + " CANNOT BE OPENED (" +
                                   std::strerror(err) + "): " + s.INNAME + " SKIPPED");
            close_input();
            return after;
        }
    }
    PLOTWN.P(plotwn::GRAPHICS) = 1;
    s.FOUND = 0;
    for (;;) {
        switch (one_record()) {
            case FileEnd::next_record: continue;
            case FileEnd::end_of_file:
                // A wildcard run keeps an output when its input gave a complete
                // record; a single-file run when a record reached the inversion.
                close_input();
                close_output(s.WILDFLG == 'Y' ? s.FOUND > 0 : s.NPROF > 0);
                return after;
            case FileEnd::end_of_input:
                close_input();
                close_output(s.NPROF > 0);
                return Next::finish;
        }
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
    s.OUTFLG = s.OUTNAME == "NONE" ? 'N' : 'Y';
    s.WILDFLG = 'N';
    const platform::PathParts in = platform::split_path(s.INNAME);
    s.LSTNAM = in.name;
    s.INDIR = in.drive + in.dir;
    if (in.name == "*" || in.ext == ".*") s.WILDFLG = 'Y';
    if (s.WILDFLG == 'Y') {
        platform::open_unit(LISTUNIT, FILELIST, platform::UnitMode::read);
        if (s.OUTFLG == 'Y') {
            const platform::PathParts out = platform::split_path(s.OUTNAME);
            s.OUTDIR = out.drive + out.dir;
            s.OUTEXT = out.ext;
        }
    }
    s.NPROF = 0;

    for (;;) {
        if (s.WILDFLG == 'Y' && !next_listed_file()) break;
        const Next n = one_file();
        if (n == Next::stop) return;  // nothing closed or deleted, no warning
        if (n == Next::finish) break;
    }

    if (s.WILDFLG == 'Y') platform::close_unit(LISTUNIT, platform::CloseMode::remove);
    if (s.NPROF == 0) {
        platform::gfx::clear();
        platform::message_box("WARNING", "NO PROPER DATA OR ERROR FOUND IN THE INPUT FILE.");
    }
}

}  // namespace kolm

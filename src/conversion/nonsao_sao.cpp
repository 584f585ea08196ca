// The conversion driver: the user's program, the STANDARD record loop and
// the temporary SAO file.
#include "conversion/nonsao_sao.h"

#include <cstring>
#include <string>
#include <utility>

#include "blocks/peltarscale.h"
#include "blocks/run_state.h"
#include "blocks/text.h"
#include "conversion/regrid.h"
#include "conversion/standard_format.h"
#include "conversion/wrtadep.h"
#include "platform/console.h"
#include "platform/file_checks.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text_units.h"

namespace kolm {

ConversionWork NSAOWK;

namespace {

void clear_record(SaoRecord& r) {
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    for (auto* text : {&r.G2L1, &r.G2L2, &r.G3, &r.G54, &r.G55}) text->fill(' ');
}

const RunStateReset reset_conversion([] {
    std::memset(static_cast<void*>(&NSAOWK.REC), 0, sizeof NSAOWK.REC);
    NSAOWK.REC.TEXT.fill(' ');
    clear_record(NSAOWK.OUT);
    NSAOWK.G3.fill(0);
});

constexpr int32_t STDUNIT = 7;
constexpr int32_t SAOUNIT = 8;

void say(const std::string& text) { platform::console_line(" " + text); }

const char* start_failure(platform::StartError e) {
    switch (e) {
        case platform::StartError::not_found: return "NOT FOUND";
        case platform::StartError::arg_list_too_long: return "ARGUMENT LIST TOO LONG";
        case platform::StartError::not_executable: return "NOT EXECUTABLE";
        case platform::StartError::out_of_memory: return "OUT OF MEMORY";
        case platform::StartError::invalid_argument: return "INVALID ARGUMENT";
        default: return "START FAILED";
    }
}

// Group 4: the critical frequencies, the lowest F and E frequencies, the
// rest not given.
void characteristics(const StdRecord& r, SaoRecord& out) {
    for (int i = 1; i <= 31; ++i) out.G4(i) = NOHEIGHT;
    for (int i : {3, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 24, 26}) out.G4(i) = NOTCOMPUTED;
    out.G4(1) = r.F2.present() ? r.F2.FC : NOHEIGHT;
    out.G4(2) = r.F1.present() ? r.F1.FC : NOHEIGHT;
    out.G4(7) = lowest_f(r);
    out.G4(8) = lowest_e(r);
    out.G4(9) = r.E.present() ? r.E.FC : NOHEIGHT;
}

// True when the station constants fit their seven columns.
bool constants_fit(const StdRecord& r) {
    std::string line;
    const auto st = fmt::write_text(line, sao_slot_format(2, 0, true), {fmt::OutItem(r.CONST.data(), 5)});
    return st == fmt::IoStat::ok && line.find('*') == std::string::npos;
}

// Why a record read whole cannot be converted; empty when it can. The
// record is normalised, tested, cleaned and laid onto the grid on the way.
std::string convert(StdRecord& r, SaoRecord& out, int32_t& unfit) {
    if (!r.HEADER) return "NO HEADER LINE WITH THE STATION CONSTANTS BEFORE IT";
    const std::pair<const StdLayer*, const char*> blocks[] = {{&r.E, "E"}, {&r.F1, "F1"}, {&r.F2, "F2"}};
    for (const auto& [L, name] : blocks)
        if (L->NREAD > L->CAP)
            return "MORE THAN " + std::to_string(L->CAP) + " PAIRS IN THE " + name + " BLOCK";
    normalise_critical(r);
    if (!layer_order(r)) return "THE CRITICAL FREQUENCIES ARE NOT IN THE ORDER FOE < FOF1 < FOF2";
    clean_traces(r);
    clear_record(out);
    const GridResult g = regrid(r, out);
    const std::string trace = g.layer != nullptr ? std::string("THE ") + g.layer + " TRACE" : std::string();
    switch (g.fault) {
        case GridFault::none: break;
        case GridFault::off_grid: return trace + " DOES NOT START ON THE FREQUENCY GRID";
        case GridFault::beyond_grid: return trace + " ENDS BEYOND THE FREQUENCY GRID";
        case GridFault::over_capacity:
            return trace + " NEEDS MORE THAN " + std::to_string(g.cap) + " GRID FREQUENCIES";
    }
    if (!constants_fit(r)) return "A STATION CONSTANT DOES NOT FIT ITS SEVEN COLUMNS";
    unfit = g.unfit;
    return {};
}

// The SAO record of a converted STANDARD record: index, constants, header,
// time stamp, characteristics and blank analysis flags beside the traces
// regrid laid down. The flags give the run's output record a place for its
// inversion status code.
void fill_groups(ConversionWork& w) {
    SaoRecord& out = w.OUT;
    out.DFI(1) = 5;
    out.DFI(2) = 1;
    out.DFI(3) = 55;
    out.DFI(4) = 31;
    out.DFI(5) = 20;
    for (int i = 1; i <= 5; ++i) out.G1(i) = w.REC.CONST(i);
    std::memcpy(out.G2L1.data(), w.REC.TEXT.data(), SAO_TEXT);
    time_stamp_digits(w.REC, w.G3);
    characteristics(w.REC, out);
}

// The program's run: "" when it left a STANDARD file, else what INNAME must say.
std::string_view run_converter(const std::string& PROG, const std::string& P, const std::string& stdname) {
    const std::string args[] = {P, stdname};
    const platform::RunResult rr = platform::run_program(PROG, args);
    if (rr.error != platform::StartError::none) {
        say("ERROR: THE CONVERSION PROGRAM " + PROG + " CANNOT BE STARTED (" + start_failure(rr.error) + ")");
        return CONV_NOT_EXECUTABLE;
    }
    if (rr.exit_code > 0)
        say("THE CONVERSION PROGRAM " + PROG + " ENDED WITH EXIT STATUS " + std::to_string(rr.exit_code) + " ON " + P);
    else if (rr.exit_code < 0)
        say("THE CONVERSION PROGRAM " + PROG + " WAS ENDED BY SIGNAL " + std::to_string(-rr.exit_code) + " ON " + P);
    const long long size = platform::regular_file_size(stdname);
    if (size > 0) return {};
    if (size == 0) platform::delete_file(stdname);
    say("ERROR: THE CONVERSION PROGRAM " + PROG + (size == 0 ? " WROTE AN EMPTY " : " WROTE NO ") + stdname);
    return CONV_BAD_PROGRAM;
}

}  // namespace

void NONSAO_SAO(const std::string& PROG, std::string& INNAME, int32_t ISTD) {
    const std::string P(trim_right(INNAME));
    INNAME.clear();
    if (P.empty()) return;
    const std::string tmpstd = P + ".TMPSTD";
    const std::string saoname = P + ".TMPSAO";
    const std::string& stdname = ISTD == 0 ? tmpstd : P;

    // The temporary files get names of their own: never cut, never one that is taken.
    for (const std::string* name : {&saoname, &tmpstd}) {
        if (name == &tmpstd && ISTD != 0) continue;
        if (!platform::name_fits(*name)) {
            say("ERROR: THE NAME " + *name + " IS TOO LONG FOR THE SYSTEM: " + P + " IS NOT CONVERTED");
            return;
        }
        if (platform::name_taken(*name)) {
            say("ERROR: " + *name + " EXISTS ALREADY: " + P + " IS NOT CONVERTED (REMOVE OR RENAME " + *name + ")");
            return;
        }
    }
    if (ISTD == 0) {
        const std::string_view failure = run_converter(PROG, P, tmpstd);
        if (!failure.empty()) {
            INNAME.assign(failure);
            return;
        }
    }
    const auto close_std = [&] {
        platform::close_unit(STDUNIT, ISTD == 0 ? platform::CloseMode::remove : platform::CloseMode::keep);
    };
    if (const int err = platform::open_unit(STDUNIT, stdname, platform::UnitMode::read); err != 0) {
        say("ERROR: " + stdname + " CANNOT BE OPENED (" + platform::open_error_text(err) + "): " + P +
            " IS NOT CONVERTED");
        if (ISTD == 0) platform::delete_file(tmpstd);
        return;
    }
    if (const int err = platform::open_unit(SAOUNIT, saoname, platform::UnitMode::create); err != 0) {
        say("ERROR: " + saoname + " CANNOT BE CREATED (" + std::strerror(err) + "): " + P + " IS NOT CONVERTED");
        close_std();
        return;
    }

    ConversionWork& w = NSAOWK;
    int32_t begun = 0, written = 0;
    bool write_failed = false;
    for (;;) {
        const StdRead rd = read_standard(STDUNIT, w.REC);
        if (rd.status == StdStatus::end) break;
        const std::string which = "RECORD " + std::to_string(++begun) + " OF " + P;
        if (rd.status == StdStatus::cut) {
            say(P + " ENDS INSIDE " + rd.what + " OF RECORD " + std::to_string(begun) + ": THE RECORD IS LOST");
            break;
        }
        if (rd.status == StdStatus::bad_line) {
            say("ERROR: " + std::string(rd.what) + " OF " + which + " CANNOT BE READ: THE CONVERSION OF " + P +
                " ENDS");
            break;
        }
        if (rd.status == StdStatus::bad_date) {
            const StdRecord& r = w.REC;
            say("ERROR: THE DATE " + std::to_string(r.JYR) + " " + std::to_string(r.JMON) + " " +
                std::to_string(r.JDAY) + " " + std::to_string(r.JHR) + " " + std::to_string(r.JMIN) + " " +
                std::to_string(r.JSEC) + " OF " + which + " IS NOT VALID: THE CONVERSION OF " + P + " ENDS");
            break;
        }
        int32_t unfit = 0;
        if (const std::string why = convert(w.REC, w.OUT, unfit); !why.empty()) {
            say(which + " DROPPED: " + why);
            continue;
        }
        if (unfit > 0)
            say(which + ": " + std::to_string(unfit) + " HEIGHTS BEYOND 999 KM ARE WRITTEN AS 999 (NO HEIGHT)");
        fill_groups(w);
        if (WRTADEP(SAOUNIT, w.OUT, w.G3) != fmt::IoStat::ok) {
            write_failed = true;
            break;
        }
        ++written;
    }

    close_std();
    if (!write_failed && written > 0) {
        if (platform::close_unit(SAOUNIT) == fmt::IoStat::ok) {
            INNAME = saoname;
            return;
        }
        platform::delete_file(saoname);
        write_failed = true;
    } else {
        platform::close_unit(SAOUNIT, platform::CloseMode::remove);
    }
    if (write_failed)
        say("ERROR: " + saoname + " COULD NOT BE WRITTEN: " + P + " IS NOT CONVERTED");
    else
        say("NO RECORD OF " + P + " COULD BE CONVERTED");
}

}  // namespace kolm

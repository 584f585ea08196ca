// Monthly sunspot numbers: the history file, the prediction of the current
// cycle from the earlier ones, and the regression.
#include "models/sunspot.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "blocks/run_state.h"
#include "blocks/text.h"
#include "models/model_files.h"
#include "notation/fixed_format.h"
#include "platform/console.h"
#include "platform/data_files.h"

namespace kolm {

namespace {

constexpr std::size_t LINE_BUFFER = 90;   // characters of a line that are looked at
constexpr int16_t FIRST_VALID_YEAR = 1749;
constexpr int TABLE_MONTHS = 12 * SSN_MAX_YEARS;
constexpr int16_t FIRST_PAIR = 8;   // the regression leaves the first seven cycles out

const fmt::Format YEAR_FORMAT("(I4,1X,I2)");
const fmt::Format CYCLE_FORMAT("(79X,I4)");
const fmt::Format VALUE_FORMAT("(F6.1)");
const fmt::Format YEAR_MESSAGE("(' IYEARPRE,IYEAR=',2I5)");
const fmt::Format CYCLE_MESSAGE("(' ICYCLE,NCYCLES=',2I5)");

constexpr const char* MISSING_FILE = "FILE \"SUNSPT.ASC\" IS REQUIRED IN 60Z BUT IT DOES NOT EXIST!";
constexpr const char* DATA_MISSING = "FILE \"SUNSPT.ASC\" CONSTRUCTED WRONG. DATA MISSING.";
constexpr const char* CYCLES_WRONG = "FILE \"SUNSPT.ASC\" CONSTRUCTED WRONG. CYCLES DO NOT MATCH.";

// Working tables of SSN_NOAA as made from the file (read, and the months
// after the last measured one predicted), kept with the file's identity.
struct SunspotState {
    SsnTable SSN;
    SsnTable DEV;
    CycleStarts ICSTART;
    int16_t NCYCLES;
    int16_t IYRFIRST;
    int16_t NYEARS;
    bool FITS;  // the file lies within the tables' limits
    ModelFile FILE;
};
SunspotState SUNSPT;
const RunStateReset reset_sunspot([] { SUNSPT = SunspotState{}; });

// A bad file: named on the console, then the stop of a file constructed
// wrong (of a missing file when it cannot be read).
[[noreturn]] void bad_file(const std::string& path, const platform::FileIdentity& id, FileFault fault,
                           const std::string& detail = {}) {
    report_bad_model_file(SUNSPT.FILE, path, id, {fault, detail});
    platform::stop_program(fault == FileFault::unreadable ? MISSING_FILE : DATA_MISSING);
}

// A last line without its line end that stops inside a month or cycle field
// was cut off: a year line ends after a whole month field or after the cycle
// number.
bool cut_inside_a_field(std::string_view line) {
    if (line.empty() || line[0] < '0' || line[0] > '9') return false;
    const std::size_t n = line.size();
    if (n <= 7) return false;
    if (n < 79) return (n - 7) % 6 != 0;
    return n > 79 && n < 83;
}

[[noreturn]] void year_out_of_sequence(int16_t iyearpre, int16_t iyear) {
    fmt::write_console(YEAR_MESSAGE, {iyearpre, iyear});
    platform::stop_program(DATA_MISSING);
}

// Month field I (1..12) of the line: columns 8 + 6 (I - 1) onward, six wide.
std::string_view month_field(std::string_view line, int i) {
    const std::size_t from = 7 + 6 * std::size_t(i - 1);
    if (from >= line.size()) return {};
    return line.substr(from, 6);
}

}  // namespace

namespace {

// READSSN on the file PATH of identity ID.
bool read_ssn(const std::string& path, const platform::FileIdentity& id, int16_t& NCYCLES, CycleStarts& ICSTART,
              int16_t& IYRFIRST, int16_t& NYEARS, SsnTable& TABLE) {
    NCYCLES = 0;
    IYRFIRST = 0;
    NYEARS = 0;
    int16_t iyearpre = 0;
    ICSTART.fill(0);

    std::vector<unsigned char> bytes;
    const int err = platform::read_whole_file(path, bytes);
    if (err != 0) bad_file(path, id, FileFault::unreadable, std::strerror(err));
    if (bytes.empty()) bad_file(path, id, FileFault::empty);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (holds_control_bytes(text)) bad_file(path, id, FileFault::not_text);
    if (text.back() != '\n') {
        std::string_view last = text.substr(text.rfind('\n') == std::string_view::npos ? 0 : text.rfind('\n') + 1);
        if (!last.empty() && last.back() == '\r') last.remove_suffix(1);
        if (cut_inside_a_field(last)) bad_file(path, id, FileFault::truncated, "LAST LINE");
    }

    bool fits = true;
    std::size_t pos = 0;
    while (fits && pos < text.size()) {
        // Lines end at LF; a CR before the LF is dropped.
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (end < text.size() && !raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        const std::string_view line = raw.substr(0, LINE_BUFFER);
        // Remarks, headers and blank lines.
        if (line.empty() || line[0] < '0' || line[0] > '9') continue;

        int16_t icycle = 0, iyear = 0, istart = 0;
        if (fmt::read_text(line, CYCLE_FORMAT, {icycle}) != fmt::IoStat::ok ||
            fmt::read_text(line, YEAR_FORMAT, {iyear, istart}) != fmt::IoStat::ok)
            year_out_of_sequence(iyearpre, iyear);

        if (NCYCLES == 0 && icycle > 0) NCYCLES = int16_t(icycle - 1);
        if (iyearpre == 0 && iyear > 0) iyearpre = int16_t(iyear - 1);
        if (iyear - 1 != iyearpre || iyear < FIRST_VALID_YEAR) year_out_of_sequence(iyearpre, iyear);
        ++iyearpre;

        // The twelve months; a blank field ends the data.
        bool ended = false;
        for (int i = 1; i <= 12; ++i) {
            const std::string_view field = month_field(line, i);
            if (is_blank(field)) {
                ended = true;
                if (i != 1) ++NYEARS;
                break;
            }
            if (NYEARS >= SSN_MAX_YEARS) {
                fits = false;
                break;
            }
            float v = 0.0f;
            if (fmt::read_text(field, VALUE_FORMAT, {v}) != fmt::IoStat::ok) year_out_of_sequence(iyearpre, iyear);
            TABLE(i, NYEARS + 1) = v;
        }
        if (!fits) break;
        if (!ended) ++NYEARS;
        // The first year is that of the first year line with data.
        if (IYRFIRST == 0 && NYEARS > 0) IYRFIRST = iyear;
        if (istart == 0) {
            if (ended) break;
            continue;
        }

        // A cycle began this year.
        ++NCYCLES;
        if (NCYCLES != icycle) {
            fmt::write_console(CYCLE_MESSAGE, {icycle, NCYCLES});
            platform::stop_program(CYCLES_WRONG);
        }
        if (NCYCLES > SSN_MAX_CYCLES) {
            fits = false;
            break;
        }
        // A start outside the table is left unknown (0).
        const int start = (iyear - IYRFIRST) * 12 + istart;
        ICSTART(NCYCLES) = (start >= 1 && start <= TABLE_MONTHS) ? int16_t(start) : int16_t(0);
    }
    if (NYEARS < 1) bad_file(path, id, FileFault::no_data);
    return fits;
}

// The file "SUNSPT.ASC" as found in the working directory: its path and
// identity. Stops the program when there is none.
std::string find_sunspot_file(ModelFile& file, platform::FileIdentity& id, FileCheck& check) {
    std::string path;
    check = check_model_file("SUNSPT.ASC", file, path, id);
    if (check == FileCheck::missing) platform::stop_program(MISSING_FILE);
    return path;
}

}  // namespace

bool READSSN(int16_t& NCYCLES, CycleStarts& ICSTART, int16_t& IYRFIRST, int16_t& NYEARS, SsnTable& TABLE) {
    ModelFile file;
    platform::FileIdentity id;
    FileCheck check;
    const std::string path = find_sunspot_file(file, id, check);
    return read_ssn(path, id, NCYCLES, ICSTART, IYRFIRST, NYEARS, TABLE);
}

bool PERD(const CyclePairs& X, const CyclePairs& Y, int16_t IFIRST, int32_t N, FArray<float, 5>& P) {
    // Pairs used: from the eighth (the early cycles are left out) unless told.
    const int32_t first = (IFIRST == 0) ? FIRST_PAIR : IFIRST;
    if (first < 1 || N > SSN_MAX_CYCLES) return false;
    const int32_t np = N - first + 1;
    if (np < 3) return false;
    const float x0 = P(3);

    float sx = 0.0f, sy = 0.0f, sxy = 0.0f, sxx = 0.0f, syy = 0.0f;
    for (int32_t i = first; i <= N; ++i) {
        sx += X(i);
        sy += Y(i);
        sxy += X(i) * Y(i);
        sxx += X(i) * X(i);
        syy += Y(i) * Y(i);
    }
    const float fnp = float(np);
    const float dxx = fnp * sxx - sx * sx;
    if (!(dxx > 0.0f)) return false;

    // Line through the means.
    const float xm = sx / fnp;
    P(1) = sy / fnp;
    P(2) = (fnp * sxy - sx * sy) / dxx;
    P(3) = P(1) + P(2) * (x0 - xm);

    // Residual spread and the interval half-widths.
    const float vx = dxx / ((fnp - 1.0f) * fnp);
    const float vy = (fnp * syy - sy * sy) / ((fnp - 1.0f) * fnp);
    const float s = std::sqrt(std::fabs((vy - P(2) * P(2) * vx) * (fnp - 1.0f) / (fnp - 2.0f)));
    const float q = std::fabs((x0 - xm) * (x0 - xm) / ((fnp - 1.0f) * vx) + 1.0f / fnp + 1.0f);
    P(4) = 1.812f * s * std::sqrt(q);
    P(5) = 1.812f * s / std::sqrt((fnp - 1.0f) * std::fabs(vx));
    return true;
}

namespace {

// Table entry at a linear index (month fastest); -1 outside the table.
float at(const SsnTable& t, int idx) {
    if (idx < 1 || idx > TABLE_MONTHS) return -1.0f;
    return t.data()[idx - 1];
}

// Fills the months of the last cycle after its last measured month, up to
// twelve years from the cycle's start, by regression over the earlier cycles:
// each missing month NM months after the last measured one is predicted from
// the pairs (value at the same phase, value NM months later) of the earlier
// cycles. Months that cannot be predicted keep -1.
void predict_last_cycle(SunspotState& st) {
    if (st.NCYCLES < 1) return;
    // Every start must be known, from cycle 1 on, inside the table.
    for (int k = 1; k <= st.NCYCLES; ++k)
        if (st.ICSTART(k) < 1 || st.ICSTART(k) > TABLE_MONTHS) return;

    const int l = st.ICSTART(st.NCYCLES);
    const int ys = st.IYRFIRST + l / 12;
    const int ms = l % 12;
    auto phase = [&](int y, int m) { return (y - ys) * 12 + (m - ms); };

    const int32_t npairs = st.NCYCLES - 1;
    CyclePairs xa{}, xb{};
    FArray<float, 5> p{};
    bool have_x0 = false;
    float x0 = 0.0f;
    int x0_phase = 0;
    int nm = 0;
    for (int y = ys; y <= ys + 11; ++y) {
        const int yi = y - st.IYRFIRST + 1;
        if (yi < 1 || yi > SSN_MAX_YEARS) break;
        for (int m = (y == ys ? ms : 1); m <= 12; ++m) {
            if (m < 1) continue;
            if (st.SSN(m, yi) >= 0.0f) {
                x0 = st.SSN(m, yi);
                x0_phase = phase(y, m);
                have_x0 = true;
                continue;
            }
            ++nm;
            if (!have_x0) continue;
            bool usable = true;
            for (int k = 1; k <= npairs; ++k) {
                const int idx = st.ICSTART(k) + x0_phase;
                xa(k) = at(st.SSN, idx);
                xb(k) = at(st.SSN, idx + nm);
                if (k >= FIRST_PAIR && (xa(k) < 0.0f || xb(k) < 0.0f)) usable = false;
            }
            p(3) = x0;
            if (usable && PERD(xa, xb, 0, npairs, p)) {
                st.SSN(m, yi) = p(3);
                st.DEV(m, yi) = p(4);
            }
        }
    }
}

}  // namespace

void SSN_NOAA(int16_t IYR4, int16_t MONTH, float& SSNM, float& SSNDEV) {
    SunspotState& st = SUNSPT;
    platform::FileIdentity id;
    FileCheck check;
    const std::string path = find_sunspot_file(st.FILE, id, check);
    if (check == FileCheck::changed) {
        st.SSN.fill(-1.0f);
        st.DEV.fill(0.0f);
        st.FITS = read_ssn(path, id, st.NCYCLES, st.ICSTART, st.IYRFIRST, st.NYEARS, st.SSN);
        // Every month the regression can give, once per reading of the file.
        if (st.FITS) predict_last_cycle(st);
        hold_model_file(st.FILE, id);
    }
    SSNM = -1.0f;
    SSNDEV = 0.0f;
    const int yi = IYR4 - st.IYRFIRST + 1;
    if (!st.FITS || st.NYEARS < 1 || MONTH < 1 || MONTH > 12 || yi < 1 || yi > SSN_MAX_YEARS) return;
    if (st.SSN(MONTH, yi) < 0.0f) return;
    SSNM = std::round(st.SSN(MONTH, yi));
    SSNDEV = std::round(st.DEV(MONTH, yi));
}

}  // namespace kolm

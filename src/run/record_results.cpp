// Results of the inversion back into the SAO record.
#include "run/record_results.h"

#include <cstring>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"

namespace kolm {

namespace {

// Writes value as w decimal digits from the highest into ts[col-1..].
void put_digits(char* ts, int col, int32_t value, int w) {
    int32_t D = 1;
    for (int i = 1; i < w; ++i) D *= 10;
    for (int i = 0; i < w; ++i) {
        const int32_t digit = value / D;
        ts[col - 1 + i] = (digit >= 0 && digit <= 9) ? char('0' + digit) : '*';
        value -= digit * D;
        D /= 10;
    }
}

// Slots that only pass through the program (its own and the members that
// nothing changes): a record that did not carry them had them read as 0.
constexpr int PASS_THROUGH[] = {3, 4, 5, 6, 10, 12, 13, 14, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 29, 30, 36};

void characteristics(SaoRecord& rec) {
    auto& SC = rec.G4;
    const SclchrBlock& s = SCLCHR;
    const Scale2Block& e = SCALE2;
    SC(1) = s.FOF2;
    // The decoding marks a foF1 above 999 (the record's "no value") as 999.9;
    // the record keeps its own marker rather than a 999.9 MHz critical frequency.
    if (!(s.FOF1 == NOHEIGHT && SC(2) > 999.0f)) SC(2) = s.FOF1;
    SC(3) = s.CHR3;
    SC(6) = e.CHR6;
    SC(7) = s.FMINF;
    SC(8) = e.FMINE;
    const int16_t top = e.IQUALE(iquale::ETOP);
    if (top == etop::TRACE || top == etop::SCALED) SC(9) = e.FOE;
    else if (top == etop::PREDICTED) SC(9) = NOTCOMPUTED;
    SC(10) = s.CHR10;
    SC(11) = s.CHR11;
    SC(12) = s.CHR12;
    SC(13) = e.CHR13;
    SC(14) = e.CHR14;
    SC(15) = e.HME;
    SC(16) = YLAYER.YE;
    SC(17) = s.CHR17;
    SC(18) = e.CHR18;
    SC(21) = e.CHR21;
    SC(25) = s.CHR25;
    if (s.FOF2 < 99.0f) {
        const int16_t k = sat_i16(grid_index(s.FOF2, s.FQINCR));
        SC(27) = s.FOF2 - float(k) * s.FQINCR;
    }
    SC(28) = SAOHDR.REALIN(realin::FOEP);
    SC(31) = SAOHDR.REALIN(realin::FOF1P);
    SC(32) = LAYCOF.ZMF2;
    SC(33) = LAYCOF.ZMF1;
    SC(34) = LAYCOF.ZHALF;
    SC(35) = DERPAR.FOF2P;
    SC(37) = YLAYER.YF2;
    SC(38) = YLAYER.YF1;
    SC(39) = DERPAR.ITEC;
    SC(40) = DERPAR.SHF;
    SC(41) = IRIPAR.B0();
    SC(42) = IRIPAR.B1();
    SC(43) = IRIPAR.D1();
    if (e.IQUALE(iquale::STATUS) != status::PROFILE_OBTAINED) {
        for (int i : {32, 33, 34, 37, 38, 39, 40, 41, 42, 43}) SC(i) = NOTCOMPUTED;
    }
    if (s.FOF1 > s.FOF2) {
        SC(33) = NOTCOMPUTED;
        SC(38) = NOTCOMPUTED;
    }
    // The record goes out with all 43 slots; those it did not carry and that
    // no result fills are "not available", not the 0 they were read as.
    if (rec.DFI(4) < 43) {
        for (int i : PASS_THROUGH)
            if (i > rec.DFI(4)) SC(i) = NOTCOMPUTED;
        rec.DFI(4) = 43;
    }
}

void coefficient_groups(SaoRecord& rec) {
    const int16_t code = SCALE2.IQUALE(iquale::STATUS);
    const int16_t top = SCALE2.IQUALE(iquale::ETOP);
    const LaycofBlock& c = LAYCOF;

    rec.DFI(37) = 0;
    if (code == status::PROFILE_OBTAINED && SMAT.KCHKF1 + SMAT.KCHKF2 == 0) {
        rec.DFI(37) = 10;
        auto& g = rec.G37;
        g(1) = c.FC(2);
        g(2) = SAOHDR.REALIN(realin::FMAX);
        g(3) = c.ZMF2;
        g(4) = c.ER(3);
        for (int i = 1; i <= 5; ++i) g(4 + i) = c.AF2(i);
        g(10) = c.ZHALF;
    }

    rec.DFI(38) = 0;
    if (code == status::PROFILE_OBTAINED && SCALE2.IQUALE(iquale::F1_SCALED) == 1 && SMAT.KCHKF1 == 0) {
        rec.DFI(38) = 9;
        auto& g = rec.G38;
        g(1) = c.FC(4);
        g(2) = c.FC(2);
        g(3) = c.ZMF1;
        g(4) = c.ER(2);
        for (int i = 1; i <= 5; ++i) g(4 + i) = c.AF1(i);
    }

    rec.DFI(39) = 0;
    const float e_top = c.FC(4) == 0.0f ? c.FC(2) : c.FC(4);
    // Only an E section that was solved: a record whose inversion never
    // reached the E layer (status 0, foF2 beyond the sounding) or failed on
    // its frequency range has no section to report, not one from 0 to 0 MHz.
    const bool e_solved = c.FC(1) > 0.0f && e_top > c.FC(1);
    if (e_solved && ((top == etop::TRACE && code != status::E_TRACE) ||
                     ((top == etop::PREDICTED || top == etop::SCALED) && code == status::PROFILE_OBTAINED))) {
        rec.DFI(39) = 7;
        auto& g = rec.G39;
        g(1) = c.FC(1);
        g(2) = e_top;
        g(3) = c.ZME;
        g(4) = c.ER(1);
        for (int i = 1; i <= 3; ++i) g(4 + i) = c.AE(i);
    }
}

void e_profile(SaoRecord& rec) {
    const EblockBlock& b = EBLOCK;
    if (b.EFEND > 0.0f) {
        rec.DFI(57) = 7;
        auto& g = rec.G57;
        g(1) = 0.2f;
        g(2) = b.EFEND;
        g(3) = b.EH0;
        g(4) = b.EERR;
        for (int i = 1; i <= 3; ++i) g(4 + i) = b.EA(i);
        const int32_t n = clamp_count(b.ENTAB, MAXEPTS);
        rec.DFI(58) = rec.DFI(59) = rec.DFI(60) = n;
        for (int32_t k = 1; k <= n; ++k) {
            rec.G58(k) = b.EH(k);
            rec.G59(k) = b.EF(k);
        }
    } else {
        for (int g = 57; g <= 60; ++g) rec.DFI(g) = 0;
    }
}

void qp_segments(SaoRecord& rec) {
    rec.DFI(40) = 0;
    const int32_t nseg = clamp_count(QPRES.NSEG, MAXQPSEG);
    if (nseg <= 0) return;
    rec.DFI(40) = 6 * nseg + 1;
    const QpresBlock& q = QPRES;
    for (int32_t i = 1; i <= nseg; ++i) {
        const int32_t o = 6 * (i - 1);
        rec.G40(o + 1) = q.RSEG(i - 1);
        rec.G40(o + 2) = q.RSEG(i);
        rec.G40(o + 3) = q.ASEG(i);
        rec.G40(o + 4) = q.BSEG(i);
        rec.G40(o + 5) = q.CSEG(i);
        rec.G40(o + 6) = double(q.ESEG(i));
    }
    rec.G40(6 * nseg + 1) = 6370.0;
}

void edit_flags(SaoRecord& rec) {
    if (rec.DFI(80) < 2) {
        for (int i = 1; i <= 5; ++i) {
            rec.G56(i) = rec.G41(49 + i);
            rec.G41(49 + i) = 0;
        }
    }
    rec.DFI(56) = 120;
    // One column holds the run counter: it stops at 9 so the record stays readable.
    if (rec.G56(4) < 9) rec.G56(4) += 1;
}

void nh_table(SaoRecord& rec) {
    const int32_t n = clamp_count(NHPROF.NPTH, MAXNH);
    rec.DFI(51) = rec.DFI(52) = rec.DFI(53) = n;
    for (int32_t k = 1; k <= n; ++k) {
        rec.G51(k) = NHPROF.HTAB(k);
        rec.G52(k) = NHPROF.FNTAB(k);
    }
}

}  // namespace

void PREF4QVS(char conv, char* ts, int16_t IYR4, int16_t IDAY, int16_t MONTH, int16_t MDAY, int16_t IHR,
              int16_t MINU, int16_t ISEC) {
    for (int i = 77; i >= 20; --i) ts[i - 1] = ts[i - 20];
    ts[0] = conv == 'Y' ? 'F' : 'A';
    ts[1] = conv == 'Y' ? 'E' : 'A';
    put_digits(ts, 3, IYR4, 4);
    put_digits(ts, 7, IDAY, 3);
    put_digits(ts, 10, MONTH, 2);
    put_digits(ts, 12, MDAY, 2);
    put_digits(ts, 14, IHR, 2);
    put_digits(ts, 16, MINU, 2);
    put_digits(ts, 18, ISEC, 2);
}

void stamp_text(char* line, const char* version) {
    const char* ver = version + 4;  // characters 5-8
    for (int i = 1; i <= 114; ++i) {
        if (line[i - 1] == 'Q' && line[i] == 'Z' && line[i + 1] == ' ' && line[i + 3] == '.') {
            std::memcpy(line + i + 2, ver, 4);
            return;
        }
    }
    int p = SAO_TEXT;
    if (line[p - 1] != ' ') {
        p = 0;
    } else {
        while (p > 1 && line[p - 2] == ' ') --p;
    }
    if (p > 1) {
        // ", QZ 4.30" is 9 columns; a long text loses its last columns rather
        // than the stamp running past column 120.
        if (p + 8 > SAO_TEXT) p = SAO_TEXT - 8;
        std::memcpy(line + p - 1, ", QZ ", 5);
        std::memcpy(line + p + 4, ver, 4);
    } else {
        std::memcpy(line, "QZ ", 3);
        std::memcpy(line + 3, ver, 4);
    }
}

void results_to_record(SaoRecord& rec, char conv) {
    char* ts = rec.G3.data();
    const bool kept = (ts[0] == 'F' && ts[1] == 'F') || (ts[0] == 'F' && ts[1] == 'E') ||
                      (ts[0] == 'A' && ts[1] == 'A');
    if (!kept) {
        rec.DFI(3) = 77;
        const TimebkBlock& t = TIMEBK;
        PREF4QVS(conv, ts, t.IYR4, t.IDAY, t.MONTH, t.MDAY, t.IHR, t.MINU, t.ISEC);
    }
    rec.G1(5) = float(OPTS.ISSN);
    characteristics(rec);
    coefficient_groups(rec);
    e_profile(rec);
    qp_segments(rec);
    edit_flags(rec);

    rec.DFI(42) = 0;
    if (SCALE2.IQUALE(iquale::STATUS) == status::PROFILE_OBTAINED) {
        rec.DFI(42) = 2;
        rec.G42(1) = LAYCTL.WOUT;
        rec.G42(2) = LAYCTL.DOUT;
    }

    nh_table(rec);
    for (int i = 1; i <= NFLAGS; ++i) rec.G5(i) = SCALE2.IQUALE(i);

    if (rec.DFI(2) <= 0) {
        // A record without text gets a blank line for the stamp (line 1 may
        // still hold a line the reader skipped in front of the index).
        rec.DFI(2) = 1;
        std::memset(rec.G2L1.data(), ' ', SAO_TEXT);
    }
    stamp_text(rec.G2L1.data(), SAOHDR.VERSION);
    // Code 5 takes every height as a real; codes 0 and 1 read some as integers only.
    if (rec.DFI(80) < 2) sao_heights_to_reals(rec);
    rec.DFI(80) = 5;
}

}  // namespace kolm

// Decoding of an SAO record into the shared working data.
#include "run/record_decode.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"

namespace kolm {

DecodeWork DECWRK;

namespace {

const RunStateReset reset_decode([] { DECWRK = DecodeWork{}; });

// d(i) of the time stamp: the digit value of column i (1-based).
int32_t d(const char* ts, int32_t i) { return CHAR_NUM(ts[i - 1]); }

int32_t digits2(const char* ts, int32_t i) { return 10 * d(ts, i) + d(ts, i + 1); }
int32_t digits3(const char* ts, int32_t i) { return 100 * d(ts, i) + 10 * d(ts, i + 1) + d(ts, i + 2); }

// Height of trace point i: the real copy at codes 2 and above, else the integer.
float height(const float* reals, const int32_t* ints, bool real_copy, int32_t i) {
    return real_copy ? reals[i - 1] : float(ints[i - 1]);
}

// Frequency index of f when lo < f < hi, else 9999.
int16_t freq_index(float f, float hi) {
    if (f > 0.0f && f < hi) return sat_i16(grid_index(f, SCLCHR.FQINCR));
    return NOPOINT;
}

}  // namespace

int16_t CHAR_NUM(char c) { return int16_t(int(static_cast<unsigned char>(c)) - 48); }

void reset_traces() {
    TRCRAW.ITRCF.fill(NOPOINT);
    TRCRAW.TRACEL.fill(NOHEIGHT);
    TRCWRK.TF.fill(0.0f);
    TRCWRK.TH.fill(0.0f);
    DECWRK.HLOW(1) = NOHEIGHT;
    DECWRK.HLOW(2) = NOHEIGHT;
    SCALE2.IQUALE(iquale::STATUS) = status::NO_INVERSION;
}

bool decode_time_stamp(int32_t dfi3, const char* ts) {
    DecodeWork& w = DECWRK;
    w.TSLAY = 0;
    if (dfi3 < 77) {
        w.TSLAY = 1;
        w.TSOFF = 0;
    } else if (ts[0] == 'F' && ts[1] == 'F') {
        w.TSLAY = 2;
    } else if ((ts[0] == 'F' && ts[1] == 'E') || (ts[0] == 'A' && ts[1] == 'A')) {
        w.TSLAY = 3;
        w.TSOFF = 19;
    }
    if (w.TSLAY == 0) return false;

    TimebkBlock& t = TIMEBK;
    if (w.TSLAY == 2) {
        PLOTWN.P(plotwn::STATION) = digits3(ts, 20);
        t.IYR = int16_t(digits2(ts, 5));
        t.IDAY = int16_t(digits3(ts, 7));
        t.IHR = int16_t(digits2(ts, 14));
        t.MINU = int16_t(digits2(ts, 16));
        t.ISEC = int16_t(digits2(ts, 18));
    } else {
        const int32_t o = w.TSOFF;
        PLOTWN.P(plotwn::STATION) = digits3(ts, o + 41);
        t.IYR = int16_t(digits2(ts, o + 1));
        t.IDAY = int16_t(digits3(ts, o + 3));
        t.IHR = int16_t(digits2(ts, o + 6));
        t.MINU = int16_t(digits2(ts, o + 8));
        t.ISEC = int16_t(digits2(ts, o + 10));
    }
    return t.IDAY >= 1 && t.IDAY <= 366 && t.IHR >= 0 && t.IHR <= 23 && t.MINU >= 0 && t.MINU <= 59 &&
           t.ISEC >= 0 && t.ISEC <= 59;
}

bool decode_steps(const char* ts) {
    SclchrBlock& s = SCLCHR;
    s.FQINCR = 0.0f;
    s.HGRID = 0.0f;
    s.BASEHT = UNDEFINED_BASE;
    if (DECWRK.TSLAY == 2) {
        float f = float(d(ts, 33)) + 0.1f * float(d(ts, 34));
        f = f + 0.01f * float(d(ts, 35));
        s.FQINCR = f + 0.001f * float(d(ts, 36));
        switch (ts[59]) {
            case '2': s.HGRID = 2.5f; break;
            case '5': s.HGRID = 5.0f; break;
            case 'A': s.HGRID = 10.0f; break;
            default: break;
        }
        const int32_t start = 1000 * d(ts, 56) + 100 * d(ts, 57) + 10 * d(ts, 58) + d(ts, 59);
        s.BASEHT = float(start) - s.HGRID;
    } else {
        const int32_t o = DECWRK.TSOFF;
        switch (ts[o + 34]) {
            case '0': s.FQINCR = 0.2f; break;
            case '1': s.FQINCR = 0.1f; break;
            case '2': s.FQINCR = 0.05f; break;
            case '3': s.FQINCR = 0.025f; break;
            case '4': s.FQINCR = 0.01f; break;
            default: s.FQINCR = 0.005f; break;
        }
        switch (ts[o + 53]) {
            case '0': s.HGRID = 2.5f; break;
            case '1': s.HGRID = 5.0f; break;
            default: s.HGRID = 10.0f; break;
        }
        switch (ts[o + 54]) {
            case '0': s.BASEHT = 0.0f; break;
            case '1': s.BASEHT = 10.0f - s.HGRID; break;
            case '2': s.BASEHT = 60.0f - s.HGRID; break;
            case '3': s.BASEHT = 160.0f - s.HGRID; break;
            default: break;
        }
    }
    // A step of 0 or below (non-digits in the layout-2 columns) is as unusable as 0.
    return s.FQINCR > 0.0f && s.HGRID > 0.0f && s.BASEHT != UNDEFINED_BASE;
}

void decode_characteristics(const SaoRecord& rec) {
    const auto& SC = rec.G4;
    SclchrBlock& s = SCLCHR;
    Scale2Block& e = SCALE2;
    s.FOF2 = SC(1);
    s.FOF1 = SC(2);
    if (s.FOF1 > 999.0f) s.FOF1 = NOHEIGHT;
    s.CHR3 = SC(3);
    e.CHR6 = SC(6);
    s.FMINF = SC(7);
    e.FMINE = SC(8);
    e.FOE = SC(9);
    s.CHR10 = SC(10);
    s.CHR11 = SC(11);
    s.CHR12 = SC(12);
    e.CHR13 = SC(13);
    e.CHR14 = SC(14);
    LAYCOF.ZME = SC(15);
    e.HME = SC(15);
    YLAYER.YE = SC(16);
    s.CHR17 = SC(17);
    e.CHR18 = SC(18);
    e.CHR21 = SC(21);
    s.CHR25 = SC(25);
    DERPAR.FOEP = SC(28);
    SAOHDR.REALIN(realin::FOEP) = SC(28);
    DERPAR.FOF1P = SC(31);
    SAOHDR.REALIN(realin::FOF1P) = SC(31);
    if (rec.DFI(4) > 31) {
        LAYCOF.ZMF2 = SC(32);
        LAYCOF.ZMF1 = SC(33);
        LAYCOF.ZHALF = SC(34);
        DERPAR.FOF2P = SC(35);
        YLAYER.YF2 = SC(37);
        YLAYER.YF1 = SC(38);
        DERPAR.ITEC = SC(39);
        DERPAR.SHF = SC(40);
        IRIPAR.B0() = SC(41);
        IRIPAR.B1() = SC(42);
        IRIPAR.D1() = SC(43);
    }
}

void decode_station(const SaoRecord& rec) {
    const auto& G1 = rec.G1;
    SCLCHR.FH2 = 0.5f * G1(1);
    FLDPAR.DIP = G1(2) * DTOR;
    FLDPAR.FOESQ = G1(3);
    FLDPAR.FMAXSQ = G1(4);
    SAOHDR.REALIN(realin::LAT) = G1(3);
    SAOHDR.REALIN(realin::LON) = G1(4);
    FLDPAR.SSNREC = G1(5);
    OPTS.ISSN = sat_i16(trunc_i32(G1(5)));
    SAOHDR.REALIN(realin::FOEP) = DERPAR.FOEP;
    SAOHDR.REALIN(realin::FOF1P) = DERPAR.FOF1P;
}

void decode_trace(float fc, int32_t n, const float* reals, const int32_t* ints, bool real_copy, int col,
                  int hlow) {
    const float step = SCLCHR.FQINCR;
    const float base = SCLCHR.BASEHT;
    const float hgrid = SCLCHR.HGRID;
    const float ftop = float(grid_index(fc, step)) * step;
    DECWRK.FTOP = ftop;
    for (int32_t i = n; i >= 1; --i) {
        const float f = ftop - float(n - i) * step;
        const int32_t k = trunc_i32(f / step + 0.001f);
        if (k < 1 || k > MAXTRC) continue;  // row outside the trace arrays: point dropped
        const float h = height(reals, ints, real_copy, i);
        TRCRAW.TRACEL(k, col) = h;
        TRCRAW.ITRCF(k, col) = sat_i16(grid_index(h - base, hgrid));
        if (hlow != 0 && DECWRK.HLOW(hlow) > h) {
            DECWRK.HLOW(hlow) = h;
            SCLCHR.MINHF(hlow) = int16_t(k);
        }
    }
}

std::string unwritable_value(const SaoRecord& rec) {
    SaoItem bad;
    if (!sao_unwritable_item(rec, bad)) return {};
    char value[32];
    std::snprintf(value, sizeof value, "%.7G", bad.value);
    return "VALUE " + std::string(value) + " OF GROUP " + std::to_string(bad.group) + " ITEM " +
           std::to_string(bad.item) + " DOES NOT FIT ITS FIELD";
}

bool decode_record(const SaoRecord& rec) {
    const char* ts = rec.G3.data();
    DecodeWork& w = DECWRK;
    w.FAULT = DecodeFault::none;
    if (!decode_time_stamp(rec.DFI(3), ts)) {
        w.FAULT = w.TSLAY == 0 ? DecodeFault::layout : DecodeFault::date_time;
        return false;
    }
    decode_characteristics(rec);
    decode_station(rec);
    if (!decode_steps(ts)) {
        w.FAULT = DecodeFault::steps;
        return false;
    }

    // Counts beyond the group capacities never reach the trace loops.
    w.NE = int16_t(clamp_count(rec.DFI(17), MAXEPTS));
    w.NF = int16_t(clamp_count(rec.DFI(7), MAXF2PTS));
    w.NF1 = int16_t(clamp_count(rec.DFI(12), MAXF1PTS));
    SCALE2.IQUALE(iquale::GROUP5_ITEM10) = sat_i16(rec.G5(10));
    SCALE2.IQUALE(iquale::F1_SCALED) = SCLCHR.FOF1 < NO_F1_FOF1 ? 1 : 0;

    const bool real_copy = rec.DFI(80) >= 2;
    if (w.NF > 0) {
        if (SCLCHR.FOF2 > 99.0f) {
            w.FAULT = DecodeFault::fof2;
            return false;
        }
        decode_trace(SCLCHR.FOF2, w.NF, rec.R7.data(), rec.G7.data(), real_copy, 2,
                     SCALE2.IQUALE(iquale::F1_SCALED) == 0 ? 1 : 2);
    }
    if (w.NF1 > 0) decode_trace(SCLCHR.FOF1, w.NF1, rec.R12.data(), rec.G12.data(), real_copy, 2, 1);
    SCALE2.IQUALE(iquale::ETOP) = etop::PREDICTED;
    if (w.NE > 0) {
        SCALE2.IQUALE(iquale::ETOP) = etop::TRACE;
        decode_trace(SCALE2.FOE, w.NE, rec.R17.data(), rec.G17.data(), real_copy, 3, 0);
    }

    SCALE2.HME = rec.G4(15);
    YLAYER.YE = rec.G4(16);

    EBLOCK.EF.fill(0.0f);
    EBLOCK.EH.fill(0.0f);
    const int32_t neb = rec.DFI(47);
    if (neb > 0 && neb == rec.DFI(50)) {
        const int32_t m = clamp_count(neb, MAXEPTS);
        for (int32_t k = 1; k <= m; ++k) {
            EBLOCK.EF(k) = rec.G50(k);
            EBLOCK.EH(k) = rec.G47(k);
        }
    }

    SCALE2.IFOE = freq_index(SCALE2.FOE, 10.0f);
    SCALE2.MINFE = freq_index(SCALE2.FMINE, 10.0f);
    SCLCHR.IFOM = freq_index(SCLCHR.FOF2, 50.0f);
    SCLCHR.IFOF1 = freq_index(SCLCHR.FOF1, 50.0f);
    SCLCHR.MINFF = freq_index(SCLCHR.FMINF, 50.0f);

    SCLCHR.DIP = FLDPAR.DIP;
    return true;
}

}  // namespace kolm

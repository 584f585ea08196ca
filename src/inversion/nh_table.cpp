// N(h) table.
//
// Grid heights run from 0 km in steps of HSTEP, each step taken to 0.001 km;
// every row is a grid height or a section boundary (a peak, a valley part).
// Each tabulator stops adding rows when the table holds 999.
#include "inversion/nh_table.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltartrueh.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

// Bounds that keep every walk finite: grid steps per tabulator call (4000 km
// at the smallest step) and halvings per bisection (far beyond the 1e-5 MHz
// bracket of any section).
constexpr long MAX_GRID_STEPS = 4000000;
constexpr int MAX_HALVINGS = 200;
constexpr float MIN_STEP = 0.001f;

// The height grid from 0 km, walked upward one step at a time.
class Grid {
public:
    explicit Grid(float step) : step_(step) {}
    // Next grid height, or +infinity once the walk is exhausted.
    float next() {
        if (++steps_ > MAX_GRID_STEPS) return INFINITY;
        const float h = round_to(h_ + step_, 1000.0f);
        if (!(h > h_)) return INFINITY;
        h_ = h;
        return h_;
    }
    // First grid height strictly above x.
    float above(float x) {
        float h = next();
        while (h <= x) h = next();
        return h;
    }

private:
    float step_;
    float h_ = 0.0f;
    long steps_ = 0;
};

// Bisection of a row's plasma frequency on the bracket (a, b): midpoints
// fm = (a + b)/2 until done(h, a, b) for h = height(fm), with b := fm when
// to_a(h) and a := fm otherwise; the last midpoint after at most `halvings`
// (a when none). Each round takes two halvings: the midpoint and both
// quarter points, one of which is the next midpoint, are evaluated
// independently of each other before either is tested, so the curve
// evaluations do not wait one on the other. The midpoints, and so the
// result, are those of one halving at a time.
template <class Height, class Done, class ToA>
float bisect(float a, float b, int halvings, Height height, Done done, ToA to_a) {
    float fm = a;
    for (int it = 0; it < halvings;) {
        fm = 0.5f * (a + b);
        const float qa = 0.5f * (a + fm), qb = 0.5f * (fm + b);
        const float h = height(fm), ha = height(qa), hb = height(qb);
        ++it;
        if (done(h, a, b)) break;
        const bool lower = to_a(h);
        if (lower)
            b = fm;
        else
            a = fm;
        if (it == halvings) break;
        fm = lower ? qa : qb;
        const float h2 = lower ? ha : hb;
        ++it;
        if (done(h2, a, b)) break;
        if (to_a(h2))
            b = fm;
        else
            a = fm;
    }
    return fm;
}

void append(int16_t& NPTH, NhColumn& FN, NhColumn& HT, float f, float h) {
    ++NPTH;
    FN(NPTH) = f;
    HT(NPTH) = h;
}

}  // namespace

void TABLYR(float HSTEP, float FA, float FB, float HB, const float* A, int16_t& NPTH, NhColumn& FN,
            NhColumn& HT) {
    if (FA * FB <= 0.0f) return;
    if (FA == 0.2f) {
        NPTH = 0;
        append(NPTH, FN, HT, FA, HB + A[0] + A[1] + A[2] + A[3] + A[4]);
    } else if (NPTH <= 0) {
        // A section needs a row below it to start from: its own start.
        if (FA == FB) return;
        NPTH = 0;
        append(NPTH, FN, HT, FA, HB + section_curve(A, 5, 1.0f));
    }
    // A section of no width is its peak alone.
    const bool point_section = FA == FB;

    const SectionRange range(FA, FB);
    Grid grid(HSTEP);
    float H = grid.next();
    for (;;) {
        const float last = HT(NPTH);
        while (H <= last || H - last < 0.0001f) H = grid.next();
        if (NPTH >= MAXNH || std::isinf(H)) return;
        if (H > HB - 0.0005f || point_section) {
            append(NPTH, FN, HT, FB, HB);
            return;
        }
        // Upper end of the bracket := fm when H < h(fm), else the lower end.
        const float fm = bisect(
            FN(NPTH), FB, MAX_HALVINGS, [&](float f) { return HB + section_curve(A, 5, range.coordinate(f)); },
            [H](float h, float lo, float hi) { return std::fabs(h - H) < 0.0001f || hi - lo <= 1.0e-5f; },
            [H](float h) { return H < h; });
        append(NPTH, FN, HT, fm, H);
    }
}

void TABVAL(float HSTEP, float W, float D, float FA, float FB, float& HB, const float* AE, int16_t& NPTH,
            NhColumn& FN, NhColumn& HT) {
    if (FA * FB == 0.0f || D * W == 0.0f) return;
    float fv = FB - D;
    if (fv < 0.2f) fv = 0.2f;
    const float H1 = round_to(HB + W / 3.0f, 1000.0f);
    const float H2 = round_to(HB + 2.0f * W / 3.0f, 1000.0f);
    const float H3 = round_to(HB + W, 1000.0f);
    HB = round_to(HB, 1000.0f);
    const float third = W / 3.0f;

    // The falling part mirrors the E shape re-expressed on fv..FB, scaled to
    // span W/3; coefficients summing to zero give the plain sqrt(X) shape.
    float ap[3];
    CONTPRFL(3, FA, FB, AE, fv, ap);
    float av[3];
    const float sum = ap[0] + ap[1] + ap[2];
    for (int i = 0; i < 3; ++i) av[i] = ap[i] * third / (-sum);
    if (sum == 0.0f || !std::isfinite(av[0] + av[1] + av[2])) {
        av[0] = -third;
        av[1] = av[2] = 0.0f;
    }

    const SectionRange range(fv, FB);
    Grid grid(HSTEP);
    float H = grid.above(HB);
    // Falling part.
    for (; H < H1; H = grid.next()) {
        if (NPTH >= MAXNH) return;
        // From the last row's frequency (ef) toward the floor (ev): the ef
        // end := fm when h(fm) <= H, else the ev end.
        const float fm = bisect(
            NPTH > 0 ? FN(NPTH) : FB, fv, fv != FB ? MAX_HALVINGS : 0,
            [&](float f) { return HB - section_curve(av, 3, range.coordinate(f)); },
            [H](float h, float ef, float ev) { return std::fabs(h - H) < 0.0001f || std::fabs(ef - ev) <= 1.0e-5f; },
            [H](float h) { return !(h <= H); });
        append(NPTH, FN, HT, fm, H);
    }
    if (NPTH >= MAXNH) return;
    append(NPTH, FN, HT, fv, H1);
    // Floor.
    for (; H <= H1; H = grid.next()) {
    }
    for (; H < H2; H = grid.next()) {
        if (NPTH >= MAXNH) return;
        append(NPTH, FN, HT, fv, H);
    }
    if (NPTH >= MAXNH) return;
    append(NPTH, FN, HT, fv, H2);
    // Rising part, linear in height.
    for (; H <= H2; H = grid.next()) {
    }
    for (; H < H3; H = grid.next()) {
        if (NPTH >= MAXNH) return;
        append(NPTH, FN, HT, fv + (FB - fv) * (H - HB - 2.0f * W / 3.0f) / third, H);
    }
    if (NPTH >= MAXNH) return;
    append(NPTH, FN, HT, FB, H3);
}

void TABTOP(float HSTEP, float FB, float HB, float SH, int16_t& NPTH, NhColumn& FN, NhColumn& HT) {
    // A scale height not computed (9999.0) is none: it would stretch the
    // topside into a plateau at foF2 up to 1000 km.
    const float sh = 1.6f * SH;
    if (!(sh > 0.0f) || SH >= NOTCOMPUTED) return;
    Grid grid(HSTEP);
    for (float H = grid.above(HB); H <= 1000.0f; H = grid.next()) {
        const float z = (H - HB) / sh;
        const float fn = FB * std::exp(0.5f * (1.0f - z - std::exp(-z)));
        if (fn < 0.2f || NPTH >= MAXNH) return;
        append(NPTH, FN, HT, fn, H);
    }
}

void NHTABLE(int32_t MODE) {
    float step = MODE == 0 ? 1.0f : NHPROF.HSTEP;
    if (step == 0.0f) {
        NHPROF.NPTH = 0;
        return;
    }
    if (!(step >= MIN_STEP)) step = MIN_STEP;

    // With a 1 km step the table of the F2 stage is already complete below the peak.
    if (!(MODE == 1 && step == 1.0f)) {
        NHPROF.NPTH = 0;
        if (MODE == 1) {
            NHPROF.FNTAB.fill(0.0f);
            NHPROF.HTAB.fill(0.0f);
        }
        auto& A = LAYCOF.A;
        A.fill(0.0f);
        for (int i = 1; i <= 3; ++i) A(i) = LAYCOF.AE(i);
        TABLYR(step, LAYCOF.FC(1), LAYCOF.FC(2), LAYCOF.ZME, A.data(), NHPROF.NPTH, NHPROF.FNTAB, NHPROF.HTAB);
        TABVAL(step, LAYCTL.W, LAYCTL.D, LAYCOF.FC(1), LAYCOF.FC(2), LAYCOF.ZME, LAYCOF.AE.data(), NHPROF.NPTH,
               NHPROF.FNTAB, NHPROF.HTAB);
        if (SCALE2.IQUALE(iquale::F1_SCALED) != 0) {
            for (int i = 1; i <= 5; ++i) A(i) = LAYCOF.AF1(i);
            TABLYR(step, LAYCOF.FC(2), LAYCOF.FC(3), LAYCOF.ZMF1, A.data(), NHPROF.NPTH, NHPROF.FNTAB,
                   NHPROF.HTAB);
        }
        for (int i = 1; i <= 5; ++i) A(i) = LAYCOF.AF2(i);
        TABLYR(step, LAYCOF.FC(3), LAYCOF.FC(4), LAYCOF.ZMF2, A.data(), NHPROF.NPTH, NHPROF.FNTAB, NHPROF.HTAB);
    }
    if (MODE > 0) TABTOP(step, LAYCOF.FC(4), LAYCOF.ZMF2, DERPAR.SHF, NHPROF.NPTH, NHPROF.FNTAB, NHPROF.HTAB);
}

}  // namespace kolm

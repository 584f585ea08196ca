// WRITSAO: one SAO record from a SaoRecord to a unit.
#include <algorithm>

#include "blocks/numeric.h"
#include "notation/rows.h"
#include "sao/sao_record.h"

namespace kolm {

namespace {

using fmt::IoStat;
using fmt::OutItem;

// Electron density in cm^-3 of a plasma frequency in MHz.
inline float density(float fp) { return 12380.0f * fp * fp; }

// One group statement of n values.
template <class T>
IoStat write_values(SaoEngine engine, int32_t unit, const fmt::Format& f, const T* src, int32_t n) {
    if (engine == SaoEngine::rows) return fmt::write_row(unit, f, src, n);
    return fmt::write(unit, f, {OutItem(src, n)});
}

// n texts of len characters.
IoStat write_texts(SaoEngine engine, int32_t unit, const fmt::Format& f, const char* src, int32_t len, int32_t n) {
    if (engine == SaoEngine::rows) return fmt::write_row_texts(unit, f, src, len, n);
    return fmt::write(unit, f, {OutItem::texts(src, n, len)});
}

}  // namespace

void sao_heights_to_reals(SaoRecord& rec) {
    for (int g = 1; g <= SAO_NGROUPS; ++g) {
        const SaoGroup& row = SAO_GROUPS[g];
        if (row.kind != SaoKind::H || row.both_heights || row.slot_out == 0) continue;
        const SaoGroupData a = row.arrays(rec);
        const int32_t n = clamp_count(rec.DFI(g), std::min(row.cap_read, row.cap_real));
        for (int32_t i = 0; i < n; ++i) a.reals[i] = float(a.ints[i]);
    }
}

bool sao_unwritable_item(const SaoRecord& rec, SaoItem& bad) {
    SaoRecord& r = const_cast<SaoRecord&>(rec);  // the group table's accessors; nothing is changed
    for (int g = 1; g <= SAO_NGROUPS; ++g) {
        const SaoGroup& row = SAO_GROUPS[g];
        if (row.slot_out == 0 || (row.kind != SaoKind::R && row.kind != SaoKind::H && row.kind != SaoKind::D))
            continue;
        if (row.companion_of != 0 && rec.DFI(row.companion_of) <= 0) continue;  // not written
        const SaoGroupData a = row.arrays(r);
        const bool dbl = row.kind == SaoKind::D;
        if (dbl ? a.dbls == nullptr : a.reals == nullptr) continue;  // derived on writing
        const fmt::Format& f = sao_slot_format(row.slot_out, 5, true);
        const int32_t n = clamp_count(rec.DFI(g), row.cap_write);
        for (int32_t i = 0; i < n; ++i) {
            const double v = dbl ? a.dbls[i] : double(a.reals[i]);
            if (fmt::shows(f, v, !dbl)) continue;
            bad = {int16_t(g), i + 1, v};
            return true;
        }
    }
    return false;
}

IoStat WRITSAO(int32_t unit, SaoRecord& rec) { return write_sao(unit, rec, SaoEngine::rows); }

IoStat write_sao(int32_t unit, SaoRecord& rec, SaoEngine engine) {
    const int32_t code = rec.DFI(80);
    const int32_t col = code == 0 || code == 1 ? code : 2;

    // True heights are never written.
    for (int g : {8, 13, 18}) rec.DFI(g) = 0;
    rec.G8(1) = rec.G13(1) = rec.G18(1) = 0;
    rec.R8(1) = rec.R13(1) = rec.R18(1) = 0.0f;

    // The index as written: counts capped at the writer's capacities (group
    // 2 counts lines: 2 gives two, any other positive value one), and no
    // group 40 at codes 0 and 1, where it is not written.
    FArray<int32_t, SAO_NDFI> idx = rec.DFI;
    for (int g = 1; g <= SAO_NGROUPS; ++g)
        if (g != 2) idx(g) = std::min(idx(g), int32_t(SAO_GROUPS[g].cap_write));
    if (col < 2) idx(40) = 0;

    IoStat st = write_values(engine, unit, sao_index_format(), idx.data(), SAO_NDFI);
    float derived[MAXNH];  // groups 53 and 60: every point of the N(h) table
    for (int g = 1; g <= SAO_NGROUPS && st == IoStat::ok; ++g) {
        const int32_t n = idx(g);
        const SaoGroup& row = SAO_GROUPS[g];
        const SaoGroupData a = row.arrays(rec);
        const int32_t fcode = row.fixed_v2 ? 2 : code;

        if (row.companion_of != 0) continue;  // written with their lead group
        if (g < SAO_NGROUPS && SAO_GROUPS[g + 1].companion_of == g) {
            // The reader takes the two companions with their own counts
            // whenever the lead group is present, a count of 0 as one line.
            // The second companion holds the densities of the first one's
            // plasma frequencies.
            if (n <= 0) continue;
            const SaoGroup& second = SAO_GROUPS[g + 1];
            const SaoGroup& third = SAO_GROUPS[g + 2];
            const float* fp = second.arrays(rec).reals;
            const int32_t n2 = std::max(idx(g + 1), 0), n3 = std::max(idx(g + 2), 0);
            for (int32_t i = 0; i < n3; ++i) derived[i] = density(fp[i]);
            st = write_values(engine, unit, sao_slot_format(row.slot_out, fcode, true), a.reals, n);
            if (st == IoStat::ok) st = write_values(engine, unit, sao_slot_format(second.slot_out, fcode, true), fp, n2);
            if (st == IoStat::ok)
                st = write_values(engine, unit, sao_slot_format(third.slot_out, fcode, true), derived, n3);
            continue;
        }
        if (n <= 0 || row.slot_out == 0) continue;
        if (g == 2) {
            const fmt::Format& f = sao_slot_format(3, 2, true);
            st = write_texts(engine, unit, f, rec.G2L1.data(), SAO_TEXT, 1);
            if (st == IoStat::ok && n == 2) st = write_texts(engine, unit, f, rec.G2L2.data(), SAO_TEXT, 1);
            continue;
        }
        const fmt::Format& f = sao_slot_format(row.slot_out, fcode, true);
        switch (row.kind) {
            case SaoKind::H:
                st = col >= 2 ? write_values(engine, unit, f, a.reals, n) : write_values(engine, unit, f, a.ints, n);
                break;
            case SaoKind::I: st = write_values(engine, unit, f, a.ints, n); break;
            case SaoKind::R: st = write_values(engine, unit, f, a.reals, n); break;
            case SaoKind::D: st = write_values(engine, unit, f, a.dbls, n); break;
            case SaoKind::A: st = write_texts(engine, unit, f, a.chars, 1, n); break;
            default: break;
        }
    }
    IoStat fl = platform::flush_unit(unit);
    return st != IoStat::ok ? st : fl;
}

}  // namespace kolm

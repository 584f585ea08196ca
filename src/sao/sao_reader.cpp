// READSAO: the next SAO record of a unit into a SaoRecord.
#include <cmath>

#include "blocks/numeric.h"
#include "blocks/run_state.h"
#include "notation/rows.h"
#include "sao/sao_record.h"

namespace kolm {

SaoReadState SAOREAD;
const RunStateReset reset_saoread([] { SAOREAD = SaoReadState{}; });

namespace {

using fmt::InItem;
using fmt::IoStat;
using fmt::ItemType;

// Reads one group statement of n values of the given type into dst (at most
// cap stored, the rest read and dropped; dst null drops all). Sets over
// when n exceeds cap.
template <class T>
IoStat read_values(SaoEngine engine, int32_t unit, const fmt::Format& f, T* dst, int32_t n, int32_t cap,
                   bool& over) {
    if (n < 0) n = 0;
    int32_t keep = dst ? std::min(n, cap) : 0;
    if (n > keep && dst) over = true;
    if (engine == SaoEngine::rows) return fmt::read_row(unit, f, dst, keep, n);
    constexpr ItemType type = std::is_same_v<T, int32_t> ? ItemType::i32
                              : std::is_same_v<T, float> ? ItemType::f32
                                                         : ItemType::f64;
    InItem items[2] = {InItem(dst, keep), InItem::skip(type, n - keep)};
    return fmt::read(unit, f, std::span<const InItem>(items, 2));
}

IoStat read_chars(SaoEngine engine, int32_t unit, const fmt::Format& f, char* dst, int32_t n, int32_t cap,
                  bool& over) {
    if (n < 0) n = 0;
    int32_t keep = std::min(n, cap);
    if (n > keep) over = true;
    if (engine == SaoEngine::rows) return fmt::read_row_texts(unit, f, dst, 1, keep, n);
    InItem items[2] = {InItem::chars(dst, keep), InItem::skip(ItemType::chars, n - keep, 1)};
    return fmt::read(unit, f, std::span<const InItem>(items, 2));
}

// One 120-character line of group 2.
IoStat read_text_line(SaoEngine engine, int32_t unit, char* dst) {
    const fmt::Format& f = sao_slot_format(3, 2, false);
    if (engine == SaoEngine::rows) return fmt::read_row_texts(unit, f, dst, SAO_TEXT, 1, 1);
    return fmt::read(unit, f, {InItem::text(dst, SAO_TEXT)});
}

IoStat read_index(SaoEngine engine, int32_t unit, SaoRecord& rec) {
    bool over = false;
    return read_values(engine, unit, sao_index_format(), rec.DFI.data(), SAO_NDFI, SAO_NDFI, over);
}

}  // namespace

void READSAO(int32_t& IEND, int32_t unit, SaoRecord& rec, int16_t& FOUND, int16_t& IERR) {
    read_sao(IEND, unit, rec, FOUND, IERR, SaoEngine::rows);
}

void read_sao(int32_t& IEND, int32_t unit, SaoRecord& rec, int16_t& FOUND, int16_t& IERR, SaoEngine engine) {
    IERR = 1;
    SaoReadState& why = SAOREAD;
    why = SaoReadState{SaoFault::end, 0, 0, 0};

    // The index; a line that does not read drops the line after it as text.
    for (;;) {
        IoStat st = read_index(engine, unit, rec);
        if (st == IoStat::ok) break;
        if (st == IoStat::end) {
            IEND = 1;
            return;
        }
        ++why.skipped;
        if (read_text_line(engine, unit, rec.G2L1.data()) != IoStat::ok) {
            IEND = 1;
            return;
        }
        ++why.skipped;
    }
    const int32_t code = rec.DFI(80);
    if (rec.DFI(1) < 1 || rec.DFI(1) > 16 || code < 0) {
        why.fault = code < 0 ? SaoFault::bad_code : SaoFault::bad_index;
        why.value = code < 0 ? code : rec.DFI(1);
        return;
    }
    IERR = 0;

    bool over = false;  // a count above a capacity: the record is read through, then rejected
    int32_t over_seen = 0;  // the first group above its capacity
    for (int g = 1; g <= SAO_NGROUPS; ++g) {
        const int32_t n = rec.DFI(g);
        const SaoGroup& row = SAO_GROUPS[g];
        const SaoGroupData a = row.arrays(rec);
        // Groups without a format of their own at codes 0 and 1 take the code-2
        // ones; 54 to 57 have their slots' formats of the record's code.
        const int32_t fcode = row.fixed_v2 ? 2 : code;
        IoStat st = IoStat::ok;

        if (row.companion_of != 0) continue;  // read with their lead group
        if (g < SAO_NGROUPS && SAO_GROUPS[g + 1].companion_of == g) {
            // The lead group and its two companions, each with its own count;
            // the derived densities of the second companion are dropped.
            if (n <= 0) continue;
            const SaoGroup& second = SAO_GROUPS[g + 1];
            const SaoGroup& third = SAO_GROUPS[g + 2];
            const int32_t n2 = rec.DFI(g + 1), n3 = rec.DFI(g + 2);
            st = read_values(engine, unit, sao_slot_format(row.slot_in, fcode, false), a.reals, n, row.cap_read, over);
            if (st == IoStat::ok)
                st = read_values(engine, unit, sao_slot_format(second.slot_in, fcode, false), second.arrays(rec).reals, n2,
                                 second.cap_read, over);
            if (st == IoStat::ok)
                st = read_values<float>(engine, unit, sao_slot_format(third.slot_in, fcode, false), nullptr, n3, 0, over);
        } else if (n <= 0) {
            continue;
        } else if (g == 2) {
            st = read_text_line(engine, unit, rec.G2L1.data());
            if (st == IoStat::ok && n == 2) st = read_text_line(engine, unit, rec.G2L2.data());
        } else if (g == 40) {
            if (code >= 2)
                st = read_values(engine, unit, sao_slot_format(12, code, false), a.dbls, n, row.cap_read, over);
            else
                st = read_values(engine, unit, sao_slot_format(9, code, false), a.reals, n, SAO_SHORT, over);
        } else {
            const fmt::Format& f = sao_slot_format(row.slot_in, fcode, false);
            switch (row.kind) {
                case SaoKind::H:
                    if (code >= 2) {
                        st = read_values(engine, unit, f, a.reals, n, row.cap_real, over);
                        if (row.both_heights) {
                            int32_t m = std::min(n, int32_t(row.cap_read));
                            for (int32_t i = 0; i < m; ++i) a.ints[i] = trunc_i32(a.reals[i]);
                        }
                    } else {
                        st = read_values(engine, unit, f, a.ints, n, row.cap_read, over);
                        if (row.both_heights) {
                            int32_t m = std::min(n, int32_t(row.cap_real));
                            for (int32_t i = 0; i < m; ++i) a.reals[i] = float(a.ints[i]);
                        }
                    }
                    break;
                case SaoKind::I: st = read_values(engine, unit, f, a.ints, n, row.cap_read, over); break;
                case SaoKind::R: st = read_values(engine, unit, f, a.reals, n, row.cap_read, over); break;
                case SaoKind::A: st = read_chars(engine, unit, f, a.chars, n, row.cap_read, over); break;
                default: break;
            }
        }
        if (!over_seen && over) over_seen = g;
        if (st == IoStat::end) {
            why = {SaoFault::truncated, g, 0, why.skipped};
            IEND = 1;
            return;
        }
        if (st != IoStat::ok) {
            why = {SaoFault::unreadable, g, 0, why.skipped};
            IERR = 1;
            return;
        }
    }
    if (over) {
        why = {SaoFault::over_capacity, over_seen, 0, why.skipped};
        IERR = 1;
        return;
    }
    why.fault = SaoFault::none;
    FOUND = 1;
    IEND = 0;
}

}  // namespace kolm

// WRTADEP: a converted record to the temporary SAO file, version code 0.
#include "conversion/wrtadep.h"

#include <algorithm>
#include <string_view>

namespace kolm {

namespace {
using fmt::IoStat;
using fmt::OutItem;

constexpr int LAST_GROUP = 42;  // nothing after group 42 is written

const fmt::Format& digit_format() {
    static const fmt::Format f("(120Z1)");
    return f;
}
}  // namespace

IoStat WRTADEP(int32_t unit, SaoRecord& rec, const FArray<int32_t, 60>& G3) {
    FArray<int32_t, SAO_NDFI> idx = rec.DFI;
    for (int g = 1; g <= SAO_NGROUPS; ++g)
        idx(g) = g > LAST_GROUP ? 0 : std::min(idx(g), int32_t(SAO_GROUPS[g].cap_temp));

    IoStat st = fmt::write(unit, sao_index_format(), {fmt::out(idx, SAO_NDFI)});
    for (int g = 1; g <= LAST_GROUP && st == IoStat::ok; ++g) {
        const int32_t n = idx(g);
        if (n <= 0) continue;
        if (g == 2) {
            st = fmt::write(unit, sao_slot_format(3, 0, true), {std::string_view(rec.G2L1.data(), SAO_TEXT)});
            continue;
        }
        if (g == 3) {
            st = fmt::write(unit, digit_format(), {OutItem(G3.data(), n)});
            continue;
        }
        const SaoGroup& row = SAO_GROUPS[g];
        const fmt::Format& f = sao_slot_format(row.slot_in, 0, true);
        const SaoGroupData a = sao_group_data(rec, g);
        switch (row.kind) {
            case SaoKind::H:
            case SaoKind::I: st = fmt::write(unit, f, {OutItem(a.ints, n)}); break;
            case SaoKind::R:
            case SaoKind::D: st = fmt::write(unit, f, {OutItem(a.reals, n)}); break;  // 40 from G42
            default: break;
        }
    }
    const IoStat fl = platform::flush_unit(unit);
    return st != IoStat::ok ? st : fl;
}

}  // namespace kolm

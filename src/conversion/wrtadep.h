// The temporary SAO writer of the conversion.
#pragma once

#include <cstdint>

#include "blocks/farray.h"
#include "notation/fixed_format.h"
#include "sao/sao_record.h"

namespace kolm {

// Writes one SAO record of version code 0 to the unit: the index, then
// groups 1 to 42 whose entries are above 0, under the code-0 formats, with
// group 2 as one line of line 1 whatever its entry, group 3 from the digit
// values G3 under "(120Z1)", and groups 40 and 42 both from the reals of
// G42. Counts are capped at the group table's temporary-writer capacities,
// and the index as written announces only what is written (entries 43 to
// 60 as 0). The record's numbers are written as they are: the caller keeps
// every value within its field. Returns ERR when a line could not be
// written. The record itself is not changed.
[[nodiscard]] fmt::IoStat WRTADEP(int32_t unit, SaoRecord& rec, const FArray<int32_t, 60>& G3);

}  // namespace kolm

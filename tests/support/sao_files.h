// Reading SAO records in tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sao/sao_record.h"

namespace kolm::testing {

// The first record of an SAO file, read as the run reads it on the given
// unit; a record that cannot be read fails the test.
inline std::unique_ptr<SaoRecord> read_first_record(const std::string& path, int32_t unit = 31) {
    auto rec = std::make_unique<SaoRecord>();
    platform::open_unit(unit, path, platform::UnitMode::read);
    int32_t iend = 0;
    int16_t found = 0, ierr = 0;
    READSAO(iend, unit, *rec, found, ierr);
    platform::close_unit(unit);
    EXPECT_EQ(iend, 0) << path;
    EXPECT_EQ(ierr, 0) << path;
    return rec;
}

using Records = std::vector<std::unique_ptr<SaoRecord>>;

// Every record of a file, read as the run reads them; failed records are not kept.
inline Records read_all(const std::string& path) {
    constexpr int32_t UNIT = 40;
    Records out;
    if (platform::open_unit(UNIT, path, platform::UnitMode::read) != 0) return out;
    int16_t found = 0, ierr = 0;
    for (;;) {
        auto r = std::make_unique<SaoRecord>();
        int32_t iend = 0;
        READSAO(iend, UNIT, *r, found, ierr);
        if (iend != 0) break;
        if (ierr == 0) out.push_back(std::move(r));
        if (ierr != 0 && found == 0) break;
    }
    platform::close_unit(UNIT);
    return out;
}

}  // namespace kolm::testing

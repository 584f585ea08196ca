// Reading SAO records in tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

}  // namespace kolm::testing

// Base of the tests that run the inversion: a fresh run in its own working
// directory holding the model files that the sunspot lookup and the
// predictions read, and the tables of the bottomside parameters and the
// electron content.
#pragma once

#include "model_tables.h"
#include "work_dir.h"

namespace kolm::testrec {

class InversionTest : public kolm::testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        copy_all_models();
        ASSERT_TRUE(testing::write_test_tables());
    }
};

}  // namespace kolm::testrec

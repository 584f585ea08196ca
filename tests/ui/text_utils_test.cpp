// Blank removal, upper-casing and the numeric box check as one table.
#include <gtest/gtest.h>

#include <string>

#include "ui/text_utils.h"

namespace {

using namespace kolm::ui;

TEST(TextUtils, CasesOfTheThreeRoutines) {
    enum Routine { del_space, upcase, str_num };
    struct Case {
        Routine routine;
        std::string in;
        std::string out;  // DEL_SPACE, UPCASE
        float value;      // STR_NUM
        int32_t kerr;
    };
    const Case cases[] = {
        {del_space, "data/MY DIR/A.SAO", "data/MYDIR/A.SAO ", 0, 0},
        {del_space, " a b\tc ", "ab\tc   ", 0, 0},  // only code 32 is a blank
        {del_space, "    ", "    ", 0, 0},
        {del_space, "", "", 0, 0},
        {upcase, "my file.sao", "MYFILE.SAO ", 0, 0},
        {upcase, "az{`@[AZ09-_", "AZ{`@[AZ09-_", 0, 0},
        {upcase, "   ", "   ", 0, 0},
        {str_num, "10.5", "", 10.5f, 0},
        {str_num, "1 0", "", 10.0f, 0},
        {str_num, ".5", "", 0.5f, 0},
        {str_num, "5.", "", 5.0f, 0},
        {str_num, " 0.0", "", 0.0f, 0},
        {str_num, "0 . 0 1", "", 0.01f, 0},
        {str_num, "007", "", 7.0f, 0},
        {str_num, "", "", 0.0f, 0},
        {str_num, std::string(256, ' '), "", 0.0f, 0},
        {str_num, "1.2.3", "", 0.0f, 1},
        {str_num, "-1", "", 0.0f, 1},
        {str_num, "1E3", "", 0.0f, 1},
        {str_num, "+5", "", 0.0f, 1},
        {str_num, "1,5", "", 0.0f, 1},
        {str_num, "..", "", 0.0f, 1},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        switch (c.routine) {
            case del_space:
                DEL_SPACE(s);
                EXPECT_EQ(s, c.out) << "DEL_SPACE '" << c.in << "'";
                break;
            case upcase:
                UPCASE(s);
                EXPECT_EQ(s, c.out) << "UPCASE '" << c.in << "'";
                break;
            case str_num: {
                float v = -1.0f;
                int32_t kerr = -1;
                STR_NUM(s, v, kerr);
                EXPECT_EQ(kerr, c.kerr) << "STR_NUM '" << c.in << "'";
                if (c.kerr == 0) {
                    EXPECT_FLOAT_EQ(v, c.value) << "STR_NUM '" << c.in << "'";
                }
                break;
            }
        }
    }
}

}  // namespace

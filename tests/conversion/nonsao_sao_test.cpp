// The conversion driver: STANDARD files into temporary SAO files, the
// user's conversion program and each way it can fail, the temporary names,
// and the records that cannot be converted. Inputs are never changed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "blocks/run_state.h"
#include "conversion/conversion_support.h"
#include "conversion/nonsao_sao.h"
#include "platform/files.h"
#include "support/run_fixture.h"
#include "support/work_dir.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
using kolm::testing::checksum;
using kolm::testing::read_all;
using kolm::testing::TempDir;

const std::string& RECORD1 = kolm::testing::STANDARD_RECORD;
const std::string RECORD2 = "2001 3 14 12 15 0\n2.8\n2.0 112\nEND\n4.0\n3.0 180\n4.0 210\nEND\n7.5\n4.5 230\n7.5 330\n";

class Conversion : public ::testing::Test {
protected:
    void SetUp() override { reset_run_state(); }
    void TearDown() override { platform::close_all_units(); }

    // NONSAO_SAO on the input; the console lines it wrote.
    std::string convert(const std::string& input, int32_t istd = 1, const std::string& prog = "") {
        inname = input;
        ::testing::internal::CaptureStderr();
        NONSAO_SAO(prog, inname, istd);
        return ::testing::internal::GetCapturedStderr();
    }
    // An executable script.
    void script(const std::string& path, const std::string& body, bool executable = true) const {
        wd.write(path, "#!/bin/sh\n" + body);
        fs::permissions(wd.at(path), executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    }
    // Names in the directory other than those given.
    std::vector<std::string> others(std::initializer_list<std::string> known) const {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(wd.path())) {
            const std::string rel = fs::relative(e.path(), wd.path()).string();
            if (std::find(known.begin(), known.end(), rel) == known.end()) out.push_back(rel);
        }
        return out;
    }

    TempDir wd;
    std::string inname;
};

TEST_F(Conversion, TwoStandardRecordsGiveTwoCode0Records) {
    wd.write("in.std", RECORD1 + RECORD2);
    const uint64_t sum = checksum(wd.at("in.std"));
    convert(wd.at("in.std"));
    ASSERT_EQ(inname, wd.at("in.std") + ".TMPSAO");
    EXPECT_EQ(checksum(wd.at("in.std")), sum) << "the input is kept as it was";
    const auto recs = read_all(inname);
    ASSERT_EQ(recs.size(), 2u);
    for (const auto& r : recs) {
        EXPECT_EQ(r->DFI(80), 0);
        EXPECT_EQ(r->DFI(1), 5);
        EXPECT_EQ(r->DFI(3), 55);
        EXPECT_EQ(r->DFI(4), 31);
        EXPECT_EQ(r->DFI(5), 20) << "room for the status code";
        EXPECT_EQ(std::string(r->G2L1.data(), 15), "STATION X  2001") << "the second record takes the first's header";
        EXPECT_FLOAT_EQ(r->G1(4), -105.0f) << "a longitude of -105 in seven columns";
    }
    // First record: E and F2, no F1; F2 from its first pair at 0.1 MHz.
    const SaoRecord& a = *recs[0];
    EXPECT_EQ(a.DFI(12), 0);
    EXPECT_EQ(a.DFI(16), 0);
    EXPECT_EQ(a.DFI(17), 11);
    EXPECT_EQ(a.DFI(7), 46);
    EXPECT_FLOAT_EQ(a.G4(1), 8.0f);
    EXPECT_FLOAT_EQ(a.G4(2), 999.9f);
    EXPECT_FLOAT_EQ(a.G4(7), 3.5f);
    EXPECT_FLOAT_EQ(a.G4(8), 2.0f);
    EXPECT_FLOAT_EQ(a.G4(9), 3.0f);
    EXPECT_FLOAT_EQ(a.G4(3), 9999.0f);
    EXPECT_FLOAT_EQ(a.G4(31), 999.9f);
    EXPECT_EQ(std::string(a.G3.data(), 11), "01073120000");
    // Second record: F2 starts just above foF1.
    const SaoRecord& b = *recs[1];
    EXPECT_FLOAT_EQ(b.G11(1), 4.1f);
    EXPECT_EQ(b.G7(1), 999);
    EXPECT_EQ(b.G7(5), 230);
    EXPECT_FLOAT_EQ(b.G4(7), 3.0f) << "the lowest F frequency is F1's";
}

TEST_F(Conversion, RecordsThatCannotBeConvertedAreDroppedWithAMessage) {
    const std::string e_over_f2 = "HDR\n45 10 1.2 60 100\n2001 3 14 12 0 0\n9.0\n2.0 110\nEND\n99\nEND\n8.0\n4.0 250\n";
    // Alone: no record at all, nothing left behind.
    wd.write("bad.std", e_over_f2);
    std::string out = convert(wd.at("bad.std"));
    EXPECT_EQ(inname, "");
    EXPECT_FALSE(wd.exists("bad.std.TMPSAO"));
    EXPECT_NE(out.find("RECORD 1 OF " + wd.at("bad.std") + " DROPPED: THE CRITICAL FREQUENCIES ARE NOT IN THE ORDER"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("NO RECORD OF"), std::string::npos);

    // Beside good ones, in a fresh run (no header read yet): each refused
    // record is named; the others are written.
    reset_run_state();
    std::string many_e = "2001 3 14 12 0 0\n4.0\n";
    for (int i = 0; i < 151; ++i) many_e += std::to_string(1.0 + 0.02 * i) + " 100\n";
    many_e += "END\n99\nEND\n8.0\n4.5 250\nEND\n";
    const std::string no_header = "2001 3 14 11 0 0\n99\nEND\n99\nEND\n8.0\n4.0 250\nEND\n";
    const std::string high = "2001 3 14 13 0 0\n99\nEND\n99\nEND\n8.0\n4.0 1250.4\n8.0 800\n";
    wd.write("mixed.std", no_header + RECORD1 + many_e + high);
    out = convert(wd.at("mixed.std"));
    const std::string p = wd.at("mixed.std");
    EXPECT_NE(out.find("RECORD 1 OF " + p + " DROPPED: NO HEADER LINE WITH THE STATION CONSTANTS"), std::string::npos)
        << out;
    EXPECT_NE(out.find("RECORD 3 OF " + p + " DROPPED: MORE THAN 150 PAIRS IN THE E BLOCK"), std::string::npos) << out;
    EXPECT_NE(out.find("RECORD 4 OF " + p + ": 1 HEIGHTS BEYOND 999 KM ARE WRITTEN AS 999"), std::string::npos) << out;
    const auto recs = read_all(inname);
    ASSERT_EQ(recs.size(), 2u);
    const SaoRecord& f2_only = *recs[1];
    EXPECT_EQ(f2_only.G7(1), 999);
    EXPECT_EQ(f2_only.G7(41), 800);
    for (int g : {12, 16, 17, 21}) EXPECT_EQ(f2_only.DFI(g), 0) << "group " << g;
    for (int i : {2, 8, 9}) EXPECT_FLOAT_EQ(f2_only.G4(i), 999.9f) << "characteristic " << i;
}

TEST_F(Conversion, BadDateEndsTheConversionAndKeepsWhatWasWritten) {
    wd.write("in.std", RECORD1 + "2001 3 0 12 0 0\n99\nEND\n99\nEND\n5.0\n4.0 250\n" + RECORD1);
    const std::string out = convert(wd.at("in.std"));
    EXPECT_NE(out.find("THE DATE 2001 3 0 12 0 0 OF RECORD 2"), std::string::npos) << out;
    EXPECT_EQ(read_all(inname).size(), 1u);
}

TEST_F(Conversion, ProgramInAFolderWithBlanksAndShellCharacters) {
    // The program logs its arguments and writes the STANDARD file; it ends
    // with status 3, which does not count.
    const std::string folder = "conv $(touch INJECTED) `touch INJECTED2`; dir";
    script(folder + "/to std.sh",
           "printf '%s\\n' \"$#\" \"$1\" \"$2\" > \"$(dirname \"$0\")/args.log\"\n"
           "printf '" + RECORD1 + "' > \"$2\"\nexit 3\n");
    const std::string input = "in put $(touch INJECTED3).dat";
    wd.write(input, "any format\n");
    const uint64_t sum = checksum(wd.at(input));
    const std::string out = convert(wd.at(input), 0, wd.at(folder + "/to std.sh"));
    ASSERT_EQ(inname, wd.at(input) + ".TMPSAO") << out;
    EXPECT_EQ(wd.read(folder + "/args.log"), "2\n" + wd.at(input) + "\n" + wd.at(input) + ".TMPSTD\n");
    EXPECT_NE(out.find("ENDED WITH EXIT STATUS 3"), std::string::npos) << out;
    EXPECT_EQ(read_all(inname).size(), 1u);
    platform::delete_file(inname);
    EXPECT_EQ(checksum(wd.at(input)), sum);
    // Nothing else ran, and the program's STANDARD file is gone.
    EXPECT_EQ(others({input, folder, folder + "/to std.sh", folder + "/args.log"}), std::vector<std::string>{});
}

TEST_F(Conversion, ProgramFailuresLeaveTheInputAndNoTemporaryFile) {
    struct Case {
        const char* name;
        const char* body;  // nullptr: no such program
        bool executable;
        std::string_view inname;
        const char* says;
    };
    const Case cases[] = {
        {"missing", nullptr, true, CONV_NOT_EXECUTABLE, "CANNOT BE STARTED (NOT FOUND)"},
        {"not executable", "exit 0\n", false, CONV_NOT_EXECUTABLE, "CANNOT BE STARTED (NOT EXECUTABLE)"},
        {"fails", "exit 1\n", true, CONV_BAD_PROGRAM, "WROTE NO"},
        {"writes an empty file", ": > \"$2\"\n", true, CONV_BAD_PROGRAM, "WROTE AN EMPTY"},
        {"killed", "kill -9 $$\n", true, CONV_BAD_PROGRAM, "WAS ENDED BY SIGNAL 9"},
    };
    wd.write("in.dat", "data\n");
    const uint64_t sum = checksum(wd.at("in.dat"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(wd.at("prog.sh"));
        if (c.body != nullptr) script("prog.sh", c.body, c.executable);
        const std::string out = convert(wd.at("in.dat"), 0, wd.at("prog.sh"));
        EXPECT_EQ(inname, c.inname);
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
        EXPECT_EQ(checksum(wd.at("in.dat")), sum);
        EXPECT_EQ(others({"in.dat", "prog.sh"}), std::vector<std::string>{});
    }
}

TEST_F(Conversion, TemporaryNamesThatAreTakenOrTooLongAreRefused) {
    wd.write("in.std", RECORD1);
    wd.write("in.std.TMPSAO", "the user's own file\n");
    std::string out = convert(wd.at("in.std"));
    EXPECT_EQ(inname, "");
    EXPECT_NE(out.find("in.std.TMPSAO EXISTS ALREADY"), std::string::npos) << out;
    EXPECT_EQ(wd.read("in.std.TMPSAO"), "the user's own file\n");

    // The program is not run when its STANDARD file's name is taken.
    fs::remove(wd.at("in.std.TMPSAO"));
    wd.write("in.std.TMPSTD", "kept\n");
    script("prog.sh", "echo ran > ran.log\n");
    out = convert(wd.at("in.std"), 0, wd.at("prog.sh"));
    EXPECT_EQ(inname, "");
    EXPECT_EQ(wd.read("in.std.TMPSTD"), "kept\n");
    EXPECT_FALSE(wd.exists("ran.log"));

    // A name that fits while the temporary one would not: never cut short.
    const std::string longname(250, 'L');
    wd.write(longname, RECORD1);
    const uint64_t sum = checksum(wd.at(longname));
    out = convert(wd.at(longname));
    EXPECT_EQ(inname, "");
    EXPECT_NE(out.find(".TMPSAO IS TOO LONG FOR THE SYSTEM"), std::string::npos) << out;
    EXPECT_EQ(checksum(wd.at(longname)), sum);
}

}  // namespace
}  // namespace kolm

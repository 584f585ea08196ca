// The file and program browsers on a temporary tree: the top level of
// roots, listings without hidden and special entries, the walk down, to a
// sibling and back up with "Going Back", a folder that cannot be listed,
// the all-files entry and its count, and the path each browser returns.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "blocks/run_state.h"
#include "platform/dialog.h"
#include "platform/headless.h"
#include "support/work_dir.h"
#include "ui/browsers.h"
#include "ui/resource.h"

namespace kolm::ui {
namespace {

namespace fs = std::filesystem;
namespace id = res::browse;
using kolm::testing::script;
using kolm::testing::TempDir;

std::vector<std::string> items(const platform::Dialog& dlg, int32_t cid) {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= dlg.item_count(cid); ++i) out.push_back(dlg.item(cid, i));
    return out;
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        platform::headless::reset();
        here = fs::current_path().string();
        wd.write("A.SAO", "a");
        wd.write("B.SAO", "bb");
        wd.write(".hidden", "h");
        wd.write(".hiddendir/X.SAO", "x");
        wd.write("M\xc3\xa4rz.SAO", "utf-8 name");
        wd.write("data/D1.SAO", "d");
        wd.write("data/sub1/S.SAO", "s");
        wd.write("data/sub2/deeper/T.SAO", "t");
        wd.write("data/only_dirs/inner/U.SAO", "u");
        ::mkfifo(wd.at("pipe").c_str(), 0600);
        fs::create_symlink(wd.at("nowhere"), wd.at("dangling"));
        fs::create_directory_symlink(wd.at("data"), wd.at("linked"));
    }
    void TearDown() override {
        EXPECT_EQ(platform::headless::failures(), 0);
        EXPECT_EQ(platform::headless::pending_events(), 0u);
    }
    // The input browser at its top level, driven directly.
    void open(int32_t tmpl = res::DLG_BROWSE_INPUT) {
        ASSERT_TRUE(res::load_dialog(dlg, tmpl));
        BROWSE.ROOTS = {"/", here};
        browse_start(dlg);
    }
    std::string line(int32_t cid) const { return dlg.item(cid, 1); }

    TempDir wd;
    std::string here;
    platform::Dialog dlg;
};

TEST_F(Browser, TopLevelListsTheRoots) {
    open();
    EXPECT_EQ(dlg.text(id::DIRECTORIES), BROWSE_TOP);
    EXPECT_EQ(items(dlg, id::DIRECTORIES), (std::vector<std::string>{"/", here}));
    EXPECT_EQ(line(id::CURRENT), BROWSE_TOP);
    EXPECT_EQ(line(id::SELECTED_PATH), "");
    EXPECT_EQ(line(id::ALL_FILES), "");
    EXPECT_EQ(dlg.item_count(id::FILES), 0);
    EXPECT_EQ(BROWSE.PATH, "");
}

TEST_F(Browser, ListingShowsPlainFilesAndFoldersOnly) {
    open();
    ASSERT_TRUE(dlg.user_select(id::DIRECTORIES, here));
    EXPECT_EQ(line(id::SELECTED_PATH), here + "/");
    EXPECT_EQ(line(id::CURRENT), here);
    EXPECT_EQ(line(id::ALL_FILES), BROWSE_ALL);
    // No dot names, no pipe, no link to nothing, no name beyond ASCII.
    EXPECT_EQ(items(dlg, id::FILES), (std::vector<std::string>{"A.SAO", "B.SAO"}));
    EXPECT_EQ(items(dlg, id::DIRECTORIES), (std::vector<std::string>{"data", "linked"}));
}

TEST_F(Browser, WalkDownToASiblingAndBackUp) {
    open();
    dlg.user_select(id::DIRECTORIES, here);
    dlg.user_select(id::DIRECTORIES, "data");
    EXPECT_EQ(BROWSE.PATH, here + "/data/");
    EXPECT_EQ(items(dlg, id::DIRECTORIES), (std::vector<std::string>{"only_dirs", "sub1", "sub2"}));
    // sub1 has no subfolders: the box keeps data's, and sub2 is taken as sub1's sibling.
    dlg.user_select(id::DIRECTORIES, "sub1");
    EXPECT_EQ(BROWSE.PATH, here + "/data/sub1/");
    EXPECT_EQ(items(dlg, id::FILES), (std::vector<std::string>{"S.SAO"}));
    EXPECT_EQ(items(dlg, id::DIRECTORIES), (std::vector<std::string>{"only_dirs", "sub1", "sub2"}));
    dlg.user_select(id::DIRECTORIES, "sub2");
    EXPECT_EQ(BROWSE.PATH, here + "/data/sub2/");
    // sub2 holds only a folder.
    EXPECT_EQ(line(id::ALL_FILES), BROWSE_NONE);
    EXPECT_EQ(dlg.item_count(id::FILES), 0);

    ASSERT_TRUE(dlg.user_check(id::GOING_BACK, true));
    EXPECT_EQ(BROWSE.PATH, here + "/data/");
    EXPECT_EQ(line(id::CURRENT), "data");
    EXPECT_EQ(line(id::SELECTED_PATH), here + "/data/");
    EXPECT_FALSE(dlg.checked(id::GOING_BACK)) << "the box is unticked again";
    // Up to "/", and from there to the top level.
    for (long i = std::count(here.begin(), here.end(), '/'); i >= 0; --i) dlg.user_check(id::GOING_BACK, true);
    EXPECT_EQ(BROWSE.PATH, "/");
    EXPECT_EQ(line(id::CURRENT), "/");
    dlg.user_check(id::GOING_BACK, true);
    EXPECT_EQ(BROWSE.PATH, "");
    EXPECT_EQ(dlg.text(id::DIRECTORIES), BROWSE_TOP);
    EXPECT_EQ(line(id::CURRENT), BROWSE_TOP);
    EXPECT_EQ(items(dlg, id::DIRECTORIES), (std::vector<std::string>{"/", here}));
}

TEST_F(Browser, FolderThatCannotBeListedGoesBackToTheTopWithMessage1) {
    open();
    dlg.user_select(id::DIRECTORIES, here);
    dlg.user_select(id::DIRECTORIES, "data");
    fs::remove_all(wd.at("data/sub2"));  // gone after it was listed
    script("expect 1\n");
    dlg.user_select(id::DIRECTORIES, "sub2");
    EXPECT_EQ(BROWSE.PATH, "");
    EXPECT_EQ(dlg.text(id::DIRECTORIES), BROWSE_TOP);
    EXPECT_EQ(line(id::CURRENT), BROWSE_TOP);
    EXPECT_EQ(items(dlg, id::DIRECTORIES), (std::vector<std::string>{"/", here}));
}

TEST_F(Browser, AllFilesAndOneFileReplaceEachOther) {
    open();
    dlg.user_select(id::DIRECTORIES, here);
    ASSERT_TRUE(dlg.user_select(id::ALL_FILES, BROWSE_ALL));
    EXPECT_EQ(line(id::SELECTED_NAME), "*.*");
    EXPECT_EQ(dlg.text(id::SELECTED_COUNT), "2");
    ASSERT_TRUE(dlg.user_select(id::FILES, "B.SAO"));
    EXPECT_EQ(line(id::SELECTED_NAME), "B.SAO");
    EXPECT_EQ(dlg.text(id::SELECTED_COUNT), "1");
    EXPECT_EQ(dlg.selection(id::ALL_FILES), 0) << "the all-files choice is cleared";
    EXPECT_EQ(BROWSE.CHOSEN, 2);
    ASSERT_TRUE(dlg.user_select(id::ALL_FILES, BROWSE_ALL));
    EXPECT_EQ(dlg.selection(id::FILES), 0);
    EXPECT_EQ(BROWSE.CHOSEN, 0);
    // Going Back clears the choice shown.
    dlg.user_check(id::GOING_BACK, true);
    EXPECT_EQ(line(id::SELECTED_NAME), "");
    EXPECT_EQ(dlg.text(id::SELECTED_COUNT), "");
}

TEST_F(Browser, AtMost1000FilesAreListed) {
    for (int i = 0; i < 1001; ++i) wd.write("many/F" + std::to_string(1000 + i), "x");
    open();
    dlg.user_select(id::DIRECTORIES, here);
    dlg.user_select(id::DIRECTORIES, "many");
    EXPECT_EQ(dlg.item_count(id::FILES), 1000);
    EXPECT_EQ(dlg.find_item(id::FILES, "F2000"), 0) << "the 1001st is not listed";
    dlg.user_select(id::ALL_FILES, BROWSE_ALL);
    EXPECT_EQ(dlg.text(id::SELECTED_COUNT), "1000");
}

TEST_F(Browser, BrowsersReturnTheChosenPath) {
    std::string path = "untouched";
    script("select 1041 " + here + "\nselect 1041 data\nselect 1048 " + BROWSE_ALL + "\nclick 1\n");
    DODIALOG2(path);
    EXPECT_EQ(path, here + "/data/*.*");

    // OK with nothing chosen starts over at the top level.
    script("select 1041 " + here + "\nclick 1\nselect 1041 " + here + "\nselect 1038 A.SAO\nclick 1\n");
    DODIALOG2(path);
    EXPECT_EQ(path, here + "/A.SAO");

    script("select 1041 " + here + "\nselect 1041 linked\nselect 1038 D1.SAO\nclick 1\n");
    DODIALOG2P(path);
    EXPECT_EQ(path, here + "/linked/D1.SAO");

    script("click 2\n");
    DODIALOG2P(path);
    EXPECT_EQ(path, "");
}

TEST_F(Browser, ProgramBrowserHasNoAllFilesEntry) {
    open(res::DLG_BROWSE_PROGRAM);
    dlg.user_select(id::DIRECTORIES, here);
    EXPECT_FALSE(dlg.has_control(id::ALL_FILES));
    EXPECT_EQ(items(dlg, id::FILES), (std::vector<std::string>{"A.SAO", "B.SAO"}));
    ASSERT_TRUE(dlg.user_select(id::FILES, "A.SAO"));
    EXPECT_EQ(line(id::SELECTED_NAME), "A.SAO");
}

}  // namespace
}  // namespace kolm::ui

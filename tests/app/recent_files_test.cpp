// The recent-files list: order, limit, views, and its section in the settings file beside the
// other settings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/recent_files.h"
#include "platform/ini_file.h"
#include "test_support.h"

namespace korvel {
namespace {

std::vector<std::string> paths(const RecentFiles& r) {
    std::vector<std::string> out;
    for (const RecentFile& f : r.files()) out.push_back(f.path);
    return out;
}

TEST(RecentFiles, NewestFirstTenAtMostReopenedMovesToTheFront) {
    RecentFiles r;
    for (int i = 1; i <= 12; ++i) r.opened("/d/" + std::to_string(i) + ".jww");
    EXPECT_EQ(paths(r), (std::vector<std::string>{"/d/12.jww", "/d/11.jww", "/d/10.jww", "/d/9.jww", "/d/8.jww",
                                                  "/d/7.jww", "/d/6.jww", "/d/5.jww", "/d/4.jww", "/d/3.jww"}));
    EXPECT_TRUE(r.rememberView("/d/5.jww", {4.0, 10.5, -20.25}));
    r.opened("/d/x/../5.jww");  // the same file, named another way
    EXPECT_EQ(paths(r).front(), "/d/5.jww");
    EXPECT_EQ(r.files().size(), 10u);
    EXPECT_EQ(r.viewOf("/d/5.jww"), (RecentView{4.0, 10.5, -20.25}));  // the view goes with it
    r.opened("/d/13.jww");
    EXPECT_EQ(paths(r).back(), "/d/4.jww");
    r.remove("/d/./13.jww");
    EXPECT_EQ(paths(r).front(), "/d/5.jww");
    EXPECT_EQ(r.files().size(), 9u);

    EXPECT_FALSE(r.rememberView("/d/1.jww", {2.0, 0, 0}));      // not in the list
    EXPECT_FALSE(r.rememberView("/d/5.jww", {0.0, 0, 0}));      // no zoom
    EXPECT_FALSE(r.rememberView("/d/5.jww", {1.0, NAN, 0}));
    EXPECT_EQ(r.viewOf("/d/5.jww"), (RecentView{4.0, 10.5, -20.25}));
    r.opened("/d/line\nbreak.jww");  // a settings line cannot hold it
    r.opened("");
    EXPECT_EQ(r.files().size(), 9u);
    EXPECT_FALSE(r.viewOf("/d/12.jww").has_value());

    // Relative names are kept as the absolute path they stand for.
    EXPECT_EQ(RecentFiles::Normalized("a/../b.jww"), (std::filesystem::current_path() / "b.jww").string());
}

TEST(RecentFiles, TheirSectionReadsBackAndToleratesHandEdits) {
    IniFile ini;
    ini.parse("[Graphic]\nJpegValue=80\n"
              "[KorvelRecentFiles]\n"
              "File1=/a.jww\nView1=2,100.5,-3\n"
              "File2=\nView2=1,1,1\n"          // an empty entry
              "File3=/b.jww\nView3=2,x,3\n"   // a view that does not read
              "File4=/a.jww\nView4=9,9,9\n"   // the same file again
              "File5=/c.jww\nView5=-1,0,0\n"  // no zoom
              "File12=/d.jww\n");             // beyond the limit
    RecentFiles r;
    r.read(ini);
    EXPECT_EQ(paths(r), (std::vector<std::string>{"/a.jww", "/b.jww", "/c.jww"}));
    EXPECT_EQ(r.viewOf("/a.jww"), (RecentView{2.0, 100.5, -3.0}));
    EXPECT_FALSE(r.viewOf("/b.jww").has_value());
    EXPECT_FALSE(r.viewOf("/c.jww").has_value());

    r.rememberView("/b.jww", {0.1, 1.0 / 3.0, 1e-300});
    r.write(ini);
    RecentFiles again;
    again.read(ini);
    EXPECT_EQ(paths(again), paths(r));
    EXPECT_EQ(again.viewOf("/b.jww"), (RecentView{0.1, 1.0 / 3.0, 1e-300}));  // every digit kept
    EXPECT_EQ(ini.value("Graphic", "JpegValue").value_or(""), "80");
    EXPECT_EQ(ini.value("KorvelRecentFiles", "File4").value_or("?"), "");  // the old fourth is gone
    EXPECT_EQ(ini.value("KorvelRecentFiles", "View5").value_or("?"), "");
}

TEST(RecentFiles, UpdatesKeepTheRestOfTheSettingsFileAndRefuseAnUnreadableOne) {
    const std::string dir = test::scratchDir("recent_files");
    const std::string path = dir + "/Korvel.INI";
    const std::string text = "[Graphic]\nJpegValue=80\n; a comment\n";
    test::writeFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));

    RecentFilesUpdate u = UpdateRecentFiles(path, [](RecentFiles& r) { r.opened("/x/one.jww"); });
    EXPECT_TRUE(u.written) << u.error;
    u = UpdateRecentFiles(path, [](RecentFiles& r) {
        r.opened("/x/two.jww");
        r.rememberView("/x/one.jww", {3.0, 1.0, 2.0});
    });
    EXPECT_TRUE(u.written) << u.error;
    EXPECT_EQ(paths(u.files), (std::vector<std::string>{"/x/two.jww", "/x/one.jww"}));
    const RecentFiles stored = ReadRecentFiles(path);
    EXPECT_EQ(paths(stored), paths(u.files));
    EXPECT_EQ(stored.viewOf("/x/one.jww"), (RecentView{3.0, 1.0, 2.0}));
    const std::string after = test::readFileText(path);
    EXPECT_EQ(after.rfind("[Graphic]\nJpegValue=80\n; a comment\n", 0), 0u) << after;

    // Not a text file: left as it is, and the reason names it.
    const std::vector<uint8_t> binary{'[', 'G', ']', '\n', 0, 1, 2, 3};
    test::writeFileBytes(path, binary);
    u = UpdateRecentFiles(path, [](RecentFiles& r) { r.opened("/x/three.jww"); });
    EXPECT_FALSE(u.written);
    EXPECT_NE(u.error.find(path), std::string::npos) << u.error;
    EXPECT_EQ(test::readFileBytes(path), binary);

    // No file yet: made, with its folder.
    const std::string fresh = dir + "/new/Korvel.INI";
    u = UpdateRecentFiles(fresh, [](RecentFiles& r) { r.opened("/x/four.jww"); });
    EXPECT_TRUE(u.written) << u.error;
    EXPECT_EQ(paths(ReadRecentFiles(fresh)), (std::vector<std::string>{"/x/four.jww"}));
}

}  // namespace
}  // namespace korvel

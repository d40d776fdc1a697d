// korvel settings, run as a user runs it.
#include <gtest/gtest.h>

#include "run_korvel.h"

#include <cstdio>
#include <string>

#include "test_support.h"

namespace {


bool has(const std::string& text, const std::string& line) { return text.find("\n" + line + "\n") != std::string::npos; }

TEST(SettingsCommand, SavesOptionsAndReadsThemBack) {
    const std::string dir = korvel::test::scratchDir("cli_settings");
    const std::string ini = dir + "/conf/Korvel.INI";
    korvel::test::RunResult first = korvel::test::runKorvelIsolated("settings --settings " + ini + " --jwcad-registry none --width 333 --mono grey "
                       "--set 'JwwSStyle/ LSolidStyle2=300' --save");
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_NE(first.out.find("; settings file: " + ini + " (absent; defaults in effect)"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("; Jw_cad settings: none (--jwcad-registry none) (Jw_cad's settings absent; built-in pens)"),
              std::string::npos);
    EXPECT_NE(first.out.find("korvel: settings written to " + ini), std::string::npos);

    korvel::test::RunResult again = korvel::test::runKorvelIsolated("settings --settings " + ini + " --jwcad-registry none");
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("(read)"), std::string::npos);
    EXPECT_TRUE(has(again.out, "outWsize=333"));
    EXPECT_TRUE(has(again.out, "outWsizeF=6"));
    EXPECT_TRUE(has(again.out, "BwPlotFlg=1"));
    EXPECT_TRUE(has(again.out, "Bw2GFlg=0"));
    EXPECT_TRUE(has(again.out, " LSolidStyle2=44"));
    EXPECT_TRUE(has(again.out, " PenColorData8=16711808"));  // built-in pen 8, 0xFF0080
}

TEST(SettingsCommand, RefusesBadOptionsAndKeepsAnUnreadableFile) {
    korvel::test::RunResult bad = korvel::test::runKorvelIsolated("settings --jpeg-quality 101");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "korvel: settings: --jpeg-quality 101: must be a whole number from 1 to 100 (korvel settings --help lists the options)\n");

    const std::string dir = korvel::test::scratchDir("cli_settings_guard");
    korvel::test::RunResult blocked = korvel::test::runKorvelIsolated("settings --settings " + dir + " --jwcad-registry none --save");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.out.find("korvel: " + dir + ": not written, to keep the values it holds: " + dir +
                               ": is a folder, not a settings file"),
              std::string::npos)
        << blocked.out;
}

}  // namespace

namespace {

// Options before any command belong to the window: settings options are taken, others refused
// before a window appears.
TEST(WindowOptions, UnknownOptionsAreRefusedSettingsOptionsChecked) {
    korvel::test::RunResult r = korvel::test::runKorvelIsolated("--no-such-option");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("unknown option '--no-such-option'"), std::string::npos) << r.out;
    r = korvel::test::runKorvelIsolated("--jwcad-registry none --pens sideways");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("--pens"), std::string::npos) << r.out;
}

// Only the default places may be empty: a settings file or registry named on the command line
// that is not there ends the run before anything is read or drawn, for a command and for the
// window alike.
TEST(NamedSettingsFiles, AMissingFileEndsTheRunNamingIt) {
    const std::string dir = korvel::test::scratchDir("cli_named_settings");
    const std::string ini = dir + "/none.INI", reg = dir + "/none.reg";
    korvel::test::RunResult r = korvel::test::runKorvelIsolated("settings --settings " + ini + " --jwcad-registry none");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "korvel: settings: --settings " + ini + ": no such file\n");

    korvel::test::writeFileBytes(dir + "/K.INI", {});
    r = korvel::test::runKorvelIsolated("text " + dir + "/plan.jww --settings " + dir + "/K.INI --jwcad-registry " + reg);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "korvel: text: --jwcad-registry " + reg + ": no such file\n");

    r = korvel::test::runKorvelIsolated("--settings " + ini);  // the window
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "korvel: --settings " + ini + ": no such file\n");

    // A file that --save is about to write may be new; the folders of the defaults may be empty.
    r = korvel::test::runKorvelIsolated("settings --settings " + ini + " --jwcad-registry none --save");
    EXPECT_EQ(r.status, 0) << r.out;
    r = korvel::test::runKorvelIsolated("settings");
    EXPECT_EQ(r.status, 0) << r.out;
}

}  // namespace

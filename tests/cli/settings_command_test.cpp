// korvel settings, run as a user runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace {

struct CommandRun {
    int status = -1;
    std::string out;
};

CommandRun korvel(const std::string& args) {
    CommandRun r;
    const std::string command = "HOME=/nonexistent-home WINEPREFIX= XDG_CONFIG_HOME= " + std::string(KORVEL_EXE) +
                                " " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool has(const std::string& text, const std::string& line) { return text.find("\n" + line + "\n") != std::string::npos; }

TEST(SettingsCommand, SavesOptionsAndReadsThemBack) {
    const std::string dir = korvel::test::scratchDir("cli_settings");
    const std::string ini = dir + "/conf/Korvel.INI";
    CommandRun first = korvel("settings --settings " + ini + " --jwcad-registry none --width 333 --mono grey "
                       "--set 'JwwSStyle/ LSolidStyle2=300' --save");
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_NE(first.out.find("; settings file: " + ini + " (absent; defaults in effect)"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("; Jw_cad settings: none (--jwcad-registry none) (Jw_cad's settings absent; built-in pens)"),
              std::string::npos);
    EXPECT_NE(first.out.find("korvel: settings written to " + ini), std::string::npos);

    CommandRun again = korvel("settings --settings " + ini + " --jwcad-registry none");
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
    CommandRun bad = korvel("settings --jpeg-quality 101");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "korvel: settings: --jpeg-quality 101: must be a whole number from 1 to 100\n");

    const std::string dir = korvel::test::scratchDir("cli_settings_guard");
    CommandRun blocked = korvel("settings --settings " + dir + " --jwcad-registry none --save");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.out.find("korvel: " + dir + ": not written, to keep the values it holds: " + dir +
                               ": is a folder, not a settings file"),
              std::string::npos)
        << blocked.out;
}

}  // namespace

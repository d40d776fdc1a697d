// korvel text on real drawings and with bad options.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "run_korvel.h"

namespace korvel::test {
namespace {

TEST(TextCommand, WritesRowsWithCrLf) {
    KORVEL_REQUIRE_SAMPLES();
    const std::string dir = scratchDir("text_command");
    const std::string file = "'" + samplesDir() + "/木造平面例.jww'";
    RunResult r = runKorvel("text " + file + " --delimiter comma", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string first = "玄関,洗面所,\r\n";
    EXPECT_EQ(r.out.substr(0, first.size()), first);
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "\r\n");

    RunResult sjis = runKorvel("text " + file + " --encoding cp932 --tolerance 0", dir);
    ASSERT_EQ(sjis.status, 0);
    EXPECT_EQ(sjis.out.substr(0, 6), "\x8c\xba\x8a\xd6\t\r");  // 玄関 in CP932
}

TEST(TextCommand, RefusesBadOptionsAndNamesUnreadableFiles) {
    const std::string dir = scratchDir("text_command_errors");
    EXPECT_EQ(runKorvel("text x.jww --delimiter pipe", dir).status, 2);
    for (const char* bad : {"11", "10.5", "-1", "0,5", "half", "1e1"})
        EXPECT_EQ(runKorvel(std::string("text x.jww --tolerance '") + bad + "'", dir).status, 2) << bad;
    EXPECT_EQ(runKorvel("text x.jww --encoding latin1", dir).status, 2);
    const RunResult missing = runKorvel("text " + dir + "/none.jww", dir);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.jww"), std::string::npos);
    // A pipe named as the drawing is refused at once rather than waited on.
    ASSERT_EQ(::mkfifo((dir + "/pipe.jww").c_str(), 0600), 0);
    const RunResult pipe = runKorvel("text '" + dir + "/pipe.jww'", dir);
    EXPECT_EQ(pipe.status, 1);
    EXPECT_NE(pipe.err.find("pipe.jww: a pipe (FIFO), not a regular file"), std::string::npos) << pipe.err;
}

TEST(TextCommand, TakesTheWindowsSettingsAndOptionsOverrideThem) {
    KORVEL_REQUIRE_SAMPLES();
    const std::string dir = scratchDir("text_command_settings");
    const std::string ini = "[TextClip]\nShiftY=0\nDelimit=2\nEncoding=cp932\n";
    writeFileBytes(dir + "/Korvel.INI", std::vector<uint8_t>(ini.begin(), ini.end()));
    const std::string file = "'" + samplesDir() + "/木造平面例.jww' --settings '" + dir + "/Korvel.INI'";
    RunResult r = runKorvel("text " + file, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 6), "\x8c\xba\x8a\xd6,\r");  // 玄関 in CP932, a comma, a row of its own
    r = runKorvel("text " + file + " --encoding utf-8 --delimiter tab --tolerance 0.5", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, std::string("玄関\t洗面所\t\r\n").size()), "玄関\t洗面所\t\r\n");
    r = runKorvel("text " + file + " --set TextClip/Encoding=utf-8 --set TextClip/Delimit=1", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, std::string("玄関 \r\n").size()), "玄関 \r\n");
}

TEST(TextCommand, LeavesOutJwcadsSettingsTexts) {
    KORVEL_REQUIRE_SAMPLES();
    const std::string dir = scratchDir("text_command_jwcad8");
    const RunResult r = runKorvel("text '" + samplesDir() + "/2-circles-blocks.jww'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");  // its six texts are all Jw_cad 8's settings
}

}  // namespace
}  // namespace korvel::test

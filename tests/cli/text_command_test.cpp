// korvel text on real drawings and with bad options.
#include <gtest/gtest.h>

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
    EXPECT_EQ(runKorvel("text x.jww --tolerance 11", dir).status, 2);
    EXPECT_EQ(runKorvel("text x.jww --encoding latin1", dir).status, 2);
    const RunResult missing = runKorvel("text " + dir + "/none.jww", dir);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.jww"), std::string::npos);
}

}  // namespace
}  // namespace korvel::test

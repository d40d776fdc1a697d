#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "drawing/loaders.h"
#include "render/text_macros.h"
#include "test_support.h"
#include "text_fixture.h"

namespace korvel {
namespace {

using test::localTimeOf;
using test::sj;

struct Macros : ::testing::Test {
    Drawing drawing;
    std::string expand(const std::string& text, std::time_t now) {
        return ExpandTextMacros(text, MacroValuesFor(drawing, now));
    }
    // Thursday 5 March 2026, 14:07:09.
    std::string afternoon(const std::string& text) {
        return expand(text, localTimeOf(2026, 3, 5, 14, 7, 9));
    }
};

TEST_F(Macros, DateAndTimeOfNowWithEachPadding) {
    EXPECT_EQ(afternoon("%y/%m/%d"), "26/03/05");
    EXPECT_EQ(afternoon("&y/&m/&d"), "26/ 3/ 5");
    EXPECT_EQ(afternoon("$y/$m/$d|"), "26/3 /5 |");
    EXPECT_EQ(afternoon("&Y %Y $Y"), "38 38 38");
    EXPECT_EQ(afternoon("&H %H $H"), "14 14 14");
    EXPECT_EQ(afternoon("&h %h $h|"), " 2 02 2 |");
    EXPECT_EQ(afternoon("&M %M $M|"), " 7 07 7 |");
    EXPECT_EQ(afternoon("&S %S $S|"), " 9 09 9 |");
    EXPECT_EQ(expand("$d", localTimeOf(2026, 3, 12)), "12");
}

TEST_F(Macros, YearIsCutToTwoDigitsBeforePadding) {
    const std::time_t t = localTimeOf(2005, 1, 1);
    EXPECT_EQ(expand("&y|%y|$y|", t), " 5|05|5 |");
    EXPECT_EQ(expand("&Y", localTimeOf(2090, 1, 1)), " 2");
}

TEST_F(Macros, NamesOfDaysMonthsAndHalvesOfTheDay) {
    EXPECT_EQ(afternoon("%wa =wa"), "THU THU");
    EXPECT_EQ(afternoon("%w=w"), sj("木木"));
    EXPECT_EQ(afternoon("%ma =ma"), "MAR MAR");
    EXPECT_EQ(expand("%ma", localTimeOf(2026, 9, 1)), "SEPT");
    EXPECT_EQ(expand("%ma", localTimeOf(2026, 11, 1)), "NUV");
    EXPECT_EQ(expand("%w", localTimeOf(2026, 3, 8)), sj("日"));
    EXPECT_EQ(afternoon("$n &n $N &N"), "PM PM " + sj("後") + " " + sj("後"));
    // Noon still counts as morning: the hour must be 13 or more for "PM".
    const std::time_t noon = localTimeOf(2026, 3, 5, 12, 30);
    EXPECT_EQ(expand("$n&N", noon), "AM" + sj("前"));
    EXPECT_EQ(expand("&h", noon), "12");
}

TEST_F(Macros, DrawingDateTimeComesFromTheFile) {
    drawing.fileTime = localTimeOf(2019, 11, 22, 8, 30, 5);
    EXPECT_EQ(afternoon("_y/_m/_d _H:_M:_S _h"), "19/11/22  8:30: 5  8");
    EXPECT_EQ(afternoon("=y/=m/=d =H:=M:=S =h =Y _Y"), "19/11/22 08:30:05 08 31 31");
    EXPECT_EQ(afternoon("=f"), "2019/11/22");
    EXPECT_EQ(afternoon("=F"), "2019/11/22 08:30:05");
}

TEST_F(Macros, UnknownDrawingDateTimeIsTheZeroDateAndDatesShowToday) {
    drawing.fileTime = 0;
    EXPECT_EQ(afternoon("=y/=m/=d =H:=M:=S"), "99/12/30 00:00:00");
    EXPECT_EQ(afternoon("=f"), "2026/03/05");
    EXPECT_EQ(afternoon("=F"), "2026/03/05 14:07:09");
}

TEST_F(Macros, DrawingNamesMemoAndEditingTime) {
    drawing.DrawingPath = sj("/home/u/図面/plan.jww");
    drawing.fileName = sj("plan 図.jww");
    drawing.DrawingName = sj("平面");
    drawing.header.Memo = sj("メモ");
    drawing.header.ExtraOption[0] = 125;
    EXPECT_EQ(afternoon("&F"), sj("/home/u/図面/plan.jww"));
    EXPECT_EQ(afternoon("&f"), sj("plan 図.jww"));
    EXPECT_EQ(afternoon("%f"), sj("平面"));
    EXPECT_EQ(afternoon("[%mm]"), "[" + sj("メモ") + "]");
    EXPECT_EQ(afternoon("&T"), " 2: 5");
    drawing.header.ExtraOption[0] = 754;
    EXPECT_EQ(afternoon("&T"), "12:34");
}

TEST_F(Macros, LaterCodesSeeWhatEarlierOnesProduced) {
    // The memo is put in before the day code is looked for.
    drawing.header.Memo = "day %d";
    EXPECT_EQ(afternoon("%mm"), "day 05");
    // "%wa" goes before "%w", "%ma" and "%mm" before "%m".
    EXPECT_EQ(afternoon("%wa%w"), "THU" + sj("木"));
    EXPECT_EQ(afternoon("%m%ma"), "03MAR");
}

TEST_F(Macros, CodesStartOnlyOnCharacterBoundaries) {
    const std::string da = sj("ダ");  // its trail byte is "_"
    ASSERT_EQ(da[1], '_');
    EXPECT_EQ(afternoon(da + "y" + "_y"), da + "y" + "99");
    EXPECT_EQ(afternoon(sj("寸法") + "%y"), sj("寸法") + "26");
    EXPECT_EQ(afternoon("plain text"), "plain text");
}

TEST_F(Macros, NameAndDateOfALoadedFile) {
    KORVEL_REQUIRE_SAMPLES();
    const std::string path = test::samplesDir() + "/サンプル.jww";
    ASSERT_TRUE(LoadFile(drawing, path).ok);
    EXPECT_EQ(afternoon("&f|%f"), sj("サンプル.jww|サンプル"));
    EXPECT_EQ(afternoon("&F"), sj(std::filesystem::absolute(path).string().c_str()));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    char date[16];
    std::strftime(date, sizeof date, "%Y/%m/%d", std::localtime(&st.st_mtime));
    EXPECT_EQ(afternoon("=f"), date);
}

TEST_F(Macros, RenderClockIsUsed) {
    test::TextFixture f;
    EXPECT_EQ(ExpandTextMacros("%y%m%d", f.context), "260305");
    f.context.clock = nullptr;  // the system clock: only the shape can be checked
    EXPECT_EQ(ExpandTextMacros("%y%m%d", f.context).size(), 6u);
}

}  // namespace
}  // namespace korvel

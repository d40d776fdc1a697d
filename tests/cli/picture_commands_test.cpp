#include <gtest/gtest.h>

#include "run_korvel.h"

#include <QImage>
#include <cstdio>

#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "picture_files.h"
#include "test_support.h"

namespace korvel {
namespace {


// plan.jww with a found and a missing picture reference, beside a red 4 x 4 logo.png that
// covers the lower-left quarter.
std::string makePlan(const std::string& name) {
    const std::string folder = test::scratchDir(name);
    test::DrawingBuilder b;
    b.drawing.header.CurrentTextWidth = 2.5;  // a header Jw_cad would write
    b.line(0, 100, 100, 0);
    b.text(0, 0, "^@BMlogo.png,50");
    b.text(50, 50, "^@BMmissing.png,10");
    SaveResult saved;
    test::writeFileBytes(folder + "/plan.jww", SaveJwwBytes(b.drawing, 351, saved));
    EXPECT_TRUE(saved.ok) << saved.error;
    test::writeFileBytes(folder + "/logo.png", test::makePng(4, 4, test::solid(16, 0xFFFF0000)));
    return folder;
}

TEST(PictureCommands, InfoListsPictureReferences) {
    const std::string folder = makePlan("info_pictures");
    const std::string json = test::runKorvelIsolated("info --json " + folder + "/plan.jww").out;
    EXPECT_NE(json.find(",\"pictures\":[{\"reference\":\"^@BMlogo.png,50\",\"resolves\":true},"
                        "{\"reference\":\"^@BMmissing.png,10\",\"resolves\":false}],"),
              std::string::npos)
        << json;
    const std::string human = test::runKorvelIsolated("info " + folder + "/plan.jww").out;
    EXPECT_NE(human.find("  picture references: 2\n    ^@BMlogo.png,50 (found)\n"
                         "    ^@BMmissing.png,10 (not found)\n"),
              std::string::npos)
        << human;
}

TEST(PictureCommands, ConvertDrawsPicturesUnlessTold) {
    const std::string folder = makePlan("convert_pictures");
    const std::string exe = "convert " + folder + "/plan.jww --width 200 -o ";
    test::runKorvelIsolated(exe + folder + "/with.png");
    test::runKorvelIsolated(exe + folder + "/without.png --no-pictures");
    const QImage with(QString::fromStdString(folder + "/with.png"));
    const QImage without(QString::fromStdString(folder + "/without.png"));
    ASSERT_FALSE(with.isNull());
    ASSERT_FALSE(without.isNull());
    // Drawing point (20, 20) lies in the picture, (80, 60) outside it; neither on the line.
    const int x = with.width() / 5, y = with.height() * 4 / 5;
    const int bx = with.width() * 4 / 5, by = with.height() * 2 / 5;
    EXPECT_EQ(with.pixel(x, y) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(with.pixel(bx, by), with.pixel(x, y));
    EXPECT_EQ(without.pixel(x, y), without.pixel(bx, by));

    test::writeFileBytes(folder + "/logo.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    const std::string damaged = test::runKorvelIsolated(exe + folder + "/damaged.png").out;
    EXPECT_NE(damaged.find("korvel: warning: " + folder + "/plan.jww: picture logo.png: the data is cut short"), std::string::npos) << damaged;
}

}  // namespace
}  // namespace korvel

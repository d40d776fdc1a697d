// The drawings a thumbnailer meets in mail: small files that ask for hours of work. korvel
// converts them all the same, and says what it left out.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "drawing/loaders.h"
#include "hostile_drawings.h"
#include "run_korvel.h"

namespace korvel {
namespace {

std::string saved(Drawing d, const std::string& path) {
    SaveResult result;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, result);
    test::writeFileBytes(path, bytes);
    EXPECT_LT(bytes.size(), 100'000u);  // a file of a few kilobytes asks for all that
    return path;
}

TEST(HostileDrawings, NestedBlocksConvertWithinTheBudgetAndInfoStaysQuick) {
    const std::string dir = test::scratchDir("hostile-nested");
    const std::string file =
        saved(test::nestedBlocks(12, 10, test::Nesting::Jittered), dir + "/nested.jww");
    test::RunResult r = test::runKorvel("convert --width 128 '" + file + "' -o '" + dir + "/nested.png'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "korvel: warning: " + file +
                         ": drawing stopped at its limit of 3 million strokes, fills and glyphs; the rest, from "
                         "block \"level5\" on, is not drawn\n");
    EXPECT_GT(test::readFileBytes(dir + "/nested.png").size(), 100u);
    // Measuring nested blocks does not multiply: the top insert's members are measured once.
    r = test::runKorvel("info --json '" + file + "'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"block_definitions\":13"), std::string::npos) << r.out;
}

TEST(HostileDrawings, HugePicturesAreDecodedOnceAndWithinTheAllowance) {
    // 300 references over 30 pictures of 100 megapixels, 30 KB each.
    const std::string dir = test::scratchDir("hostile-pictures");
    std::vector<std::string> pictures;
    for (int i = 0; i < 30; ++i) {
        pictures.push_back(dir + "/picture" + std::to_string(i) + ".png");
        ASSERT_TRUE(test::writeLargePng(pictures.back(), 10000, 10000));
    }
    const std::string file = saved(test::pictureReferences(300, pictures), dir + "/pictures.jww");
    test::RunResult r = test::runKorvel("convert --width 128 '" + file + "' -o '" + dir + "/pictures.png'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "korvel: warning: " + file +
                         ": 28 picture(s) not drawn: together they pass the limit of 250 million decoded pixels "
                         "per drawing (first: " + pictures[2] + ")\n");
}

TEST(HostileDrawings, UnusableCoordinatesAreCountedByInfoAndConvert) {
    const std::string dir = test::scratchDir("hostile-coordinates");
    test::DrawingBuilder b;
    b.line(0, 0, 100, 50);
    b.line(0, 0, std::numeric_limits<double>::infinity(), 0);
    const std::string file = saved(std::move(b.drawing), dir + "/inf.jww");
    const std::string warning =
        "1 record(s) have coordinates that are not finite or lie beyond 1e9 mm; they are left out of the extents "
        "and not drawn";
    test::RunResult r = test::runKorvel("info --json '" + file + "'", dir);
    EXPECT_NE(r.out.find("\"warnings\":[\"" + warning + "\"]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"max_x\":101,"), std::string::npos) << r.out;
    r = test::runKorvel("convert --width 128 '" + file + "' -o '" + dir + "/inf.png'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "korvel: warning: " + file + ": " + warning + "\n");
}

}  // namespace
}  // namespace korvel

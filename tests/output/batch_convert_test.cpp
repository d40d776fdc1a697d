// Converting several drawing files at once: outcomes in the order asked, one failing file or
// target leaving the others alone, and the largest files started first.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "output/batch_convert.h"
#include "output/dxf_export.h"
#include "output/image_export.h"
#include "output/image_readers.h"
#include "test_support.h"

namespace korvel {
namespace {

void saveDrawing(const std::string& path, int lines) {
    test::DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    for (int i = 0; i < lines; ++i) b.line(0, i, 100, i);
    SaveResult saved;
    test::writeFileBytes(path, SaveJwwBytes(b.drawing, 0, saved));
    ASSERT_TRUE(saved.ok) << saved.error;
}

bool startsWith(const std::vector<uint8_t>& bytes, const std::string& magic) {
    return bytes.size() >= magic.size() && std::string(bytes.begin(), bytes.begin() + long(magic.size())) == magic;
}

TEST(BatchConvert, EachJobGetsItsOwnOutcomeAndTheLargestFilesGoFirst) {
    const std::string dir = test::scratchDir("batch_convert");
    const std::string small = dir + "/small.jww", large = dir + "/large.jww", broken = dir + "/broken.jww",
                      missing = dir + "/missing.jww";
    saveDrawing(small, 1);
    saveDrawing(large, 200);
    saveDrawing(broken, 3);  // its preparation throws

    std::vector<ConvertJob> jobs = {
        {small, {{ImageFormat::Png, dir + "/small.png"}, {ImageFormat::Dxf, dir + "/small.dxf"}}},
        {missing, {{ImageFormat::Png, dir + "/missing.png"}}},
        {large, {{ImageFormat::Bmp, "-"}, {ImageFormat::Png, dir + "/no such folder/large.png"}}},
        {broken, {{ImageFormat::Png, dir + "/broken.png"}}},
    };
    DrawingPreparation prepare;
    prepare.afterLoad = [](const Drawing& d, ExportOptions& o) -> std::vector<std::string> {
        if (d.LineCount() == 3) throw std::runtime_error("cannot prepare");
        o.width = 64;
        return {"prepared"};
    };
    std::vector<std::pair<size_t, std::string>> progress;
    const std::vector<ConvertOutcome> out = ConvertFiles(
        jobs, ExportOptions{}, 1,
        [&](size_t done, size_t total, const std::string& input) {
            EXPECT_EQ(total, 4u);
            progress.emplace_back(done, input);
        },
        prepare);

    ASSERT_EQ(out.size(), 4u);
    EXPECT_TRUE(out[0].ok);
    EXPECT_TRUE(out[0].errors.empty());
    EXPECT_EQ(out[0].written, (std::vector<std::string>{dir + "/small.png", dir + "/small.dxf"}));
    EXPECT_EQ(out[0].warnings, std::vector<std::string>{small + ": prepared"});
    EXPECT_TRUE(out[0].standardOutput.empty());
    const std::vector<uint8_t> png = test::readFileBytes(dir + "/small.png");
    EXPECT_TRUE(startsWith(png, "\x89PNG"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png[19], 64);  // the width the preparation chose
    EXPECT_TRUE(startsWith(test::readFileBytes(dir + "/small.dxf"), "  0\r\nSECTION\r\n  2\r\nHEADER"));

    EXPECT_FALSE(out[1].ok);
    ASSERT_EQ(out[1].errors.size(), 1u);
    EXPECT_NE(out[1].errors[0].find("missing.jww"), std::string::npos) << out[1].errors[0];
    EXPECT_TRUE(out[1].warnings.empty());  // a file not read is not prepared either
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing.png"));

    // The standard output target still gives its bytes when a later target cannot be written.
    EXPECT_FALSE(out[2].ok);
    EXPECT_TRUE(startsWith(out[2].standardOutput, "BM"));
    EXPECT_TRUE(out[2].written.empty());
    ASSERT_EQ(out[2].errors.size(), 1u);
    EXPECT_NE(out[2].errors[0].find("large.png"), std::string::npos) << out[2].errors[0];

    EXPECT_FALSE(out[3].ok);
    EXPECT_EQ(out[3].errors, std::vector<std::string>{broken + ": cannot prepare"});
    EXPECT_FALSE(std::filesystem::exists(dir + "/broken.png"));

    // One worker: by size, largest first, the missing file (size unknown) last.
    EXPECT_EQ(progress, (std::vector<std::pair<size_t, std::string>>{{1, large}, {2, broken}, {3, small}, {4, missing}}));

    // Two workers give the same outcomes, and do work at once: each of the first two loads waits
    // (a while at most) for the other to start.
    std::atomic<int> started{0};
    std::atomic<bool> alone{false};
    prepare.beforeLoad = [&](Drawing&) {
        ++started;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (started < 2 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        if (started < 2) alone = true;
    };
    const std::vector<ConvertOutcome> again = ConvertFiles(jobs, ExportOptions{}, 2, {}, prepare);
    EXPECT_FALSE(alone);
    EXPECT_EQ(started, 4);
    ASSERT_EQ(again.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(again[i].ok, out[i].ok) << i;
        EXPECT_EQ(again[i].written, out[i].written) << i;
        EXPECT_EQ(again[i].standardOutput, out[i].standardOutput) << i;
    }
}

// Targets on standard output follow each other in the order given, a metafile after others
// too; each is what a conversion of its own gives.
TEST(BatchConvert, StandardOutputTakesEveryTargetInTurn) {
    const std::string dir = test::scratchDir("batch_stdout");
    saveDrawing(dir + "/d.jww", 2);
    ExportOptions options;
    options.width = 40;
    const ConvertOutcome out = ConvertOne(
        {dir + "/d.jww", {{ImageFormat::Jpeg, "-"}, {ImageFormat::Emf, "-"}, {ImageFormat::Dxf, "-"}}}, options);
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(out.written.empty());
    Drawing d;
    ASSERT_TRUE(LoadFile(d, dir + "/d.jww").ok);
    std::vector<uint8_t> jpeg, emf, dxf, dxfOnly;
    ASSERT_TRUE(ExportImage(d, ImageFormat::Jpeg, options, jpeg).ok);
    ASSERT_TRUE(ExportImage(d, ImageFormat::Emf, options, emf).ok);
    ASSERT_TRUE(ExportImage(d, ImageFormat::Dxf, options, dxf).ok);
    ASSERT_TRUE(ExportDxf(d, options.render, options.dxfVersion, "", dxfOnly).ok);
    EXPECT_EQ(dxf, dxfOnly);
    std::vector<uint8_t> all = jpeg;
    all.insert(all.end(), emf.begin(), emf.end());
    all.insert(all.end(), dxf.begin(), dxf.end());
    EXPECT_EQ(out.standardOutput, all);
    const test::DecodedImage image = test::ReadJpeg(jpeg);
    EXPECT_EQ(image.width, 40);
    EXPECT_EQ(image.components, 3);
}

}  // namespace
}  // namespace korvel

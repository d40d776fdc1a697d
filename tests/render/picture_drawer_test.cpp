#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "drawing_builder.h"
#include "picture_files.h"
#include "render/picture_bytes.h"
#include "render/picture_cache.h"
#include "render/picture_decoders.h"
#include "render/picture_drawer.h"
#include "render/picture_reference.h"
#include "render/picture_references.h"
#include "render/recording_target.h"
#include "render/render_driver.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// CP932 bytes of full-width digits and of a few names.
const std::string k8 = "\x82\x57", k0 = "\x82\x4F", k6 = "\x82\x55", k1 = "\x82\x50", k2 = "\x82\x51";
const std::string kZu = "\x90\x7D";  // 図
const std::string kSo = "\x83\x5C";  // ソ: its second byte is a backslash

constexpr uint32_t kRed = 0xFFFF0000;

// The pictures drawn, in order.
std::vector<RasterImage> picturesOf(const RecordingTarget& target) {
    std::vector<RasterImage> out;
    for (const RecordedCall& c : target.only(CallKind::Image)) out.push_back(*c.picture);
    return out;
}

// A stand-in for a plug-in: "TIFF" bytes decode to one red pixel, "TIFFbad" fails.
class FakePlugin : public ExtraPictureDecoder {
public:
    DecodeOutcome decode(const uint8_t* data, size_t size, const std::string&, RasterImage& out) const override {
        const std::string text(reinterpret_cast<const char*>(data), size);
        if (text.rfind("TIFF", 0) != 0) return DecodeOutcome::notThisFormat();
        if (text == "TIFFbad") return DecodeOutcome::failed("bad strip");
        out.width = out.height = 1;
        out.pixels = {kRed};
        return DecodeOutcome::decoded();
    }
};

class PictureDrawerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearExtraPictureDecoders();
        folder = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        drawing.DrawingFolder = folder;
    }
    void TearDown() override { ClearExtraPictureDecoders(); }

    void write(const std::string& name, const std::vector<uint8_t>& bytes) {
        test::writeFileBytes(folder + "/" + name, bytes);
    }

    // Draws references at device (10, 200), 2 device units per millimetre.
    void draw(const std::vector<std::string>& references) {
        RenderContext context(drawing, options);
        context.warnings = &warnings;
        for (const std::string& r : references) DrawImageReference(context, target, 10, 200, 2.0, r);
        decodes = context.pictures ? context.pictures->decodeCount() : 0;
    }

    std::vector<std::vector<int>> rectangles() const {
        std::vector<std::vector<int>> out;
        // Left, top, right, bottom, then the picture's width and height.
        for (const RecordedCall& c : target.only(CallKind::Image))
            out.push_back({c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, c.picture->width,
                           c.picture->height});
        return out;
    }

    std::string folder;
    Drawing drawing;
    RenderOptions options;
    RecordingTarget target;
    std::vector<std::string> warnings;
    uint64_t decodes = 0;
};

TEST(ImageReferenceParse, ReadsWidthHeightAndFullWidthDigits) {
    ImageReference r = ParseImageReference("^@BMlogo.png,50");
    EXPECT_EQ(r.path, "logo.png");
    EXPECT_TRUE(r.hasSize);
    EXPECT_EQ(r.width, 50.0);
    EXPECT_EQ(r.height, 50.0);

    r = ParseImageReference("^@BMC:\\pic\\a.jpg," + k8 + k0 + "," + k6 + k0);
    EXPECT_EQ(r.path, "C:\\pic\\a.jpg");
    EXPECT_EQ(r.width, 80.0);
    EXPECT_EQ(r.height, 60.0);

    // Jw_cad 8 writes fields after the height; they are ignored.
    r = ParseImageReference("^@BM%temp%logo.bmp,100,64.5161,0,0,1,0,255,255,255");
    EXPECT_EQ(r.width, 100.0);
    EXPECT_EQ(r.height, 64.5161);

    r = ParseImageReference("^@BMa.png, +12.5 ," + k1 + "\x81\x44" + k2);  // "１．２"
    EXPECT_EQ(r.width, 12.5);
    EXPECT_EQ(r.height, 1.2);
    // Full-width letters turn to ASCII as the digits do (U+FF41 on lie in the second row of the block).
    r = ParseImageReference("^@BMa.png," + k1 + "\x82\x85" + k2);  // "１ｅ２"
    EXPECT_EQ(r.width, 100.0);

    r = ParseImageReference("^@BMlogo.png");
    EXPECT_FALSE(r.hasSize);
    EXPECT_FALSE(r.sizeInvalid);
    r = ParseImageReference("^@BMlogo.png,5x");
    EXPECT_FALSE(r.hasSize);
    EXPECT_TRUE(r.sizeInvalid);
    r = ParseImageReference("^@BMlogo.png,5,");
    EXPECT_TRUE(r.sizeInvalid);
    for (const char* bad : {",+", ", ", ",1e999", ",5,+"}) {
        r = ParseImageReference(std::string("^@BMlogo.png") + bad);
        EXPECT_TRUE(r.sizeInvalid) << bad;
        EXPECT_FALSE(r.hasSize) << bad;
    }
    r = ParseImageReference("^@BMa.png,\x81\x40" + k8 + "\x81\x40");  // ideographic spaces around "８"
    EXPECT_EQ(r.width, 8.0);
    EXPECT_EQ(r.height, 8.0);
    // 退 (U+9000) ends in the same two bytes as the ideographic space, but is no space.
    r = ParseImageReference("^@BMa.png,8\x91\xDE");
    EXPECT_TRUE(r.sizeInvalid);
    // Every beginning of a reference parses, to the path after the four-character prefix.
    const std::string whole = "^@BMab";
    for (size_t n = 0; n <= whole.size(); ++n) {
        r = ParseImageReference(whole.substr(0, n));
        EXPECT_EQ(r.path, n <= 4 ? "" : whole.substr(4, n - 4)) << n;
        EXPECT_FALSE(r.hasSize);
    }
}

TEST_F(PictureDrawerTest, FindsFilesAsWindowsPathsMeanThem) {
    fs::create_directories(folder + "/sub");
    write("sub/図.png", {1});
    write("ソ.bmp", {1});
    write("nothing.bmp", {1});
    using Kind = PictureLocation::Kind;

    PictureLocation where = LocatePicture(drawing, "sub\\" + kZu + ".png");
    EXPECT_EQ(where.kind, Kind::File);
    EXPECT_EQ(where.filePath, folder + "/sub/図.png");
    EXPECT_EQ(LocatePicture(drawing, kSo + ".bmp").filePath, folder + "/ソ.bmp");
    // An absolute path is taken as it is and never retried in the drawing's folder.
    EXPECT_EQ(LocatePicture(drawing, "D:\\nothing.bmp").kind, Kind::None);
    EXPECT_EQ(LocatePicture(drawing, "\\nothing.bmp").kind, Kind::None);
    EXPECT_EQ(LocatePicture(drawing, "/no/such/folder/nothing.bmp").kind, Kind::None);
    EXPECT_EQ(LocatePicture(drawing, folder + "/nothing.bmp").filePath, folder + "/nothing.bmp");
    // Wine's Z: drive is the Linux root.
    std::string windows = "Z:" + folder + "/nothing.bmp";
    for (char& c : windows) c = c == '/' ? '\\' : c;
    EXPECT_EQ(LocatePicture(drawing, windows).filePath, folder + "/nothing.bmp");
    // "Z:" with no root after it is relative to a current folder Wine alone knows: not found,
    // even where the drawing's folder has the file.
    EXPECT_EQ(LocatePicture(drawing, "Z:nothing.bmp").kind, Kind::None);
    EXPECT_EQ(LocatePicture(drawing, "z:").kind, Kind::None);
    // Embedded pictures are never looked for on disk.
    EXPECT_EQ(LocatePicture(drawing, "%temp%nothing.bmp").kind, Kind::None);
    drawing.embeddedPictures.push_back({"Logo.BMP.gz", {}});
    where = LocatePicture(drawing, "%TEMP%logo.bmp");
    EXPECT_EQ(where.kind, Kind::Embedded);
    EXPECT_EQ(where.embedded, &drawing.embeddedPictures[0]);
    // The name as written wins over one in another case; leading separators are not part of it.
    drawing.embeddedPictures.push_back({"logo.bmp", {}});
    where = LocatePicture(drawing, "%temp%\\logo.bmp");
    EXPECT_EQ(where.embedded, &drawing.embeddedPictures[1]);
    EXPECT_EQ(where.displayName, "%temp%logo.bmp");
    // A drawing with no folder (clipboard data) finds no relative path.
    drawing.DrawingFolder.clear();
    EXPECT_EQ(LocatePicture(drawing, "nothing.bmp").kind, Kind::None);
}

TEST_F(PictureDrawerTest, PlacesThePictureAtItsLowerLeftCorner) {
    write("logo.png", test::makePng(2, 1, {kRed, 0xFF00FF00}));
    draw({"^@BMlogo.png,50"});
    // 50 mm at 2 units per mm: 100 units square, lower-left at (10, 200).
    ASSERT_EQ(rectangles(), (std::vector<std::vector<int>>{{10, 100, 110, 200, 2, 1}}));
    EXPECT_EQ(picturesOf(target)[0].pixels, (std::vector<uint32_t>{kRed, 0xFF00FF00}));

    target.clear();
    write("a.jpg", test::makeJpeg(8, 8, test::solid(64, kRed)));
    draw({"^@BM" + folder + "/a.jpg," + k8 + k0 + "," + k6 + k0, "^@BMa.jpg,0.25,0.75"});
    EXPECT_EQ(rectangles(), (std::vector<std::vector<int>>{{10, 80, 170, 200, 8, 8},
                                                            {10, 198, 10, 200, 8, 8}}));  // 0.5 rounds to 0
    EXPECT_TRUE(warnings.empty());
}

TEST_F(PictureDrawerTest, AReferenceInADrawingStandsOnItsTextsStartPoint) {
    write("logo.png", test::makePng(2, 1, {kRed, 0xFF00FF00}));
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.text(30, 10, "^@BMlogo.png,40,20");
    b.drawing.DrawingFolder = folder;
    RenderRequest request;
    request.width = 400;
    request.height = 200;
    RenderDrawing(target, b.drawing, options, request);
    // Two units a millimetre, y downwards from 100: the lower-left corner at (60, 180).
    EXPECT_EQ(rectangles(), (std::vector<std::vector<int>>{{60, 140, 140, 180, 2, 1}}));
}

TEST_F(PictureDrawerTest, DrawsNothingWithoutSizeFileOrPermission) {
    write("logo.png", test::makePng(1, 1, {kRed}));
    write("nothing.bmp", test::makeBmp24(1, 1, {kRed}));
    draw({"^@BMlogo.png", "^@BMlogo.png,0", "^@BMlogo.png,-5", "^@BMmissing.png,5", "^@BMD:\\nothing.bmp,5"});
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(decodes, 0u);

    draw({"^@BMlogo.png,five"});
    EXPECT_EQ(warnings, (std::vector<std::string>{"picture reference ^@BMlogo.png,five: the width or height is not a number"}));

    warnings.clear();
    options.picturesHidden = true;  // "GrpFlg", whatever the decoders
    RegisterExtraPictureDecoder(std::make_shared<FakePlugin>());
    draw({"^@BMlogo.png,5", "^@BMlogo.png,five"});
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(warnings.empty());
}

TEST_F(PictureDrawerTest, LeavesOtherFormatsToThePlugIns) {
    write("scan.tif", {'T', 'I', 'F', 'F'});
    write("bad.tif", {'T', 'I', 'F', 'F', 'b', 'a', 'd'});
    write("odd.xyz", {'?'});
    write("png-named.tif", test::makePng(3, 1, test::solid(3, kRed)));
    const std::vector<std::string> refs = {"^@BMscan.tif,5", "^@BMbad.tif,5", "^@BModd.xyz,5", "^@BMpng-named.tif,5"};

    // No plug-in: only the built-in formats, chosen by extension, and others pass quietly.
    draw(refs);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(warnings.empty());

    RegisterExtraPictureDecoder(std::make_shared<FakePlugin>());
    draw(refs);
    // The plug-in reads the TIFF; the PNG is recognised by its contents.
    EXPECT_EQ(rectangles(), (std::vector<std::vector<int>>{{10, 190, 20, 200, 1, 1}, {10, 190, 20, 200, 3, 1}}));
    EXPECT_EQ(warnings, (std::vector<std::string>{"picture bad.tif: Susie Plugins could not decode (bad strip)",
                                                  "picture odd.xyz: no decoder accepts this picture"}));

    target.clear();
    warnings.clear();
    options.builtInDecodersOnly = true;  // "SPIFlg"
    draw(refs);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(warnings.empty());
}

TEST_F(PictureDrawerTest, DecodesEachFileOncePerRender) {
    write("logo.png", test::makePng(4, 4, test::solid(16, kRed)));
    write("bad.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
    draw(std::vector<std::string>(5, "^@BMlogo.png,5") );
    EXPECT_EQ(target.count(CallKind::Image), 5u);
    EXPECT_EQ(decodes, 1u);
    target.clear();
    draw(std::vector<std::string>(3, "^@BMbad.png,5"));
    EXPECT_EQ(decodes, 1u);
    EXPECT_TRUE(target.calls.empty());
    ASSERT_EQ(warnings.size(), 1u);  // reported once
    EXPECT_EQ(warnings[0].rfind("picture " + folder + "/bad.png: ", 0), std::string::npos);
    EXPECT_EQ(warnings[0].rfind("picture bad.png: ", 0), 0u);

    // A cache handed in lives across renders; a changed file is decoded again.
    PictureCache shared;
    RenderContext context(drawing, options);
    context.pictures = &shared;
    DrawImageReference(context, target, 0, 0, 1.0, "^@BMlogo.png,5");
    DrawImageReference(context, target, 0, 0, 1.0, "^@BMlogo.png,5");
    EXPECT_EQ(shared.decodeCount(), 1u);
    write("logo.png", test::makePng(5, 4, test::solid(20, kRed)));
    struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
    utimensat(AT_FDCWD, (folder + "/logo.png").c_str(), later, 0);
    DrawImageReference(context, target, 0, 0, 1.0, "^@BMlogo.png,5");
    EXPECT_EQ(shared.decodeCount(), 2u);
    EXPECT_EQ(target.only(CallKind::Image).back().picture->width, 5);
}

TEST_F(PictureDrawerTest, DrawsEmbeddedPicturesNeverTheDisk) {
    const std::vector<uint8_t> bmp = test::makeBmp24(2, 2, test::solid(4, kRed));
    drawing.embeddedPictures.push_back({"logo.bmp.gz", test::gzipped(bmp)});
    drawing.embeddedPictures.push_back({"plain.bmp", bmp});
    drawing.embeddedPictures.push_back({"broken.bmp.gz", {0x1F, 0x8B, 8, 0, 0, 0}});
    write("ondisk.bmp", bmp);
    draw({"^@BM%temp%logo.bmp,100,64.5161,0,0,1,0,255,255,255", "^@BM%Temp%plain.bmp,1",
          "^@BM%temp%ondisk.bmp,1", "^@BM%temp%broken.bmp,1"});
    EXPECT_EQ(rectangles(), (std::vector<std::vector<int>>{{10, 71, 210, 200, 2, 2}, {10, 198, 12, 200, 2, 2}}));
    EXPECT_EQ(picturesOf(target)[0].pixels, test::solid(4, kRed));
    EXPECT_EQ(warnings, (std::vector<std::string>{"picture %temp%broken.bmp: the compressed picture is cut short"}));

    // Inflating stops at the limit: a small entry may not grow without bound.
    std::vector<uint8_t> bytes;
    std::string why;
    EXPECT_FALSE(EmbeddedPictureBytes({"zeros.bmp.gz", test::gzipped(std::vector<uint8_t>(4 << 20))}, bytes, why, 1 << 20));
    EXPECT_EQ(why, "the picture inflates to more than 1 MB");
    EXPECT_TRUE(bytes.empty());
    // Damage inside the stream (a block type that does not exist) is told from an end cut short.
    why.clear();
    EXPECT_FALSE(EmbeddedPictureBytes({"bad.bmp.gz", {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 0x07, 0, 0, 0, 0}}, bytes, why));
    EXPECT_EQ(why, "the compressed picture is damaged: invalid block type");
    EXPECT_TRUE(bytes.empty());
}

TEST_F(PictureDrawerTest, ReadsOnlyRegularFilesOfBoundedSize) {
    fs::create_directories(folder + "/dir.png");
    ASSERT_EQ(mkfifo((folder + "/fifo.png").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", folder + "/zero.png");
    draw({"^@BMdir.png,5", "^@BMfifo.png,5", "^@BMzero.png,5"});
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(warnings, (std::vector<std::string>{"picture dir.png: not a regular file",
                                                  "picture fifo.png: not a regular file",
                                                  "picture zero.png: not a regular file"}));
    std::vector<uint8_t> bytes;
    std::string why;
    write("big.png", std::vector<uint8_t>(2 << 20, 1));
    EXPECT_FALSE(ReadPictureFile(folder + "/big.png", bytes, why, 1 << 20));
    EXPECT_EQ(why, "the file is larger than 1 MB");
    EXPECT_TRUE(ReadPictureFile(folder + "/big.png", bytes, why));
    EXPECT_EQ(bytes.size(), size_t(2 << 20));
}

TEST_F(PictureDrawerTest, DamagedPicturesOfEveryFormatLeaveAWarning) {
    std::vector<uint8_t> png = test::makePng(8, 8, test::solid(64, kRed));
    std::vector<uint8_t> jpeg = test::makeJpeg(8, 8, test::solid(64, kRed));
    std::vector<uint8_t> gif = test::makeGif(8, 8, std::vector<uint8_t>(64, 0), {0xFF0000, 0});
    std::vector<uint8_t> bmp = test::makeBmp24(8, 8, test::solid(64, kRed));
    write("cut.png", {png.begin(), png.begin() + 40});
    write("cut.jpg", {jpeg.begin(), jpeg.begin() + 100});
    write("cut.gif", {gif.begin(), gif.begin() + 20});
    write("cut.bmp", {bmp.begin(), bmp.begin() + 40});
    write("fake.png", test::makeBmp24(1, 1, {kRed}));
    draw({"^@BMcut.png,5", "^@BMcut.jpg,5", "^@BMcut.gif,5", "^@BMcut.bmp,5", "^@BMfake.png,5"});
    EXPECT_TRUE(target.calls.empty());
    ASSERT_EQ(warnings.size(), 5u);
    EXPECT_EQ(warnings[0].rfind("picture cut.png: ", 0), 0u);
    EXPECT_EQ(warnings[1].rfind("picture cut.jpg: ", 0), 0u);
    EXPECT_EQ(warnings[2].rfind("picture cut.gif: ", 0), 0u);
    EXPECT_EQ(warnings[3], "picture cut.bmp: the bitmap header is cut short");
    EXPECT_EQ(warnings[4], "picture fake.png: the file's contents do not match its extension");
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TDataMoji textOf(const std::string& cp932) {
    TDataMoji t;
    t.text = cp932;
    return t;
}

TEST(PictureReferenceList, ListsEachReferenceOnceWithWhetherItResolves) {
    Drawing d;
    d.DrawingFolder = test::scratchDir("picture_reference_list");
    test::writeFileBytes(d.DrawingFolder + "/logo.png", {1});
    d.embeddedPictures.push_back({"in.bmp.gz", {}});
    d.top.texts = {textOf("^@BMlogo.png,10"), textOf("plain text"), textOf("^@BMmissing.png,10"),
                   textOf("^@BMlogo.png,10")};
    d.members.texts = {textOf("^@BM%temp%in.bmp,5"), textOf("^@BM" + kZu + ".png,5")};
    const std::vector<PictureReferenceStatus> list = ListPictureReferences(d);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].reference, "^@BMlogo.png,10");
    EXPECT_TRUE(list[0].resolves);
    EXPECT_EQ(list[1].reference, "^@BMmissing.png,10");
    EXPECT_FALSE(list[1].resolves);
    EXPECT_EQ(list[2].reference, "^@BM%temp%in.bmp,5");
    EXPECT_TRUE(list[2].resolves);
    EXPECT_EQ(list[3].reference, "^@BM図.png,5");
    EXPECT_FALSE(list[3].resolves);
}

}  // namespace
}  // namespace korvel

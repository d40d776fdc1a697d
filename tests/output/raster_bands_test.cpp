// Pictures drawn in bands by several threads: the same pixels as one band drawn at once, the same
// warnings, the limits of the whole picture, progress and cancelling from the calling thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "hostile_drawings.h"
#include "output/raster_render.h"
#include "platform/headless_app.h"
#include "platform/qt_painter_target.h"
#include "render/render_driver.h"
#include "render/record_index.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::DrawingBuilder;

RasterRenderResult renderWith(const Drawing& d, int threads, const RecordIndex* index, int width = 640,
                              int height = 0, RenderLimits limits = {}, const RenderOptions& o = {},
                              const RenderProgress& progress = {}) {
    RasterRenderSettings s;
    s.threads = threads;
    s.index = index;
    s.limits = limits;
    if (height == 0) height = FitHeight(PictureFrame(d, o), width);
    return RenderToImage(d, o, width, height, 0.0, progress, s);
}

// The first differing pixel, for the failure message.
std::string firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return "first at " + std::to_string(x) + "," + std::to_string(y);
    return "none";
}

void expectSameAsOneBand(const Drawing& d, int width, const std::string& what, const RenderOptions& o = {}) {
    const RecordIndex index(d);
    const RasterRenderResult one = renderWith(d, 1, &index, width, 0, {}, o);
    const RasterRenderResult plain = renderWith(d, 1, nullptr, width, 0, {}, o);
    ASSERT_FALSE(one.image.isNull()) << what;
    EXPECT_TRUE(one.image == plain.image) << what << ": index; " << firstDifference(one.image, plain.image);
    for (int threads : {2, 3, 7}) {
        const RasterRenderResult bands = renderWith(d, threads, threads == 3 ? nullptr : &index, width, 0, {}, o);
        EXPECT_TRUE(bands.image == one.image) << what << ", " << threads << " threads: "
                                              << firstDifference(bands.image, one.image);
        EXPECT_EQ(bands.render.warnings, one.render.warnings) << what;
        EXPECT_EQ(bands.render.cutShort, one.render.cutShort) << what;
        EXPECT_TRUE(bands.render.completed) << what;
    }
}

// Records laid every 16 rows and across them, so that they meet the band edges wherever those
// fall: at 640 x 640 (1 unit per mm after the fit) there is one band per thread, so 2, 3 and 7
// threads put edges every 320, 213 and 91 rows.
DrawingBuilder edgeDrawing() {
    DrawingBuilder b;
    b.drawing.header.PenWidth = {0, 1, 1, 2, 4, 6, 9, 14, 25, 1};
    b.drawing.header.PenColor[6] = 0x0000FF;
    for (int y = 0; y <= 640; y += 16) {
        b.line(0, y, 640, y + 0.5, 2 + (y / 16) % 8, 1 + (y / 16) % 9);  // along and across edges, dashed
        b.line(y, 0, y + 37, 640, 2 + (y / 32) % 8, (y / 16) % 2 ? 12 : 1);  // steep, some random
    }
    for (int i = 0; i < 40; ++i) {
        b.circle(320 + 7 * i, 320 - 3 * i, 5 + 4 * i, 2 + i % 8, 1 + i % 5);
        b.arc(100 + 11 * i, 500 - 9 * i, 30, 0.3 * i, 2.0, 3 + i % 6);
    }
    for (int i = 0; i < 30; ++i) {
        TDataMoji& t = b.text(20 + 19 * i, 78 + 13 * i, "\x8a\xbf\x8e\x9a ABC");  // 漢字: across edges
        t.sizeX = t.sizeY = 4 + i;
        t.angle = 11.0 * i;
        b.solid({200.0 + 10 * i, 75.0 + i}, {215.0 + 10 * i, 79.0 + i}, {212.0 + 10 * i, 90.0 + 2 * i},
                {198.0 + 10 * i, 86.0 + i}, 2 + i % 8);
        b.specialPoint(400 + 8 * i, 150 + 16 * i, 1 + i % 9, 3.0, 15.0 * i);
        b.point(50 + 9 * i, 160 + 16.0 * i, 2 + i % 8);
    }
    b.dimension(10, 320, 630, 320);
    b.beginBlock();
    b.line(-20, -20, 20, 20, 7);
    b.circle(0, 0, 15, 8);
    b.text(0, 0, "blk");
    b.endBlock();
    for (int i = 0; i < 12; ++i) b.insert(b.drawing.top.definitions.size() - 1, 50 + 50 * i, 40 + 50 * i, 0.2 * i, 1.5, 0.8);
    b.extents(0, 0, 640, 640);
    return b;
}

TEST(RasterBands, EdgeRecordsDrawTheSamePixelsInAnyNumberOfBands) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b = edgeDrawing();
    expectSameAsOneBand(b.drawing, 640, "edges");
    expectSameAsOneBand(b.drawing, 1001, "edges at 1001 px");
    b.drawing.header.DisplayOption[3] = 1;  // walked from the last record
    RenderOptions o;
    o.drawOrder = 1;
    o.lastDraw = 1;
    o.drawOutLine = 2;
    expectSameAsOneBand(b.drawing, 640, "edges, reversed, solids first, texts last", o);
}

// The strips a pan uncovers, drawn alone behind their clip, hold what a whole render puts there,
// whichever way the picture was moved.
TEST(RasterBands, StripsAPanUncoversHoldTheWholeRendersPixels) {
    EnsureHeadlessGuiApplication();
    const DrawingBuilder b = edgeDrawing();
    const RecordIndex index(b.drawing);
    RenderRequest request;
    request.width = request.height = 640;
    request.index = &index;
    const QRegion strips = QRegion(0, 300, 500, 100) + QRegion(430, 0, 70, 300);
    for (const QPoint offset : {QPoint(-40, -100), QPoint(30, 60)}) {
        QImage whole(500, 400, QImage::Format_RGB32), parts(500, 400, QImage::Format_RGB32);
        whole.fill(Qt::white);
        parts.fill(Qt::white);
        RenderIntoImage(whole, offset, QRegion(whole.rect()), qRgb(255, 255, 255), b.drawing, {}, request, 2);
        RenderIntoImage(parts, offset, strips, qRgb(255, 255, 255), b.drawing, {}, request, 2);
        QImage expected(500, 400, QImage::Format_RGB32);
        expected.fill(Qt::white);
        int ink = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 500; ++x)
                if (strips.contains(QPoint(x, y))) {
                    expected.setPixel(x, y, whole.pixel(x, y));
                    ink += whole.pixel(x, y) != qRgb(255, 255, 255);
                }
        EXPECT_GT(ink, 2000);
        EXPECT_TRUE(parts == expected) << offset.x() << "," << offset.y() << ": " << firstDifference(parts, expected);
    }
}

TEST(RasterBands, LongLinesOfEveryKindCrossingManyBands) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b;
    b.drawing.header.PenWidth = {0, 1, 1, 2, 4, 6, 9, 14, 25, 1};
    uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % 100000) / 100000.0;
    };
    for (int i = 0; i < 300; ++i) {
        const double x1 = next() * 800 - 80, y1 = next() * 800 - 80, x2 = next() * 800 - 80, y2 = next() * 800 - 80;
        // Pens up to 9 wide, one in fifty 25 wide; a third random lines, the rest dashes.
        b.line(x1, y1, x2, y2, i % 50 == 0 ? 8 : 2 + i % 6, i % 3 == 0 ? 11 + i % 5 : 1 + i % 9);
    }
    b.extents(0, 0, 640, 640);
    const RecordIndex index(b.drawing);
    for (int width : {640, 1001}) {
        const RasterRenderResult one = renderWith(b.drawing, 1, &index, width);
        for (int threads : {2, 3, 5, 8}) {
            const RasterRenderResult bands = renderWith(b.drawing, threads, &index, width);
            EXPECT_TRUE(bands.image == one.image) << width << " px, " << threads << " threads: "
                                                  << firstDifference(bands.image, one.image);
        }
    }
}

// The threads that draw bands are kept and shared: renders asked for from several threads at
// once wait for each other's bands or draw them themselves, and each gets its own picture whole.
TEST(RasterBands, RendersAskedForAtOnceShareTheBandThreads) {
    EnsureHeadlessGuiApplication();
    const DrawingBuilder b = edgeDrawing();
    const QImage one = renderWith(b.drawing, 1, nullptr, 640).image;
    std::vector<QImage> pictures(12);
    std::vector<std::thread> callers;
    for (int c = 0; c < 4; ++c) {
        callers.emplace_back([&, c] {
            for (int round = 0; round < 3; ++round)
                pictures[size_t(c * 3 + round)] = renderWith(b.drawing, 2 + (c + round) % 4, nullptr, 640).image;
        });
    }
    for (std::thread& t : callers) t.join();
    for (size_t i = 0; i < pictures.size(); ++i)
        EXPECT_TRUE(pictures[i] == one) << "render " << i << ": " << firstDifference(pictures[i], one);
}

TEST(RasterBands, EverySampleDrawsTheSamePixelsInBands) {
    KORVEL_REQUIRE_SAMPLES();
    EnsureHeadlessGuiApplication();
    for (const std::filesystem::path& file : test::sampleDrawings()) {
        Drawing drawing;
        ASSERT_TRUE(LoadFile(drawing, file.string()).ok) << file;
        expectSameAsOneBand(drawing, 900, file.filename().string());
    }
}

// Each band draws only what can reach it: short lines spread over the picture are drawn once
// in all, save those near a band's edge.
TEST(RasterBands, EachBandDrawsOnlyTheLinesThatReachIt) {
    DrawingBuilder b;
    for (int i = 0; i < 2000; ++i) {
        const double x = (i * 37) % 640, y = (i * 91) % 640;
        b.line(x, y, x + 3, y + 2, 2, 1);
    }
    b.finish();
    const RasterRenderResult one = renderWith(b.drawing, 1, nullptr);
    const RasterRenderResult two = renderWith(b.drawing, 2, nullptr);
    EXPECT_TRUE(two.image == one.image);
    EXPECT_GE(one.render.piecesDrawn, 2000u);
    EXPECT_GE(two.render.piecesDrawn, one.render.piecesDrawn);
    EXPECT_LT(two.render.piecesDrawn, one.render.piecesDrawn + 200);
}

TEST(RasterBands, LimitsBindTheWholePictureAndAreToldOnce) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b = edgeDrawing();
    const RecordIndex index(b.drawing);
    const RasterRenderResult whole = renderWith(b.drawing, 1, &index);
    ASSERT_FALSE(whole.render.cutShort);
    // Limits each band keeps within but the picture as a whole does not.
    RenderLimits limits;
    limits.maxPieces = whole.render.piecesDrawn - 1;
    const RasterRenderResult one = renderWith(b.drawing, 1, &index, 640, 0, limits);
    const RasterRenderResult bands = renderWith(b.drawing, 4, &index, 640, 0, limits);
    ASSERT_TRUE(one.render.cutShort);
    EXPECT_TRUE(bands.render.cutShort);
    EXPECT_TRUE(bands.image == one.image) << firstDifference(bands.image, one.image);
    EXPECT_EQ(bands.render.warnings, one.render.warnings);
    ASSERT_EQ(bands.render.warnings.size(), 1u);
    EXPECT_EQ(bands.render.warnings[0].rfind("drawing stopped at its limit of", 0), 0u) << bands.render.warnings[0];
    // Exactly at the limit nothing is cut, and the bands keep their own pixels.
    limits.maxPieces = whole.render.piecesDrawn;
    const RasterRenderResult exact = renderWith(b.drawing, 4, &index, 640, 0, limits);
    EXPECT_FALSE(exact.render.cutShort);
    EXPECT_TRUE(exact.render.warnings.empty());
    EXPECT_TRUE(exact.image == whole.image);
    limits = {};
    limits.maxRecords = 10;
    const RasterRenderResult fewRecords = renderWith(b.drawing, 3, &index, 640, 0, limits);
    EXPECT_TRUE(fewRecords.image == renderWith(b.drawing, 1, &index, 640, 0, limits).image);
    EXPECT_EQ(fewRecords.render.warnings.size(), 1u);
}

// Each band but the last to end tells its rows when it ends, from its own thread: every row told
// holds the finished picture's pixels then, no row is told twice, and the untold rows are one
// band's. A picture drawn over again at once (past the limits) tells every row again.
TEST(RasterBands, RowsAreToldFinalAsTheirBandEnds) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b = edgeDrawing();
    const RecordIndex index(b.drawing);
    const RasterRenderResult whole = renderWith(b.drawing, 1, &index);
    for (int threads : {1, 2, 4}) {
        std::mutex mutex;
        std::map<int, QImage> told;  // by top row: the rows as they were told
        RasterRenderSettings s;
        s.threads = threads;
        s.rowsFinal = [&](int top, int bottom, const QImage& source) {
            std::lock_guard<std::mutex> lock(mutex);
            EXPECT_TRUE(told.emplace(top, source.copy(0, top, source.width(), bottom - top)).second);
        };
        const RasterRenderResult r = RenderToImage(b.drawing, {}, 640, 640, 0.0, {}, s);
        ASSERT_TRUE(r.image == whole.image) << threads;
        ASSERT_EQ(told.size(), size_t(threads - 1)) << threads;
        int next = 0, untold = 0;
        for (const auto& [top, rows] : told) {
            EXPECT_GE(top, next) << threads;
            untold += top - next;
            next = top + rows.height();
            EXPECT_EQ(rows.height(), 640 / threads) << threads;
            EXPECT_TRUE(rows == r.image.copy(0, top, 640, rows.height())) << threads << " rows from " << top;
        }
        untold += 640 - next;
        EXPECT_EQ(untold, 640 / threads) << threads;
    }
    RenderLimits limits;
    limits.maxPieces = whole.render.piecesDrawn - 1;
    std::vector<std::pair<int, int>> told;
    RasterRenderSettings s;
    s.threads = 4;
    s.limits = limits;
    s.index = &index;
    s.rowsFinal = [&](int top, int bottom, const QImage&) { told.emplace_back(top, bottom); };
    const RasterRenderResult cut = RenderToImage(b.drawing, {}, 640, 640, 0.0, {}, s);
    ASSERT_TRUE(cut.render.cutShort);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), std::make_pair(0, 640));
}

// Many records in the lower half only, with every kind of pen, so that a band above it is done
// long before the band below.
DrawingBuilder bottomHeavyDrawing() {
    DrawingBuilder b = edgeDrawing();
    b.drawing.header.PenWidth = {0, 1, 1, 2, 4, 6, 9, 14, 25, 1};
    for (int i = 0; i < 24000; ++i) {
        const double x = (i * 37) % 640, y = 330 + (i * 91) % 300;
        b.line(x, y, x + 9 + i % 23, y + 5 - i % 11, 2 + i % 8, i % 7 == 0 ? 11 + i % 5 : 1 + i % 9);
        if (i % 400 == 0) b.text(x, y, "\x8a\xbf ABC").sizeX = 3 + i % 5;
    }
    return b;
}

// A walk taken up where another gave its lower rows away draws, in those rows, what a render of
// the whole draws there: the giver's pixels so far are the taker's start, and the taker goes on
// from the record after the last the giver drew, in either pass and in either order.
TEST(RasterBands, AWalkTakenUpWhereRowsWereGivenAwayDrawsTheWholeRendersPixels) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b = edgeDrawing();
    const size_t steps = b.drawing.top.sequence.size();
    const auto draw = [&](QImage& image, const RenderOptions& o, const RenderRequest& r) {
        QPainter painter(&image);
        QtPainterTarget target(painter);
        return RenderDrawing(target, b.drawing, o, r);
    };
    RenderOptions textsLast;
    textsLast.lastDraw = 1;
    textsLast.drawOrder = 1;
    for (const auto& [o, reversed, pass, step] : std::vector<std::tuple<RenderOptions, bool, int, size_t>>{
             {RenderOptions{}, false, 0, steps / 3},
             {RenderOptions{}, true, 0, 1},
             {textsLast, false, 0, steps - 2},
             {textsLast, true, 1, steps / 2}}) {
        b.drawing.header.DisplayOption[3] = reversed ? 1 : 0;
        const std::string what = "pass " + std::to_string(pass) + ", step " + std::to_string(step) +
                                 (reversed ? ", reversed" : "");
        RenderRequest whole;
        whole.width = whole.height = 640;
        QImage expected(640, 640, QImage::Format_RGB32);
        draw(expected, o, whole);

        QImage giver(640, 640, QImage::Format_RGB32), taker;
        std::atomic<bool> asked{true};
        WalkPoint givenAt;
        RowGiving giving;
        giving.asked = &asked;
        giving.give = [&](const WalkPoint& at) {
            if (at.pass == pass && at.step == step) {
                taker = giver.copy();
                givenAt = at;
            }
            return taker.isNull() ? DeviceRect{0, 0, 640, 640} : DeviceRect{0, 0, 640, 250};
        };
        RenderRequest first = whole;
        first.shown = {0, 0, 640, 640};
        first.giving = &giving;
        draw(giver, o, first);
        ASSERT_FALSE(taker.isNull()) << what;
        RenderRequest rest = whole;
        rest.clearBackground = true;  // asked, and not done: a walk taken up keeps what it starts on
        rest.shown = {0, 250, 640, 640};
        rest.resumeAt = &givenAt;
        draw(taker, o, rest);
        EXPECT_TRUE(giver.copy(0, 0, 640, 250) == expected.copy(0, 0, 640, 250)) << what;
        EXPECT_TRUE(taker.copy(0, 250, 640, 390) == expected.copy(0, 250, 640, 390)) << what;
        // What the taker would have drawn had it started over is not what it drew.
        QImage fresh = taker.copy();
        fresh.fill(Qt::black);
        draw(fresh, o, rest);
        EXPECT_FALSE(fresh.copy(0, 250, 640, 390) == expected.copy(0, 250, 640, 390)) << what;
    }
}

// A thread whose band is done takes over the lower rows of a band still being drawn; the picture
// and the rows told are those of one band drawn at once, and the rows are told by band.
TEST(RasterBands, AThreadWhoseBandIsDoneTakesOverRowsOfAnother) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b = bottomHeavyDrawing();
    RenderOptions textsLast;
    textsLast.lastDraw = 1;
    for (const RenderOptions& o : {RenderOptions{}, textsLast}) {
        const RasterRenderResult one = renderWith(b.drawing, 1, nullptr, 640, 640, {}, o);
        uint32_t takenOver = 0;
        // Whether the other thread starts before the first has drawn both bands is the system's
        // choice; some of these renders take rows over.
        for (int round = 0; round < 12 && takenOver < 3; ++round) {
            std::mutex mutex;
            std::map<int, int> told;
            RasterRenderSettings s;
            s.threads = 2;
            s.rowsFinal = [&](int top, int bottom, const QImage& source) {
                std::lock_guard<std::mutex> lock(mutex);
                told.emplace(top, bottom);
                EXPECT_TRUE(source.copy(0, top, 640, bottom - top) == one.image.copy(0, top, 640, bottom - top));
            };
            const RasterRenderResult two = RenderToImage(b.drawing, o, 640, 640, 0.0, {}, s);
            ASSERT_TRUE(two.image == one.image) << round << ": " << firstDifference(two.image, one.image);
            EXPECT_EQ(two.render.warnings, one.render.warnings);
            EXPECT_GE(two.render.recordsDrawn, one.render.recordsDrawn);
            EXPECT_EQ(told.size(), 1u);
            for (const auto& [top, bottom] : told) EXPECT_TRUE((top == 0 && bottom == 320) || (top == 320 && bottom == 640));
            takenOver += two.render.rowsTakenOver;
        }
        EXPECT_GT(takenOver, 0u);
    }
}

TEST(RasterBands, OutOfRangeRecordsAreToldOnceAndLast) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b = edgeDrawing();
    b.line(0, 0, std::numeric_limits<double>::infinity(), 5);
    b.text(30, 30, "^@BMmissing.bmp,x,10");
    const RasterRenderResult one = renderWith(b.drawing, 1, nullptr);
    const RasterRenderResult bands = renderWith(b.drawing, 5, nullptr);
    ASSERT_EQ(one.render.warnings.size(), 2u);
    EXPECT_EQ(bands.render.warnings, one.render.warnings);
    EXPECT_TRUE(bands.image == one.image);
}

TEST(RasterBands, ProgressIsToldFromTheCallingThreadAndCancelStopsEveryBand) {
    EnsureHeadlessGuiApplication();
    DrawingBuilder b;
    for (int i = 0; i < 20000; ++i) b.line(i % 640, (i * 7) % 640, (i * 13) % 640, (i * 3) % 640, 2 + i % 8);
    b.extents(0, 0, 640, 640);
    const std::thread::id caller = std::this_thread::get_id();
    std::set<std::thread::id> callers;
    size_t last = 0, total = 0;
    std::vector<size_t> reports;
    bool rising = true;
    const RasterRenderResult r = renderWith(b.drawing, 3, nullptr, 640, 0, {}, {}, [&](size_t done, size_t all) {
        callers.insert(std::this_thread::get_id());
        reports.push_back(done);
        rising = rising && done >= last && done <= all;
        last = done;
        total = all;
        return true;
    });
    EXPECT_TRUE(r.render.completed);
    EXPECT_EQ(callers, std::set<std::thread::id>{caller});
    EXPECT_TRUE(rising);
    EXPECT_EQ(total, b.drawing.top.sequence.size());
    EXPECT_EQ(last, total);
    ASSERT_GT(reports.size(), 2u);
    EXPECT_LT(reports.front(), total) << "the first report is part of the way";

    int calls = 0;
    const RasterRenderResult cancelled =
        renderWith(b.drawing, 3, nullptr, 640, 0, {}, {}, [&](size_t, size_t) { return ++calls < 2; });
    EXPECT_FALSE(cancelled.render.completed);
    EXPECT_LT(cancelled.render.recordsDrawn, b.drawing.top.sequence.size());
}

// Pictures past the allowance of decoded pixels: the picture is drawn again at once, and the
// pictures the bands decoded must not make that render decode less than one of its own.
TEST(RasterBands, PicturesPastTheAllowanceAreRefusedAsInOneBand) {
    EnsureHeadlessGuiApplication();
    const std::string dir = test::scratchDir("band-pictures");
    std::vector<std::string> pictures;
    for (int i = 0; i < 6; ++i) {
        pictures.push_back(dir + "/p" + std::to_string(i) + ".png");
        ASSERT_TRUE(test::writeLargePng(pictures.back(), 300, 300));
    }
    const Drawing d = test::pictureReferences(60, pictures);
    RenderLimits limits;
    limits.maxPicturePixels = 3 * 90000 + 5;
    const RasterRenderResult one = renderWith(d, 1, nullptr, 640, 0, limits);
    const RasterRenderResult bands = renderWith(d, 4, nullptr, 640, 0, limits);
    ASSERT_EQ(one.render.warnings.size(), 1u);
    EXPECT_EQ(one.render.warnings[0].rfind("3 picture(s) not drawn", 0), 0u) << one.render.warnings[0];
    EXPECT_EQ(bands.render.warnings, one.render.warnings);
    EXPECT_TRUE(bands.image == one.image) << firstDifference(bands.image, one.image);
}

// Pictures to render into: large ones on pages of their own (their first pixel where a huge page
// starts), small ones and other depths as QImage makes them; either way an ordinary picture.
TEST(RasterCanvas, LargePicturesStartOnAHugePageAndBehaveAsAnyPicture) {
    QImage big = NewCanvas(1601, 1000, QImage::Format_RGB32);
    ASSERT_FALSE(big.isNull());
    EXPECT_EQ(big.size(), QSize(1601, 1000));
    EXPECT_EQ(big.bytesPerLine(), 1601 * 4);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(big.constBits()) % (uintptr_t(2) << 20), 0u);
    big.fill(qRgb(1, 2, 3));
    big.setPixel(1600, 999, qRgb(9, 8, 7));
    const QImage copy = big;  // shares the pixels until either is written
    big.setPixel(0, 0, qRgb(4, 5, 6));
    EXPECT_EQ(copy.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(copy.pixel(1600, 999), qRgb(9, 8, 7));
    EXPECT_EQ(big.pixel(0, 0), qRgb(4, 5, 6));
    EXPECT_EQ(big.pixel(1600, 999), qRgb(9, 8, 7));

    const QImage small = NewCanvas(300, 200, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(small.size(), QSize(300, 200));
    EXPECT_EQ(small.format(), QImage::Format_ARGB32_Premultiplied);
    const QImage grey = NewCanvas(3000, 3000, QImage::Format_Grayscale8);
    EXPECT_EQ(grey.size(), QSize(3000, 3000));
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_TRUE(NewCanvas(0, 10, QImage::Format_RGB32).isNull());
}

}  // namespace
}  // namespace korvel

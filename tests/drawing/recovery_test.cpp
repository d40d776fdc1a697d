// Reading damaged data: streams whose front is cut away, garbage in the middle, and on every
// real drawing the share of intact records that
// recovery keeps (printed as a table; at least 90 % must hold).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "drawing/byte_reader.h"
#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"
#include "drawing/record_stream.h"
#include "test_support.h"

namespace korvel {
namespace {

TDataSen line(double x) {
    TDataSen s;
    s.start = {x, 0};
    s.end = {x, 10};
    return s;
}

// A record stream of `lines` lines, then a text and a circle, as our writer writes it.
std::vector<uint8_t> streamOf(int lines) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < lines; ++i) b.add(line(i));
    TDataMoji text;
    text.start = {1, 1};
    text.end = {5, 1};
    text.sizeY = 2;
    text.text = "abc";
    b.add(text);
    TDataEnko circle;
    circle.radius = 3;
    circle.fullCircle = 1;
    b.add(circle);
    b.finish();
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
    return std::vector<uint8_t>(bytes.begin() + static_cast<long>(d.RecordsStart), bytes.end());
}

TEST(Recovery, AStreamWhoseFrontIsCutAwayIsReadFromItsFirstWholeRecord) {
    const std::vector<uint8_t> stream = streamOf(40);
    // The class entry of the lines (14 bytes) and the first line go; 39 lines remain whole
    // after 1 to 47 bytes more of the cut, 38 after 48 to 96.
    for (size_t cut : {14u + 47u + 1u, 14u + 47u + 20u, 14u + 47u + 49u + 10u}) {
        const std::vector<uint8_t> damaged(stream.begin() + static_cast<long>(cut), stream.end());
        Drawing d;
        LoadResult r = LoadDamagedJww(d, damaged.data(), damaged.size());
        ASSERT_TRUE(r.ok) << cut << ": " << r.error;
        const uint32_t whole = cut < 14 + 2 * 47 + 2 ? 38 : 37;
        ASSERT_EQ(d.LineCount(), whole) << cut;
        EXPECT_EQ(d.TextCount(), 1u) << cut;
        EXPECT_EQ(d.CircleCount(), 1u) << cut;
        EXPECT_EQ(d.top.lines.back().start.x, 39.0) << cut;
        // What came before the first whole record is the damage it reports.
        EXPECT_FALSE(d.completeness.complete);
        EXPECT_EQ(d.completeness.skippedStretches, 1u);
        EXPECT_EQ(d.completeness.damagedAt, 0u);
        ASSERT_FALSE(r.warnings.empty());
        EXPECT_NE(r.warnings.back().find("passed over, the first at byte 0"), std::string::npos) << r.warnings.back();
    }
}

TEST(Recovery, GarbageInsideTheStreamCostsOnlyTheRecordsItHits) {
    std::vector<uint8_t> stream = streamOf(60);
    // 16 bytes over the tag and attributes of line 20 (each line after the first is a 2-byte
    // tag and 47 bytes of fields).
    const size_t line20 = 14 + 47 + 19 * 49;
    for (size_t i = 0; i < 16; ++i) stream[line20 + i] = static_cast<uint8_t>(0xA5 ^ (i * 37));
    Drawing d;
    LoadResult r = LoadDamagedJww(d, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(d.LineCount(), 59u);
    EXPECT_EQ(d.TextCount(), 1u);
    EXPECT_EQ(d.CircleCount(), 1u);
    for (const TDataSen& l : d.top.lines) EXPECT_NE(l.start.x, 20.0);
    EXPECT_EQ(d.completeness.skippedStretches + d.completeness.droppedRecords, 1u);
}

TEST(Recovery, AWholeStreamIsCompleteAndCountsWhatCp932CannotHold) {
    std::vector<uint8_t> stream = streamOf(10);
    Drawing whole;
    LoadResult r = LoadDamagedJww(whole, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(whole.LineCount(), 10u);
    EXPECT_TRUE(whole.completeness.complete);
    EXPECT_EQ(whole.completeness.skippedStretches, 0u);
    EXPECT_EQ(whole.completeness.droppedRecords, 0u);
    EXPECT_EQ(r.replacedCharacters, 0u);

    // The text "abc" as a UTF-16 string (a marked length) holding "a" and U+1F600, which CP932
    // lacks: one character replaced, whether the front of the stream is there or not.
    const uint8_t plain[] = {3, 'a', 'b', 'c'};
    const uint8_t unicode[] = {0xFF, 0xFE, 0xFF, 3, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE};
    const auto at = std::search(stream.begin(), stream.end(), std::begin(plain), std::end(plain));
    ASSERT_NE(at, stream.end());
    const size_t offset = static_cast<size_t>(at - stream.begin());
    stream.erase(at, at + 4);
    stream.insert(stream.begin() + static_cast<long>(offset), std::begin(unicode), std::end(unicode));
    for (size_t cut : {size_t{0}, size_t{14 + 47 + 1}}) {
        Drawing d;
        r = LoadDamagedJww(d, stream.data() + cut, stream.size() - cut);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(d.TextCount(), 1u) << cut;
        EXPECT_EQ(d.top.texts[0].text, std::string("a") + kCp932Replacement) << cut;
        EXPECT_EQ(r.replacedCharacters, 1u) << cut;
        EXPECT_EQ(d.completeness.complete, cut == 0) << cut;
    }
}

// ---- Figures on the real drawings ----

struct Figures {
    size_t intact = 0;    // records of the original that the damage left whole
    size_t kept = 0;      // of those, read back exactly where they lie
    size_t damaged = 0;   // records read where a damaged record of the original lies
    size_t spurious = 0;  // records read that are none of the original's
};

// Reads `data` by recovery and counts, against the original's record spans shifted by
// `shift`, what was kept; `hit` tells whether an original span was touched by the damage.
template <class Hit>
Figures measure(const std::vector<uint8_t>& data, const std::vector<RecordSpan>& original, size_t shift, Hit hit) {
    Figures f;
    Drawing d;
    std::vector<RecordSpan> spans;
    StreamReport report;
    report.spans = &spans;
    ByteReader in(data.data(), data.size());
    ScanAndReadRecords(d, in, report);
    std::vector<std::pair<size_t, size_t>> intact, hitSpans;
    for (const RecordSpan& s : original) {
        (hit(s) ? hitSpans : intact).push_back({s.begin, s.end});
    }
    f.intact = intact.size();
    std::sort(intact.begin(), intact.end());
    std::sort(hitSpans.begin(), hitSpans.end());
    for (const RecordSpan& s : spans) {
        const std::pair<size_t, size_t> at{s.begin + shift, s.end + shift};
        if (std::binary_search(intact.begin(), intact.end(), at)) ++f.kept;
        else if (std::binary_search(hitSpans.begin(), hitSpans.end(), at)) ++f.damaged;
        else ++f.spurious;
    }
    return f;
}

std::vector<std::string> sampleFiles() {
    std::vector<std::string> files;
    if (test::samplesDir().empty()) return files;
    for (const auto& e : std::filesystem::directory_iterator(test::samplesDir()))
        if (e.path().extension() == ".jww") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

double share(const Figures& f) { return f.intact == 0 ? 1.0 : static_cast<double>(f.kept) / f.intact; }

TEST(Recovery, KeepsNineTenthsOfTheIntactRecordsOfEverySample) {
    KORVEL_REQUIRE_SAMPLES();
    std::printf("%-26s %8s | %-17s %-17s %-17s %-17s | %-17s %s\n", "drawing", "records", "cut 1", "cut 10",
                "cut 100", "cut 1000", "16 B x 20, 10 copies", "damaged/spurious");
    for (const std::string& file : sampleFiles()) {
        const std::vector<uint8_t> bytes = test::readFileBytes(file);
        Drawing original;
        std::vector<RecordSpan> spans;
        StreamReport report;
        report.spans = &spans;
        ByteReader in(bytes.data(), bytes.size());
        ASSERT_TRUE(ReadJwwHeader(original, in, report));
        ASSERT_TRUE(ReadRecords(original, in, report));
        const size_t start = original.RecordsStart;
        const std::vector<uint8_t> stream(bytes.begin() + static_cast<long>(start), bytes.end());
        for (RecordSpan& s : spans) s.tagAt -= start, s.begin -= start, s.end -= start;

        const std::string name = std::filesystem::path(file).filename().string();
        std::printf("%-26s %8zu |", name.c_str(), spans.size());
        size_t spurious = 0, damagedRead = 0;
        for (size_t cut : {1u, 10u, 100u, 1000u}) {
            if (cut >= stream.size()) {
                std::printf(" %-17s", "-");
                continue;
            }
            const std::vector<uint8_t> damaged(stream.begin() + static_cast<long>(cut), stream.end());
            const Figures f = measure(damaged, spans, cut, [&](const RecordSpan& s) { return s.tagAt < cut; });
            std::printf(" %5zu/%-5zu %3.0f%% ", f.kept, f.intact, 100.0 * share(f));
            EXPECT_GE(share(f), 0.9) << name << " cut " << cut;
            spurious += f.spurious;
            damagedRead += f.damaged;
        }
        // Twenty stretches of 16 bytes destroy a fifth of a stream of 1.5 KB and most of one of
        // 500 bytes; what is left whole there is a few records, so ten damaged copies are
        // pooled for the share, and the worst single copy is shown beside it.
        Figures pooled, worst;
        for (unsigned seed = 1; seed <= 10; ++seed) {
            std::mt19937 random(seed);
            std::vector<uint8_t> damaged = stream;
            std::vector<size_t> places;
            std::uniform_int_distribution<size_t> at(0, stream.size() - 16);
            for (int i = 0; i < 20; ++i) places.push_back(at(random));
            for (size_t p : places)
                for (size_t i = 0; i < 16; ++i) damaged[p + i] = static_cast<uint8_t>(random());
            const Figures f = measure(damaged, spans, 0, [&](const RecordSpan& s) {
                for (size_t p : places)
                    if (p < s.end && s.tagAt < p + 16) return true;
                return false;
            });
            pooled.intact += f.intact;
            pooled.kept += f.kept;
            if (seed == 1 || share(f) < share(worst)) worst = f;
            spurious += f.spurious;
            damagedRead += f.damaged;
        }
        EXPECT_GE(share(pooled), 0.9) << name << " overwritten";
        std::printf("| %5zu/%-5zu %3.0f%% (worst %zu/%zu)  %zu/%zu\n", pooled.kept, pooled.intact, 100.0 * share(pooled),
                    worst.kept, worst.intact, damagedRead, spurious);
    }
}

}  // namespace
}  // namespace korvel

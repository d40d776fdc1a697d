// Bad input: every prefix of every real drawing and of our own, and drawings with bytes
// flipped, load without crashing or hanging and say what happened. The sanitizer build runs
// these too.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>

#include "drawing/file_bytes.h"
#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "drawing/record_stream.h"
#include "test_support.h"

namespace korvel {
namespace {

std::vector<std::string> drawingFiles() {
    std::vector<std::string> files;
    if (!test::samplesDir().empty()) {
        for (const auto& e : std::filesystem::directory_iterator(test::samplesDir()))
            if (e.path().extension() == ".jww") files.push_back(e.path().string());
    }
    const std::string demo = test::sourcePath("samples/demo.jww");
    if (std::filesystem::exists(demo)) files.push_back(demo);
    std::sort(files.begin(), files.end());
    return files;
}

// A load result either succeeded or says why not, and every offset it names lies within the
// data it was given.
void expectAccountedFor(const LoadResult& r, const Drawing& d, size_t size, const std::string& what) {
    if (!r.ok) {
        EXPECT_FALSE(r.error.empty()) << what;
        EXPECT_LE(r.errorOffset, size) << what << ": " << r.error;
    }
    EXPECT_LE(d.completeness.endedAt, size) << what;
    if (d.completeness.damaged) {
        EXPECT_LE(d.completeness.damagedAt, size) << what;
    }
    if (r.ok && !d.completeness.complete) {
        EXPECT_FALSE(r.warnings.empty()) << what << ": read incomplete without a word";
    }
}

class EveryPrefix : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryPrefix, LoadsOrSaysWhy) {
    const std::vector<uint8_t> bytes = test::readFileBytes(GetParam());
    ASSERT_FALSE(bytes.empty());
    for (size_t n = 0; n < bytes.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizers see any read past its end.
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(n));
        Drawing jww, damaged;
        const LoadResult r = LoadJww(jww, prefix.data(), prefix.size());
        expectAccountedFor(r, jww, n, "jww prefix " + std::to_string(n));
        if (n % 7 == 0) {
            const LoadResult scanned = LoadDamagedJww(damaged, prefix.data(), prefix.size());
            expectAccountedFor(scanned, damaged, n, "scan prefix " + std::to_string(n));
        }
        if (HasFailure()) return;
    }
}

TEST_P(EveryPrefix, FlippedBytesLoadOrSayWhy) {
    const std::vector<uint8_t> bytes = test::readFileBytes(GetParam());
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bad = bytes;
        const int flips = 1 + round % 8;
        for (int i = 0; i < flips; ++i) {
            std::uniform_int_distribution<size_t> at(0, bad.size() - 1);
            bad[at(random)] ^= static_cast<uint8_t>(1u << (random() % 8));
        }
        Drawing jww, jwz, jws;
        const std::string at = " round " + std::to_string(round);
        expectAccountedFor(LoadJww(jww, bad.data(), bad.size()), jww, bad.size(), "jww" + at);
        expectAccountedFor(LoadJwz(jwz, bad.data(), bad.size()), jwz, bad.size(), "jwz" + at);
        expectAccountedFor(LoadJws(jws, bad.data(), bad.size()), jws, bad.size(), "jws" + at);
        if (HasFailure()) return;
    }
}

std::string nameOf(const ::testing::TestParamInfo<std::string>& info) {
    std::string n = std::to_string(info.index) + "_";
    for (char c : std::filesystem::path(info.param).stem().string())
        if (std::isalnum(static_cast<unsigned char>(c))) n.push_back(c);
    return n;
}

INSTANTIATE_TEST_SUITE_P(Drawings, EveryPrefix, ::testing::ValuesIn(drawingFiles()), nameOf);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EveryPrefix);

TEST(BadInput, TinyAndHostileInputs) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {},
        {'J'},
        {'J', 'w', 'w', 'D', 'a', 't', 'a', '.'},
        {'J', 'w', 'w', 'D', 'a', 't', 'a', '.', 0xFF, 0xFF, 0xFF, 0xFF, 255, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
        std::vector<uint8_t>(4096, 'C'),
        std::vector<uint8_t>(4096, 0xFF),
    };
    for (const auto& in : inputs) {
        Drawing d;
        expectAccountedFor(LoadJww(d, in.data(), in.size()), d, in.size(), "jww");
        expectAccountedFor(LoadDamagedJww(d, in.data(), in.size()), d, in.size(), "damaged");
        expectAccountedFor(LoadJwz(d, in.data(), in.size()), d, in.size(), "jwz");
        expectAccountedFor(LoadJws(d, in.data(), in.size()), d, in.size(), "jws");
    }
}

TEST(BadInput, FileErrorsNameTheFile) {
    Drawing d;
    LoadResult r = LoadFile(d, "/nonexistent/plan.jww");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("/nonexistent/plan.jww"), std::string::npos);
    const std::string dir = test::scratchDir("bad-input");
    r = LoadFile(d, dir);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("not a regular file"), std::string::npos);
    test::writeFileBytes(dir + "/notes.txt", {'h', 'e', 'l', 'l', 'o'});
    r = LoadFile(d, dir + "/notes.txt");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("not a Jw_cad drawing"), std::string::npos);
}

TEST(BadInput, FoldersPipesAndDevicesNamedAsDrawingsAreRefusedAtOnce) {
    const std::string dir = test::scratchDir("not-files");
    const std::string pipe = dir + "/plan.jww";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Opening a pipe nobody writes to would wait for ever; it is refused before a byte is read.
    for (const auto& [path, what] : std::vector<std::pair<std::string, std::string>>{
             {pipe, "a pipe (FIFO), not a regular file"},
             {dir, "a folder, not a regular file"},
             {"/dev/null", "a device, not a regular file"}}) {
        Drawing d;
        LoadResult r = LoadFile(d, path);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, path + ": " + what);
    }
    // A regular file is read whole, with its time.
    const std::vector<uint8_t> bytes = {'J', 'w', 'w', 'D', 'a', 't', 'a', '.', 1, 2, 3};
    test::writeFileBytes(dir + "/small.jww", bytes);
    FileBytes read;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(dir + "/small.jww", read, error)) << error;
    EXPECT_EQ(std::vector<uint8_t>(read.data(), read.data() + read.size()), bytes);
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/small.jww").c_str(), &st), 0);
    EXPECT_EQ(read.modified(), static_cast<int64_t>(st.st_mtime));
}

// A large drawing is mapped rather than copied. Another program cutting the file short while it
// is mapped must not end this one: the lost pages read as zeros and the read is known to be cut.
TEST(BadInput, ALargeFileCutShortWhileMappedReadsAsZerosAndIsSaidToBeCut) {
    const std::string dir = test::scratchDir("mapped");
    test::DrawingBuilder b;
    for (int i = 0; i < 30000; ++i) b.line(i % 1000, i / 1000, i % 1000 + 5, i / 1000 + 5);
    SaveResult saved;
    const std::vector<uint8_t> jww = SaveJwwBytes(b.drawing, 600, saved);
    ASSERT_GE(jww.size(), kMappedFileBytes);
    const std::string path = dir + "/large.jww";
    test::writeFileBytes(path, jww);

    Drawing whole;
    const LoadResult loaded = LoadFile(whole, path);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(whole.RecordCount(), 30000u);

    FileBytes bytes;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(path, bytes, error)) << error;
    ASSERT_TRUE(bytes.mapped());
    EXPECT_TRUE(std::equal(jww.begin(), jww.end(), bytes.data()));
    EXPECT_FALSE(bytes.cutShort());
    FileBytes other;
    test::writeFileBytes(dir + "/other.jww", jww);
    ASSERT_TRUE(ReadWholeFile(dir + "/other.jww", other, error)) << error;

    ASSERT_EQ(::truncate(path.c_str(), 5000), 0);
    // The page the file now ends in keeps its bytes; every page after it reads as zeros.
    EXPECT_TRUE(std::equal(jww.begin(), jww.begin() + 5000, bytes.data()));
    EXPECT_TRUE(std::all_of(bytes.data() + 8192, bytes.data() + bytes.size(), [](uint8_t c) { return c == 0; }));
    EXPECT_TRUE(bytes.cutShort());
    EXPECT_FALSE(other.cutShort());
    EXPECT_TRUE(std::equal(jww.begin(), jww.end(), other.data()));
    Drawing fromCut;
    LoadJww(fromCut, bytes.data(), bytes.size());  // reads what zeros allow, without crashing

    // Read again, the file is its new self, whole and not cut.
    ASSERT_TRUE(ReadWholeFile(path, bytes, error)) << error;
    EXPECT_EQ(bytes.size(), 5000u);
    EXPECT_FALSE(bytes.mapped());
    EXPECT_FALSE(bytes.cutShort());
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Inputs the fuzzer once broke us with: they load, and what we write of them reads back.
TEST(BadInput, FuzzFindingsStayFixed) {
    const std::string dir = test::sourcePath("tests/data/fuzz");
    size_t seen = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::vector<uint8_t> bytes = test::readFileBytes(e.path().string());
        Drawing d;
        LoadResult r = LoadJww(d, bytes.data(), bytes.size());
        if (!r.ok || d.RecordCount() == 0) continue;
        ++seen;
        SaveResult saved;
        std::vector<uint8_t> written = SaveJwwBytes(d, 351, saved);
        Drawing back;
        LoadResult again = LoadJww(back, written.data(), written.size());
        EXPECT_TRUE(again.ok) << e.path() << ": " << again.error;
        // Everything but inserts of blocks whose definition is not written (never a dangling
        // reference).
        EXPECT_EQ(back.RecordCount(), RecordsToWrite(d) + DefinitionsToWrite(d)) << e.path();
    }
    EXPECT_GE(seen, 2u);
}

}  // namespace
}  // namespace korvel

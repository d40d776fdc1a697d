// korvel info and korvel save as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "run_korvel.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

std::string demo() { return test::sourcePath("samples/demo.jww"); }

// The demo drawing cut short after `keep` of its bytes, as a download that stopped.
std::string cutDemo(const std::string& dir, size_t keep) {
    std::vector<uint8_t> bytes = test::readFileBytes(demo());
    bytes.resize(keep);
    test::writeFileBytes(dir + "/cut.jww", bytes);
    return dir + "/cut.jww";
}

// Where the demo drawing's records begin and how many there are.
size_t demoRecordsStart() {
    Drawing d;
    EXPECT_TRUE(LoadFile(d, demo()).ok);
    return d.RecordsStart;
}

TEST(InfoCommand, JsonLinesWithTheAgreedKeys) {
    const std::string dir = test::scratchDir("info-json");
    test::RunResult r = test::runKorvel("info --json '" + demo() + "' '" + demo() + "'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    size_t lines = 0;
    for (size_t at = 0; (at = r.out.find('\n', at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 2u);
    const std::string first = r.out.substr(0, r.out.find('\n'));
    for (const char* key : {"\"file\":", "\"kind\":\"jww\"", "\"version\":351", "\"expected_count\":77", "\"memo\":\"Korvel デモ図面\\r\\n",
                            "\"paper_size\":3", "\"counts\":{\"lines\":20,\"circles\":5,\"texts\":24,\"points\":19,\"dimensions\":2,\"solids\":4,\"block_inserts\":3,\"block_definitions\":2}",
                            "\"block_members\":10", "\"truncated\":false", "\"stopped\":false", "\"all_layers\":false",
                            "\"extents\":{\"min_x\":-1,\"min_y\":-46,", "\"max_y\":182,", "\"embedded_pictures\":0", "\"warnings\":[]"}) {
        EXPECT_NE(first.find(key), std::string::npos) << key << " in " << first;
    }
}

TEST(InfoCommand, HumanOutputAndFailures) {
    const std::string dir = test::scratchDir("info-human");
    test::RunResult r = test::runKorvel("info '" + demo() + "'", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Ver : 3.51"), std::string::npos);
    EXPECT_NE(r.out.find("0: 窓 (5 members)"), std::string::npos);
    EXPECT_NE(r.out.find("平面図"), std::string::npos);
    EXPECT_NE(r.out.find("1 hidden layer(s)"), std::string::npos);

    // A file that cannot be read gives an object with its error, exit status 1; the others go on.
    test::writeFileBytes(dir + "/notes.txt", {'h', 'i'});
    r = test::runKorvel("info --json '" + dir + "/notes.txt' '" + demo() + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("{\"file\":\"" + dir + "/notes.txt\",\"error\":\""), std::string::npos);
    EXPECT_NE(r.out.find("\"version\":351"), std::string::npos);
    // ...unless it is named: --as reads it as the kind given.
    r = test::runKorvel("info --as jws '" + dir + "/notes.txt'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("JwsData."), std::string::npos);

    EXPECT_EQ(test::runKorvel("info", dir).status, 2);
    EXPECT_EQ(test::runKorvel("info --bogus x.jww", dir).status, 2);
    EXPECT_EQ(test::runKorvel("info --as dxf x.jww", dir).status, 2);
}

TEST(SaveCommand, VersionMemoAndPaper) {
    const std::string dir = test::scratchDir("save");
    const std::string out = dir + "/copy.jww";
    const std::string memo(70, 'm');
    test::RunResult r = test::runKorvel("save '" + demo() + "' -o '" + out + "' --jww-version 230 --memo " + memo + " --paper 9", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    Drawing back;
    ASSERT_TRUE(LoadFile(back, out).ok);
    EXPECT_EQ(back.header.Version, 230u);
    EXPECT_EQ(back.header.Memo, std::string(64, 'm'));  // cut to 64 bytes
    EXPECT_EQ(back.header.PaperSize, 9u);
    EXPECT_EQ(back.RecordCount(), 79u);

    // A Japanese memo is cut at a character boundary, never inside one.
    r = test::runKorvel("save '" + demo() + "' -o '" + out + "' --memo " + std::string(40, 'a') + "図面図面図面図面図面図面図面", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(LoadFile(back, out).ok);
    EXPECT_EQ(back.header.Memo.size(), 64u);
    EXPECT_EQ(Cp932ToUtf8(back.header.Memo), std::string(40, 'a') + "図面図面図面図面図面図面");

    EXPECT_EQ(test::runKorvel("save '" + demo() + "' -o '" + out + "' --jww-version 250", dir).status, 2);
    EXPECT_EQ(test::runKorvel("save '" + demo() + "' -o '" + out + "' --paper 12", dir).status, 2);
    EXPECT_EQ(test::runKorvel("save '" + demo() + "'", dir).status, 2);
}

TEST(SaveCommand, JwzOutputIsJwWinClipboardData) {
    const std::string dir = test::scratchDir("save-jwz");
    Drawing original;
    ASSERT_TRUE(LoadFile(original, demo()).ok);
    SaveResult expected;
    const std::vector<uint8_t> expectedBytes = SaveJwWinBytes(original, expected);

    // The bytes are exactly what goes under "Jw_win" on the clipboard, whatever the case of ".jwz".
    for (const char* name : {"/plan.jwz", "/PLAN.JWZ"}) {
        test::RunResult r = test::runKorvel("save '" + demo() + "' -o '" + dir + name + "'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(test::readFileBytes(dir + name), expectedBytes) << name;
    }
    Drawing back;
    LoadResult loaded = LoadFile(back, dir + "/plan.jwz");
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.kind, DataKind::Jwz);
    EXPECT_EQ(back.RecordCount(), original.RecordCount());

    // Jw_win data knows one record version only.
    EXPECT_EQ(test::runKorvel("save '" + demo() + "' -o '" + dir + "/plan.jwz' --jww-version 351", dir).status, 0);
    test::RunResult r = test::runKorvel("save '" + demo() + "' -o '" + dir + "/old.jwz' --jww-version 230", dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("version 351"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir + "/old.jwz"));
}

TEST(SaveCommand, AFailedSaveLeavesTheExistingFileAlone) {
    const std::string dir = test::scratchDir("save-fail");
    // The output names a folder: the rename fails and nothing is left behind.
    fs::create_directories(dir + "/plan.jww");
    test::RunResult r = test::runKorvel("save '" + demo() + "' -o '" + dir + "/plan.jww'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir + "/plan.jww"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir + "/plan.jww"));
    size_t entries = 0;
    for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++entries;
    EXPECT_EQ(entries, 1u);  // no temporary file remains

    // A drawing above 3.51 is written as 3.51, and says what that drops.
    if (!test::samplesDir().empty()) {
        r = test::runKorvel("save '" + test::samplesDir() + "/Test1.jww' -o '" + dir + "/t.jww'", dir);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("written as version 351"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("SXF"), std::string::npos);
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST(IncompleteDrawings, InfoSaysSoInTextAndJson) {
    const std::string dir = test::scratchDir("info-incomplete");
    const size_t keep = demoRecordsStart() + 400;
    const std::string cut = cutDemo(dir, keep);
    test::RunResult r = test::runKorvel("info '" + cut + "'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  warning: read incomplete: 77 record(s) announced, "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" of " + std::to_string(keep) + ")"), std::string::npos) << r.out;
    r = test::runKorvel("info --json '" + cut + "'", dir);
    EXPECT_NE(r.out.find("\"read_incomplete\":{\"announced\":77,\"read\":"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(",\"data_size\":" + std::to_string(keep) + ","), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"warnings\":[\"read incomplete: 77 record(s) announced"), std::string::npos) << r.out;
    // A whole drawing: nothing to say.
    r = test::runKorvel("info --json '" + demo() + "'", dir);
    EXPECT_NE(r.out.find("\"read_incomplete\":null"), std::string::npos) << r.out;
}

TEST(IncompleteDrawings, ConvertSaysSoEvenWhenQuietAndSaveSaysItAgain) {
    const std::string dir = test::scratchDir("convert-incomplete");
    const std::string cut = cutDemo(dir, demoRecordsStart() + 400);
    // The thumbnailer's command line: quiet drops progress, never a warning.
    test::RunResult r = test::runKorvel("convert '" + cut + "' -o '" + dir + "/t.png' --format png --width 128 -q", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir + "/t.png"));
    EXPECT_NE(r.err.find("korvel: warning: " + cut + ": read incomplete: 77 record(s) announced"), std::string::npos) << r.err;

    r = test::runKorvel("save '" + cut + "' -o '" + dir + "/saved.jww'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("korvel: save: the file holds only what was read of the drawing: read incomplete: 77 record(s) "
                         "announced"),
              std::string::npos)
        << r.err;
    // The file written announces what it holds; the loss stays said in the save's words only.
    Drawing back;
    ASSERT_TRUE(LoadFile(back, dir + "/saved.jww").ok);
    EXPECT_LT(back.ExpectedCount, 77u);
}

TEST(SaveCommand, RecoveredAndOtherVersionsSaySoAndStayVisible) {
    KORVEL_REQUIRE_SAMPLES();
    const std::string dir = test::scratchDir("save-recovered");
    const std::string test1 = test::samplesDir() + "/Test1.jww";
    test::RunResult r = test::runKorvel("save '" + test1 + "' --recover -o '" + dir + "/r.jww'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    r = test::runKorvel("info '" + dir + "/r.jww'", dir);
    EXPECT_NE(r.out.find("extents: x -270.478760 .. 284.428568, y -188.065637 .. 156.482625"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("hidden"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("scale 1/1"), std::string::npos) << r.out;
    // The version asked for does not hide what it drops.
    for (const char* v : {"351", "300"}) {
        r = test::runKorvel("save '" + test1 + "' -o '" + dir + "/v.jww' --jww-version " + v, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find(std::string("version 600 drawing written as version ") + v +
                             "; dropped: the SXF pen and line-type tables"),
                  std::string::npos)
            << v << ": " << r.err;
    }
}

}  // namespace
}  // namespace korvel

// korvel convert as a user runs it: outputs, formats, failures that do not stop a batch, exit
// statuses and standard output.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "drawing/loaders.h"
#include "drawing/temporary_file.h"
#include "drawing_builder.h"
#include "run_korvel.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::RunResult;
using test::runKorvel;


// A small drawing written as a JWW file: one diagonal of 180 by 80 mm.
std::string writeDrawing(const std::string& path) {
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.line(10, 10, 190, 90, 2);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(b.drawing, 0, saved);
    EXPECT_TRUE(saved.ok) << saved.error;
    test::writeFileBytes(path, bytes);
    return path;
}

TEST(ConvertCommand, WritesTheNamedOutputInTheFormatOfItsExtension) {
    const std::string dir = test::scratchDir("convert_named");
    const std::string input = writeDrawing(dir + "/plan.jww");
    const RunResult r = runKorvel("convert '" + input + "' -o '" + dir + "/picture.gif' --gif-colors web216 --gif-dither floyd-steinberg --gif-compression rle", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> gif = test::readFileBytes(dir + "/picture.gif");
    ASSERT_GE(gif.size(), 13u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(gif[6] | (gif[7] << 8), 720);
    // Loading measures the extents afresh: the diagonal's 180 x 80 mm widened by 1 mm a side.
    EXPECT_EQ(gif[8] | (gif[9] << 8), 324);  // round(720 / (182 / 82))
}

TEST(ConvertCommand, FolderOutputsFollowTheNamingRuleForEachFormat) {
    const std::string dir = test::scratchDir("convert_folder");
    const std::string input = writeDrawing(dir + "/plan.v2.jww");
    const RunResult r = runKorvel("convert '" + input + "' -d '" + dir + "/out' --format png,emf,gif,wmf,jpeg,bmp --width 300", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"plan.PNG", "plan.emf", "plan.GIF", "plan.wmf", "plan.JPG", "plan.BMP"})
        EXPECT_TRUE(fs::exists(dir + "/out/" + name)) << name;
}

TEST(ConvertCommand, OneBadFileDoesNotStopTheOthers) {
    const std::string dir = test::scratchDir("convert_batch");
    const std::string a = writeDrawing(dir + "/a.jww");
    const std::string b = writeDrawing(dir + "/b.jww");
    test::writeFileBytes(dir + "/broken.jww", {'n', 'o', 't', ' ', 'j', 'w', 'w'});
    const RunResult r = runKorvel("convert -j 2 '" + a + "' '" + dir + "/broken.jww' '" + b + "' -d '" + dir + "/out'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("broken.jww"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir + "/out/a.PNG"));
    EXPECT_TRUE(fs::exists(dir + "/out/b.PNG"));
    EXPECT_FALSE(fs::exists(dir + "/out/broken.PNG"));
}

TEST(ConvertCommand, DashWritesToStandardOutput) {
    const std::string dir = test::scratchDir("convert_stdout");
    const std::string input = writeDrawing(dir + "/plan.jww");
    const RunResult r = runKorvel("convert '" + input + "' -o - --format png --mono two-colour", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_GT(r.out.size(), 30u);
    EXPECT_EQ(r.out.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<uint8_t>(r.out[24]), 1);  // bit depth in IHDR: two-colour mode
    // Named as a file, standard output is written as it is, never replaced.
    EXPECT_EQ(runKorvel("convert '" + input + "' -o /dev/stdout --format png --mono two-colour", dir).out, r.out);
}

TEST(ConvertCommand, UsageErrorsExitWithTwo) {
    const std::string dir = test::scratchDir("convert_usage");
    const std::string input = writeDrawing(dir + "/plan.jww");
    const std::pair<std::string, std::string> cases[] = {
        {"convert '" + input + "'", "-o OUT or -d DIR"},
        {"convert '" + input + "' -o x.png -d out", "-o OUT or -d DIR"},
        {"convert '" + input + "' -o '" + dir + "/x.tif'", "format"},
        {"convert '" + input + "' -o x.png --gif-dither wobbly", "--gif-dither"},
        {"convert '" + input + "' -o x.png --jpeg-quality 101", "--jpeg-quality"},
        {"convert '" + input + "' -o x.png --draw-order sideways", "--draw-order"},
        {"convert '" + input + "' '" + input + "' -o x.png", "-o takes one input"},
        {"convert '" + input + "' '" + input + "' -d out", "overwrite"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = runKorvel(args, dir);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/out"));
}

size_t temporariesIn(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += IsTemporaryName(e.path().filename().string());
    return n;
}

TEST(ConvertCommand, StoppedPartWayItLeavesNothingBehind) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string dir = test::scratchDir("output_stopped_" + std::to_string(signal));
        fs::create_directories(dir + "/out");
        std::vector<std::string> args = {KORVEL_EXE, "convert", "-d", dir + "/out", "--width", "3000", "-j", "1"};
        for (int i = 0; i < 12; ++i) {
            args.push_back(dir + "/plan" + std::to_string(i) + ".jww");
            fs::create_symlink(test::sourcePath("samples/demo.jww"), args.back());
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            // As from a terminal: whoever started the tests may have had these ignored.
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(KORVEL_EXE, argv.data());
            ::_exit(127);
        }
        // The batch keeps its images under temporary names until the last one is drawn.
        bool writing = false, ended = false;
        for (int waited = 0; waited < 30000 && !writing && !ended; waited += 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            writing = temporariesIn(dir + "/out") > 0;
            ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
        }
        ASSERT_TRUE(writing) << "the batch " << (ended ? "ended" : "wrote nothing") << " before it could be stopped";
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(fs::is_empty(dir + "/out"));
    }
}

TEST(ConvertCommand, DxfByExtensionByFormatAndInEitherFlavour) {
    const std::string dir = test::scratchDir("convert_dxf");
    const std::string input = writeDrawing(dir + "/plan.v2.jww");
    RunResult r = runKorvel("convert '" + input + "' -o '" + dir + "/plan.dxf'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> dxf = test::readFileBytes(dir + "/plan.dxf");
    EXPECT_NE(std::string(dxf.begin(), dxf.end()).find("$ACADVER\r\n  1\r\nAC1015"), std::string::npos);

    r = runKorvel("convert '" + input + "' -d '" + dir + "/out' --format dxf,png --dxf-version 2013", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir + "/out/plan.PNG"));
    dxf = test::readFileBytes(dir + "/out/plan.dxf");
    const std::string text(dxf.begin(), dxf.end());
    EXPECT_NE(text.find("AC1027"), std::string::npos);
    EXPECT_NE(text.find("\nLINE\r\n"), std::string::npos);

    r = runKorvel("convert '" + input + "' -o '" + dir + "/x.dxf' --dxf-version 14", dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--dxf-version 14: must be 2000 or 2013"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir + "/x.dxf"));
}

}  // namespace
}  // namespace korvel

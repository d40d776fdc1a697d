// Where the commands write: through links, into standard output however it is named, never
// over a folder; and nothing half-written left when a run is stopped.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "drawing/temporary_file.h"
#include "run_korvel.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

std::string demo() { return test::sourcePath("samples/demo.jww"); }

std::string text(const std::string& path) {
    const std::vector<uint8_t> bytes = test::readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

size_t temporariesIn(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += IsTemporaryName(e.path().filename().string());
    return n;
}

TEST(OutputPaths, CommandsWriteThroughLinksAndIntoStandardOutput) {
    const std::string dir = test::scratchDir("output_paths");
    const std::string png = "\x89PNG\r\n\x1a\n";
    test::RunResult r = test::runKorvel("convert '" + demo() + "' -f png -o /dev/stdout", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 8), png);
    // Standard output opened for appending is appended to, as the shell promised.
    r = test::runShell("printf head > '" + dir + "/both' && " + KORVEL_EXE + " convert '" + demo() +
                       "' -f png -o /dev/stdout >> '" + dir + "/both'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(text(dir + "/both").substr(0, 12), "head" + png);

    fs::create_directory(dir + "/kept");
    test::writeFileBytes(dir + "/kept/plan.jww", {'o', 'l', 'd'});
    ::chmod((dir + "/kept/plan.jww").c_str(), 0600);
    fs::create_symlink("kept/plan.jww", dir + "/plan.jww");
    r = test::runKorvel("save '" + demo() + "' -o '" + dir + "/plan.jww'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir + "/plan.jww"));
    EXPECT_EQ(text(dir + "/kept/plan.jww").substr(0, 8), "JwwData.");
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/kept/plan.jww").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    r = test::runKorvel("convert '" + demo() + "' -f png -o '" + dir + "/kept'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "korvel: " + dir + "/kept: is a folder; give a file name\n");
    EXPECT_TRUE(fs::is_directory(dir + "/kept"));
}

TEST(OutputPaths, AStoppedConvertLeavesNothingBehind) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string dir = test::scratchDir("output_stopped_" + std::to_string(signal));
        fs::create_directories(dir + "/out");
        std::vector<std::string> args = {KORVEL_EXE, "convert", "-d", dir + "/out", "--width", "3000", "-j", "1"};
        for (int i = 0; i < 12; ++i) {
            args.push_back(dir + "/plan" + std::to_string(i) + ".jww");
            fs::create_symlink(demo(), args.back());
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

}  // namespace
}  // namespace korvel

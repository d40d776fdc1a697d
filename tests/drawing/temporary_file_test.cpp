// Temporaries of a write stopped part-way: a child process writes and waits, and is stopped for
// real; what it leaves in its folders is checked from outside.
#include "drawing/temporary_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "drawing/output_file.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

using test::folderNames;

size_t temporariesIn(const std::string& dir) {
    const std::vector<std::string> all = folderNames(dir);
    return static_cast<size_t>(std::count_if(all.begin(), all.end(), IsTemporaryName));
}

// A child process that runs `start` (which opens outputs and writes part of them), says so and
// then answers each byte it is sent until it is stopped.
class WritingChild {
public:
    explicit WritingChild(const std::function<void()>& start) {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ends[0]);
            start();
            char c = 'r';
            do (void)!::send(ends[1], &c, 1, MSG_NOSIGNAL);
            while (::recv(ends[1], &c, 1, 0) == 1);
            ::_exit(0);
        }
        ::close(ends[1]);
        channel_ = ends[0];
        char c = 0;
        started_ = ::recv(channel_, &c, 1, 0) == 1;
    }
    ~WritingChild() { ::close(channel_); }
    bool started() const { return started_; }
    void send(int signal) { ::kill(pid_, signal); }
    // Whether it still answers: a signal sent before has been dealt with by then.
    bool answers() {
        char c = 'p';
        return ::send(channel_, &c, 1, MSG_NOSIGNAL) == 1 && ::recv(channel_, &c, 1, 0) == 1;
    }
    // Sends `signal` and gives the signal that ended the child (0 when it did not end by one).
    int stop(int signal) {
        send(signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

private:
    pid_t pid_ = -1;
    int channel_ = -1;
    bool started_ = false;
};

// Opens each output and writes part of it; they stay open for the child's life.
void startWriting(const std::vector<std::string>& paths) {
    static std::vector<std::unique_ptr<OutputFile>> open;
    const std::vector<uint8_t> half(64 * 1024, 0x5A);
    for (const std::string& path : paths) {
        open.push_back(std::make_unique<OutputFile>());
        std::string error;
        if (!open.back()->open(path, error) || !open.back()->write(half.data(), half.size(), error)) ::_exit(90);
    }
}

void backdate(const std::string& path, long seconds) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - seconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Another run of the program writing into `dir`, as the next save or convert would.
void writeFromAnotherProcess(const std::string& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::string error;
        ::_exit(WriteFileAtomically(path, {'n', 'e', 'x', 't'}, error) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(TemporaryFiles, NamesAreOursAndFitTheFileSystem) {
    EXPECT_EQ(TemporaryNameTemplate("out", "plan.png"), "out/.plan.png.korvel-tmp-XXXXXX");
    std::string wide;  // long names are cut, never inside a character: 33 of 40 "図" stay
    for (int i = 0; i < 40; ++i) wide += "図";
    EXPECT_EQ(TemporaryNameTemplate("d", wide), "d/." + wide.substr(0, 99) + ".korvel-tmp-XXXXXX");
    // mkostemp draws from digits and both cases of letters; the shortest name has no NAME.
    for (const char* ours : {".plan.png.korvel-tmp-aB3xYz", ".p.korvel-tmp-09AZaz", "..korvel-tmp-000000"})
        EXPECT_TRUE(IsTemporaryName(ours)) << ours;
    for (const char* other : {"plan.png.korvel-tmp-aB3xYz", ".plan.png.korvel-tmp-aB3xY", ".plan.png.korvel-tmp-aB3x-z",
                              ".plan.png.aB3xYz", ".korvel-tmp-000000", ".p.korvel-tmp-/0000:", ".p.korvel-tmp-@0000[",
                              ".p.korvel-tmp-`0000{"})
        EXPECT_FALSE(IsTemporaryName(other)) << other;

    // A name as long as the file system allows still has room for its temporary.
    const std::string dir = test::scratchDir("temporary_long_name");
    const std::string longest(255 - 4, 'n');
    std::string error;
    EXPECT_TRUE(WriteFileAtomically(dir + "/" + longest + ".png", {'x'}, error)) << error;
    EXPECT_EQ(folderNames(dir), std::vector<std::string>{longest + ".png"});
}

TEST(TemporaryFiles, StopSignalsRemoveThemAndStillEndTheProcess) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string dir = test::scratchDir("temporary_signal_" + std::to_string(signal));
        fs::create_directories(dir + "/a");
        fs::create_directories(dir + "/b");
        test::writeFileBytes(dir + "/a/keep.jww", {'o', 'l', 'd'});
        // More outputs than one chunk of the handler's table holds, in two folders.
        WritingChild child([&] {
            ::signal(signal, SIG_DFL);  // as from a terminal, whatever started the tests
            InstallTemporaryFileCleanup();
            std::vector<std::string> paths = {dir + "/a/keep.jww"};
            for (int i = 0; i < 70; ++i) paths.push_back(dir + (i % 2 ? "/a/" : "/b/") + std::to_string(i) + ".png");
            startWriting(paths);
        });
        ASSERT_TRUE(child.started());
        EXPECT_EQ(temporariesIn(dir + "/a") + temporariesIn(dir + "/b"), 71u);
        EXPECT_EQ(child.stop(signal), signal);
        EXPECT_EQ(folderNames(dir + "/a"), std::vector<std::string>{"keep.jww"});
        EXPECT_EQ(folderNames(dir + "/b"), std::vector<std::string>{});
        EXPECT_EQ(test::readFileBytes(dir + "/a/keep.jww"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }

    // A signal the program was told to ignore stays ignored: the write goes on.
    const std::string dir = test::scratchDir("temporary_signal_ignored");
    WritingChild child([&] {
        ::signal(SIGTERM, SIG_IGN);
        InstallTemporaryFileCleanup();
        startWriting({dir + "/plan.jww"});
    });
    ASSERT_TRUE(child.started());
    child.send(SIGTERM);
    EXPECT_TRUE(child.answers());
    EXPECT_EQ(temporariesIn(dir), 1u);
    EXPECT_EQ(child.stop(SIGKILL), SIGKILL);
}

// The stop may arrive on any thread, while others are making temporaries of their own: one just
// made must be removed as surely as one already written to.
TEST(TemporaryFiles, AStopWhileOtherThreadsMakeTemporariesLeavesNone) {
    const std::string dir = test::scratchDir("temporary_signal_threads");
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        WritingChild child([&] {
            ::signal(SIGTERM, SIG_DFL);
            InstallTemporaryFileCleanup();
            for (int t = 0; t < 3; ++t)
                std::thread([&dir, t] {
                    for (;;) {
                        TemporaryFile file;
                        if (file.create(dir, std::to_string(t) + ".png")) file.remove();
                    }
                }).detach();
        });
        ASSERT_TRUE(child.started());
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        ASSERT_EQ(child.stop(SIGTERM), SIGTERM);
        ASSERT_EQ(folderNames(dir), std::vector<std::string>{});
    }
}

TEST(TemporaryFiles, LeftoversOfAKilledWriteAreSweptOnceADayOld) {
    const std::string dir = test::scratchDir("temporary_killed");
    WritingChild child([&] {
        InstallTemporaryFileCleanup();
        startWriting({dir + "/plan.jww"});
    });
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.stop(SIGKILL), SIGKILL);
    std::vector<std::string> left = folderNames(dir);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(IsTemporaryName(left[0]));
    EXPECT_EQ(left[0].rfind(".plan.jww.korvel-tmp-", 0), 0u) << left[0];
    const std::string leftover = dir + "/" + left[0];

    // Look-alikes that are not clearly ours (another user's only where we may make one), all as
    // old as the leftover will be.
    std::vector<std::string> kept = {".notes.txt.korvel-tmp-abc", "plan.jww.korvel-tmp-abcdef", ".theirs.png.korvel-tmp-abcdef"};
    for (const std::string& name : kept) test::writeFileBytes(dir + "/" + name, {'u'});
    if (::chown((dir + "/" + kept.back()).c_str(), 65534, 65534) != 0) fs::remove(dir + "/" + kept.back()), kept.pop_back();
    fs::create_symlink(leftover, dir + "/.link.korvel-tmp-abcdef");
    fs::create_directory(dir + "/.folder.korvel-tmp-abcdef");
    kept.insert(kept.end(), {".link.korvel-tmp-abcdef", ".folder.korvel-tmp-abcdef"});
    for (const std::string& name : kept) backdate(dir + "/" + name, 3 * 24 * 3600);

    // Young: it may belong to a write still going on elsewhere. Ten minutes either side of a
    // day tell the age apart.
    backdate(leftover, 24 * 3600 - 600);
    writeFromAnotherProcess(dir + "/other.png");
    EXPECT_TRUE(fs::exists(leftover));

    backdate(leftover, 24 * 3600 + 600);
    writeFromAnotherProcess(dir + "/other.png");
    EXPECT_FALSE(fs::exists(leftover));
    kept.push_back("other.png");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(folderNames(dir), kept);
}

}  // namespace
}  // namespace korvel

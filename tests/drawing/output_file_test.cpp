// Writing outputs where the user points: files replaced whole with their permissions and owner,
// links followed, pipes and devices written in place, the rest refused.
#include "drawing/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::folderNames;
using test::readFileText;

constexpr uid_t kNobody = 65534;

bool save(const std::string& path, const std::string& content, std::string& error) {
    return WriteFileAtomically(path, std::vector<uint8_t>(content.begin(), content.end()), error);
}

void put(const std::string& path, const std::string& content, mode_t mode = 0644) {
    test::writeFileBytes(path, std::vector<uint8_t>(content.begin(), content.end()));
    ::chmod(path.c_str(), mode);
}

struct stat lstatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

TEST(OutputFile, ReplacedFilesKeepTheirPermissionsAndOwnerAndReadOnlyOnesStay) {
    const std::string dir = test::scratchDir("output_permissions");
    std::string error;
    for (const mode_t mode : {0600, 0664}) {
        put(dir + "/plan.jww", "old", mode);
        ASSERT_TRUE(save(dir + "/plan.jww", "new", error)) << error;
        EXPECT_EQ(readFileText(dir + "/plan.jww"), "new");
        EXPECT_EQ(lstatOf(dir + "/plan.jww").st_mode & 07777, mode);
    }
    if (::geteuid() == 0) {  // another user's file, replaced by root, is still theirs
        put(dir + "/plan.jww", "old", 0640);
        ASSERT_EQ(::chown((dir + "/plan.jww").c_str(), kNobody, 4242), 0);
        ASSERT_TRUE(save(dir + "/plan.jww", "new", error)) << error;
        EXPECT_EQ(lstatOf(dir + "/plan.jww").st_uid, kNobody);
        EXPECT_EQ(lstatOf(dir + "/plan.jww").st_gid, 4242u);
        EXPECT_EQ(lstatOf(dir + "/plan.jww").st_mode & 07777, 0640u);
    }
    EXPECT_EQ(folderNames(dir), std::vector<std::string>{"plan.jww"});  // no temporary beside it

    // Read-only in a folder its owner may write: kept, though a rename could replace it.
    put(dir + "/locked.jww", "kept", 0444);
    if (::geteuid() == 0) {
        ::chmod(dir.c_str(), 0777);
        ASSERT_EQ(::chown((dir + "/locked.jww").c_str(), kNobody, kNobody), 0);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(3);
        std::string childError;
        if (save(dir + "/locked.jww", "new", childError)) ::_exit(1);
        ::_exit(childError == dir + "/locked.jww: cannot be written: Permission denied" ? 0 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFileText(dir + "/locked.jww"), "kept");
}

TEST(OutputFile, LinksLeadToTheFileThatIsReplaced) {
    const std::string dir = test::scratchDir("output_links");
    fs::create_directories(dir + "/elsewhere");
    fs::create_directories(dir + "/work");
    put(dir + "/elsewhere/plan.jww", "old", 0640);
    fs::create_symlink("../elsewhere/plan.jww", dir + "/work/link.jww");
    fs::create_symlink("link.jww", dir + "/work/chain.jww");
    std::string error;
    OutputFile out;
    ASSERT_TRUE(out.open(dir + "/work/chain.jww", error)) << error;
    EXPECT_EQ(out.target(), dir + "/work/../elsewhere/plan.jww");
    ASSERT_TRUE(out.write("new", 3, error) && out.commit(error)) << error;
    EXPECT_EQ(readFileText(dir + "/elsewhere/plan.jww"), "new");
    EXPECT_EQ(lstatOf(dir + "/elsewhere/plan.jww").st_mode & 07777, 0640u);

    // A link to a file not there yet makes the file where the link points.
    fs::create_symlink(dir + "/elsewhere/future.png", dir + "/work/future.png");
    ASSERT_TRUE(save(dir + "/work/future.png", "made", error)) << error;
    EXPECT_EQ(readFileText(dir + "/elsewhere/future.png"), "made");
    for (const char* link : {"/work/chain.jww", "/work/link.jww", "/work/future.png"})
        EXPECT_TRUE(fs::is_symlink(dir + link)) << link;
    EXPECT_EQ(folderNames(dir + "/elsewhere"), (std::vector<std::string>{"future.png", "plan.jww"}));

    // A link longer than a first read of 256 bytes takes is read whole.
    std::string longTarget;
    for (int i = 0; i < 146; ++i) longTarget += "./";
    fs::create_symlink(longTarget + "plan.jww", dir + "/elsewhere/long.jww");
    ASSERT_TRUE(save(dir + "/elsewhere/long.jww", "long", error)) << error;
    EXPECT_EQ(readFileText(dir + "/elsewhere/plan.jww"), "long");

    fs::create_symlink("b.png", dir + "/work/a.png");
    fs::create_symlink("a.png", dir + "/work/b.png");
    EXPECT_FALSE(save(dir + "/work/a.png", "x", error));
    EXPECT_EQ(error, dir + "/work/a.png: cannot follow the link: Too many levels of symbolic links");
}

TEST(OutputFile, PipesDevicesAndDescriptorsAreWrittenInPlace) {
    const std::string dir = test::scratchDir("output_in_place");
    std::string error;
    ASSERT_EQ(::mkfifo((dir + "/view.png").c_str(), 0644), 0);
    std::string piped;
    std::thread reader([&] { piped = readFileText(dir + "/view.png"); });
    EXPECT_TRUE(save(dir + "/view.png", "pixels", error)) << error;
    reader.join();
    EXPECT_EQ(piped, "pixels");
    EXPECT_TRUE(S_ISFIFO(lstatOf(dir + "/view.png").st_mode));
    // A null device node of our own rather than /dev/null itself (needs the right to make one).
    if (::mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_TRUE(save(dir + "/null", "gone", error)) << error;
        EXPECT_TRUE(S_ISCHR(lstatOf(dir + "/null").st_mode));
    }

    // /dev/fd/N is the descriptor itself, here reached through a link as /dev/stdout is.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    fs::create_symlink("/dev/fd/" + std::to_string(ends[1]), dir + "/stdout");
    EXPECT_TRUE(save(dir + "/stdout", "through", error)) << error;
    {
        OutputFile out;
        ASSERT_TRUE(out.open(dir + "/stdout", error)) << error;
        EXPECT_TRUE(out.direct());
        EXPECT_FALSE(out.terminal());
        out.discard();
    }
    // A terminal is one until the output is finished.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
        OutputFile out;
        ASSERT_TRUE(out.open(::ptsname(master), error)) << error;
        EXPECT_TRUE(out.terminal());
        ASSERT_TRUE(out.finish(false, error)) << error;
        EXPECT_FALSE(out.terminal());
    }
    if (master >= 0) ::close(master);
    ::close(ends[1]);
    char buffer[16] = {};
    EXPECT_EQ(::read(ends[0], buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "through");
    ::close(ends[0]);
    // A file opened for appending (a shell's ">>") is appended to, not replaced.
    put(dir + "/log.txt", "head,");
    const ino_t inode = lstatOf(dir + "/log.txt").st_ino;
    const int appending = ::open((dir + "/log.txt").c_str(), O_WRONLY | O_APPEND);
    EXPECT_TRUE(save("/proc/self/fd/" + std::to_string(appending), "tail", error)) << error;
    ::close(appending);
    EXPECT_EQ(readFileText(dir + "/log.txt"), "head,tail");
    EXPECT_EQ(lstatOf(dir + "/log.txt").st_ino, inode);

    EXPECT_FALSE(save("/dev/fd/987", "x", error));
    EXPECT_EQ(error, "/dev/fd/987: descriptor 987 is not open");
}

// /dev/stdout and /dev/stderr are this process's own descriptors 1 and 2, whatever they lead to.
TEST(OutputFile, StandardOutputAndErrorByNameAreTheProcesssOwn) {
    for (int fd : {1, 2}) {
        const std::string name = fd == 1 ? "/dev/stdout" : "/dev/stderr";
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        std::fflush(nullptr);
        const int saved = ::dup(fd);
        ::dup2(ends[1], fd);
        ::close(ends[1]);
        std::string error;
        const bool written = save(name, name, error);
        ::dup2(saved, fd);
        ::close(saved);
        EXPECT_TRUE(written) << error;
        char buffer[32] = {};
        EXPECT_EQ(::read(ends[0], buffer, sizeof buffer - 1), static_cast<ssize_t>(name.size()));
        EXPECT_EQ(std::string(buffer), name);
        ::close(ends[0]);
    }
}

TEST(OutputFile, FoldersSocketsAndBlockDevicesAreRefused) {
    const std::string dir = test::scratchDir("output_refused");
    fs::create_directories(dir + "/out.png/inner");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir + "/s.png";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::pair<std::string, std::string>> refused = {
        {"/out.png", "is a folder; give a file name"},
        {"/new/", "names a folder, not a file"},
        {"/s.png", "is a socket; outputs go to files, pipes or terminals"}};
    if (::mknod((dir + "/disk").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0)
        refused.push_back({"/disk", "is a block device; outputs go to files, pipes or terminals"});
    const std::vector<std::string> before = folderNames(dir);
    for (const auto& [name, why] : refused) {
        std::string error;
        EXPECT_FALSE(save(dir + name, "x", error));
        EXPECT_EQ(error, dir + name + ": " + why);
    }
    EXPECT_EQ(folderNames(dir), before);
    EXPECT_TRUE(S_ISSOCK(lstatOf(socketPath).st_mode));
    ::close(sock);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Writes outside the file's life are refused by name, not sent to whatever descriptor is left.
TEST(OutputFile, WritesBeforeOpeningAndAfterFinishingAreRefused) {
    const std::string dir = test::scratchDir("output_write_order");
    std::string error;
    OutputFile unopened;
    EXPECT_FALSE(unopened.write("x", 1, error));
    EXPECT_EQ(error, ": not open for writing");
    EXPECT_FALSE(unopened.finish(false, error));
    EXPECT_EQ(error, ": not open for writing");

    OutputFile out;
    ASSERT_TRUE(out.open(dir + "/plan.png", error)) << error;
    ASSERT_TRUE(out.write("made", 4, error)) << error;
    ASSERT_TRUE(out.finish(true, error)) << error;
    EXPECT_FALSE(out.write("late", 4, error));
    EXPECT_EQ(error, dir + "/plan.png: not open for writing");
    ASSERT_TRUE(out.commit(error)) << error;
    EXPECT_EQ(test::readFileText(dir + "/plan.png"), "made");
}

}  // namespace
}  // namespace korvel

// Writing outputs where the user points: files replaced whole with their permissions and owner,
// links followed, pipes and devices written in place, the rest refused.
#include "drawing/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string text(const std::string& path) {
    const std::vector<uint8_t> bytes = test::readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void put(const std::string& path, const std::string& content) {
    test::writeFileBytes(path, std::vector<uint8_t>(content.begin(), content.end()));
}

bool save(const std::string& path, const std::string& content, std::string& error) {
    return WriteFileAtomically(path, std::vector<uint8_t>(content.begin(), content.end()), error);
}

// Every name in a folder, sorted: temporaries left behind show here.
std::vector<std::string> names(const std::string& dir) {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(dir)) all.push_back(e.path().filename().string());
    std::sort(all.begin(), all.end());
    return all;
}

struct stat lstatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Runs `body` in a child process and gives its exit status (-1 when it did not exit).
int inChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(OutputFile, ReplacedFilesKeepTheirPermissionsAndOwnerAndReadOnlyOnesStay) {
    const std::string dir = test::scratchDir("output_permissions");
    std::string error;
    put(dir + "/secret.jww", "old");
    ::chmod((dir + "/secret.jww").c_str(), 0600);
    ASSERT_TRUE(save(dir + "/secret.jww", "new", error)) << error;
    EXPECT_EQ(text(dir + "/secret.jww"), "new");
    EXPECT_EQ(lstatOf(dir + "/secret.jww").st_mode & 07777, 0600u);

    put(dir + "/shared.png", "old");
    ::chmod((dir + "/shared.png").c_str(), 0664);
    ASSERT_TRUE(save(dir + "/shared.png", "new", error)) << error;
    EXPECT_EQ(lstatOf(dir + "/shared.png").st_mode & 07777, 0664u);

    ASSERT_TRUE(save(dir + "/fresh.png", "new", error)) << error;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(lstatOf(dir + "/fresh.png").st_mode & 07777, 0666u & ~mask);

    if (::geteuid() == 0) {
        // Another user's file, replaced by root, is still theirs.
        put(dir + "/theirs.png", "old");
        ASSERT_EQ(::chown((dir + "/theirs.png").c_str(), kNobody, kNobody), 0);
        ::chmod((dir + "/theirs.png").c_str(), 0640);
        ASSERT_TRUE(save(dir + "/theirs.png", "new", error)) << error;
        const struct stat st = lstatOf(dir + "/theirs.png");
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_EQ(st.st_gid, kNobody);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
    std::vector<std::string> expected{"fresh.png", "secret.jww", "shared.png"};
    if (::geteuid() == 0) expected.push_back("theirs.png");
    EXPECT_EQ(names(dir), expected);  // no temporary left beside them

    // A read-only file in a folder its owner may write: kept, though a rename could replace it.
    const std::string locked = test::scratchDir("output_read_only");
    put(locked + "/plan.jww", "kept");
    ::chmod((locked + "/plan.jww").c_str(), 0444);
    if (::geteuid() == 0) {
        ::chmod(locked.c_str(), 0777);
        ASSERT_EQ(::chown((locked + "/plan.jww").c_str(), kNobody, kNobody), 0);
    }
    const int status = inChild([&] {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 3;
        std::string childError;
        if (save(locked + "/plan.jww", "new", childError)) return 1;
        return childError == locked + "/plan.jww: cannot be written: Permission denied" ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text(locked + "/plan.jww"), "kept");
    EXPECT_EQ(names(locked), std::vector<std::string>{"plan.jww"});
}

TEST(OutputFile, LinksLeadToTheFileThatIsReplaced) {
    const std::string dir = test::scratchDir("output_links");
    fs::create_directories(dir + "/elsewhere");
    fs::create_directories(dir + "/work");
    put(dir + "/elsewhere/plan.jww", "old");
    ::chmod((dir + "/elsewhere/plan.jww").c_str(), 0640);
    fs::create_symlink("../elsewhere/plan.jww", dir + "/work/link.jww");
    fs::create_symlink("link.jww", dir + "/work/chain.jww");
    std::string error;
    OutputFile out;
    ASSERT_TRUE(out.open(dir + "/work/chain.jww", error)) << error;
    EXPECT_EQ(out.target(), dir + "/work/../elsewhere/plan.jww");
    EXPECT_FALSE(out.direct());
    ASSERT_TRUE(out.write("new", 3, error) && out.commit(error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir + "/work/chain.jww"));
    EXPECT_TRUE(fs::is_symlink(dir + "/work/link.jww"));
    EXPECT_EQ(text(dir + "/elsewhere/plan.jww"), "new");
    EXPECT_EQ(lstatOf(dir + "/elsewhere/plan.jww").st_mode & 07777, 0640u);

    // A link to a file not there yet makes the file where the link points.
    fs::create_symlink(dir + "/elsewhere/future.png", dir + "/work/future.png");
    ASSERT_TRUE(save(dir + "/work/future.png", "made", error)) << error;
    EXPECT_EQ(text(dir + "/elsewhere/future.png"), "made");
    EXPECT_TRUE(fs::is_symlink(dir + "/work/future.png"));
    EXPECT_EQ(names(dir + "/work"), (std::vector<std::string>{"chain.jww", "future.png", "link.jww"}));
    EXPECT_EQ(names(dir + "/elsewhere"), (std::vector<std::string>{"future.png", "plan.jww"}));

    fs::create_symlink("b.png", dir + "/work/a.png");
    fs::create_symlink("a.png", dir + "/work/b.png");
    EXPECT_FALSE(save(dir + "/work/a.png", "x", error));
    EXPECT_EQ(error, dir + "/work/a.png: cannot follow the link: Too many levels of symbolic links");
    EXPECT_TRUE(fs::is_symlink(dir + "/work/a.png"));
}

TEST(OutputFile, PipesDevicesAndDescriptorsAreWrittenInPlace) {
    const std::string dir = test::scratchDir("output_in_place");
    std::string error;
    ASSERT_EQ(::mkfifo((dir + "/view.png").c_str(), 0644), 0);
    std::string received;
    std::thread reader([&] {
        const int fd = ::open((dir + "/view.png").c_str(), O_RDONLY);
        char buffer[64];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<size_t>(n));
        ::close(fd);
    });
    EXPECT_TRUE(save(dir + "/view.png", "pixels", error)) << error;
    reader.join();
    EXPECT_EQ(received, "pixels");
    EXPECT_TRUE(S_ISFIFO(lstatOf(dir + "/view.png").st_mode));

    // A device node of our own (the null device) rather than /dev/null itself.
    std::vector<std::string> expected{"log.txt", "stdout", "view.png"};
    if (::mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        expected.insert(expected.begin() + 1, "null");
        EXPECT_TRUE(save(dir + "/null", "gone", error)) << error;
        EXPECT_TRUE(S_ISCHR(lstatOf(dir + "/null").st_mode));
    }

    // /dev/fd/N is the descriptor itself: here the write end of a pipe, reached through a link
    // the way /dev/stdout reaches /proc/self/fd/1.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    fs::create_symlink("/dev/fd/" + std::to_string(ends[1]), dir + "/stdout");
    OutputFile out;
    ASSERT_TRUE(out.open(dir + "/stdout", error)) << error;
    EXPECT_TRUE(out.direct());
    EXPECT_TRUE(out.write("through", 7, error) && out.commit(error)) << error;
    ::close(ends[1]);
    char buffer[16] = {};
    EXPECT_EQ(::read(ends[0], buffer, sizeof buffer), 7);
    EXPECT_EQ(std::string(buffer), "through");
    ::close(ends[0]);

    // A file opened for appending (a shell's ">>") is appended to, not replaced.
    put(dir + "/log.txt", "head,");
    const ino_t inode = lstatOf(dir + "/log.txt").st_ino;
    const int appending = ::open((dir + "/log.txt").c_str(), O_WRONLY | O_APPEND);
    ASSERT_TRUE(save("/proc/self/fd/" + std::to_string(appending), "tail", error)) << error;
    ::close(appending);
    EXPECT_EQ(text(dir + "/log.txt"), "head,tail");
    EXPECT_EQ(lstatOf(dir + "/log.txt").st_ino, inode);

    EXPECT_FALSE(save("/dev/fd/987", "x", error));
    EXPECT_EQ(error, "/dev/fd/987: descriptor 987 is not open");
    EXPECT_EQ(names(dir), expected);
}

TEST(OutputFile, FoldersSocketsAndBlockDevicesAreRefused) {
    const std::string dir = test::scratchDir("output_refused");
    std::string error;
    fs::create_directories(dir + "/out.png/inner");
    EXPECT_FALSE(save(dir + "/out.png", "x", error));
    EXPECT_EQ(error, dir + "/out.png: is a folder; give a file name");
    EXPECT_TRUE(fs::is_directory(dir + "/out.png/inner"));

    EXPECT_FALSE(save(dir + "/new/", "x", error));
    EXPECT_EQ(error, dir + "/new/: names a folder, not a file");

    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir + "/s.png";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(save(socketPath, "x", error));
    EXPECT_EQ(error, socketPath + ": is a socket; outputs go to files, pipes or terminals");
    EXPECT_TRUE(S_ISSOCK(lstatOf(socketPath).st_mode));
    ::close(sock);

    std::vector<std::string> expected{"out.png", "s.png"};
    if (::mknod((dir + "/disk").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0) {
        EXPECT_FALSE(save(dir + "/disk", "x", error));
        EXPECT_EQ(error, dir + "/disk: is a block device; outputs go to files, pipes or terminals");
        EXPECT_TRUE(S_ISBLK(lstatOf(dir + "/disk").st_mode));
        expected.insert(expected.begin(), "disk");
    }
    EXPECT_EQ(names(dir), expected);
}

}  // namespace
}  // namespace korvel

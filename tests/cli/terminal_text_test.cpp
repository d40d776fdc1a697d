// Drawing strings that hold terminal escape sequences: shown escaped on a terminal and in the
// messages, kept exactly in files, pipes and JSON.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "run_korvel.h"
#include "test_support.h"

namespace korvel {
namespace {

// Retitles the terminal window, clears the screen, colours the text.
constexpr char kTitle[] = "\x1b]0;owned\x07";
constexpr char kClear[] = "\x1b[2J";
constexpr char kRed[] = "\x1b[31m";

// A drawing whose memo, layer group name, block name, text and picture reference hold escape
// sequences, under a file name that holds one too, beside a picture no decoder reads.
std::string writeHostileDrawing(const std::string& dir) {
    test::DrawingBuilder b;
    b.drawing.header.Memo = std::string("plan") + kTitle + "\r\n" + kClear;
    b.drawing.header.LayerGroupName[0] = std::string(kRed) + "red";
    b.beginBlock();
    b.line(0, 0, 10, 10);
    b.endBlock();
    b.drawing.top.definitions.back().name = std::string("window") + kClear;
    b.text(0, 0, std::string("A") + kTitle + "B");
    b.text(20, 0, "C\rD");
    b.text(0, 50, "^@BMlogo" + std::string(kRed) + ".png,10");
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    const std::string path = dir + "/" + kClear + "plan.jww";
    test::writeFileBytes(path, SaveJwwBytes(b.drawing, 351, saved));
    EXPECT_TRUE(saved.ok) << saved.error;
    test::writeFileBytes(dir + "/logo" + kRed + ".png", {'n', 'o', 't', ' ', 'P', 'N', 'G'});
    return path;
}

bool holdsControls(const std::string& s) {
    for (unsigned char c : s)
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7f) return true;
    return false;
}

// Runs korvel with its standard output on a pseudo-terminal, as in a terminal window.
std::string runOnTerminal(const std::string& args) {
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", ("stty raw -echo; exec " + std::string(KORVEL_EXE) + " " + args + " 2>/dev/null").c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    ::close(master);
    ::waitpid(pid, nullptr, 0);
    return out;
}

TEST(TerminalText, InfoShowsDrawingStringsEscaped) {
    const std::string dir = test::scratchDir("terminal_info");
    const std::string file = writeHostileDrawing(dir);
    const std::string human = test::runKorvelIsolated("info '" + file + "'").out;
    EXPECT_FALSE(holdsControls(human)) << human;
    for (const std::string& shown : {dir + "/\\x1B[2Jplan.jww (jww)\n", std::string("  memo: plan\\x1B]0;owned\\x07 / \\x1B[2J\n"),
                                     std::string("    0: window\\x1B[2J (1 members)\n"),
                                     std::string("    ^@BMlogo\\x1B[31m.png,10 (found)\n"),
                                     std::string("    0 \\x1B[31mred")}) {
        EXPECT_NE(human.find(shown), std::string::npos) << shown << " in\n" << human;
    }
    // JSON keeps every character, escaped the JSON way.
    const std::string json = test::runKorvelIsolated("info --json '" + file + "'").out;
    EXPECT_NE(json.find("\"memo\":\"plan\\u001b]0;owned\\u0007\\r\\n\\u001b[2J\""), std::string::npos) << json;

    // Messages quote drawing strings and file names too.
    const test::RunResult convert = test::runKorvel("convert '" + file + "' -o '" + dir + "/out.png'", dir);
    EXPECT_EQ(convert.status, 0) << convert.err;
    EXPECT_FALSE(holdsControls(convert.err)) << convert.err;
    EXPECT_NE(convert.err.find("logo\\x1B[31m.png"), std::string::npos) << convert.err;
}

TEST(TerminalText, TextIsEscapedOnATerminalAndExactElsewhere) {
    const std::string dir = test::scratchDir("terminal_text");
    const std::string file = writeHostileDrawing(dir);
    const std::string exact = std::string("^@BMlogo") + kRed + ".png,10\t\r\nA" + kTitle + "B\tC\rD\t\r\n";

    EXPECT_EQ(test::runKorvel("text '" + file + "'", dir).out, exact);  // a pipe
    ASSERT_EQ(test::runKorvel("text '" + file + "' -o '" + dir + "/rows.txt'", dir).status, 0);
    const std::vector<uint8_t> saved = test::readFileBytes(dir + "/rows.txt");
    EXPECT_EQ(std::string(saved.begin(), saved.end()), exact);

    const std::string shown = "^@BMlogo\\x1B[31m.png,10\t\r\nA\\x1B]0;owned\\x07B\tC\\rD\t\r\n";
    EXPECT_EQ(runOnTerminal("text '" + file + "'"), shown);
    EXPECT_EQ(runOnTerminal("text '" + file + "' -o /dev/stdout"), shown);
    const std::string cp932 = runOnTerminal("text --encoding cp932 '" + file + "'");
    EXPECT_EQ(cp932, shown);  // these strings are ASCII, the same in both encodings
}

}  // namespace
}  // namespace korvel

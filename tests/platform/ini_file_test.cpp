// The settings file's INI layer: number rules, names, keeping what it does not know, atomic writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "platform/ini_file.h"
#include "test_support.h"

namespace korvel {
namespace {

std::string readText(const std::string& path) {
    std::vector<uint8_t> b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}

TEST(IniNumbers, HexOnlyWhenLongerThanTwoAndPrefixed) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"10", true, 10},      {"-1", true, -1},        {"010", true, 10},  {" 7 ", true, 7},
        {"0x10", true, 16},    {"0X1f", true, 31},      {"0x", false, 0},   {"0x1G", false, 0},
        {"0xFFFFFFFF", true, -1}, {"0x0000000010", true, 16}, {"0x100000000", false, 0},
        {"12a", false, 0},     {"", false, 0},          {"2147483647", true, 2147483647},
        {"2147483648", false, 0}, {"-2147483648", true, -2147483647 - 1}, {"x10", false, 0},
        {"+5", true, 5},       {"1.5", false, 0},
    };
    for (const Case& c : cases) {
        int v = 12345;
        EXPECT_EQ(ParseIniInteger(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(IniFile, NamesIgnoreCaseAndBlanksBooleansAreIntegers) {
    IniFile ini;
    ini.parse(
        "\xEF\xBB\xBF; a comment\r\n"
        "[graphic]\r\n"
        "jpegvalue = 90\r\n"
        "JpegPrgrs=yes\r\n"
        "PNGInlc=2\r\n"
        "GIFComp=0\r\n"
        "[JwwSStyle]\r\n"
        "LSolidStyle0=3\r\n"
        " CSolidStyle1=0x10\r\n"
        "[Folder]\r\n"
        "name=\"/home/u/図面/\"\r\n"
        "empty=\r\n");
    EXPECT_EQ(ini.readInteger("Graphic", "JpegValue", 75), 90);
    EXPECT_TRUE(ini.readBool("Graphic", "JpegPrgrs", true));    // "yes" is no number: the default
    EXPECT_FALSE(ini.readBool("Graphic", "JpegPrgrs", false));
    EXPECT_TRUE(ini.readBool("Graphic", "PNGInlc", false));     // 2 is true
    EXPECT_FALSE(ini.readBool("Graphic", "GIFComp", true));
    EXPECT_TRUE(ini.readBool("Graphic", "Missing", true));
    EXPECT_EQ(ini.readInteger("JwwSStyle", " LSolidStyle0", 1), 3);  // hand-written without the space
    EXPECT_EQ(ini.readInteger("JwwSStyle", " CSolidStyle1", 1), 16);
    EXPECT_EQ(ini.readString("Folder", "name", "x"), "/home/u/図面/");
    EXPECT_EQ(ini.readString("Folder", "empty", "x"), "");
    EXPECT_EQ(ini.readString("Nowhere", "name", "x"), "x");
}

TEST(IniFile, SetKeepsUnknownLinesAndWritesKeysAsGiven) {
    IniFile ini;
    ini.parse("; kept\n[Graphic]\nJpegValue=90\nOther=keep me\ngarbage line\n\n[Mine]\nx=1\n");
    ini.setInteger("graphic", "JpegValue", 80);
    ini.setInteger("JwwSStyle", " LSolidStyle0", 44);
    ini.set("Graphic", "PNGComp", "-1");
    EXPECT_EQ(ini.text(),
              "; kept\n"
              "[Graphic]\n"
              "JpegValue=80\n"
              "Other=keep me\n"
              "garbage line\n"
              "PNGComp=-1\n"
              "\n"
              "[Mine]\n"
              "x=1\n"
              "[JwwSStyle]\n"
              " LSolidStyle0=44\n");
    IniFile again;
    again.parse(ini.text());
    EXPECT_EQ(again.readInteger("JwwSStyle", " LSolidStyle0", 0), 44);
}

TEST(IniFile, WhatIsWrittenReadsBackTheSameWhateverTheLineEnds) {
    // Found by the fuzzer: a line ending in two carriage returns kept one, which the next read
    // took for part of a CR LF end, so a second save wrote another file.
    IniFile ini;
    ini.parse("[A]\r\ngarbage]\r\r\nk=v\r\r\r\nlast\r");
    EXPECT_EQ(ini.text(), "[A]\ngarbage]\nk=v\nlast\n");
    IniFile again;
    again.parse(ini.text());
    EXPECT_EQ(again.text(), ini.text());
    EXPECT_EQ(again.readString("A", "k", ""), "v");

    // Also found by the fuzzer: a read takes one pair of quotes off, so a value that still has
    // quotes (or blanks) around it is written inside one more pair.
    ini.parse("[S]\nk=''x''\nb=\"  y \"\nplain=a'b'\n");
    EXPECT_EQ(ini.readString("S", "k", ""), "'x'");
    EXPECT_EQ(ini.text(), "[S]\nk=\"'x'\"\nb=\"  y \"\nplain=a'b'\n");
    again.parse(ini.text());
    EXPECT_EQ(again.text(), ini.text());
    EXPECT_EQ(again.readString("S", "k", ""), "'x'");
    EXPECT_EQ(again.readString("S", "b", ""), "  y ");
    ini.parse("\xEF\xBB\xBF\xEF\xBB\xBF[S]\nk=v\n");  // two byte-order marks
    EXPECT_EQ(ini.text(), "[S]\nk=v\n");
}

TEST(IniFile, ReadTellsMissingFromUnreadable) {
    const std::string dir = test::scratchDir("ini_read");
    IniFile ini;
    IniFile::ReadResult r = IniFile::read(dir + "/none.INI", ini);
    EXPECT_FALSE(r.exists);
    EXPECT_TRUE(r.complete);

    r = IniFile::read(dir, ini);  // a folder where the file should be
    EXPECT_TRUE(r.exists);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.error, dir + ": is a folder, not a settings file");

    // Zero-filled blocks left by a crash: the text around them is still read.
    std::string damaged = std::string("[Form]\noutWsize=640\n") + std::string(4, '\0') + "outWsizeF=4\n";
    test::writeFileBytes(dir + "/damaged.INI", {damaged.begin(), damaged.end()});
    r = IniFile::read(dir + "/damaged.INI", ini);
    EXPECT_TRUE(r.exists);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.error, dir + "/damaged.INI: holds a NUL byte at offset 20; not a settings text file");
    EXPECT_EQ(ini.readInteger("Form", "outWsize", 0), 640);
    EXPECT_EQ(ini.readInteger("Form", "outWsizeF", 0), 4);
}

TEST(IniFile, WriteIsAtomicAndCreatesTheFolder) {
    const std::string dir = test::scratchDir("ini_write");
    const std::string path = dir + "/korvel/Korvel.INI";
    IniFile ini;
    ini.setInteger("Form", "outWsize", 720);
    std::string error;
    ASSERT_TRUE(ini.write(path, error)) << error;
    EXPECT_EQ(readText(path), "[Form]\noutWsize=720\n");

    chmod(path.c_str(), 0600);
    ini.setInteger("Form", "outWsize", 800);
    ASSERT_TRUE(ini.write(path, error)) << error;
    EXPECT_EQ(readText(path), "[Form]\noutWsize=800\n");
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // the user's permissions survive
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir + "/korvel")) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);  // no temporary file left behind

    // A link to a file kept elsewhere stays a link.
    std::filesystem::create_directories(dir + "/dotfiles");
    ASSERT_TRUE(ini.write(dir + "/dotfiles/Korvel.INI", error)) << error;
    std::filesystem::create_symlink(dir + "/dotfiles/Korvel.INI", dir + "/link.INI");
    ini.setInteger("Form", "outWsize", 640);
    ASSERT_TRUE(ini.write(dir + "/link.INI", error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.INI"));
    EXPECT_EQ(readText(dir + "/dotfiles/Korvel.INI"), "[Form]\noutWsize=640\n");

    // A folder that cannot be made: nothing written, the error names the path.
    test::writeFileBytes(dir + "/plain", {'x'});
    EXPECT_FALSE(ini.write(dir + "/plain/Korvel.INI", error));
    EXPECT_EQ(error.rfind(dir + "/plain/Korvel.INI: cannot create its folder", 0), 0u) << error;
}

TEST(IniFile, APipeOrFolderNamedAsSettingsIsRefusedWithoutWaiting) {
    const std::string dir = test::scratchDir("ini_not_files");
    ASSERT_EQ(::mkfifo((dir + "/pipe.INI").c_str(), 0600), 0);
    IniFile ini;
    const IniFile::ReadResult r = IniFile::read(dir + "/pipe.INI", ini);
    EXPECT_TRUE(r.exists);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.error, dir + "/pipe.INI: is a pipe (FIFO), not a settings file");
}

}  // namespace
}  // namespace korvel

// Wine's user.reg and Windows .reg exports read as the registry would answer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry_source.h"
#include "test_support.h"

namespace korvel {
namespace {

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> utf16le(const std::u16string& s, bool bom) {
    std::vector<uint8_t> out;
    if (bom) out = {0xFF, 0xFE};
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

const char* const kWineFile =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-1-2-3-1000\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\Jw_cad\\\\jw_win\\\\Folder] 1733650000\n"
    "#time=1db4a1c2f3e4d50\n"
    "\"File\"=\"C:\\\\jww\\\\\\x56f3\\x9762\\\\\"\n"
    "\"Quote\"=\"say \\\"hi\\\"\\n\\tend\"\n"
    "\"Octal\"=\"a\\101\\0b\"\n"
    "\"Path\"=str(2):\"%USERPROFILE%\\\\jww\"\n"
    "\"Expanded\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,\\\n"
    "  6a,00,77,00,00,00\n"
    "\"Blob\"=hex:01,02,ff\n"
    "\"Count\"=dword:0000002a\n"
    "@=\"default\"\n"
    "\n"
    "[Software\\\\Jw_cad\\\\jw_win\\\\Pen] 1733650001\n"
    "\"Color03\"=\"ff00\"\n"
    "\"Bad\"=dword:xyz\n"
    "\"Width01\"=\"1\"\n";

TEST(RegistryFile, ReadsWineUserRegistryAsWineWritesIt) {
    RegistryFile reg;
    RegistryFile::LoadResult r = reg.parse(bytesOf(kWineFile), "user.reg");
    ASSERT_TRUE(r.ok) << r.error;
    std::string s;
    uint32_t d = 0;

    // Keys without a root, doubled backslashes undone, names compared without case.
    EXPECT_TRUE(reg.keyExists("Software\\Jw_cad\\jw_win\\Folder"));
    EXPECT_TRUE(reg.keyExists("software\\JW_CAD\\jw_win\\folder"));
    EXPECT_TRUE(reg.keyExists("HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Pen"));
    EXPECT_TRUE(reg.keyExists("Software\\Jw_cad"));  // a parent exists with its children
    EXPECT_FALSE(reg.keyExists("Software\\Jw_cad\\jw_win\\Mesh"));
    EXPECT_FALSE(reg.keyExists("HKEY_LOCAL_MACHINE\\Software\\Jw_cad\\jw_win\\Pen"));

    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "file", s));
    EXPECT_EQ(s, "C:\\jww\\図面\\");
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Quote", s));
    EXPECT_EQ(s, "say \"hi\"\n\tend");
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Octal", s));
    EXPECT_EQ(s, std::string("aA\0b", 4));
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Path", s));
    EXPECT_EQ(s, "%USERPROFILE%\\jww");
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Expanded", s));
    EXPECT_EQ(s, "%TEMP%\\jw");
    EXPECT_EQ(reg.find("Software\\Jw_cad\\jw_win\\Folder", "Expanded")->type, kRegExpandSz);
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "", s));
    EXPECT_EQ(s, "default");
    ASSERT_TRUE(reg.readDword("Software\\Jw_cad\\jw_win\\Folder", "COUNT", d));
    EXPECT_EQ(d, 42u);

    // Types are kept apart: a DWORD is no string and a string no DWORD.
    EXPECT_FALSE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Count", s));
    EXPECT_FALSE(reg.readDword("Software\\Jw_cad\\jw_win\\Pen", "Color03", d));
    EXPECT_FALSE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Blob", s));
    EXPECT_EQ(reg.find("Software\\Jw_cad\\jw_win\\Folder", "Blob")->bytes, (std::vector<uint8_t>{1, 2, 0xFF}));

    // A value that cannot be read is skipped with a warning naming its line; the rest is read.
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0], "user.reg:20: value \"Bad\" could not be read; skipped");
    EXPECT_FALSE(reg.hasValue("Software\\Jw_cad\\jw_win\\Pen", "Bad"));
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Pen", "Width01", s));
    EXPECT_EQ(s, "1");
}

TEST(RegistryFile, ReadsVersion5ExportInUtf16) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Folder]\r\n"
        u"\"File\"=\"D:\\\\図面\\\\\"\r\n"
        u"\"Ex\"=hex(2):43,00,3a,00,5c,00,\\\r\n"
        u"  f3,56,00,00\r\n"
        u"\"Gone\"=\"x\"\r\n"
        u"\"Gone\"=-\r\n"
        u"\r\n"
        u"[HKEY_LOCAL_MACHINE\\Software\\Jw_cad\\jw_win\\Folder]\r\n"
        u"\"File\"=\"machine\"\r\n"
        u"\r\n"
        u"[Software\\Jw_cad\\jw_win\\Pen]\r\n"
        u"\"Color01\"=\"ffffff\"\r\n"
        u"\"Unit_02\"=dword:00000010\r\n";
    RegistryFile reg;
    RegistryFile::LoadResult r = reg.parse(utf16le(text, true), "jw.reg");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty());
    std::string s;
    uint32_t d = 0;
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "File", s));
    EXPECT_EQ(s, "D:\\図面\\");  // the machine's key of the same name does not leak in
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Ex", s));
    EXPECT_EQ(s, "C:\\図");
    EXPECT_FALSE(reg.hasValue("Software\\Jw_cad\\jw_win\\Folder", "Gone"));
    // A key written without its root counts as the current user's.
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Pen", "Color01", s));
    EXPECT_EQ(s, "ffffff");
    ASSERT_TRUE(reg.readDword("Software\\Jw_cad\\jw_win\\Pen", "Unit_02", d));
    EXPECT_EQ(d, 16u);
}

TEST(RegistryFile, ReadsRegedit4InTheJapaneseCodePage) {
    // "図面" in CP932 is 90 7D 96 CA; hex(2) in REGEDIT4 holds ANSI bytes.
    std::string text =
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Folder]\r\n"
        "\"File\"=\"C:\\\\\x90\x7D\x96\xCA\\\\\"\r\n"
        "\"Ex\"=hex(2):43,3a,5c,00\r\n"
        "\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Old]\r\n"
        "[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Point]\r\n"
        "\"Point1\"=\"0.3\"\r\n";
    RegistryFile reg;
    RegistryFile::LoadResult r = reg.parse(bytesOf(text), "jw4.reg");
    ASSERT_TRUE(r.ok) << r.error;
    std::string s;
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "File", s));
    EXPECT_EQ(s, "C:\\図面\\");
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Folder", "Ex", s));
    EXPECT_EQ(s, "C:\\");
    EXPECT_FALSE(reg.keyExists("Software\\Jw_cad\\jw_win\\Old"));
    ASSERT_TRUE(reg.readString("Software\\Jw_cad\\jw_win\\Point", "Point1", s));
    EXPECT_EQ(s, "0.3");
}

TEST(RegistryFile, MissingFileOpensNoKeyAndForeignFilesAreRefused) {
    const std::string dir = test::scratchDir("registry_missing");
    RegistryFile reg;
    RegistryFile::LoadResult r = RegistryFile::load(dir + "/none.reg", reg);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.exists);
    EXPECT_FALSE(reg.keyExists("Software"));

    test::writeFileBytes(dir + "/notes.reg", bytesOf("[Software\\Jw_cad]\n\"a\"=\"b\"\n"));
    r = RegistryFile::load(dir + "/notes.reg", reg);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, dir + "/notes.reg: not a registry file (it does not begin with \"WINE REGISTRY\", "
                             "\"REGEDIT4\" or \"Windows Registry Editor Version 5.00\")");
    EXPECT_EQ(reg.keyCount(), 0u);

    // Every prefix of a real file, and every byte of it replaced by a character that matters to
    // the syntax, parses without harm (the sanitizer build checks the reads).
    const std::string whole = kWineFile;
    for (size_t n = 0; n <= whole.size(); ++n) {
        RegistryFile part;
        part.parse(bytesOf(whole.substr(0, n)), "cut.reg");
        for (char c : {'\\', '"', '[', ']', '\n', '=', '\xFF'}) {
            std::string changed = whole;
            if (n < changed.size()) changed[n] = c;
            part.parse(bytesOf(changed), "changed.reg");
        }
    }
    const std::vector<uint8_t> v5 = utf16le(u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex(2):41,00,\\", true);
    for (size_t n = 0; n <= v5.size(); ++n) {
        RegistryFile part;
        part.parse(std::vector<uint8_t>(v5.begin(), v5.begin() + static_cast<long>(n)), "cut5.reg");
    }
}

TEST(RegistryFile, AFolderOrPipeNamedAsTheRegistryIsAnErrorNamingIt) {
    const std::string dir = test::scratchDir("registry_not_files");
    RegistryFile reg;
    RegistryFile::LoadResult r = RegistryFile::load(dir, reg);
    EXPECT_TRUE(r.exists);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, dir + ": cannot be read (a folder, not a regular file)");
    ASSERT_EQ(::mkfifo((dir + "/user.reg").c_str(), 0600), 0);
    r = RegistryFile::load(dir + "/user.reg", reg);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, dir + "/user.reg: cannot be read (a pipe (FIFO), not a regular file)");
}

TEST(RegistryFile, WinePrefixDecidesWhereUserRegistryIs) {
    const char* old = std::getenv("WINEPREFIX");
    std::string saved = old ? old : "";
    setenv("WINEPREFIX", "/tmp/prefix-a", 1);
    EXPECT_EQ(DefaultWineUserRegistry(), "/tmp/prefix-a/user.reg");
    unsetenv("WINEPREFIX");
    EXPECT_EQ(DefaultWineUserRegistry(), std::string(std::getenv("HOME")) + "/.wine/user.reg");
    if (old) setenv("WINEPREFIX", saved.c_str(), 1);
}

TEST(WinePaths, DrivesThroughDosdevicesAndNamesWithoutCase) {
    namespace fs = std::filesystem;
    const std::string prefix = test::scratchDir("wine_paths");
    fs::create_directories(prefix + "/drive_c/JWW/Zumen");
    fs::create_directories(prefix + "/data");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_symlink("../drive_c", prefix + "/dosdevices/c:");
    fs::create_symlink(prefix + "/data", prefix + "/dosdevices/d:");
    const std::string c = fs::canonical(prefix + "/drive_c").string();
    EXPECT_EQ(WinePathToLinux("C:\\jww\\zumen\\", prefix), c + "/JWW/Zumen/");
    EXPECT_EQ(WinePathToLinux("c:\\Jww\\new.jww", prefix), c + "/JWW/new.jww");  // not there yet: kept as written
    EXPECT_EQ(WinePathToLinux("D:\\x", prefix), fs::canonical(prefix + "/data").string() + "/x");
    EXPECT_EQ(WinePathToLinux("E:\\x", prefix), "");
    EXPECT_EQ(WinePathToLinux("\\\\server\\share", prefix), "");
    EXPECT_EQ(WinePathToLinux("Z:\\tmp", test::scratchDir("wine_bare")), "/tmp");  // no links: Z: is the root
}

TEST(WinePaths, LinuxPathsForJwWinPreferTheRootDrive) {
    namespace fs = std::filesystem;
    const std::string prefix = test::scratchDir("wine_reverse");
    fs::create_directories(prefix + "/drive_c/jww");
    fs::create_directories(prefix + "/data/sub");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_symlink("../drive_c", prefix + "/dosdevices/c:");
    fs::create_symlink(prefix + "/data", prefix + "/dosdevices/d:");
    const std::string c = fs::canonical(prefix + "/drive_c").string();
    const std::string d = fs::canonical(prefix + "/data").string();
    auto backslashed = [](std::string s) {
        std::replace(s.begin(), s.end(), '/', '\\');
        return s;
    };
    // Without Z: the closest drive names the path; outside every drive there is no name.
    EXPECT_EQ(LinuxPathToWine(c + "/jww/_Grp_.bmp", prefix), "C:\\jww\\_Grp_.bmp");
    EXPECT_EQ(LinuxPathToWine(d + "/sub/new.bmp", prefix), "D:\\sub\\new.bmp");  // not there yet
    EXPECT_EQ(LinuxPathToWine(d, prefix), "D:\\");
    EXPECT_EQ(LinuxPathToWine("/nowhere/x.bmp", prefix), "");
    // With Z: on the root, as Wine makes every prefix, Z: names everything.
    fs::create_symlink("/", prefix + "/dosdevices/z:");
    EXPECT_EQ(LinuxPathToWine(c + "/jww/_Grp_.bmp", prefix), "Z:" + backslashed(c) + "\\jww\\_Grp_.bmp");
    EXPECT_EQ(LinuxPathToWine("/nowhere/./x.bmp", prefix), "Z:\\nowhere\\x.bmp");
    // A prefix without links: Wine's own C: and Z:.
    EXPECT_EQ(LinuxPathToWine("/tmp/a b/_Grp_.bmp", test::scratchDir("wine_bare2")), "Z:\\tmp\\a b\\_Grp_.bmp");
    // And back again.
    EXPECT_EQ(WinePathToLinux(LinuxPathToWine(d + "/sub", prefix), prefix), d + "/sub");
}

}  // namespace
}  // namespace korvel

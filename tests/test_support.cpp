#include "test_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace korvel::test {

std::string samplesDir() {
    if (const char* env = std::getenv("KORVEL_SAMPLES"); env && *env) {
        return fs::is_directory(env) ? std::string(env) : std::string();
    }
    fs::path p = fs::path(KORVEL_SOURCE_DIR) / ".." / "shared" / "samples" / "jww";
    std::error_code ec;
    if (fs::is_directory(p, ec)) return fs::canonical(p, ec).string();
    return {};
}

std::vector<fs::path> sampleDrawings() {
    std::vector<fs::path> files;
    const std::string dir = samplesDir();
    if (dir.empty()) return files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".jww") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string sourcePath(const std::string& relative) {
    return (fs::path(KORVEL_SOURCE_DIR) / relative).string();
}

std::string scratchDir(const std::string& name) {
    fs::path p = fs::path(KORVEL_BINARY_DIR) / "test-scratch";
    // ctest runs every test in a process of its own, several at once: two tests asking for the
    // same folder must not empty it under each other. The test's name goes in as a short hash,
    // since some tests bind Unix sockets there, whose paths may not exceed 107 bytes.
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        uint32_t h = 2166136261u;  // FNV-1a
        for (const char c : std::string(test->test_suite_name()) + "." + test->name())
            h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
        char folder[12];
        std::snprintf(folder, sizeof folder, "t%08x", static_cast<unsigned>(h));
        p /= folder;
    }
    p /= name;
    std::error_code ec;
    fs::remove_all(p, ec);
    fs::create_directories(p);
    return p.string();
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string readFileText(const std::string& path) {
    const std::vector<uint8_t> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> folderNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace korvel::test

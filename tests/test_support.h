// Helpers shared by the test programs: where the real sample drawings are, reading files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvel::test {

// The folder of real Jw_cad drawings (../shared/samples/jww beside the checkout, or
// $KORVEL_SAMPLES); empty when it is absent.
std::string samplesDir();
// The .jww files of samplesDir(), in name order; none when it is absent.
std::vector<std::filesystem::path> sampleDrawings();
// The project's own files (samples/demo.jww and the like).
std::string sourcePath(const std::string& relative);
// A fresh scratch folder under the build tree for one test.
std::string scratchDir(const std::string& name);
std::vector<uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string readFileText(const std::string& path);
// The names in a folder, sorted: what a write left beside its output shows here.
std::vector<std::string> folderNames(const std::string& dir);

}  // namespace korvel::test

// Skips the current test with a message when the real samples are absent.
#define KORVEL_REQUIRE_SAMPLES()                                                       \
    do {                                                                               \
        if (::korvel::test::samplesDir().empty())                                      \
            GTEST_SKIP() << "../shared/samples/jww is absent; real drawings not tested"; \
    } while (0)

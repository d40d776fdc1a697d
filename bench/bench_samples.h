// Where the benchmarks find the real drawings: $KORVEL_SAMPLES, or ../shared/samples/jww beside
// the checkout; empty when neither is there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string benchSamplesDir() {
    if (const char* env = std::getenv("KORVEL_SAMPLES"); env && *env) return env;
    const std::filesystem::path p =
        std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "shared" / "samples" / "jww";
    std::error_code ec;
    return std::filesystem::is_directory(p, ec) ? std::filesystem::canonical(p, ec).string() : std::string();
}

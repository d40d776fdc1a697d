#include <gtest/gtest.h>

#include <cstdio>

#include "drawing/loaders.h"
#include "test_support.h"

namespace korvel {
namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

TEST(InfoCommand, ListsPictureReferences) {
    const std::string folder = test::scratchDir("info_pictures");
    Drawing d;
    for (const char* text : {"^@BMlogo.png,10", "^@BMmissing.png,10"}) {
        TDataMoji t;
        t.text = text;
        t.sizeX = t.sizeY = 2.5;
        d.top.texts.push_back(t);
        d.top.sequence.push_back({RecordClass::Moji, static_cast<uint32_t>(d.top.texts.size() - 1)});
    }
    SaveResult saved;
    test::writeFileBytes(folder + "/plan.jww", SaveJwwBytes(d, 351, saved));
    ASSERT_TRUE(saved.ok) << saved.error;
    test::writeFileBytes(folder + "/logo.png", {1});

    const std::string json = run(std::string(KORVEL_EXE) + " info --json " + folder + "/plan.jww");
    EXPECT_NE(json.find(",\"pictures\":[{\"reference\":\"^@BMlogo.png,10\",\"resolves\":true},"
                        "{\"reference\":\"^@BMmissing.png,10\",\"resolves\":false}],"),
              std::string::npos)
        << json;
    const std::string human = run(std::string(KORVEL_EXE) + " info " + folder + "/plan.jww");
    EXPECT_NE(human.find("  picture references: 2\n    ^@BMlogo.png,10 (found)\n"
                         "    ^@BMmissing.png,10 (not found)\n"),
              std::string::npos)
        << human;
}

}  // namespace
}  // namespace korvel

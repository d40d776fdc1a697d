#include "output/staged_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

size_t entries(const std::string& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(StagedFiles, NothingAppearsUnderItsNameBeforeTheCommit) {
    const std::string dir = test::scratchDir("staged_commit");
    test::writeFileBytes(dir + "/b.PNG", {'o', 'l', 'd'});
    StagedFiles staged;
    std::string error;
    ASSERT_TRUE(staged.stage(dir + "/a.PNG", {'n', 'e', 'w', 'a'}, error)) << error;
    ASSERT_TRUE(staged.stage(dir + "/b.PNG", {'n', 'e', 'w', 'b'}, error)) << error;
    EXPECT_FALSE(fs::exists(dir + "/a.PNG"));
    EXPECT_EQ(test::readFileBytes(dir + "/b.PNG"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(staged.commit().empty());
    EXPECT_EQ(test::readFileBytes(dir + "/a.PNG"), (std::vector<uint8_t>{'n', 'e', 'w', 'a'}));
    EXPECT_EQ(test::readFileBytes(dir + "/b.PNG"), (std::vector<uint8_t>{'n', 'e', 'w', 'b'}));
    EXPECT_EQ(entries(dir), 2u);  // no temporaries left
    struct stat st {};
    ASSERT_EQ(stat((dir + "/a.PNG").c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(StagedFiles, FailuresNameTheFileAndLeaveNothingBehind) {
    const std::string dir = test::scratchDir("staged_failures");
    {
        StagedFiles staged;
        std::string error;
        EXPECT_FALSE(staged.stage(dir + "/missing/a.PNG", {'x'}, error));
        EXPECT_NE(error.find(dir + "/missing/a.PNG"), std::string::npos) << error;
        // A folder under the name is refused at once...
        fs::create_directory(dir + "/b.PNG");
        EXPECT_FALSE(staged.stage(dir + "/b.PNG", {'x'}, error));
        EXPECT_EQ(error, dir + "/b.PNG: is a folder; give a file name");
        // ...and one that appears before the commit stops the rename.
        ASSERT_TRUE(staged.stage(dir + "/c.PNG", {'x'}, error));
        fs::create_directory(dir + "/c.PNG");
        fs::create_directory(dir + "/c.PNG/inner");
        const auto failures = staged.commit();
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].path, dir + "/c.PNG");
        EXPECT_NE(failures[0].error.find("cannot replace"), std::string::npos);
        // Staged and never committed: removed when the batch is abandoned.
        ASSERT_TRUE(staged.stage(dir + "/d.PNG", {'x'}, error));
    }
    EXPECT_FALSE(fs::exists(dir + "/d.PNG"));
    EXPECT_EQ(entries(dir), 2u);  // only the folders that were in the way
}

}  // namespace
}  // namespace korvel

#include "program/path_text.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tavix::program {
namespace {

TEST(FolderOfTest, KeepsEverythingUpToTheLastSeparator) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:/APP/tavix.exe", "C:/APP/"},
        {"/opt/tavix/bin/tavix", "/opt/tavix/bin/"},
        {"C:/", "C:/"},
        {"/opt/tavix/", "/opt/tavix/"},
        {"/", "/"},
        {"tavix.exe", ""},
        {"", ""},
    };
    for (const auto& [path, folder] : cases) {
        EXPECT_EQ(FolderOf(path), folder) << '"' << path << '"';
    }
}

TEST(FolderOfTest, OverflowsBeyond32767Characters) {
    const std::string longest = std::string(32766, 'a') + "/";
    EXPECT_EQ(FolderOf(longest), longest);
    EXPECT_THROW(FolderOf(longest + "b"), std::overflow_error);
}

TEST(JoinPathTest, JoinsWithOneSeparatorAndTrimsSpaces) {
    struct Case {
        std::string folder;
        std::string name;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"C:/APP/", "tavix.mdb", "C:/APP/tavix.mdb"},
        {"C:/APP", "tavix.mdb", "C:/APP/tavix.mdb"},
        {"", "tavix.mdb", "/tavix.mdb"},
        {"  /opt/tavix/", "tavix.mdb  ", "/opt/tavix/tavix.mdb"},
        {"   ", "", "/"},
        {"\t/opt", "tavix.mdb\t", "\t/opt/tavix.mdb\t"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JoinPath(c.folder, c.name), c.expected)
            << '"' << c.folder << "\" + \"" << c.name << '"';
    }
}

TEST(FileInFolderTest, NamesNoFileWithoutAFolder) {
    EXPECT_EQ(FileInFolder("/opt/tavix/", "tavix.mdb"), "/opt/tavix/tavix.mdb");
    EXPECT_EQ(FileInFolder("/opt/tavix", "tavix.mdb"), "/opt/tavix/tavix.mdb");
    EXPECT_EQ(FileInFolder("/", "tavix.mdb"), "/tavix.mdb");
    EXPECT_EQ(FileInFolder("", "tavix.mdb"), "");
}

}  // namespace
}  // namespace tavix::program

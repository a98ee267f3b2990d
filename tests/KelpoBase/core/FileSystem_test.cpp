#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/ResourceFile.h"

namespace fs = std::filesystem;

namespace
{
void MakeFile(const fs::path& path, const std::string& bytes = "x")
{
    fs::create_directories(path.parent_path().empty() ? fs::path(".") : path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
} // namespace

TEST(NormalisePath, Table)
{
    struct Case
    {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"\"res\\maps\\\"", "res/maps"},
        {"a/b//", "a/b/"}, // only one slash goes
        {"", ""},
        {"\"\"", ""},
        {"/", ""},
        {"\"\"a\"\"", "a"},
        {"res/a.png", "res/a.png"},
    };
    for (const Case& c : cases)
    {
        std::string path = c.in;
        NormalisePath(path);
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(CollapseParentSegments, Table)
{
    struct Case
    {
        const char* in;
        bool ok;
        const char* out;
    };
    const Case cases[] = {
        {"a/b/../c", true, "a/c"},
        {"a/../b", true, "b"}, // stays relative
        {"a/b/../../c", true, "c"},
        {"/a/../b", true, "/b"},
        {"a/b/..", true, "a"},
        {"a/..", true, ""},
        {"a/b/", true, "a/b"},
        {"x..y/z", true, "x..y/z"},
        {"../x", false, "../x"},
        {"a/../../x", false, "../x"},
    };
    for (const Case& c : cases)
    {
        std::string path = c.in;
        EXPECT_EQ(CollapseParentSegments(path), c.ok) << c.in;
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(MakeRelativePath, Table)
{
    struct Case
    {
        const char* base;
        const char* target;
        const char* out;
    };
    const Case cases[] = {
        {"c:/game/res", "c:/game/res/maps/a.cgla", "maps/a.cgla"},
        {"C:/Game/Res/", "c:/game/other/b.png", "../other/b.png"},
        {"a/b/c", "a/x", "../../x"},
        {"abc", "xyz\\q", "xyz/q"}, // nothing shared: the target, normalised
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeRelativePath(c.base, c.target), c.out) << c.base << " -> " << c.target;
}

TEST(ListFolder, SortedAndFiltered)
{
    MakeFile("lst/b.txt");
    MakeFile("lst/A.dat");
    MakeFile("lst/c.DAT");
    fs::create_directories("lst/zdir");
    fs::create_directories("lst/adir");

    std::vector<std::string> list{"keep"};
    EXPECT_EQ(ListFolder("lst", false, false, list), 1u);
    EXPECT_EQ(ListFolderFiles("lst", list), 4u);
    EXPECT_EQ(list, (std::vector<std::string>{"keep", "lst/A.dat", "lst/b.txt", "lst/c.DAT"}));

    list.clear();
    EXPECT_EQ(ListFolderSubfolders("lst", list), 2u);
    EXPECT_EQ(list, (std::vector<std::string>{"lst/adir", "lst/zdir"}));

    list.clear();
    EXPECT_EQ(ListFolderFilesAndSubfolders("lst", list), 5u);
    EXPECT_EQ(list.front(), "lst/A.dat");
    EXPECT_EQ(list.back(), "lst/zdir");

    list.clear();
    EXPECT_EQ(ListFolder("no-such-folder", true, true, list), 0u);

    // The pack a folder would use is the first .dat file in that order.
    EXPECT_EQ(FindPackInFolder("lst"), "lst/A.dat");
    EXPECT_EQ(FindPackInFolder("lst/adir"), "");
}

TEST(FileKinds, ExistsFolderFileMakeRemove)
{
    MakeFile("kinds/file.bin");
    EXPECT_TRUE(PathExists("kinds"));
    EXPECT_TRUE(PathExists("kinds/file.bin"));
    EXPECT_FALSE(PathExists("kinds/none"));
    EXPECT_TRUE(IsFolder("kinds"));
    EXPECT_FALSE(IsFile("kinds"));
    EXPECT_TRUE(IsFile("kinds/file.bin"));
    EXPECT_FALSE(IsFolder("kinds/file.bin"));
    EXPECT_FALSE(IsFile("kinds/none"));

    struct stat status;
    EXPECT_EQ(FileStat("kinds/file.bin", status), 0);
    EXPECT_EQ(status.st_size, 1);
    EXPECT_NE(FileStat("kinds/none", status), 0);

    EXPECT_TRUE(MakeFolder("kinds/sub"));
    EXPECT_FALSE(MakeFolder("kinds/sub"));
    EXPECT_TRUE(RemoveFile("kinds/file.bin"));
    EXPECT_FALSE(RemoveFile("kinds/file.bin"));
}

TEST(FileKinds, PathsInAnotherLetterCase)
{
    MakeFile("Case/Sub/File.PNG", "png");
    std::string actual;
    EXPECT_TRUE(FindPathIgnoringCase("case/sub/file.png", actual));
    EXPECT_EQ(actual, "Case/Sub/File.PNG");
    EXPECT_TRUE(FindPathIgnoringCase("Case/Sub/File.PNG", actual));
    EXPECT_EQ(actual, "Case/Sub/File.PNG");
    EXPECT_FALSE(FindPathIgnoringCase("case/sub/other.png", actual));
    EXPECT_FALSE(FindPathIgnoringCase("", actual));
    // A file added since the last lookup is found at once.
    MakeFile("Case/Sub/Late.PNG", "png");
    EXPECT_TRUE(FindPathIgnoringCase("case/sub/late.png", actual));
    EXPECT_EQ(actual, "Case/Sub/Late.PNG");
    // The resource lookup finds such a file, so it exists.
    EXPECT_TRUE(PathExists("CASE/SUB/FILE.png"));
    EXPECT_TRUE(IsFile("CASE/SUB/FILE.png"));

    const std::string absolute = (fs::current_path() / "case/sub/file.png").string();
    EXPECT_TRUE(FindPathIgnoringCase(absolute, actual));
    EXPECT_EQ(actual, (fs::current_path() / "Case/Sub/File.PNG").string());
}

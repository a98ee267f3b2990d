#include "game/shell/StoredDataNotice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What the box at start says for each finding the scenarios cannot easily make with the real
// program: a file that could not be kept aside (a full disk), a folder that cannot be written.
// Every text names the file or folder and the reason, says whether this run's progress is
// kept, and, where the player can mend something, what to do.
namespace
{
cSaveData::ReadFindings Read(cSaveData::ReadResult result, std::string problem = "", std::string why = "",
                             std::string linkFolder = "", std::string linkWhy = "")
{
    cSaveData::ReadFindings found;
    found.result = result;
    found.problem = std::move(problem);
    found.why = std::move(why);
    found.linkFolder = std::move(linkFolder);
    found.linkWhy = std::move(linkWhy);
    return found;
}
} // namespace

TEST(StoredDataNotice, SaysWhatBecameOfEachFileAndWhetherProgressIsKept)
{
    using Result = cSaveData::ReadResult;
    const std::string save = "/home/p/Tollivan/Data.sav";
    struct Case
    {
        const char* what;
        GameServiceStartFindings service;
        cSaveData::ReadFindings read;
        std::vector<std::string> says;
    };
    GameServiceStartFindings fine;
    fine.folder = "/home/p/Tollivan";
    fine.statsFile = "/home/p/Tollivan/GameService.stats";
    GameServiceStartFindings readOnly = fine;
    readOnly.folderUnwritable = "Permission denied";
    GameServiceStartFindings statsStuck = fine;
    statsStuck.statsDamage = "is damaged";
    statsStuck.statsNotKept = "No space left on device";
    GameServiceStartFindings statsLinked = fine;
    statsLinked.statsLinkFolder = "/mnt/synced";
    statsLinked.statsLinkWhy = "Permission denied";
    GameServiceStartFindings unusable = fine;
    unusable.folderUnusable = "Permission denied";
    const std::vector<Case> cases = {
        {"a folder that cannot be written", readOnly, Read(Result::Loaded),
         {"/home/p/Tollivan, cannot be written: Permission denied", "What it holds was read",
          "progress made in this run will not be kept", "Check that the folder can be written"}},
        {"a damaged save that could not be moved aside", fine,
         Read(Result::Damaged, "is too short to hold a version", "No space left on device"),
         {"Your saved game /home/p/Tollivan/Data.sav is too short to hold a version",
          "could not be kept aside: No space left on device", "It is left as it is",
          "progress made in this run may not be kept", "Check that the folder can be written"}},
        {"a short save whose copy could not be kept", fine,
         Read(Result::Partial, "is shorter than the 3670 bytes of its version 3", "Read-only file system"),
         {"what it holds was read, but a copy of it could not be kept aside: Read-only file system",
          "progress made in this run may not be kept"}},
        {"a damaged statistics file that could not be moved aside", statsStuck, Read(Result::Loaded),
         {"Your achievements and scores in /home/p/Tollivan/GameService.stats is damaged",
          "could not be kept aside: No space left on device", "what this run wins may not be kept"}},
        {"a save that a link leads into a folder that cannot be written", fine,
         Read(Result::Loaded, "", "", "/mnt/synced", "Read-only file system"),
         {"Your saved game /home/p/Tollivan/Data.sav is a link into /mnt/synced, which cannot be written: "
          "Read-only file system",
          "progress made in this run will not be kept", "Check that the folder can be written"}},
        {"statistics that a link leads into a folder that cannot be written", statsLinked, Read(Result::Loaded),
         {"Your achievements and scores in /home/p/Tollivan/GameService.stats lie behind a link into /mnt/synced, "
          "which cannot be written: Permission denied",
          "what this run wins will not be kept"}},
        // A folder that cannot be used holds nothing the game read: only the folder is named.
        {"an unusable folder", unusable, Read(Result::Unreadable, "", "Permission denied"),
         {"/home/p/Tollivan, cannot be used: Permission denied", "nothing of this run will be kept"}},
    };
    for (const Case& c : cases)
    {
        const std::string text = StoredDataNotice(c.service, c.read, save);
        for (const std::string& words : c.says)
            EXPECT_NE(text.find(words), std::string::npos) << c.what << ": " << words << "\n" << text;
        EXPECT_EQ(text.find("\n\n"), std::string::npos) << c.what << ": one paragraph\n" << text;
    }
    EXPECT_EQ(StoredDataNotice(fine, Read(Result::Loaded), save), "");
    EXPECT_EQ(StoredDataNotice(fine, Read(Result::Missing), save), "") << "a first start";
}

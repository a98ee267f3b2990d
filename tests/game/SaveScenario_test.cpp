// Scenarios of the save folder: the whole program starts, plays and shuts down over save
// and statistics files that are cut short, cannot be written (a full disk, a read-only
// folder) or cannot be read, and what the player saved is never lost.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ScenarioSteps.h"
#include "support/TestSupport.h"

using namespace tvtest;

namespace
{
// A save file cut short after the hundredth level record, whose levels 0 (score 9), 7 and
// 120 are completed.
std::vector<uint8_t> ShortSaveFile()
{
    cSaveData stored;
    stored.progress[0].completed = true;
    stored.progress[0].bestScore = 9;
    stored.progress[7].completed = true;
    stored.progress[120].completed = true;
    const std::vector<uint8_t> whole = stored.Serialise();
    return std::vector<uint8_t>(whole.begin(), whole.begin() + 17 + 12 * 100);
}

// Makes every change to the save folder fail with an error, as a full disk or a read-only
// mount would (file modes do not stop root), until cleared or destroyed.
struct FolderWriteFailure
{
    explicit FolderWriteFailure(int error) { GameServiceFailWritesWithErrorForTests(error); }
    ~FolderWriteFailure() { Clear(); }
    void Clear() { GameServiceFailWritesWithErrorForTests(0); }
};

bool Says(const std::string& text, const std::string& words) { return text.find(words) != std::string::npos; }

// Text without its spaces and line breaks, where a box may have broken it into lines.
std::string Squeezed(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\n')
            out += c;
    return out;
}

// Whether a box says the words, wherever it broke them into lines.
bool BoxSays(const std::string& box, const std::string& words) { return Says(Squeezed(box), Squeezed(words)); }
} // namespace

// A save file cut short (here after the hundredth level record) keeps, in the real
// program, every record it holds; the shutdown save writes the whole record, and the bytes
// read at start-up lie beside it unchanged.
TEST(Scenario, AShortSaveFileKeepsItsProgressAndItsBytesAside)
{
    const std::filesystem::path folder = EmptySaveFolder();
    const std::vector<uint8_t> cut = ShortSaveFile();
    WriteFileBytes(folder / "Data.sav", cut);
    {
        ScenarioDriver d;
        ASSERT_TRUE(d.Start());
        d.UndrawnFrames(5);
        const cSaveData& save = d.Game().saveData;
        EXPECT_TRUE(save.progress[0].completed);
        EXPECT_EQ(save.progress[0].bestScore, 9);
        EXPECT_TRUE(save.progress[7].completed);
        EXPECT_FALSE(save.progress[120].completed) << "past the end: the default";
    }
    EXPECT_EQ(FileBytes(folder / "Data.sav.bad"), cut);
    EXPECT_EQ(std::filesystem::file_size(folder / "Data.sav"), cSaveData::kFileSizeV3);
    ASSERT_TRUE(GameServiceInit(folder.string()));
    cSaveData read;
    EXPECT_EQ(read.Read((folder / "Data.sav").string(), false), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(read.progress[7].completed);
    EXPECT_EQ(read.progress[0].bestScore, 9);
    GameServiceShutdown();
}

// The disk is full when the program starts, so the short save file it reads cannot be
// kept aside and no save may replace it: a save then is refused and says why. Space is
// freed while the game runs, and the exit save keeps the copy first and then lands with
// the progress of the run.
TEST(Scenario, AFullDiskAtStartThenFreedStillSavesAtExitAndKeepsTheFileRead)
{
    const std::filesystem::path folder = EmptySaveFolder();
    const std::vector<uint8_t> cut = ShortSaveFile();
    WriteFileBytes(folder / "Data.sav", cut);
    FolderWriteFailure full(ENOSPC);
    {
        ScenarioDriver d;
        testing::internal::CaptureStderr();
        const bool started = d.Start();
        d.UndrawnFrames(5);
        std::string said = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started);
        EXPECT_TRUE(Says(said, "could not be kept aside (No space left on device)")) << said;
        EXPECT_TRUE(d.Game().saveData.progress[7].completed);

        testing::internal::CaptureStderr();
        EXPECT_FALSE(d.Game().SaveGame());
        said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, "The game was not saved")) << said;
        EXPECT_TRUE(Says(said, "No space left on device")) << said;
        EXPECT_EQ(FileBytes(folder / "Data.sav"), cut);
        EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad"));

        d.Game().saveData.progress[9].completed = true; // progress made in this run
        full.Clear();
    }
    EXPECT_EQ(FileBytes(folder / "Data.sav.bad"), cut);
    EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad2"));
    ASSERT_TRUE(GameServiceInit(folder.string()));
    cSaveData read;
    EXPECT_EQ(read.Read((folder / "Data.sav").string(), false), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(read.progress[7].completed);
    EXPECT_TRUE(read.progress[9].completed);
    GameServiceShutdown();
    EmptySaveFolder();
}

// A save folder the program cannot write still gives the player their progress, look and
// controls; stderr says at start, and at the exit save, that progress will not be kept,
// and the file stays as it was.
TEST(Scenario, AReadOnlySaveFolderStillGivesThePlayerTheirProgress)
{
    const std::filesystem::path folder = EmptySaveFolder();
    cSaveData stored;
    stored.progress[3].completed = true;
    stored.progress[3].bestScore = 4321;
    stored.SetLook(2, 0, 0, 0, 1);
    stored.controls[4] = 80;
    const std::vector<uint8_t> file = stored.Serialise();
    WriteFileBytes(folder / "Data.sav", file);
    FolderWriteFailure readOnly(EROFS);
    std::string atStart;
    std::string atExit;
    {
        ScenarioDriver d;
        testing::internal::CaptureStderr();
        const bool started = d.Start();
        d.UndrawnFrames(5);
        atStart = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started);
        const cSaveData& save = d.Game().saveData;
        EXPECT_TRUE(save.progress[3].completed);
        EXPECT_EQ(save.progress[3].bestScore, 4321);
        EXPECT_EQ(save.look[cSaveData::kLookHair], 2);
        EXPECT_EQ(save.look[cSaveData::kLookCup], 1);
        EXPECT_EQ(save.GetControl(4), 80);
        testing::internal::CaptureStderr();
        d.Stop();
        atExit = testing::internal::GetCapturedStderr();
        // The player is told once, at start, and not again at the exit save.
        ASSERT_EQ(d.Boxes().size(), 1u);
        EXPECT_TRUE(BoxSays(d.Boxes()[0], "cannot be written: Read-only file system")) << d.Boxes()[0];
        EXPECT_TRUE(BoxSays(d.Boxes()[0], "progress made in this run will not be kept")) << d.Boxes()[0];
        EXPECT_FALSE(BoxSays(d.Boxes()[0], "Your saved game")) << d.Boxes()[0];
    }
    EXPECT_TRUE(Says(atStart, "cannot be written (Read-only file system)")) << atStart;
    EXPECT_TRUE(Says(atStart, "progress will not be kept")) << atStart;
    EXPECT_TRUE(Says(atExit, "The game could not be saved")) << atExit;
    EXPECT_TRUE(Says(atExit, "Read-only file system")) << atExit;
    EXPECT_TRUE(Says(atExit, "progress will not be kept")) << atExit;
    EXPECT_EQ(FileBytes(folder / "Data.sav"), file);
    readOnly.Clear();
    EmptySaveFolder();
}

namespace
{
// Removes the stand-in service's statistics file and any copy of it kept aside.
void RemoveStoredStatistics(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind(kGameServiceStatsFile, 0) == 0)
            std::filesystem::remove_all(entry.path());
}

// Starts the program and runs a few frames; said receives what that wrote on stderr.
bool StartSaying(ScenarioDriver& d, std::string& said)
{
    testing::internal::CaptureStderr();
    const bool started = d.Start();
    d.UndrawnFrames(5);
    said = testing::internal::GetCapturedStderr();
    return started;
}
} // namespace

namespace
{
// A save file in which every field differs from a new game's.
std::vector<uint8_t> RichSaveFile()
{
    cSaveData stored;
    stored.flags = 5;
    stored.flipScreen = true;
    stored.progress[3] = {true, 4321, true, true, true, 611};
    stored.progress[57] = {true, 12, false, true, false, 9000};
    stored.progress[201].bestScore = 33;
    stored.feats[cSaveData::kFeatDontJump] = true;
    stored.windowed = 1;
    stored.SetLook(1, 2, 0, 1, 2);
    stored.SetControl(4, 75);
    std::vector<uint8_t> file = stored.Serialise();
    const float music = 0.25f, sound = 0.75f;
    std::memcpy(file.data() + 4, &music, 4);
    std::memcpy(file.data() + 8, &sound, 4);
    return file;
}
} // namespace

// A save file and a statistics file the program cannot look up, open or read (an error
// injected at each of those steps, or files of mode 000 read by a user other than root) are
// no damage: the game starts as a new one and says why on stderr and, once, in the box it
// shows for data it cannot start without; every save and store is refused and said, the
// files keep their bytes and nothing is set aside; the next start that can read them has
// every field of the save and the achievement, and shows no box.
TEST(Scenario, FilesThatCannotBeReadAtStartAreLeftForALaterStart)
{
    const std::vector<uint8_t> file = RichSaveFile();
    GameServiceStats achieved;
    achieved.achievements.insert("ACH_BREAKOUT");
    const std::string statsText = SerialiseGameServiceStats(achieved);
    const std::vector<uint8_t> stats(statsText.begin(), statsText.end());

    ForEachUnreadableWay([&](const UnreadableWay& way) {
        // A statistics file whose name alone cannot be looked up is read all the same.
        const bool statsRead = way.FailsOnlyTheFirstLookUp();
        const std::filesystem::path folder = EmptySaveFolder();
        RemoveStoredStatistics(folder);
        const std::filesystem::path saveFile = folder / "Data.sav", statsFile = folder / kGameServiceStatsFile;
        WriteFileBytes(saveFile, file);
        WriteFileBytes(statsFile, stats);
        UnreadableFiles unreadable(way, {saveFile, statsFile});
        if (!unreadable.Made())
            GTEST_SKIP() << "files of mode 000 can be read here";
        const std::string reason = way.reason;
        std::string atStart;
        std::string atExit;
        {
            ScenarioDriver d;
            ASSERT_TRUE(StartSaying(d, atStart));
            EXPECT_FALSE(d.Game().saveData.progress[3].completed) << "a new game";
            bool has = !statsRead;
            ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &has));
            EXPECT_EQ(has, statsRead);
            ASSERT_EQ(d.Boxes().size(), 1u);
            const std::string box = Squeezed(d.Boxes()[0]);
            EXPECT_TRUE(Says(box, Squeezed("Your saved game " + saveFile.string() + " could not be read: " + reason)))
                << d.Boxes()[0];
            EXPECT_TRUE(Says(box, Squeezed("this run will not save over it"))) << d.Boxes()[0];
            EXPECT_EQ(Says(box, Squeezed(statsFile.string() + " could not be read: " + reason)), !statsRead)
                << d.Boxes()[0];

            d.Game().saveData.progress[5].completed = true; // progress made in this run
            GameServiceSetAchievement("ACH_DONT_JUMP");
            testing::internal::CaptureStderr();
            EXPECT_FALSE(d.Game().SaveGame());
            EXPECT_EQ(GameServiceStoreStats(), statsRead);
            const std::string refused = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(Says(refused, "The game was not saved")) << refused;
            EXPECT_EQ(Says(refused, "achievements and scores were not stored"), !statsRead) << refused;
            testing::internal::CaptureStderr();
        }
        atExit = testing::internal::GetCapturedStderr();
        unreadable.Undo();
        EXPECT_TRUE(Says(atStart, "Data.sav could not be read (" + reason + ")")) << atStart;
        EXPECT_EQ(Says(atStart, "GameService.stats could not be read (" + reason + ")"), !statsRead) << atStart;
        EXPECT_TRUE(Says(atExit, "The game was not saved")) << atExit;
        EXPECT_TRUE(Says(atExit, "(" + reason + ")")) << atExit;
        EXPECT_EQ(FileBytes(saveFile), file);
        if (!statsRead)
        {
            EXPECT_EQ(FileBytes(statsFile), stats);
        }
        EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad"));
        EXPECT_FALSE(std::filesystem::exists(folder / "GameService.stats.bad"));

        ScenarioDriver later;
        ASSERT_TRUE(later.Start());
        later.UndrawnFrames(5);
        EXPECT_TRUE(later.Boxes().empty());
        EXPECT_EQ(later.Game().saveData.Serialise(), file);
        bool has = false;
        ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &has));
        EXPECT_TRUE(has);
    });
    RemoveStoredStatistics(EmptySaveFolder());
}

// Every start that goes on without the player's save or statistics, or that cannot keep this
// run's progress, says so in one box at start, titled for the player's data: which file or
// folder, the system's reason, what became of the file, whether this run's progress is kept
// and what to do. Saves and the exit show nothing more. The real program, over the sample tree.
TEST(Scenario, StartsWithoutThePlayersDataSayWhyInOneBoxAtStartOnly)
{
    struct Case
    {
        const char* what;
        std::function<void(const std::filesystem::path& folder)> lay;
        std::vector<std::string> says;     // each in the box
        std::vector<std::string> saysNot;  // none in the box
        std::function<void(const std::filesystem::path& folder)> after; // the files once the program ended
    };
    const std::vector<uint8_t> rich = RichSaveFile();
    GameServiceStats achieved;
    achieved.achievements.insert("ACH_BREAKOUT");
    const std::string statsText = SerialiseGameServiceStats(achieved);
    const std::filesystem::path elsewhere = WorkFolder() / "elsewhere";
    const std::vector<Case> cases = {
        {"the save folder's path is a file",
         [&](const std::filesystem::path& folder) {
             std::filesystem::remove_all(folder);
             WriteFileBytes(folder, {'x'});
         },
         {"The folder for your saved game, achievements and scores,", "cannot be used: Not a directory",
          "nothing of this run will be kept", "Check that the folder"},
         {"Your saved game"},
         [](const std::filesystem::path& folder) { EXPECT_EQ(FileBytes(folder), std::vector<uint8_t>{'x'}); }},
        {"a pipe under the save's name",
         [](const std::filesystem::path& folder) { ASSERT_EQ(::mkfifo((folder / "Data.sav").c_str(), 0644), 0); },
         {"Data.sav is not a file, so the game starts without it: it is kept as Data.sav.bad",
          "Progress made in this run will be kept"},
         {"achievements and scores in"},
         [](const std::filesystem::path& folder) {
             EXPECT_EQ(std::filesystem::status(folder / "Data.sav.bad").type(), std::filesystem::file_type::fifo);
             EXPECT_EQ(std::filesystem::file_size(folder / "Data.sav"), cSaveData::kFileSizeV3);
         }},
        {"a save of a version the game does not know",
         [&](const std::filesystem::path& folder) {
             std::vector<uint8_t> file = rich;
             file[0] = 7;
             WriteFileBytes(folder / "Data.sav", file);
         },
         {"Data.sav is of version 7, which this game does not know: what it holds was read, and a copy of it is "
          "kept as Data.sav.bad",
          "Progress made in this run will be kept"},
         {},
         [&](const std::filesystem::path& folder) { EXPECT_EQ(FileBytes(folder / "Data.sav.bad")[0], 7); }},
        {"a damaged statistics file, the save whole",
         [&](const std::filesystem::path& folder) {
             WriteFileBytes(folder / "Data.sav", rich);
             WriteFileBytes(folder / kGameServiceStatsFile, {'?', '\n'});
         },
         {"Your achievements and scores in " + (ComputeSaveFolder() + "/") + "GameService.stats is damaged, so they "
          "start empty: the file is kept as GameService.stats.bad",
          "What this run wins will be kept"},
         {"Your saved game"},
         [](const std::filesystem::path& folder) {
             EXPECT_EQ(FileBytes(folder / "GameService.stats.bad"), (std::vector<uint8_t>{'?', '\n'}));
         }},
        {"links to files that are not there now",
         [&](const std::filesystem::path& folder) {
             std::filesystem::create_symlink(elsewhere / "Data.sav", folder / "Data.sav");
             std::filesystem::create_symlink(elsewhere / "stats", folder / kGameServiceStatsFile);
         },
         {"Data.sav could not be read: it is a link to " + (elsewhere / "Data.sav").string() +
              ", where there is no file (No such file or directory). It is left as it is, and this run will not "
              "save over it",
          "GameService.stats could not be read: it is a link to " + (elsewhere / "stats").string(),
          "progress made in this run will not be kept", "Check that the file can be read and written, then start "
          "the game again"},
         {},
         [&](const std::filesystem::path& folder) {
             EXPECT_TRUE(std::filesystem::is_symlink(folder / "Data.sav"));
             EXPECT_TRUE(std::filesystem::is_symlink(folder / kGameServiceStatsFile));
             EXPECT_FALSE(std::filesystem::exists(elsewhere));
         }},
        {"links into a folder that cannot be written",
         [&](const std::filesystem::path& folder) {
             std::filesystem::create_directories(elsewhere);
             WriteFileBytes(elsewhere / "Data.sav", rich);
             WriteFileBytes(elsewhere / "stats", std::vector<uint8_t>(statsText.begin(), statsText.end()));
             std::filesystem::create_symlink(elsewhere / "Data.sav", folder / "Data.sav");
             std::filesystem::create_symlink(elsewhere / "stats", folder / kGameServiceStatsFile);
             GameServiceFailWritesWithErrorForTests(EROFS);
         },
         {"Data.sav is a link into " + elsewhere.string() + ", which cannot be written: Read-only file system. "
          "What it holds was read, but progress made in this run will not be kept",
          "GameService.stats lie behind a link into " + elsewhere.string() + ", which cannot be written"},
         {},
         [&](const std::filesystem::path& folder) {
             GameServiceFailWritesWithErrorForTests(0);
             EXPECT_EQ(FileBytes(elsewhere / "Data.sav"), rich);
             EXPECT_TRUE(std::filesystem::is_symlink(folder / "Data.sav"));
             std::filesystem::remove_all(elsewhere);
         }},
        {"a read that fails part way with EINVAL",
         [&](const std::filesystem::path& folder) {
             WriteFileBytes(folder / "Data.sav", rich);
             WriteFileBytes(folder / kGameServiceStatsFile, std::vector<uint8_t>(statsText.begin(), statsText.end()));
             GameServiceFailReadsWithErrorForTests(EINVAL, GameServiceReadStep::PartWay);
         },
         {"Data.sav could not be read: Invalid argument. It is left as it is",
          "GameService.stats could not be read: Invalid argument. The file is left as it is"},
         {"kept as"},
         [&](const std::filesystem::path& folder) {
             GameServiceFailReadsWithErrorForTests(0);
             EXPECT_EQ(FileBytes(folder / "Data.sav"), rich);
             EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad"));
             EXPECT_FALSE(std::filesystem::exists(folder / "GameService.stats.bad"));
         }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::filesystem::path folder = EmptySaveFolder();
        RemoveStoredStatistics(folder);
        c.lay(folder);
        ScenarioDriver d;
        std::string said;
        ASSERT_TRUE(StartSaying(d, said));
        d.Game().saveData.progress[5].completed = true; // progress made in this run
        d.Game().SaveGame();
        d.UndrawnFrames(5);
        d.Stop();
        ASSERT_EQ(d.Boxes().size(), 1u) << "one box, at start only";
        EXPECT_EQ(d.BoxTitles()[0], "Tollivan: your saved data");
        for (const std::string& words : c.says)
            EXPECT_TRUE(BoxSays(d.Boxes()[0], words)) << words << "\n" << d.Boxes()[0];
        for (const std::string& words : c.saysNot)
            EXPECT_FALSE(BoxSays(d.Boxes()[0], words)) << words << "\n" << d.Boxes()[0];
        c.after(folder);
        std::filesystem::remove_all(folder);
    }
    RemoveStoredStatistics(EmptySaveFolder());
}

// A save kept in another folder through a link (a synced folder, say) is read and saved
// there: progress reaches the file the link leads to, and the link stays.
TEST(Scenario, ASaveUnderALinkIsSavedWhereTheLinkLeads)
{
    const std::filesystem::path folder = EmptySaveFolder();
    const std::filesystem::path synced = WorkFolder() / "synced";
    std::filesystem::create_directories(synced);
    WriteFileBytes(synced / "Tollivan.sav", RichSaveFile());
    std::filesystem::create_symlink(synced / "Tollivan.sav", folder / "Data.sav");
    {
        ScenarioDriver d;
        ASSERT_TRUE(d.Start());
        d.UndrawnFrames(5);
        EXPECT_TRUE(d.Boxes().empty());
        EXPECT_TRUE(d.Game().saveData.progress[3].completed);
        d.Game().saveData.progress[6].completed = true; // progress made in this run
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "Data.sav"));
    ScenarioDriver later;
    ASSERT_TRUE(later.Start());
    later.UndrawnFrames(5);
    EXPECT_TRUE(later.Game().saveData.progress[3].completed);
    EXPECT_TRUE(later.Game().saveData.progress[6].completed);
    cSaveData there;
    ASSERT_TRUE(there.ReadFromMemory(FileBytes(synced / "Tollivan.sav").data(), cSaveData::kFileSizeV3, false));
    EXPECT_TRUE(there.progress[6].completed);
    later.Stop();
    EmptySaveFolder();
}

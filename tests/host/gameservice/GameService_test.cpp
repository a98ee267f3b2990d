#include "host/gameservice/GameService.h"
#include "host/gameservice/GameServiceFiles.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/UnreadableFiles.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

class GameServiceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        folder = tvtest::WorkFolder() / "gs" / info->name();
        fs::remove_all(folder);
        ASSERT_TRUE(GameServiceInit(folder.string()));
    }
    void TearDown() override
    {
        GameServiceShutdown();
        GameServiceFailWritesForTests(false);
        GameServiceFailReadsWithErrorForTests(0);
        GameServiceFailLookupsWithErrorForTests(0);
        GameServiceSetMidWriteHookForTests({});
        GameServiceSetOpenedHookForTests({});
    }
    void Restart()
    {
        GameServiceShutdown();
        ASSERT_TRUE(GameServiceInit(folder.string()));
    }
    fs::path folder;
};
} // namespace

TEST_F(GameServiceTest, ResultsArriveOnlyWhenCallbacksRun)
{
    std::vector<int> results;
    GameServiceRegisterCallback(kUserStatsReceivedId, [&](const void* data) {
        auto* r = static_cast<const GameServiceUserStatsReceived*>(data);
        EXPECT_EQ(r->gameId, uint64_t(GameServiceGetAppId()));
        results.push_back(r->result);
    });
    ASSERT_TRUE(GameServiceRequestCurrentStats());
    EXPECT_TRUE(results.empty());
    GameServiceRunCallbacks();
    EXPECT_EQ(results, std::vector<int>{kGameServiceResultOK});
    GameServiceRunCallbacks();
    EXPECT_EQ(results.size(), 1u);
    EXPECT_FALSE(GameServiceGetPersonaName().empty());
}

TEST_F(GameServiceTest, UnlockIsStoredAndSurvivesARestart)
{
    std::vector<std::string> stored;
    int storedResult = 0;
    GameServiceRegisterCallback(kUserAchievementStoredId, [&](const void* data) {
        stored.push_back(static_cast<const GameServiceAchievementStored*>(data)->achievementName);
    });
    GameServiceRegisterCallback(kUserStatsStoredId, [&](const void* data) {
        storedResult = static_cast<const GameServiceUserStatsStored*>(data)->result;
    });
    bool achieved = true;
    ASSERT_TRUE(GameServiceGetAchievement("ACH_BLACK_TEA", &achieved));
    EXPECT_FALSE(achieved);
    EXPECT_FALSE(GameServiceSetAchievement("ACH_NO_SUCH_THING"));
    ASSERT_TRUE(GameServiceSetAchievement("ACH_BLACK_TEA"));
    ASSERT_TRUE(GameServiceStoreStats());
    GameServiceRunCallbacks();
    EXPECT_EQ(storedResult, kGameServiceResultOK);
    EXPECT_EQ(stored, std::vector<std::string>{"ACH_BLACK_TEA"});
    EXPECT_EQ(GameServiceGetAchievementDisplayAttribute("ACH_ONE_LUMP_OR_TWO", "name"), "One Lump, or Two?");
    EXPECT_EQ(GameServiceGetAchievementDisplayAttribute("ACH_ONE_LUMP_OR_TWO", "icon"), "");

    Restart();
    ASSERT_TRUE(GameServiceGetAchievement("ACH_BLACK_TEA", &achieved));
    EXPECT_TRUE(achieved);
    ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
    EXPECT_FALSE(achieved);
}

TEST_F(GameServiceTest, LeaderboardSearchFollowsOnlyTheFollowedCall)
{
    std::vector<GameServiceLeaderboardFindResult> answers;
    auto follow = [&](GameServiceApiCall call) {
        return GameServiceFollowCall(call, [&](const void* data, bool io) {
            EXPECT_FALSE(io);
            answers.push_back(*static_cast<const GameServiceLeaderboardFindResult*>(data));
        });
    };
    GameServiceFindLeaderboard("Survival Level 1 score"); // not followed: dropped
    follow(GameServiceFindLeaderboard("Survival Level 3 score"));
    follow(GameServiceFindLeaderboard("No such board"));
    EXPECT_TRUE(answers.empty());
    GameServiceRunCallbacks();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_TRUE(answers[0].found);
    EXPECT_EQ(GameServiceGetLeaderboardName(answers[0].leaderboard), "Survival Level 3 score");
    EXPECT_FALSE(answers[1].found);
    EXPECT_EQ(answers[1].leaderboard, 0u);
    EXPECT_EQ(GameServiceGetLeaderboardName(0), "");
    EXPECT_EQ(GameServiceGetLeaderboardName(999), "");
}

TEST_F(GameServiceTest, UploadsKeepTheBestScore)
{
    struct Step
    {
        const char* board;
        int32_t upload;
        int32_t kept;
    };
    const Step steps[] = {
        {"Time taken to complete all of the Story levels", 50000, 50000},
        {"Time taken to complete all of the Story levels", 60000, 50000}, // slower: not kept
        {"Time taken to complete all of the Story levels", 40000, 40000},
        {"Survival Level 2 score", 10, 10},
        {"Survival Level 2 score", 5, 10}, // fewer: not kept
        {"Survival Level 2 score", 31, 31},
    };
    for (const Step& s : steps)
    {
        uint64_t handle = uint64_t(GameServiceFindBoard(s.board)) + 1;
        ASSERT_EQ(GameServiceGetLeaderboardName(handle), s.board);
        EXPECT_NE(GameServiceUploadLeaderboardScore(handle, LeaderboardUploadMethod::KeepBest, s.upload, nullptr, 0), 0u);
        int32_t score = 0;
        ASSERT_TRUE(GameServiceGetLeaderboardScore(s.board, &score));
        EXPECT_EQ(score, s.kept) << s.board << " after " << s.upload;
    }
    EXPECT_EQ(GameServiceUploadLeaderboardScore(0, LeaderboardUploadMethod::KeepBest, 1, nullptr, 0), 0u);

    Restart();
    int32_t score = 0;
    ASSERT_TRUE(GameServiceGetLeaderboardScore("Time taken to complete all of the Story levels", &score));
    EXPECT_EQ(score, 40000);
    ASSERT_TRUE(GameServiceGetLeaderboardScore("Survival Level 2 score", &score));
    EXPECT_EQ(score, 31);
    EXPECT_FALSE(GameServiceGetLeaderboardScore("Survival Level 5 score", &score));
}

TEST_F(GameServiceTest, RemoteStorageRoundTripAndRestart)
{
    std::vector<uint8_t> bytes(3670);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    EXPECT_FALSE(GameServiceFileExists("Data.sav"));
    EXPECT_EQ(GameServiceGetFileSize("Data.sav"), 0);
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", bytes.data(), int32_t(bytes.size())));

    Restart();
    // The full path in the save folder and the bare name are the same stored file.
    const std::string fullName = folder.string() + "/Data.sav";
    EXPECT_TRUE(GameServiceFileExists(fullName));
    EXPECT_EQ(GameServiceGetFileSize("Data.sav"), 3670);
    std::vector<uint8_t> back(4000, 0xEE);
    EXPECT_EQ(GameServiceFileRead(fullName, back.data(), int32_t(back.size())), 3670);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), back.begin()));
    EXPECT_EQ(GameServiceFileRead("Data.sav", back.data(), 10), 10);

    for (const char* bad : {"", "..", ".hidden", "dir/", "GameService.stats"})
    {
        EXPECT_FALSE(GameServiceFileWrite(bad, bytes.data(), 4)) << bad;
        EXPECT_FALSE(GameServiceFileExists(bad)) << bad;
    }
    EXPECT_FALSE(GameServiceFileWrite("x", nullptr, 4));
    EXPECT_FALSE(GameServiceFileWrite("x", bytes.data(), -1));
}

TEST_F(GameServiceTest, AFailedWriteIsReportedAndKeepsTheOldFile)
{
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", "old", 3));
    GameServiceFailWritesForTests(true);
    EXPECT_FALSE(GameServiceFileWrite("Data.sav", "new!", 4));
    int storedResult = 0;
    GameServiceRegisterCallback(kUserStatsStoredId, [&](const void* data) {
        storedResult = static_cast<const GameServiceUserStatsStored*>(data)->result;
    });
    GameServiceSetAchievement("ACH_BREAKOUT");
    EXPECT_FALSE(GameServiceStoreStats());
    GameServiceRunCallbacks();
    EXPECT_EQ(storedResult, kGameServiceResultFail);
    GameServiceFailWritesForTests(false);
    EXPECT_EQ(ReadText(folder / "Data.sav"), "old");

    // A real failure: the target is a folder, so the rename cannot replace it.
    fs::create_directory(folder / "Blocked.sav");
    EXPECT_FALSE(GameServiceFileWrite("Blocked.sav", "data", 4));
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find(".gstmp"), std::string::npos) << "temporary file left behind";
}

TEST_F(GameServiceTest, DamagedStatsFilesAreSetAsideAndReplaced)
{
    GameServiceSetAchievement("ACH_BREAKOUT");
    ASSERT_TRUE(GameServiceStoreStats());
    const std::string good = ReadText(folder / "GameService.stats");
    const std::string cases[] = {
        good.substr(0, good.size() - 3),       // truncated inside the last line
        "",                                    // empty
        "garbage\n",                           // wrong header
        good + "score 3 99999999999\n",        // number out of range
    };
    int n = 0;
    for (const std::string& damaged : cases)
    {
        GameServiceShutdown();
        WriteText(folder / "GameService.stats", damaged);
        ASSERT_TRUE(GameServiceInit(folder.string()));
        ++n;
        bool achieved = true;
        ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
        EXPECT_FALSE(achieved);
        const fs::path aside = folder / (std::string("GameService.stats.bad") + (n == 1 ? "" : std::to_string(n)));
        ASSERT_TRUE(fs::exists(aside)) << aside;
        EXPECT_EQ(ReadText(aside), damaged);
        GameServiceStats parsed;
        const std::string now = ReadText(folder / "GameService.stats");
        EXPECT_TRUE(ParseGameServiceStats(reinterpret_cast<const uint8_t*>(now.data()), now.size(), parsed));
    }
    // A pipe under the name is no file: it is set aside as well, and the start never waits
    // for something to write into it. A start that does wait is let go by a writer after a
    // few seconds, so that the test fails instead of hanging.
    GameServiceShutdown();
    const fs::path pipe = folder / "GameService.stats";
    fs::remove(pipe);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    std::promise<void> startReturned;
    bool letGo = false;
    std::thread watchdog([&pipe, &letGo, returned = startReturned.get_future()] {
        if (returned.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
            return;
        do
        {
            // Opening for writing without waiting succeeds only while a reader has the pipe open.
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            struct stat opened = {};
            if (fd >= 0 && ::fstat(fd, &opened) == 0 && S_ISFIFO(opened.st_mode))
                letGo = true;
            if (fd >= 0)
                ::close(fd);
        } while (returned.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready);
    });
    const bool started = GameServiceInit(folder.string());
    startReturned.set_value();
    watchdog.join();
    ASSERT_FALSE(letGo) << "the start waited in opening the pipe for something to write into it";
    ASSERT_TRUE(started);
    EXPECT_FALSE(GameServiceStatsUnread());
    EXPECT_EQ(fs::status(folder / ("GameService.stats.bad" + std::to_string(n + 1))).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_regular_file(folder / "GameService.stats"));
}

TEST_F(GameServiceTest, AWriteKilledHalfwayLeavesTheOldFileWhole)
{
    std::vector<uint8_t> oldBytes(3670, 0x11);
    std::vector<uint8_t> newBytes(3670, 0x22);
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", oldBytes.data(), int32_t(oldBytes.size())));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        GameServiceSetMidWriteHookForTests([] { raise(SIGKILL); });
        GameServiceFileWrite("Data.sav", newBytes.data(), int32_t(newBytes.size()));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    const std::string now = ReadText(folder / "Data.sav");
    EXPECT_EQ(now, std::string(oldBytes.begin(), oldBytes.end()));
    bool leftover = false;
    for (const auto& entry : fs::directory_iterator(folder))
        leftover |= entry.path().filename().string().find(".gstmp") != std::string::npos;
    EXPECT_TRUE(leftover);
    Restart(); // removes what the interrupted write left
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find(".gstmp"), std::string::npos);
    EXPECT_EQ(GameServiceGetFileSize("Data.sav"), 3670);
}

TEST(GameServiceStartTest, StartUpFailuresLeaveTheServiceOff)
{
    GameServiceFailNextInitForTests(true);
    EXPECT_FALSE(GameServiceInit((tvtest::WorkFolder() / "gs-fail").string()));
    EXPECT_FALSE(GameServiceIsRunning());
    const fs::path file = tvtest::WorkFolder() / "gs-plain-file";
    WriteText(file, "x");
    EXPECT_FALSE(GameServiceInit(file.string()));
    EXPECT_FALSE(GameServiceIsRunning());
    // The game tells the player why it keeps nothing.
    EXPECT_EQ(GameServiceFoundAtStart().folder, file.string());
    EXPECT_EQ(GameServiceFoundAtStart().folderUnusable, std::strerror(ENOTDIR));
    // Every call answers "nothing" while the service is off.
    EXPECT_FALSE(GameServiceRequestCurrentStats());
    EXPECT_FALSE(GameServiceSetAchievement("ACH_BREAKOUT"));
    EXPECT_EQ(GameServiceFindLeaderboard("Survival Level 1 score"), 0u);
    EXPECT_FALSE(GameServiceFileWrite("Data.sav", "x", 1));
    EXPECT_FALSE(GameServiceFileExists("Data.sav"));
    GameServiceRunCallbacks();
    GameServiceShutdown();
    EXPECT_TRUE(GameServiceFoundAtStart().folderUnusable.empty());
}

TEST(GameServiceStatsFormatTest, ParsesOnlyWellFormedFiles)
{
    struct Case
    {
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {"GameServiceStats 1\n", true},
        {"GameServiceStats 1\nachievement ACH_BREAKOUT\nscore 1 -5\n", true},
        {"GameServiceStats 1\nachievement ACH_UNKNOWN\nscore 200 5\n", true}, // unknown entries dropped
        {"GameServiceStats 1", false},
        {"GameServiceStats 2\n", false},
        {"GameServiceStats 1\nscore 1\n", false},
        {"GameServiceStats 1\nscore x 1\n", false},
        {"GameServiceStats 1\nscore 1 2147483648\n", false},
        {"GameServiceStats 1\nachievement \n", false},
        {std::string("GameServiceStats 1\nachievement A\0B\n", 34), false},
        {"GameServiceStats 1\nsomething else\n", false},
    };
    for (const Case& c : cases)
    {
        GameServiceStats stats;
        EXPECT_EQ(ParseGameServiceStats(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size(), stats), c.ok)
            << c.text;
    }
    GameServiceStats stats;
    stats.achievements = {"ACH_BREAKOUT", "ACH_DONT_JUMP"};
    stats.scores = {{0, 123}, {7, -4}};
    const std::string text = SerialiseGameServiceStats(stats);
    GameServiceStats back;
    ASSERT_TRUE(ParseGameServiceStats(reinterpret_cast<const uint8_t*>(text.data()), text.size(), back));
    EXPECT_EQ(back.achievements, stats.achievements);
    EXPECT_EQ(back.scores, stats.scores);
}

// Setting a file aside takes each name with a step that fails when the name exists, so a
// file that appears under a name between the look for a free name and the move (another
// copy of the game, say) is never replaced: the file goes to the next name.
TEST_F(GameServiceTest, SettingAsideNeverReplacesANameTakenBetweenTries)
{
    const fs::path file = folder / "Data.sav";
    const fs::path first = folder / "Data.sav.bad";
    // Takes the first name just before it is tried, as a rival writer would.
    auto rival = [&](const std::string& name) {
        if (name == first.string() && !fs::exists(first))
            WriteText(first, "kept earlier");
    };

    WriteText(file, "damaged");
    EXPECT_EQ(SetFileAside(file.string(), rival), (folder / "Data.sav.bad2").string());
    EXPECT_EQ(ReadText(first), "kept earlier");
    EXPECT_EQ(ReadText(folder / "Data.sav.bad2"), "damaged");
    EXPECT_FALSE(fs::exists(file));

    fs::remove(first);
    WriteText(file, "short");
    EXPECT_EQ(WriteFileAside(file.string(), "short", 5, rival), (folder / "Data.sav.bad3").string());
    EXPECT_EQ(ReadText(first), "kept earlier");
    EXPECT_EQ(ReadText(folder / "Data.sav.bad2"), "damaged");
    EXPECT_EQ(ReadText(folder / "Data.sav.bad3"), "short");
    EXPECT_EQ(ReadText(file), "short");
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find(".gstmp"), std::string::npos) << "temporary file left behind";
}

// A folder that cannot be written is still the service's: what it holds is read, stderr
// says at start that progress will not be kept, and a failed write says why. A damaged
// statistics file that cannot be moved aside there is never written over, even once the
// folder can be written again.
TEST_F(GameServiceTest, AFolderThatCannotBeWrittenIsStillRead)
{
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", "saved", 5));
    GameServiceSetAchievement("ACH_BREAKOUT");
    ASSERT_TRUE(GameServiceStoreStats());
    GameServiceShutdown();

    GameServiceFailWritesWithErrorForTests(EROFS);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(GameServiceInit(folder.string()));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("cannot be written (Read-only file system)"), std::string::npos) << said;
    EXPECT_NE(said.find("progress will not be kept"), std::string::npos) << said;
    char back[8] = {};
    EXPECT_EQ(GameServiceFileRead("Data.sav", back, 8), 5);
    EXPECT_EQ(std::string(back), "saved");
    bool achieved = false;
    ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
    EXPECT_TRUE(achieved);
    std::string why;
    EXPECT_FALSE(GameServiceFileWrite("Data.sav", "newer", 5, &why));
    EXPECT_EQ(why, "Read-only file system");
    EXPECT_EQ(GameServiceFileKeepCopy("Data.sav", "saved", 5, &why), "");
    EXPECT_EQ(why, "Read-only file system");
    EXPECT_EQ(ReadText(folder / "Data.sav"), "saved");

    // A damaged statistics file found while the folder is read-only stays where it is
    // until it can be moved aside; only then is a new one written.
    GameServiceShutdown();
    WriteText(folder / "GameService.stats", "damaged\n");
    ASSERT_TRUE(GameServiceInit(folder.string()));
    GameServiceFailWritesWithErrorForTests(0);
    EXPECT_EQ(ReadText(folder / "GameService.stats"), "damaged\n");
    GameServiceSetAchievement("ACH_DONT_JUMP");
    ASSERT_TRUE(GameServiceStoreStats());
    EXPECT_EQ(ReadText(folder / "GameService.stats.bad"), "damaged\n");
    EXPECT_NE(ReadText(folder / "GameService.stats").find("achievement ACH_DONT_JUMP"), std::string::npos);
}

// A stored file the service cannot look up, open or read is not damaged: a statistics file
// that cannot be read at start stays as it is (no move, nothing written over it), the
// statistics start empty, GameServiceStatsUnread says why, and each store that would replace
// it is refused and said. A later start that can read it has the achievements and scores
// again. A remote-storage read that cannot open its file answers -1 with the system's reason.
TEST_F(GameServiceTest, StoredFilesThatCannotBeReadAreNotDamaged)
{
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", "saved", 5));
    GameServiceSetAchievement("ACH_BREAKOUT");
    const uint64_t survival1 = 4; // the fourth board's handle
    ASSERT_NE(GameServiceUploadLeaderboardScore(survival1, LeaderboardUploadMethod::KeepBest, 12, nullptr, 0), 0u);
    ASSERT_TRUE(GameServiceStoreStats());
    const std::string stats = ReadText(folder / "GameService.stats");
    GameServiceShutdown();

    tvtest::ForEachUnreadableWay([&](const tvtest::UnreadableWay& way) {
        // A name that cannot be looked up may still hold statistics: they are read all the same.
        const bool statsRead = way.FailsOnlyTheFirstLookUp();
        tvtest::UnreadableFiles unreadable(way, {folder / "Data.sav", folder / "GameService.stats"});
        if (!unreadable.Made())
            GTEST_SKIP() << "files of mode 000 can be read here";
        testing::internal::CaptureStderr();
        ASSERT_TRUE(GameServiceInit(folder.string()));
        std::string said = testing::internal::GetCapturedStderr();
        std::string path;
        std::string why;
        EXPECT_EQ(GameServiceStatsUnread(&path, &why), !statsRead);
        bool achieved = !statsRead;
        ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
        EXPECT_EQ(achieved, statsRead);
        if (!statsRead)
        {
            EXPECT_EQ(path, (folder / "GameService.stats").string());
            EXPECT_EQ(why, way.reason);
            EXPECT_NE(said.find("GameService.stats could not be read (" + std::string(way.reason) + ")"),
                      std::string::npos)
                << said;
            GameServiceSetAchievement("ACH_DONT_JUMP");
            for (int store = 0; store < 2; ++store)
            {
                testing::internal::CaptureStderr();
                EXPECT_FALSE(GameServiceStoreStats());
                said = testing::internal::GetCapturedStderr();
                EXPECT_NE(said.find("were not stored"), std::string::npos) << said;
                EXPECT_NE(said.find(way.reason), std::string::npos) << said;
            }
            EXPECT_EQ(GameServiceUploadLeaderboardScore(survival1, LeaderboardUploadMethod::KeepBest, 30, nullptr, 0),
                      0u);
        }
        if (way.lookUp == tvtest::UnreadableWay::kOpening)
        {
            char back[8] = {};
            EXPECT_EQ(GameServiceFileRead("Data.sav", back, 8, &why), -1);
            EXPECT_EQ(why, way.reason);
        }
        GameServiceShutdown();

        unreadable.Undo();
        EXPECT_EQ(ReadText(folder / "GameService.stats"), stats);
        EXPECT_EQ(ReadText(folder / "Data.sav"), "saved");
        EXPECT_FALSE(fs::exists(folder / "GameService.stats.bad"));

        ASSERT_TRUE(GameServiceInit(folder.string()));
        EXPECT_FALSE(GameServiceStatsUnread());
        ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
        EXPECT_TRUE(achieved);
        int32_t score = 0;
        EXPECT_TRUE(GameServiceGetLeaderboardScore("Survival Level 1 score", &score));
        EXPECT_EQ(score, 12);
        GameServiceShutdown();
    });
    ASSERT_TRUE(GameServiceInit(folder.string())); // for TearDown
}

// Only "no such file" means that nothing is stored under a name. A file whose look-up fails
// is never taken for a missing or an empty one: each call that looks it up answers its own
// failure with the system's words, and the same call finds the file once the look-up works.
// Reading a file whole takes its size from the file opened, so it is the look at that file
// that fails it. What else a whole read can meet is told apart too.
TEST_F(GameServiceTest, AFailedLookUpIsNeverTakenForAMissingFile)
{
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", "saved", 5));
    for (int error : {EIO, EACCES})
    {
        SCOPED_TRACE(error);
        const std::string reason = std::strerror(error);
        std::string why;
        std::vector<uint8_t> bytes;
        GameServiceFailLookupsWithErrorForTests(error, 1);
        EXPECT_EQ(GameServiceEntryAt("Data.sav", &why), GameServiceEntry::Unknown);
        EXPECT_EQ(why, reason);
        EXPECT_EQ(GameServiceEntryAt("Data.sav"), GameServiceEntry::File);

        GameServiceFailLookupsWithErrorForTests(error, 1);
        why.clear();
        EXPECT_EQ(GameServiceGetFileSize("Data.sav", &why), -1);
        EXPECT_EQ(why, reason);
        EXPECT_EQ(GameServiceGetFileSize("Data.sav"), 5);

        GameServiceFailLookupsWithErrorForTests(error, 1);
        why.clear();
        EXPECT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 64, &why), GameServiceReadResult::Failed);
        EXPECT_EQ(why, reason);
        EXPECT_TRUE(bytes.empty());
        ASSERT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 64), GameServiceReadResult::Read);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "saved");

        GameServiceFailLookupsWithErrorForTests(error, 0);
        for (int again = 0; again < 2; ++again)
        {
            EXPECT_EQ(GameServiceEntryAt("Data.sav"), GameServiceEntry::Unknown);
            EXPECT_EQ(GameServiceGetFileSize("Data.sav"), -1);
            EXPECT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 64), GameServiceReadResult::Failed);
        }
        GameServiceFailLookupsWithErrorForTests(0);
    }

    std::vector<uint8_t> bytes{1};
    EXPECT_EQ(GameServiceFileReadWhole("Other.sav", bytes, 64), GameServiceReadResult::Missing);
    EXPECT_EQ(GameServiceEntryAt("Other.sav"), GameServiceEntry::None);
    EXPECT_EQ(GameServiceGetFileSize("Other.sav"), 0);
    EXPECT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 4), GameServiceReadResult::TooLarge);
    fs::create_directory(folder / "Folder.sav");
    EXPECT_EQ(GameServiceFileReadWhole("Folder.sav", bytes, 64), GameServiceReadResult::NotAFile);
    EXPECT_TRUE(bytes.empty());
}

// Any failure to look at or read a stored file that was opened is "could not be read",
// whatever its error: errors such as EINVAL and EISDIR, which a file system may give for its
// own reasons, never make a file "not a file". Only the mode of the file opened does. A
// statistics file read that way is left as it is, said, and never written over in that run.
TEST_F(GameServiceTest, AnyErrorOfLookingAtOrReadingAFileIsNoDamage)
{
    const std::string save(3670, 'S');
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", save.data(), int32_t(save.size())));
    GameServiceSetAchievement("ACH_BREAKOUT");
    ASSERT_TRUE(GameServiceStoreStats());
    const std::string stats = ReadText(folder / "GameService.stats");
    GameServiceShutdown();
    for (GameServiceReadStep step : {GameServiceReadStep::Look, GameServiceReadStep::PartWay})
    {
        for (int error : {EIO, EINVAL, EISDIR})
        {
            SCOPED_TRACE(testing::Message() << (step == GameServiceReadStep::Look ? "look" : "part way") << ", "
                                            << std::strerror(error));
            GameServiceFailReadsWithErrorForTests(error, step);
            testing::internal::CaptureStderr();
            ASSERT_TRUE(GameServiceInit(folder.string()));
            const std::string said = testing::internal::GetCapturedStderr();
            std::string why;
            EXPECT_TRUE(GameServiceStatsUnread(nullptr, &why));
            EXPECT_EQ(why, std::strerror(error));
            EXPECT_EQ(GameServiceFoundAtStart().statsUnread, why);
            EXPECT_TRUE(GameServiceFoundAtStart().statsDamage.empty());
            EXPECT_NE(said.find("could not be read (" + why + ")"), std::string::npos) << said;
            GameServiceSetAchievement("ACH_DONT_JUMP");
            EXPECT_FALSE(GameServiceStoreStats());

            std::vector<uint8_t> bytes{1};
            why.clear();
            EXPECT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 1 << 16, &why), GameServiceReadResult::Failed);
            EXPECT_EQ(why, std::strerror(error));
            EXPECT_TRUE(bytes.empty());
            GameServiceFailReadsWithErrorForTests(0);
            GameServiceShutdown();
            EXPECT_EQ(ReadText(folder / "GameService.stats"), stats);
            EXPECT_EQ(ReadText(folder / "Data.sav"), save);
            EXPECT_FALSE(fs::exists(folder / "GameService.stats.bad"));
        }
    }
    ASSERT_TRUE(GameServiceInit(folder.string()));
    bool achieved = false;
    ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
    EXPECT_TRUE(achieved);
}

// What a stored file holds is read from the file opened: a file put under the name once it
// is open (so that a second look-up by name would find another size) changes nothing.
TEST_F(GameServiceTest, WhatAFileHoldsComesFromTheFileOpened)
{
    const std::string save(3670, 'S');
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", save.data(), int32_t(save.size())));
    for (const std::string& other : {std::string(10, 'x'), std::string(9000, 'y')})
    {
        WriteText(folder / "other", other);
        GameServiceSetOpenedHookForTests([&](const std::string& path) {
            if (path == (folder / "Data.sav").string())
                fs::rename(folder / "other", folder / "Data.sav");
        });
        std::vector<uint8_t> bytes;
        ASSERT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 1 << 16), GameServiceReadResult::Read);
        GameServiceSetOpenedHookForTests({});
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), save) << other.size();
        EXPECT_EQ(ReadText(folder / "Data.sav"), other);
        ASSERT_TRUE(GameServiceFileWrite("Data.sav", save.data(), int32_t(save.size())));
    }
}

// A link under a stored file's name is the player's: the service reads and writes where it
// leads (the write lands beside the target, renamed over it) and the link stays. A link that
// leads to no file is a file that cannot be read, never a missing one: it is not replaced.
TEST_F(GameServiceTest, ALinkUnderAStoredNameIsThePlayers)
{
    const fs::path elsewhere = tvtest::WorkFolder() / "synced";
    fs::create_directories(elsewhere);
    WriteText(elsewhere / "Data.sav", "saved");
    fs::create_symlink(elsewhere / "Data.sav", folder / "Data.sav");
    GameServiceStats stats;
    stats.achievements.insert("ACH_BREAKOUT");
    WriteText(elsewhere / "stats", SerialiseGameServiceStats(stats));
    fs::create_symlink("../../synced/stats", folder / "GameService.stats"); // a relative link

    Restart();
    bool achieved = false;
    ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &achieved));
    EXPECT_TRUE(achieved);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 64), GameServiceReadResult::Read);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "saved");
    ASSERT_TRUE(GameServiceFileWrite("Data.sav", "newer", 5));
    GameServiceSetAchievement("ACH_DONT_JUMP");
    ASSERT_TRUE(GameServiceStoreStats());
    for (const char* name : {"Data.sav", "GameService.stats"})
        EXPECT_TRUE(fs::is_symlink(folder / name)) << name;
    EXPECT_EQ(ReadText(elsewhere / "Data.sav"), "newer");
    EXPECT_NE(ReadText(elsewhere / "stats").find("achievement ACH_DONT_JUMP"), std::string::npos);
    for (const fs::path& place : {folder, elsewhere})
        for (const auto& entry : fs::directory_iterator(place))
            EXPECT_EQ(entry.path().filename().string().find(".gstmp"), std::string::npos) << entry.path();

    // Links into a folder that cannot be written: read, but the start tells that nothing can
    // be kept there.
    GameServiceShutdown();
    GameServiceFailWritesWithErrorForTests(EROFS);
    ASSERT_TRUE(GameServiceInit(folder.string()));
    EXPECT_EQ(GameServiceFoundAtStart().statsLinkFolder, elsewhere.string());
    EXPECT_EQ(GameServiceFoundAtStart().statsLinkWhy, std::strerror(EROFS));
    std::string linkWhy;
    EXPECT_EQ(GameServiceUnwritableLinkFolder("Data.sav", &linkWhy), elsewhere.string());
    EXPECT_EQ(linkWhy, std::strerror(EROFS));
    GameServiceFailWritesWithErrorForTests(0);
    EXPECT_EQ(GameServiceUnwritableLinkFolder("Data.sav"), "");
    WriteText(folder / "Plain.sav", "x");
    GameServiceFailWritesWithErrorForTests(EROFS);
    EXPECT_EQ(GameServiceUnwritableLinkFolder("Plain.sav"), "") << "no link: the folder is told at start";
    GameServiceFailWritesWithErrorForTests(0);

    // A damaged file a link leads to is kept beside it, and the link then leads to the new one.
    GameServiceShutdown();
    WriteText(elsewhere / "stats", "damaged\n");
    ASSERT_TRUE(GameServiceInit(folder.string()));
    EXPECT_EQ(GameServiceFoundAtStart().statsKeptAs, (elsewhere / "stats.bad").string());
    EXPECT_EQ(ReadText(elsewhere / "stats.bad"), "damaged\n");
    EXPECT_TRUE(fs::is_symlink(folder / "GameService.stats"));
    const std::string now = ReadText(elsewhere / "stats");
    EXPECT_TRUE(ParseGameServiceStats(reinterpret_cast<const uint8_t*>(now.data()), now.size(), stats)) << now;

    // Links to files that are not there now (a drive not mounted, say).
    GameServiceShutdown();
    fs::remove_all(elsewhere);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(GameServiceInit(folder.string()));
    const std::string said = testing::internal::GetCapturedStderr();
    std::string why;
    EXPECT_TRUE(GameServiceStatsUnread(nullptr, &why));
    EXPECT_NE(why.find("a link to " + (elsewhere / "stats").string()), std::string::npos) << why;
    EXPECT_NE(why.find(std::strerror(ENOENT)), std::string::npos) << why;
    EXPECT_NE(said.find(why), std::string::npos) << said;
    EXPECT_FALSE(GameServiceStoreStats());
    why.clear();
    EXPECT_EQ(GameServiceEntryAt("Data.sav", &why), GameServiceEntry::Unknown);
    EXPECT_NE(why.find("a link to " + (elsewhere / "Data.sav").string()), std::string::npos) << why;
    EXPECT_EQ(GameServiceGetFileSize("Data.sav"), -1);
    EXPECT_EQ(GameServiceFileReadWhole("Data.sav", bytes, 64), GameServiceReadResult::Failed);
    for (const char* name : {"Data.sav", "GameService.stats"})
        EXPECT_TRUE(fs::is_symlink(folder / name)) << name;
    EXPECT_FALSE(fs::exists(elsewhere));
}

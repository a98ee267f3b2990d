#include "game/shell/StoredDataNotice.h"

namespace
{
constexpr const char* kCheckFile = "Check that the file can be read and written, then start the game again.";
constexpr const char* kCheckFolder = "Check that the folder can be written, then start the game again.";

// Paragraphs are parted by an empty line.
void Add(std::string& text, const std::string& paragraph)
{
    if (!paragraph.empty())
        text += (text.empty() ? "" : "\n\n") + paragraph;
}

std::string AboutFolder(const GameServiceStartFindings& service)
{
    if (!service.folderUnusable.empty())
        return "The folder for your saved game, achievements and scores, " + service.folder +
               ", cannot be used: " + service.folderUnusable +
               ". The game starts without them, and nothing of this run will be kept. Check that the folder can be "
               "entered, read and written (and that no file holds its name), then start the game again.";
    if (!service.folderUnwritable.empty())
        return "The folder for your saved game, achievements and scores, " + service.folder +
               ", cannot be written: " + service.folderUnwritable +
               ". What it holds was read, but progress made in this run will not be kept. " + kCheckFolder;
    return std::string();
}

std::string AboutSave(const cSaveData::ReadFindings& save, const std::string& file)
{
    const std::string start = "Your saved game " + file + " ";
    switch (save.result)
    {
    case cSaveData::ReadResult::Loaded:
        if (save.linkFolder.empty())
            return std::string();
        return start + "is a link into " + save.linkFolder + ", which cannot be written: " + save.linkWhy +
               ". What it holds was read, but progress made in this run will not be kept. " + kCheckFolder;
    case cSaveData::ReadResult::Missing:
        return std::string();
    case cSaveData::ReadResult::Unreadable:
        return start + "could not be read: " + save.why +
               ". It is left as it is, and this run will not save over it: the game starts without it, and progress "
               "made in this run will not be kept, so that a later start that can read it finds your progress "
               "again. " + kCheckFile;
    case cSaveData::ReadResult::Partial:
        if (!save.why.empty())
            return start + save.problem + ": what it holds was read, but a copy of it could not be kept aside: " +
                   save.why +
                   ". No save replaces it until the copy is kept, so progress made in this run may not be kept. " +
                   kCheckFolder;
        return start + save.problem + ": what it holds was read, and a copy of it is kept as " + save.keptAs +
               ". Progress made in this run will be kept.";
    case cSaveData::ReadResult::Damaged:
        if (!save.why.empty())
            return start + save.problem + ", so the game starts without it, and it could not be kept aside: " +
                   save.why +
                   ". It is left as it is, and no save replaces it until it can be kept aside, so progress made in "
                   "this run may not be kept. " + kCheckFolder;
        if (save.keptAs.empty())
            return start + save.problem + ", so the game starts without it. Progress made in this run will be kept.";
        return start + save.problem + ", so the game starts without it: it is kept as " + save.keptAs +
               ". Progress made in this run will be kept.";
    }
    return std::string();
}

std::string AboutStats(const GameServiceStartFindings& service)
{
    const std::string start = "Your achievements and scores in " + service.statsFile + " ";
    if (!service.statsUnread.empty())
        return start + "could not be read: " + service.statsUnread +
               ". The file is left as it is, and this run will not store any over it: they start empty, and what "
               "this run wins will not be kept. " + kCheckFile;
    if (!service.statsLinkFolder.empty())
        return start + "lie behind a link into " + service.statsLinkFolder + ", which cannot be written: " +
               service.statsLinkWhy + ". They were read, but what this run wins will not be kept. " + kCheckFolder;
    if (service.statsDamage.empty())
        return std::string();
    if (!service.statsNotKept.empty())
        return start + service.statsDamage + ", so they start empty, and the file could not be kept aside: " +
               service.statsNotKept +
               ". It is left as it is, and none is stored over it until it can be kept aside, so what this run wins "
               "may not be kept. " + kCheckFolder;
    return start + service.statsDamage + ", so they start empty" +
           (service.statsKeptAs.empty() ? std::string() : ": the file is kept as " + service.statsKeptAs) +
           ". What this run wins will be kept.";
}
} // namespace

std::string StoredDataNotice(const GameServiceStartFindings& service, const cSaveData::ReadFindings& save,
                             const std::string& saveFile)
{
    std::string text;
    Add(text, AboutFolder(service));
    // A folder that cannot be used holds nothing the game could read.
    if (service.folderUnusable.empty())
    {
        Add(text, AboutSave(save, saveFile));
        Add(text, AboutStats(service));
    }
    return text;
}

#include "KelpoBase/core/FileSystem.h"

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/core/TextUtil.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sys/types.h>
#include <unistd.h>

void NormalisePath(std::string& path)
{
    const size_t first = path.find_first_not_of('"');
    if (first == std::string::npos)
    {
        path.clear();
        return;
    }
    path.erase(0, first);
    path.erase(path.find_last_not_of('"') + 1);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path.back() == '/')
        path.pop_back();
}

namespace
{
bool IsParentSegment(const std::string& path, size_t at)
{
    return path.compare(at, 2, "..") == 0 && (at == 0 || path[at - 1] == '/') &&
           (at + 2 == path.size() || path[at + 2] == '/');
}
} // namespace

bool CollapseParentSegments(std::string& path)
{
    for (;;)
    {
        size_t at = std::string::npos;
        for (size_t i = 0; i + 1 < path.size(); ++i)
        {
            if (IsParentSegment(path, i))
            {
                at = i;
                break;
            }
        }
        if (at == std::string::npos)
            break;
        size_t slashes = 0;
        size_t previous = std::string::npos; // the '/' before the folder segment
        size_t last = std::string::npos;
        for (size_t i = 0; i < at; ++i)
        {
            if (path[i] == '/')
            {
                ++slashes;
                previous = last;
                last = i;
            }
        }
        if (slashes == 0)
            return false;
        if (slashes == 1)
        {
            // The folder is the first segment: it goes with the ".." and the '/' after
            // them, so "a/../b" becomes "b" (a relative path stays relative).
            size_t end = at + 2;
            if (end < path.size() && path[end] == '/')
                ++end;
            path.erase(0, end);
        }
        else
        {
            path.erase(previous, at + 2 - previous);
        }
    }
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    return true;
}

std::string MakeRelativePath(const std::string& baseFolder, const std::string& target)
{
    std::string base = baseFolder;
    if (base.empty() || base.back() != '/')
        base += '/';
    size_t lastSlash = std::string::npos;
    for (size_t i = 0; i < base.size() && i < target.size(); ++i)
    {
        if (std::tolower(static_cast<unsigned char>(base[i])) != std::tolower(static_cast<unsigned char>(target[i])))
            break;
        if (base[i] == '/')
            lastSlash = i;
    }
    std::string result;
    if (lastSlash == std::string::npos)
    {
        result = target;
    }
    else
    {
        const std::string baseRest = base.substr(lastSlash + 1);
        const size_t ups = static_cast<size_t>(std::count(baseRest.begin(), baseRest.end(), '/'));
        for (size_t i = 0; i < ups; ++i)
            result += "../";
        result += target.substr(lastSlash + 1);
    }
    NormalisePath(result);
    return result;
}

namespace
{
// The names in a folder, sorted; false when it cannot be read.
bool ReadFolderNames(const std::string& folder, std::vector<std::string>& names)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir))
    {
        const std::string entryName = entry->d_name;
        if (entryName != "." && entryName != "..")
            names.push_back(entryName);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}
enum class Lookup
{
    Unknown, // the folder cannot be read
    Absent,
    Found
};

// The first name of a folder, in sorted order, equal to part ignoring ASCII case. The
// folder's sorted names are kept while its modification time stays the same: a data
// tree looked up in another letter case would otherwise be listed again for every file.
Lookup LookUpNameIgnoringCase(const std::string& folder, const std::string& part, std::string* found)
{
    struct Listing
    {
        timespec modified;
        std::vector<std::string> names;
    };
    static std::map<std::pair<dev_t, ino_t>, Listing> cache; // by the folder itself
    static std::mutex lock;

    struct stat status;
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return Lookup::Unknown;
    const std::lock_guard<std::mutex> guard(lock);
    const std::pair<dev_t, ino_t> key{status.st_dev, status.st_ino};
    auto it = cache.find(key);
    // File times are coarse (a clock tick): a folder changed within the last seconds may
    // change again without its time moving, so its listing is always read afresh.
    const bool settled = std::time(nullptr) - status.st_mtim.tv_sec > 2;
    if (!settled || it == cache.end() || it->second.modified.tv_sec != status.st_mtim.tv_sec ||
        it->second.modified.tv_nsec != status.st_mtim.tv_nsec)
    {
        Listing listing{status.st_mtim, {}};
        if (!ReadFolderNames(folder, listing.names))
            return Lookup::Unknown;
        if (cache.size() > 256)
            cache.clear();
        it = cache.insert_or_assign(key, std::move(listing)).first;
    }
    for (const std::string& name : it->second.names)
    {
        if (StrCaseCompare(name, part) == 0)
        {
            if (found != nullptr)
                *found = name;
            return Lookup::Found;
        }
    }
    return Lookup::Absent;
}

bool FindNameIgnoringCase(const std::string& folder, const std::string& part, std::string& found)
{
    return LookUpNameIgnoringCase(folder, part, &found) == Lookup::Found;
}
} // namespace

size_t ListFolder(const std::string& folder, bool includeFolders, bool includeFiles, std::vector<std::string>& list)
{
    if (!includeFolders && !includeFiles)
        return list.size();
    std::vector<std::string> names;
    if (!ReadFolderNames(folder, names))
        return list.size();
    for (const std::string& entryName : names)
    {
        const std::string full = JoinPath(folder, entryName);
        struct stat status;
        if (::stat(full.c_str(), &status) != 0)
            continue;
        const bool isFolder = S_ISDIR(status.st_mode);
        if ((isFolder && includeFolders) || (!isFolder && includeFiles))
            list.push_back(full);
    }
    return list.size();
}

size_t ListFolderSubfolders(const std::string& folder, std::vector<std::string>& list)
{
    return ListFolder(folder, true, false, list);
}

size_t ListFolderFiles(const std::string& folder, std::vector<std::string>& list)
{
    return ListFolder(folder, false, true, list);
}

size_t ListFolderFilesAndSubfolders(const std::string& folder, std::vector<std::string>& list)
{
    ListFolderFiles(folder, list);
    return ListFolderSubfolders(folder, list);
}

bool PathExists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0 || ResourceFileExists(path);
}

bool IsFolder(const std::string& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsFile(const std::string& path)
{
    if (!PathExists(path))
        return false;
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return true; // known only as a resource
    return !S_ISDIR(status.st_mode);
}

int FileStat(const std::string& path, struct stat& status) { return ::stat(path.c_str(), &status); }

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool FindPathIgnoringCase(const std::string& path, std::string& actual)
{
    if (path.empty())
        return false;
    if (::access(path.c_str(), F_OK) == 0)
    {
        actual = path;
        return true;
    }
    std::string current = path[0] == '/' ? "/" : "";
    const std::vector<std::string> parts = SplitString(path, "/");
    for (const std::string& part : parts)
    {
        const std::string folder = current.empty() ? "." : current;
        std::string exact = current;
        if (!exact.empty() && exact.back() != '/')
            exact += '/';
        exact += part;
        if (part == "." || part == ".." || ::access(exact.c_str(), F_OK) == 0)
        {
            current = exact;
            continue;
        }
        std::string match;
        if (!FindNameIgnoringCase(folder, part, match))
            return false;
        if (!current.empty() && current.back() != '/')
            current += '/';
        current += match;
    }
    actual = current;
    return true;
}

bool LooseRootMayHold(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return true;
    const std::string first = path.substr(0, path.find('/'));
    if (first.empty() || first == "." || first == "..")
        return true;
    return LookUpNameIgnoringCase(".", first, nullptr) != Lookup::Absent;
}

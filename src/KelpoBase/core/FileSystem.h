// File-system helpers: path text normalisation, relative paths, folder listings,
// existence and kind tests, folder creation and file removal.
//
// Folder listings are sorted by name (byte order), so that "the first file with the
// extension dat" is the same file on every machine. Existence tests count a resource
// inside the pack file as existing.
#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

// In place: strips leading and trailing double quotes, turns every '\' into '/', then
// removes one trailing '/'.
void NormalisePath(std::string& path);

// In place: removes each ".." segment together with the folder before it ("a/b/../c"
// gives "a/c", "a/../b" gives "b"), then one trailing '/'. False when a ".." has no
// folder before it ("../x"); the path is then left as far as it was processed.
bool CollapseParentSegments(std::string& path);

// The path of target relative to the base folder (compared ignoring ASCII case): one
// "../" for every folder of the base below their shared part, then the rest of target.
std::string MakeRelativePath(const std::string& baseFolder, const std::string& target);

// Appends folder joined with the name of every entry (folders when includeFolders,
// files when includeFiles; "." and ".." skipped), sorted by name; returns the list's
// size afterwards. A folder that cannot be read adds nothing.
size_t ListFolder(const std::string& folder, bool includeFolders, bool includeFiles, std::vector<std::string>& list);
size_t ListFolderSubfolders(const std::string& folder, std::vector<std::string>& list);
size_t ListFolderFiles(const std::string& folder, std::vector<std::string>& list);
// Files first, then folders; returns the list's size afterwards.
size_t ListFolderFilesAndSubfolders(const std::string& folder, std::vector<std::string>& list);

// The path exists on disk, or names a resource (a loose file in another letter case or
// a pack entry).
bool PathExists(const std::string& path);
// Kind tests; a path that exists only as a resource counts as a file.
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);
// stat() of the path: 0 on success, -1 on failure.
int FileStat(const std::string& path, struct stat& status);
// True when the folder was made (false also when it already exists).
bool MakeFolder(const std::string& path);
bool RemoveFile(const std::string& path);

// Finds the file on disk: the exact path when it exists, else a path whose components
// differ from it only in ASCII letter case (the first match in name order for each
// component). Relative paths start at the working folder. True with actual set when
// found.
bool FindPathIgnoringCase(const std::string& path, std::string& actual);

// False only when no loose file can lie at the path: it is relative and the working folder
// holds nothing named like its first component, in any letter case. Answered from the
// working folder's cached listing (the cache of FindPathIgnoringCase), so it costs one
// stat of that folder instead of failed opens; true whenever the folder cannot be read.
bool LooseRootMayHold(const std::string& path);

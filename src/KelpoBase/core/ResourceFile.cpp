#include "KelpoBase/core/ResourceFile.h"

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/TextUtil.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

PackFile* gPackFile = nullptr;

PackFile* GetPackFile() { return gPackFile; }
void SetPackFile(PackFile* pack) { gPackFile = pack; }

namespace
{
uint32_t LoadU32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24);
}

// Opens a regular file for binary reading; its length must fit 32 bits.
std::FILE* OpenRegularFile(const std::string& path, uint32_t& size)
{
    if (path.empty())
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return nullptr;
    struct stat status;
    if (::fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode) || status.st_size < 0 ||
        static_cast<uint64_t>(status.st_size) > std::numeric_limits<uint32_t>::max())
    {
        std::fclose(file);
        return nullptr;
    }
    size = static_cast<uint32_t>(status.st_size);
    return file;
}
} // namespace

// ---------------------------------------------------------------------------
// PackFile

PackFile::PackFile() = default;

PackFile::PackFile(const std::string& path)
{
    Open(path);
    ReadIndex();
}

PackFile::~PackFile() { ClosePack(); }

std::string PackFile::MakeKey(const std::string& name)
{
    std::string key = name;
    for (char& c : key)
    {
        if (c == '\\')
            c = '/';
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

bool PackFile::Open(const std::string& path)
{
    ClosePack();
    mPath = path;
    mFileSize = 0;
    mFile = OpenRegularFile(path, mFileSize);
    return mFile != nullptr;
}

bool PackFile::OpenMemory(const void* bytes, size_t size)
{
    ClosePack();
    if (size > std::numeric_limits<uint32_t>::max())
        return false;
    mMemory.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    mMemoryOpen = true;
    mMemoryPos = 0;
    mFileSize = static_cast<uint32_t>(size);
    return true;
}

bool PackFile::IsOpen() const { return mFile != nullptr || mMemoryOpen; }

void PackFile::ClosePack()
{
    if (mFile)
    {
        std::fclose(mFile);
        mFile = nullptr;
    }
    mMemoryOpen = false;
    mMemoryPos = 0;
    std::vector<uint8_t>().swap(mMemory);
}

bool PackFile::ReadIndex()
{
    mEntries.clear();
    mCutEntries.clear();
    mDropped = 0;
    mDataBase = 0;
    mDamage.clear();
    if (!IsOpen())
    {
        mDamage = "it cannot be opened";
        return false;
    }
    auto refuse = [this](const char* why)
    {
        mDamage = why;
        ClosePack();
        return false;
    };

    SeekTo(0);
    uint8_t header[kHeaderSize];
    const uint32_t got = ReadPack(header, kHeaderSize);
    if (got < 4 || std::memcmp(header, "KLPA", 4) != 0)
        return refuse("it is not a pack file");
    if (got != kHeaderSize)
        return refuse("it is cut short within its header");
    const uint32_t count = LoadU32(header + 4);
    mDataBase = LoadU32(header + 8);

    // The table must lie wholly inside the file before anything is allocated for it.
    const uint64_t tableBytes = uint64_t(count) * kEntrySize;
    if (tableBytes > uint64_t(mFileSize) - kHeaderSize)
        return refuse("it is cut short (its index runs past the end of the file)");
    std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
    if (tableBytes && ReadPack(table.data(), static_cast<uint32_t>(tableBytes)) != tableBytes)
        return refuse("its index cannot be read");

    uint32_t cut = 0;
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint8_t* entry = table.data() + size_t(i) * kEntrySize;
        const uint64_t offset = uint64_t(mDataBase) + LoadU32(entry);
        const uint32_t size = LoadU32(entry + 4);
        const char* rawName = reinterpret_cast<const char*>(entry + 8);
        const void* end = std::memchr(rawName, 0, kNameSize);
        // An entry must name itself within its 128 bytes and its bytes must lie in the file.
        const std::string key =
            end ? MakeKey(MakePath(std::string(rawName, static_cast<const char*>(end)))) : std::string();
        if (key.empty())
        {
            ++mDropped;
            continue;
        }
        if (offset + size > mFileSize)
        {
            ++mDropped;
            ++cut;
            mCutEntries.insert(key);
            continue;
        }
        // A later entry of the same name replaces an earlier one.
        mEntries[key] = Entry{static_cast<uint32_t>(offset), size};
    }
    // The verbs agree with the counts: "1 of its 652 files runs", "2 of its entries have".
    const uint32_t unnamed = mDropped - cut;
    if (cut != 0)
    {
        const std::string files = count == 1 ? std::string("its only file runs")
                                             : UIntToString(cut) + " of its " + UIntToString(count) +
                                                   (cut == 1 ? " files runs" : " files run");
        mDamage = "it is cut short (" + files + " past its end)";
    }
    if (unnamed != 0)
    {
        const std::string entries = count == 1 ? std::string("its only entry has")
                                               : UIntToString(unnamed) +
                                                     (unnamed == 1 ? " of its entries has" : " of its entries have");
        mDamage += (mDamage.empty() ? "" : "; ") + entries + " no valid name";
    }
    return true;
}

bool PackFile::IsCutEntry(const std::string& name) const { return mCutEntries.count(MakeKey(name)) != 0; }

const PackFile::Entry* PackFile::Find(const std::string& name) const
{
    const auto found = mEntries.find(MakeKey(name));
    return found == mEntries.end() ? nullptr : &found->second;
}

uint32_t PackFile::FindOffset(const std::string& name) const
{
    const Entry* entry = Find(name);
    return entry ? entry->offset : kNone;
}

uint32_t PackFile::FindSize(const std::string& name) const
{
    const Entry* entry = Find(name);
    return entry ? entry->size : kNone;
}

void PackFile::SeekTo(uint32_t offset)
{
    if (mFile)
        std::fseek(mFile, static_cast<long>(offset), SEEK_SET);
    else if (mMemoryOpen)
        mMemoryPos = offset;
}

uint32_t PackFile::TellPack() const
{
    if (mFile)
    {
        const long at = std::ftell(mFile);
        return at < 0 ? 0 : static_cast<uint32_t>(at);
    }
    return mMemoryOpen ? mMemoryPos : 0;
}

uint32_t PackFile::ReadAt(uint32_t offset, void* dest, uint32_t n) const
{
    if (!IsOpen() || offset >= mFileSize)
        return 0;
    n = std::min(n, mFileSize - offset);
    if (mMemoryOpen)
    {
        std::memcpy(dest, mMemory.data() + offset, n);
        return n;
    }
    const int fd = fileno(mFile);
    uint32_t done = 0;
    while (done < n)
    {
        const ssize_t got = ::pread(fd, static_cast<uint8_t*>(dest) + done, n - done, off_t(offset) + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<uint32_t>(got);
    }
    return done;
}

uint32_t PackFile::ReadPack(void* dest, uint32_t n)
{
    // A positional read at the read position, which then moves past what arrived.
    const uint32_t at = TellPack();
    const uint32_t got = ReadAt(at, dest, n);
    if (got != 0)
        SeekTo(at + got);
    return got;
}

bool PackFile::HasPrefix(const std::string& text) const
{
    // Names beginning with text sort at or after text itself.
    const auto it = mEntries.lower_bound(text);
    return it != mEntries.end() && it->first.compare(0, text.size(), text) == 0;
}

std::vector<std::string> PackFile::ListSubfolders(const std::string& folder) const
{
    std::vector<std::string> folders;
    for (const auto& [entryName, entry] : mEntries)
    {
        const std::string dir = DirectoryOfPath(entryName);
        if (DirectoryOfPath(dir) == folder && std::find(folders.begin(), folders.end(), dir) == folders.end())
            folders.push_back(dir);
    }
    return folders;
}

std::vector<std::string> PackFile::ListFiles(const std::string& folder) const
{
    std::vector<std::string> files;
    for (const auto& [entryName, entry] : mEntries)
        if (DirectoryOfPath(entryName) == folder)
            files.push_back(entryName);
    return files;
}

std::string FindPackInFolder(const std::string& folder)
{
    std::vector<std::string> files;
    ListFolderFiles(folder, files);
    for (const std::string& file : files)
        if (StrCaseCompare(FileExtension(FileNameOfPath(file)), "dat") == 0)
            return file;
    return std::string();
}

// ---------------------------------------------------------------------------
// cResourceFile

cResourceFile::cResourceFile() = default;

cResourceFile::~cResourceFile() { Close(); }

int cResourceFile::Close()
{
    if (mOwn)
    {
        std::fclose(mOwn);
        mOwn = nullptr;
    }
    mOwnSize = 0;
    mMemory.reset();
    mMemorySize = 0;
    mEntryOffset = PackFile::kNone;
    mEntrySize = PackFile::kNone;
    mPosition = 0;
    mMode = kClosed;
    return -1;
}

bool cResourceFile::OpenLoose(const std::string& path)
{
    mPosition = 0;
    if (!LooseRootMayHold(path))
        return false;
    mOwn = OpenRegularFile(path, mOwnSize);
    if (!mOwn)
    {
        // Data made on systems whose file names ignore case may name a file in
        // another letter case than it has on disk.
        std::string actual;
        if (FindPathIgnoringCase(path, actual) && actual != path)
            mOwn = OpenRegularFile(actual, mOwnSize);
    }
    mPosition = 0;
    return mOwn != nullptr;
}

bool cResourceFile::FindInPack(const std::string& path)
{
    if (!gPackFile)
        return false;
    const PackFile::Entry* entry = gPackFile->Find(path);
    mPosition = 0;
    if (!entry)
        return false;
    mEntryOffset = entry->offset;
    mEntrySize = entry->size;
    return true;
}

bool cResourceFile::Open(const std::string& path)
{
    Close();
    name = path;
    if (OpenLoose(path))
    {
        mMemory.reset(new uint8_t[std::max<uint32_t>(mOwnSize, 1)]);
        const uint32_t got = ReadLoose(mMemory.get(), mOwnSize);
        std::fclose(mOwn);
        mOwn = nullptr;
        mMemorySize = got;
        mPosition = 0;
        mMode = kMemory;
        return true;
    }
    if (FindInPack(path))
    {
        mMode = kPackStream;
        mMemory.reset(new uint8_t[std::max<uint32_t>(mEntrySize, 1)]);
        mMemorySize = ReadEntry(mMemory.get(), mEntrySize);
        mPosition = 0;
        mMode = kMemory;
        return true;
    }
    mMode = kClosed;
    return false;
}

bool cResourceFile::OpenStream(const std::string& path)
{
    Close();
    name = path;
    if (OpenLoose(path))
    {
        mMode = kLooseStream;
        return true;
    }
    if (FindInPack(path))
    {
        mMode = kPackStream;
        return true;
    }
    mMode = kClosed;
    return false;
}

bool cResourceFile::OpenMemory(const void* bytes, uint32_t size, const std::string& label)
{
    Close();
    name = label;
    mMemory.reset(new uint8_t[std::max<uint32_t>(size, 1)]);
    if (size)
        std::memcpy(mMemory.get(), bytes, size);
    mMemorySize = size;
    mPosition = 0;
    mMode = kMemory;
    return true;
}

uint32_t cResourceFile::ReadLoose(void* dest, uint32_t n)
{
    const uint32_t left = mPosition < mOwnSize ? mOwnSize - mPosition : 0;
    n = std::min(n, left);
    uint32_t done = 0;
    while (done < n)
    {
        const size_t got = std::fread(static_cast<uint8_t*>(dest) + done, 1, n - done, mOwn);
        if (got == 0)
            break;
        done += static_cast<uint32_t>(got);
    }
    mPosition += done;
    // What really arrived: a file that shrank since it was opened delivers less.
    return done;
}

uint32_t cResourceFile::ReadEntry(void* dest, uint32_t n)
{
    if (!gPackFile || mEntryOffset == PackFile::kNone)
        return 0;
    const uint32_t left = mPosition < mEntrySize ? mEntrySize - mPosition : 0;
    n = std::min(n, left);
    if (n == 0)
        return 0;
    const uint32_t got = gPackFile->ReadAt(mEntryOffset + mPosition, dest, n);
    mPosition += got;
    return got;
}

uint32_t cResourceFile::Read(void* dest, uint32_t n)
{
    if (mMode == kMemory)
    {
        const uint32_t left = mPosition < mMemorySize ? mMemorySize - mPosition : 0;
        n = std::min(n, left);
        if (n)
            std::memcpy(dest, mMemory.get() + mPosition, n);
        mPosition += n;
        return n;
    }
    if (mOwn)
        return ReadLoose(dest, n);
    if (mEntryOffset == PackFile::kNone)
        return 0;
    return ReadEntry(dest, n);
}

namespace
{
// Seeking within a block of known size: unsigned 32-bit sums, clamped to the size; the
// end origin always lands on the end.
uint32_t SeekWithin(uint32_t position, uint32_t size, int32_t offset, int origin)
{
    switch (origin)
    {
    case cDataStream::kSeekStart:
        return std::min(static_cast<uint32_t>(offset), size);
    case cDataStream::kSeekCurrent:
        return std::min(position + static_cast<uint32_t>(offset), size);
    case cDataStream::kSeekEnd:
        return size;
    default:
        return position;
    }
}
} // namespace

uint32_t cResourceFile::Seek(int32_t offset, int origin)
{
    if (mOwn)
    {
        int64_t target;
        switch (origin)
        {
        case kSeekStart:
            target = offset;
            break;
        case kSeekCurrent:
            target = int64_t(mPosition) + offset;
            break;
        case kSeekEnd:
            target = int64_t(mOwnSize) + offset;
            break;
        default:
            return mPosition;
        }
        // Before the start the seek fails and the position stays; past the end it
        // stops at the end.
        if (target < 0)
            return mPosition;
        target = std::min<int64_t>(target, mOwnSize);
        if (std::fseek(mOwn, static_cast<long>(target), SEEK_SET) == 0)
            mPosition = static_cast<uint32_t>(target);
        return mPosition;
    }
    if (mMode == kMemory)
    {
        mPosition = SeekWithin(mPosition, mMemorySize, offset, origin);
        return mPosition;
    }
    if (mEntryOffset == PackFile::kNone)
        return 0;
    mPosition = SeekWithin(mPosition, mEntrySize, offset, origin);
    return mPosition;
}

uint32_t cResourceFile::GetFileSize() const
{
    if (mOwn)
        return mOwnSize;
    if (mMode == kMemory)
        return mMemorySize;
    if (mMode == kPackStream)
        return mEntrySize;
    return 0;
}

int32_t cResourceFile::ReadByte()
{
    uint8_t byte;
    return Read(&byte, 1) == 1 ? byte : -1;
}

bool ResourceFileExists(const std::string& path)
{
    cResourceFile file;
    return file.OpenStream(path);
}

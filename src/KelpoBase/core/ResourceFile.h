// Resource files and the pack file.
//
// Every asset is read through cResourceFile, which finds a path in this order:
//   1. the loose file at exactly that path (relative to the working folder);
//   2. a loose file whose path differs only in letter case (data made on systems
//      whose file names ignore case);
//   3. the entry of that name in the pack file (gPackFile), names compared without
//      regard to ASCII case and with '\' read as '/'.
// A relative path whose first folder the working folder does not hold (in any letter
// case) has no loose file: that is answered from the working folder's cached listing,
// without trying to open it, so that a program shipped with only a pack pays nothing for
// the loose-file step.
//
// Pack file layout (little-endian):
//   0   4        magic "KLPA"
//   4   4        entry count N
//   8   4        base offset B of the data area
//   12  136 x N  entries: u32 offset from B, u32 size, 128-byte name ended by a 0 byte
//
// The index is checked against the file: a table that does not fit the file refuses
// the whole pack (no entries); an entry whose bytes do not lie wholly inside the file,
// or whose name is empty or not terminated, is dropped. Reads never pass the end of
// the file or the entry. Either way the pack says why it is damaged (GetDamage), so
// that the player can be told rather than meet files that silently are not there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KelpoBase/core/DataStream.h"

class PackFile
{
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    static constexpr uint32_t kHeaderSize = 12;
    static constexpr uint32_t kEntrySize = 136;
    static constexpr uint32_t kNameSize = 128;

    struct Entry
    {
        uint32_t offset; // absolute, from the start of the pack
        uint32_t size;
    };

    // An unopened pack with no entries.
    PackFile();
    // Opens the file and reads its index.
    explicit PackFile(const std::string& path);
    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;
    ~PackFile();

    // Opens the file for reading and takes its length; false when it cannot be opened
    // (or is larger than 4 GiB).
    bool Open(const std::string& path);
    // Takes a copy of a whole pack held in memory as the pack's bytes.
    bool OpenMemory(const void* bytes, size_t size);
    // Reads and checks the index; true when the pack is valid (its entries, minus the
    // dropped ones, are then in the map). A bad magic or table closes the pack.
    bool ReadIndex();

    // Lookups: the name is lower-cased and '\' read as '/'. kNone when not found.
    uint32_t FindOffset(const std::string& name) const;
    uint32_t FindSize(const std::string& name) const;
    const Entry* Find(const std::string& name) const;

    // Moves the read position to an absolute offset (when open).
    void SeekTo(uint32_t offset);
    // The read position; 0 when not open.
    uint32_t TellPack() const;
    // Reads up to n bytes at the read position, never past the end of the file;
    // returns the bytes read (0 when not open).
    uint32_t ReadPack(void* dest, uint32_t n);
    // Reads up to n bytes at an absolute offset in one positional read, never past the end
    // of the file, without moving the read position: entries are read this way, so that
    // any number of streams (also on several threads) can read the one pack.
    uint32_t ReadAt(uint32_t offset, void* dest, uint32_t n) const;
    void ClosePack();
    bool IsOpen() const;

    // True when some stored (lower-case) entry name begins with text, byte for byte.
    bool HasPrefix(const std::string& text) const;
    // Folders below folder that directly hold at least one entry, in name order.
    std::vector<std::string> ListSubfolders(const std::string& folder) const;
    // Entry names (full lower-case paths) directly in folder, in name order.
    std::vector<std::string> ListFiles(const std::string& folder) const;

    const std::string& GetPath() const { return mPath; }
    uint32_t GetFileSize() const { return mFileSize; }
    uint32_t GetDataBase() const { return mDataBase; }
    const std::map<std::string, Entry>& GetEntries() const { return mEntries; }
    // Entries of the table that were dropped as invalid by the last ReadIndex.
    uint32_t GetDroppedCount() const { return mDropped; }
    // Why the last ReadIndex found the pack damaged, in words for a message ("it is not a
    // pack file", "it is cut short: ..."); empty when the index was whole and valid.
    const std::string& GetDamage() const { return mDamage; }
    // True when the index names the file but its bytes run past the end of the pack (a
    // pack cut short), so that it could not be kept.
    bool IsCutEntry(const std::string& name) const;

    // The lookup key of a name: '\' as '/', lower-cased (ASCII A to Z only).
    static std::string MakeKey(const std::string& name);

private:
    uint32_t mFileSize = 0;
    uint32_t mDataBase = 0;
    std::string mPath;
    std::FILE* mFile = nullptr;
    std::vector<uint8_t> mMemory; // the pack's bytes when opened from memory
    bool mMemoryOpen = false;
    uint32_t mMemoryPos = 0;
    std::map<std::string, Entry> mEntries;
    uint32_t mDropped = 0;
    std::string mDamage;
    std::set<std::string> mCutEntries; // keys
};

// The pack of the running program; null when there is none.
extern PackFile* gPackFile;
PackFile* GetPackFile();
// Replaces the global without deleting the old pack.
void SetPackFile(PackFile* pack);

// The pack a folder would use: the first file, in ListFolderFiles' (sorted) order,
// whose extension is "dat" in any letter case, as folder joined with its name; empty
// when there is none.
std::string FindPackInFolder(const std::string& folder);

class cResourceFile : public cDataStream
{
public:
    enum Mode : uint32_t
    {
        kClosed = 0,
        kLooseStream = 1,
        kPackStream = 2,
        kMemory = 3
    };

    cResourceFile();
    ~cResourceFile() override;

    // Loads the whole file (loose file, else pack entry) into memory; every read then
    // comes from the copy. False when neither holds the path.
    bool Open(const std::string& path);
    // Opens for streamed reading without copying: a loose file kept open, or the
    // region of the pack entry.
    bool OpenStream(const std::string& path);
    // Reads from a copy of the given bytes (as Open does after loading); name = label.
    bool OpenMemory(const void* bytes, uint32_t size, const std::string& label = std::string());

    int Close() override;
    uint32_t Read(void* dest, uint32_t n) override;
    uint32_t Seek(int32_t offset, int origin) override;
    uint32_t Tell() override { return mPosition; }
    uint32_t GetLength() override { return GetFileSize(); }

    // The file's length (loose stream, memory copy or pack entry); 0 when closed.
    uint32_t GetFileSize() const;
    // One byte (0 to 255), or -1 at the end.
    int32_t ReadByte();

    Mode GetMode() const { return mMode; }
    bool IsOpen() const { return mMode != kClosed; }
    // The memory copy after Open (null otherwise).
    const uint8_t* GetMemory() const { return mMemory.get(); }
    uint32_t GetMemorySize() const { return mMemorySize; }

private:
    bool OpenLoose(const std::string& path);
    bool FindInPack(const std::string& path);
    uint32_t ReadLoose(void* dest, uint32_t n);
    uint32_t ReadEntry(void* dest, uint32_t n);

    Mode mMode = kClosed;
    uint32_t mEntryOffset = PackFile::kNone;
    uint32_t mEntrySize = PackFile::kNone;
    uint32_t mPosition = 0;
    std::FILE* mOwn = nullptr;
    uint32_t mOwnSize = 0;
    std::unique_ptr<uint8_t[]> mMemory;
    uint32_t mMemorySize = 0;
};

// True when the path opens as a loose file or a pack entry (nothing is read).
bool ResourceFileExists(const std::string& path);

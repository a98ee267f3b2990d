// Reads a pack from memory: its index, then every entry found through cResourceFile
// (whole and streamed, with seeks), and the folder listings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/core/TextUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PackFile pack;
    if (!pack.OpenMemory(data, size) || !pack.ReadIndex())
        return 0;
    SetPackFile(&pack);

    std::vector<std::string> names;
    for (const auto& [entryName, entry] : pack.GetEntries())
    {
        names.push_back(entryName);
        if (names.size() >= 64)
            break;
    }
    uint8_t buffer[512];
    for (const std::string& entryName : names)
    {
        cResourceFile whole;
        if (whole.Open(entryName))
        {
            while (whole.Read(buffer, sizeof buffer) > 0)
            {
            }
            whole.Seek(-3, cDataStream::kSeekCurrent);
            whole.ReadByte();
        }
        cResourceFile stream;
        if (stream.OpenStream(entryName))
        {
            stream.Seek(static_cast<int32_t>(stream.GetFileSize() / 2), cDataStream::kSeekStart);
            stream.Read(buffer, sizeof buffer);
            stream.Seek(-7, cDataStream::kSeekEnd);
            stream.Read(buffer, 1);
        }
        const std::string folder = DirectoryOfPath(entryName);
        pack.ListFiles(folder);
        pack.ListSubfolders(DirectoryOfPath(folder));
        pack.HasPrefix(folder);
    }
    SetPackFile(nullptr);
    return 0;
}

#include "GfxTools/ToolsInput.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
CToolsString& FileRoot()
{
    static CToolsString root;
    return root;
}

struct MemoryFileEntry
{
    char* name;
    const uint8_t* data;
    uint32_t size;
    uint8_t copied;
};

// Grows by ten entries at a time; frees copied entries and the array at exit.
struct MemoryFileTable
{
    MemoryFileEntry* entries = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;

    ~MemoryFileTable() { Clear(); }

    void Clear()
    {
        for (uint32_t i = 0; i < count; ++i)
        {
            if (entries[i].copied)
            {
                std::free(entries[i].name);
                std::free(const_cast<uint8_t*>(entries[i].data));
            }
        }
        std::free(entries);
        entries = nullptr;
        count = 0;
        capacity = 0;
    }
};

MemoryFileTable& Table()
{
    static MemoryFileTable table;
    return table;
}

struct EmbeddedResource
{
    std::string name;
    const uint8_t* data;
    uint32_t size;
};

std::vector<EmbeddedResource>& Embedded()
{
    static std::vector<EmbeddedResource> list;
    return list;
}

// The whole file, or false (nothing kept) when it cannot be opened or read whole.
bool LoadFromDisk(const std::string& path, uint8_t*& data, uint32_t& size)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    bool ok = false;
    if (std::fseek(file, 0, SEEK_END) == 0)
    {
        const long length = std::ftell(file);
        if (length >= 0 && uint64_t(length) < 0xFFFFFFFFu && std::fseek(file, 0, SEEK_SET) == 0)
        {
            auto* block = static_cast<uint8_t*>(std::malloc(size_t(length) + 1));
            if (block != nullptr)
            {
                if (std::fread(block, 1, size_t(length), file) == size_t(length))
                {
                    block[length] = 0;
                    data = block;
                    size = uint32_t(length);
                    ok = true;
                }
                else
                {
                    std::free(block);
                }
            }
        }
    }
    std::fclose(file);
    return ok;
}
} // namespace

// ---- CSource ----

bool CSource::AllocAndReadBytes(uint8_t*& out, uint32_t length)
{
    if (length == 0)
        return true;
    if (length > Remaining() || !AllocZeroed(out, length))
        return false;
    return Read(out, length);
}

// ---- CSourceStream ----

CSourceStream::~CSourceStream() { Discard(); }

void CSourceStream::Discard()
{
    delete m_pFile;
    m_pFile = nullptr;
    m_Position = 0;
}

bool CSourceStream::OpenFile(const char* fileName)
{
    Discard();
    m_pFile = new CToolsResourceFile(fileName);
    if (!m_pFile->IsOpen())
    {
        Discard();
        return false;
    }
    return true;
}

bool CSourceStream::OpenMemory(const void* data, uint32_t size)
{
    Discard();
    m_pFile = new CToolsResourceFile(data, size);
    if (!m_pFile->IsOpen())
    {
        Discard();
        return false;
    }
    return true;
}

uint32_t CSourceStream::Remaining() const { return m_pFile != nullptr ? m_pFile->Size() - m_Position : 0; }

// n is compared with what is left, never added to the position, so a huge n cannot wrap.
bool CSourceStream::Read(void* destination, uint32_t n)
{
    if (m_pFile == nullptr || n > Remaining())
        return false;
    if (n != 0)
        std::memcpy(destination, m_pFile->Data() + m_Position, n);
    m_Position += n;
    return true;
}

bool CSourceStream::Skip(uint32_t n)
{
    if (m_pFile == nullptr || n > Remaining())
        return false;
    m_Position += n;
    return true;
}

// ---- CSourceResource ----

bool CSourceResource::OpenResource(const char* name)
{
    m_pData = nullptr;
    m_Size = 0;
    m_Position = 0;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!FindEmbeddedResource(name, &data, &size) || size == 0 || data == nullptr)
        return false;
    m_pData = data;
    m_Size = size;
    return true;
}

bool CSourceResource::Read(void* destination, uint32_t n)
{
    if (n > Remaining())
        return false;
    if (n != 0)
        std::memcpy(destination, m_pData + m_Position, n);
    m_Position += n;
    return true;
}

bool CSourceResource::Skip(uint32_t n)
{
    if (n > Remaining())
        return false;
    m_Position += n;
    return true;
}

// ---- CToolsResourceFile ----

CToolsResourceFile::CToolsResourceFile(const char* fileName)
{
    const std::string name = fileName != nullptr ? fileName : "";
    const std::string path = std::string(FileRoot().c_str(), FileRoot().size()) + name;
    if (LoadFromDisk(path, m_pData, m_Size))
    {
        m_Open = 1;
        return;
    }
    const void* data = nullptr;
    uint32_t size = 0;
    if (FindMemoryFile(name.c_str(), &data, &size))
    {
        m_pData = static_cast<uint8_t*>(const_cast<void*>(data));
        m_Size = size;
        m_Open = 1;
        m_Borrowed = 1;
    }
}

CToolsResourceFile::CToolsResourceFile(const void* data, uint32_t size)
    : m_Open(1), m_Borrowed(1), m_Size(size), m_pData(static_cast<uint8_t*>(const_cast<void*>(data)))
{
}

CToolsResourceFile::~CToolsResourceFile() { Close(); }

void CToolsResourceFile::Close()
{
    if (m_Open && !m_Borrowed)
        std::free(m_pData);
    m_Open = 0;
    m_Borrowed = 0;
    m_Size = 0;
    m_pData = nullptr;
}

void CToolsResourceFile::SetFileRoot(const char* root) { FileRoot() = root != nullptr ? root : ""; }
const CToolsString& CToolsResourceFile::GetFileRoot() { return FileRoot(); }

// ---- The memory-file table ----

void AddMemoryFile(const char* name, const void* data, uint32_t size, bool copy)
{
    MemoryFileTable& table = Table();
    if (table.count == table.capacity)
    {
        const uint32_t grown = table.capacity + 10;
        auto* entries = static_cast<MemoryFileEntry*>(std::calloc(grown, sizeof(MemoryFileEntry)));
        if (entries == nullptr)
            return;
        if (table.count != 0)
            std::memcpy(entries, table.entries, table.count * sizeof(MemoryFileEntry));
        std::free(table.entries);
        table.entries = entries;
        table.capacity = grown;
    }
    MemoryFileEntry entry{const_cast<char*>(name), static_cast<const uint8_t*>(data), size, 0};
    if (copy)
    {
        const size_t nameLength = name != nullptr ? std::strlen(name) : 0;
        auto* nameCopy = static_cast<char*>(std::malloc(nameLength + 1));
        auto* dataCopy = static_cast<uint8_t*>(std::malloc(size != 0 ? size : 1));
        if (nameCopy == nullptr || dataCopy == nullptr)
        {
            std::free(nameCopy);
            std::free(dataCopy);
            return;
        }
        if (nameLength != 0)
            std::memcpy(nameCopy, name, nameLength);
        nameCopy[nameLength] = 0;
        if (size != 0)
            std::memcpy(dataCopy, data, size);
        entry = MemoryFileEntry{nameCopy, dataCopy, size, 1};
    }
    table.entries[table.count++] = entry;
}

bool FindMemoryFile(const char* name, const void** data, uint32_t* size)
{
    if (name == nullptr)
        return false;
    const MemoryFileTable& table = Table();
    for (uint32_t i = 0; i < table.count; ++i)
    {
        if (table.entries[i].name != nullptr && std::strcmp(table.entries[i].name, name) == 0)
        {
            if (data != nullptr)
                *data = table.entries[i].data;
            if (size != nullptr)
                *size = table.entries[i].size;
            return true;
        }
    }
    return false;
}

uint32_t MemoryFileCount() { return Table().count; }

const char* MemoryFileName(uint32_t index) { return index < Table().count ? Table().entries[index].name : nullptr; }

void ClearMemoryFiles() { Table().Clear(); }

// ---- Embedded resources ----

void RegisterEmbeddedResource(const char* name, const void* data, uint32_t size)
{
    Embedded().push_back({name != nullptr ? name : "", static_cast<const uint8_t*>(data), size});
}

bool FindEmbeddedResource(const char* name, const uint8_t** data, uint32_t* size)
{
    if (name == nullptr)
        return false;
    for (const EmbeddedResource& resource : Embedded())
    {
        if (resource.name == name)
        {
            if (data != nullptr)
                *data = resource.data;
            if (size != nullptr)
                *size = resource.size;
            return true;
        }
    }
    return false;
}

void ClearEmbeddedResources() { Embedded().clear(); }

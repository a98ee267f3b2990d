#include "KelpoBase/platform/OggDecode.h"

#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/ResourceFile.h"

namespace
{
// The decoder reads through these over a cDataStream. The stream's owner closes it, so
// the close callback only detaches.
size_t ReadCallback(void* ptr, size_t size, size_t count, void* source)
{
    if (size == 0 || count == 0)
        return 0;
    auto* stream = static_cast<cDataStream*>(source);
    uint64_t want = static_cast<uint64_t>(size) * count;
    if (want > std::numeric_limits<uint32_t>::max())
        want = std::numeric_limits<uint32_t>::max();
    uint32_t got = stream->Read(ptr, static_cast<uint32_t>(want));
    return got / size;
}

// fseek's contract: 0 on success, -1 when the position is not inside the stream.
int SeekCallback(void* source, ogg_int64_t offset, int whence)
{
    auto* stream = static_cast<cDataStream*>(source);
    int64_t length = stream->GetLength();
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = stream->Tell();
    else if (whence == SEEK_END)
        base = length;
    else if (whence != SEEK_SET)
        return -1;
    if (offset > std::numeric_limits<int64_t>::max() / 2 || offset < -(std::numeric_limits<int64_t>::max() / 2))
        return -1;
    int64_t target = base + offset;
    if (target < 0 || target > length)
        return -1;
    uint32_t now = stream->Seek(static_cast<int32_t>(target), cDataStream::kSeekStart);
    return now == static_cast<uint32_t>(target) ? 0 : -1;
}

int CloseCallback(void*) { return 0; }

long TellCallback(void* source) { return static_cast<long>(static_cast<cDataStream*>(source)->Tell()); }

// A read-only view of caller's bytes (no copy).
class cByteView : public cDataStream
{
public:
    cByteView(const void* bytes, size_t size)
        : mBytes(static_cast<const uint8_t*>(bytes)), mSize(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size))
    {
    }
    uint32_t Read(void* dest, uint32_t n) override
    {
        uint32_t left = mSize - mPos;
        if (n > left)
            n = left;
        if (n > 0)
            std::memcpy(dest, mBytes + mPos, n);
        mPos += n;
        return n;
    }
    uint32_t Seek(int32_t offset, int origin) override
    {
        int64_t base = origin == kSeekCurrent ? mPos : (origin == kSeekEnd ? mSize : 0);
        int64_t target = base + offset;
        if (target >= 0 && target <= mSize)
            mPos = static_cast<uint32_t>(target);
        return mPos;
    }
    uint32_t Tell() override { return mPos; }
    uint32_t GetLength() override { return mSize; }

private:
    const uint8_t* mBytes;
    uint32_t mSize;
    uint32_t mPos = 0;
};

// Owns the decoder state once it is open, so that every way out clears it.
struct VorbisFile
{
    OggVorbis_File vf{};
    bool open = false;
    ~VorbisFile()
    {
        if (open)
            ov_clear(&vf);
    }
};
} // namespace

bool DecodeOggStream(cDataStream& stream, OggPcm& out)
{
    out = OggPcm();
    const ov_callbacks callbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};
    VorbisFile file;
    // On failure the decoder releases what it made itself.
    if (ov_open_callbacks(&stream, &file.vf, nullptr, 0, callbacks) != 0)
        return false;
    file.open = true;

    vorbis_info* info = ov_info(&file.vf, -1);
    if (info == nullptr || (info->channels != 1 && info->channels != 2) || info->rate <= 0 ||
        info->rate > 384000)
        return false;
    // The first logical stream's length; negative for an error.
    ogg_int64_t total = ov_pcm_total(&file.vf, 0);
    if (total <= 0)
        return false;
    const uint64_t frameBytes = static_cast<uint64_t>(info->channels) * 2u;
    if (static_cast<uint64_t>(total) > kMaxOggPcmBytes / frameBytes)
        return false;
    const uint64_t announced = static_cast<uint64_t>(total) * frameBytes;

    // The block grows with what arrives, so a stream that announces more than it holds
    // costs only what it really decodes.
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(announced < (1u << 20) ? announced : (1u << 20)));
    size_t done = 0;
    while (done < announced)
    {
        size_t chunk = announced - done;
        if (chunk > 8192)
            chunk = 8192;
        if (bytes.size() < done + chunk)
            bytes.resize(done + chunk);
        int link = 0;
        long got = ov_read(&file.vf, reinterpret_cast<char*>(bytes.data() + done), static_cast<int>(chunk), &link);
        if (got <= 0 || link != 0)
            break; // end of stream, error, or the next logical stream
        done += static_cast<size_t>(got);
    }
    // Only whole frames that really arrived are kept.
    done -= done % frameBytes;
    if (done == 0)
        return false;
    bytes.resize(done);
    bytes.shrink_to_fit();

    out.channels = info->channels;
    out.rate = static_cast<int>(info->rate);
    out.announcedBytes = announced;
    out.bytes = std::move(bytes);
    return true;
}

bool DecodeOggMemory(const void* bytes, size_t size, OggPcm& out)
{
    out = OggPcm();
    if (bytes == nullptr || size == 0)
        return false;
    cByteView view(bytes, size);
    return DecodeOggStream(view, out);
}

bool DecodeOggFile(const std::string& path, OggPcm& out)
{
    out = OggPcm();
    cResourceFile file;
    if (!file.OpenStream(path))
        return false;
    bool ok = DecodeOggStream(file, out);
    file.Close();
    return ok;
}

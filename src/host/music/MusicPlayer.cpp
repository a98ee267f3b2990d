#include "host/music/MusicPlayer.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <mpg123.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "KelpoBase/core/ResourceFile.h"

namespace
{
constexpr int kBufferCount = 4;
constexpr size_t kBufferBytes = 16384;

// --- Thread-local contexts --------------------------------------------------------------

using SetThreadContextFn = ALCboolean(ALC_APIENTRY*)(ALCcontext*);
using GetThreadContextFn = ALCcontext*(ALC_APIENTRY*)();

struct ThreadContextEntry
{
    SetThreadContextFn set = nullptr;
    GetThreadContextFn get = nullptr;
};

const ThreadContextEntry& ThreadContextApi()
{
    static const ThreadContextEntry api = [] {
        ThreadContextEntry e;
        if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context"))
        {
            e.set = reinterpret_cast<SetThreadContextFn>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
            e.get = reinterpret_cast<GetThreadContextFn>(alcGetProcAddress(nullptr, "alcGetThreadContext"));
        }
        if (e.set == nullptr || e.get == nullptr)
            e = ThreadContextEntry();
        return e;
    }();
    return api;
}

// Makes the music's context current on this thread only, for one scope.
class cScopedThreadContext
{
public:
    explicit cScopedThreadContext(ALCcontext* context)
    {
        const ThreadContextEntry& api = ThreadContextApi();
        if (context == nullptr || api.set == nullptr)
            return;
        mPrevious = api.get();
        mActive = api.set(context) == ALC_TRUE;
    }
    ~cScopedThreadContext()
    {
        if (mActive)
            ThreadContextApi().set(mPrevious);
    }
    bool Active() const { return mActive; }

private:
    ALCcontext* mPrevious = nullptr;
    bool mActive = false;
};

// --- MP3 decoding from memory -----------------------------------------------------------

struct MemoryReader
{
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

ssize_t ReadMemory(void* handle, void* dest, size_t n)
{
    auto* r = static_cast<MemoryReader*>(handle);
    size_t left = r->size - r->pos;
    if (n > left)
        n = left;
    if (n > 0)
        std::memcpy(dest, r->bytes + r->pos, n);
    r->pos += n;
    return static_cast<ssize_t>(n);
}

off_t SeekMemory(void* handle, off_t offset, int whence)
{
    auto* r = static_cast<MemoryReader*>(handle);
    off_t base = whence == SEEK_CUR ? static_cast<off_t>(r->pos) : (whence == SEEK_END ? static_cast<off_t>(r->size) : 0);
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return -1;
    off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(r->size))
        return -1;
    r->pos = static_cast<size_t>(target);
    return target;
}

bool LibraryReady()
{
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

// One MP3 stream decoded piece by piece into 16-bit samples.
class cMp3Stream
{
public:
    ~cMp3Stream()
    {
        if (mHandle != nullptr)
        {
            mpg123_close(mHandle);
            mpg123_delete(mHandle);
        }
    }

    // False unless a format was found and at least one sample decodes.
    bool Open(const uint8_t* bytes, size_t size)
    {
        if (!LibraryReady() || bytes == nullptr || size == 0)
            return false;
        int error = MPG123_OK;
        mHandle = mpg123_new(nullptr, &error);
        if (mHandle == nullptr)
            return false;
        mpg123_param(mHandle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(mHandle);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(mHandle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        mReader.bytes = bytes;
        mReader.size = size;
        mReader.pos = 0;
        if (mpg123_replace_reader_handle(mHandle, ReadMemory, SeekMemory, nullptr) != MPG123_OK ||
            mpg123_open_handle(mHandle, &mReader) != MPG123_OK)
            return false;
        int encoding = 0;
        if (mpg123_getformat(mHandle, &mRate, &mChannels, &encoding) != MPG123_OK || encoding != MPG123_ENC_SIGNED_16 ||
            (mChannels != 1 && mChannels != 2) || mRate <= 0)
            return false;
        // Bad input is not an error code: only real samples prove the stream.
        mCarry.resize(kBufferBytes);
        size_t got = DecodeSome(mCarry.data(), mCarry.size());
        mCarry.resize(got);
        return got > 0;
    }

    // Fills dest with up to n bytes; 0 at the end of the stream (or on an error).
    size_t Read(uint8_t* dest, size_t n)
    {
        size_t done = 0;
        if (!mCarry.empty())
        {
            done = n < mCarry.size() ? n : mCarry.size();
            std::memcpy(dest, mCarry.data(), done);
            mCarry.erase(mCarry.begin(), mCarry.begin() + static_cast<std::ptrdiff_t>(done));
        }
        if (done < n)
            done += DecodeSome(dest + done, n - done);
        return done;
    }

    bool Rewind()
    {
        mCarry.clear();
        mEnded = false;
        return mpg123_seek(mHandle, 0, SEEK_SET) >= 0;
    }

    int Channels() const { return mChannels; }
    long Rate() const { return mRate; }

private:
    size_t DecodeSome(uint8_t* dest, size_t n)
    {
        size_t total = 0;
        while (!mEnded && total < n)
        {
            size_t got = 0;
            int result = mpg123_read(mHandle, dest + total, n - total, &got);
            total += got;
            if (result == MPG123_NEW_FORMAT)
            {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(mHandle, &rate, &channels, &encoding);
                // The queue holds one format: a stream that changes it ends there.
                if (rate != mRate || channels != mChannels || encoding != MPG123_ENC_SIGNED_16)
                    mEnded = true;
                continue;
            }
            if (result != MPG123_OK)
                mEnded = true; // MPG123_DONE or an error
            else if (got == 0)
                mEnded = true; // no progress: treat as the end
        }
        // Whole frames only.
        size_t frame = static_cast<size_t>(mChannels > 0 ? mChannels : 1) * 2;
        return total - total % frame;
    }

    mpg123_handle* mHandle = nullptr;
    MemoryReader mReader;
    long mRate = 0;
    int mChannels = 0;
    bool mEnded = false;
    std::vector<uint8_t> mCarry;
};

// --- Command words ----------------------------------------------------------------------

// Splits a command into words; a double-quoted span is one word without its quotes.
std::vector<std::string> Words(const std::string& command)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool have = false;
    for (char c : command)
    {
        if (c == '"')
        {
            quoted = !quoted;
            have = true;
        }
        else if ((c == ' ' || c == '\t') && !quoted)
        {
            if (have)
                words.push_back(word);
            word.clear();
            have = false;
        }
        else
        {
            word += c;
            have = true;
        }
    }
    if (have)
        words.push_back(word);
    return words;
}

bool Same(const std::string& a, const char* b)
{
    size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool Same(const std::string& a, const std::string& b) { return Same(a, b.c_str()); }

// Error codes of the command channel.
enum : int
{
    kOk = 0,
    kErrUnknownCommand = 1,
    kErrBadArguments = 2,
    kErrNoSuchAlias = 3,
    kErrCannotRead = 4,
};
} // namespace

// --- The player -----------------------------------------------------------------------

struct cMusicPlayer::State
{
    mutable std::mutex lock;
    MusicDeviceOpener opener;
    bool background = true;

    // Alias.
    std::string alias;
    std::string path;
    bool playing = false;
    bool paused = false;
    bool repeat = false;
    int volume = 1000;

    // Track.
    std::unique_ptr<cResourceFile> file;
    std::unique_ptr<cMp3Stream> stream;
    bool streamEnded = false;

    // Output.
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    ALuint source = 0;
    ALuint buffers[kBufferCount] = {};
    std::vector<ALuint> freeBuffers;
    std::vector<uint8_t> scratch;

    std::thread thread;
    std::condition_variable wake;
    bool quit = false;

    bool EnsureDevice();
    void CloseDevice();
    void StartThread();
    void StopThread();
    void Close();
    bool QueueBuffer(ALuint buffer);
    void StartPlayback();
    void StopPlayback();
    void UpdateLocked();
    void ApplyVolume();
    int Execute(const std::vector<std::string>& w);
};

bool cMusicPlayer::State::EnsureDevice()
{
    if (context != nullptr)
        return true;
    if (device != nullptr) // opened before but no usable context: stay silent
        return false;
    if (ThreadContextApi().set == nullptr)
        return false;
    std::vector<ALCint> attributes;
    device = opener ? opener(attributes) : alcOpenDevice(nullptr);
    if (device == nullptr)
        return false;
    if (!attributes.empty() && attributes.back() != 0)
        attributes.push_back(0);
    context = alcCreateContext(device, attributes.empty() ? nullptr : attributes.data());
    if (context == nullptr)
    {
        alcCloseDevice(device);
        device = nullptr;
        return false;
    }
    cScopedThreadContext scope(context);
    if (!scope.Active())
    {
        CloseDevice();
        return false;
    }
    alGetError();
    alGenSources(1, &source);
    alGenBuffers(kBufferCount, buffers);
    if (alGetError() != AL_NO_ERROR)
    {
        source = 0;
        CloseDevice();
        return false;
    }
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    freeBuffers.assign(buffers, buffers + kBufferCount);
    if (background)
        StartThread();
    return true;
}

void cMusicPlayer::State::CloseDevice()
{
    StopThread();
    if (context != nullptr)
    {
        {
            cScopedThreadContext scope(context);
            if (scope.Active() && source != 0)
            {
                alSourceStop(source);
                alSourcei(source, AL_BUFFER, 0);
                alDeleteSources(1, &source);
                alDeleteBuffers(kBufferCount, buffers);
            }
        }
        alcDestroyContext(context);
    }
    if (device != nullptr)
        alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    source = 0;
    std::memset(buffers, 0, sizeof(buffers));
    freeBuffers.clear();
}

void cMusicPlayer::State::StartThread()
{
    if (thread.joinable())
        return;
    quit = false;
    thread = std::thread([this] {
        std::unique_lock<std::mutex> guard(lock);
        while (!quit)
        {
            UpdateLocked();
            wake.wait_for(guard, std::chrono::milliseconds(10));
        }
    });
}

void cMusicPlayer::State::StopThread()
{
    if (!thread.joinable())
        return;
    quit = true;
    wake.notify_all();
    // The caller holds the lock: let the thread take it to see the request.
    lock.unlock();
    thread.join();
    lock.lock();
}

bool cMusicPlayer::State::QueueBuffer(ALuint buffer)
{
    if (stream == nullptr)
        return false;
    scratch.resize(kBufferBytes);
    size_t got = streamEnded ? 0 : stream->Read(scratch.data(), scratch.size());
    if (got == 0 && !streamEnded && repeat)
    {
        // Loop: back to the start once; a stream that gives nothing after it ends.
        if (stream->Rewind())
            got = stream->Read(scratch.data(), scratch.size());
    }
    if (got == 0)
    {
        streamEnded = true;
        return false;
    }
    ALenum format = stream->Channels() == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alBufferData(buffer, format, scratch.data(), static_cast<ALsizei>(got), static_cast<ALsizei>(stream->Rate()));
    alSourceQueueBuffers(source, 1, &buffer);
    return true;
}

void cMusicPlayer::State::StartPlayback()
{
    if (stream == nullptr || !EnsureDevice())
        return;
    cScopedThreadContext scope(context);
    if (!scope.Active())
        return;
    ApplyVolume();
    while (!freeBuffers.empty())
    {
        if (!QueueBuffer(freeBuffers.back()))
            break;
        freeBuffers.pop_back();
    }
    alSourcePlay(source);
}

void cMusicPlayer::State::StopPlayback()
{
    if (context == nullptr)
        return;
    cScopedThreadContext scope(context);
    if (!scope.Active())
        return;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0); // unqueues everything
    freeBuffers.assign(buffers, buffers + kBufferCount);
}

void cMusicPlayer::State::ApplyVolume()
{
    if (context != nullptr && source != 0)
        alSourcef(source, AL_GAIN, static_cast<float>(volume) / 1000.0f);
}

void cMusicPlayer::State::UpdateLocked()
{
    if (context == nullptr || stream == nullptr || !playing || paused)
        return;
    cScopedThreadContext scope(context);
    if (!scope.Active())
        return;
    ALint processed = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0)
    {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source, 1, &buffer);
        freeBuffers.push_back(buffer);
    }
    while (!freeBuffers.empty())
    {
        if (!QueueBuffer(freeBuffers.back()))
            break;
        freeBuffers.pop_back();
    }
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING)
    {
        ALint queued = 0;
        alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
        if (queued > 0)
            alSourcePlay(source); // ran dry for a moment: carry on
        else if (streamEnded)
            playing = false; // the track has ended
    }
}

void cMusicPlayer::State::Close()
{
    StopPlayback();
    stream.reset();
    file.reset();
    streamEnded = false;
    alias.clear();
    path.clear();
    playing = false;
    paused = false;
    repeat = false;
}

int cMusicPlayer::State::Execute(const std::vector<std::string>& w)
{
    if (w.empty())
        return kErrUnknownCommand;
    const std::string& verb = w[0];
    if (Same(verb, "open"))
    {
        // open <path> [type <kind>] [alias <name>]
        if (w.size() < 2)
            return kErrBadArguments;
        std::string name = w[1];
        for (size_t i = 2; i < w.size(); ++i)
        {
            if ((Same(w[i], "alias") || Same(w[i], "type")) && i + 1 < w.size())
            {
                if (Same(w[i], "alias"))
                    name = w[i + 1];
                ++i;
            }
            else if (!Same(w[i], "shareable") && !Same(w[i], "wait"))
                return kErrBadArguments;
        }
        // One track at a time: a new one closes the one before.
        Close();
        alias = name;
        path = w[1];
        auto loaded = std::make_unique<cResourceFile>();
        if (!loaded->Open(path))
            return kErrCannotRead; // the alias stays open, silent
        auto decoder = std::make_unique<cMp3Stream>();
        if (!decoder->Open(loaded->GetMemory(), loaded->GetMemorySize()))
            return kErrCannotRead;
        file = std::move(loaded);
        stream = std::move(decoder);
        return kOk;
    }
    if (Same(verb, "close") && w.size() >= 2 && Same(w[1], "all"))
    {
        Close();
        return kOk;
    }
    if (w.size() < 2)
        return kErrBadArguments;
    if (alias.empty() || !Same(w[1], alias))
        return kErrNoSuchAlias;

    if (Same(verb, "play"))
    {
        bool withRepeat = false;
        for (size_t i = 2; i < w.size(); ++i)
        {
            if (Same(w[i], "repeat"))
                withRepeat = true;
            else if (!Same(w[i], "wait") && !Same(w[i], "notify"))
                return kErrBadArguments;
        }
        // A plain play keeps the looping asked for before (it resumes the track).
        if (withRepeat)
            repeat = true;
        if (playing && paused)
        {
            paused = false;
            if (context != nullptr)
            {
                cScopedThreadContext scope(context);
                if (scope.Active())
                    alSourcePlay(source);
            }
            return kOk;
        }
        if (playing)
            return kOk;
        // From the start after the end; from where it stood otherwise.
        if (streamEnded && stream != nullptr)
        {
            stream->Rewind();
            streamEnded = false;
        }
        playing = true;
        paused = false;
        StartPlayback();
        return kOk;
    }
    if (Same(verb, "pause"))
    {
        if (playing && !paused)
        {
            paused = true;
            if (context != nullptr)
            {
                cScopedThreadContext scope(context);
                if (scope.Active())
                    alSourcePause(source);
            }
        }
        return kOk;
    }
    if (Same(verb, "resume"))
    {
        if (playing && paused)
        {
            paused = false;
            if (context != nullptr)
            {
                cScopedThreadContext scope(context);
                if (scope.Active())
                    alSourcePlay(source);
            }
        }
        return kOk;
    }
    if (Same(verb, "stop"))
    {
        // Stopped tracks start again from the beginning.
        StopPlayback();
        if (stream != nullptr)
            stream->Rewind();
        streamEnded = false;
        playing = false;
        paused = false;
        return kOk;
    }
    if (Same(verb, "close"))
    {
        Close();
        return kOk;
    }
    if (Same(verb, "setaudio"))
    {
        // setaudio <alias> volume to <n>
        if (w.size() != 5 || !Same(w[2], "volume") || !Same(w[3], "to"))
            return kErrBadArguments;
        char* end = nullptr;
        long v = std::strtol(w[4].c_str(), &end, 10);
        if (end == w[4].c_str() || *end != '\0')
            return kErrBadArguments;
        volume = static_cast<int>(v < 0 ? 0 : (v > 1000 ? 1000 : v));
        if (context != nullptr)
        {
            cScopedThreadContext scope(context);
            if (scope.Active())
                ApplyVolume();
        }
        return kOk;
    }
    if (Same(verb, "seek"))
    {
        // seek <alias> to start
        if (w.size() != 4 || !Same(w[2], "to") || !Same(w[3], "start"))
            return kErrBadArguments;
        bool was = playing && !paused;
        StopPlayback();
        if (stream != nullptr)
            stream->Rewind();
        streamEnded = false;
        playing = false;
        paused = false;
        if (was)
        {
            playing = true;
            StartPlayback();
        }
        return kOk;
    }
    return kErrUnknownCommand;
}

cMusicPlayer::cMusicPlayer() : s(std::make_unique<State>()) {}

cMusicPlayer::~cMusicPlayer() { Shutdown(); }

int cMusicPlayer::Command(const std::string& command)
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->Execute(Words(command));
}

void cMusicPlayer::Update()
{
    std::lock_guard<std::mutex> guard(s->lock);
    s->UpdateLocked();
}

void cMusicPlayer::Shutdown()
{
    std::lock_guard<std::mutex> guard(s->lock);
    s->Close();
    s->CloseDevice();
}

void cMusicPlayer::SetDeviceOpener(MusicDeviceOpener opener)
{
    std::lock_guard<std::mutex> guard(s->lock);
    s->opener = std::move(opener);
}

void cMusicPlayer::SetBackgroundUpdates(bool on)
{
    std::lock_guard<std::mutex> guard(s->lock);
    s->background = on;
    if (!on)
        s->StopThread();
    else if (s->context != nullptr)
        s->StartThread();
}

std::string cMusicPlayer::OpenPath() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->path;
}

std::string cMusicPlayer::Alias() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->alias;
}

bool cMusicPlayer::IsPlaying() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->playing && !s->paused;
}

bool cMusicPlayer::IsPaused() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->paused;
}

bool cMusicPlayer::IsRepeating() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->repeat;
}

int cMusicPlayer::Volume() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->volume;
}

bool cMusicPlayer::HasSound() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->stream != nullptr;
}

int cMusicPlayer::Channels() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->stream != nullptr ? s->stream->Channels() : 0;
}

long cMusicPlayer::Rate() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->stream != nullptr ? s->stream->Rate() : 0;
}

ALCdevice* cMusicPlayer::Device() const
{
    std::lock_guard<std::mutex> guard(s->lock);
    return s->device;
}

cMusicPlayer& GetMusicPlayer()
{
    static cMusicPlayer player;
    return player;
}

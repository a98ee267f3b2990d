// Sound tests render through OpenAL Soft's loopback device: nothing reaches a sound
// card, the mix is computed when the test asks for it, and what played can be measured.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "KelpoBase/platform/AudioManager.h"

namespace tvtest
{
constexpr int kLoopbackRate = 44100;

// An opener for the audio manager or the music player: a loopback device rendering
// stereo floats at 44100 Hz, no HRTF, no limiter.
inline ALCdevice* OpenLoopbackDevice(std::vector<ALCint>& attributes)
{
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (open == nullptr)
        return nullptr;
    attributes = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT, ALC_FREQUENCY,
                  kLoopbackRate, ALC_HRTF_SOFT, ALC_FALSE, ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE, 0};
    return open(nullptr);
}

// Renders frames of stereo float samples from a loopback device.
inline std::vector<float> RenderLoopback(ALCdevice* device, int frames)
{
    std::vector<float> samples(static_cast<size_t>(frames) * 2, 0.0f);
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(device, "alcRenderSamplesSOFT"));
    if (device != nullptr && render != nullptr)
        render(device, samples.data(), frames);
    return samples;
}

inline double Rms(const std::vector<float>& samples)
{
    if (samples.empty())
        return 0.0;
    double sum = 0.0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

// The audio manager on a loopback device for the length of one test. Ready() is false when
// the device cannot be opened (the test then skips); sounds made on it must go before it.
struct LoopbackAudio
{
    LoopbackAudio()
    {
        SetAudioDeviceOpener(OpenLoopbackDevice);
        manager = CreateAudioManager();
    }
    ~LoopbackAudio()
    {
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
    }
    LoopbackAudio(const LoopbackAudio&) = delete;
    LoopbackAudio& operator=(const LoopbackAudio&) = delete;
    bool Ready() const { return manager != nullptr && manager->IsEnabled(); }
    AudioManager* manager = nullptr;
};

// The folder of the sound fixtures made by the build.
inline std::filesystem::path SoundFixture(const std::string& name)
{
    return std::filesystem::path(TOLLIVAN_BINARY_DIR) / "fixtures" / "sound" / name;
}
} // namespace tvtest

// Keyframe tracks of Gla scene elements.
//
// A track is a list of {value, frame} keys in the order the scene file gives them. Sampling
// walks the keys from the first: an exact hit returns that key, a frame between two keys
// falls in the segment that starts at the earlier one, and a frame at or past the last key
// (or a lone key that is not hit) returns the last key. The template itself holds values;
// the float, vector and colour tracks interpolate within a segment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaMaths.h"

template <class T>
struct cGlaKey
{
    T value;
    int32_t frame;
};

template <class T>
class cGlaTrack
{
public:
    cGlaTrack() = default;
    cGlaTrack(const cGlaTrack&) = default;
    cGlaTrack& operator=(const cGlaTrack&) = default;
    virtual ~cGlaTrack() = default;

    // The value at an integer frame.
    virtual T GetValue(int32_t frame) const
    {
        const size_t n = keys.size();
        if (n == 0)
            return EmptyValue();
        for (size_t i = 0; i < n; ++i)
        {
            if (frame == keys[i].frame)
                return keys[i].value;
            if (i + 1 < n && frame < keys[i + 1].frame)
                return keys[i].value;
        }
        return keys[n - 1].value;
    }

    // The value at frame + fraction; a holding track ignores the fraction.
    virtual T GetValueBlend(int32_t frame, float fraction) const
    {
        (void)fraction;
        return GetValue(frame);
    }

    // Appends the key {value, frame 0}: a constant attribute is a track of one such key.
    void AddKey(const T& value) { keys.push_back({value, 0}); }
    void AddKey(const T& value, int32_t frame) { keys.push_back({value, frame}); }

    static T EmptyValue() { return T{}; }

    std::vector<cGlaKey<T>> keys;

protected:
    // Shared by the interpolating tracks: the segment that holds the frame, or -1 when
    // the answer is a key's own value (returned through *hit).
    long FindSegment(int32_t frame, const T** hit) const
    {
        const size_t n = keys.size();
        for (size_t i = 0; i < n; ++i)
        {
            if (frame == keys[i].frame)
            {
                *hit = &keys[i].value;
                return -1;
            }
            if (i + 1 < n && frame < keys[i + 1].frame)
                return static_cast<long>(i);
        }
        *hit = &keys[n - 1].value;
        return -1;
    }

    // Position of the frame within segment i (0 at its first key, 1 at its second). A
    // segment of two keys on one frame has no length: such a frame holds the first key.
    bool SegmentFraction(long i, int32_t frame, float* t) const
    {
        const int64_t span = static_cast<int64_t>(keys[i + 1].frame) - keys[i].frame;
        if (span == 0)
            return false;
        const int64_t offset = static_cast<int64_t>(frame) - keys[i].frame;
        *t = static_cast<float>(static_cast<double>(offset) / static_cast<double>(span));
        return true;
    }
};

template <>
inline cRGBA cGlaTrack<cRGBA>::EmptyValue()
{
    return GlaOpaqueWhite();
}

class cGlaTrackFloat : public cGlaTrack<float>
{
public:
    float GetValue(int32_t frame) const override;
    float GetValueBlend(int32_t frame, float fraction) const override;
};

class cGlaTrackVec2f : public cGlaTrack<cVec2f>
{
public:
    cVec2f GetValue(int32_t frame) const override;
    cVec2f GetValueBlend(int32_t frame, float fraction) const override;
};

class cGlaTrackRGBA : public cGlaTrack<cRGBA>
{
public:
    cRGBA GetValue(int32_t frame) const override;
    cRGBA GetValueBlend(int32_t frame, float fraction) const override;
};

// A track of resource or scene pointers that also keeps, per key, the name the scene file
// gave, so that a loaded set can be written back (a key whose resource failed to load
// keeps its name and a null value).
template <class T>
class cGlaNamedTrack : public cGlaTrack<T>
{
public:
    void AddNamedKey(const T& value, int32_t frame, const std::string& name)
    {
        this->keys.push_back({value, frame});
        names.push_back(name);
    }
    // The name of key i (empty when the key was added without one).
    const std::string& NameOf(size_t i) const
    {
        static const std::string empty;
        return i < names.size() ? names[i] : empty;
    }
    void Clear()
    {
        this->keys.clear();
        names.clear();
    }

    std::vector<std::string> names;
};

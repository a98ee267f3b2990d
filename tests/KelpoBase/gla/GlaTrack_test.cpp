#include <gtest/gtest.h>

#include <climits>

#include "KelpoBase/gla/GlaTrack.h"

namespace
{
cGlaTrackFloat FloatTrack(std::initializer_list<std::pair<int32_t, float>> keys)
{
    cGlaTrackFloat t;
    for (auto [frame, value] : keys)
        t.AddKey(value, frame);
    return t;
}
} // namespace

TEST(GlaTrack, EmptyTracksGiveTheirEmptyValues)
{
    EXPECT_FALSE(cGlaTrack<bool>().GetValue(3));
    EXPECT_EQ(cGlaTrackFloat().GetValue(3), 0.0f);
    EXPECT_EQ(cGlaTrackVec2f().GetValue(3), cVec2f(0.0f, 0.0f));
    EXPECT_EQ(cGlaTrackRGBA().GetValue(3), cRGBA(255, 255, 255, 255));
    EXPECT_EQ(cGlaTrackRGBA().GetValueBlend(3, 0.5f), cRGBA(255, 255, 255, 255));
    EXPECT_EQ(cGlaTrack<int*>().GetValue(3), nullptr);
    EXPECT_EQ(cGlaTrackFloat().GetValueBlend(0, 0.5f), 0.0f);
}

TEST(GlaTrack, HoldAndInterpolateBetweenTwoKeys)
{
    const cGlaTrackFloat f = FloatTrack({{0, 10.0f}, {10, 20.0f}});
    EXPECT_EQ(f.GetValue(0), 10.0f);
    EXPECT_EQ(f.GetValue(5), 15.0f);
    EXPECT_EQ(f.GetValue(10), 20.0f);
    EXPECT_EQ(f.GetValue(1000), 20.0f);

    cGlaTrack<int> hold;
    hold.AddKey(1, 0);
    hold.AddKey(2, 10);
    EXPECT_EQ(hold.GetValue(5), 1);
    EXPECT_EQ(hold.GetValue(10), 2);
    EXPECT_EQ(hold.GetValue(-5), 1);
    EXPECT_EQ(hold.GetValueBlend(9, 0.9f), 1);

    cGlaTrackVec2f v;
    v.AddKey(cVec2f(0.0f, 100.0f), 0);
    v.AddKey(cVec2f(10.0f, 0.0f), 10);
    EXPECT_EQ(v.GetValue(5), cVec2f(5.0f, 50.0f));

    cGlaTrackRGBA c;
    c.AddKey(cRGBA(0, 0, 0, 0), 0);
    c.AddKey(cRGBA(255, 100, 10, 255), 10);
    EXPECT_EQ(c.GetValue(5), cRGBA(127, 50, 5, 127));
}

TEST(GlaTrack, SingleKeyAndExtrapolationBeforeTheFirstKey)
{
    const cGlaTrackFloat one = FloatTrack({{7, 3.0f}});
    EXPECT_EQ(one.GetValue(-100), 3.0f);
    EXPECT_EQ(one.GetValue(7), 3.0f);
    EXPECT_EQ(one.GetValue(100), 3.0f);

    // A frame before the first key falls in the first segment and extrapolates along it.
    const cGlaTrackFloat two = FloatTrack({{10, 10.0f}, {20, 20.0f}});
    EXPECT_EQ(two.GetValue(0), 0.0f);
    // Colours extrapolate too, wrapping in their low byte without undefined conversions.
    cGlaTrackRGBA c;
    c.AddKey(cRGBA(0, 0, 0, 0), 10);
    c.AddKey(cRGBA(255, 255, 255, 255), 20);
    (void)c.GetValue(INT32_MIN);
}

TEST(GlaTrack, TwoKeysOnOneFrame)
{
    const cGlaTrackFloat f = FloatTrack({{0, 0.0f}, {10, 1.0f}, {10, 5.0f}, {20, 15.0f}});
    EXPECT_EQ(f.GetValue(10), 1.0f); // the earlier of the two
    EXPECT_EQ(f.GetValue(15), 10.0f); // interpolates from the later one

    // The first two keys share a frame: a frame before them has no segment length and
    // holds the first key instead of dividing by zero.
    const cGlaTrackFloat tie = FloatTrack({{5, 2.0f}, {5, 8.0f}, {9, 9.0f}});
    EXPECT_EQ(tie.GetValue(0), 2.0f);
    EXPECT_EQ(tie.GetValue(5), 2.0f);
    cGlaTrackVec2f v;
    v.AddKey(cVec2f(1.0f, 1.0f), 5);
    v.AddKey(cVec2f(2.0f, 2.0f), 5);
    EXPECT_EQ(v.GetValue(0), cVec2f(1.0f, 1.0f));
    cGlaTrackRGBA c;
    c.AddKey(cRGBA(1, 2, 3, 4), 5);
    c.AddKey(cRGBA(9, 9, 9, 9), 5);
    EXPECT_EQ(c.GetValue(0), cRGBA(1, 2, 3, 4));
}

TEST(GlaTrack, BlendedSamples)
{
    const cGlaTrackFloat f = FloatTrack({{0, 0.0f}, {10, 10.0f}});
    EXPECT_EQ(f.GetValueBlend(4, 0.5f), 4.5f);
    EXPECT_EQ(f.GetValueBlend(4, 0.0f), f.GetValue(4));
    EXPECT_EQ(f.GetValueBlend(10, 0.7f), 10.0f);
    EXPECT_EQ(f.GetValueBlend(99, 0.3f), 10.0f);
    // The frame after the last representable one is not computed by overflowing.
    EXPECT_EQ(f.GetValueBlend(INT32_MAX, 0.5f), 10.0f);

    cGlaTrackVec2f v;
    v.AddKey(cVec2f(0.0f, 0.0f), 0);
    v.AddKey(cVec2f(10.0f, -10.0f), 10);
    EXPECT_EQ(v.GetValueBlend(2, 0.5f), cVec2f(2.5f, -2.5f));

    cGlaTrackRGBA c;
    c.AddKey(cRGBA(0, 0, 0, 0), 0);
    c.AddKey(cRGBA(100, 100, 100, 100), 10);
    EXPECT_EQ(c.GetValueBlend(5, 0.0f), cRGBA(50, 50, 50, 50));
    EXPECT_EQ(c.GetValueBlend(10, 0.5f), cRGBA(100, 100, 100, 100));
}

TEST(GlaTrack, NamedTrackKeepsANamePerKey)
{
    cGlaNamedTrack<int*> t;
    t.AddNamedKey(nullptr, 0, "a.png");
    t.AddNamedKey(nullptr, 4, "b.png");
    EXPECT_EQ(t.NameOf(1), "b.png");
    EXPECT_EQ(t.NameOf(2), "");
    t.Clear();
    EXPECT_TRUE(t.keys.empty());
    EXPECT_TRUE(t.names.empty());
}

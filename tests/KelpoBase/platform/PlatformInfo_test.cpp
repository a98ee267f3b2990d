#include "KelpoBase/platform/PlatformInfo.h"

#include "KelpoBase/core/DataStream.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(PlatformInfoTest, FixedAnswers)
{
    EXPECT_STREQ(PlatformName(), "Windows");
    EXPECT_EQ(PlatformDeviceKind(), 13);
    EXPECT_EQ(PlatformFramesPerSecond(), 30);
    EXPECT_STREQ(PlatformUserName(), "NAME");
    const char* track = PlatformCurrentTrackName();
    EXPECT_EQ(std::strlen(track), 47u);
    EXPECT_EQ(static_cast<unsigned char>(track[16]), 0xFCu); // one Latin-1 byte
    EXPECT_EQ(GetBusSpeed(), 0);
    SystemStart(1280, 720, "");
    EXPECT_TRUE(RendererTextureFlagIs1());
    EXPECT_FALSE(RendererTextureFlagIs2());
    EXPECT_EQ(GetCpuSpeed(), 1);
    SystemShutdown();
}

TEST(PlatformInfoTest, Queues)
{
    EXPECT_EQ(TakePacket(), nullptr);
    const uint8_t first[] = {1, 2, 3};
    QueuePacket(first, 3);
    QueuePacket("ab", 2);
    std::unique_ptr<cPlusPlusNetData> p = TakePacket();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetLength(), 3u);
    EXPECT_EQ(p->ReadU8(), 1);
    EXPECT_EQ(TakePacket()->GetLength(), 2u);
    EXPECT_EQ(TakePacket(), nullptr);

    EXPECT_EQ(PopPair(), std::make_pair(0, 0));
    PushPair(1, 2);
    PushPair(3, 4);
    EXPECT_EQ(PopPair(), std::make_pair(1, 2));
    EXPECT_EQ(PopPair(), std::make_pair(3, 4));
    EXPECT_EQ(PopPair(), std::make_pair(0, 0));
}

TEST(PlatformInfoTest, SocialPostJson)
{
    SocialPost post;
    EXPECT_EQ(BuildSocialPostJson(post), "{}");
    post.name = "Tollivan";
    post.caption = "cap";
    post.imageSource = "pic.png";
    EXPECT_EQ(BuildSocialPostJson(post),
              "{\"name\":\"Tollivan\",\"caption\":\"cap\",\"media\":[{\"type\":\"image\",\"src\":\"pic.png\"}]}");
    post.link = "http://a";
    post.description = "say \"hi\"";
    post.imageLink = "http://b";
    EXPECT_EQ(BuildSocialPostJson(post),
              "{\"name\":\"Tollivan\",\"href\":\"http://a\",\"caption\":\"cap\",\"description\":\"say \\\"hi\\\"\","
              "\"media\":[{\"type\":\"image\",\"src\":\"pic.png\",\"href\":\"http://b\"}]}");
}

TEST(PlatformInfoTest, SixIntsAndPosts)
{
    SetSixInts(1, 2, 3, 4, 5);
    int32_t six[6] = {9, 9, 9, 9, 9, 9};
    GetSixInts(six);
    EXPECT_EQ(six[4], 5);
    EXPECT_EQ(six[5], 0);

    QueuePost("n", u"a", u"b", u"c", 1.5f); // no listener: nothing
    cPlatformListener listener;
    SetPlatformListener(&listener);
    QueuePost("n", u"a", u"b", u"c", 1.5f);
    ASSERT_EQ(listener.posts.size(), 1u);
    EXPECT_EQ(listener.posts.front().first, u"a");
    EXPECT_EQ(listener.posts.front().narrow, "n");
    EXPECT_EQ(listener.posts.front().third, u"c");
    listener.ClearPosts();
    EXPECT_TRUE(listener.posts.empty());
    SetPlatformListener(nullptr);
}

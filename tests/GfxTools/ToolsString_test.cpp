#include "GfxTools/ToolsString.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ToolsString, EmptyAndExactGrowth)
{
    CToolsString s;
    EXPECT_EQ(s.size(), 0u);
    EXPECT_EQ(s.capacity(), 1u);
    EXPECT_EQ(s.c_str()[0], 0);
    s.append("abc");
    EXPECT_EQ(s.capacity(), 4u);
    s.append("d");
    EXPECT_EQ(s.capacity(), 5u);
    EXPECT_STREQ(s.c_str(), "abcd");
    // Assigning fewer bytes than the buffer holds reuses it.
    s.assign("xy");
    EXPECT_EQ(s.capacity(), 5u);
    s.push_back('z');
    EXPECT_EQ(s, "xyz");
    s.reserve(10);
    EXPECT_EQ(s.capacity(), 11u);
    EXPECT_EQ(s.max_size(), 0x7FFFFFFFu);
}

TEST(ToolsString, ConstructionAssignmentAndAppendForms)
{
    EXPECT_EQ(CToolsString("hello", 3), "hel");
    EXPECT_EQ(CToolsString('q'), "q");
    EXPECT_EQ(CToolsString(3, '-'), "---");
    const CToolsString base("abcdef");
    EXPECT_EQ(CToolsString(base, 2), "cdef");
    EXPECT_EQ(CToolsString(base, 1, 2), "bc");
    EXPECT_EQ(CToolsString(base, 9), "");
    CToolsString s;
    s = 'x';
    EXPECT_EQ(s, "x");
    s += "yz";
    s += CToolsString("!");
    s.append(base, 4, 10);
    s.append(2, '.');
    EXPECT_EQ(s, "xyz!ef..");
    s = s; // self-assignment keeps the text
    EXPECT_EQ(s, "xyz!ef..");
    s.append(s); // appending itself
    EXPECT_EQ(s, "xyz!ef..xyz!ef..");
    EXPECT_EQ(CToolsString("a") + "b" + CToolsString("c"), "abc");
    EXPECT_EQ("p" + CToolsString("q"), "pq");
    CToolsString t("ab");
    t += 'c';
    EXPECT_EQ(t.size(), 3u);
    EXPECT_EQ(t[2], 'c');
}

TEST(ToolsString, ResizeEraseSwapLower)
{
    CToolsString s("abcd");
    s.resize(2);
    EXPECT_EQ(s, "ab");
    s.resize(4);
    EXPECT_EQ(s.size(), 4u);
    EXPECT_EQ(std::memcmp(s.c_str(), "ab\0\0", 5), 0);

    CToolsString e("0123456789");
    e.erase(2, 3);
    EXPECT_EQ(e, "0156789");
    e.erase(4);
    EXPECT_EQ(e, "0156");
    e.erase(6, CToolsString::npos); // past the end: extends with zeros
    EXPECT_EQ(e.size(), 6u);
    EXPECT_EQ(e[5], 0);

    CToolsString a("one"), b("three");
    a.swap(b);
    EXPECT_EQ(a, "three");
    EXPECT_EQ(b, "one");
    CToolsString mixed("MiXeD 123 \xC4");
    mixed.toLower();
    EXPECT_EQ(mixed, "mixed 123 \xC4");
}

TEST(ToolsString, ComparisonIsUnsignedBytewise)
{
    EXPECT_LT(CToolsString("abc").compare("abd"), 0);
    EXPECT_GT(CToolsString("abc").compare("ab"), 0);
    EXPECT_EQ(CToolsString("abc").compare(CToolsString("abc")), 0);
    EXPECT_TRUE(CToolsString("a") < CToolsString("\x80")); // 0x80 orders above 'a'
    EXPECT_TRUE("b" > CToolsString("a"));
    EXPECT_TRUE(CToolsString("a") <= "a");
    EXPECT_TRUE(CToolsString("a") != "b");
    EXPECT_EQ(CToolsString("hello").compare(1, 3, "ell"), 0);
    EXPECT_EQ(CToolsString("hello").compare(3, 10, CToolsString("lo")), 0);
    // A start past the end compares as the empty string instead of stopping the program.
    EXPECT_LT(CToolsString("hi").compare(5, 1, "x"), 0);
}

TEST(ToolsString, Searches)
{
    const CToolsString s("a/b.c/d.e");
    const auto npos = CToolsString::npos;
    EXPECT_EQ(s.find('/'), 1u);
    EXPECT_EQ(s.find("/d"), 5u);
    EXPECT_EQ(s.find('/', 2), 5u);
    EXPECT_EQ(s.find('a', 9), npos);
    EXPECT_EQ(s.find_first_of("./"), 1u);
    EXPECT_EQ(s.find_first_not_of("a/"), 2u);
    EXPECT_EQ(s.find_last_of('/'), 5u);
    EXPECT_EQ(s.find_last_of('.', 2), 3u); // from index 6 down
    EXPECT_EQ(s.find_last_not_of("e."), 6u);
    EXPECT_EQ(s.rfind('.'), 7u);
    EXPECT_EQ(s.rfind("b.c"), 2u);
    EXPECT_EQ(s.rfind('.', 9), npos);
    EXPECT_EQ(CToolsString().find_last_of("x"), npos);
    EXPECT_EQ(CToolsString().find('x'), npos);
    EXPECT_EQ(s.substr(2, 3), "b.c");
    EXPECT_EQ(s.substr(8, 5), "e");
}

TEST(ToolsString, PathHelpers)
{
    EXPECT_EQ(ToolsPathDirectory("data/models/a.pod"), "data/models");
    EXPECT_EQ(ToolsPathDirectory("c:\\x\\y.pod"), "c:\\x");
    EXPECT_EQ(ToolsPathDirectory("plain.pod"), "");
    EXPECT_EQ(ToolsPathFileName("data/models/a.pod"), "a.pod");
    EXPECT_EQ(ToolsPathFileName("plain.pod"), "plain.pod");
    EXPECT_EQ(ToolsPathExtension("a.b.pod"), "pod");
    EXPECT_EQ(ToolsPathExtension("noext"), "");
    EXPECT_EQ(ToolsStripLeadingSpace(" \t x y"), "x y");
    EXPECT_EQ(ToolsStripLeadingSpace("   "), "");
}

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "KelpoBase/core/TextUtil.h"

TEST(FormatTime, FieldsAndSeparators)
{
    struct Case
    {
        uint32_t ms;
        uint32_t flags;
        const char* expected;
    };
    const Case cases[] = {
        {1234567, 2 | 4 | 8, "20:34.56"},
        {1234567, 1 | 2 | 4 | 8, "0:20:34.56"},
        {59999, 4 | 8, "59.99"},
        {61000, 4, "61"},
        {61000, 2 | 4, "01:01"},
        {3 * 3600000u + 5 * 60000u + 7000u, 1 | 4, "311107"}, // hours, then whole seconds with no ':'
        {3 * 3600000u + 5 * 60000u + 7000u, 1 | 2, "3:05"}, // minutes taken modulo 60
        {7200000u + 65000u, 2, "121"},                      // without hours, minutes run on
        {5, 8, "00"},
        {0, 0, ""},
        {UINT32_MAX, 1 | 2 | 4 | 8, "1193:02:47.29"},
    };
    for (const Case& c : cases)
    {
        std::string out = "junk";
        EXPECT_EQ(FormatTime(out, c.ms, c.flags), c.expected) << c.ms << " flags " << c.flags;
    }
}

TEST(FormatTime, FromSeconds)
{
    std::string out;
    EXPECT_EQ(FormatMilliseconds(out, 2 | 4 | 8, 12.3456f), "00:12.34");
    EXPECT_EQ(FormatMilliseconds(out, 4 | 8, 0.0f), "00.00");
    // Values beyond any integer do not crash the conversion.
    EXPECT_EQ(FormatMilliseconds(out, 4, NAN), "00");
    EXPECT_EQ(FormatMilliseconds(out, 4, INFINITY), "00");
    // Negative times wrap through the low 32 bits, as the display always did.
    EXPECT_EQ(FormatMilliseconds(out, 8, -0.01f), FormatTime(out, static_cast<uint32_t>(-10), 8));
}

TEST(FormatToBuffer, AlwaysTerminatedAndReportsCuts)
{
    const std::string seventy(70, 'x');
    char buffer[64];
    EXPECT_EQ(FormatToBuffer(buffer, sizeof buffer, "%s", seventy.c_str()), -1);
    EXPECT_EQ(std::string(buffer), std::string(63, 'x'));

    // Exactly as long as the buffer: the count comes back, and the last character gives
    // way to the terminator. One character more did not fit.
    EXPECT_EQ(FormatToBuffer(buffer, 4, "%s", "abcd"), 4);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(FormatToBuffer(buffer, 4, "%s", "abcde"), -1);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(FormatToBuffer(buffer, 4, "%d", 123), 3);
    EXPECT_STREQ(buffer, "123");
    EXPECT_EQ(FormatToBuffer(buffer, 0, "%d", 1), -1);
}

TEST(FormatString, AnyLength)
{
    std::string out = "old";
    EXPECT_EQ(FormatString(out, "%s-%d", std::string(500, 'a').c_str(), 7), std::string(500, 'a') + "-7");
    EXPECT_EQ(out.size(), 502u);
    EXPECT_EQ(FormatString(out, "%s", ""), "");
}

TEST(FormatWideToBuffer, SixteenBitText)
{
    char16_t buffer[8];
    EXPECT_EQ(FormatWideToBuffer(buffer, 8, u"%d:%s", 42, "ab"), 5);
    EXPECT_EQ(std::u16string(buffer), u"42:ab");
    EXPECT_LT(FormatWideToBuffer(buffer, 4, u"%d", 123456), 0);
    EXPECT_EQ(buffer[3], u'\0');
}

TEST(NumberText, ToAndFrom)
{
    EXPECT_EQ(IntToString(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(UIntToString(4294967295u), "4294967295");
    std::string text = "v=";
    AppendIntText(text, -3);
    AppendUIntText(text, 4);
    AppendFloatText(text, 1.5f);
    EXPECT_EQ(text, "v=-341.500000");

    struct Case
    {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {{"  42xyz", 42}, {"-17", -17}, {"+8", 8}, {"abc", 0}, {"", 0}, {"\t\n 9", 9}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(StringToInt(c.text), c.value) << c.text;
        EXPECT_EQ(CStringToInt(c.text), c.value) << c.text;
    }
}

TEST(Compare, CaseAndPrefixes)
{
    EXPECT_EQ(StrCaseCompare("Width", "WIDTH"), 0);
    EXPECT_LT(StrCaseCompare("a", "B"), 0);
    EXPECT_GT(StrCaseCompare(std::string("abc"), "ab"), 0);
    EXPECT_EQ(StrCaseCompare("-screenWidth", std::string("-SCREENWIDTH")), 0);
    EXPECT_LT(StrCompare("a", "b"), 0);
    EXPECT_GT(StrCompare("a", "B"), 0);
    // Signed bytes: a byte above 127 sorts before plain ASCII.
    EXPECT_LT(StrCompare("\xe9", "a"), 0);

    EXPECT_TRUE(StringStartsWith("", "abc"));
    EXPECT_TRUE(StringStartsWith("ab", "abc"));
    EXPECT_FALSE(StringStartsWith("abcd", "abc"));
    EXPECT_FALSE(StringStartsWith("b", "abc"));
}

TEST(PathPieces, Table)
{
    struct Case
    {
        const char* path;
        const char* directory;
        const char* fileName;
        const char* extension;
        const char* withoutExtension;
    };
    const Case cases[] = {
        {"res/audio/button_forward.ogg", "res/audio", "button_forward.ogg", "ogg", "res/audio/button_forward"},
        {"button_forward.ogg", "", "button_forward.ogg", "ogg", "button_forward"},
        // The last '.' may lie in a folder name: the extension then runs past '/'.
        {"res/old.maps/readme", "res/old.maps", "readme", "maps/readme", "res/old"},
        {"noext", "", "noext", "", "noext"},
        {"/top", "", "top", "", "/top"},
        {"a/b/", "a/b", "", "", "a/b/"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(DirectoryOfPath(c.path), c.directory) << c.path;
        EXPECT_EQ(FileNameOfPath(c.path), c.fileName) << c.path;
        EXPECT_EQ(FileExtension(c.path), c.extension) << c.path;
        EXPECT_EQ(RemoveExtension(c.path), c.withoutExtension) << c.path;
    }
}

TEST(PathPieces, JoinMakeAndSetExtension)
{
    EXPECT_EQ(JoinPath("res", "maps/a.cgla"), "res/maps/a.cgla");
    EXPECT_EQ(JoinPath("res\\maps\\", "x\\"), "res/maps//x");
    EXPECT_EQ(JoinPath("", "x"), "/x");
    EXPECT_EQ(MakePath("\"res\\maps\\\""), "res/maps");
    EXPECT_EQ(MakePath(std::string("a/b/")), "a/b");
    EXPECT_EQ(MakePath(static_cast<const char*>(nullptr)), "");

    struct Case
    {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {{"res/a.png", "jp2", "res/a.jp2"},
                          {"res/a.png", ".jp2", "res/a.jp2"},
                          {"res/a.png", "", "res/a"},
                          {"res/a", "pvr", "res/a.pvr"},
                          {"a.b.c", "d", "a.b.d"}};
    for (const Case& c : cases)
    {
        std::string path = c.path;
        SetExtension(path, c.extension);
        EXPECT_EQ(path, c.expected) << c.path << " + " << c.extension;
    }
}

TEST(SplitAndTrim, Pieces)
{
    EXPECT_EQ(SplitString(",a,,b,", ","), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitString("one two\tthree", " \t"), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_TRUE(SplitString(",,,", ",").empty());
    EXPECT_TRUE(SplitString("", ",").empty());
    EXPECT_EQ(SplitString("abc", ""), (std::vector<std::string>{"abc"}));

    std::string text = "  \thello \t ";
    EXPECT_EQ(TrimLeft(text, " \t"), "hello \t ");
    EXPECT_EQ(TrimRight(text, " \t"), "hello");
    std::string all = "xxxx";
    EXPECT_EQ(TrimRight(all, "x"), "");
    all = "xxxx";
    EXPECT_EQ(TrimLeft(all, "x"), "");
}

TEST(BreakIntoLines, FillsLinesAndBreaksLongWordsAtTheirFolders)
{
    struct Case
    {
        const char* text;
        size_t columns;
        const char* lines;
    } cases[] = {
        {"short", 10, "short"},
        {"", 10, ""},
        {"one two three four", 9, "one two\nthree\nfour"},
        {"one two three", 7, "one two\nthree"},           // a line exactly full
        {"a  b   c", 80, "a b c"},                          // runs of spaces become one
        {"  leading and trailing  ", 80, "leading and trailing"},
        {"first line\nsecond line", 6, "first\nline\nsecond\nline"}, // breaks already there are kept
        {"end\n", 80, "end\n"},
        {"in /home/player/games/data/res/x.bin.", 16, "in\n/home/player/\ngames/data/res/\nx.bin."},
        {"abcdefghij", 4, "abcd\nefgh\nij"},              // no folder to break at
        {"/abcdefgh", 4, "/abc\ndefg\nh"},                // a leading '/' is no place to break
        {"a \xC3\xA9\xC3\xA9\xC3\xA9", 3, "a\n\xC3\xA9\n\xC3\xA9\n\xC3\xA9"}, // never inside a character
        {"unchanged by zero columns", 0, "unchanged by zero columns"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BreakIntoLines(c.text, c.columns), c.lines) << c.text << " in " << c.columns;
}

TEST(CharArrays, CopyAppendFind)
{
    char buffer[200];
    char* end = StrCopy(buffer, "abc");
    EXPECT_EQ(end, buffer + 3);
    EXPECT_EQ(StrLength(buffer), 3u);
    StrAppend(buffer, "DEF");
    EXPECT_STREQ(buffer, "abcDEF");
    StrToLower(buffer);
    EXPECT_STREQ(buffer, "abcdef");
    StrReverse(buffer);
    EXPECT_STREQ(buffer, "fedcba");
    ReverseRange(buffer + 1, buffer + 2);
    EXPECT_STREQ(buffer, "fdecba");

    EXPECT_EQ(StrFindChar(buffer, 'c'), buffer + 3);
    EXPECT_EQ(StrFindChar(buffer, 0), buffer + 6);
    EXPECT_EQ(StrFindChar(buffer, 'z'), nullptr);

    const std::string longText(300, 'q');
    char name[128];
    StrCopy128(name, longText.c_str());
    EXPECT_EQ(StrLength(name), 127u);

    char small[8] = "abc";
    StrAppendBounded(small, sizeof small, "defghijk");
    EXPECT_STREQ(small, "abcdefg");
    StrAppendBounded(small, sizeof small, "x");
    EXPECT_STREQ(small, "abcdefg");

    EXPECT_TRUE(IsDigitChar('0'));
    EXPECT_TRUE(IsDigitChar('9'));
    EXPECT_FALSE(IsDigitChar('a'));
}

TEST(CharArrays, IntToText)
{
    struct Case
    {
        int32_t value;
        int base;
        int width;
        char fill;
        const char* expected;
    };
    const Case cases[] = {
        {-5, 10, 4, '0', "00-5"}, // the fill comes before the sign
        {255, 16, 0, ' ', "ff"},
        {5, 2, 8, '0', "00000101"},
        {0, 10, 0, ' ', "0"},
        {-2147483647 - 1, 10, 0, ' ', "-2147483648"},
        {7, 17, 3, '0', ""},
        {7, 1, 3, '0', ""},
        {42, 10, 1, '#', "42"},
    };
    for (const Case& c : cases)
    {
        char buffer[64];
        EXPECT_STREQ(IntToText(buffer, c.value, c.base, c.width, c.fill), c.expected) << c.value << " base " << c.base;
    }
    char buffer[64];
    EXPECT_STREQ(IntToTextDecimal(buffer, 7, 3, '0'), "007");
    EXPECT_STREQ(IntToTextBase(buffer, 10, 8), "12");
    EXPECT_STREQ(IntToTextBase(buffer, 10, 0), "");
}

TEST(CharArrays, Wildcards)
{
    struct Case
    {
        const char* pattern;
        const char* text;
        bool matches;
    };
    const Case cases[] = {
        {"*.png", "title.png", true},  {"*.png", "title.pngx", false}, {"a?c", "abc", true},
        {"a?c", "ac", false},          {"*", "", true},                {"**", "", true},
        {"", "", true},                {"?", "", false},               {"a*b*c", "aXXbYYbc", true},
        {"*.PNG", "title.png", false}, {"a*", "a", true},              {"*x", "abc", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.text), c.matches) << c.pattern << " / " << c.text;
}

TEST(CharArrays, TextToDouble)
{
    struct Case
    {
        const char* text;
        double value;
    };
    const Case cases[] = {{"1.5", 1.5},        {"  -2.25", -2.25},    {"+3", 3.0},        {"1e3", 1000.0},
                          {"2.5E-2", 0.025},   {".5", 0.5},           {"7.", 7.0},        {"12abc", 12.0},
                          {"1e", 1.0},         {"123456789012345678901234", 1.2345678901234568e23},
                          {"0.000000000000000000000000000001", 1e-30}};
    for (const Case& c : cases)
    {
        errno = 0;
        EXPECT_DOUBLE_EQ(CStringToDouble(c.text), c.value) << c.text;
        EXPECT_EQ(errno, 0) << c.text;
    }
    EXPECT_FLOAT_EQ(CStringToFloat("0.1"), 0.1f);

    errno = 0;
    EXPECT_EQ(CStringToDouble("abc"), 0.0);
    EXPECT_EQ(errno, ERANGE);
    errno = 0;
    EXPECT_EQ(CStringToDouble("1e2000"), HUGE_VAL);
    EXPECT_EQ(errno, ERANGE);
    errno = 0;
    EXPECT_EQ(CStringToDouble("-1e400"), -HUGE_VAL);
    EXPECT_EQ(errno, ERANGE);
    // Exponents below -1021, and values that underflow on the way, are range errors
    // that come back as 0; a tiny value that still exists is not.
    for (const char* tiny : {"1e-2000", "1e-1030", "-1e-1022", "123456789e-1030", "1e-400"})
    {
        errno = 0;
        EXPECT_EQ(CStringToDouble(tiny), 0.0) << tiny;
        EXPECT_EQ(errno, ERANGE) << tiny;
    }
    errno = 0;
    EXPECT_GT(CStringToDouble("1e-320"), 0.0);
    EXPECT_EQ(errno, 0);
}

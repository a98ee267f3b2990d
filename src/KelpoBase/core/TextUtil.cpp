#include "KelpoBase/core/TextUtil.h"

#include "KelpoBase/core/FileSystem.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>

// ---- Formatting --------------------------------------------------------------

int FormatToBufferV(char* buffer, size_t size, const char* format, va_list args)
{
    if (!buffer || size == 0)
        return -1;
    const int needed = std::vsnprintf(buffer, size, format, args);
    buffer[size - 1] = '\0';
    if (needed < 0)
    {
        buffer[0] = '\0';
        return -1;
    }
    // The C library answers the length the whole text needs. A text of up to size
    // characters counts as written (one exactly as long as the buffer loses its last
    // character to the terminator); a longer one did not fit, which is reported as -1.
    if (static_cast<size_t>(needed) > size)
        return -1;
    return needed;
}

int FormatToBuffer(char* buffer, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int result = FormatToBufferV(buffer, size, format, args);
    va_end(args);
    return result;
}

int FormatWideToBufferV(char16_t* buffer, size_t size, const char16_t* format, va_list args)
{
    if (!buffer || size == 0)
        return -1;
    std::wstring wideFormat;
    for (const char16_t* p = format; p && *p; ++p)
        wideFormat.push_back(static_cast<wchar_t>(*p));
    std::vector<wchar_t> wide(size, L'\0');
    const int result = std::vswprintf(wide.data(), size, wideFormat.c_str(), args);
    wide[size - 1] = L'\0';
    size_t i = 0;
    for (; i + 1 < size && wide[i] != L'\0'; ++i)
        buffer[i] = static_cast<uint32_t>(wide[i]) > 0xFFFF ? u'?' : static_cast<char16_t>(wide[i]);
    buffer[i] = u'\0';
    buffer[size - 1] = u'\0';
    return result < 0 ? -1 : result;
}

int FormatWideToBuffer(char16_t* buffer, size_t size, const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int result = FormatWideToBufferV(buffer, size, format, args);
    va_end(args);
    return result;
}

std::string& FormatStringV(std::string& out, const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0)
    {
        out.clear();
        return out;
    }
    out.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    return out;
}

std::string& FormatString(std::string& out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
    return out;
}

namespace
{
void AppendPadded(std::string& out, uint32_t value, size_t minDigits)
{
    std::string digits = UIntToString(value);
    while (digits.size() < minDigits)
        digits.insert(digits.begin(), '0');
    out += digits;
}
} // namespace

std::string& FormatTime(std::string& out, uint32_t ms, uint32_t flags)
{
    out.clear();
    if (flags & kTimeHours)
    {
        AppendPadded(out, ms / 3600000u, 0);
        if (flags & kTimeMinutes)
            out += ':';
    }
    if (flags & kTimeMinutes)
    {
        uint32_t minutes = ms / 60000u;
        if (flags & kTimeHours)
            minutes %= 60;
        AppendPadded(out, minutes, 2);
        if (flags & kTimeSeconds)
            out += ':';
    }
    if (flags & kTimeSeconds)
    {
        uint32_t seconds = ms / 1000u;
        if (flags & kTimeMinutes)
            seconds %= 60;
        AppendPadded(out, seconds, 2);
        if (flags & kTimeHundredths)
            out += '.';
    }
    if (flags & kTimeHundredths)
        AppendPadded(out, (ms % 1000u) / 10u, 2);
    return out;
}

std::string& FormatMilliseconds(std::string& out, uint32_t flags, float seconds)
{
    // The product is truncated to 64 bits and its low 32 bits are used. Values that
    // do not fit 64 bits (and NaN) would make the conversion undefined: they count as 0.
    const float product = seconds * 1000.0f;
    int64_t ms = 0;
    if (std::isfinite(product) && std::fabs(product) < 9.2e18f)
        ms = static_cast<int64_t>(product);
    return FormatTime(out, static_cast<uint32_t>(static_cast<uint64_t>(ms)), flags);
}

// ---- Numbers and comparisons ---------------------------------------------------

std::string IntToString(int32_t value)
{
    char buffer[64];
    FormatToBuffer(buffer, sizeof buffer, "%d", value);
    return buffer;
}

std::string UIntToString(uint32_t value)
{
    char buffer[64];
    FormatToBuffer(buffer, sizeof buffer, "%u", value);
    return buffer;
}

void AppendIntText(std::string& text, int32_t value) { text += IntToString(value); }
void AppendUIntText(std::string& text, uint32_t value) { text += UIntToString(value); }

void AppendFloatText(std::string& text, float value)
{
    // The longest "%f" of a float (of -FLT_MAX) is 47 characters: it always fits.
    char buffer[64];
    FormatToBuffer(buffer, sizeof buffer, "%f", static_cast<double>(value));
    text += buffer;
}

int32_t StringToInt(const std::string& text) { return CStringToInt(text.c_str()); }

bool StringStartsWith(const std::string& prefix, const std::string& text)
{
    if (prefix.size() > text.size())
        return false;
    return text.compare(0, prefix.size(), prefix) == 0;
}

int32_t StrCaseCompare(const char* a, const char* b)
{
    for (;; ++a, ++b)
    {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb)
            return ca - cb;
        if (ca == 0)
            return 0;
    }
}

int32_t StrCaseCompare(const std::string& a, const char* b) { return StrCaseCompare(a.c_str(), b); }
int32_t StrCaseCompare(const char* a, const std::string& b) { return StrCaseCompare(a, b.c_str()); }
int32_t StrCaseCompare(const std::string& a, const std::string& b) { return StrCaseCompare(a.c_str(), b.c_str()); }

int32_t StrCompare(const char* a, const char* b)
{
    for (;; ++a, ++b)
    {
        const int ca = static_cast<signed char>(*a);
        const int cb = static_cast<signed char>(*b);
        if (ca != cb)
            return ca - cb;
        if (ca == 0)
            return 0;
    }
}

int32_t StrCompare(const std::string& a, const std::string& b) { return StrCompare(a.c_str(), b.c_str()); }

// ---- Path pieces ---------------------------------------------------------------

std::string MakePath(const char* text)
{
    std::string path = text ? text : "";
    NormalisePath(path);
    return path;
}

std::string MakePath(const std::string& text)
{
    std::string path = text;
    NormalisePath(path);
    return path;
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    std::string path;
    path.reserve(a.size() + 1 + b.size());
    path += a;
    path += '/';
    path += b;
    NormalisePath(path);
    return path;
}

std::string FileNameOfPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOfPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    std::string dir = path.substr(0, slash + 1);
    NormalisePath(dir);
    return dir;
}

std::string FileExtension(const std::string& path)
{
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string RemoveExtension(const std::string& path)
{
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(0, dot);
}

void SetExtension(std::string& path, const std::string& extension)
{
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos)
        path.erase(dot);
    if (extension.empty())
        return;
    if (extension[0] != '.')
        path += '.';
    path += extension;
}

std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters)
{
    std::vector<std::string> pieces;
    size_t start = text.find_first_not_of(delimiters);
    while (start != std::string::npos)
    {
        const size_t end = text.find_first_of(delimiters, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = text.find_first_not_of(delimiters, end);
    }
    return pieces;
}

std::string& TrimLeft(std::string& text, const std::string& characters)
{
    const size_t first = text.find_first_not_of(characters);
    text.erase(0, first == std::string::npos ? text.size() : first);
    return text;
}

std::string& TrimRight(std::string& text, const std::string& characters)
{
    const size_t last = text.find_last_not_of(characters);
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

namespace
{
// Where a word too long for a line is cut: after the last '/' within the line, else at the
// line's end, moved back to the start of a UTF-8 character; always at least one byte on.
size_t LongWordCut(const std::string& word, size_t columns)
{
    const size_t slash = word.rfind('/', columns - 1);
    if (slash != std::string::npos && slash > 0)
        return slash + 1;
    size_t cut = columns;
    while (cut > 1 && (static_cast<unsigned char>(word[cut]) & 0xC0u) == 0x80u)
        --cut;
    return cut;
}

void BreakParagraph(const std::string& paragraph, size_t columns, std::string& out)
{
    std::string line;
    for (std::string word : SplitString(paragraph, " "))
    {
        if (!line.empty() && line.size() + 1 + word.size() <= columns)
        {
            line += ' ';
            line += word;
            continue;
        }
        if (!line.empty())
        {
            out += line;
            out += '\n';
            line.clear();
        }
        while (word.size() > columns)
        {
            const size_t cut = LongWordCut(word, columns);
            out.append(word, 0, cut);
            out += '\n';
            word.erase(0, cut);
        }
        line = word;
    }
    out += line;
}
} // namespace

std::string BreakIntoLines(const std::string& text, size_t columns)
{
    if (columns == 0)
        return text;
    std::string out;
    size_t start = 0;
    while (true)
    {
        const size_t end = text.find('\n', start);
        BreakParagraph(text.substr(start, end == std::string::npos ? std::string::npos : end - start), columns, out);
        if (end == std::string::npos)
            return out;
        out += '\n';
        start = end + 1;
    }
}

// ---- Character arrays ------------------------------------------------------------

size_t StrLength(const char* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

char* StrCopy(char* dst, const char* src)
{
    while ((*dst = *src) != '\0')
    {
        ++dst;
        ++src;
    }
    return dst;
}

char* StrCopy128(char* dst, const char* src)
{
    size_t i = 0;
    for (; i < 127 && src[i]; ++i)
        dst[i] = src[i];
    dst[i] = '\0';
    return dst;
}

char* StrAppend(char* dst, const char* src)
{
    StrCopy(dst + StrLength(dst), src);
    return dst;
}

char* StrAppendBounded(char* dst, size_t size, const char* src)
{
    if (size == 0)
        return dst;
    size_t n = 0;
    while (n < size && dst[n])
        ++n;
    if (n >= size)
    {
        dst[size - 1] = '\0';
        return dst;
    }
    while (n + 1 < size && *src)
        dst[n++] = *src++;
    dst[n] = '\0';
    return dst;
}

const char* StrFindChar(const char* s, int c)
{
    const char wanted = static_cast<char>(c);
    for (;; ++s)
    {
        if (*s == wanted)
            return s;
        if (*s == '\0')
            return nullptr;
    }
}

char* StrFindChar(char* s, int c) { return const_cast<char*>(StrFindChar(static_cast<const char*>(s), c)); }

void StrToLower(char* s)
{
    for (; *s; ++s)
        *s = static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
}

void ReverseRange(char* first, char* last)
{
    while (first < last)
    {
        const char t = *first;
        *first++ = *last;
        *last-- = t;
    }
}

void StrReverse(char* s)
{
    const size_t n = StrLength(s);
    if (n > 1)
        ReverseRange(s, s + n - 1);
}

bool IsDigitChar(int c) { return c >= '0' && c <= '9'; }

namespace
{
bool IsSpaceChar(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
} // namespace

int32_t CStringToInt(const char* s)
{
    while (IsSpaceChar(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    // Accumulated unsigned so that overflow wraps instead of being undefined.
    uint32_t value = 0;
    while (IsDigitChar(*s))
        value = value * 10u + static_cast<uint32_t>(*s++ - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

double CStringToDouble(const char* s)
{
    while (IsSpaceChar(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';

    // Up to 18 significant digits go into the mantissa; later integer digits only
    // raise the exponent and later fraction digits are dropped, so that long texts
    // neither overflow the mantissa nor lose their scale.
    double mantissa = 0.0;
    int64_t exponent = 0;
    int significant = 0;
    int digits = 0;
    while (IsDigitChar(*s))
    {
        if (significant < 18)
        {
            mantissa = mantissa * 10.0 + (*s - '0');
            if (mantissa != 0.0)
                ++significant;
        }
        else
        {
            ++exponent;
        }
        ++digits;
        ++s;
    }
    if (*s == '.')
    {
        ++s;
        while (IsDigitChar(*s))
        {
            if (significant < 18)
            {
                mantissa = mantissa * 10.0 + (*s - '0');
                --exponent;
                if (mantissa != 0.0)
                    ++significant;
            }
            ++digits;
            ++s;
        }
    }
    if (digits == 0)
    {
        errno = ERANGE;
        return 0.0;
    }
    if (*s == 'e' || *s == 'E')
    {
        const char* mark = s;
        ++s;
        bool expNegative = false;
        if (*s == '+' || *s == '-')
            expNegative = *s++ == '-';
        if (!IsDigitChar(*s))
        {
            s = mark;
        }
        else
        {
            int64_t e = 0;
            while (IsDigitChar(*s))
            {
                if (e < 100000)
                    e = e * 10 + (*s - '0');
                ++s;
            }
            exponent += expNegative ? -e : e;
        }
    }
    if (mantissa == 0.0)
        return negative ? -0.0 : 0.0;
    if (exponent > 1024)
    {
        errno = ERANGE;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (exponent < -1021)
    {
        // Below the smallest double whatever the mantissa: a range error, and the value
        // underflows to 0 (not the huge value, which would turn a tiny number huge).
        errno = ERANGE;
        return negative ? -0.0 : 0.0;
    }
    double factor = 10.0;
    uint64_t magnitude = exponent < 0 ? static_cast<uint64_t>(-exponent) : static_cast<uint64_t>(exponent);
    double result = mantissa;
    while (magnitude)
    {
        if (magnitude & 1)
            result = exponent < 0 ? result / factor : result * factor;
        magnitude >>= 1;
        factor *= factor;
    }
    if (result > std::numeric_limits<double>::max())
    {
        errno = ERANGE;
        result = HUGE_VAL;
    }
    else if (result == 0.0)
    {
        // A non-zero text whose value underflowed.
        errno = ERANGE;
    }
    return negative ? -result : result;
}

float CStringToFloat(const char* s) { return static_cast<float>(CStringToDouble(s)); }

bool WildcardMatch(const char* pattern, const char* text)
{
    const char* starPattern = nullptr;
    const char* starText = nullptr;
    while (*text)
    {
        if (*pattern == '*')
        {
            starPattern = ++pattern;
            starText = text;
        }
        else if (*pattern == '?' || *pattern == *text)
        {
            ++pattern;
            ++text;
        }
        else if (starPattern)
        {
            pattern = starPattern;
            text = ++starText;
        }
        else
        {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

char* IntToText(char* buffer, int32_t value, int base, int width, char fill)
{
    char* p = buffer;
    if (base < 2 || base > 16)
    {
        *p = '\0';
        return buffer;
    }
    static const char kDigits[] = "0123456789abcdef";
    // The magnitude as unsigned, so that the most negative value has one too.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do
    {
        *p++ = kDigits[magnitude % static_cast<uint32_t>(base)];
        magnitude /= static_cast<uint32_t>(base);
    } while (magnitude);
    if (value < 0)
        *p++ = '-';
    while (p - buffer < width)
        *p++ = fill;
    *p = '\0';
    StrReverse(buffer);
    return buffer;
}

char* IntToTextBase(char* buffer, int32_t value, int base) { return IntToText(buffer, value, base, 0, ' '); }

char* IntToTextDecimal(char* buffer, int32_t value, int width, char fill)
{
    return IntToText(buffer, value, 10, width, fill);
}

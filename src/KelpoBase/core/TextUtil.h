// Text helpers: numbers and times to text, text to numbers, comparisons, bounded
// formatting, path pieces and plain character-array helpers.
//
// Paths use '/' as separator, carry no trailing '/' and are relative to the working
// folder; NormalisePath (FileSystem.h) brings any path text into that form.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

// ---- Formatting --------------------------------------------------------------

// printf-style formatting into a fixed buffer of size bytes; the last byte of the buffer
// is always 0, so long text is cut, never left unterminated. Returns the length of the
// text, or -1 when it was cut (did not fit with its terminator) or could not be formatted.
int FormatToBuffer(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatToBufferV(char* buffer, size_t size, const char* format, va_list args);

// The same for 16-bit characters (size in characters). The format is a 16-bit string
// whose conversions are those of the C library's wide formatter: %s takes a char*,
// %ls a wchar_t*, %c an int. Characters above 0xFFFF become '?'.
int FormatWideToBuffer(char16_t* buffer, size_t size, const char16_t* format, ...);
int FormatWideToBufferV(char16_t* buffer, size_t size, const char16_t* format, va_list args);

// printf-style formatting into out (replacing its text); returns out.
std::string& FormatString(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::string& FormatStringV(std::string& out, const char* format, va_list args);

// Time display. Flag bits: 1 hours, 2 minutes, 4 seconds, 8 hundredths.
enum : uint32_t
{
    kTimeHours = 1,
    kTimeMinutes = 2,
    kTimeSeconds = 4,
    kTimeHundredths = 8
};
std::string& FormatTime(std::string& out, uint32_t ms, uint32_t flags);
// seconds x 1000 truncated toward zero (low 32 bits), then FormatTime.
std::string& FormatMilliseconds(std::string& out, uint32_t flags, float seconds);

// ---- Numbers and comparisons ---------------------------------------------------

std::string IntToString(int32_t value);
std::string UIntToString(uint32_t value);
void AppendIntText(std::string& text, int32_t value);
void AppendUIntText(std::string& text, uint32_t value);
void AppendFloatText(std::string& text, float value); // "%f"

// atoi: leading white space, optional sign, digits; 0 when there are none.
int32_t StringToInt(const std::string& text);
// True for an empty prefix; false when the prefix is longer than the text.
bool StringStartsWith(const std::string& prefix, const std::string& text);

// 0 when equal ignoring ASCII case, else the difference of the first differing pair of
// lower-cased characters (negative when a sorts first).
int32_t StrCaseCompare(const char* a, const char* b);
int32_t StrCaseCompare(const std::string& a, const char* b);
int32_t StrCaseCompare(const char* a, const std::string& b);
int32_t StrCaseCompare(const std::string& a, const std::string& b);
// The same with case; the difference is taken between signed bytes.
int32_t StrCompare(const char* a, const char* b);
int32_t StrCompare(const std::string& a, const std::string& b);

// ---- Path pieces ---------------------------------------------------------------

std::string MakePath(const char* text);
std::string MakePath(const std::string& text);
// a + '/' + b, normalised.
std::string JoinPath(const std::string& a, const std::string& b);
// The text after the last '/' (the whole path when there is none).
std::string FileNameOfPath(const std::string& path);
// The text before the last '/' (empty when there is none), normalised.
std::string DirectoryOfPath(const std::string& path);
// The text after the last '.', even when that '.' lies in a folder name; empty when none.
std::string FileExtension(const std::string& path);
// The text before the last '.'; the whole path when there is none.
std::string RemoveExtension(const std::string& path);
// Cuts at the last '.', then appends the extension (with one '.') unless it is empty.
void SetExtension(std::string& path, const std::string& extension);
// The maximal runs of characters not among the delimiters; never an empty piece.
std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters);
// Remove the leading (trailing) run of characters that belong to the set.
std::string& TrimLeft(std::string& text, const std::string& characters);
std::string& TrimRight(std::string& text, const std::string& characters);
// Breaks text into lines of at most columns bytes, for message boxes that grow as wide as
// their longest line: words are filled greedily and the space where a line ends becomes
// '\n'; a word longer than a line (a long path) is broken after its last '/' that fits,
// else where the line is full, never inside a UTF-8 character. Line breaks already in the
// text are kept; runs of spaces between words become one. A columns of 0 changes nothing.
std::string BreakIntoLines(const std::string& text, size_t columns);

// ---- Character arrays ------------------------------------------------------------

size_t StrLength(const char* s);
// Copies src with its terminator; returns the position of the terminator in dst.
char* StrCopy(char* dst, const char* src);
// At most 127 characters and a terminator (for 128-byte buffers).
char* StrCopy128(char* dst, const char* src);
char* StrAppend(char* dst, const char* src);
// Appends while the total stays below size characters; always terminated (size > 0).
char* StrAppendBounded(char* dst, size_t size, const char* src);
// The first c in s; the terminator when c is 0; null when absent.
const char* StrFindChar(const char* s, int c);
char* StrFindChar(char* s, int c);
void StrToLower(char* s);
void StrReverse(char* s);
// Reverses the bytes from first to last inclusive.
void ReverseRange(char* first, char* last);
bool IsDigitChar(int c);
// White space, optional sign, decimal digits; stops at the first other character.
int32_t CStringToInt(const char* s);
// Decimal text to a number; sets errno to ERANGE when there are no digits or the value
// is out of range (huge value beyond range, 0 below it).
double CStringToDouble(const char* s);
float CStringToFloat(const char* s);
// '?' any one character, '*' any run (also none); other characters match themselves.
bool WildcardMatch(const char* pattern, const char* text);
// Digits from "0123456789abcdef", a '-' for negatives, fill characters up to width; the
// fill comes before the sign (-5, width 4, fill '0' gives "00-5"). A base outside 2 to
// 16 gives an empty text. The buffer must hold max(width, 33) + 1 characters.
char* IntToText(char* buffer, int32_t value, int base, int width, char fill);
char* IntToTextBase(char* buffer, int32_t value, int base);
char* IntToTextDecimal(char* buffer, int32_t value, int width, char fill);

// CToolsString: the small string class of the graphics tools code (the POD reader and
// writer and their helpers). It follows the standard string's interface over one heap
// buffer that always ends in a zero byte, and never over-allocates: assigning n bytes
// reuses the buffer when it holds more than n, otherwise takes exactly n + 1 bytes;
// appending n bytes takes exactly size + n + 1 when the buffer is too small.
//
// Comparisons order bytes as unsigned values (strcmp's order). Searches return npos when
// nothing is found; backward searches take their offset from the end of the string.
#pragma once

#include <cstddef>
#include <cstdint>

class CToolsString
{
public:
    using size_type = std::size_t;
    static constexpr size_type npos = size_type(-1);

    CToolsString();
    CToolsString(const char* text);
    CToolsString(const char* text, size_type count);
    explicit CToolsString(char c);
    CToolsString(size_type count, char c);
    CToolsString(const CToolsString& other);
    CToolsString(const CToolsString& other, size_type position, size_type count = npos);
    virtual ~CToolsString();

    // Assignment.
    CToolsString& assign(const char* text);
    CToolsString& assign(const char* text, size_type count);
    CToolsString& assign(const CToolsString& other, size_type position, size_type count);
    CToolsString& assign(size_type count, char c);
    CToolsString& operator=(const CToolsString& other);
    CToolsString& operator=(const char* text);
    CToolsString& operator=(char c);

    // Append.
    CToolsString& append(const char* text, size_type count);
    CToolsString& append(const char* text);
    CToolsString& append(const CToolsString& other);
    CToolsString& append(const CToolsString& other, size_type position, size_type count);
    CToolsString& append(size_type count, char c);
    void push_back(char c);
    CToolsString& operator+=(char c);
    CToolsString& operator+=(const char* text);
    CToolsString& operator+=(const CToolsString& other);

    // Size.
    size_type size() const { return m_Size; }
    size_type length() const { return m_Size; }
    size_type capacity() const { return m_Capacity; }
    bool empty() const { return m_Size == 0; }
    size_type max_size() const { return 0x7FFFFFFF; }
    void reserve(size_type n);
    void resize(size_type n);

    // Access.
    const char* c_str() const { return m_pString; }
    const char* data() const { return m_pString; }
    char& operator[](size_type i) { return m_pString[i]; }
    const char& operator[](size_type i) const { return m_pString[i]; }

    // Editing.
    CToolsString& erase(size_type position = 0, size_type count = npos);
    void swap(CToolsString& other);
    CToolsString& toLower();

    // Comparison: negative, 0 or positive. The positional forms compare
    // min(count, size - position) bytes from position; a position past the end compares
    // as an empty string (instead of stopping the program).
    int compare(const CToolsString& other) const;
    int compare(const char* text) const;
    int compare(size_type position, size_type count, const CToolsString& other) const;
    int compare(size_type position, size_type count, const char* text) const;

    // Searches.
    size_type find(const char* text, size_type position, size_type count) const;
    size_type find(const char* text, size_type position = 0) const;
    size_type find(const CToolsString& text, size_type position = 0) const;
    size_type find(char c, size_type position = 0) const;
    size_type rfind(const char* text, size_type offset, size_type count) const;
    size_type rfind(const char* text, size_type offset = 0) const;
    size_type rfind(const CToolsString& text, size_type offset = 0) const;
    size_type rfind(char c, size_type offset = 0) const;
    size_type find_first_of(const char* set, size_type position, size_type count) const;
    size_type find_first_of(const char* set, size_type position = 0) const;
    size_type find_first_of(const CToolsString& set, size_type position = 0) const;
    size_type find_first_of(char c, size_type position = 0) const;
    size_type find_first_not_of(const char* set, size_type position, size_type count) const;
    size_type find_first_not_of(const char* set, size_type position = 0) const;
    size_type find_first_not_of(const CToolsString& set, size_type position = 0) const;
    size_type find_first_not_of(char c, size_type position = 0) const;
    size_type find_last_of(const char* set, size_type offset, size_type count) const;
    size_type find_last_of(const char* set, size_type offset = 0) const;
    size_type find_last_of(const CToolsString& set, size_type offset = 0) const;
    size_type find_last_of(char c, size_type offset = 0) const;
    size_type find_last_not_of(const char* set, size_type offset, size_type count) const;
    size_type find_last_not_of(const char* set, size_type offset = 0) const;
    size_type find_last_not_of(const CToolsString& set, size_type offset = 0) const;
    size_type find_last_not_of(char c, size_type offset = 0) const;

    // min(count, size - position) bytes from position (empty when position is past the end).
    CToolsString substr(size_type position = 0, size_type count = npos) const;

private:
    // Replaces the buffer with exactly n + 1 bytes holding the first keep bytes.
    void Reallocate(size_type n, size_type keep);

    char* m_pString = nullptr;
    size_type m_Size = 0;
    size_type m_Capacity = 0;
};

CToolsString operator+(const CToolsString& a, const CToolsString& b);
CToolsString operator+(const CToolsString& a, const char* b);
CToolsString operator+(const char* a, const CToolsString& b);

bool operator==(const CToolsString& a, const CToolsString& b);
bool operator==(const CToolsString& a, const char* b);
bool operator==(const char* a, const CToolsString& b);
bool operator!=(const CToolsString& a, const CToolsString& b);
bool operator!=(const CToolsString& a, const char* b);
bool operator!=(const char* a, const CToolsString& b);
bool operator<(const CToolsString& a, const CToolsString& b);
bool operator<(const CToolsString& a, const char* b);
bool operator<(const char* a, const CToolsString& b);
bool operator>(const CToolsString& a, const CToolsString& b);
bool operator>(const CToolsString& a, const char* b);
bool operator>(const char* a, const CToolsString& b);
bool operator<=(const CToolsString& a, const CToolsString& b);
bool operator<=(const CToolsString& a, const char* b);
bool operator<=(const char* a, const CToolsString& b);
bool operator>=(const CToolsString& a, const CToolsString& b);
bool operator>=(const CToolsString& a, const char* b);
bool operator>=(const char* a, const CToolsString& b);

// Path helpers. The separator is the last '/', or the last '\' when there is no '/'.
CToolsString ToolsPathDirectory(const CToolsString& path); // before the separator; empty without one
CToolsString ToolsPathFileName(const CToolsString& path);  // after the separator; the whole path without one
CToolsString ToolsPathExtension(const CToolsString& path); // after the last '.'; empty without one
// The string from its first byte that is neither a space nor a tab.
CToolsString ToolsStripLeadingSpace(const CToolsString& text);

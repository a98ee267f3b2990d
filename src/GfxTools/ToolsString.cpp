#include "GfxTools/ToolsString.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace
{
char* Allocate(std::size_t bytes)
{
    auto* block = static_cast<char*>(std::malloc(bytes));
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

std::size_t Length(const char* text) { return text != nullptr ? std::strlen(text) : 0; }

// Byte-wise unsigned comparison of two ranges, shorter first on a shared prefix.
int CompareRanges(const char* a, std::size_t na, const char* b, std::size_t nb)
{
    const std::size_t n = na < nb ? na : nb;
    for (std::size_t i = 0; i < n; ++i)
    {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (na == nb)
        return 0;
    return na < nb ? -1 : 1;
}

bool InSet(char c, const char* set, std::size_t count) { return count != 0 && std::memchr(set, c, count) != nullptr; }
} // namespace

// ---- Construction ----

CToolsString::CToolsString()
{
    m_pString = Allocate(1);
    m_pString[0] = 0;
    m_Capacity = 1;
}

CToolsString::CToolsString(const char* text) : CToolsString() { assign(text); }
CToolsString::CToolsString(const char* text, size_type count) : CToolsString() { assign(text, count); }
CToolsString::CToolsString(char c) : CToolsString() { assign(1, c); }
CToolsString::CToolsString(size_type count, char c) : CToolsString() { assign(count, c); }
CToolsString::CToolsString(const CToolsString& other) : CToolsString() { assign(other.m_pString, other.m_Size); }
CToolsString::CToolsString(const CToolsString& other, size_type position, size_type count) : CToolsString()
{
    assign(other, position, count);
}

CToolsString::~CToolsString() { std::free(m_pString); }

void CToolsString::Reallocate(size_type n, size_type keep)
{
    char* block = Allocate(n + 1);
    if (keep != 0)
        std::memcpy(block, m_pString, keep);
    block[keep] = 0;
    std::free(m_pString);
    m_pString = block;
    m_Capacity = n + 1;
}

// ---- Assignment ----

CToolsString& CToolsString::assign(const char* text) { return assign(text, Length(text)); }

CToolsString& CToolsString::assign(const char* text, size_type count)
{
    if (m_Capacity > count)
    {
        // The text may lie inside this very buffer.
        if (count != 0)
            std::memmove(m_pString, text, count);
    }
    else
    {
        char* block = Allocate(count + 1);
        std::memcpy(block, text, count);
        std::free(m_pString);
        m_pString = block;
        m_Capacity = count + 1;
    }
    m_pString[count] = 0;
    m_Size = count;
    return *this;
}

CToolsString& CToolsString::assign(const CToolsString& other, size_type position, size_type count)
{
    if (position > other.m_Size)
        position = other.m_Size;
    const size_type left = other.m_Size - position;
    if (count > left)
        count = left;
    if (&other == this)
    {
        const CToolsString copy(*this);
        return assign(copy.m_pString + position, count);
    }
    return assign(other.m_pString + position, count);
}

CToolsString& CToolsString::assign(size_type count, char c)
{
    if (m_Capacity <= count)
        Reallocate(count, 0);
    std::memset(m_pString, c, count);
    m_pString[count] = 0;
    m_Size = count;
    return *this;
}

CToolsString& CToolsString::operator=(const CToolsString& other)
{
    if (&other != this)
        assign(other.m_pString, other.m_Size);
    return *this;
}

CToolsString& CToolsString::operator=(const char* text) { return assign(text); }
CToolsString& CToolsString::operator=(char c) { return assign(1, c); }

// ---- Append ----

CToolsString& CToolsString::append(const char* text, size_type count)
{
    if (count == 0)
        return *this;
    const size_type needed = m_Size + count + 1;
    if (m_Capacity < needed)
    {
        char* block = Allocate(needed);
        std::memcpy(block, m_pString, m_Size);
        std::memcpy(block + m_Size, text, count); // text may be this string's old buffer
        std::free(m_pString);
        m_pString = block;
        m_Capacity = needed;
    }
    else
    {
        std::memmove(m_pString + m_Size, text, count);
    }
    m_Size += count;
    m_pString[m_Size] = 0;
    return *this;
}

CToolsString& CToolsString::append(const char* text) { return append(text, Length(text)); }
CToolsString& CToolsString::append(const CToolsString& other) { return append(other.m_pString, other.m_Size); }

CToolsString& CToolsString::append(const CToolsString& other, size_type position, size_type count)
{
    if (position > other.m_Size)
        return *this;
    const size_type left = other.m_Size - position;
    return append(other.m_pString + position, count < left ? count : left);
}

CToolsString& CToolsString::append(size_type count, char c)
{
    if (count == 0)
        return *this;
    if (m_Capacity < m_Size + count + 1)
        Reallocate(m_Size + count, m_Size);
    std::memset(m_pString + m_Size, c, count);
    m_Size += count;
    m_pString[m_Size] = 0;
    return *this;
}

void CToolsString::push_back(char c) { append(1, c); }
CToolsString& CToolsString::operator+=(char c) { return append(1, c); }
CToolsString& CToolsString::operator+=(const char* text) { return append(text); }
CToolsString& CToolsString::operator+=(const CToolsString& other) { return append(other); }

// ---- Size ----

void CToolsString::reserve(size_type n)
{
    if (n >= m_Capacity)
        Reallocate(n, m_Size);
}

void CToolsString::resize(size_type n)
{
    if (n <= m_Size)
    {
        m_Size = n;
        m_pString[n] = 0;
    }
    else
    {
        append(n - m_Size, 0);
    }
}

// ---- Editing ----

CToolsString& CToolsString::erase(size_type position, size_type count)
{
    if (count == npos || count >= m_Size || position + count >= m_Size)
    {
        // Truncates at the position; a position past the end extends with zero bytes.
        resize(position);
        return *this;
    }
    std::memmove(m_pString + position, m_pString + position + count, m_Size - position - count + 1);
    m_Size -= count;
    return *this;
}

void CToolsString::swap(CToolsString& other)
{
    std::swap(m_pString, other.m_pString);
    std::swap(m_Size, other.m_Size);
    std::swap(m_Capacity, other.m_Capacity);
}

CToolsString& CToolsString::toLower()
{
    for (size_type i = 0; i < m_Size; ++i)
        if (m_pString[i] >= 'A' && m_pString[i] <= 'Z')
            m_pString[i] = char(m_pString[i] - 'A' + 'a');
    return *this;
}

// ---- Comparison ----

int CToolsString::compare(const CToolsString& other) const
{
    return CompareRanges(m_pString, m_Size, other.m_pString, other.m_Size);
}

int CToolsString::compare(const char* text) const { return CompareRanges(m_pString, m_Size, text, Length(text)); }

int CToolsString::compare(size_type position, size_type count, const CToolsString& other) const
{
    if (position > m_Size)
        position = m_Size;
    const size_type left = m_Size - position;
    return CompareRanges(m_pString + position, count < left ? count : left, other.m_pString, other.m_Size);
}

int CToolsString::compare(size_type position, size_type count, const char* text) const
{
    if (position > m_Size)
        position = m_Size;
    const size_type left = m_Size - position;
    return CompareRanges(m_pString + position, count < left ? count : left, text, Length(text));
}

// ---- Searches ----

CToolsString::size_type CToolsString::find(const char* text, size_type position, size_type count) const
{
    if (position >= m_Size || count > m_Size - position)
        return npos;
    for (size_type i = position; i + count <= m_Size; ++i)
        if (std::memcmp(m_pString + i, text, count) == 0)
            return i;
    return npos;
}

CToolsString::size_type CToolsString::find(const char* text, size_type position) const
{
    return find(text, position, Length(text));
}
CToolsString::size_type CToolsString::find(const CToolsString& text, size_type position) const
{
    return find(text.m_pString, position, text.m_Size);
}
CToolsString::size_type CToolsString::find(char c, size_type position) const { return find(&c, position, 1); }

CToolsString::size_type CToolsString::rfind(const char* text, size_type offset, size_type count) const
{
    if (offset >= m_Size || count > m_Size)
        return npos;
    // The last start index considered is size - 1 - offset, and a match must fit.
    size_type i = m_Size - 1 - offset;
    if (i + count > m_Size)
        i = m_Size - count;
    for (;;)
    {
        if (std::memcmp(m_pString + i, text, count) == 0)
            return i;
        if (i == 0)
            return npos;
        --i;
    }
}

CToolsString::size_type CToolsString::rfind(const char* text, size_type offset) const
{
    return rfind(text, offset, Length(text));
}
CToolsString::size_type CToolsString::rfind(const CToolsString& text, size_type offset) const
{
    return rfind(text.m_pString, offset, text.m_Size);
}
CToolsString::size_type CToolsString::rfind(char c, size_type offset) const { return rfind(&c, offset, 1); }

CToolsString::size_type CToolsString::find_first_of(const char* set, size_type position, size_type count) const
{
    for (size_type i = position; i < m_Size; ++i)
        if (InSet(m_pString[i], set, count))
            return i;
    return npos;
}
CToolsString::size_type CToolsString::find_first_of(const char* set, size_type position) const
{
    return find_first_of(set, position, Length(set));
}
CToolsString::size_type CToolsString::find_first_of(const CToolsString& set, size_type position) const
{
    return find_first_of(set.m_pString, position, set.m_Size);
}
CToolsString::size_type CToolsString::find_first_of(char c, size_type position) const
{
    return find_first_of(&c, position, 1);
}

CToolsString::size_type CToolsString::find_first_not_of(const char* set, size_type position, size_type count) const
{
    for (size_type i = position; i < m_Size; ++i)
        if (!InSet(m_pString[i], set, count))
            return i;
    return npos;
}
CToolsString::size_type CToolsString::find_first_not_of(const char* set, size_type position) const
{
    return find_first_not_of(set, position, Length(set));
}
CToolsString::size_type CToolsString::find_first_not_of(const CToolsString& set, size_type position) const
{
    return find_first_not_of(set.m_pString, position, set.m_Size);
}
CToolsString::size_type CToolsString::find_first_not_of(char c, size_type position) const
{
    return find_first_not_of(&c, position, 1);
}

CToolsString::size_type CToolsString::find_last_of(const char* set, size_type offset, size_type count) const
{
    if (offset >= m_Size)
        return npos;
    for (size_type i = m_Size - 1 - offset + 1; i-- > 0;)
        if (InSet(m_pString[i], set, count))
            return i;
    return npos;
}
CToolsString::size_type CToolsString::find_last_of(const char* set, size_type offset) const
{
    return find_last_of(set, offset, Length(set));
}
CToolsString::size_type CToolsString::find_last_of(const CToolsString& set, size_type offset) const
{
    return find_last_of(set.m_pString, offset, set.m_Size);
}
CToolsString::size_type CToolsString::find_last_of(char c, size_type offset) const
{
    return find_last_of(&c, offset, 1);
}

CToolsString::size_type CToolsString::find_last_not_of(const char* set, size_type offset, size_type count) const
{
    if (offset >= m_Size)
        return npos;
    for (size_type i = m_Size - 1 - offset + 1; i-- > 0;)
        if (!InSet(m_pString[i], set, count))
            return i;
    return npos;
}
CToolsString::size_type CToolsString::find_last_not_of(const char* set, size_type offset) const
{
    return find_last_not_of(set, offset, Length(set));
}
CToolsString::size_type CToolsString::find_last_not_of(const CToolsString& set, size_type offset) const
{
    return find_last_not_of(set.m_pString, offset, set.m_Size);
}
CToolsString::size_type CToolsString::find_last_not_of(char c, size_type offset) const
{
    return find_last_not_of(&c, offset, 1);
}

CToolsString CToolsString::substr(size_type position, size_type count) const
{
    return CToolsString(*this, position, count);
}

// ---- Free operators ----

CToolsString operator+(const CToolsString& a, const CToolsString& b) { return CToolsString(a).append(b); }
CToolsString operator+(const CToolsString& a, const char* b) { return CToolsString(a).append(b); }
CToolsString operator+(const char* a, const CToolsString& b) { return CToolsString(a).append(b); }

bool operator==(const CToolsString& a, const CToolsString& b) { return a.compare(b) == 0; }
bool operator==(const CToolsString& a, const char* b) { return a.compare(b) == 0; }
bool operator==(const char* a, const CToolsString& b) { return b.compare(a) == 0; }
bool operator!=(const CToolsString& a, const CToolsString& b) { return a.compare(b) != 0; }
bool operator!=(const CToolsString& a, const char* b) { return a.compare(b) != 0; }
bool operator!=(const char* a, const CToolsString& b) { return b.compare(a) != 0; }
bool operator<(const CToolsString& a, const CToolsString& b) { return a.compare(b) < 0; }
bool operator<(const CToolsString& a, const char* b) { return a.compare(b) < 0; }
bool operator<(const char* a, const CToolsString& b) { return b.compare(a) > 0; }
bool operator>(const CToolsString& a, const CToolsString& b) { return a.compare(b) > 0; }
bool operator>(const CToolsString& a, const char* b) { return a.compare(b) > 0; }
bool operator>(const char* a, const CToolsString& b) { return b.compare(a) < 0; }
bool operator<=(const CToolsString& a, const CToolsString& b) { return a.compare(b) <= 0; }
bool operator<=(const CToolsString& a, const char* b) { return a.compare(b) <= 0; }
bool operator<=(const char* a, const CToolsString& b) { return b.compare(a) >= 0; }
bool operator>=(const CToolsString& a, const CToolsString& b) { return a.compare(b) >= 0; }
bool operator>=(const CToolsString& a, const char* b) { return a.compare(b) >= 0; }
bool operator>=(const char* a, const CToolsString& b) { return b.compare(a) <= 0; }

// ---- Path helpers ----

namespace
{
CToolsString::size_type Separator(const CToolsString& path)
{
    const CToolsString::size_type slash = path.find_last_of('/');
    return slash != CToolsString::npos ? slash : path.find_last_of('\\');
}
} // namespace

CToolsString ToolsPathDirectory(const CToolsString& path)
{
    const CToolsString::size_type at = Separator(path);
    return at == CToolsString::npos ? CToolsString() : path.substr(0, at);
}

CToolsString ToolsPathFileName(const CToolsString& path)
{
    const CToolsString::size_type at = Separator(path);
    return at == CToolsString::npos ? path : path.substr(at + 1);
}

CToolsString ToolsPathExtension(const CToolsString& path)
{
    const CToolsString::size_type dot = path.find_last_of('.');
    return dot == CToolsString::npos ? CToolsString() : path.substr(dot + 1);
}

CToolsString ToolsStripLeadingSpace(const CToolsString& text)
{
    const CToolsString::size_type at = text.find_first_not_of(" \t");
    return at == CToolsString::npos ? CToolsString() : text.substr(at);
}

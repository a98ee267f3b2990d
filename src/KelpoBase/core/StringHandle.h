// StringHandle: an engine object's name, one pointer wide.
//
// Every empty value points at one shared, never-freed empty string, so unnamed objects
// cost no allocation; a non-empty value is a heap string owned by this handle alone.
#pragma once

#include <string>

const std::string& SharedEmptyString();

class StringHandle
{
public:
    StringHandle() noexcept : mText(&SharedEmptyString()) {}
    StringHandle(const StringHandle& other);
    StringHandle& operator=(const StringHandle& other);
    ~StringHandle() { Reset(); }

    // Assigning text equal to the current text changes nothing (no reallocation).
    void Assign(const std::string& text);
    void Reset() { Assign(SharedEmptyString()); }

    const std::string& Get() const noexcept { return *mText; }
    operator const std::string&() const noexcept { return *mText; }
    bool IsShared() const noexcept { return mText == &SharedEmptyString(); }

private:
    const std::string* mText;
};

// The text itself, or "..." when it is empty.
const std::string& TextOrEllipsis(const std::string& text);

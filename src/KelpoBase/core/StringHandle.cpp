#include "KelpoBase/core/StringHandle.h"

const std::string& SharedEmptyString()
{
    // Never destroyed: handles in static objects may still point at it during exit.
    static const std::string* empty = new std::string();
    return *empty;
}

StringHandle::StringHandle(const StringHandle& other) : mText(&SharedEmptyString())
{
    Assign(other.Get());
}

StringHandle& StringHandle::operator=(const StringHandle& other)
{
    if (this != &other)
        Assign(other.Get());
    return *this;
}

void StringHandle::Assign(const std::string& text)
{
    if (*mText == text)
        return;
    if (!IsShared())
        delete mText;
    mText = text.empty() ? &SharedEmptyString() : new std::string(text);
}

const std::string& TextOrEllipsis(const std::string& text)
{
    static const std::string ellipsis = "...";
    return text.empty() ? ellipsis : text;
}

// The root of every engine and game class that is not a plain record.
//
// Kind tests and down-casts go through the engine's own class records (cClassInfo), one
// per class, identified by address; weak references (cWeakRef) become null when their
// target is destroyed.
//
// A class joins the hierarchy with KELPO_DECLARE_CLASS(cThis, cParent) in its body:
//
//     class cButton : public cWidget
//     {
//         KELPO_DECLARE_CLASS(cButton, cWidget)
//     public:
//         ...
//     };
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/StringHandle.h"

class cClassInfo
{
public:
    cClassInfo(const char* className, const cClassInfo* parentInfo) : name(className), parent(parentInfo) {}
    cClassInfo(const cClassInfo&) = delete;
    cClassInfo& operator=(const cClassInfo&) = delete;

    // True when target is start or one of its ancestors.
    static bool IsKindOf(const cClassInfo* start, const cClassInfo* target);

    const std::string name;
    const cClassInfo* const parent;
};

#define KELPO_DECLARE_CLASS(ThisClass, ParentClass)                                        \
public:                                                                                    \
    static const ::cClassInfo* StaticClassInfo()                                       \
    {                                                                                      \
        static const ::cClassInfo info(#ThisClass, ParentClass::StaticClassInfo());     \
        return &info;                                                                      \
    }                                                                                      \
    const ::cClassInfo* GetClassInfo() const override { return StaticClassInfo(); }    \
                                                                                           \
private:

class cKelpoObj
{
public:
    cKelpoObj() = default;
    cKelpoObj(const cKelpoObj&) = delete;
    cKelpoObj& operator=(const cKelpoObj&) = delete;
    // Clears every weak reference still pointing here, then the name.
    virtual ~cKelpoObj();

    static const cClassInfo* StaticClassInfo();
    virtual const cClassInfo* GetClassInfo() const { return StaticClassInfo(); }
    // Kept in every class's table; nothing overrides it.
    virtual void Hook(uint32_t) {}

    const std::string& GetName() const noexcept { return mName.Get(); }
    void SetName(const std::string& text) { mName.Assign(text); }

    bool IsKindOf(const cClassInfo* target) const { return cClassInfo::IsKindOf(GetClassInfo(), target); }

private:
    StringHandle mName;
    uint32_t mWord = 1; // set to 1 by construction; nothing reads it
};

// The object as a T when it is a T or derives from one, else null.
template <class T, class U>
T* ClassCast(U* object)
{
    if (object == nullptr)
        return nullptr;
    if (!cClassInfo::IsKindOf(object->GetClassInfo(), T::StaticClassInfo()))
        return nullptr;
    return static_cast<T*>(object);
}

template <class T, class U>
const T* ClassCast(const U* object)
{
    return ClassCast<T>(const_cast<U*>(object));
}

// A pointer slot that becomes null when its target is destroyed. The registry holds the
// slot's address, so a slot is copied only through its own copy operations.
class cWeakRef
{
public:
    cWeakRef() noexcept = default;
    explicit cWeakRef(cKelpoObj* target) { Assign(target); }
    cWeakRef(const cWeakRef& other) { Assign(other.mTarget); }
    cWeakRef& operator=(const cWeakRef& other)
    {
        Assign(other.mTarget);
        return *this;
    }
    ~cWeakRef() { Assign(nullptr); }

    void Assign(cKelpoObj* target);
    void Reset() { Assign(nullptr); }
    cKelpoObj* Get() const noexcept { return mTarget; }

private:
    friend void ClearWeakRefs(cKelpoObj* object);
    cKelpoObj* mTarget = nullptr;
};

// Nulls every slot registered for the object and forgets it (the destructor's half).
void ClearWeakRefs(cKelpoObj* object);

// For tests: how many slots are registered for the object, and whether it has an entry.
size_t WeakRefCount(const cKelpoObj* object);
bool WeakRefHasEntry(const cKelpoObj* object);

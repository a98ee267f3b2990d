// cPool: a fixed-capacity pool of plain records of one type.
//
// All elements live in one malloc'd block made by Create; Take and Release never
// allocate and cost constant time. Elements are handed out first in address order, and
// a released element is the next one taken (last in, first out).
//
// Elements are plain records: no constructor runs when the block is made and no
// destructor when it is freed. Take resets the element it hands out: with the type's own
// Reset() when it has one (an emitter definition's initial values), else by
// value-initialising it.
//
// cPooledList links the elements it takes into a list; its element type starts with the
// two link fields `next` (following element) and `prevLink` (address of the pointer that
// points at this element).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "KelpoBase/core/Debug.h"

template <class T>
class cPool
{
    static_assert(std::is_trivially_destructible_v<T>, "pool elements are plain records");

public:
    cPool() = default;
    explicit cPool(uint32_t n) { Create(n); }
    cPool(const cPool&) = delete;
    cPool& operator=(const cPool&) = delete;
    ~cPool() { Destroy(); }

    // (Re)creates the pool with capacity n; pointers into an old block become invalid.
    uint32_t Create(uint32_t n)
    {
        Destroy();
        if (n != 0)
        {
            elements = static_cast<T*>(std::malloc(sizeof(T) * size_t(n)));
            if (elements == nullptr)
                throw std::bad_alloc();
            freeTable = new T*[n];
#ifndef NDEBUG
            taken = new bool[n]();
#endif
        }
        used = 0;
        capacity = n;
        for (uint32_t i = 0; i < n; ++i)
            freeTable[i] = elements + i;
        return n;
    }

    // A reset free element, or null when every element is in use.
    T* Take()
    {
        if (used >= capacity || freeTable == nullptr)
            return nullptr;
        T* e = freeTable[used];
        ++used;
#ifndef NDEBUG
        taken[e - elements] = true;
#endif
        ResetElement(e);
        return e;
    }

    // Gives an element back. Debug builds stop with an assertion report when the element
    // is not one of this pool's or is already free; every build ignores a release into a
    // pool with nothing in use (it would run the free table below its start).
    void Release(T* e)
    {
#ifndef NDEBUG
        if (elements == nullptr || e < elements || e >= elements + capacity)
            ReportRuntimeAssertion("released element does not belong to the pool", __FILE__, __LINE__);
        if (!taken[e - elements])
            ReportRuntimeAssertion("element released twice into the pool", __FILE__, __LINE__);
        taken[e - elements] = false;
#endif
        if (used == 0 || freeTable == nullptr)
            return;
        --used;
        freeTable[used] = e;
    }

    // Frees the block and the table; the counts stay as they are, so the pool must be
    // created again before use (Take returns null until then).
    void Destroy()
    {
        if (elements != nullptr)
            std::free(elements);
        delete[] freeTable;
        elements = nullptr;
        freeTable = nullptr;
#ifndef NDEBUG
        delete[] taken;
        taken = nullptr;
#endif
    }

    uint32_t Used() const noexcept { return used; }
    uint32_t Capacity() const noexcept { return capacity; }
    T* Elements() const noexcept { return elements; }
    // Zeroes both counts (the pooled list's Reset does this after Destroy).
    void ZeroCounts() noexcept
    {
        used = 0;
        capacity = 0;
    }

    T* elements = nullptr;
    T** freeTable = nullptr;
    uint32_t used = 0;
    uint32_t capacity = 0;

private:
    static void ResetElement(T* e)
    {
        if constexpr (requires(T& t) { t.Reset(); })
            e->Reset();
        else
            ::new (static_cast<void*>(e)) T();
    }

#ifndef NDEBUG
    bool* taken = nullptr; // which elements are handed out, to catch double releases
#endif
};

// A list of elements taken from its own pool. The list runs from `head` to the sentinel
// (whose `next` is null); new elements go to the front.
template <class T>
class cPooledList
{
public:
    explicit cPooledList(uint32_t n = 0)
    {
        if (n != 0)
            pool.Create(n);
        MakeEmpty();
    }
    cPooledList(const cPooledList&) = delete;
    cPooledList& operator=(const cPooledList&) = delete;
    ~cPooledList()
    {
        Clear();
        pool.Destroy();
    }

    // Takes an element from the pool and links it at the front; null when the pool is full.
    T* Add()
    {
        T* e = pool.Take();
        if (e == nullptr)
            return nullptr;
        e->next = head;
        e->prevLink = &head;
        head->prevLink = &e->next;
        head = e;
        ++count;
        return e;
    }

    // Unlinks a listed element and gives it back to the pool.
    void Remove(T* e)
    {
        if (e == nullptr || e == &sentinel)
            return;
        *e->prevLink = e->next;
        e->next->prevLink = e->prevLink;
        pool.Release(e);
        --count;
    }

    // Gives every listed element back and empties the list.
    void Clear()
    {
        if (pool.Used() == 0)
            return;
        for (T* e = head; e != &sentinel;)
        {
            T* following = e->next;
            pool.Release(e);
            e = following;
        }
        MakeEmpty();
    }

    // Frees the pool (when it has a capacity) with all its counts zeroed, then empties the list.
    void Reset()
    {
        if (pool.Capacity() != 0)
        {
            pool.Destroy();
            pool.ZeroCounts();
        }
        MakeEmpty();
    }

    T* First() const noexcept { return head == &sentinel ? nullptr : head; }
    T* Next(const T* e) const noexcept { return e->next == &sentinel ? nullptr : e->next; }
    const T* End() const noexcept { return &sentinel; }
    uint32_t Count() const noexcept { return count; }

    cPool<T> pool;
    T sentinel{};
    T* head = &sentinel;
    uint32_t count = 0;

private:
    void MakeEmpty()
    {
        head = &sentinel;
        sentinel.next = nullptr;
        sentinel.prevLink = &head;
        count = 0;
    }
};

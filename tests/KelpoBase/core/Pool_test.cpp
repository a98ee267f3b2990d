#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "KelpoBase/core/Pool.h"

namespace
{
struct Record
{
    int32_t a;
    float b;
};

// An emitter-like element with its own initial values.
struct Emitter
{
    int32_t rate;
    float life;
    void Reset()
    {
        rate = 30;
        life = 2.5f;
    }
};

struct Linked
{
    Linked* next;
    Linked** prevLink;
    int32_t value;
};
} // namespace

TEST(Pool, HandsOutInAddressOrderThenNull)
{
    cPool<Record> pool(2);
    EXPECT_EQ(pool.Capacity(), 2u);
    Record* first = pool.Take();
    Record* second = pool.Take();
    EXPECT_EQ(first, pool.Elements());
    EXPECT_EQ(second, pool.Elements() + 1);
    EXPECT_EQ(pool.Take(), nullptr);
    EXPECT_EQ(pool.Used(), 2u);
}

TEST(Pool, ReleaseIsLastInFirstOut)
{
    cPool<Record> pool(4);
    Record* a = pool.Take();
    Record* b = pool.Take();
    pool.Release(a);
    EXPECT_EQ(pool.Take(), a);
    pool.Release(b);
    pool.Release(a);
    EXPECT_EQ(pool.Take(), a);
    EXPECT_EQ(pool.Take(), b);
}

TEST(Pool, TakeResetsTheElement)
{
    cPool<Emitter> emitters(1024);
    Emitter* e = emitters.Take();
    EXPECT_EQ(e->rate, 30);
    EXPECT_EQ(e->life, 2.5f);
    e->rate = 1;
    emitters.Release(e);
    EXPECT_EQ(emitters.Take()->rate, 30);

    cPool<Record> records(1);
    Record* r = records.Take();
    r->a = 5;
    r->b = 1.0f;
    records.Release(r);
    r = records.Take();
    EXPECT_EQ(r->a, 0);
    EXPECT_EQ(r->b, 0.0f);
}

TEST(Pool, FilledToCapacityAndDrained)
{
    constexpr uint32_t kCapacity = 128;
    cPool<Record> pool(kCapacity);
    std::vector<Record*> taken;
    for (Record* r = pool.Take(); r != nullptr; r = pool.Take())
        taken.push_back(r);
    ASSERT_EQ(taken.size(), kCapacity);
    EXPECT_EQ(std::set<Record*>(taken.begin(), taken.end()).size(), kCapacity);
    EXPECT_EQ(pool.Used(), kCapacity);

    for (Record* r : taken)
        pool.Release(r);
    EXPECT_EQ(pool.Used(), 0u);
    // Drained in taking order, so the last released (the last taken) comes back first.
    for (uint32_t i = 0; i < kCapacity; ++i)
        EXPECT_EQ(pool.Take(), taken[kCapacity - 1 - i]);
    EXPECT_EQ(pool.Take(), nullptr);
}

TEST(Pool, RecreateAndZeroCapacity)
{
    cPool<Record> pool(3);
    pool.Take();
    pool.Take();
    EXPECT_EQ(pool.Create(5), 5u);
    EXPECT_EQ(pool.Used(), 0u);
    EXPECT_EQ(pool.Capacity(), 5u);
    EXPECT_EQ(pool.Take(), pool.Elements());

    EXPECT_EQ(pool.Create(0), 0u);
    EXPECT_EQ(pool.elements, nullptr);
    EXPECT_EQ(pool.freeTable, nullptr);
    EXPECT_EQ(pool.Capacity(), 0u);
    EXPECT_EQ(pool.Take(), nullptr);

    cPool<Record> unmade;
    EXPECT_EQ(unmade.Take(), nullptr);
}

TEST(Pool, DestroyKeepsCountsButTakesNothing)
{
    cPool<Record> pool(2);
    pool.Take();
    pool.Destroy();
    EXPECT_EQ(pool.elements, nullptr);
    EXPECT_EQ(pool.freeTable, nullptr);
    EXPECT_EQ(pool.Used(), 1u);
    EXPECT_EQ(pool.Capacity(), 2u);
    EXPECT_EQ(pool.Take(), nullptr);
}

#ifndef NDEBUG
TEST(PoolDeathTest, DoubleReleaseIsCaught)
{
    EXPECT_DEATH(
        {
            cPool<Record> pool(2);
            Record* a = pool.Take();
            pool.Take();
            pool.Release(a);
            pool.Release(a);
        },
        "released twice");
}

TEST(PoolDeathTest, ForeignElementIsCaught)
{
    EXPECT_DEATH(
        {
            cPool<Record> pool(2);
            pool.Take();
            Record outside{};
            pool.Release(&outside);
        },
        "does not belong");
}
#endif

TEST(PooledList, AddsAtTheFrontAndClears)
{
    cPooledList<Linked> list(3);
    EXPECT_EQ(list.head, &list.sentinel);
    EXPECT_EQ(list.sentinel.next, nullptr);
    EXPECT_EQ(list.sentinel.prevLink, &list.head);

    Linked* a = list.Add();
    Linked* b = list.Add();
    Linked* c = list.Add();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(list.Add(), nullptr); // pool full
    a->value = 1;
    b->value = 2;
    c->value = 3;
    std::vector<int32_t> values;
    for (Linked* e = list.First(); e != nullptr; e = list.Next(e))
        values.push_back(e->value);
    EXPECT_EQ(values, (std::vector<int32_t>{3, 2, 1}));
    EXPECT_EQ(list.Count(), 3u);

    list.Remove(b);
    EXPECT_EQ(c->next, a);
    EXPECT_EQ(a->prevLink, &c->next);
    EXPECT_EQ(list.Count(), 2u);

    list.Clear();
    EXPECT_EQ(list.head, &list.sentinel);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.pool.Used(), 0u);
    EXPECT_NE(list.Add(), nullptr); // elements came back
}

TEST(PooledList, ResetFreesThePool)
{
    cPooledList<Linked> list(2);
    list.Add();
    list.Reset();
    EXPECT_EQ(list.pool.Capacity(), 0u);
    EXPECT_EQ(list.pool.Used(), 0u);
    EXPECT_EQ(list.pool.elements, nullptr);
    EXPECT_EQ(list.head, &list.sentinel);
    EXPECT_EQ(list.Add(), nullptr);

    cPooledList<Linked> empty;
    EXPECT_EQ(empty.Add(), nullptr);
    empty.Clear();
}

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/KelpoMsg.h"

namespace
{
class cThing : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cThing, cKelpoObj)
};

// A handler carried beside cKelpoObj, the way scene controllers carry it.
class cController : public cKelpoObj, public cKelpoMsgHandler
{
    KELPO_DECLARE_CLASS(cController, cKelpoObj)
};

std::vector<std::string> Drain(cKelpoMsgHandler& handler)
{
    std::vector<std::string> names;
    cKelpoMsg msg;
    while (handler.queue.size() != 0)
        names.push_back(handler.PopMessage(msg).name);
    return names;
}

struct DirectoryGuard
{
    ~DirectoryGuard() { HandlerDirectory().clear(); }
};
} // namespace

TEST(KelpoMsg, ConstructorsSetTheirFields)
{
    cThing thing;
    const cKelpoMsg a("actBack", &thing);
    EXPECT_EQ(a.name, "actBack");
    EXPECT_EQ(a.GetObject(), &thing);
    EXPECT_EQ(a.intValue, 0);
    EXPECT_EQ(a.floatValue, 0.0f);

    const cKelpoMsg b("actSlide", 0.25f);
    EXPECT_EQ(b.GetObject(), nullptr);
    EXPECT_EQ(b.floatValue, 0.25f);
    EXPECT_EQ(b.intValue, 0);

    const cKelpoMsg c("actBoth", &thing, 0.5f);
    EXPECT_EQ(c.GetObject(), &thing);
    EXPECT_EQ(c.floatValue, 0.5f);
}

TEST(KelpoMsg, CopiesRegisterTheirOwnWeakReference)
{
    cThing thing;
    cKelpoMsg first("a", &thing);
    first.intValue = 7;
    {
        cKelpoMsg copy(first);
        EXPECT_EQ(copy.GetObject(), &thing);
        EXPECT_EQ(copy.intValue, 7);
        EXPECT_EQ(WeakRefCount(&thing), 2u);
        cKelpoMsg assigned;
        assigned = first;
        EXPECT_EQ(assigned.GetObject(), &thing);
        EXPECT_EQ(WeakRefCount(&thing), 3u);
    }
    EXPECT_EQ(WeakRefCount(&thing), 1u);
    EXPECT_EQ(first.GetObject(), &thing);
}

TEST(KelpoMsgHandler, DrainsNewestFirst)
{
    cKelpoMsgHandler handler;
    EXPECT_FALSE(handler.HasMessages());
    handler.PostMessage(cKelpoMsg("A", nullptr));
    handler.PostMessage(cKelpoMsg("B", nullptr));
    handler.PostMessage(cKelpoMsg("C", nullptr));
    EXPECT_TRUE(handler.HasMessages());
    EXPECT_EQ(handler.MessageCount(), 3u);
    EXPECT_EQ(handler.PeekNewestMessage().name, "C");
    EXPECT_EQ(Drain(handler), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_FALSE(handler.HasMessages());
}

TEST(KelpoMsgHandler, MessagesPostedWhileDrainingAreHandledInTheSameLoop)
{
    cKelpoMsgHandler handler;
    handler.PostMessage(cKelpoMsg("first", nullptr));
    std::vector<std::string> seen;
    cKelpoMsg msg;
    while (handler.queue.size() != 0)
    {
        handler.PopMessage(msg);
        seen.push_back(msg.name);
        if (msg.name == "first")
            handler.PostMessage(cKelpoMsg("reply", nullptr));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "reply"}));
}

TEST(KelpoMsgHandler, QueuedMessageLosesADestroyedObject)
{
    cKelpoMsgHandler handler;
    auto thing = std::make_unique<cThing>();
    handler.PostMessage(cKelpoMsg("actPick", thing.get(), 1.5f));
    thing.reset();
    cKelpoMsg msg;
    handler.PopMessage(msg);
    EXPECT_EQ(msg.name, "actPick");
    EXPECT_EQ(msg.GetObject(), nullptr);
    EXPECT_EQ(msg.floatValue, 1.5f);
}

TEST(KelpoMsgHandler, PopOfAnEmptyQueueGivesAnEmptyMessage)
{
    cKelpoMsgHandler handler;
    cThing thing;
    cKelpoMsg msg("stale", &thing, 2.0f);
    msg.intValue = 3;
    handler.PopMessage(msg);
    EXPECT_EQ(msg.name, "");
    EXPECT_EQ(msg.GetObject(), nullptr);
    EXPECT_EQ(msg.intValue, 0);
    EXPECT_EQ(msg.floatValue, 0.0f);
    handler.DropNewestMessage(); // harmless
    EXPECT_FALSE(handler.HasMessages());
}

TEST(KelpoMsgHandler, DropAndClear)
{
    cKelpoMsgHandler handler;
    handler.PostMessage(cKelpoMsg("A", nullptr));
    handler.PostMessage(cKelpoMsg("B", nullptr));
    handler.DropNewestMessage();
    EXPECT_EQ(handler.PeekNewestMessage().name, "A");
    handler.ClearMessages();
    EXPECT_EQ(handler.MessageCount(), 0u);
}

TEST(HandlerDirectory, SendByNameAndBroadcast)
{
    DirectoryGuard guard;
    cKelpoMsgHandler a, b, c;
    RegisterHandler("b", &b);
    RegisterHandler("a", &a);
    RegisterHandler("c", &c);

    SendMessage("b", cKelpoMsg("toB", nullptr));
    SendMessage("missing", cKelpoMsg("lost", nullptr));
    EXPECT_EQ(a.MessageCount(), 0u);
    EXPECT_EQ(Drain(b), (std::vector<std::string>{"toB"}));

    BroadcastMessage(cKelpoMsg("all", nullptr));
    SendMessage("", cKelpoMsg("empty", nullptr));
    for (cKelpoMsgHandler* h : {&a, &b, &c})
        EXPECT_EQ(Drain(*h), (std::vector<std::string>{"empty", "all"}));

    RegisterHandler("a", &c); // replaces
    SendMessage("a", cKelpoMsg("x", nullptr));
    EXPECT_EQ(a.MessageCount(), 0u);
    EXPECT_EQ(c.MessageCount(), 1u);

    UnregisterHandler("a");
    UnregisterHandler("nothing");
    EXPECT_EQ(HandlerDirectory().count("a"), 0u);
    EXPECT_EQ(HandlerDirectory().size(), 2u);
}

TEST(HandlerDirectory, BroadcastReachesEachHandlerInNameOrder)
{
    DirectoryGuard guard;
    std::vector<std::string> order;
    struct cRecorder : cKelpoMsgHandler
    {
        std::vector<std::string>* log = nullptr;
        void PostMessage(const cKelpoMsg& message) override
        {
            log->push_back(name);
            cKelpoMsgHandler::PostMessage(message);
        }
    };
    cRecorder r1, r2, r3;
    r1.name = "zeta";
    r2.name = "alpha";
    r3.name = "mid";
    for (cRecorder* r : {&r1, &r2, &r3})
    {
        r->log = &order;
        RegisterHandler(r->name, r);
    }
    BroadcastMessage(cKelpoMsg("hello", nullptr));
    EXPECT_EQ(order, (std::vector<std::string>{"alpha", "mid", "zeta"}));
}

TEST(HandlerDirectory, DestructorRemovesOnlyItsOwnEntry)
{
    DirectoryGuard guard;
    cKelpoMsgHandler keeper;
    RegisterHandler("shared", &keeper);
    {
        // Same name, never registered: the entry of the other handler stays.
        cKelpoMsgHandler namesake;
        namesake.name = "shared";
    }
    ASSERT_EQ(HandlerDirectory().count("shared"), 1u);
    EXPECT_EQ(HandlerDirectory()["shared"], &keeper);

    {
        cKelpoMsgHandler unnamed; // never registered: directory unchanged
    }
    EXPECT_EQ(HandlerDirectory().size(), 1u);

    {
        // Registered under its own name and under another one: both entries go.
        auto owner = std::make_unique<cController>();
        owner->name = "pause";
        RegisterHandler("pause", owner.get());
        RegisterHandler("alias", owner.get());
        EXPECT_EQ(HandlerDirectory().size(), 3u);
        owner->PostMessage(cKelpoMsg("queued", owner.get())); // dies with the handler
    }
    EXPECT_EQ(HandlerDirectory().size(), 1u);
    EXPECT_EQ(HandlerDirectory().count("shared"), 1u);
}

TEST(HandlerDirectory, HandlerDestroyedDuringBroadcastIsSkipped)
{
    DirectoryGuard guard;
    struct cKiller : cKelpoMsgHandler
    {
        std::unique_ptr<cKelpoMsgHandler> victim;
        void PostMessage(const cKelpoMsg& message) override
        {
            victim.reset();
            cKelpoMsgHandler::PostMessage(message);
        }
    };
    cKiller killer;
    killer.victim = std::make_unique<cKelpoMsgHandler>();
    RegisterHandler("a", &killer);
    RegisterHandler("b", killer.victim.get());
    BroadcastMessage(cKelpoMsg("boom", nullptr));
    EXPECT_EQ(killer.MessageCount(), 1u);
    EXPECT_EQ(HandlerDirectory().size(), 1u);
}

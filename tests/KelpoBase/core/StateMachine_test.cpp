#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KelpoBase/core/StateMachine.h"

namespace
{
// Records every call as "<state><phase>:<arg>" and answers what the test asks.
class cRecorder
{
public:
    cRecorder() { machine.SetOwner(this); }
    ~cRecorder() { machine.FreeStack(); }

    int32_t StateA(int32_t phase, int32_t arg) { return Record("A", phase, arg); }
    int32_t StateB(int32_t phase, int32_t arg) { return Record("B", phase, arg); }
    int32_t StateC(int32_t phase, int32_t arg) { return Record("C", phase, arg); }

    int32_t Record(const char* state, int32_t phase, int32_t arg)
    {
        log.push_back(std::string(state) + std::to_string(phase) + ":" + std::to_string(arg));
        if (phase == kStateLeave)
            return refuseLeave;
        if (phase == kStateEnter)
            return 100 + arg;
        if (phase == kStateDraw)
            return 7;
        return 0;
    }

    std::vector<std::string> TakeLog()
    {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }

    StateMachine<cRecorder> machine;
    std::vector<std::string> log;
    int32_t refuseLeave = 0;
};

using Log = std::vector<std::string>;
} // namespace

TEST(StateMachine, StartsEmptyAndDrawsNothing)
{
    cRecorder r;
    EXPECT_EQ(r.machine.currentState, nullptr);
    EXPECT_EQ(r.machine.pendingState, nullptr);
    EXPECT_EQ(r.machine.Draw(), 0);
    r.machine.Update();
    EXPECT_TRUE(r.log.empty());
}

TEST(StateMachine, FirstUpdateEntersThenUpdatesWithoutALeaveRequest)
{
    cRecorder r;
    r.machine.SetPendingState(&cRecorder::StateA, 5);
    r.machine.Update();
    EXPECT_EQ(r.TakeLog(), (Log{"A0:5", "A2:0"}));
    EXPECT_EQ(r.machine.currentArg, 5);
    EXPECT_EQ(r.machine.pendingState, nullptr);
    EXPECT_EQ(r.machine.pendingArg, 5); // keeps its value
    EXPECT_EQ(r.machine.Draw(), 7);
    EXPECT_EQ(r.TakeLog(), (Log{"A3:0"}));
}

TEST(StateMachine, RefusedLeaveKeepsTheCurrentStateRunning)
{
    cRecorder r;
    r.machine.SetPendingState(&cRecorder::StateA);
    r.machine.Update();
    r.TakeLog();

    r.refuseLeave = 1;
    r.machine.SetPendingState(&cRecorder::StateB, 2);
    r.machine.Update();
    r.machine.Update();
    EXPECT_EQ(r.TakeLog(), (Log{"A1:0", "A2:0", "A1:0", "A2:0"}));
    EXPECT_TRUE(r.machine.HasPending());

    r.refuseLeave = 0;
    r.machine.Update();
    EXPECT_EQ(r.TakeLog(), (Log{"A1:0", "B0:2", "B2:0"}));
    EXPECT_TRUE(r.machine.IsCurrent(&cRecorder::StateB));
}

TEST(StateMachine, SecondPendingRequestReplacesTheFirst)
{
    cRecorder r;
    r.machine.SetPendingState(&cRecorder::StateA, 1);
    r.machine.SetPendingState(&cRecorder::StateB, 2);
    r.machine.Update();
    EXPECT_EQ(r.TakeLog(), (Log{"B0:2", "B2:0"}));
}

TEST(StateMachine, ApplyPendingIsTheFirstHalfOfUpdate)
{
    cRecorder r;
    r.machine.SetPendingState(&cRecorder::StateA, 3);
    r.machine.ApplyPending();
    EXPECT_EQ(r.TakeLog(), (Log{"A0:3"}));
    r.machine.ApplyPending(); // nothing pending
    EXPECT_TRUE(r.log.empty());
}

TEST(StateMachine, PushAndPop)
{
    cRecorder r;
    r.machine.SetPendingState(&cRecorder::StateA);
    r.machine.Update();
    r.machine.PushState(&cRecorder::StateB, 4);
    r.machine.PushState(&cRecorder::StateC, 9);
    r.machine.SetPendingState(&cRecorder::StateA, 8);
    r.TakeLog();

    EXPECT_EQ(r.machine.PopState(), 109);
    EXPECT_EQ(r.TakeLog(), (Log{"A1:0", "C0:9"}));
    EXPECT_TRUE(r.machine.IsCurrent(&cRecorder::StateC));
    EXPECT_EQ(r.machine.pendingState, &cRecorder::StateA); // untouched by a pop
    EXPECT_EQ(r.machine.pendingArg, 8);

    // A refused pop returns the refusal and leaves the stack unchanged.
    r.refuseLeave = 3;
    EXPECT_EQ(r.machine.PopState(), 3);
    EXPECT_EQ(r.TakeLog(), (Log{"C1:0"}));
    ASSERT_EQ(r.machine.stack.size(), 1u);
    EXPECT_TRUE(r.machine.IsCurrent(&cRecorder::StateC));

    r.refuseLeave = 0;
    EXPECT_EQ(r.machine.PopState(), 104);
    EXPECT_EQ(r.TakeLog(), (Log{"C1:0", "B0:4"}));
    EXPECT_TRUE(r.machine.stack.empty());
}

TEST(StateMachine, PopOfAnEmptyStackIsRefusedWithoutCalls)
{
    cRecorder r;
    EXPECT_EQ(r.machine.PopState(), kStatePopEmpty);
    r.machine.SetPendingState(&cRecorder::StateA);
    r.machine.Update();
    r.TakeLog();
    EXPECT_EQ(r.machine.PopState(), kStatePopEmpty);
    EXPECT_TRUE(r.log.empty()); // the current state was not asked to leave
    EXPECT_TRUE(r.machine.IsCurrent(&cRecorder::StateA));
}

TEST(StateMachine, InitZeroesAndFreeStackEmpties)
{
    cRecorder r;
    r.machine.SetPendingState(&cRecorder::StateA, 1);
    r.machine.Update();
    r.machine.PushState(&cRecorder::StateB);
    r.machine.FreeStack();
    EXPECT_TRUE(r.machine.stack.empty());
    EXPECT_EQ(r.machine.stack.capacity(), 0u);

    r.machine.PushState(&cRecorder::StateB);
    r.machine.Init();
    EXPECT_EQ(r.machine.currentState, nullptr);
    EXPECT_EQ(r.machine.owner, nullptr);
    EXPECT_EQ(r.machine.currentArg, 0);
    EXPECT_TRUE(r.machine.stack.empty());
    // Without an owner nothing is called.
    r.machine.SetPendingState(&cRecorder::StateC);
    r.TakeLog();
    r.machine.Update();
    EXPECT_EQ(r.machine.Draw(), 0);
    EXPECT_TRUE(r.log.empty());
}

TEST(StateMachine, StateChangingItselfDuringUpdate)
{
    // A state that requests the next state from its own update phase: the change
    // happens at the next step, which also updates the new state.
    struct cFlow
    {
        StateMachine<cFlow> machine;
        std::vector<std::string> log;
        int32_t First(int32_t phase, int32_t)
        {
            log.push_back("first" + std::to_string(phase));
            if (phase == kStateUpdate)
                machine.SetPendingState(&cFlow::Second, 42);
            return 0;
        }
        int32_t Second(int32_t phase, int32_t arg)
        {
            log.push_back("second" + std::to_string(phase) + ":" + std::to_string(arg));
            return 0;
        }
    } flow;
    flow.machine.SetOwner(&flow);
    flow.machine.SetPendingState(&cFlow::First);
    flow.machine.Update();
    flow.machine.Update();
    EXPECT_EQ(flow.log, (std::vector<std::string>{"first0", "first2", "first1", "second0:42", "second2:0"}));
}

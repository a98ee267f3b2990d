// State functions: behaviour that changes over time, written as member functions of the
// owner rather than as classes.
//
// A state function is called on the owner with (phase, argument) and returns an integer:
//
//   phase 0 enter   argument: the one stored with the state; result returned by PopState
//   phase 1 leave   argument 0; non-zero refuses the change, 0 allows it
//   phase 2 update  argument 0; result ignored
//   phase 3 draw    argument 0; result returned by Draw
//
// A change is requested with SetPendingState and happens at the start of the next
// Update, once the current state has agreed to leave; a state entered in an update gets
// its first update call in that same Update. The stack holds states to return to
// (PushState / PopState), which switch at once.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

enum StatePhase : int32_t
{
    kStateEnter = 0,
    kStateLeave = 1,
    kStateUpdate = 2,
    kStateDraw = 3,
};

// What PopState returns when the stack is empty (nothing is called, nothing changes).
constexpr int32_t kStatePopEmpty = -1;

template <class Owner>
class StateMachine
{
public:
    using StateFunc = int32_t (Owner::*)(int32_t phase, int32_t arg);
    using StackEntry = std::pair<StateFunc, int32_t>;

    // Every field null or zero and the stack empty (its storage is kept).
    void Init()
    {
        pendingState = nullptr;
        pendingArg = 0;
        currentState = nullptr;
        currentArg = 0;
        owner = nullptr;
        stack.clear();
    }

    void SetOwner(Owner* newOwner) { owner = newOwner; }

    // A second request before the next update replaces the first.
    void SetPendingState(StateFunc state, int32_t arg = 0)
    {
        pendingState = state;
        pendingArg = arg;
    }

    // The first half of Update: enter the pending state once the current one allows it.
    void ApplyPending()
    {
        if (pendingState == nullptr || owner == nullptr)
            return;
        if (currentState != nullptr && (owner->*currentState)(kStateLeave, 0) != 0)
            return; // refused: stays pending and is asked for again next time
        currentState = pendingState;
        currentArg = pendingArg;
        pendingState = nullptr;
        (owner->*currentState)(kStateEnter, currentArg);
    }

    void Update()
    {
        ApplyPending();
        if (currentState != nullptr && owner != nullptr)
            (owner->*currentState)(kStateUpdate, 0);
    }

    int32_t Draw()
    {
        if (currentState == nullptr || owner == nullptr)
            return 0;
        return (owner->*currentState)(kStateDraw, 0);
    }

    void PushState(StateFunc state, int32_t arg = 0) { stack.emplace_back(state, arg); }

    // Switches at once to the state on top of the stack. Returns the leave request's
    // result when the current state refuses, else the enter call's result. An empty
    // stack (or a machine without owner) is refused with kStatePopEmpty before the
    // current state is asked anything. The pending state is not touched.
    int32_t PopState()
    {
        if (stack.empty() || owner == nullptr)
            return kStatePopEmpty;
        if (currentState != nullptr)
        {
            int32_t refusal = (owner->*currentState)(kStateLeave, 0);
            if (refusal != 0)
                return refusal;
        }
        // The leave call may have changed the stack; check again.
        if (stack.empty())
            return kStatePopEmpty;
        currentState = stack.back().first;
        currentArg = stack.back().second;
        stack.pop_back();
        if (currentState == nullptr)
            return 0;
        return (owner->*currentState)(kStateEnter, currentArg);
    }

    // Frees the stack's storage and leaves it empty (the owner's destructor runs it).
    void FreeStack() { std::vector<StackEntry>().swap(stack); }

    bool IsCurrent(StateFunc state) const { return currentState == state; }
    bool HasPending() const { return pendingState != nullptr; }

    StateFunc pendingState = nullptr;
    int32_t pendingArg = 0;
    StateFunc currentState = nullptr;
    int32_t currentArg = 0;
    Owner* owner = nullptr;
    std::vector<StackEntry> stack;
};

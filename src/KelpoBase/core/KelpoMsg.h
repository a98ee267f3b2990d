// Messages, message handlers and the global handler directory.
//
// A message (cKelpoMsg) carries an action or event name with an integer, a float and a
// weak reference to the object it concerns. A handler (cKelpoMsgHandler) is a named
// receiver with a queue: buttons, toggles and sliders post to it, and the screens drain
// it in their update, newest message first:
//
//     cKelpoMsg msg;
//     while (handler.queue.size() != 0)
//     {
//         handler.PopMessage(msg);
//         if (msg.name == "actBack") ...
//     }
//
// The directory maps handler names to handlers for send-by-name and broadcast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "KelpoBase/core/KelpoObj.h"

class cKelpoMsg
{
public:
    cKelpoMsg() = default;
    cKelpoMsg(const std::string& messageName, cKelpoObj* target) : name(messageName), object(target) {}
    cKelpoMsg(const std::string& messageName, float value) : floatValue(value), name(messageName) {}
    cKelpoMsg(const std::string& messageName, cKelpoObj* target, float value)
        : floatValue(value), name(messageName), object(target)
    {
    }
    // Copies register their own weak reference (cWeakRef's copy does that).
    cKelpoMsg(const cKelpoMsg&) = default;
    cKelpoMsg& operator=(const cKelpoMsg&) = default;
    virtual ~cKelpoMsg();

    cKelpoObj* GetObject() const noexcept { return object.Get(); }

    int32_t intValue = 0;
    float floatValue = 0.0f;
    std::string name;
    cWeakRef object; // null once the object is destroyed, even while queued
};

// A named receiver with a queue of message copies. It is not a cKelpoObj itself, so a
// class may carry it as a second base beside cKelpoObj.
class cKelpoMsgHandler
{
public:
    cKelpoMsgHandler() = default;
    cKelpoMsgHandler(const cKelpoMsgHandler&) = delete;
    cKelpoMsgHandler& operator=(const cKelpoMsgHandler&) = delete;
    // Removes the directory entries that name this handler, then the queue.
    virtual ~cKelpoMsgHandler();

    // Appends a copy at the back of the queue.
    virtual void PostMessage(const cKelpoMsg& message);

    // Moves the newest message (the back of the queue) into out and returns out. With an
    // empty queue out becomes an empty message (no name, no object, zero values).
    cKelpoMsg& PopMessage(cKelpoMsg& out);
    bool HasMessages() const noexcept { return !queue.empty(); }
    size_t MessageCount() const noexcept { return queue.size(); }

    // The newest message; the queue must not be empty (callers test HasMessages).
    cKelpoMsg& PeekNewestMessage();
    // Erases the newest message; nothing happens with an empty queue.
    void DropNewestMessage();
    void ClearMessages() { queue.clear(); }

    std::list<cKelpoMsg> queue;
    std::string name;
};

// The directory: handler name -> handler, in name order.
using HandlerMap = std::map<std::string, cKelpoMsgHandler*>;
HandlerMap& HandlerDirectory();

// Stores the handler under the name, replacing any handler already there.
void RegisterHandler(const std::string& handlerName, cKelpoMsgHandler* handler);
// Erases the entry of that name when present.
void UnregisterHandler(const std::string& handlerName);
// Posts to the handler of that name (unknown names are ignored); the empty name posts to
// every handler of the directory in name order.
void SendMessage(const std::string& handlerName, const cKelpoMsg& message);
void BroadcastMessage(const cKelpoMsg& message);

#include "KelpoBase/core/KelpoMsg.h"

#include <vector>

cKelpoMsg::~cKelpoMsg()
{
    object.Reset();
}

cKelpoMsgHandler::~cKelpoMsgHandler()
{
    // Only entries that point at this handler go: another handler registered under the
    // same name keeps its entry, and an entry under a different name does not dangle.
    HandlerMap& directory = HandlerDirectory();
    for (auto it = directory.begin(); it != directory.end();)
    {
        if (it->second == this)
            it = directory.erase(it);
        else
            ++it;
    }
}

void cKelpoMsgHandler::PostMessage(const cKelpoMsg& message)
{
    queue.push_back(message);
}

cKelpoMsg& cKelpoMsgHandler::PopMessage(cKelpoMsg& out)
{
    if (queue.empty())
    {
        out = cKelpoMsg();
        return out;
    }
    out = queue.back();
    queue.pop_back();
    return out;
}

cKelpoMsg& cKelpoMsgHandler::PeekNewestMessage()
{
    return queue.back();
}

void cKelpoMsgHandler::DropNewestMessage()
{
    if (!queue.empty())
        queue.pop_back();
}

HandlerMap& HandlerDirectory()
{
    // Never destroyed, so handlers that outlive static destruction still find it.
    static HandlerMap* directory = new HandlerMap();
    return *directory;
}

void RegisterHandler(const std::string& handlerName, cKelpoMsgHandler* handler)
{
    HandlerDirectory()[handlerName] = handler;
}

void UnregisterHandler(const std::string& handlerName)
{
    HandlerDirectory().erase(handlerName);
}

void SendMessage(const std::string& handlerName, const cKelpoMsg& message)
{
    HandlerMap& directory = HandlerDirectory();
    if (!handlerName.empty())
    {
        auto it = directory.find(handlerName);
        if (it != directory.end() && it->second != nullptr)
            it->second->PostMessage(message);
        return;
    }
    // A handler's PostMessage may register, unregister or destroy handlers: walk a
    // snapshot of the names and look each one up again when its turn comes.
    std::vector<std::string> names;
    names.reserve(directory.size());
    for (const auto& entry : directory)
        names.push_back(entry.first);
    for (const std::string& entryName : names)
    {
        auto it = directory.find(entryName);
        if (it != directory.end() && it->second != nullptr)
            it->second->PostMessage(message);
    }
}

void BroadcastMessage(const cKelpoMsg& message)
{
    SendMessage(std::string(), message);
}

#include "KelpoBase/core/KelpoObj.h"

#include <algorithm>
#include <list>
#include <map>

namespace
{
using WeakRefRegistry = std::map<const cKelpoObj*, std::list<cWeakRef*>>;

WeakRefRegistry& Registry()
{
    // Never destroyed, so objects destroyed during exit still find it.
    static WeakRefRegistry* registry = new WeakRefRegistry();
    return *registry;
}
} // namespace

bool cClassInfo::IsKindOf(const cClassInfo* start, const cClassInfo* target)
{
    for (const cClassInfo* info = start; info != nullptr; info = info->parent)
        if (info == target)
            return true;
    return false;
}

const cClassInfo* cKelpoObj::StaticClassInfo()
{
    static const cClassInfo info("cKelpoObj", nullptr);
    return &info;
}

cKelpoObj::~cKelpoObj()
{
    ClearWeakRefs(this);
    (void)mWord;
}

void cWeakRef::Assign(cKelpoObj* target)
{
    if (target == mTarget)
        return;
    WeakRefRegistry& registry = Registry();
    if (mTarget != nullptr)
    {
        auto it = registry.find(mTarget);
        if (it != registry.end())
            it->second.remove(this);
    }
    mTarget = target;
    if (target != nullptr)
        registry[target].push_back(this);
}

void ClearWeakRefs(cKelpoObj* object)
{
    WeakRefRegistry& registry = Registry();
    auto it = registry.find(object);
    if (it == registry.end())
        return;
    for (cWeakRef* slot : it->second)
        slot->mTarget = nullptr;
    registry.erase(it);
}

size_t WeakRefCount(const cKelpoObj* object)
{
    auto it = Registry().find(object);
    return it == Registry().end() ? 0 : it->second.size();
}

bool WeakRefHasEntry(const cKelpoObj* object) { return Registry().count(object) != 0; }

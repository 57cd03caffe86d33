#include "app/script/LuaLock.h"

#include "platform/Lock.h"

namespace {

platform::RecursiveLock& Lock()
{
    static platform::RecursiveLock lock;
    return lock;
}

} // namespace

void InitLuaLock()
{
    Lock();  // built on first use; nothing else to set up
}

void DeleteLuaLock()
{
}

void EnterLuaLock()
{
    Lock().Enter();
}

void LeaveLuaLock()
{
    Lock().Leave();
}

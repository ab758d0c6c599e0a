// IEventManager: the process-wide manager pointer.
// Single-threaded by design: the pointer is a plain global, set and cleared on the main thread.
#include "events/IEventManager.h"

namespace
{
IEventManager* g_eventManager = nullptr;
}

IEventManager::IEventManager()
{
    g_eventManager = this;
}

IEventManager::~IEventManager()
{
    if (g_eventManager == this)
    {
        g_eventManager = nullptr;
    }
}

IEventManager* IEventManager::Get()
{
    return g_eventManager;
}

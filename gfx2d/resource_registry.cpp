// The GPU resource registry.
#include "gfx2d/resource_registry.h"

ResourceRegistry* g_resourceRegistry = nullptr;

ResourceRegistry* createResourceRegistry() {
    if (!g_resourceRegistry) g_resourceRegistry = new ResourceRegistry();  // zero: all free
    return g_resourceRegistry;
}

bool registerResource(int32_t kind, void* object) {
    if (!g_resourceRegistry || !object) return false;
    RegistryEntry* freeSlot = nullptr;
    for (RegistryEntry& e : g_resourceRegistry->slots) {
        if (e.object == object) return false;
        if (!e.object && !freeSlot) freeSlot = &e;
    }
    if (!freeSlot) return false;
    *freeSlot = {kind, object};
    return true;
}

void unregisterResource(void* object) {
    if (!g_resourceRegistry || !object) return;
    for (RegistryEntry& e : g_resourceRegistry->slots) {
        if (e.object == object) e = {0, nullptr};
    }
}

int registeredResourceCount() {
    int n = 0;
    if (g_resourceRegistry)
        for (const RegistryEntry& e : g_resourceRegistry->slots) n += e.object != nullptr;
    return n;
}

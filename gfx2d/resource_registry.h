// The GPU resource registry: a fixed table of 256 slots in which every uploaded texture
// (kind 0) and vertex buffer store (kind 1) registers itself while it exists.
#pragma once

#include <cstdint>

constexpr int kRegistrySlots = 256;

enum ResourceKind : int32_t { kResourceTexture = 0, kResourceVertexStore = 1 };

struct RegistryEntry {
    int32_t kind;
    void* object;  // null = free slot
};

struct ResourceRegistry {
    RegistryEntry slots[kRegistrySlots];
};

// The program-wide registry; null until start-up creates it.
extern ResourceRegistry* g_resourceRegistry;

// Creates the registry with every slot empty, once; later calls keep the existing one.
ResourceRegistry* createResourceRegistry();
// Adds {kind, object} unless the object is already registered or every slot is taken (then
// nothing happens and nothing is reported). False when not added.
bool registerResource(int32_t kind, void* object);
void unregisterResource(void* object);
int registeredResourceCount();

// The executable's resources as the Win32 calls see them (the registry is resource_registry.h).
#include "kernel/resource_registry.h"
#include "winbase.h"

using platform::resources::TheRegistry;

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!platform::resources::IsOwnModule(module)) return nullptr;
    // Only integer names and types are ever embedded; string names find nothing.
    const std::optional<int> id = platform::resources::IntegerName(name);
    const std::optional<int> typeId = platform::resources::IntegerName(type);
    if (!id || !typeId) return nullptr;
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.AbsorbTables();
    const auto found = registry.visible.find({*typeId, *id});
    if (found == registry.visible.end()) return nullptr;
    return reinterpret_cast<HRSRC>(const_cast<platform::resources::Record*>(found->second));
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
    if (!platform::resources::IsOwnModule(module)) return nullptr;
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.Find(resource) != nullptr ? static_cast<HGLOBAL>(resource) : nullptr;
}

LPVOID WINAPI LockResource(HGLOBAL loaded) {
    int pending = platform::resources::gFailLockResource.load();
    while (pending > 0) {
        if (platform::resources::gFailLockResource.compare_exchange_weak(pending, pending - 1)) return nullptr;
    }
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const platform::resources::Record* record = registry.Find(loaded);
    if (record == nullptr) return nullptr;
    // An empty resource still locks to a valid (unreadable-length) address.
    static const unsigned char kEmpty[1] = {0};
    return const_cast<unsigned char*>(record->data != nullptr ? record->data : kEmpty);
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
    if (!platform::resources::IsOwnModule(module)) return 0;
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const platform::resources::Record* record = registry.Find(resource);
    return record != nullptr ? static_cast<DWORD>(record->size) : 0;
}

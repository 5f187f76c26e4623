#include "kernel/kernel_control.h"

#include "kernel/kernel_state.h"
#include "kernel/resource_registry.h"

namespace platform::testing {

void SetTickCount(std::optional<DWORD> fixed) {
    kernel::gFixedTick.store(fixed.value_or(0), std::memory_order_relaxed);
    kernel::gTickFixed.store(fixed.has_value(), std::memory_order_release);
}

}  // namespace platform::testing

namespace platform::resources {

void AddForTesting(LPCSTR type, int id, std::vector<unsigned char> bytes) {
    const std::optional<int> typeId = IntegerName(type);
    if (!typeId) return;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.AbsorbTables();
    // Replacing an earlier addition reuses its record, so repeated additions (a fuzzer's) take no
    // more memory; handles found earlier see the new bytes.
    const auto found = registry.visible.find({*typeId, id});
    Record* record = found != registry.visible.end() && found->second->added ? const_cast<Record*>(found->second)
                                                                              : nullptr;
    if (record == nullptr) record = const_cast<Record*>(registry.Add(Record{*typeId, id, nullptr, 0, {}, true}));
    record->owned = std::move(bytes);
    record->data = record->owned.data();
    record->size = record->owned.size();
}

void RemoveForTesting(LPCSTR type, int id) {
    const std::optional<int> typeId = IntegerName(type);
    if (!typeId) return;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.AbsorbTables();
    registry.visible.erase({*typeId, id});
}

void FailLockResource(int times) { gFailLockResource.store(times > 0 ? times : 0); }

}  // namespace platform::resources

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
    Record record{*typeId, id, nullptr, bytes.size(), std::move(bytes)};
    record.data = record.owned.data();
    registry.Add(std::move(record));
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

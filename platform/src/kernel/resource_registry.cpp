#include "kernel/resource_registry.h"

#include "winbase.h"

namespace platform::resources {
namespace {

// Zero-initialised before any dynamic initialisation, so generated tables can register from
// their static initialisers in any order.
constinit EmbeddedResourceTable* gRegisteredTables = nullptr;

}  // namespace

std::atomic<int> gFailLockResource{0};

const Record* Registry::Add(Record record) {
    records.push_back(std::move(record));
    const Record* added = &records.back();
    handles.insert(added);
    visible[{added->type, added->id}] = added;
    return added;
}

void Registry::AbsorbTables() {
    for (EmbeddedResourceTable* table = gRegisteredTables; table != nullptr && table != absorbed; table = table->next) {
        for (std::size_t i = 0; i < table->count; ++i) {
            const EmbeddedResource& entry = table->entries[i];
            if (!visible.contains({entry.type, entry.id})) {
                Add(Record{entry.type, entry.id, entry.data, entry.size, {}});
            }
        }
    }
    absorbed = gRegisteredTables;
}

const Record* Registry::Find(const void* handle) {
    AbsorbTables();
    return handle != nullptr && handles.contains(handle) ? static_cast<const Record*>(handle) : nullptr;
}

Registry& TheRegistry() {
    static auto* registry = new Registry();
    return *registry;
}

std::optional<int> IntegerName(LPCSTR name) {
    if (name == nullptr) return std::nullopt;
    if (IS_INTRESOURCE(name)) return static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    if (name[0] != '#' || name[1] == '\0') return std::nullopt;
    int value = 0;
    for (const char* p = name + 1; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return std::nullopt;
        value = value * 10 + (*p - '0');
        if (value > 0xFFFF) return std::nullopt;
    }
    return value;
}

bool IsOwnModule(HMODULE module) { return module == nullptr || module == GetModuleHandleA(nullptr); }

void RegisterEmbeddedResources(EmbeddedResourceTable* table) {
    if (table == nullptr) return;
    table->next = gRegisteredTables;
    gRegisteredTables = table;
}

}  // namespace platform::resources

// The executable's resources: the tables the build embedded, plus test additions, looked up by
// integer type and id. A resource handle (HRSRC, and the HGLOBAL LoadResource makes of it) is the
// address of its record; records are never freed, and handles are checked against them.
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/resource_control.h"
#include "winbase.h"

namespace platform::resources {

namespace {

// Zero-initialised before any dynamic initialisation, so generated tables can register from
// their static initialisers in any order.
constinit EmbeddedResourceTable* gRegisteredTables = nullptr;
std::atomic<int> gFailLockResource{0};

struct Record {
    int type;
    int id;
    const unsigned char* data;
    std::size_t size;
    std::vector<unsigned char> owned;  // the bytes of a test addition
};

using Key = std::pair<int, int>;  // type, id

struct Registry {
    std::mutex mutex;
    std::deque<Record> records;  // stable addresses: every handle ever given out
    std::unordered_set<const void*> handles;
    std::map<Key, const Record*> visible;
    EmbeddedResourceTable* absorbed = nullptr;  // newest table already in `visible`

    const Record* Add(Record record) {
        records.push_back(std::move(record));
        const Record* added = &records.back();
        handles.insert(added);
        visible[{added->type, added->id}] = added;
        return added;
    }

    // Takes in the tables registered since the last look. Caller holds the mutex.
    void AbsorbTables() {
        for (EmbeddedResourceTable* table = gRegisteredTables; table != nullptr && table != absorbed;
             table = table->next) {
            for (std::size_t i = 0; i < table->count; ++i) {
                const EmbeddedResource& entry = table->entries[i];
                if (!visible.contains({entry.type, entry.id})) {
                    Add(Record{entry.type, entry.id, entry.data, entry.size, {}});
                }
            }
        }
        absorbed = gRegisteredTables;
    }

    const Record* Find(const void* handle) {
        AbsorbTables();
        return handle != nullptr && handles.contains(handle) ? static_cast<const Record*>(handle) : nullptr;
    }
};

Registry& TheRegistry() {
    static auto* registry = new Registry();
    return *registry;
}

// An integer name: MAKEINTRESOURCEA(n), or "#n" with n a decimal number up to 65535.
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

}  // namespace

void RegisterEmbeddedResources(EmbeddedResourceTable* table) {
    if (table == nullptr) return;
    table->next = gRegisteredTables;
    gRegisteredTables = table;
}

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

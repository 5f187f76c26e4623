// The registry behind the executable's resources: the tables the build embedded, plus test
// additions, looked up by integer type and id. A resource handle (HRSRC, and the HGLOBAL
// LoadResource makes of it) is the address of its record; records are never freed, and handles
// are checked against them.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/embedded_resources.h"
#include "windef.h"

namespace platform::resources {

// LockResource calls still to fail (set by the test controls).
extern std::atomic<int> gFailLockResource;

struct Record {
    int type;
    int id;
    const unsigned char* data;
    std::size_t size;
    std::vector<unsigned char> owned;  // the bytes of a test addition
    bool added = false;                // a test addition, replaced in place by the next one
};

struct Registry {
    std::mutex mutex;
    std::deque<Record> records;  // stable addresses: every handle ever given out
    std::unordered_set<const void*> handles;
    std::map<std::pair<int, int>, const Record*> visible;  // by type, id
    EmbeddedResourceTable* absorbed = nullptr;             // newest table already in `visible`

    const Record* Add(Record record);
    // Takes in the tables registered since the last look. Caller holds the mutex.
    void AbsorbTables();
    const Record* Find(const void* handle);
};

Registry& TheRegistry();

// An integer name: MAKEINTRESOURCEA(n), or "#n" with n a decimal number up to 65535.
std::optional<int> IntegerName(LPCSTR name);

bool IsOwnModule(HMODULE module);

}  // namespace platform::resources

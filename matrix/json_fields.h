// Typed reads of a parsed JSON document that say which field was wrong: reading a file someone
// else wrote, a missing field or one of another type is a reason to give, never a crash.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace matrix {

using Json = nlohmann::json;

// Thrown by the reads below; the reason names the field.
struct Unreadable {
    std::string reason;
};

const Json& Field(const Json& object, const char* key);  // any type, present
std::string Text(const Json& object, const char* key);
std::string TextOrEmpty(const Json& object, const char* key);  // a string, or null for ""
std::uint64_t Count(const Json& object, const char* key);      // a whole number >= 0
bool Flag(const Json& object, const char* key);
// A number, or null (false); anything else is unreadable.
bool NumberOrNull(const Json& object, const char* key, double& value);
const Json& Array(const Json& object, const char* key);
const Json& Object(const Json& object, const char* key);

// Runs read(), naming `where` in front of the reason of any field it finds wrong.
template <typename Read>
auto Within(const std::string& where, Read read) {
    try {
        return read();
    } catch (Unreadable& failure) {
        failure.reason = where + "." + failure.reason;
        throw;
    }
}

}  // namespace matrix

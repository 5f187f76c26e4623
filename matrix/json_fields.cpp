#include "matrix/json_fields.h"

namespace matrix {

namespace {

[[noreturn]] void Wrong(const char* key, const char* what) {
    throw Unreadable{std::string(key) + " is missing or not " + what};
}

const Json* Find(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

}  // namespace

const Json& Field(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found == nullptr) Wrong(key, "there");
    return *found;
}

std::string Text(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found == nullptr || !found->is_string()) Wrong(key, "a string");
    return found->get<std::string>();
}

std::string TextOrEmpty(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found != nullptr && found->is_null()) return {};
    return Text(object, key);
}

std::uint64_t Count(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found == nullptr || !(found->is_number_unsigned() || (found->is_number_integer() && *found >= 0))) {
        Wrong(key, "a whole number");
    }
    return found->get<std::uint64_t>();
}

bool Flag(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found == nullptr || !found->is_boolean()) Wrong(key, "true or false");
    return found->get<bool>();
}

bool NumberOrNull(const Json& object, const char* key, double& value) {
    const Json* found = Find(object, key);
    if (found != nullptr && found->is_null()) return false;
    if (found == nullptr || !found->is_number()) Wrong(key, "a number or null");
    value = found->get<double>();
    return true;
}

const Json& Array(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found == nullptr || !found->is_array()) Wrong(key, "a list");
    return *found;
}

const Json& Object(const Json& object, const char* key) {
    const Json* found = Find(object, key);
    if (found == nullptr || !found->is_object()) Wrong(key, "an object");
    return *found;
}

}  // namespace matrix

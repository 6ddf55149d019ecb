#include "startup/key_value_store.h"

#include <algorithm>

#include "common/cp1252.h"

namespace vendrik {
namespace {

std::string foldCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return out;
}

}  // namespace

std::optional<std::string> MemoryKeyValueStore::readValue(RegistryRoot root,
                                                          std::string_view subKey,
                                                          std::string_view valueName) const {
    const auto it = m_values.find({root, foldCase(subKey), foldCase(valueName)});
    if (it == m_values.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool MemoryKeyValueStore::writeValue(RegistryRoot root, std::string_view subKey,
                                     std::string_view valueName, std::string_view value) {
    m_values[{root, foldCase(subKey), foldCase(valueName)}] = std::string(value);
    return true;
}

std::string ReadRegString(const KeyValueStore& store, RegistryRoot root, std::string_view subKey,
                          std::string_view valueName) {
    const auto raw = store.readValue(root, subKey, valueName);
    if (!raw || utf8ToCp1252(*raw).size() >= kRegStringBuffer) {
        return {};
    }
    std::string_view v = *raw;
    v = v.substr(0, v.find('\0'));
    const auto first = v.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = v.find_last_not_of(' ');
    return std::string(v.substr(first, last - first + 1));
}

void WriteRegString(KeyValueStore& store, RegistryRoot root, std::string_view subKey,
                    std::string_view valueName, std::string_view value) {
    static_cast<void>(store.writeValue(root, subKey, valueName, value));
}

}  // namespace vendrik

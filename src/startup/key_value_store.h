#pragma once
// A registry-like store, reduced to what the program needs from one:
// string values under a root, a key path and a value name. On Linux nothing
// provides the one value start-up reads (the mail client's attachment
// folder), so the platform store is empty; tests use the in-memory store.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace vendrik {

enum class RegistryRoot { ClassesRoot, CurrentUser };

class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    // The stored value as it is, or nothing when the key or value is
    // missing. An empty value name stands for the key's default value.
    [[nodiscard]] virtual std::optional<std::string> readValue(RegistryRoot root,
                                                               std::string_view subKey,
                                                               std::string_view valueName) const = 0;
    // Creates the key as needed. False when nothing was stored.
    virtual bool writeValue(RegistryRoot root, std::string_view subKey,
                            std::string_view valueName, std::string_view value) = 0;
};

// Key paths and value names are matched without regard to ASCII case, as
// the registry does.
class MemoryKeyValueStore final : public KeyValueStore {
public:
    [[nodiscard]] std::optional<std::string> readValue(RegistryRoot root, std::string_view subKey,
                                                       std::string_view valueName) const override;
    bool writeValue(RegistryRoot root, std::string_view subKey, std::string_view valueName,
                    std::string_view value) override;

private:
    std::map<std::tuple<RegistryRoot, std::string, std::string>, std::string> m_values;
};

// Holds nothing and keeps nothing.
class PlatformKeyValueStore final : public KeyValueStore {
public:
    [[nodiscard]] std::optional<std::string> readValue(RegistryRoot /*root*/,
                                                       std::string_view /*subKey*/,
                                                       std::string_view /*valueName*/) const override {
        return std::nullopt;
    }
    bool writeValue(RegistryRoot /*root*/, std::string_view /*subKey*/,
                    std::string_view /*valueName*/, std::string_view /*value*/) override {
        return false;
    }
};

// A value is read into 256 bytes, the terminating zero included.
inline constexpr std::size_t kRegStringBuffer = 256;

// The value cut before its first zero character and trimmed of blanks at
// both ends; empty when the key or value is missing or the value (in
// Windows-1252) does not fit the 256-byte buffer with its terminating zero.
[[nodiscard]] std::string ReadRegString(const KeyValueStore& store, RegistryRoot root,
                                        std::string_view subKey, std::string_view valueName);

// Stores the value; the outcome is not checked (a failed write only means
// the next read finds nothing).
void WriteRegString(KeyValueStore& store, RegistryRoot root, std::string_view subKey,
                    std::string_view valueName, std::string_view value);

// Where start-up finds the mail client The Bat!'s last attachment folder.
inline constexpr std::string_view kTheBatKey = "Software\\RIT\\The Bat!";
inline constexpr std::string_view kTheBatValue = "Last attach path";

}  // namespace vendrik

#pragma once
// An in-memory registry hive: keys named by backslash paths, each with
// string and DWORD values. Key and value names compare without regard to
// case and keep the case they were created with.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vox::setup {

using RegistryValue = std::variant<std::string, std::uint32_t>;

class RegistryTree {
  public:
    // Creates the key and every key above it.
    void createKey(const std::string& path);
    void setValue(const std::string& path, const std::string& name, RegistryValue value);
    bool hasKey(const std::string& path) const;
    std::optional<RegistryValue> value(const std::string& path, const std::string& name) const;
    // Names of the keys directly below `path`; absent when `path` is.
    std::optional<std::vector<std::string>> subkeys(const std::string& path) const;
    // Deletes the key with everything below it; false when it did not exist.
    bool deleteTree(const std::string& path);

  private:
    struct Key {
        std::string path;
        std::map<std::string, std::pair<std::string, RegistryValue>> values;  // by upper-case name
    };
    std::map<std::string, Key> keys_;  // by upper-case path
};

}  // namespace vox::setup

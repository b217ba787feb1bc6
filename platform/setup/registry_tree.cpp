#include "platform/setup/registry_tree.h"

#include "platform/setup/ascii_case.h"

namespace vox::setup {

void RegistryTree::createKey(const std::string& path) {
    for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        const std::string prefix = path.substr(0, end);
        keys_.try_emplace(asciiUpper(prefix), Key{prefix, {}});
        if (end == std::string::npos) break;
    }
}

void RegistryTree::setValue(const std::string& path, const std::string& name, RegistryValue value) {
    createKey(path);
    keys_[asciiUpper(path)].values[asciiUpper(name)] = {name, std::move(value)};
}

bool RegistryTree::hasKey(const std::string& path) const {
    return keys_.count(asciiUpper(path)) != 0;
}

std::optional<RegistryValue> RegistryTree::value(const std::string& path,
                                                 const std::string& name) const {
    const auto key = keys_.find(asciiUpper(path));
    if (key == keys_.end()) return std::nullopt;
    const auto found = key->second.values.find(asciiUpper(name));
    if (found == key->second.values.end()) return std::nullopt;
    return found->second.second;
}

std::optional<std::vector<std::string>> RegistryTree::subkeys(const std::string& path) const {
    const std::string upper = asciiUpper(path);
    if (keys_.count(upper) == 0) return std::nullopt;
    const std::string prefix = upper + '\\';
    std::vector<std::string> names;
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.starts_with(prefix);
         ++it) {
        if (it->first.find('\\', prefix.size()) == std::string::npos)
            names.push_back(it->second.path.substr(prefix.size()));
    }
    return names;
}

bool RegistryTree::deleteTree(const std::string& path) {
    const std::string upper = asciiUpper(path);
    if (keys_.erase(upper) == 0) return false;
    const std::string prefix = upper + '\\';
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.starts_with(prefix);)
        it = keys_.erase(it);
    return true;
}

}  // namespace vox::setup

#include "voice_encoder/tests/block_vectors.h"

#include <fstream>
#include <sstream>

namespace vox::g729::testing {

const std::vector<int>& BlockCall::operator[](const std::string& key) const {
    static const std::vector<int> kNone;
    const auto found = fields.find(key);
    return found == fields.end() ? kNone : found->second;
}

int BlockCall::scalar(const std::string& key) const {
    const std::vector<int>& v = (*this)[key];
    return v.size() == 1 ? v[0] : -32769;  // outside Word16: never equals a real value
}

std::optional<std::vector<BlockCall>> read_block_vectors(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::vector<BlockCall> calls;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string dir;
        words >> dir;
        if (dir == "call") {
            BlockCall call;
            if (!(words >> call.number)) return std::nullopt;
            calls.push_back(std::move(call));
            continue;
        }
        std::string name;
        std::string count_word;
        if (calls.empty() || !(words >> name >> count_word) || count_word.back() != ':')
            return std::nullopt;
        const std::size_t count = std::stoul(count_word);
        std::vector<int> values;
        for (int v; words >> v;) values.push_back(v);
        if (values.size() != count) return std::nullopt;
        calls.back().fields[dir + " " + name] = std::move(values);
    }
    return calls;
}

}  // namespace vox::g729::testing

#pragma once
// Reader of the block vectors: the recorded inputs and outputs of single calls
// of a coder block. A file is a '#' header, then one paragraph per call:
//   call N
//   <in|out|ctx|aux> <name> <count>: v0 v1 ...

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "voice_encoder/basic_ops.h"

namespace vox::g729::testing {

class BlockCall {
  public:
    int number = -1;
    // Values by "dir name", e.g. "in x" or "out indx".
    std::map<std::string, std::vector<int>> fields;

    // The values of a field; an empty vector when the call has no such field.
    const std::vector<int>& operator[](const std::string& key) const;
    int scalar(const std::string& key) const;
    // Copies the field into `out`, which must hold exactly its values.
    template <std::size_t N>
    bool copy_to(const std::string& key, Word16 (&out)[N]) const {
        const std::vector<int>& v = (*this)[key];
        if (v.size() != N) return false;
        for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<Word16>(v[i]);
        return true;
    }
};

// Every call of the file; nullopt when it cannot be read or a line does not
// parse (a count that does not match its values included).
std::optional<std::vector<BlockCall>> read_block_vectors(const std::filesystem::path& file);

template <std::size_t N>
std::vector<int> values_of(const Word16 (&a)[N]) {
    return std::vector<int>(a, a + N);
}

}  // namespace vox::g729::testing

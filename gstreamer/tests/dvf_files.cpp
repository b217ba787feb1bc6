#include "gstreamer/tests/dvf_files.h"

#include <filesystem>

#include "gstreamer/tests/gst_harness.h"

namespace vox::dvf::testing {

std::string samplePath(const char* path) {
    return std::string(VOX_SAMPLE_RECORDINGS) + "/" + path;
}

std::string Workbench::put(const std::string& name, const std::string& bytes) {
    const std::string path = sandbox_.pcPath(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    voxctl::testing::writeFile(path, bytes);
    return path;
}

std::vector<std::int16_t> Workbench::voxctlDecode(const std::string& path) {
    const std::string copy =
        put("decoded/" + std::to_string(decodes_++) + ".DVF", voxctl::testing::readFile(path));
    const voxctl::testing::Finished decoded = sandbox_.run({"decode", "--force", copy});
    if (decoded.status != 0) return {};
    const std::string wav = copy.substr(0, copy.size() - 4) + ".WAV";
    return wavSamples(voxctl::testing::readFile(wav));
}

}  // namespace vox::dvf::testing

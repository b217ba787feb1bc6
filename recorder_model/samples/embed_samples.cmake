# vox_embed_sample_recordings(OUTPUT): writes OUTPUT, a source file that
# holds every samples/<folder>/<name>.DVF as a byte array for
# sampleRecording(). CMake runs again when a recording changes.
function(vox_embed_sample_recordings output)
  set(samples ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  file(GLOB recordings RELATIVE ${samples} CONFIGURE_DEPENDS ${samples}/*/*.DVF)
  list(SORT recordings)
  set(arrays "")
  set(entries "")
  set(index 0)
  foreach(recording IN LISTS recordings)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${samples}/${recording})
    file(READ ${samples}/${recording} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "constexpr std::uint8_t kRecording${index}[] = {\n${bytes}};\n")
    string(APPEND entries "    {\"${recording}\", kRecording${index}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  file(CONFIGURE OUTPUT ${output} @ONLY CONTENT
"// Written by recorder_model/samples/embed_samples.cmake from the .DVF files there.
#include \"recorder_model/sample_recordings.h\"

namespace vox::model {
namespace {

@arrays@
struct Recording {
    std::string_view path;
    std::span<const std::uint8_t> bytes;
};

constexpr Recording kRecordings[] = {
@entries@};

}  // namespace

std::span<const std::uint8_t> sampleRecording(std::string_view path) {
    for (const Recording& recording : kRecordings) {
        if (recording.path == path) return recording.bytes;
    }
    return {};
}

}  // namespace vox::model
")
endfunction()

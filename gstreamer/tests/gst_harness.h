#pragma once
// Runs real GStreamer pipelines for the plugin's tests: to their end or to
// an error, after an optional seek, gathering the samples an appsink gets.

#include <gst/gst.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vox::dvf::testing {

void initGStreamer();

struct Played {
    std::vector<std::int16_t> samples;
    GstClockTime firstTime = GST_CLOCK_TIME_NONE;  // of the first sample
    bool reachedEnd = false;
    std::string error;  // the first error the pipeline posted
};

// `description` is a gst-launch pipeline that ends in "appsink name=out".
Played play(const std::string& description, std::optional<GstClockTime> seekTo = std::nullopt,
            std::size_t enoughSamples = SIZE_MAX);
// playbin on `path` with an appsink as its audio sink.
Played playWithPlaybin(const std::string& path);

// The caps the typefind element finds for `path` ("" when it finds none).
std::string typeOf(const std::string& path);
// The duration the discoverer reports for `path`.
GstClockTime discoveredDuration(const std::string& path);

// The samples of the "data" chunk of a 16-bit WAV file.
std::vector<std::int16_t> wavSamples(const std::string& wavBytes);

GstClockTime timeOfSample(std::uint64_t sample);

}  // namespace vox::dvf::testing

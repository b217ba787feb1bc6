#include "gstreamer/tests/gst_harness.h"

#include <gst/app/gstappsink.h>
#include <gst/pbutils/pbutils.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace vox::dvf::testing {
namespace {

std::string quoted(const std::string& text) {
    gchar* escaped = g_strescape(text.c_str(), nullptr);
    std::string result = std::string("\"") + escaped + "\"";
    g_free(escaped);
    return result;
}

std::string takeError(GstBus* bus) {
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    if (message == nullptr) return "";
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    std::string text = error != nullptr ? error->message : "error";
    g_clear_error(&error);
    gst_message_unref(message);
    return text.empty() ? "error" : text;
}

void append(Played& played, GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (played.samples.empty()) played.firstTime = GST_BUFFER_PTS(buffer);
    const std::size_t bytes = gst_buffer_get_size(buffer);
    const std::size_t at = played.samples.size();
    played.samples.resize(at + bytes / 2);
    gst_buffer_extract(buffer, 0, played.samples.data() + at, bytes);
}

// Pulls from `sink` until the end, an error or enough samples.
Played run(GstElement* pipeline, GstElement* sink, std::optional<GstClockTime> seekTo,
           std::size_t enoughSamples) {
    Played played;
    GstBus* bus = gst_element_get_bus(pipeline);
    if (seekTo) {
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        if (gst_element_get_state(pipeline, nullptr, nullptr, 30 * GST_SECOND) !=
                GST_STATE_CHANGE_SUCCESS ||
            !gst_element_seek_simple(
                pipeline, GST_FORMAT_TIME,
                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                static_cast<gint64>(*seekTo))) {
            played.error = takeError(bus);
            if (played.error.empty()) played.error = "the seek was refused";
        }
    }
    if (played.error.empty()) gst_element_set_state(pipeline, GST_STATE_PLAYING);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (played.error.empty() && played.samples.size() < enoughSamples) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_MSECOND * 20);
        if (sample != nullptr) {
            append(played, sample);
            gst_sample_unref(sample);
            continue;
        }
        if (gst_app_sink_is_eos(GST_APP_SINK(sink))) {
            played.reachedEnd = true;
            break;
        }
        played.error = takeError(bus);
        if (std::chrono::steady_clock::now() > deadline) played.error = "timed out";
    }
    if (played.error.empty()) played.error = takeError(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    return played;
}

}  // namespace

void initGStreamer() {
    static const bool initialised = [] {
        // The build's plugin, and the registry gstreamer_test_registry made.
        g_setenv("GST_PLUGIN_PATH", VOX_GST_PLUGIN_PATH, TRUE);
        g_setenv("GST_REGISTRY", VOX_GST_REGISTRY, TRUE);
        g_setenv("GST_REGISTRY_FORK", "no", TRUE);
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
}

Played play(const std::string& description, std::optional<GstClockTime> seekTo,
            std::size_t enoughSamples) {
    initGStreamer();
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        Played failed;
        failed.error = error->message;
        g_clear_error(&error);
        if (pipeline != nullptr) gst_object_unref(pipeline);
        return failed;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    if (sink == nullptr) throw std::logic_error("the pipeline has no appsink named out");
    Played played = run(pipeline, sink, seekTo, enoughSamples);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return played;
}

Played playWithPlaybin(const std::string& path) {
    initGStreamer();
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    GstCaps* caps = gst_caps_from_string("audio/x-raw, format=S16LE, rate=8000, channels=1");
    g_object_set(sink, "sync", FALSE, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    g_object_set(playbin, "uri", uri, "audio-sink", gst_object_ref(sink), nullptr);
    g_free(uri);
    Played played = run(playbin, sink, std::nullopt, SIZE_MAX);
    gst_object_unref(sink);
    gst_object_unref(playbin);
    return played;
}

std::string typeOf(const std::string& path) {
    initGStreamer();
    const std::string description =
        "filesrc location=" + quoted(path) + " ! typefind name=find ! fakesink";
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    GstElement* find = gst_bin_get_by_name(GST_BIN(pipeline), "find");
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    gst_element_get_state(pipeline, nullptr, nullptr, 30 * GST_SECOND);
    GstCaps* caps = nullptr;
    g_object_get(find, "caps", &caps, nullptr);
    std::string found;
    if (caps != nullptr) {
        gchar* text = gst_caps_to_string(caps);
        found = text;
        g_free(text);
        gst_caps_unref(caps);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(find);
    gst_object_unref(pipeline);
    return found;
}

GstClockTime discoveredDuration(const std::string& path) {
    initGStreamer();
    GstDiscoverer* discoverer = gst_discoverer_new(30 * GST_SECOND, nullptr);
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, nullptr);
    g_free(uri);
    GstClockTime duration = GST_CLOCK_TIME_NONE;
    if (info != nullptr) {
        if (gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK)
            duration = gst_discoverer_info_get_duration(info);
        gst_discoverer_info_unref(info);
    }
    g_object_unref(discoverer);
    return duration;
}

std::vector<std::int16_t> wavSamples(const std::string& wav) {
    std::size_t at = 12;
    while (at + 8 <= wav.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, wav.data() + at + 4, 4);
        if (wav.compare(at, 4, "data") == 0) {
            const std::size_t bytes = std::min<std::size_t>(size, wav.size() - at - 8);
            std::vector<std::int16_t> samples(bytes / 2);
            std::memcpy(samples.data(), wav.data() + at + 8, samples.size() * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    throw std::runtime_error("no data chunk");
}

GstClockTime timeOfSample(std::uint64_t sample) {
    return gst_util_uint64_scale(sample, GST_SECOND, 8000);
}

}  // namespace vox::dvf::testing

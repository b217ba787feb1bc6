// Hands arbitrary bytes to the type finder, and as a file's content through
// the parser and the decoder to their end.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cstdint>

#include "gstreamer/dvf_dec.h"
#include "gstreamer/dvf_parse.h"
#include "gstreamer/dvf_typefind.h"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
};

const guint8* peek(gpointer data, gint64 offset, guint size) {
    const auto* input = static_cast<const Input*>(data);
    if (offset < 0 || static_cast<std::uint64_t>(offset) + size > input->size) return nullptr;
    return input->data + offset;
}

void suggest(gpointer, guint probability, GstCaps*) {
    if (probability > GST_TYPE_FIND_MAXIMUM) __builtin_trap();
}

guint64 length(gpointer data) {
    return static_cast<const Input*>(data)->size;
}

gboolean register_elements(GstPlugin* plugin) {
    return vox::dvf::register_parser(plugin) && vox::dvf::register_decoder(plugin);
}

void parse_and_decode(const std::uint8_t* data, std::size_t size) {
    GstElement* pipeline =
        gst_parse_launch("appsrc name=in format=bytes ! dvfparse ! dvfdec ! fakesink", nullptr);
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    g_object_set(source, "size", static_cast<gint64>(size), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (size > 0) {
        GstBuffer* buffer = gst_buffer_new_memdup(data, size);
        gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source));
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (end == nullptr) __builtin_trap();  // neither an end nor an error: a hang
    gst_message_unref(end);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(source);
    gst_object_unref(pipeline);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gst_init(nullptr, nullptr);
    gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "dvf", "DVF voice files",
                               register_elements, "1.0", GST_LICENSE_UNKNOWN, "voxerin", "voxerin",
                               "https://www.tevramedia.com/");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input{data, size};
    GstTypeFind find{};
    find.peek = peek;
    find.suggest = suggest;
    find.data = &input;
    find.get_length = length;
    vox::dvf::find_type(&find, nullptr);
    parse_and_decode(data, size);
    return 0;
}

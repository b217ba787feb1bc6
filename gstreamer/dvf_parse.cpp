#include "gstreamer/dvf_parse.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "gstreamer/dvf_stream.h"
#include "gstreamer/dvf_typefind.h"

namespace vox::dvf {
namespace {

struct VoxDvfParse {
    GstBaseParse parent;
    // Known once the first block has been seen; kept across seeks.
    bool rate_known;
    Rate rate;
};

struct VoxDvfParseClass {
    GstBaseParseClass parent_class;
};

GST_DEBUG_CATEGORY_STATIC(parser_debug);
#define GST_CAT_DEFAULT parser_debug

VoxDvfParse* as_parser(GstBaseParse* base) {
    return reinterpret_cast<VoxDvfParse*>(base);
}

GstClockTime time_of_sample(std::uint64_t sample) {
    return gst_util_uint64_scale(sample, GST_SECOND, kSampleRate);
}

GstStaticPadTemplate sink_template =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-dvf"));

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-dvf, bitrate = (int) { 6400, 8000, 11800 }, rate = (int) 8000, "
                    "channels = (int) 1, parsed = (boolean) true"));

gboolean parser_start(GstBaseParse* base) {
    as_parser(base)->rate_known = false;
    gst_base_parse_set_min_frame_size(base, kBlockBytes);
    return TRUE;
}

// Caps with the stream's first block, which a decoder needs to join a
// 6.4 kbit/s stream after a seek; the duration from the file's size; tags.
void announce_stream(VoxDvfParse* self, const std::uint8_t* first_block) {
    GstBaseParse* base = &self->parent;
    GstBuffer* stream_start = gst_buffer_new_memdup(first_block, kBlockBytes);
    GstCaps* caps = gst_caps_new_simple(kDvfCapsName, "bitrate", G_TYPE_INT, bit_rate(self->rate),
                                        "rate", G_TYPE_INT, kSampleRate, "channels", G_TYPE_INT, 1,
                                        "parsed", G_TYPE_BOOLEAN, TRUE, "codec_data",
                                        GST_TYPE_BUFFER, stream_start, nullptr);
    gst_buffer_unref(stream_start);
    gst_pad_set_caps(GST_BASE_PARSE_SRC_PAD(base), caps);
    gst_caps_unref(caps);

    // Timestamps and durations are set per block; the frame rate is what
    // tells the base class how much to back up before a seek's target.
    const auto block_samples = static_cast<guint>(samples_in_block(self->rate, 1));
    gst_base_parse_set_frame_rate(base, kSampleRate, block_samples,
                                  (kWarmUpSamples + block_samples - 1) / block_samples, 0);
    gint64 bytes = 0;
    if (gst_pad_peer_query_duration(GST_BASE_PARSE_SINK_PAD(base), GST_FORMAT_BYTES, &bytes) &&
        bytes > 0) {
        const GstClockTime duration =
            time_of_sample(samples_in_file(self->rate, static_cast<std::uint64_t>(bytes)));
        gst_base_parse_set_duration(base, GST_FORMAT_TIME, static_cast<gint64>(duration), 0);
    }

    GstTagList* tags = gst_tag_list_new_empty();
    gchar* codec = g_strdup_printf("DVF voice, %.1f kbit/s", bit_rate(self->rate) / 1000.0);
    gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_AUDIO_CODEC, codec, GST_TAG_BITRATE,
                     static_cast<guint>(bit_rate(self->rate)), nullptr);
    g_free(codec);
    gst_base_parse_merge_tags(base, tags, GST_TAG_MERGE_REPLACE);
    gst_tag_list_unref(tags);
}

GstFlowReturn parser_handle_frame(GstBaseParse* base, GstBaseParseFrame* frame, gint*) {
    VoxDvfParse* self = as_parser(base);
    GstMapInfo map;
    if (!gst_buffer_map(frame->buffer, &map, GST_MAP_READ)) return GST_FLOW_ERROR;
    // A short last block is a frame of its own, read as the decoder reads
    // it: with zeros after its bytes.
    const gsize size = std::min<gsize>(map.size, kBlockBytes);
    std::uint8_t block[kBlockBytes] = {};
    std::memcpy(block, map.data, size);
    gst_buffer_unmap(frame->buffer, &map);

    const std::uint64_t index = frame->offset / kBlockBytes;
    if (!self->rate_known) {
        const std::optional<Rate> announced =
            frame->offset == 0 ? g729::announced_rate(block) : std::nullopt;
        if (!announced) {
            GST_ELEMENT_ERROR(self, STREAM, WRONG_TYPE, ("This is not a voice file."),
                              ("the stream does not begin with the header of a known rate"));
            return GST_FLOW_ERROR;
        }
        self->rate = *announced;
        self->rate_known = true;
        announce_stream(self, block);
    }

    const std::uint64_t first = first_sample_of_block(self->rate, index);
    const GstClockTime start = time_of_sample(first);
    GstBuffer* buffer = frame->buffer;
    GST_BUFFER_PTS(buffer) = start;
    GST_BUFFER_DTS(buffer) = start;
    GST_BUFFER_DURATION(buffer) =
        time_of_sample(first + samples_in_block(self->rate, index)) - start;
    // The decoder tells a jump (after a seek) and the first block by it.
    GST_BUFFER_OFFSET(buffer) = frame->offset;
    return gst_base_parse_finish_frame(base, frame, static_cast<gint>(size));
}

gboolean parser_convert(GstBaseParse* base, GstFormat from, gint64 value, GstFormat to,
                        gint64* result) {
    VoxDvfParse* self = as_parser(base);
    if (!self->rate_known || value < 0)
        return gst_base_parse_convert_default(base, from, value, to, result);
    const auto amount = static_cast<std::uint64_t>(value);
    if (from == GST_FORMAT_BYTES && to == GST_FORMAT_TIME) {
        *result = static_cast<gint64>(time_of_sample(samples_in_file(self->rate, amount)));
        return TRUE;
    }
    if (from == GST_FORMAT_TIME && to == GST_FORMAT_BYTES) {
        const std::uint64_t sample = gst_util_uint64_scale(amount, kSampleRate, GST_SECOND);
        *result = static_cast<gint64>(block_holding_sample(self->rate, sample) * kBlockBytes);
        return TRUE;
    }
    return gst_base_parse_convert_default(base, from, value, to, result);
}

}  // namespace

G_DEFINE_TYPE(VoxDvfParse, vox_dvf_parse, GST_TYPE_BASE_PARSE)

static void vox_dvf_parse_class_init(VoxDvfParseClass* klass) {
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseParseClass* parse_class = GST_BASE_PARSE_CLASS(klass);
    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(element_class, "DVF voice parser", "Codec/Parser/Audio",
                                          "Splits voice recorder files into voice blocks",
                                          "Voxerin");
    parse_class->start = parser_start;
    parse_class->handle_frame = parser_handle_frame;
    parse_class->convert = parser_convert;
    GST_DEBUG_CATEGORY_INIT(parser_debug, "dvfparse", 0, "DVF voice parser");
}

static void vox_dvf_parse_init(VoxDvfParse* self) {
    self->rate_known = false;
    self->rate = Rate::k6400;
}

gboolean register_parser(GstPlugin* plugin) {
    return gst_element_register(plugin, "dvfparse", GST_RANK_PRIMARY, vox_dvf_parse_get_type());
}

}  // namespace vox::dvf

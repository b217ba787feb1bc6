#include "gstreamer/dvf_dec.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "gstreamer/dvf_stream.h"
#include "voice_decoder/decoder.h"

namespace vox::dvf {
namespace {

struct VoxDvfDec {
    GstAudioDecoder parent;
    g729::Decoder* decoder;   // between start and stop
    GstBuffer* stream_start;  // the stream's first block, from the caps
    bool rate_known;
    Rate rate;
    bool joined;                // the decoder follows the stream
    std::uint64_t next_offset;  // where the block after the last one lies
};

struct VoxDvfDecClass {
    GstAudioDecoderClass parent_class;
};

GST_DEBUG_CATEGORY_STATIC(decoder_debug);
#define GST_CAT_DEFAULT decoder_debug

VoxDvfDec* as_decoder(GstAudioDecoder* base) {
    return reinterpret_cast<VoxDvfDec*>(base);
}

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-dvf, bitrate = (int) { 6400, 8000, 11800 }, rate = (int) 8000, "
                    "channels = (int) 1, parsed = (boolean) true"));

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-raw, format = (string) S16LE, rate = (int) 8000, "
                    "channels = (int) 1, layout = (string) interleaved"));

gboolean decoder_start(GstAudioDecoder* base) {
    VoxDvfDec* self = as_decoder(base);
    self->decoder = new g729::Decoder();
    self->joined = false;
    return TRUE;
}

gboolean decoder_stop(GstAudioDecoder* base) {
    VoxDvfDec* self = as_decoder(base);
    delete self->decoder;
    self->decoder = nullptr;
    gst_clear_buffer(&self->stream_start);
    self->rate_known = false;
    return TRUE;
}

gboolean decoder_set_format(GstAudioDecoder* base, GstCaps* caps) {
    VoxDvfDec* self = as_decoder(base);
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    int bits_per_second = 0;
    if (!gst_structure_get_int(structure, "bitrate", &bits_per_second)) return FALSE;
    const std::optional<Rate> rate = rate_of_bit_rate(bits_per_second);
    if (!rate) return FALSE;
    self->rate = *rate;
    self->rate_known = true;
    gst_clear_buffer(&self->stream_start);
    const GValue* codec_data = gst_structure_get_value(structure, "codec_data");
    if (codec_data != nullptr && G_VALUE_HOLDS(codec_data, GST_TYPE_BUFFER))
        self->stream_start = gst_buffer_ref(gst_value_get_buffer(codec_data));
    self->joined = false;

    GstAudioInfo info;
    gst_audio_info_init(&info);
    gst_audio_info_set_format(&info, GST_AUDIO_FORMAT_S16LE, kSampleRate, 1, nullptr);
    return gst_audio_decoder_set_output_format(base, &info);
}

void decoder_flush(GstAudioDecoder* base, gboolean) {
    as_decoder(base)->joined = false;
}

// Copies up to one block of `buffer` into `block`, zeros after a short one.
void read_block(GstBuffer* buffer, std::uint8_t* block) {
    std::memset(block, 0, kBlockBytes);
    gst_buffer_extract(buffer, 0, block, kBlockBytes);
}

// Starts a new decoder stream at the block at `offset`. Anywhere but at the
// first block, the stream's first block goes in first, as it tells a
// 6.4 kbit/s stream's rate and opens every stream; the blocks the parser
// hands in before a seek's target let the decoder's state settle after it.
bool join_stream(VoxDvfDec* self, std::uint64_t offset) {
    self->decoder->reset();
    self->joined = true;
    if (offset == 0) return true;
    if (self->stream_start == nullptr) return self->rate != Rate::k6400;
    std::uint8_t block[kBlockBytes];
    read_block(self->stream_start, block);
    g729::Word16 discarded[g729::kMaxSamplesPerBlock];
    return self->decoder->decode_block(block, discarded) > 0;
}

GstFlowReturn decoder_handle_frame(GstAudioDecoder* base, GstBuffer* input) {
    VoxDvfDec* self = as_decoder(base);
    if (input == nullptr) return GST_FLOW_OK;  // nothing held back to drain
    if (!self->rate_known) {
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, (nullptr), ("no caps before the first block"));
        return GST_FLOW_NOT_NEGOTIATED;
    }
    const std::uint64_t offset =
        GST_BUFFER_OFFSET_IS_VALID(input) ? GST_BUFFER_OFFSET(input) : self->next_offset;
    GstFlowReturn result = GST_FLOW_OK;
    if (!self->joined || offset != self->next_offset) {
        if (!join_stream(self, offset)) {
            GST_ELEMENT_ERROR(self, STREAM, DECODE, (nullptr),
                              ("a 6.4 kbit/s stream cannot be joined without its first block"));
            return GST_FLOW_ERROR;
        }
    }
    self->next_offset = offset + kBlockBytes;

    std::uint8_t block[kBlockBytes];
    read_block(input, block);
    g729::Word16 samples[g729::kMaxSamplesPerBlock];
    const int count = self->decoder->decode_block(block, samples);
    if (count <= 0) {
        GST_AUDIO_DECODER_ERROR(
            self, 1, STREAM, DECODE, (nullptr),
            ("the block at byte %" G_GUINT64_FORMAT " is not a block of this stream", offset),
            result);
        if (result != GST_FLOW_OK) return result;
        return gst_audio_decoder_finish_frame(base, nullptr, 1);
    }
    const gsize bytes = static_cast<gsize>(count) * sizeof(g729::Word16);
    GstBuffer* output = gst_audio_decoder_allocate_output_buffer(base, bytes);
    gst_buffer_fill(output, 0, samples, bytes);
    return gst_audio_decoder_finish_frame(base, output, 1);
}

}  // namespace

G_DEFINE_TYPE(VoxDvfDec, vox_dvf_dec, GST_TYPE_AUDIO_DECODER)

static void vox_dvf_dec_class_init(VoxDvfDecClass* klass) {
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstAudioDecoderClass* decoder_class = GST_AUDIO_DECODER_CLASS(klass);
    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(element_class, "DVF voice decoder", "Codec/Decoder/Audio",
                                          "Decodes voice recorder blocks into 8 kHz speech",
                                          "Voxerin");
    decoder_class->start = decoder_start;
    decoder_class->stop = decoder_stop;
    decoder_class->set_format = decoder_set_format;
    decoder_class->flush = decoder_flush;
    decoder_class->handle_frame = decoder_handle_frame;
    GST_DEBUG_CATEGORY_INIT(decoder_debug, "dvfdec", 0, "DVF voice decoder");
}

static void vox_dvf_dec_init(VoxDvfDec* self) {
    self->decoder = nullptr;
    self->stream_start = nullptr;
    self->rate_known = false;
    self->rate = Rate::k6400;
    self->joined = false;
    self->next_offset = 0;
    gst_audio_decoder_set_needs_format(GST_AUDIO_DECODER(self), TRUE);
}

gboolean register_decoder(GstPlugin* plugin) {
    return gst_element_register(plugin, "dvfdec", GST_RANK_PRIMARY, vox_dvf_dec_get_type());
}

}  // namespace vox::dvf

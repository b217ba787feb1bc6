#include "gstreamer/dvf_typefind.h"

#include <algorithm>

#include "gstreamer/dvf_stream.h"

namespace vox::dvf {
namespace {

// Enough blocks to see the headers and parity bits of some 200 frames.
constexpr guint kBlocksLookedAt = 8;

}  // namespace

void find_type(GstTypeFind* find, gpointer) {
    const guint64 length = gst_type_find_get_length(find);
    std::optional<std::uint64_t> file_bytes;
    if (length > 0) file_bytes = length;
    // Peek the most that is there, up to the blocks we look at: a short
    // file refuses a longer peek.
    guint size = kBlocksLookedAt * kBlockBytes;
    if (file_bytes) size = static_cast<guint>(std::min<std::uint64_t>(size, *file_bytes));
    const guint8* data = nullptr;
    for (; size >= kBlockBytes; size -= kBlockBytes) {
        data = gst_type_find_peek(find, 0, size);
        if (data != nullptr) break;
    }
    if (data == nullptr) return;
    const std::optional<ProbeResult> found = probe(data, size, file_bytes);
    if (!found) return;
    gst_type_find_suggest_simple(find, found->certainty, kDvfCapsName, "bitrate", G_TYPE_INT,
                                 bit_rate(found->rate), "rate", G_TYPE_INT, kSampleRate, "channels",
                                 G_TYPE_INT, 1, nullptr);
}

gboolean register_type_finder(GstPlugin* plugin) {
    GstCaps* caps = gst_caps_new_empty_simple(kDvfCapsName);
    const gboolean registered = gst_type_find_register(plugin, "dvf", GST_RANK_PRIMARY, find_type,
                                                       "dvf,DVF", caps, nullptr, nullptr);
    gst_caps_unref(caps);
    return registered;
}

}  // namespace vox::dvf

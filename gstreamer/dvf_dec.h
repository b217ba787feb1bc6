#pragma once
// The ".DVF" decoder: each voice block into 8 kHz, 16-bit mono samples,
// exactly as a whole-file decode gives them. A block that is not one of the
// stream gives no samples and counts as a decoding error.

#include <gst/audio/gstaudiodecoder.h>

namespace vox::dvf {

GType vox_dvf_dec_get_type();

gboolean register_decoder(GstPlugin* plugin);

}  // namespace vox::dvf

#pragma once
// The ".DVF" parser: one 512-byte voice block per frame, each with the time
// and length of the samples it decodes to, the exact duration from the
// file's size, and seeks that start a few blocks before the block holding
// the time asked for, so that the decoder's state has settled when it
// reaches it (the decoder clips what lies before the segment).

#include <gst/base/gstbaseparse.h>

namespace vox::dvf {

// Speech handed to the decoder ahead of a seek's target (2.5 s): the
// decoder's filters and histories forget where they started within it on
// speech, so that it gives the samples of a whole decode from the target on.
inline constexpr unsigned kWarmUpSamples = 20000;

GType vox_dvf_parse_get_type();

gboolean register_parser(GstPlugin* plugin);

}  // namespace vox::dvf

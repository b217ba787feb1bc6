#pragma once
// The type finder for ".DVF" voice files: caps "audio/x-dvf" with the
// stream's bit rate, from the content; the extension only orders the
// type finders that GStreamer tries first.

#include <gst/gst.h>

namespace vox::dvf {

inline constexpr char kDvfCapsName[] = "audio/x-dvf";

gboolean register_type_finder(GstPlugin* plugin);

// The type finder's work, for the registration and for the fuzz target.
void find_type(GstTypeFind* find, gpointer unused);

}  // namespace vox::dvf

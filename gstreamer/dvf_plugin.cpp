// The GStreamer plugin for the recorder's ".DVF" voice files: it only
// registers the type finder, the parser and the decoder.

#include <gst/gst.h>

#include "gstreamer/dvf_dec.h"
#include "gstreamer/dvf_parse.h"
#include "gstreamer/dvf_typefind.h"

namespace {

gboolean plugin_init(GstPlugin* plugin) {
    return vox::dvf::register_type_finder(plugin) && vox::dvf::register_parser(plugin) &&
           vox::dvf::register_decoder(plugin);
}

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, dvf,
                  "Plays the VX-R250 voice recorder's .DVF files", plugin_init, VOX_PLUGIN_VERSION,
                  GST_LICENSE_UNKNOWN, "Voxerin", "https://www.tevramedia.com/")

// Builds the plugin tests' registry before they run, and fails when the
// plugin in GST_PLUGIN_PATH did not make it into the registry. Scanning
// loads every installed plugin into this process; the leaks some of them
// have are theirs, which is why this step alone runs without leak checks.
#include <gst/gst.h>

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    GstElementFactory* decoder = gst_element_factory_find("dvfdec");
    if (decoder == nullptr) {
        g_printerr("the plugin in GST_PLUGIN_PATH is not in the registry\n");
        return 1;
    }
    gst_object_unref(decoder);
    return 0;
}

// Voxmain: the recorder companion's main window.

#include <QApplication>

#include "application/core/pelmarch_app.h"
#include "application/panes/colour_scheme.h"
#include "platform/stack/device_stack.h"

int main(int argc, char** argv) {
    vox::stack::installDeviceStack();
    QApplication application(argc, argv);
    vox::panes::applyColourScheme(QApplication::arguments());
    vox::app::CPelmarchApp pelmarch;
    if (!pelmarch.initInstance()) return 1;
    const int result = QApplication::exec();
    pelmarch.exitInstance();
    return result;
}

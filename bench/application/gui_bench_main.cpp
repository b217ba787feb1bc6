// The main of the benchmarks that build the program's windows: a window
// needs the application object, and the settings it writes go to a folder
// of their own rather than the user's.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

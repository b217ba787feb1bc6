// Listing a folder of 10,000 files into the PC list (rows with icons, type
// names and dates, sorted), on the offscreen platform: milliseconds from the
// listing request until the list has painted again, and the parts of it
// (reading the folder, making and sorting the rows) to show what dominates.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/folder_entries.h"
#include "platform/messages/message_numbers.h"

namespace {

constexpr int kFiles = 10000;

struct Folder {
    Folder() {
        static const char* const kExtensions[] = {".wav", ".mp3", ".dvf", ".txt",
                                                  ".wma", ".png", ".pdf", ""};
        path = QFile::encodeName(dir.path()).toStdString() + "/";
        for (int i = 0; i < kFiles; ++i)
            std::ofstream(path + "file" + std::to_string(i) + kExtensions[i % 8]) << i;
    }
    QTemporaryDir dir;
    std::string path;
};

Folder& folder() {
    static Folder shared;
    return shared;
}

struct Pane {
    explicit Pane(int sortValue) {
        doc.workingDirectory = folder().path;
        list = std::make_unique<vox::app::CDirList>(doc);
        list->resize(800, 600);
        list->show();  // lists the working directory once
        list->core().enableSorting(true, sortValue);
    }
    void listAndPaint() {
        list->send(vox::messages::WM_REFRESH_LIST, 0, 0);
        list->repaint();
    }
    vox::app::CPelmarchDoc doc;
    std::unique_ptr<vox::app::CDirList> list;
};

void ReadFolderOnly(benchmark::State& state) {
    for (auto _ : state) {
        auto entries = vox::panes::readFolder(folder().path, "*");
        benchmark::DoNotOptimize(entries);
    }
}
BENCHMARK(ReadFolderOnly)->Unit(benchmark::kMillisecond);

// Sort value -3 (Type, descending) is the first-start order; 1 is by Name.
void ListAndPaint(benchmark::State& state) {
    Pane pane(static_cast<int>(state.range(0)));
    for (auto _ : state) pane.listAndPaint();
    state.counters["rows"] = pane.list->topLevelItemCount();
}
BENCHMARK(ListAndPaint)->Arg(-3)->Arg(1)->Unit(benchmark::kMillisecond);

// The same listing with the sort switched off (sort value of a column that
// does not exist), to tell the sort's share from the rows' share.
void ListWithoutSort(benchmark::State& state) {
    Pane pane(99);
    for (auto _ : state) pane.listAndPaint();
}
BENCHMARK(ListWithoutSort)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    folder();  // the files are made before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Loading a skin and starting the window, each reported by its median over 100 runs.
//
// BM_ArchiveClick: a click on the sample skin's archive in File1, up to the slots filled and
// redrawsub called (Workbench::archiveChosen: clearing, extraction, BMP to JPEG, loading).
// Peer, BM_BareExtractAndDecode: the least any loader must do with the same archive: unpack it
// with libarchive's defaults and decode every picture with QImage, nothing else.
//
// BM_CheckLoadedArchive: Skin > Check on the loaded sample archive (Workbench::checkSkin), up to
// the report; its peer is the click that loaded it.
//
// BM_StartUpToFirstPaint: Form1 constructed (temporary folder, lists, holders) and shown, up to
// its first paint event (a warm start: the process has shown a window before; the cold start
// of the first window is printed once before the benchmarks). Peer, BM_PlainWindowToFirstPaint: an empty QMainWindow of
// the same size shown up to its first paint.
#include "form1.h"
#include "platform/messages.h"
#include "workbench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <archive.h>
#include <archive_entry.h>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace corvamo;

namespace {

QString SampleZip() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../../samples/SampleSkin.zip");
}

QTemporaryDir& Sandbox() {
    static QTemporaryDir dir;
    return dir;
}

CacheFolders Cache() { return CacheFolders::Under(Sandbox().path() + "/cache/Corvamo"); }

// A folder of the sandbox holding the sample skin as SampleSkin.zip.
QString SkinsFolder() {
    const QString folder = Sandbox().path() + "/skins";
    QDir().mkpath(folder);
    QFile::copy(SampleZip(), folder + "/SampleSkin.zip");
    return folder;
}

void BM_ArchiveClick(benchmark::State& run) {
    RecordedMessages messages;
    Workbench wb(messages, Cache());
    const QString folder = SkinsFolder();
    wb.startUp(Sandbox().path());
    wb.folderChange(folder);
    for (auto _ : run) {
        const int before = wb.redrawCount();
        wb.archiveChosen(folder, "SampleSkin.zip");
        if (wb.redrawCount() != before + 1 || !wb.pictures().Picture5[30].hasPicture() || !messages.texts.isEmpty())
            run.SkipWithError("the skin did not load");
    }
}

// The same click through the window: File1's handler, then the lists and boxes refreshed.
void BM_ArchiveClickInWindow(benchmark::State& run) {
    RecordedMessages messages;
    const QString folder = SkinsFolder();
    Form1 window(Cache(), &messages, nullptr, Sandbox().path());
    window.setDir1Path(folder);
    for (auto _ : run) {
        const int before = window.workbench().redrawCount();
        if (!window.clickFile1("SampleSkin.zip") || window.workbench().redrawCount() != before + 1)
            run.SkipWithError("the skin did not load");
    }
}

void BM_CheckLoadedArchive(benchmark::State& run) {
    RecordedMessages messages;
    Workbench wb(messages, Cache());
    const QString folder = SkinsFolder();
    wb.startUp(Sandbox().path());
    wb.folderChange(folder);
    wb.archiveChosen(folder, "SampleSkin.zip");
    for (auto _ : run) {
        const std::optional<SkinReport> report = wb.checkSkin();
        if (!report || !messages.texts.isEmpty()) run.SkipWithError("the skin was not checked");
    }
}

void BM_BareExtractAndDecode(benchmark::State& run) {
    const QString dest = Sandbox().path() + "/bare";
    for (auto _ : run) {
        QDir(dest).removeRecursively();
        QDir().mkpath(dest);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dest);
        archive* in = archive_read_new();
        archive_read_support_format_zip(in);
        archive* out = archive_write_disk_new();
        archive_read_open_filename(in, QFile::encodeName(SampleZip()).constData(), 1 << 16);
        archive_entry* entry = nullptr;
        QStringList names;
        while (archive_read_next_header(in, &entry) == ARCHIVE_OK) {
            names << QString::fromUtf8(archive_entry_pathname(entry));
            archive_write_header(out, entry);
            const void* block;
            size_t size;
            la_int64_t offset;
            while (archive_read_data_block(in, &block, &size, &offset) == ARCHIVE_OK)
                archive_write_data_block(out, block, size, offset);
            archive_write_finish_entry(out);
        }
        archive_read_free(in);
        archive_write_free(out);
        QDir::setCurrent(previous);
        int decoded = 0;
        for (const QString& name : names)
            if (name.endsWith(".bmp", Qt::CaseInsensitive) || name.endsWith(".jpg", Qt::CaseInsensitive))
                decoded += QImage(dest + "/" + name).isNull() ? 0 : 1;
        benchmark::DoNotOptimize(decoded);
    }
}

// Shows the window and returns once its first paint event has been delivered.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) loop.quit();
        return false;
    }
    QEventLoop loop;
};

void WaitForFirstPaint(QWidget& window) {
    FirstPaint watcher;
    window.installEventFilter(&watcher);
    window.show();
    QTimer::singleShot(5000, &watcher.loop, &QEventLoop::quit);
    watcher.loop.exec();
    window.removeEventFilter(&watcher);
}

void BM_StartUpToFirstPaint(benchmark::State& run) {
    for (auto _ : run) {
        RecordedMessages messages;
        Form1 window(Cache(), &messages, nullptr, Sandbox().path());
        WaitForFirstPaint(window);
        run.PauseTiming();
        window.hide();
        run.ResumeTiming();
    }
}

void BM_PlainWindowToFirstPaint(benchmark::State& run) {
    for (auto _ : run) {
        QMainWindow window;
        window.setFixedSize(618, 434);
        WaitForFirstPaint(window);
        run.PauseTiming();
        window.hide();
        run.ResumeTiming();
    }
}

void Median100(benchmark::internal::Benchmark* b) {
    b->Iterations(1)->Repetitions(100)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_ArchiveClick)->Apply(Median100);
BENCHMARK(BM_ArchiveClickInWindow)->Apply(Median100);
BENCHMARK(BM_CheckLoadedArchive)->Apply(Median100);
BENCHMARK(BM_BareExtractAndDecode)->Apply(Median100);
BENCHMARK(BM_StartUpToFirstPaint)->Apply(Median100);
BENCHMARK(BM_PlainWindowToFirstPaint)->Apply(Median100);

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer cold;
    cold.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QFile::exists(SampleZip())) {
        std::fprintf(stderr, "load_bench: no sample skin at %s (build the sample_skin target)\n",
                     qPrintable(SampleZip()));
        return 1;
    }
    {
        // The first window of a process pays for fonts, styles and the platform plugin too.
        RecordedMessages messages;
        Form1 window(Cache(), &messages, nullptr, Sandbox().path());
        WaitForFirstPaint(window);
        std::printf("Cold start, from main() through QApplication to Form1's first paint: %.1f ms\n",
                    double(cold.nsecsElapsed()) / 1e6);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// gallery_bench FOLDER CACHE_ROOT: opens the gallery window (offscreen) on FOLDER with its
// thumbnail cache below CACHE_ROOT, waits until every thumbnail is shown, and prints the seconds
// that took and how many skins it showed. Run it once on an empty cache (cold) and once more
// (warm); /usr/bin/time -v around it gives the gallery's peak memory.
#include "gallery_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>

#include <cstdio>

using namespace corvamo;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gallery_bench FOLDER CACHE_ROOT\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]), root = QString::fromLocal8Bit(argv[2]);
    QElapsedTimer clock;
    clock.start();
    GalleryWindow gallery(root, root + QStringLiteral("/thumbnails"));
    gallery.show();
    gallery.follow(folder);
    GalleryModel& model = gallery.model();
    const auto done = [&] { return model.readyCount() == int(model.items().size()); };
    if (!done()) {
        QObject::connect(&model, &GalleryModel::progress, &app, [&] {
            if (done()) app.quit();
        });
        app.exec();
    }
    app.processEvents();  // the last thumbnails painted
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("%.3f s for %d thumbnails (%d shown)\n", seconds, int(model.items().size()), gallery.list()->count());
    return model.items().empty() ? 1 : 0;
}

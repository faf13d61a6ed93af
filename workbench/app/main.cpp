#include "command_line.h"
#include "form1.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextStream>

#include <csignal>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

// The user's cache folder (XDG_CACHE_HOME, normally ~/.cache) holds the workbench's own files.
CacheFolders UserCacheFolders() {
    return CacheFolders::Under(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                               QStringLiteral("/Corvamo"));
}

}  // namespace

int main(int argc, char** argv) {
    // The export needs no window: it runs without a display too.
    const bool exportPreviews = argc > 1 && std::strcmp(argv[1], "--export-previews") == 0;
    if (exportPreviews && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (exportPreviews) {
        QTextStream out(stdout), err(stderr);
        const int code = ExportPreviews(app.arguments().mid(2), QDir::currentPath(), UserCacheFolders(), out, err);
        out.flush();
        err.flush();
        return code;
    }
    // Ending the session or pressing Ctrl+C closes the window the usual way, so the shut-down
    // (and its clean-up script) still runs. A signal that comes early waits in the pipe.
    const bool signalsCaught = socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0;
    if (signalsCaught) {
        std::signal(SIGTERM, OnTerminate);
        std::signal(SIGINT, OnTerminate);
    }
    Form1 window(UserCacheFolders());
    if (signalsCaught) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
            char byte;
            [[maybe_unused]] const ssize_t got = read(signalPipe[0], &byte, 1);
            window.close();
        });
    }
    window.show();
    return app.exec();
}

#include "command_line.h"
#include "font_set_up.h"
#include "form1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <optional>

#include <sys/socket.h>
#include <unistd.h>

using namespace corvamo;

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

// The user's cache folder (XDG_CACHE_HOME, normally ~/.cache) holds the workbench's own files.
QString UserCacheRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Corvamo");
}

}  // namespace

int main(int argc, char** argv) {
    // With TZ unset, every local-time conversion stats /etc/localtime again: libarchive converts
    // each zip entry's time, hundreds of calls a skin. The same zone, read once.
    if (!std::getenv("TZ") && QFileInfo::exists(QStringLiteral("/etc/localtime"))) setenv("TZ", ":/etc/localtime", 0);
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const Command command = ParseArguments(arguments);
    // Qt sees no argument: those of a mode are the mode's own, even when they look like Qt's.
    int qtArgc = 1;
    if (command.mode != Command::Window) {
        // The modes need no window: they run without a display too; the help needs no Qt at all.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        std::optional<QApplication> app;
        if (command.mode != Command::Help && command.mode != Command::Version && command.mode != Command::Usage)
            app.emplace(qtArgc, argv);
        // Ctrl+C or SIGTERM during an install ends its build script's process group, and the
        // install ends as failed.
        std::optional<QSocketNotifier> cancel;
        if ((command.mode == Command::InstallVu4 || command.mode == Command::InstallDi3) &&
            socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
            std::signal(SIGTERM, OnTerminate);
            std::signal(SIGINT, OnTerminate);
            cancel.emplace(signalPipe[0], QSocketNotifier::Read);
            QObject::connect(&*cancel, &QSocketNotifier::activated, [] {
                char byte;
                [[maybe_unused]] const ssize_t got = read(signalPipe[0], &byte, 1);
                CancelCommandLineInstall();
            });
        }
        QTextStream out(stdout), err(stderr);
        const int code = RunCommand(command, QDir::currentPath(), UserCacheRoot(), out, err);
        out.flush();
        err.flush();
        return code;
    }
    font_set_up::Start();
    QApplication app(qtArgc, argv);
    // The desktop entry's id: the task bar groups the window with the menu entry and takes its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvamo"));
    // Ending the session or pressing Ctrl+C closes the window the usual way, so the shut-down
    // (and its clean-up script) still runs. A signal that comes early waits in the pipe.
    const bool signalsCaught = socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0;
    if (signalsCaught) {
        std::signal(SIGTERM, OnTerminate);
        std::signal(SIGINT, OnTerminate);
    }
    const CacheLease cache = CacheLease::ForWindow(UserCacheRoot());
    Form1 window(cache.folders());
    if (signalsCaught) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
            char byte;
            [[maybe_unused]] const ssize_t got = read(signalPipe[0], &byte, 1);
            window.closeCancellingBuild();
        });
    }
    window.show();
    // Corvamo PATH: the skin is opened once the window is up, so that a message has a parent.
    if (!command.operands.isEmpty()) {
        const QString skin = QDir::cleanPath(QDir::current().absoluteFilePath(command.operands.front()));
        QTimer::singleShot(0, &window, [&window, skin] { window.openSkin(skin); });
    }
    return app.exec();
}

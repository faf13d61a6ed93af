#include "mfreeimage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

bool SaveImageFile(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const QString& fileName, int flags) {
    return FreeImage_Save(format, bitmap, QFile::encodeName(fileName).constData(), flags) == 1;
}

void ShellAndWait(const QString& commandLine, int showMode) { ShellAndWaitPasses(commandLine, showMode); }

namespace {

// The program and its arguments. The program folder may hold blanks, so the longest leading part
// that names an existing file is the program; only then is the rest split into arguments.
std::pair<QString, QStringList> ParseCommandLine(const QString& commandLine) {
    if (QFileInfo(commandLine).isFile()) return {commandLine, {}};
    for (qsizetype blank = commandLine.lastIndexOf(QLatin1Char(' ')); blank > 0;
         blank = commandLine.lastIndexOf(QLatin1Char(' '), blank - 1)) {
        const QString program = commandLine.left(blank);
        if (QFileInfo(program).isFile()) return {program, QProcess::splitCommand(commandLine.mid(blank + 1))};
    }
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty()) return {};
    const QString program = parts.takeFirst();
    return {program, parts};
}

}  // namespace

int ShellAndWaitPasses(const QString& commandLine, int) {
    auto [program, arguments] = ParseCommandLine(commandLine);
    if (program.isEmpty()) return -1;
    if (program.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive)) {
        arguments.prepend(program);
        program = QStringLiteral("/bin/sh");
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(program, arguments);
    if (!child.waitForStarted(-1)) return -1;
    int passes = 0;
    bool ended = false;
    // The state is read after the sleep, so a child that ends at once costs exactly one pass.
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(100);
        ++passes;
        ended = child.state() == QProcess::NotRunning || child.waitForFinished(0);
    } while (!ended);
    return passes;
}

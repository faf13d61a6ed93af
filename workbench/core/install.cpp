#include "install.h"

#include "platform/paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvamo {

void InstallLog::line(const QString& text) {
    if (!text_.isEmpty() && !text_.endsWith(QLatin1Char('\n'))) add(QStringLiteral("\n"));
    add(text + QLatin1Char('\n'));
}

void InstallLog::add(const QString& text) {
    text_ += text;
    if (appended) appended(text);
}

QStringList InstallReport::summary() const {
    QStringList lines;
    lines << QStringLiteral("--- %1: summary ---").arg(title);
    for (const QString& c : copied) lines << QStringLiteral("Copied: ") + c;
    if (!loaderImage.isEmpty()) lines << QStringLiteral("Loader image: ") + loaderImage;
    lines << (built.isEmpty() ? QStringLiteral("Built by the scripts: nothing new")
                              : QStringLiteral("Built by the scripts: ") + built.join(QStringLiteral(", ")));
    for (const QString& w : warnings) lines << QStringLiteral("Lindquay warned: ") + w;
    for (const QString& f : failed) lines << QStringLiteral("FAILED: ") + f;
    lines << (ok() ? QStringLiteral("The install is complete.")
                   : QStringLiteral("The install did not complete: %1 step(s) failed.").arg(failed.size()));
    return lines;
}

FolderStamps StampFolder(const QString& folder) {
    FolderStamps stamps;
    const QString base = WithSlash(folder);
    QDirIterator it(base, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext() && stamps.size() < 20000) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) continue;
        stamps[info.filePath().mid(base.size())] = {info.size(), info.lastModified()};
    }
    return stamps;
}

QStringList ChangedFiles(const FolderStamps& before, const FolderStamps& after) {
    static const QStringList scratch = {QStringLiteral("tmp.htm"), QStringLiteral("tmp.bmp"),
                                        QStringLiteral("Lindquay.lock"), QStringLiteral("transFile.jpg")};
    QStringList changed;
    for (const auto& [path, stamp] : after) {
        if (scratch.contains(QFileInfo(path).fileName())) continue;
        const auto old = before.find(path);
        if (old == before.end() || old->second != stamp) changed << path;
    }
    return changed;
}

QStringList LindquayWarnings(const QString& output) {
    QStringList warnings;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.contains(QLatin1String("WARNING")) || trimmed.contains(QLatin1String("placeholder")))
            if (!warnings.contains(trimmed)) warnings << trimmed;
    }
    return warnings;
}

}  // namespace corvamo

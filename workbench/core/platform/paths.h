#pragma once

#include <QRandomGenerator>
#include <QString>

namespace corvamo {

// The folder with one "/" at its end.
inline QString WithSlash(const QString& folder) { return folder.endsWith('/') ? folder : folder + '/'; }

// A folder as the folder list shows it: without a trailing "/", except the root.
inline QString FolderPath(QString path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

// A name for a new file beside path (same folder, hidden, random), for writing a file completely
// before it takes path's place.
inline QString PartPathBeside(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + QStringLiteral(".%1.%2.part")
                                      .arg(path.mid(slash + 1))
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

}  // namespace corvamo

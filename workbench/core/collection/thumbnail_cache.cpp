#include "collection/thumbnail_cache.h"

#include "platform/host_layer.h"
#include "platform/paths.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>

namespace corvamo {

QString ThumbnailCache::fileFor(const QString& path) const {
    return WithSlash(folder_) +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".png");
}

std::optional<SkinSummary> ThumbnailCache::find(const QString& path, const QString& key, int height) const {
    QImageReader reader(fileFor(path), "png");
    // The key is in a text chunk before the pixels: a stale entry is not decoded.
    if (reader.text(QStringLiteral("Key")) != key) return std::nullopt;
    SkinSummary summary;
    summary.thumbnail = reader.read();
    if (summary.thumbnail.height() != height) return std::nullopt;
    summary.path = path;
    summary.key = key;
    summary.name = summary.thumbnail.text(QStringLiteral("Name"));
    const QString problem = summary.thumbnail.text(QStringLiteral("Problem"));
    summary.status = problem.isEmpty() ? Status::Success() : Status::Failure(problem);
    const QStringList counts = summary.thumbnail.text(QStringLiteral("Counts")).split(QLatin1Char(' '));
    if (counts.size() != 3) return std::nullopt;
    summary.errors = counts[0].toInt();
    summary.warnings = counts[1].toInt();
    summary.notes = counts[2].toInt();
    // Only the pixels stay: the text is in the summary's fields.
    summary.thumbnail = summary.thumbnail.convertToFormat(QImage::Format_RGB32);
    for (const QString& k : summary.thumbnail.textKeys()) summary.thumbnail.setText(k, {});
    return summary;
}

bool ThumbnailCache::store(const SkinSummary& summary) const {
    if (!QDir().mkpath(folder_)) return false;
    QImage image = summary.thumbnail;
    image.setText(QStringLiteral("Key"), summary.key);
    image.setText(QStringLiteral("Name"), summary.name);
    image.setText(QStringLiteral("Problem"), summary.broken() ? summary.status.message : QString());
    image.setText(QStringLiteral("Counts"),
                  QStringLiteral("%1 %2 %3").arg(summary.errors).arg(summary.warnings).arg(summary.notes));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "png")) return false;
    return WriteFileReplacing(fileFor(summary.path), bytes);
}

}  // namespace corvamo

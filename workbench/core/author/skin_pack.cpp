#include "author/skin_pack.h"

#include "platform/paths.h"
#include "skin/archive_extract.h"
#include "skin/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace corvamo {

namespace {

struct WriterCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};

// Puts part in out's place; without replace, never over a file that is there by now.
bool Rename(const QString& part, const QString& out, bool replace) {
    const QByteArray from = QFile::encodeName(part), to = QFile::encodeName(out);
    if (replace) return std::rename(from.constData(), to.constData()) == 0;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a hard link cannot replace either.
    if (::link(from.constData(), to.constData()) != 0) return false;
    QFile::remove(part);
    return true;
}

// Adds one file under name; false with why when it cannot.
bool AddFile(archive* zip, const QString& path, const QString& name, QString& why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("%1 cannot be read").arg(path);
        return false;
    }
    const QFileInfo info(path);
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), file.size());
    archive_entry_set_mtime(entry.get(), info.lastModified().toSecsSinceEpoch(), 0);
    if (archive_write_header(zip, entry.get()) != ARCHIVE_OK) {
        why = QString::fromUtf8(archive_error_string(zip));
        return false;
    }
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (qint64 n; (n = file.read(block.data(), block.size())) != 0;) {
        if (n < 0 || archive_write_data(zip, block.constData(), size_t(n)) != n) {
            why = n < 0 ? QStringLiteral("%1 cannot be read").arg(path) : QString::fromUtf8(archive_error_string(zip));
            return false;
        }
    }
    return true;
}

}  // namespace

PackResult PackSkin(const SkinFiles& skin, const QString& out, bool replace) {
    PackResult result;
    const auto fail = [&](const QString& why) {
        result.message = why;
        return result;
    };
    if (!skin.problem.isEmpty()) return fail(QStringLiteral("%1 was not packed: %2").arg(skin.name, skin.problem));
    QStringList names;
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) {
        const QString path = skin.find(name);
        if (path.isEmpty()) continue;
        if (QFileInfo(path).size() > kMaxSkinFileBytes)
            return fail(QStringLiteral("%1 was not packed: %2 is larger than %3, more than the workbench accepts.")
                            .arg(skin.name, skin.entryName(path), MiBText(kMaxSkinFileBytes)));
        names << name;
    }
    if (names.isEmpty()) return fail(QStringLiteral("%1 was not packed: it has no skin file.").arg(skin.name));
    const QFileInfo target(out);
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("%1 is not a file; the skin was not packed.").arg(out));
    if (target.exists() && !replace) return fail(QStringLiteral("%1 already exists; it was not replaced.").arg(out));
    if (!target.absoluteDir().exists())
        return fail(QStringLiteral("%1 could not be written: its folder does not exist.").arg(out));

    const QString part = PartPathBeside(QDir::cleanPath(target.absoluteFilePath()));
    std::unique_ptr<archive, WriterCloser> zip(archive_write_new());
    archive_write_set_format_zip(zip.get());
    QString why;
    bool ok = archive_write_open_filename(zip.get(), QFile::encodeName(part).constData()) == ARCHIVE_OK;
    if (!ok) why = QString::fromUtf8(archive_error_string(zip.get()));
    for (qsizetype i = 0; ok && i < names.size(); ++i) ok = AddFile(zip.get(), skin.find(names[i]), names[i], why);
    if (ok && archive_write_close(zip.get()) != ARCHIVE_OK) {
        ok = false;
        why = QString::fromUtf8(archive_error_string(zip.get()));
    }
    zip.reset();
    if (ok && !Rename(part, out, replace)) {
        ok = false;
        why = errno == EEXIST ? QStringLiteral("it appeared meanwhile") : QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!ok) {
        QFile::remove(part);
        return fail(QStringLiteral("%1 could not be written: %2").arg(out, why));
    }
    result.written = true;
    result.message =
        QStringLiteral("%1 saved (%2 skin file%3).").arg(out).arg(names.size()).arg(names.size() == 1 ? "" : "s");
    return result;
}

PackResult PackSkin(const QString& skin, const QString& scratchRoot, const QString& out, bool replace,
                    const Host& host) {
    return PackSkin(SkinFiles::Open(skin, scratchRoot, host), out, replace);
}

}  // namespace corvamo

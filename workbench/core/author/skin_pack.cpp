#include "author/skin_pack.h"

#include "platform/new_file.h"
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

QString Strerror(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

struct WriterCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};

// Adds one file under name.
Status AddFile(archive* zip, const QString& path, const QString& name) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return Status::Failure(QStringLiteral("%1 cannot be read").arg(path));
    const QFileInfo info(path);
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), file.size());
    archive_entry_set_mtime(entry.get(), info.lastModified().toSecsSinceEpoch(), 0);
    if (archive_write_header(zip, entry.get()) != ARCHIVE_OK)
        return Status::Failure(QString::fromUtf8(archive_error_string(zip)));
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (qint64 n; (n = file.read(block.data(), block.size())) != 0;) {
        if (n < 0 || archive_write_data(zip, block.constData(), size_t(n)) != n)
            return Status::Failure(n < 0 ? QStringLiteral("%1 cannot be read").arg(path)
                                         : QString::fromUtf8(archive_error_string(zip)));
    }
    return Status::Success();
}

}  // namespace

Status PackSkin(const SkinFiles& skin, const QString& out, bool replace) {
    const auto fail = [](const QString& why) { return Status::Failure(why); };
    if (!skin.status) return fail(QStringLiteral("%1 was not packed: %2").arg(skin.name, skin.status.message));
    QStringList names;
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) {
        const QString path = skin.find(name);
        if (path.isEmpty()) continue;
        if (QFileInfo(path).size() > kMaxSkinFileBytes)
            return fail(QStringLiteral("%1 was not packed: %2 is larger than %3, more than the workbench accepts.")
                            .arg(skin.name, skin.entryName(path), MiBText(kMaxSkinFileBytes)));
        names << name;
    }
    // A link would pack whatever it points to, a private file as well; a pipe would never end.
    if (!skin.refused.empty())
        return fail(
            QStringLiteral("%1 was not packed: %2 %3.").arg(skin.name, skin.refused[0].name, skin.refused[0].what));
    if (names.isEmpty()) return fail(QStringLiteral("%1 was not packed: it has no skin file.").arg(skin.name));
    const QFileInfo target(out);
    if (target.isSymLink() && !replace)
        return fail(QStringLiteral("%1 is a link to %2%3; it was not replaced.")
                        .arg(out, target.symLinkTarget(),
                             target.exists() ? QString() : QStringLiteral(", which does not exist")));
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("%1 is not a file; the skin was not packed.").arg(out));
    if (target.exists() && !replace) return fail(QStringLiteral("%1 already exists; it was not replaced.").arg(out));
    if (!target.absoluteDir().exists())
        return fail(QStringLiteral("%1 could not be written: its folder does not exist.").arg(out));

    // Written through the descriptor that created the part file, never reopened by name.
    NewFileBeside part(QDir::cleanPath(target.absoluteFilePath()));
    std::unique_ptr<archive, WriterCloser> zip(archive_write_new());
    archive_write_set_format_zip(zip.get());
    QString why;
    bool ok = part.isOpen() && archive_write_open_fd(zip.get(), part.fd()) == ARCHIVE_OK;
    if (!ok) why = part.isOpen() ? QString::fromUtf8(archive_error_string(zip.get())) : Strerror(part.error());
    for (qsizetype i = 0; ok && i < names.size(); ++i) {
        const Status added = AddFile(zip.get(), skin.find(names[i]), names[i]);
        ok = added.ok;
        if (!ok) why = added.message;
    }
    if (ok && archive_write_close(zip.get()) != ARCHIVE_OK) {
        ok = false;
        why = QString::fromUtf8(archive_error_string(zip.get()));
    }
    zip.reset();
    if (ok && !part.commit(replace)) {
        ok = false;
        why = errno == EEXIST  ? QStringLiteral("it appeared meanwhile")
              : errno == EXDEV ? QStringLiteral("the file being written was replaced meanwhile")
                               : Strerror(errno);
    }
    if (!ok) return fail(QStringLiteral("%1 could not be written: %2").arg(out, why));
    return Status::Success(
        QStringLiteral("%1 saved (%2 skin file%3).").arg(out).arg(names.size()).arg(names.size() == 1 ? "" : "s"));
}

Status PackSkin(const QString& skin, const QString& scratchRoot, const QString& out, bool replace, const Host& host) {
    return PackSkin(SkinFiles::Open(skin, scratchRoot, host), out, replace);
}

}  // namespace corvamo

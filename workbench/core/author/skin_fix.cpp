#include "author/skin_fix.h"

#include "author/skin_pack.h"
#include "platform/paths.h"
#include "skin/catalogue.h"
#include "skin/picture_account.h"
#include "skin/skin_files.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>

namespace corvamo {

namespace {

constexpr char kMadeList[] = ".made";  // in a backup folder: the files the run made, with their hashes

// The picture formats an editor may leave under a catalogue picture's base name.
const QStringList& OtherSuffixes() {
    static const QStringList suffixes = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                         QStringLiteral("gif"), QStringLiteral("tif"), QStringLiteral("tiff"),
                                         QStringLiteral("bmp")};
    return suffixes;
}

// A file at top with the catalogue name's base name and another picture suffix; "" when none.
QString OtherFormOf(const QString& top, const QString& catalogueName, const Host& host) {
    const QString base = catalogueName.left(catalogueName.lastIndexOf('.'));
    const auto entries = host.listFolder(FolderPath(top));
    if (!entries) return {};
    QStringList found;
    for (const FolderEntry& entry : *entries) {
        const QFileInfo info(top + entry.name);
        if (entry.name.startsWith('.') || !info.isFile()) continue;
        if (info.completeBaseName().compare(base, Qt::CaseInsensitive) == 0 &&
            OtherSuffixes().contains(info.suffix().toLower()) &&
            entry.name.compare(catalogueName, Qt::CaseInsensitive) != 0)
            found << top + entry.name;
    }
    found.sort();
    return found.isEmpty() ? QString() : found.front();
}

QByteArray Sha1Of(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) return {};
    return hash.result().toHex();
}

// Renames without ever replacing what is at `to`.
bool RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::link(a.constData(), b.constData()) != 0) return false;
    return ::unlink(a.constData()) == 0;
}

// Writes bytes as a new file (never through a link, never over a file).
bool WriteNew(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written) QFile::remove(path);
    return written;
}

// The picture as a 24-bit BMP of the same size, transparency flattened onto white.
Status ConvertToBmp(const QString& source, QByteArray& bmp) {
    QImageReader reader(source);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    const QImage read = reader.read();
    if (read.isNull())
        return Status::Failure(QStringLiteral("its pixels cannot be read (%1)").arg(reader.errorString()));
    QImage flat(read.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, read.convertToFormat(QImage::Format_ARGB32));
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    if (!flat.save(&buffer, "BMP")) return Status::Failure(QStringLiteral("the BMP could not be made"));
    return Status::Success();
}

// One more thing a run could not do.
void AddFailure(FixResult& result, const QString& what) {
    QStringList failures = result.status.details;
    failures << what;
    result.status = Status::FromTexts(failures);
}

struct Applier {
    QString top;
    QString backupRoot;  // empty: replace in place (a scratch copy of an archive)
    QDateTime now;
    FixResult result;
    QString backup;
    QStringList made;  // "name\tsha1"

    bool ensureBackup() {
        if (!backup.isEmpty()) return true;
        QDir().mkpath(backupRoot);
        const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (int n = 1; n < 100; ++n) {
            const QString candidate = backupRoot + '/' + stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
            if (QDir().mkdir(candidate)) {
                backup = candidate;
                return true;
            }
        }
        return false;
    }

    void apply(const PlannedFix& fix) {
        const QString name = fix.source.mid(fix.source.lastIndexOf('/') + 1);
        const auto fail = [&](const QString& why) { AddFailure(result, QStringLiteral("%1: %2").arg(name, why)); };
        QByteArray bmp;
        if (const Status converted = ConvertToBmp(fix.source, bmp); !converted)
            return fail(fix.why + QStringLiteral("; it could not be converted: ") + converted.message);
        const QString target = top + fix.target;
        const QString part = PartPathBeside(target);
        if (!WriteNew(part, bmp)) return fail(QStringLiteral("%1 could not be written").arg(part));
        QString kept;  // where the original went
        if (!backupRoot.isEmpty()) {
            if (!ensureBackup()) {
                QFile::remove(part);
                return fail(QStringLiteral("the backup folder below %1 could not be made").arg(backupRoot));
            }
            kept = backup + '/' + name;
            if (!RenameNoReplace(fix.source, kept)) {
                QFile::remove(part);
                return fail(QStringLiteral("it could not be moved into %1").arg(backup));
            }
        } else if (!QFile::remove(fix.source)) {
            QFile::remove(part);
            return fail(QStringLiteral("it could not be replaced"));
        }
        if (!RenameNoReplace(part, target)) {
            if (!kept.isEmpty()) RenameNoReplace(kept, fix.source);
            QFile::remove(part);
            return fail(QStringLiteral("%1 could not be written").arg(fix.target));
        }
        made << fix.target + '\t' + QString::fromLatin1(Sha1Of(target));
        result.changes
            << QStringLiteral("%1: %2; made %3, a 24-bit BMP%4")
                   .arg(name, fix.why, fix.target,
                        kept.isEmpty()
                            ? QString()
                            : QStringLiteral(" (the original is in %1)").arg(QDir(top).relativeFilePath(backup)));
    }

    void finish() {
        result.backup = backup;
        if (!backup.isEmpty() && !WriteNew(backup + '/' + kMadeList, made.join('\n').toUtf8() + '\n'))
            AddFailure(result, QStringLiteral("the list of changes could not be written into %1; undo cannot "
                                              "tell what was made")
                                   .arg(backup));
    }
};

}  // namespace

std::vector<PlannedFix> PlanFixes(const QString& top, const Host& host) {
    std::vector<PlannedFix> plan;
    // A file of no known picture form is damaged, not of another form: the check names it.
    const auto add = [&](const QString& source, const QString& target, const QString& why) {
        if (AccountOf(source, PictureRoad::Extra).form.picture()) plan.push_back({source, target, why});
    };
    const auto otherForm = [&](const QString& catalogueName) {
        const QString other = OtherFormOf(top, catalogueName, host);
        if (!other.isEmpty()) {
            const QString road = catalogueName;
            add(other, catalogueName,
                QStringLiteral("%1 under the base name of %2, which the skin lacks")
                    .arg(QString::fromStdString(AccountOf(other, RoadOf(road)).form.name), catalogueName));
        }
    };
    const QStringList bmps = Catalogue::Split(Catalogue::MainBmpNames);
    const QStringList jpgs = Catalogue::Split(Catalogue::MainJpgNames);
    for (qsizetype i = 0; i < bmps.size(); ++i) {
        const QString bmp = host.findFile(top + bmps[i]), jpg = host.findFile(top + jpgs[i]);
        if (!bmp.isEmpty()) {
            if (const PictureAccount a = AccountOf(bmp, PictureRoad::MainBmp); !a.fits()) add(bmp, bmps[i], a.problem);
        } else if (!jpg.isEmpty()) {
            // A main picture keeps its form; one that is not what its name says becomes a BMP.
            if (const PictureAccount a = AccountOf(jpg, PictureRoad::MainJpg); !a.fits()) add(jpg, bmps[i], a.problem);
        } else {
            otherForm(bmps[i]);
        }
    }
    for (const QString& name : Catalogue::Split(Catalogue::ExtraBmpNames)) {
        const QString path = host.findFile(top + name);
        if (path.isEmpty())
            otherForm(name);
        else if (const PictureAccount a = AccountOf(path, PictureRoad::Extra); !a.fits())
            add(path, name, a.problem);
    }
    return plan;
}

QString FixResult::text() const {
    QString text;
    for (const QString& line : changes) text += line + '\n';
    for (const QString& line : status.details) text += QStringLiteral("not changed: ") + line + '\n';
    return text;
}

FixResult MakeLoaderSafe(const QString& skin, const QString& scratchRoot, const Host& host, const QDateTime& now) {
    const SkinFiles files = SkinFiles::Open(skin, scratchRoot, host);
    FixResult refused;
    if (!files.readable || (files.archive && !files.status)) {
        AddFailure(refused, QStringLiteral("%1: %2").arg(skin, files.status.message));
        return refused;
    }
    const std::vector<PlannedFix> plan = PlanFixes(files.top(), host);
    if (plan.empty()) {
        refused.changes << QStringLiteral(
                               "%1: nothing to change: every picture is in a form the loader and "
                               "Lindquay take")
                               .arg(files.name);
        return refused;
    }
    Applier applier{files.top(), files.archive ? QString() : files.top() + kBackupFolder, now, {}, {}, {}};
    for (const PlannedFix& fix : plan) applier.apply(fix);
    applier.finish();
    FixResult result = applier.result;
    if (!files.archive || result.changes.isEmpty()) return result;

    // The archive stays as it is; its fixed copy lies beside it.
    const QFileInfo archive(skin);
    const QString fixed = archive.absolutePath() + '/' + archive.completeBaseName() + QStringLiteral("-fixed.zip");
    const SkinFiles converted = SkinFiles::Open(FolderPath(files.top()), scratchRoot, host);
    const Status packed = PackSkin(converted, fixed, false);
    if (packed) {
        result.written = fixed;
        result.changes << packed.message;
    } else {
        AddFailure(result, packed.message);
    }
    return result;
}

FixResult UndoLoaderSafe(const QString& skin) {
    FixResult result;
    const QFileInfo info(skin);
    if (!info.isDir()) {
        AddFailure(result, info.isFile() ? QStringLiteral("%1: an archive is never changed by Make loader-safe; "
                                                          "its fixed copy lies beside it")
                                               .arg(skin)
                                         : QStringLiteral("%1: no such skin folder").arg(skin));
        return result;
    }
    const QString top = WithSlash(QDir::cleanPath(info.absoluteFilePath()));
    QDir backups(top + kBackupFolder);
    QStringList runs = backups.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    if (runs.isEmpty()) {
        AddFailure(result, QStringLiteral("%1: nothing to undo: no %2 folder with originals").arg(skin, kBackupFolder));
        return result;
    }
    const QString run = backups.filePath(runs.last());
    QFile list(run + '/' + kMadeList);
    if (!list.open(QIODevice::ReadOnly)) {
        AddFailure(result, QStringLiteral("%1: %2 has no list of what was made; nothing was undone").arg(skin, run));
        return result;
    }
    QStringList madeNames;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 2) continue;
        const QString name = QString::fromUtf8(fields[0]);
        const QString path = top + name;
        if (QFileInfo::exists(path) && Sha1Of(path) != fields[1])
            AddFailure(result,
                       QStringLiteral("%1 was changed after Make loader-safe; undo would lose that change").arg(name));
        madeNames << name;
    }
    QStringList originals = QDir(run).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    originals.removeAll(QString::fromLatin1(kMadeList));
    for (const QString& original : originals)
        if (QFileInfo::exists(top + original) && !madeNames.contains(original, Qt::CaseInsensitive))
            AddFailure(result, QStringLiteral("%1 is in the skin again; put it aside first").arg(original));
    if (!result.status) {
        AddFailure(result, QStringLiteral("nothing was undone"));
        return result;
    }
    for (const QString& name : madeNames) QFile::remove(top + name);
    for (const QString& original : originals) {
        if (RenameNoReplace(run + '/' + original, top + original))
            result.changes << QStringLiteral("%1: put back").arg(original);
        else
            AddFailure(result, QStringLiteral("%1 could not be put back from %2").arg(original, run));
    }
    if (result.status) {
        QFile::remove(run + '/' + kMadeList);
        QDir().rmdir(run);
        QDir().rmdir(top + kBackupFolder);  // only when no other run is left in it
    }
    return result;
}

}  // namespace corvamo

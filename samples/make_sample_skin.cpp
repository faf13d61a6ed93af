// Writes the sample skin: a folder holding every file name a skin may have, and a zip archive of
// the same files. Usage: make_sample_skin FOLDER ARCHIVE
#include "sample_skin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool writeZip(const QString& zipPath, const QDir& folder, const QStringList& names) {
    archive* zip = archive_write_new();
    archive_write_set_format_zip(zip);
    bool ok = archive_write_open_filename(zip, QFile::encodeName(zipPath).constData()) == ARCHIVE_OK;
    for (const QString& name : names) {
        if (!ok) break;
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            ok = false;
            break;
        }
        const QByteArray bytes = file.readAll();
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, bytes.size());
        archive_entry_set_mtime(entry, 1700000000, 0);  // same bytes at every build
        ok = archive_write_header(zip, entry) == ARCHIVE_OK &&
             archive_write_data(zip, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
        archive_entry_free(entry);
    }
    if (archive_write_close(zip) != ARCHIVE_OK) ok = false;
    archive_write_free(zip);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the JPEG writer is a plugin
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_sample_skin FOLDER ARCHIVE\n");
        return 2;
    }
    const QString folderPath = QString::fromLocal8Bit(argv[1]);
    const QString zipPath = QString::fromLocal8Bit(argv[2]);
    QDir folder(folderPath);
    if (!QDir().mkpath(folderPath)) {
        std::fprintf(stderr, "make_sample_skin: cannot create %s\n", argv[1]);
        return 1;
    }

    QStringList names;
    bool ok = true;
    // Main pictures in both forms, as a skin may ship them; the loader prefers the BMP.
    for (int slot = 0; slot < 7; ++slot) {
        const QImage picture = sample_skin::MainPicture(slot);
        const QString stem = sample_skin::MainNames()[slot];
        ok = ok && picture.save(folder.filePath(stem + ".jpg"), "JPG", 100);
        ok = ok && picture.save(folder.filePath(stem + ".bmp"), "BMP");
        names << stem + ".jpg" << stem + ".bmp";
    }
    for (int slot = 0; slot < 31; ++slot) {
        const QString name = sample_skin::ExtraNames()[slot];
        ok = ok && sample_skin::ExtraPicture(slot).save(folder.filePath(name), "BMP");
        names << name;
    }
    const struct {
        const char* name;
        QByteArray bytes;
    } others[] = {
        {"text.txt", "Sample skin of the Corvamo workbench.\r\n"},
        {"asc.dat", QByteArray(4096, '\x11')},
        {"help.txt", "Sample skin: every picture is one flat colour with a white and a near-white square.\r\n"},
        {"hzk.dat", QByteArray(8192, '\x22')},
    };
    for (const auto& other : others) {
        ok = ok && writeFile(folder.filePath(other.name), other.bytes);
        names << other.name;
    }
    if (!ok) {
        std::fprintf(stderr, "make_sample_skin: cannot write the skin files into %s\n", argv[1]);
        return 1;
    }
    QFile::remove(zipPath);
    if (!writeZip(zipPath, folder, names)) {
        std::fprintf(stderr, "make_sample_skin: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

#pragma once

// A sandbox per test: the workbench's own folders, a program folder with its working folders, two
// stand-in volumes, and a host layer whose single operations can be made to fail; and the fixture
// of the tests that drive the real window in it.

#include "form1.h"
#include "host.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

#include <memory>

namespace testing_sandbox {

// Fails the operations it is told to and offers the sandbox's volumes instead of the real ones.
class TestHost : public Host {
public:
    std::vector<Volume> volumeList;
    QSet<QString> failCopiesTo;       // file names whose copy fails
    QSet<QString> unlistableFolders;  // folders that cannot be listed
    QStringList shellCalls;

    std::vector<Volume> volumes() const override { return volumeList; }
    bool copyFile(const QString& from, const QString& to) override {
        if (failCopiesTo.contains(to.mid(to.lastIndexOf('/') + 1))) return false;
        return Host::copyFile(from, to);
    }
    std::optional<std::vector<FolderEntry>> listFolder(const QString& folder) const override {
        if (unlistableFolders.contains(folder)) return std::nullopt;
        return Host::listFolder(folder);
    }
    bool shellAndWait(const QString& commandLine, int showMode) override {
        shellCalls.append(commandLine);
        return Host::shellAndWait(commandLine, showMode);
    }
    bool openUrl(const QUrl&) override { return false; }  // no browser in tests
};

struct Sandbox {
    QTemporaryDir dir;
    QString root, app, volA, volB, skins;

    Sandbox() {
        root = QDir(dir.path()).canonicalPath();
        app = root + "/app";
        volA = root + "/volA/";
        volB = root + "/volB/";
        skins = root + "/skins";
        for (const QString& folder : {app + "/nds", app + "/gba/.shell/bmp", volA, volB, skins}) QDir().mkpath(folder);
    }

    // The workbench's temporary folder and scratch file, below the sandbox.
    CacheFolders cache() const { return CacheFolders::Under(root + "/cache/Corvamo"); }
    QString temp() const { return cache().temp; }

    std::unique_ptr<TestHost> host() const {
        auto h = std::make_unique<TestHost>();
        h->volumeList = {{root + "/", {}}, {volA, "CARD"}, {volB, {}}};
        return h;
    }

    static void write(const QString& path, const QByteArray& data) {
        QDir().mkpath(path.left(path.lastIndexOf('/')));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(data);
    }
    // Bytes that do not compress.
    static QByteArray noise(int size) {
        QRandomGenerator random(42);
        QByteArray bytes(size, '\0');
        for (char& c : bytes) c = char(random.bounded(256));
        return bytes;
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray picture(int w, int h, QRgb colour, const char* format) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format, 100);
        return bytes;
    }
    // Every regular file below folder, relative, sorted.
    static QStringList tree(QString folder) {
        if (folder.endsWith('/')) folder.chop(1);
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) files << it.next().mid(folder.size());
        files.sort();
        return files;
    }
};

// One archive entry: a file (data), a folder, or a link (target).
struct Entry {
    enum Kind { File, Folder, Symlink, Hardlink };
    Entry(const QString& n, const QByteArray& d = {}, Kind k = File, const QString& t = {})
        : name(n), data(d), kind(k), target(t) {}
    QString name;
    QByteArray data;
    Kind kind;
    QString target;
};

inline void MakeZip(const QString& path, const std::vector<Entry>& entries, bool tar = false) {
    archive* a = archive_write_new();
    if (tar)
        archive_write_set_format_pax_restricted(a);
    else
        archive_write_set_format_zip(a);
    ASSERT_EQ(archive_write_open_filename(a, QFile::encodeName(path).constData()), ARCHIVE_OK);
    for (const Entry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.toUtf8().constData());
        switch (e.kind) {
            case Entry::File:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_size(entry, e.data.size());
                break;
            case Entry::Folder:
                archive_entry_set_filetype(entry, AE_IFDIR);
                break;
            case Entry::Symlink:
                archive_entry_set_filetype(entry, AE_IFLNK);
                archive_entry_set_symlink(entry, e.target.toUtf8().constData());
                break;
            case Entry::Hardlink:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_hardlink(entry, e.target.toUtf8().constData());
                break;
        }
        archive_entry_set_perm(entry, e.kind == Entry::Folder ? 0755 : 0644);
        archive_write_header(a, entry);
        if (e.kind == Entry::File && !e.data.isEmpty())
            archive_write_data(a, e.data.constData(), size_t(e.data.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

// The real window in a sandbox, started from the program folder as a user starts it.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        QDir::setCurrent(box.app);
    }
    void TearDown() override {
        form.reset();
        QDir::setCurrent(previous_);
    }
    void start() {
        auto h = box.host();
        host = h.get();
        form = std::make_unique<Form1>(box.cache(), &messages, std::move(h), box.app);
    }
    Workbench& wb() { return form->workbench(); }
    // Clicks the previews until they show the window element as given and the GBA screen.
    void setView(int dswindow, int gbascreen) {
        if (wb().state().dswindow != dswindow) wb().toggleWindow();
        while (wb().state().gbascreen != gbascreen) wb().nextGbaScreen();
    }
    const FormPictures& pics() { return form->workbench().pictures(); }
    QString temp() const { return box.temp(); }

    Sandbox box;
    RecordedMessages messages;
    TestHost* host = nullptr;
    std::unique_ptr<Form1> form;

private:
    QString previous_;
};

}  // namespace testing_sandbox

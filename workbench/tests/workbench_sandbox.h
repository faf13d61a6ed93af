#pragma once

// A sandbox per test: the workbench's own folders, a program folder with its working folders, two
// stand-in volumes, and a host layer whose single operations can be made to fail; and the fixture
// of the tests that drive the real window in it.

#include "form1.h"
#include "platform/host_layer.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "testsupport/archive_writer.h"
#include "testsupport/sandbox.h"

using namespace corvamo;

namespace testing_sandbox {

// Fails the operations it is told to and offers the sandbox's volumes instead of the real ones.
class TestHost : public Host {
public:
    std::vector<Volume> volumeList;
    QSet<QString> failCopiesTo;       // file names whose copy fails
    QSet<QString> unlistableFolders;  // folders that cannot be listed
    mutable QStringList listed;       // every folder listed, in order
    QStringList shellCalls;

    std::vector<Volume> volumes() const override { return volumeList; }
    bool copyFile(const QString& from, const QString& to) override {
        if (failCopiesTo.contains(to.mid(to.lastIndexOf('/') + 1))) return false;
        return Host::copyFile(from, to);
    }
    std::optional<std::vector<FolderEntry>> listFolder(const QString& folder) const override {
        listed.append(folder);
        if (unlistableFolders.contains(folder)) return std::nullopt;
        return Host::listFolder(folder);
    }
    bool shellAndWait(const QString& commandLine, int showMode) override {
        shellCalls.append(commandLine);
        return Host::shellAndWait(commandLine, showMode);
    }
    bool openUrl(const QUrl&) override { return false; }  // no browser in tests
    CardCopy copyLoaderImage(const QString& image, const QString& folder) override {
        if (failCopiesTo.contains("qvkit_up.bin"))
            return {Status::Failure(QStringLiteral("%1 could not be copied to %2.").arg(image, folder)), {}};
        return Host::copyLoaderImage(image, folder);
    }
    ScriptResult runScript(const QString& script, const QString& folder, ScriptRunner& runner) override {
        shellCalls.append(script);
        return Host::runScript(script, folder, runner);
    }
};

// The workbench's sandbox: a testsupport sandbox with the program folder and its working
// folders, two stand-in volumes and a folder for skins; the shared helpers in Qt's types.
struct WorkbenchSandbox {
    testsupport::Sandbox dir;
    QString root, app, volA, volB, skins;

    WorkbenchSandbox() {
        root = QString::fromStdString(dir.path());
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
        testsupport::WriteFile(QFile::encodeName(path).toStdString(), data.toStdString());
    }
    static QByteArray read(const QString& path) {
        return QByteArray::fromStdString(testsupport::ReadFile(QFile::encodeName(path).toStdString()));
    }
    // Bytes that do not compress.
    static QByteArray noise(int size) { return QByteArray::fromStdString(testsupport::Pattern(size_t(size), 42)); }
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

// One zip entry: a file (data), a folder, or a link (target).
struct Entry {
    enum Kind { File, Folder, Symlink, Hardlink };
    Entry(const QString& n, const QByteArray& d = {}, Kind k = File, const QString& t = {})
        : name(n), data(d), kind(k), target(t) {}
    QString name;
    QByteArray data;
    Kind kind;
    QString target;
};

inline void MakeZip(const QString& path, const std::vector<Entry>& entries) {
    std::vector<testsupport::ArchiveEntry> zip;
    for (const Entry& e : entries)
        zip.push_back({e.name.toStdString(), e.data.toStdString(), testsupport::ArchiveEntry::Kind(e.kind),
                       e.target.toStdString()});
    testsupport::WriteArchive(QFile::encodeName(path).toStdString(), zip);
}

// A zip of every file of folder (not its sub-folders), by name.
inline void ZipFolder(const QString& folder, const QString& zipPath) {
    std::vector<Entry> entries;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        entries.push_back({name, WorkbenchSandbox::read(folder + "/" + name)});
    MakeZip(zipPath, entries);
}

// The entries of a zip read back: name and bytes, in archive order.
inline std::vector<std::pair<QString, QByteArray>> ReadZip(const QString& path) {
    std::vector<std::pair<QString, QByteArray>> entries;
    for (const auto& e : testsupport::ReadArchiveEntries(QFile::encodeName(path).toStdString()))
        entries.emplace_back(QString::fromStdString(e.name), QByteArray::fromStdString(e.data));
    return entries;
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
        form = std::make_unique<Form1>(box.cache(), &messages, std::move(h), box.app, box.app);
    }
    Workbench& wb() { return form->workbench(); }
    // Clicks the previews until they show the window element as given and the GBA screen.
    void setView(int dswindow, int gbascreen) {
        if (wb().state().dswindow != dswindow) wb().toggleWindow();
        while (wb().state().gbascreen != gbascreen) wb().nextGbaScreen();
    }
    const FormPictures& pics() { return form->workbench().pictures(); }
    QString temp() const { return box.temp(); }

    WorkbenchSandbox box;
    RecordedMessages messages;
    TestHost* host = nullptr;
    std::unique_ptr<Form1> form;

private:
    QString previous_;
};

}  // namespace testing_sandbox

// A skin archive of any bytes, as a click on an archive reads it. Every input is read in memory,
// where each entry's name and bytes are checked on the way: a name the disk writer gets never
// leaves its folder, and no limit is passed. One input in 32 is also extracted for real into the
// temporary folder of a sandbox and cleared again with DeleteDirectory; afterwards nothing outside
// the temporary folder was created or changed, nothing in it is a link or device, the current
// folder is back where it was, and after clearing no file is left.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "fuzz_support.h"
#include "platform/messages.h"
#include "skin/archive_extract.h"
#include "workbench.h"

using namespace corvamo;

namespace fs = std::filesystem;

namespace {

// Small limits keep each run short; the checks against them are the same at any size.
const ExtractLimits kLimits{qint64(1) << 20, qint64(256) << 10, 10000};
// On disk an archive of thousands of folders costs a thousand times one of a few; the writing and
// the clearing are the same for 64 entries, and a larger archive is refused before anything is
// written, which is checked too.
const ExtractLimits kDiskLimits{kLimits.total, kLimits.entry, 64};

// Checks what the reader hands a writer, keeping nothing.
class CheckingWriter : public EntryWriter {
public:
    bool begin(const QString& name, bool folder, qint64 size) override {
        FUZZ_CHECK(!name.isEmpty() && !name.startsWith('/') && !name.contains('\\'),
                   "a name the writer would put outside its folder: " + name.toStdString());
        for (const QString& part : name.split('/'))
            FUZZ_CHECK(!part.isEmpty() && part != "." && part != "..",
                       "a name with an empty, . or .. component: " + name.toStdString());
        FUZZ_CHECK(size <= kLimits.entry, "an entry over the limit for one was begun");
        inFile_ = !folder;
        extent_ = 0;
        return true;
    }
    bool write(const void*, std::size_t size, qint64 offset) override {
        FUZZ_CHECK(inFile_, "data for a folder");
        FUZZ_CHECK(offset >= 0 && offset + qint64(size) <= kLimits.entry, "data past the limit for one entry");
        extent_ = std::max(extent_, offset + qint64(size));
        return true;
    }
    void end(bool complete) override {
        if (complete) total_ += extent_;
        FUZZ_CHECK(total_ <= kLimits.total, "more than the limit for all entries was kept");
        inFile_ = false;
    }

private:
    bool inFile_ = false;
    qint64 extent_ = 0, total_ = 0;
};

// The sandbox: a kept file beside the archive and a temporary folder two levels down, so that a
// name climbing out of it would land inside the sandbox where the walk below sees it.
struct Sandbox {
    std::string root = fuzz_support::Scratch() + "/sandbox";
    std::string kept = root + "/outside/keep.txt";
    std::string archive = root + "/skin.zip";
    std::string temp = root + "/cache/Corvamo/CorvamoTemp";
    std::set<std::string> fixed{root + "/outside", kept, archive, root + "/cache", root + "/cache/Corvamo", temp};

    Sandbox() {
        fs::create_directories(temp);
        fs::create_directories(root + "/outside");
        const std::string keep = "keep";
        fuzz_support::WriteFile(kept, reinterpret_cast<const std::uint8_t*>(keep.data()), keep.size());
    }

    // Everything below root that is neither fixed nor inside temp.
    void CheckOutside() const {
        fuzz_support::WalkTree(root, [&](const fuzz_support::TreeEntry& entry) {
            if (entry.path == temp) return false;
            FUZZ_CHECK(fixed.count(entry.path) != 0, "the archive wrote outside the temporary folder: " + entry.path);
            return true;
        });
        FUZZ_CHECK(fuzz_support::ReadFile(kept) == "keep", "the file outside the temporary folder changed");
    }

    // Only folders and regular files below temp; with filesAllowed false, only folders.
    void CheckTemp(bool filesAllowed) const {
        fuzz_support::WalkTree(temp, [&](const fuzz_support::TreeEntry& entry) {
            const std::string& path = entry.path;
            FUZZ_CHECK(entry.type != DT_LNK, "a link was extracted: " + path);
            FUZZ_CHECK(entry.type == DT_DIR || entry.type == DT_REG, "a device or pipe was extracted: " + path);
            if (!filesAllowed) FUZZ_CHECK(entry.type == DT_DIR, "DeleteDirectory left a file: " + path);
            if (entry.type == DT_DIR) {
                struct stat st {};
                FUZZ_CHECK(::fstatat(entry.folder, entry.name, &st, AT_SYMLINK_NOFOLLOW) == 0,
                           "an extracted folder cannot be looked at: " + path.substr(0, 300) + "...");
                FUZZ_CHECK((st.st_mode & S_IRWXU) == S_IRWXU,
                           "an extracted folder cannot be entered or emptied: " + path);
            }
            return true;
        });
    }
};

void ExtractForReal(const std::uint8_t* data, std::size_t size) {
    static Sandbox box;
    static RecordedMessages messages;
    static Workbench workbench(messages, CacheFolders::Under(QString::fromStdString(box.root + "/cache/Corvamo")));
    static const QString here = QDir::currentPath();

    fuzz_support::WriteFile(box.archive, data, size);
    const ExtractReport report =
        ExtractArchive(QString::fromStdString(box.archive), QString::fromStdString(box.temp), kDiskLimits);
    FUZZ_CHECK(QDir::currentPath() == here, "extraction left the current folder changed");
    box.CheckOutside();
    box.CheckTemp(true);
    FUZZ_CHECK(report.opened || report.extracted == 0, "files came out of an archive that could not be opened");
    FUZZ_CHECK(!report.tooManyEntries || report.extracted == 0, "entries were written from an archive of too many");

    messages.texts.clear();
    workbench.DeleteDirectory(QString::fromStdString(box.temp));
    FUZZ_CHECK(messages.texts.isEmpty(), "DeleteDirectory reported: " + messages.texts.join(' ').toStdString());
    box.CheckOutside();
    box.CheckTemp(false);

    fuzz_support::EmptyFolder(box.temp);  // the folders DeleteDirectory keeps, for the next input
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingWriter writer;
    const ExtractReport report =
        ReadArchive(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), writer, kLimits);
    FUZZ_CHECK(report.opened || report.extracted == 0, "files came out of an archive that could not be opened");
    FUZZ_CHECK(!report.tooManyEntries || report.extracted == 0, "entries were written from an archive of too many");
    // The disk is slow; one input in 32 goes there.
    if (fuzz_support::OneIn(32, data, size)) ExtractForReal(data, size);
    return 0;
}

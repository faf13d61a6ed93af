// A skin's pictures of any bytes, loaded as LoadPics does after a click on an archive: the bytes
// as the BMP main picture (turned into JPEG through FreeImage, then loaded) and as a BMP extra
// picture (loaded by Qt), then redrawsub. Nothing may crash; no picture may be larger than the
// window's holders accept, and the temporary folder holds no more than the two files and the
// JPEG made from them. A header that claims more than 64 Ki pixels (a 256 x 256 picture, more than
// any screen draws) is not loaded: the decoders would spend their time on pixels the bytes do not
// hold (the hostile-input suite loads such headers through the window).
#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "platform/host_layer.h"
#include "platform/messages.h"
#include "workbench.h"

using namespace corvamo;

namespace {

// Lists the temporary folder once per input (and again after each deletion, which comes before
// each JPEG is made) instead of stat'ing and listing it for every catalogue name looked up: a name
// the listing lacks is absent without a system call, the others are found by the host's own
// lookup. The lookups were most of a run's time.
class ListOnceHost : public Host {
public:
    QString findFile(const QString& path) const override {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString name = path.mid(slash + 1);
        const auto entries = listFolder(path.left(slash));
        if (!entries) return {};
        for (const FolderEntry& entry : *entries)
            if (entry.name.compare(name, Qt::CaseInsensitive) == 0) return Host::findFile(path);
        return {};
    }
    std::optional<std::vector<FolderEntry>> listFolder(const QString& folder) const override {
        if (!listed_ || folder != folder_) {
            folder_ = folder;
            listed_ = Host::listFolder(folder);
        }
        return listed_;
    }
    bool deleteFile(const QString& path) override {
        const bool gone = Host::deleteFile(path);
        forget();
        return gone;
    }
    void forget() { listed_.reset(); }

private:
    mutable QString folder_;
    mutable std::optional<std::vector<FolderEntry>> listed_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CacheFolders cache =
        CacheFolders::Under(QString::fromStdString(fuzz_support::Scratch() + "/cache/Corvamo"));
    static const bool ready = QDir().mkpath(cache.temp);
    FUZZ_CHECK(ready, "cannot make the temporary folder");
    static RecordedMessages messages;
    static ListOnceHost* host = new ListOnceHost;
    static Workbench workbench(messages, cache, std::unique_ptr<Host>(host));

    if (size >= 26) {
        const auto le32 = [&](std::size_t at) {
            return std::int64_t(std::int32_t(std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8 |
                                             std::uint32_t(data[at + 2]) << 16 | std::uint32_t(data[at + 3]) << 24));
        };
        if (std::abs(le32(18)) * std::abs(le32(22)) > (std::int64_t(1) << 16)) return 0;
    }
    const std::string temp = cache.temp.toStdString();
    fuzz_support::WriteFile(temp + "mainBG.bmp", data, size);
    fuzz_support::WriteFile(temp + "arrowL.bmp", data, size);
    host->forget();
    workbench.WipePics();
    workbench.LoadPics();
    FUZZ_CHECK(messages.texts.isEmpty(), "loading reported: " + messages.texts.join(' ').toStdString());
    const QFileInfo jpeg(cache.temp + "mainBG.jpg");
    FUZZ_CHECK(!jpeg.exists() || jpeg.size() < (qint64(256) << 20), "the JPEG made from the BMP is over 256 MiB");
    // The next input overwrites the two files and LoadPics deletes the JPEG before making it, so
    // the folder is not emptied; every 64th input checks that nothing else appeared.
    if (size % 64 == 0)
        fuzz_support::WalkTree(temp, [](const fuzz_support::TreeEntry& entry) {
            const std::string name = entry.name;
            FUZZ_CHECK(name == "mainBG.bmp" || name == "arrowL.bmp" || name == "mainBG.jpg",
                       "loading left another file: " + entry.path);
            return false;
        });
    return 0;
}

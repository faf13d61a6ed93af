// A skin's pictures of any bytes, loaded as LoadPics does after a click on an archive: the bytes
// as the BMP main picture (turned into JPEG through FreeImage, then loaded) and as a BMP extra
// picture (loaded by Qt), then redrawsub. Nothing may crash; no picture may be larger than the
// window's holders accept, and the temporary folder holds no more than the two files and the
// JPEG made from them. A header that claims more than 1 Mi pixels is not loaded: the decoders
// would spend their time on pixels the bytes do not hold (the hostile-input suite loads such
// headers through the window).
#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "messages.h"
#include "workbench.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CacheFolders cache =
        CacheFolders::Under(QString::fromStdString(fuzz_support::Scratch() + "/cache/Corvamo"));
    static const bool ready = QDir().mkpath(cache.temp);
    FUZZ_CHECK(ready, "cannot make the temporary folder");
    static RecordedMessages messages;
    static Workbench workbench(messages, cache);

    if (size >= 26) {
        const auto le32 = [&](std::size_t at) {
            return std::int64_t(std::int32_t(std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8 |
                                             std::uint32_t(data[at + 2]) << 16 | std::uint32_t(data[at + 3]) << 24));
        };
        if (std::abs(le32(18)) * std::abs(le32(22)) > (std::int64_t(1) << 20)) return 0;
    }
    const std::string temp = cache.temp.toStdString();
    fuzz_support::WriteFile(temp + "mainBG.bmp", data, size);
    fuzz_support::WriteFile(temp + "arrowL.bmp", data, size);
    workbench.WipePics();
    workbench.LoadPics();
    FUZZ_CHECK(messages.texts.isEmpty(), "loading reported: " + messages.texts.join(' ').toStdString());
    const QFileInfo jpeg(cache.temp + "mainBG.jpg");
    FUZZ_CHECK(!jpeg.exists() || jpeg.size() < (qint64(256) << 20), "the JPEG made from the BMP is over 256 MiB");
    fuzz_support::EmptyFolder(temp);
    return 0;
}

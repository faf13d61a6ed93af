// A skin's pictures of any bytes, loaded as LoadPics does after a click on an archive: the bytes
// as the BMP main picture (turned into JPEG through FreeImage, then loaded) and as a BMP extra
// picture (loaded by Qt), then redrawsub. Nothing may crash; no picture may be larger than the
// window's holders accept, and the temporary folder holds no more than the two files and the
// JPEG made from them.
#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <cstdint>
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

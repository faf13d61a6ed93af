#include "skin/image_io.h"

#include "platform/new_file.h"
#include "skin/free_image.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace corvamo {

namespace {

// FreeImage reads and writes through a descriptor the workbench opened itself, never by name;
// the first failing write keeps its errno.
struct FdHandle {
    int fd;
    int error = 0;
};
unsigned ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* h = static_cast<FdHandle*>(handle);
    if (size == 0) return 0;
    std::size_t done = 0, want = std::size_t(size) * count;
    while (done < want) {
        const ssize_t n = ::read(h->fd, static_cast<char*>(buffer) + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    return unsigned(done / size);
}
unsigned WriteProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* h = static_cast<FdHandle*>(handle);
    if (size == 0) return 0;
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0, want = std::size_t(size) * count;
    while (done < want) {
        const ssize_t n = ::write(h->fd, bytes + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (h->error == 0) h->error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += std::size_t(n);
    }
    return unsigned(done / size);
}
int SeekProc(fi_handle handle, long offset, int origin) {
    return ::lseek(static_cast<FdHandle*>(handle)->fd, offset, origin) < 0 ? -1 : 0;
}
long TellProc(fi_handle handle) { return long(::lseek(static_cast<FdHandle*>(handle)->fd, 0, SEEK_CUR)); }
FreeImageIO FdIO() { return FreeImageIO{ReadProc, WriteProc, SeekProc, TellProc}; }

// The writer's bytes kept in memory, for a picture wanted only decoded again.
struct MemoryHandle {
    QByteArray bytes;
    qsizetype at = 0;
};
unsigned MemoryRead(void*, unsigned, unsigned, fi_handle) { return 0; }
unsigned MemoryWrite(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* h = static_cast<MemoryHandle*>(handle);
    const qsizetype want = qsizetype(size) * qsizetype(count);
    if (h->at + want > h->bytes.size()) h->bytes.resize(h->at + want);
    std::memcpy(h->bytes.data() + h->at, buffer, std::size_t(want));
    h->at += want;
    return count;
}
int MemorySeek(fi_handle handle, long offset, int origin) {
    auto* h = static_cast<MemoryHandle*>(handle);
    const qsizetype base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? h->at : h->bytes.size();
    if (base + offset < 0) return -1;
    h->at = base + offset;
    return 0;
}
long MemoryTell(fi_handle handle) { return long(static_cast<MemoryHandle*>(handle)->at); }
FreeImageIO MemoryIO() { return FreeImageIO{MemoryRead, MemoryWrite, MemorySeek, MemoryTell}; }

// A JPEG file ends with its end-of-image marker: a file cut short by a full disk does not.
bool IsCompleteJpeg(int fd) {
    const off_t size = ::lseek(fd, 0, SEEK_END);
    char end[2];
    return size >= 4 && ::pread(fd, end, 2, size - 2) == 2 && end[0] == '\xFF' && end[1] == '\xD9';
}

// Saves the bitmap as JPEG beside path, through the descriptor that created that file, and puts
// it in path's place only when complete (and, with sync, on the disk), so that a failed save
// never costs the file that was there before.
bool SaveJpegInPlace(FIBITMAP* bitmap, const QString& path, bool sync) {
    NewFileBeside part(path);
    if (!part.isOpen()) return false;
    FreeImageIO io = FdIO();
    FdHandle handle{part.fd()};
    const bool saved = free_image::SaveToHandle(FIF_JPEG, bitmap, &io, &handle, JPEG_QUALITYSUPERB) == TRUE;
    if (handle.error != 0) part.fail(handle.error);
    if (!saved || !IsCompleteJpeg(part.fd())) part.fail(EIO);
    return part.commit(true, sync);
}

// The BMP that load() reads with the flags given, made ready for the JPEG writer (24 bits, or
// 8-bit grey); null with why not.
template <typename Load>
FIBITMAP* LoadForJpeg(const Load& load, JpegResult& result) {
    FIBITMAP* header = load(FIF_LOAD_NOPIXELS);
    result = JpegResult::Unreadable;
    if (!header) return nullptr;
    const qint64 pixels = qint64(free_image::GetWidth(header)) * qint64(free_image::GetHeight(header));
    free_image::Unload(header);
    result = JpegResult::TooLarge;
    if (pixels > kMaxBmpPixels) return nullptr;
    FIBITMAP* bitmap = load(0);
    result = JpegResult::Unreadable;
    if (!bitmap) return nullptr;
    result = JpegResult::NotSaved;
    if (free_image::GetBPP(bitmap) != 24 &&
        !(free_image::GetBPP(bitmap) == 8 && free_image::GetColorType(bitmap) == FIC_MINISBLACK)) {
        FIBITMAP* converted = free_image::ConvertTo24Bits(bitmap);
        free_image::Unload(bitmap);
        bitmap = converted;
    }
    return bitmap;
}

// The conversion of a BMP that load() reads with the flags given.
template <typename Load>
JpegResult Convert(const Load& load, const QString& jpg, bool sync) {
    JpegResult result;
    FIBITMAP* bitmap = LoadForJpeg(load, result);
    if (!bitmap) return result;
    const bool saved = SaveJpegInPlace(bitmap, jpg, sync);
    free_image::Unload(bitmap);
    return saved ? JpegResult::Saved : JpegResult::NotSaved;
}

// The JPEG writer's own limit on either side (libjpeg's JPEG_MAX_DIMENSION).
constexpr unsigned kMaxJpegSide = 65500;

}  // namespace

bool SaveImageFile(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const QString& fileName, int flags) {
    return free_image::Save(format, bitmap, QFile::encodeName(fileName).constData(), flags) == 1;
}

JpegResult BmpToJpeg(const QString& bmp, const QString& jpg) {
    const QByteArray path = QFile::encodeName(bmp);
    return Convert([&](int flags) { return free_image::Load(FIF_BMP, path.constData(), flags); }, jpg, false);
}

JpegResult BmpToJpeg(int bmpFd, const QString& jpg) {
    FreeImageIO io = FdIO();
    FdHandle handle{bmpFd};
    return Convert(
        [&](int flags) {
            ::lseek(bmpFd, 0, SEEK_SET);
            return free_image::LoadFromHandle(FIF_BMP, &io, &handle, flags);
        },
        jpg, true);
}

JpegResult BmpToJpegBytes(const QString& bmp, QByteArray* jpeg) {
    const QByteArray path = QFile::encodeName(bmp);
    JpegResult result;
    FIBITMAP* bitmap =
        LoadForJpeg([&](int flags) { return free_image::Load(FIF_BMP, path.constData(), flags); }, result);
    if (!bitmap) return result;
    FreeImageIO io = MemoryIO();
    MemoryHandle handle;
    const bool saved = free_image::SaveToHandle(FIF_JPEG, bitmap, &io, &handle, JPEG_QUALITYSUPERB) == TRUE;
    free_image::Unload(bitmap);
    // Complete as the file would have to be: ending with the end-of-image marker.
    const QByteArray& bytes = handle.bytes;
    if (!saved || bytes.size() < 4 || !bytes.endsWith("\xFF\xD9")) return JpegResult::NotSaved;
    *jpeg = bytes;
    return JpegResult::Saved;
}

JpegResult BmpToJpegSize(const QString& bmp, QSize* size) {
    const QByteArray path = QFile::encodeName(bmp);
    JpegResult result;
    FIBITMAP* bitmap =
        LoadForJpeg([&](int flags) { return free_image::Load(FIF_BMP, path.constData(), flags); }, result);
    if (!bitmap) return result;
    const unsigned width = free_image::GetWidth(bitmap), height = free_image::GetHeight(bitmap);
    free_image::Unload(bitmap);
    if (width == 0 || height == 0 || width > kMaxJpegSide || height > kMaxJpegSide) return JpegResult::NotSaved;
    *size = QSize(int(width), int(height));
    return JpegResult::Saved;
}

}  // namespace corvamo

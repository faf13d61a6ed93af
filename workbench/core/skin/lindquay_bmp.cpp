#include "skin/lindquay_bmp.h"

#include "bmp_format.h"

#include <QFile>
#include <QFileInfo>

#include <array>

namespace corvamo {

QString LindquayBmpProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("cannot open the bitmap: No such file or directory");
    if (!info.isFile()) return QStringLiteral("the bitmap is not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot open the bitmap: ") + file.errorString();
    std::array<std::uint8_t, 54> header{};
    const qint64 got = file.read(reinterpret_cast<char*>(header.data()), qint64(header.size()));
    const lindquay::BmpFormat format =
        lindquay::ParseBmpHeader(header.data(), got < 0 ? 0 : std::size_t(got), std::uint64_t(info.size()));
    return QString::fromStdString(format.refusal);
}

}  // namespace corvamo

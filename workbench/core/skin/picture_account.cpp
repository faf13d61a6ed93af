#include "skin/picture_account.h"

#include "skin/catalogue.h"
#include "skin/free_image.h"
#include "skin/image_io.h"
#include "skin/lindquay_bmp.h"

#include <QFile>
#include <QFileInfo>

namespace corvamo {

namespace {

lindquay::PictureForm FormOf(const QString& path) {
    QFile file(path);
    QByteArray head;
    if (file.open(QIODevice::ReadOnly)) head = file.read(qint64(lindquay::kFormHeadBytes));
    return lindquay::ReadPictureForm(reinterpret_cast<const std::uint8_t*>(head.constData()), std::size_t(head.size()),
                                     QFileInfo(path).suffix().toLower().toStdString());
}

// Whether the image library reads the BMP: loading turns a BMP main picture into its JPEG with it.
// Its header alone passes for some forms whose pixels it then refuses (RLE), so the pixels are read
// too, up to the size loading converts at all.
bool ImageLibraryReads(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    FIBITMAP* bitmap = free_image::Load(FIF_BMP, name.constData(), FIF_LOAD_NOPIXELS);
    if (!bitmap) return false;
    const qint64 pixels = qint64(free_image::GetWidth(bitmap)) * qint64(free_image::GetHeight(bitmap));
    free_image::Unload(bitmap);
    if (pixels > kMaxBmpPixels) return true;  // refused for its size, not its form
    bitmap = free_image::Load(FIF_BMP, name.constData(), 0);
    if (bitmap) free_image::Unload(bitmap);
    return bitmap != nullptr;
}

}  // namespace

PictureRoad RoadOf(const QString& catalogueName) {
    if (Catalogue::Split(Catalogue::MainJpgNames).contains(catalogueName, Qt::CaseInsensitive))
        return PictureRoad::MainJpg;
    if (Catalogue::Split(Catalogue::MainBmpNames).contains(catalogueName, Qt::CaseInsensitive))
        return PictureRoad::MainBmp;
    return PictureRoad::Extra;
}

PictureAccount AccountOf(const QString& path, PictureRoad road) {
    PictureAccount account;
    account.form = FormOf(path);
    const lindquay::PictureForm& form = account.form;
    const QString name = QString::fromStdString(form.name);
    switch (road) {
        case PictureRoad::Extra:
            if (!form.lindquayForm()) {
                account.problem = name + QStringLiteral(": ") + QString::fromStdString(form.lindquayCause);
                account.lindquaySays = LindquayBmpProblem(path);
            }
            break;
        case PictureRoad::MainBmp:
            // An uncompressed BMP the library fails on is damaged, not of another form.
            if (form.container != lindquay::PictureForm::Bmp ||
                ((form.compression != 0 || form.infoSize < 40) && !ImageLibraryReads(path)))
                account.problem = name + QStringLiteral(": the workbench's image library cannot read this form");
            break;
        case PictureRoad::MainJpg:
            if (form.container != lindquay::PictureForm::Jpeg)
                account.problem = name + QStringLiteral(": the DS loader reads a .jpg main picture only as a JPEG");
            break;
    }
    return account;
}

QString FormWayOut() { return QStringLiteral("save it as a 24-bit BMP, or use Make loader-safe"); }

}  // namespace corvamo

#include "author/skin_check.h"

#include "author/skin_layout.h"
#include "preview/picture.h"
#include "skin/archive_extract.h"
#include "skin/catalogue.h"
#include "skin/image_io.h"
#include "skin/lindquay_bmp.h"
#include "skin/picture_account.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>

#include <algorithm>
#include <map>

namespace corvamo {

namespace {

class Checker {
public:
    explicit Checker(const SkinFiles& skin) : skin_(skin) {}

    SkinReport run();

private:
    void add(Finding::Level level, const QString& file, const QString& text) {
        report_.findings.push_back({level, file, text});
    }
    // A picture's size against the size the previews fix.
    void checkSize(const QString& file, const SkinFileRole& role, const QSize& size);
    // Reads a picture as the window loads it; an invalid size when it cannot be read.
    static QSize LoadedSize(const QString& path);
    static QSize HeaderSize(const QString& path);
    bool tooLarge(const QString& path, const QString& file);
    void checkMainPicture(const SkinFileRole& jpg, const SkinFileRole& bmp);
    void checkExtraPicture(const SkinFileRole& role);
    void checkLetterCaseAndStrays();
    // Whether the skin has an entry under the name that is no regular file (reported once, as such).
    bool refused(const QString& catalogueName) const {
        return std::any_of(skin_.refused.begin(), skin_.refused.end(), [&](const RefusedEntry& r) {
            return r.name.compare(catalogueName, Qt::CaseInsensitive) == 0;
        });
    }

    const SkinFiles& skin_;
    SkinReport report_;
};

QSize Checker::LoadedSize(const QString& path) {
    Picture holder(0, 0, true);
    return holder.load(path) ? holder.picture().size() : QSize();
}

QSize Checker::HeaderSize(const QString& path) {
    QImageReader reader(path);
    const QSize size = reader.size();
    return size.isValid() ? size : LoadedSize(path);
}

bool Checker::tooLarge(const QString& path, const QString& file) {
    if (QFileInfo(path).size() <= kMaxSkinFileBytes) return false;
    add(Finding::Error, file,
        QStringLiteral("larger than %1, more than the workbench accepts: it is left out")
            .arg(MiBText(kMaxSkinFileBytes)));
    return true;
}

void Checker::checkSize(const QString& file, const SkinFileRole& role, const QSize& size) {
    const QString found = QStringLiteral("is %1, expected %2: ").arg(SizeText(size), SizeText(role.size));
    const QString drawn =
        role.drawn == role.size ? QStringLiteral("what") : QStringLiteral("the ") + SizeText(role.drawn);
    if (size.width() < role.drawn.width() || size.height() < role.drawn.height())
        add(Finding::Error, file,
            found +
                QStringLiteral("smaller than %1 the previews draw from it, so what lies below shows through part of %2")
                    .arg(drawn, role.shows));
    else if (size.width() >= role.size.width() && size.height() >= role.size.height() && size != role.size)
        add(Finding::Warning, file,
            found + QStringLiteral("larger than the loader's picture; only its top-left %1 shows on %2")
                        .arg(SizeText(role.drawn), role.shows));
    else if (size != role.size)
        add(Finding::Warning, file,
            found + QStringLiteral("the previews draw only its top-left %1, but the loader uses all of %2")
                        .arg(SizeText(role.drawn), SizeText(role.size)));
}

void Checker::checkMainPicture(const SkinFileRole& jpg, const SkinFileRole& bmp) {
    const QString bmpPath = skin_.find(bmp.name), jpgPath = skin_.find(jpg.name);
    if (!bmpPath.isEmpty() && !jpgPath.isEmpty())
        add(Finding::Note, skin_.entryName(bmpPath),
            QStringLiteral("also given as %1: the BMP wins and %1 is ignored").arg(skin_.entryName(jpgPath)));
    if (bmpPath.isEmpty() && jpgPath.isEmpty()) {
        if (refused(jpg.name) || refused(bmp.name)) return;
        add(Finding::Warning, jpg.name,
            QStringLiteral("missing (in both forms, %1 and %2): the previews draw nothing for %3, and installing keeps "
                           "the picture "
                           "of the skin installed before")
                .arg(jpg.name, bmp.name, jpg.shows));
        return;
    }
    const QString path = bmpPath.isEmpty() ? jpgPath : bmpPath;
    const QString file = skin_.entryName(path);
    if (tooLarge(path, file)) return;
    QSize size;
    if (!bmpPath.isEmpty()) {
        // The BMP goes the loader's way: FreeImage turns it into the JPEG that is shown and installed,
        // whose size is the BMP's; only whether it would be written matters here.
        switch (BmpToJpegSize(bmpPath, &size)) {
            case JpegResult::Saved:
                break;
            case JpegResult::TooLarge:
                add(Finding::Error, file,
                    QStringLiteral(
                        "has more than %1 pixels, more than the workbench converts: the previews draw nothing for %2")
                        .arg(QLocale(QLocale::English).toString(kMaxBmpPixels), jpg.shows));
                return;
            case JpegResult::Unreadable:
            case JpegResult::NotSaved:
                if (const PictureAccount account = AccountOf(bmpPath, PictureRoad::MainBmp); !account.fits()) {
                    add(Finding::Error, file,
                        QStringLiteral("%1, so no %2 is made from it: the previews draw nothing for %3; %4")
                            .arg(account.problem, jpg.name, jpg.shows, FormWayOut()));
                    return;
                }
                add(Finding::Error, file,
                    QStringLiteral(
                        "cannot be read as a BMP, so no %1 is made from it: the previews draw nothing for %2")
                        .arg(jpg.name, jpg.shows));
                return;
        }
    }
    if (bmpPath.isEmpty()) {
        if (const PictureAccount account = AccountOf(jpgPath, PictureRoad::MainJpg);
            !account.fits() && account.form.picture())
            add(Finding::Error, file,
                QStringLiteral("%1; installing copies it to the DS loader as it is; %2")
                    .arg(account.problem, FormWayOut()));
        size = LoadedSize(path);
    }
    if (!size.isValid())
        add(Finding::Error, file,
            QStringLiteral("cannot be read as a picture: the previews draw nothing for %1").arg(jpg.shows));
    else
        checkSize(file, jpg, size);
}

void Checker::checkExtraPicture(const SkinFileRole& role) {
    const QString path = skin_.find(role.name);
    if (path.isEmpty()) {
        if (role.fixed() && !refused(role.name))
            add(Finding::Warning, role.name,
                QStringLiteral(
                    "missing: the previews draw nothing for %1, and installing keeps the picture of the skin "
                    "installed before")
                    .arg(role.shows));
        return;
    }
    const QString file = skin_.entryName(path);
    if (tooLarge(path, file)) return;
    // Every extra picture goes into the GBA shell ROM, which Lindquay builds.
    const QString lindquay = LindquayBmpProblem(path);
    // A BMP Lindquay takes (uncompressed, 8, 24 or 32 bits, every row there) is one the window
    // reads too: its header gives the size without decoding it.
    const QSize size = lindquay.isEmpty() ? HeaderSize(path) : LoadedSize(path);
    if (!size.isValid())
        add(Finding::Error, file,
            QStringLiteral("cannot be read as a picture%1%2")
                .arg(role.fixed() ? QStringLiteral(": the previews draw nothing for ") + role.shows : QString(),
                     lindquay.isEmpty()
                         ? QString()
                         : QStringLiteral("; Lindquay: %1, so the GBA shell ROM is built without it").arg(lindquay)));
    else if (const PictureAccount account = AccountOf(path, PictureRoad::Extra); !account.fits())
        add(Finding::Error, file,
            QStringLiteral("%1, so the GBA shell ROM is built without it (Lindquay: %2); %3")
                .arg(account.problem, account.lindquaySays, FormWayOut()));
    else if (!lindquay.isEmpty())
        add(Finding::Error, file,
            QStringLiteral("Lindquay cannot convert it (%1%2), so the GBA shell ROM is built without it; save it as "
                           "an uncompressed BMP of 8, 24 or 32 bits")
                .arg(lindquay, lindquay.startsWith(QLatin1String("READLEN"))
                                   ? QStringLiteral(": the file ends before its last row of pixels")
                                   : QString()));
    if (!size.isValid()) return;
    if (role.fixed())
        checkSize(file, role, size);
    else
        add(Finding::Note, file,
            QStringLiteral("is %1; the previews do not show it, so its size is not checked").arg(SizeText(size)));
}

void Checker::checkLetterCaseAndStrays() {
    // The entries that stand at the top of the skin, by the catalogue name they match.
    std::map<QString, QStringList> matches;
    std::map<QString, QString> catalogueSpelling;
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) catalogueSpelling[name.toLower()] = name;
    const QString prefix = skin_.lifted.isEmpty() ? QString() : skin_.lifted + '/';
    QStringList strays;
    for (const QString& entry : skin_.entries) {
        const QString rest = entry.startsWith(prefix) ? entry.mid(prefix.size()) : QString();
        const auto spelling = catalogueSpelling.find(rest.toLower());
        if (rest.contains('/') || rest.startsWith('.') || spelling == catalogueSpelling.end())
            strays << entry;
        else
            matches[spelling->second] << entry;
    }
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) {
        const auto found = matches.find(name);
        if (found == matches.end()) continue;
        const QStringList& variants = found->second;
        if (variants.size() > 1)
            add(Finding::Note, name,
                QStringLiteral("%1 files match this name in different letter case (%2); %3 is used")
                    .arg(variants.size())
                    .arg(variants.join(QStringLiteral(", ")), skin_.entryName(skin_.find(name))));
        else if (variants.front() != prefix + name)
            add(Finding::Note, variants.front(),
                QStringLiteral("differs from the catalogue's %1 in letter case; it is loaded and installed as %1")
                    .arg(name));
    }
    for (const QString& stray : strays)
        add(Finding::Note, stray, QStringLiteral("not a skin file: never loaded or installed"));
}

SkinReport Checker::run() {
    report_.skin = skin_.name;
    if (!skin_.status) add(Finding::Error, {}, skin_.status.message);
    if (!skin_.readable) return report_;
    for (const RefusedEntry& entry : skin_.refused) add(Finding::Error, entry.name, entry.what);
    const auto& layout = SkinLayout();
    if (std::none_of(layout.begin(), layout.end(),
                     [&](const SkinFileRole& r) { return !skin_.find(r.name).isEmpty(); })) {
        add(Finding::Error, {},
            skin_.archive ? QStringLiteral("no skin file, neither at the archive's top nor in one folder of it")
                          : QStringLiteral("no skin file in this folder"));
        return report_;
    }
    if (!skin_.lifted.isEmpty())
        add(Finding::Note, skin_.lifted + '/',
            QStringLiteral("the archive holds its skin files in this folder, not at its top; they are loaded as if "
                           "they lay at the top"));

    const QStringList jpgs = Catalogue::Split(Catalogue::MainJpgNames);
    for (int slot = 0; slot < int(jpgs.size()); ++slot) {
        const auto same = [&](const SkinFileRole& r) { return r.mainSlot == slot; };
        const auto jpg = std::find_if(layout.begin(), layout.end(), same);
        checkMainPicture(*jpg, *std::find_if(jpg + 1, layout.end(), same));
    }
    for (const SkinFileRole& role : layout)
        if (role.extraSlot >= 0) checkExtraPicture(role);
    for (const char* data : {"asc.dat", "hzk.dat", "help.txt"})
        if (skin_.find(data).isEmpty() && !refused(data))
            add(Finding::Warning, data,
                QStringLiteral("missing: installing keeps the %1 of the skin installed before").arg(data));
    // The data files are copied as they are: one that cannot be read fails the install and the pack.
    for (const char* data : {"asc.dat", "hzk.dat", "help.txt", "text.txt"}) {
        const QString path = skin_.find(data);
        if (QFile file(path); !path.isEmpty() && !file.open(QIODevice::ReadOnly))
            add(Finding::Error, skin_.entryName(path),
                QStringLiteral("cannot be read (%1): installing and packing the skin fail for it")
                    .arg(file.errorString()));
    }
    if (const QString text = skin_.find(QStringLiteral("text.txt")); !text.isEmpty())
        add(Finding::Note, skin_.entryName(text),
            QStringLiteral("present: Skin VU4 loaders runs skin_txt.bat, which packs it into the GBA shell ROM, "
                           "instead of Skin_it.bat"));
    checkLetterCaseAndStrays();

    std::stable_sort(report_.findings.begin(), report_.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.level < b.level; });
    return report_;
}

QString Counted(int n, const char* one) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(one)).arg(n == 1 ? "" : "s");
}

}  // namespace

int SkinReport::count(Finding::Level level) const {
    return int(std::count_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.level == level; }));
}

QString SkinReport::text() const {
    static const char* const levels[] = {"error", "warning", "note"};
    QString text;
    for (const Finding& f : findings)
        text += QStringLiteral("%1: %2: %3%4\n")
                    .arg(QLatin1String(levels[f.level]), skin, f.file.isEmpty() ? QString() : f.file + ": ", f.text);
    return text + QStringLiteral("%1: %2, %3, %4\n")
                      .arg(skin, Counted(count(Finding::Error), "error"), Counted(count(Finding::Warning), "warning"),
                           Counted(count(Finding::Note), "note"));
}

SkinReport CheckSkin(const SkinFiles& skin) { return Checker(skin).run(); }

SkinReport CheckSkin(const QString& skin, const QString& scratchRoot, const Host& host) {
    return CheckSkin(SkinFiles::Open(skin, scratchRoot, host));
}

}  // namespace corvamo

#include "collection/skin_summary.h"

#include "author/pixel_font.h"
#include "platform/paths.h"
#include "preview/compositor.h"
#include "skin/archive_extract.h"
#include "skin/catalogue.h"
#include "skin/image_io.h"
#include "skin/skin_files.h"
#include "workbench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace corvamo {

namespace {

QString Stamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("-");
    return QStringLiteral("%1:%2.%3").arg(st.st_size).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
}

// Words of text broken into lines of at most width pixels of the pixel font; a word too long for
// a line is cut.
QStringList WrapText(const QString& text, int width) {
    const int perLine = std::max(1, width / PixelFont::CellWidth);
    QStringList lines;
    QString line;
    for (QString word : text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        while (word.size() > perLine) {
            if (!line.isEmpty()) lines << line;
            lines << word.left(perLine);
            word = word.mid(perLine);
            line.clear();
        }
        if (line.isEmpty())
            line = word;
        else if (line.size() + 1 + word.size() <= perLine)
            line += QLatin1Char(' ') + word;
        else {
            lines << line;
            line = word;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

// A private folder for unpacking skins, in memory when the system allows: unpacking hundreds of
// skins on a disk spends most of its time creating and deleting files.
std::unique_ptr<QTemporaryDir> SummaryScratch(const QString& fallback) {
    const QString memory = MemoryFolder();
    const QString root = memory.isEmpty() ? fallback : memory;
    QDir().mkpath(root);
    // mkdtemp: a new folder only this user can enter, even in a folder shared with others.
    return std::make_unique<QTemporaryDir>(WithSlash(root) + QStringLiteral("corvamo-summaries-XXXXXX"));
}

}  // namespace

QStringList SkinsOfFolder(const QString& folder, const Host& host) {
    const auto entries = host.listFolder(FolderPath(folder));
    if (!entries) return {};
    QStringList zips, folders;
    for (const FolderEntry& entry : *entries) {
        if (entry.name.startsWith(QLatin1Char('.'))) continue;
        const QString full = WithSlash(folder) + entry.name;
        const bool isFolder =
            entry.kind == FolderEntry::Folder || (entry.kind == FolderEntry::Link && QFileInfo(full).isDir());
        if (isFolder && HoldsSkinFile(full, host))
            folders << entry.name;
        else if (!isFolder && IsZipName(entry.name) && entry.kind != FolderEntry::Other)
            zips << entry.name;
    }
    QStringList skins = zips + folders;
    std::sort(skins.begin(), skins.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    for (QString& skin : skins) skin = WithSlash(folder) + skin;
    return skins;
}

QStringList ExpandSkins(const QStringList& operands, const Host& host) {
    QStringList skins;
    for (const QString& operand : operands) {
        const QString path = QDir::cleanPath(QFileInfo(operand).absoluteFilePath());
        if (QFileInfo(path).isDir() && !HoldsSkinFile(path, host)) {
            const QStringList inside = SkinsOfFolder(path, host);
            // A folder with no skin at all stays itself, so that it is reported.
            skins << (inside.isEmpty() ? QStringList{path} : inside);
        } else {
            skins << path;
        }
    }
    return skins;
}

QString SkinKey(const QString& skin, const Host& host) {
    const QFileInfo info(skin);
    if (!info.isDir()) return QStringLiteral("1|file|%1|%2").arg(skin, Stamp(skin));
    QString key = QStringLiteral("1|folder|%1").arg(skin);
    const FolderNames names(host, skin);
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames))
        if (const QString found = names.find(name); !found.isEmpty())
            key +=
                QLatin1Char('|') + found.mid(found.lastIndexOf(QLatin1Char('/')) + 1) + QLatin1Char('=') + Stamp(found);
    return key;
}

int ThumbnailWidth(int height) { return height * 2 / 3 + 4 + height * 3 / 2; }

QImage ThumbnailOf(const QImage& dsExport, const QImage& gbaExport, int height) {
    QImage thumbnail(ThumbnailWidth(height), height, QImage::Format_RGB32);
    thumbnail.fill(Qt::white);
    QPainter painter(&thumbnail);
    painter.drawImage(0, 0, dsExport.scaled(height * 2 / 3, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.drawImage(height * 2 / 3 + 4, 0,
                      gbaExport.scaled(height * 3 / 2, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return thumbnail;
}

QImage BrokenThumbnail(const QString& why, int height) {
    QImage thumbnail(ThumbnailWidth(height), height, QImage::Format_RGB32);
    thumbnail.fill(QColor(224, 224, 224));
    const QRgb ink = qRgb(160, 0, 0);
    const int margin = 4;
    const QStringList lines = WrapText(why, thumbnail.width() - 2 * margin);
    const int lineHeight = PixelFont::CellHeight + 1;
    const int shown = std::min<int>(int(lines.size()), (height - 2 * margin) / lineHeight);
    for (int i = 0; i < shown; ++i) PixelFont::Draw(thumbnail, margin, margin + i * lineHeight, lines[i], ink);
    return thumbnail;
}

bool HasAnyPicture(const FormPictures& p) {
    const auto has = [](const Picture& slot) { return slot.hasPicture(); };
    return std::any_of(p.Picture1.begin(), p.Picture1.end(), has) ||
           std::any_of(p.Picture5.begin(), p.Picture5.end(), has);
}

Status LoadSkinAlone(Workbench& wb, const QString& skin) {
    const Status opened = wb.openSkin(skin);
    if (HasAnyPicture(wb.pictures())) return Status::Success();
    // One line: a thumbnail and a tooltip show it.
    if (!opened) return Status::Failure(opened.details.isEmpty() ? opened.message : opened.details.join(' '));
    return Status::Failure(QStringLiteral("no skin pictures found"));
}

bool LoadSkinPictures(const SkinFiles& skin, FormPictures& pictures) {
    // Loading copies or unpacks no file larger than this; the picture slot stays blank.
    const auto usable = [&](const QString& name) {
        const QString found = skin.find(name);
        return found.isEmpty() || QFileInfo(found).size() > kMaxSkinFileBytes ? QString() : found;
    };
    bool any = false;
    const QStringList bmps = Catalogue::Split(Catalogue::MainBmpNames),
                      jpgs = Catalogue::Split(Catalogue::MainJpgNames);
    for (qsizetype i = 0; i < jpgs.size(); ++i) {
        Picture& slot = pictures.Picture1[size_t(i)];
        if (const QString bmp = usable(bmps[i]); !bmp.isEmpty()) {
            // A BMP that cannot be converted leaves its slot blank, whatever JPEG lies beside it.
            QByteArray jpeg;
            if (BmpToJpegBytes(bmp, &jpeg) == JpegResult::Saved) any = slot.loadData(jpeg) || any;
        } else if (const QString jpg = usable(jpgs[i]); !jpg.isEmpty()) {
            any = slot.load(jpg) || any;
        }
    }
    const QStringList extras = Catalogue::Split(Catalogue::ExtraBmpNames);
    for (qsizetype i = 0; i < extras.size(); ++i)
        if (const QString bmp = usable(extras[i]); !bmp.isEmpty()) any = pictures.Picture5[size_t(i)].load(bmp) || any;
    return any;
}

struct SkinSummarizer::Loader {
    explicit Loader(const CacheFolders& cache) : workbench(messages, cache) {}
    RecordedMessages messages;
    Workbench workbench;
};

SkinSummarizer::SkinSummarizer(const CacheFolders& cache)
    : cache_(cache), scratch_(SummaryScratch(ScratchRootOf(cache))), blank_(std::make_unique<FormPictures>()) {}
SkinSummarizer::~SkinSummarizer() = default;

SkinSummary SkinSummarizer::summarize(const QString& skin, int thumbnailHeight) {
    SkinSummary summary;
    const QFileInfo info(skin);
    summary.path = QDir::cleanPath(info.absoluteFilePath());
    summary.name = info.fileName().isEmpty() ? summary.path : info.fileName();
    summary.key = SkinKey(summary.path, host_);
    // One unpacking serves the check and the pictures.
    const QString scratchRoot = scratch_->isValid() ? scratch_->path() : ScratchRootOf(cache_);
    const SkinFiles files = SkinFiles::Open(summary.path, scratchRoot, host_);
    const SkinReport report = CheckSkin(files);
    summary.errors = report.count(Finding::Error);
    summary.warnings = report.count(Finding::Warning);
    summary.notes = report.count(Finding::Note);

    FormPictures pictures = *blank_;
    if (LoadSkinPictures(files, pictures)) {
        // As the window draws both exports right after loading the skin.
        ModuleState state;
        redrawsub(pictures, state, false);
        DrawDsExport(pictures, state, ViewOptions());
        DrawGbaExport(pictures);
        summary.thumbnail = ThumbnailOf(pictures.Picture3.image(), pictures.Picture15.image(), thumbnailHeight);
        return summary;
    }
    // Nothing to show: loading it as the window does says why in the window's words.
    if (!loader_) loader_ = std::make_unique<Loader>(cache_);
    Workbench& wb = loader_->workbench;
    summary.status = LoadSkinAlone(wb, summary.path);
    summary.thumbnail = summary.broken() ? BrokenThumbnail(summary.status.message, thumbnailHeight)
                                         : ThumbnailOf(wb.drawPreview(PreviewKind::Ds).image(),
                                                       wb.drawPreview(PreviewKind::Gba).image(), thumbnailHeight);
    return summary;
}

int SummaryThreads() { return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)); }

std::vector<SkinSummary> SummarizeSkins(const QStringList& skins, const QString& cacheRoot, int thumbnailHeight,
                                        int threads, const std::function<void(int)>& done) {
    std::vector<SkinSummary> summaries(size_t(skins.size()));
    std::atomic<qsizetype> next{0};
    std::mutex reporting;
    int finished = 0;
    const auto work = [&] {
        const CacheLease lease = CacheLease::Private(cacheRoot);
        SkinSummarizer summarizer(lease.folders());
        for (qsizetype i = next++; i < skins.size(); i = next++) {
            summaries[size_t(i)] = summarizer.summarize(skins[i], thumbnailHeight);
            const std::lock_guard<std::mutex> lock(reporting);
            ++finished;
            if (done) done(finished);
        }
    };
    const int count = std::max(1, std::min(threads, int(skins.size())));
    std::vector<std::thread> helpers;
    for (int t = 1; t < count; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return summaries;
}

}  // namespace corvamo

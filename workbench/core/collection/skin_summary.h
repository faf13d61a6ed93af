#pragma once

#include "author/skin_check.h"
#include "platform/cache_folders.h"
#include "platform/host_layer.h"
#include "platform/status.h"

#include <QImage>
#include <QString>
#include <QStringList>

class QTemporaryDir;

#include <functional>
#include <memory>
#include <vector>

namespace corvamo {

// What the gallery, the contact sheet and the index show of many skins at once.

// The skins of a folder as the gallery shows them: its visible ".zip" archives and its visible
// sub-folders that hold skin files, sorted by name without regard to letter case.
QStringList SkinsOfFolder(const QString& folder, const Host& host);
// The skins named on a command line: a skin folder or archive stays itself; a folder that holds
// no skin file stands for the skins in it (SkinsOfFolder). Paths are made absolute.
QStringList ExpandSkins(const QStringList& operands, const Host& host);

// What identifies a skin's current content without reading it: its path with the size and
// modification time of the archive, or of each skin file of a folder. A changed skin gets a new key.
QString SkinKey(const QString& skin, const Host& host);

// One skin made small: its two exported previews scaled into one picture, its check's counts,
// and for a skin that could not be loaded, why.
struct SkinSummary {
    QString path;  // absolute
    QString name;  // the archive's or folder's own name
    QString key;   // SkinKey when it was made
    QImage thumbnail;
    int errors = 0, warnings = 0, notes = 0;
    Status status;  // a failure says why the skin could not be read or loaded
    bool broken() const { return !status; }
};

// The previews side by side at the given height: the DS export (two screens, window element
// shown) at its left, the GBA export (four screens) at its right, 4 pixels apart, on white.
QImage ThumbnailOf(const QImage& dsExport, const QImage& gbaExport, int height);
// The thumbnail of a skin that cannot be shown: its reason in the built-in pixel font, on grey.
QImage BrokenThumbnail(const QString& why, int height);
// The width of a thumbnail of this height.
int ThumbnailWidth(int height);

struct FormPictures;
class SkinFiles;
class RecordedMessages;
class Workbench;

// Whether any picture slot holds a picture: a skin was loaded.
bool HasAnyPicture(const FormPictures& pictures);
// Loads the skin (a folder or a .zip archive) into wb exactly as opening the folder or clicking
// the archive in the window does; fails, saying why, when no skin picture could be loaded.
Status LoadSkinAlone(Workbench& wb, const QString& skin);

// Summarizes skins one after another in cache folders of its own: unpacks each once (into memory
// when the system offers a memory file system, else below the cache folders), checks it, loads its
// pictures as the window does into picture holders of its own and draws both exports from them,
// scaled. A skin without any picture is loaded in a workbench of its own, so that it says why in
// the window's words. Several summarizers may run at once on threads of their own, each with its
// own cache folders.
class SkinSummarizer {
public:
    explicit SkinSummarizer(const CacheFolders& cache);
    ~SkinSummarizer();
    SkinSummary summarize(const QString& skin, int thumbnailHeight);

private:
    struct Loader;
    CacheFolders cache_;
    Host host_;
    std::unique_ptr<Loader> loader_;  // made for the first skin without pictures
    std::unique_ptr<QTemporaryDir> scratch_;
    std::unique_ptr<FormPictures> blank_;  // the holders as a window that has loaded nothing has them
};

// Loads the pictures of a skin opened for reading into holders as loading it in the window puts
// them there: a main picture's BMP (which wins over its JPEG) through the same JPEG, files larger
// than the workbench accepts left out. True when any picture was loaded.
bool LoadSkinPictures(const SkinFiles& skin, FormPictures& pictures);

// Summarizes every skin on up to threads threads at once (each with cache folders of its own
// below cacheRoot); the summaries come in the order of skins. done(count) is called, on whichever
// thread finished a skin and never twice at once, after each skin.
std::vector<SkinSummary> SummarizeSkins(const QStringList& skins, const QString& cacheRoot, int thumbnailHeight,
                                        int threads, const std::function<void(int done)>& done = {});
// How many threads summarizing should use on this machine.
int SummaryThreads();

}  // namespace corvamo

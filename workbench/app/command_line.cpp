#include "command_line.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

bool anyPicture(const FormPictures& p) {
    const auto has = [](const Picture& slot) { return slot.hasPicture(); };
    return std::any_of(p.Picture1.begin(), p.Picture1.end(), has) ||
           std::any_of(p.Picture5.begin(), p.Picture5.end(), has);
}

// Loads one skin as the window would: a folder by moving the folder list to it, an archive by
// moving to its folder and clicking it in the file list. Returns what went wrong, or "".
QString loadSkin(Workbench& wb, RecordedMessages& messages, const QString& skin) {
    const QFileInfo info(skin);
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    messages.texts.clear();
    if (info.isDir()) {
        wb.folderChange(path);
    } else if (info.isFile() && info.fileName().endsWith(".zip", Qt::CaseInsensitive)) {
        const QString folder = info.absolutePath();
        if (wb.dirPath() != folder) wb.folderChange(folder);
        messages.texts.clear();  // only the archive's own problems count here
        wb.archiveChosen(folder, info.fileName());
    } else if (!info.exists()) {
        return "no such skin folder or archive";
    } else {
        return "neither a skin folder nor a .zip archive";
    }
    if (!messages.texts.isEmpty()) return messages.texts.join(' ');
    if (!anyPicture(wb.pictures())) return "no skin pictures found";
    return {};
}

}  // namespace

int ExportPreviews(const QStringList& skins, const QString& currentFolder, const CacheFolders& cache, QTextStream& out,
                   QTextStream& err) {
    if (skins.isEmpty()) {
        err << "usage: Corvamo --export-previews SKIN...  (skin folders or .zip archives)\n";
        return kExitUsage;
    }
    RecordedMessages messages;
    Workbench wb(messages, cache);
    wb.startUp(currentFolder);
    if (!messages.texts.isEmpty()) {
        err << "Corvamo: " << messages.texts.join(' ') << '\n';
        return kExitFailure;
    }
    // The previews land beside each skin.
    wb.setOption(&ViewOptions::savepreviewinsamedirectoryaszip, true);
    wb.setOption(&ViewOptions::savepreviewinskindirectory, true);

    int failures = 0;
    for (const QString& skin : skins) {
        const QString problem = loadSkin(wb, messages, skin);
        if (!problem.isEmpty()) {
            err << "Corvamo: " << skin << ": " << problem << '\n';
            ++failures;
            continue;
        }
        for (PreviewKind kind : {PreviewKind::Ds, PreviewKind::Gba}) {
            const SaveResult result = wb.savePreview(kind);
            if (result.saved) {
                out << result.message << '\n';
            } else {
                err << "Corvamo: " << skin << ": " << result.message << '\n';
                ++failures;
            }
        }
        out.flush();
    }
    return failures == 0 ? kExitOk : kExitFailure;
}

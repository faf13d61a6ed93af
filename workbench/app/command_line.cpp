#include "command_line.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// The modes, in the order the usage lists them.
struct ModeEntry {
    const char* option;
    Command::Mode mode;
    const char* operands;
    const char* what;
};
constexpr ModeEntry kModes[] = {
    {"--export-previews", Command::ExportPreviews, "SKIN...",
     "saves both previews of each skin (a .zip archive or a skin folder) beside it"},
    {"--help", Command::Help, "", "prints this help"},
    {"--version", Command::Version, "", "prints the version"},
};

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

Command ParseArguments(const QStringList& arguments) {
    Command command;
    if (arguments.isEmpty()) return command;
    const QString& first = arguments.front();
    for (const ModeEntry& entry : kModes) {
        if (first != QLatin1String(entry.option)) continue;
        command.mode = entry.mode;
        command.operands = arguments.mid(1);
        if (*entry.operands == '\0' && !command.operands.isEmpty()) {
            command.mode = Command::Usage;
            command.error = first + QStringLiteral(" takes no arguments");
        }
        return command;
    }
    command.mode = Command::Usage;
    command.error = first.startsWith('-') ? QStringLiteral("unknown option ") + first
                                          : QStringLiteral("unexpected argument ") + first +
                                                QStringLiteral(" (the window takes no arguments)");
    return command;
}

QString UsageText() {
    const auto line = [](const QString& call, const QString& what) {
        return call.leftJustified(42) + QLatin1Char(' ') + what + QLatin1Char('\n');
    };
    QString text = line(QStringLiteral("usage: Corvamo"),
                        QStringLiteral("opens the skin workbench; start it from its program folder"));
    for (const ModeEntry& entry : kModes)
        text += line(QStringLiteral("       Corvamo ") + entry.option +
                         (*entry.operands ? QLatin1Char(' ') + QLatin1String(entry.operands) : QString()),
                     QLatin1String(entry.what));
    return text;
}

int RunCommand(const Command& command, const QString& currentFolder, const QString& cacheRoot, QTextStream& out,
               QTextStream& err) {
    switch (command.mode) {
        case Command::Help:
            out << UsageText();
            return kExitOk;
        case Command::Version:
            out << "Corvamo " << CORVAMO_VERSION << '\n';
            return kExitOk;
        case Command::ExportPreviews: {
            const CacheLease lease = CacheLease::Private(cacheRoot);  // gone when the run ends
            return ExportPreviews(command.operands, currentFolder, lease.folders(), out, err);
        }
        case Command::Window:
        case Command::Usage:
            break;
    }
    err << "Corvamo: " << command.error << '\n' << UsageText();
    return kExitUsage;
}

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

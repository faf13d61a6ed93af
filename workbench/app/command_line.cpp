#include "command_line.h"

#include "author/skin_check.h"
#include "author/skin_fix.h"
#include "author/skin_pack.h"
#include "author/skin_template.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace corvamo {

namespace {

// The modes, in the order the usage lists them.
struct ModeEntry {
    const char* option;
    Command::Mode mode;
    const char* operands;
    const char* what;
};
constexpr ModeEntry kModes[] = {
    {"--export-previews", Command::ExportPreviews, "[--console] [--png] SKIN...",
     "saves both previews of each skin (a .zip archive or a skin folder) beside it; --console in the "
     "console's colours, --png also as PNG"},
    {"--check", Command::Check, "SKIN...",
     "checks each skin: one line per error, warning or note, then a summary; exit 1 on errors"},
    {"--pack-skin", Command::PackSkin, "SKIN OUT.zip",
     "writes the skin's catalogue files, flat and nothing else, into a new zip archive"},
    {"--new-skin", Command::NewSkin, "DIR", "writes a new skin folder from the template (DIR new or empty)"},
    {"--install-vu4", Command::InstallVu4, "SKIN [--card DIR]",
     "installs the skin as Skin VU4 loaders does, the loader image onto the card at DIR; exit 1 on a failed step"},
    {"--install-di3", Command::InstallDi3, "SKIN", "installs the skin as Skin DI3 GBA does; exit 1 on a failed step"},
    {"--fix-skin", Command::FixSkin, "[--undo] SKIN",
     "converts the pictures the loader or Lindquay cannot take (originals kept in .corvamo-backup/); "
     "--undo puts them back"},
    {"--help", Command::Help, "", "prints this help"},
    {"--version", Command::Version, "", "prints the version"},
};

// A mode given the wrong number of operands.
int Usage(Command::Mode mode, QTextStream& err) {
    for (const ModeEntry& entry : kModes)
        if (entry.mode == mode) err << "usage: Corvamo " << entry.option << ' ' << entry.operands << '\n';
    return kExitUsage;
}

bool anyPicture(const FormPictures& p) {
    const auto has = [](const Picture& slot) { return slot.hasPicture(); };
    return std::any_of(p.Picture1.begin(), p.Picture1.end(), has) ||
           std::any_of(p.Picture5.begin(), p.Picture5.end(), has);
}

// Loads one skin as the window would. Returns what went wrong, or "".
QString loadSkin(Workbench& wb, const QString& skin) {
    const Status opened = wb.openSkin(skin);
    if (!opened) return opened.details.isEmpty() ? opened.message : opened.details.join(' ');
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
    QString text = line(QStringLiteral("usage: Corvamo"), QStringLiteral("opens the skin workbench"));
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
        case Command::Check: {
            const CacheLease lease = CacheLease::Private(cacheRoot);
            return CheckSkins(command.operands, ScratchRootOf(lease.folders()), out, err);
        }
        case Command::PackSkin: {
            const CacheLease lease = CacheLease::Private(cacheRoot);
            return PackSkinToZip(command.operands, ScratchRootOf(lease.folders()), out, err);
        }
        case Command::NewSkin:
            return NewSkin(command.operands, out, err);
        case Command::InstallVu4:
        case Command::InstallDi3: {
            const CacheLease lease = CacheLease::Private(cacheRoot);
            return InstallSkin(command.mode, command.operands, currentFolder, lease.folders(), out, err);
        }
        case Command::FixSkin: {
            const CacheLease lease = CacheLease::Private(cacheRoot);
            return FixSkin(command.operands, ScratchRootOf(lease.folders()), out, err);
        }
        case Command::Window:
        case Command::Usage:
            break;
    }
    err << "Corvamo: " << command.error << '\n' << UsageText();
    return kExitUsage;
}

int ExportPreviews(const QStringList& operands, const QString& currentFolder, const CacheFolders& cache,
                   QTextStream& out, QTextStream& err) {
    QStringList skins = operands;
    bool console = false, png = false;
    // The view options come first; everything after them is a skin, whatever it looks like.
    for (; !skins.isEmpty(); skins.removeFirst()) {
        if (skins.front() == QLatin1String("--console"))
            console = true;
        else if (skins.front() == QLatin1String("--png"))
            png = true;
        else
            break;
    }
    if (skins.isEmpty()) {
        err << "usage: Corvamo --export-previews [--console] [--png] SKIN...  (skin folders or .zip archives)\n";
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
        const QString problem = loadSkin(wb, skin);
        if (!problem.isEmpty()) {
            err << "Corvamo: " << skin << ": " << problem << '\n';
            ++failures;
            continue;
        }
        for (PreviewKind kind : {PreviewKind::Ds, PreviewKind::Gba}) {
            const SaveResult result = wb.savePreview(kind, console, png);
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

int CheckSkins(const QStringList& skins, const QString& scratchRoot, QTextStream& out, QTextStream& err) {
    if (skins.isEmpty()) return Usage(Command::Check, err);
    bool errors = false;
    for (qsizetype i = 0; i < skins.size(); ++i) {
        const SkinReport report = CheckSkin(skins[i], scratchRoot);
        out << (i > 0 ? "\n" : "") << report.text();
        out.flush();
        errors = errors || report.count(Finding::Error) > 0;
    }
    return errors ? kExitFailure : kExitOk;
}

int PackSkinToZip(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err) {
    if (operands.size() != 2) return Usage(Command::PackSkin, err);
    const PackResult result = PackSkin(operands[0], scratchRoot, operands[1], false);
    (result.written ? out : err) << (result.written ? "" : "Corvamo: ") << result.message << '\n';
    return result.written ? kExitOk : kExitFailure;
}

int NewSkin(const QStringList& operands, QTextStream& out, QTextStream& err) {
    if (operands.size() != 1) return Usage(Command::NewSkin, err);
    const TemplateResult result = WriteSkinTemplate(operands[0]);
    (result.written ? out : err) << (result.written ? "" : "Corvamo: ") << result.message << '\n';
    return result.written ? kExitOk : kExitFailure;
}

namespace {
Workbench* commandLineInstall = nullptr;
}  // namespace

void CancelCommandLineInstall() {
    if (commandLineInstall) commandLineInstall->cancelScript();
}

int InstallSkin(Command::Mode mode, const QStringList& operands, const QString& currentFolder,
                const CacheFolders& cache, QTextStream& out, QTextStream& err) {
    const bool vu4 = mode == Command::InstallVu4;
    const bool card = vu4 && operands.size() == 3 && operands[1] == QLatin1String("--card");
    if (operands.size() != 1 && !card) return Usage(mode, err);
    RecordedMessages messages;
    Workbench wb(messages, cache);
    wb.startUp(currentFolder);
    if (!messages.texts.isEmpty()) {
        err << "Corvamo: " << messages.texts.join(' ') << '\n';
        return kExitFailure;
    }
    if (const QString problem = loadSkin(wb, operands[0]); !problem.isEmpty()) {
        err << "Corvamo: " << operands[0] << ": " << problem << '\n';
        return kExitFailure;
    }
    wb.setLoaderTarget(card
                           ? Workbench::LoaderTarget{Workbench::LoaderTarget::Folder,
                                                     QDir::cleanPath(QDir(currentFolder).absoluteFilePath(operands[2]))}
                           : Workbench::LoaderTarget{Workbench::LoaderTarget::Nowhere, {}});
    wb.installLog().appended = [&out](const QString& text) {
        out << text;
        out.flush();
    };
    commandLineInstall = &wb;
    const bool ok = vu4 ? wb.skinVu4Loaders() : wb.skinDi3Gba();
    commandLineInstall = nullptr;
    return ok ? kExitOk : kExitFailure;
}

int FixSkin(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err) {
    const bool undo = !operands.isEmpty() && operands.front() == QLatin1String("--undo");
    if (operands.size() != (undo ? 2 : 1)) return Usage(Command::FixSkin, err);
    const Host host;
    const FixResult result = undo ? UndoLoaderSafe(operands.back())
                                  : MakeLoaderSafe(operands.back(), scratchRoot, host, QDateTime::currentDateTime());
    for (const QString& line : result.changes) out << line << '\n';
    for (const QString& line : result.failures) err << "Corvamo: not changed: " << line << '\n';
    return result.ok() ? kExitOk : kExitFailure;
}

}  // namespace corvamo

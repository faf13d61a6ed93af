#include "command_line.h"

#include "author/skin_check.h"
#include "author/skin_fix.h"
#include "author/skin_pack.h"
#include "author/skin_template.h"
#include "collection/contact_sheet.h"
#include "collection/skin_index.h"
#include "collection/skin_summary.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <unistd.h>

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
    {"--contact-sheet", Command::ContactSheet, "OUT.png SKIN...",
     "writes one PNG of every skin's previews (skins or folders of skins) in a grid with their names"},
    {"--index", Command::Index, "SKIN...",
     "prints one JSON object per skin (path, name, form, pictures, check findings, size)"},
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

// Loads one skin as the window would; a failure on one line says what went wrong.
Status loadSkin(Workbench& wb, const QString& skin) {
    const Status opened = wb.openSkin(skin);
    if (!opened) return Status::Failure(opened.details.isEmpty() ? opened.message : opened.details.join(' '));
    if (!HasAnyPicture(wb.pictures())) return Status::Failure("no skin pictures found");
    return Status::Success();
}

// Starts the workbench as the window does; false, with what start-up said on err, when it could not.
bool StartUpOrSay(Workbench& wb, const RecordedMessages& messages, const QString& currentFolder, QTextStream& err) {
    wb.startUp(currentFolder);
    if (messages.texts.isEmpty()) return true;
    err << "Corvamo: " << messages.texts.join(' ') << '\n';
    return false;
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
    if (first.startsWith('-')) {
        command.error = QStringLiteral("unknown option ") + first;
    } else if (arguments.size() > 1) {
        command.error = QStringLiteral("unexpected argument ") + arguments[1] +
                        QStringLiteral(" (the window opens one skin: a folder or a .zip archive)");
    } else {
        command.mode = Command::Window;  // Corvamo PATH: the window with that skin loaded
        command.operands = arguments;
    }
    return command;
}

QString UsageText() {
    const auto line = [](const QString& call, const QString& what) {
        return call.leftJustified(42) + QLatin1Char(' ') + what + QLatin1Char('\n');
    };
    QString text = line(QStringLiteral("usage: Corvamo [SKIN]"),
                        QStringLiteral("opens the skin workbench (with SKIN, a folder or .zip archive, loaded)"));
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
        case Command::ContactSheet:
            return WriteContactSheet(command.operands, cacheRoot, out, err, isatty(STDERR_FILENO) == 1);
        case Command::Index: {
            const CacheLease lease = CacheLease::Private(cacheRoot);
            return IndexSkins(command.operands, ScratchRootOf(lease.folders()), out, err, isatty(STDERR_FILENO) == 1);
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

namespace {

// Runs job 0 to count - 1 on up to threads threads, each with a worker of its own that
// makeWorker makes on that thread, and hands every result to show() on the calling thread in job
// order, each as soon as it and all before it are done: the output reads as if one ran after the
// other.
template <typename Worker, typename Result>
void RunInOrder(qsizetype count, int threads, const std::function<std::unique_ptr<Worker>()>& makeWorker,
                const std::function<Result(Worker&, qsizetype)>& work, const std::function<void(Result&)>& show) {
    std::vector<std::optional<Result>> results;
    results.resize(size_t(count));
    std::mutex mutex;
    std::condition_variable done;
    std::atomic<qsizetype> next{0};
    const auto run = [&] {
        const std::unique_ptr<Worker> worker = makeWorker();
        for (qsizetype i = next++; i < count; i = next++) {
            Result result = work(*worker, i);
            {
                const std::lock_guard<std::mutex> lock(mutex);
                results[size_t(i)] = std::move(result);
            }
            done.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < std::clamp(threads, 1, int(std::max<qsizetype>(count, 1))); ++t) pool.emplace_back(run);
    for (qsizetype i = 0; i < count; ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return results[size_t(i)].has_value(); });
        Result result = std::move(*results[size_t(i)]);
        results[size_t(i)].reset();
        lock.unlock();
        show(result);
    }
    for (std::thread& thread : pool) thread.join();
}

// One run's workbench with its own cache folders, for exporting on a thread of its own.
struct Exporter {
    Exporter(const CacheFolders& folders, const QString& currentFolder) : workbench(messages, folders) {
        workbench.startUp(currentFolder);
        // The previews land beside each skin.
        workbench.setOption(&ViewOptions::savepreviewinsamedirectoryaszip, true);
        workbench.setOption(&ViewOptions::savepreviewinskindirectory, true);
    }
    RecordedMessages messages;
    Workbench workbench;
};

struct SkinOutput {
    QString out, err;
    bool failed = false;
};

}  // namespace

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
    {
        RecordedMessages messages;
        Workbench wb(messages, cache);
        if (!StartUpOrSay(wb, messages, currentFolder, err)) return kExitFailure;
    }
    // Skins are exported on several threads at once, each workbench in cache folders of its own.
    struct Worker {
        std::optional<CacheLease> lease;
        std::unique_ptr<Exporter> exporter;
    };
    std::atomic<int> made{0};
    const auto makeWorker = [&] {
        auto worker = std::make_unique<Worker>();
        if (made++ > 0) worker->lease.emplace(CacheLease::Private(cache.root));
        worker->exporter = std::make_unique<Exporter>(worker->lease ? worker->lease->folders() : cache, currentFolder);
        return worker;
    };
    const auto exportOne = [&](Worker& worker, qsizetype i) {
        SkinOutput output;
        Workbench& wb = worker.exporter->workbench;
        const QString& skin = skins[i];
        if (const Status loaded = loadSkin(wb, skin); !loaded) {
            output.err = "Corvamo: " + skin + ": " + loaded.message + '\n';
            output.failed = true;
            return output;
        }
        for (PreviewKind kind : {PreviewKind::Ds, PreviewKind::Gba}) {
            const Status saved = wb.savePreview(kind, console, png);
            if (saved) {
                output.out += saved.message + '\n';
            } else {
                output.err += "Corvamo: " + skin + ": " + saved.message + '\n';
                output.failed = true;
            }
        }
        return output;
    };
    int failures = 0;
    RunInOrder<Worker, SkinOutput>(skins.size(), SummaryThreads(), makeWorker, exportOne, [&](SkinOutput& output) {
        out << output.out;
        err << output.err;
        out.flush();
        err.flush();
        failures += output.failed ? 1 : 0;
    });
    return failures == 0 ? kExitOk : kExitFailure;
}

int CheckSkins(const QStringList& skins, const QString& scratchRoot, QTextStream& out, QTextStream& err) {
    if (skins.isEmpty()) return Usage(Command::Check, err);
    bool errors = false;
    qsizetype shown = 0;
    const auto makeWorker = [] { return std::make_unique<Host>(); };
    const auto checkOne = [&](Host& host, qsizetype i) {
        const SkinReport report = CheckSkin(skins[i], scratchRoot, host);
        return std::make_pair(report.text(), report.count(Finding::Error) > 0);
    };
    RunInOrder<Host, std::pair<QString, bool>>(skins.size(), SummaryThreads(), makeWorker, checkOne,
                                               [&](std::pair<QString, bool>& report) {
                                                   out << (shown++ > 0 ? "\n" : "") << report.first;
                                                   out.flush();
                                                   errors = errors || report.second;
                                               });
    return errors ? kExitFailure : kExitOk;
}

int PackSkinToZip(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err) {
    if (operands.size() != 2) return Usage(Command::PackSkin, err);
    const Status packed = PackSkin(operands[0], scratchRoot, operands[1], false);
    (packed ? out : err) << (packed ? "" : "Corvamo: ") << packed.message << '\n';
    return packed ? kExitOk : kExitFailure;
}

int NewSkin(const QStringList& operands, QTextStream& out, QTextStream& err) {
    if (operands.size() != 1) return Usage(Command::NewSkin, err);
    const Status written = WriteSkinTemplate(operands[0]);
    (written ? out : err) << (written ? "" : "Corvamo: ") << written.message << '\n';
    return written ? kExitOk : kExitFailure;
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
    if (!StartUpOrSay(wb, messages, currentFolder, err)) return kExitFailure;
    if (const Status loaded = loadSkin(wb, operands[0]); !loaded) {
        err << "Corvamo: " << operands[0] << ": " << loaded.message << '\n';
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
    const Status installed = vu4 ? wb.skinVu4Loaders() : wb.skinDi3Gba();
    commandLineInstall = nullptr;
    return installed ? kExitOk : kExitFailure;
}

namespace {

// "Corvamo: 12/300 NAME" over the same terminal line, ended by a line break after the last.
void ShowProgress(QTextStream& err, int done, qsizetype total, const QString& name) {
    err << "\rCorvamo: " << done << '/' << total << ' ' << name.left(60) << "\x1b[K";
    if (done == total) err << '\n';
    err.flush();
}

}  // namespace

int WriteContactSheet(const QStringList& operands, const QString& cacheRoot, QTextStream& out, QTextStream& err,
                      bool progress) {
    if (operands.size() < 2) return Usage(Command::ContactSheet, err);
    const QString sheetPath = QFileInfo(operands[0]).absoluteFilePath();
    if (const QFileInfo old(sheetPath); old.exists() && !old.isFile()) {
        err << "Corvamo: " << sheetPath << " could not be replaced.\n";
        return kExitFailure;
    }
    const Host host;
    const QStringList skins = ExpandSkins(operands.mid(1), host);
    const auto done = [&](int count) {
        if (progress) ShowProgress(err, count, skins.size(), QFileInfo(skins[count - 1]).fileName());
    };
    const std::vector<SkinSummary> summaries =
        SummarizeSkins(skins, cacheRoot, ContactSheetLayout::ThumbnailHeight, SummaryThreads(), done);
    int failures = 0;
    for (const SkinSummary& skin : summaries)
        if (skin.broken()) {
            err << "Corvamo: " << skin.path << ": " << skin.status.message << '\n';
            ++failures;
        }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!ComposeContactSheet(summaries).save(&buffer, "png") || !WriteFileReplacing(sheetPath, png)) {
        err << "Corvamo: " << sheetPath << " could not be saved.\n";
        return kExitFailure;
    }
    out << sheetPath << " saved (" << summaries.size() << (summaries.size() == 1 ? " skin" : " skins") << ").\n";
    return failures == 0 ? kExitOk : kExitFailure;
}

int IndexSkins(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err,
               bool progress) {
    if (operands.isEmpty()) return Usage(Command::Index, err);
    const Host host;
    const QStringList skins = ExpandSkins(operands, host);
    int failures = 0;
    for (qsizetype i = 0; i < skins.size(); ++i) {
        const SkinFiles files = SkinFiles::Open(skins[i], scratchRoot, host);
        if (!files.readable) {
            err << "Corvamo: " << skins[i] << ": " << files.status.message << '\n';
            ++failures;
        } else {
            out << QString::fromUtf8(IndexLine(skins[i], files, CheckSkin(files)));
            out.flush();
        }
        if (progress) ShowProgress(err, int(i + 1), skins.size(), files.name);
    }
    return failures == 0 ? kExitOk : kExitFailure;
}

int FixSkin(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err) {
    const bool undo = !operands.isEmpty() && operands.front() == QLatin1String("--undo");
    if (operands.size() != (undo ? 2 : 1)) return Usage(Command::FixSkin, err);
    const Host host;
    const FixResult result = undo ? UndoLoaderSafe(operands.back())
                                  : MakeLoaderSafe(operands.back(), scratchRoot, host, QDateTime::currentDateTime());
    for (const QString& line : result.changes) out << line << '\n';
    for (const QString& line : result.status.details) err << "Corvamo: not changed: " << line << '\n';
    return result.status ? kExitOk : kExitFailure;
}

}  // namespace corvamo

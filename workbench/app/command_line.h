#pragma once

#include "workbench.h"

#include <QStringList>
#include <QTextStream>

namespace corvamo {

// Exit codes of Corvamo's command-line modes.
enum CommandLineExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// What Corvamo's arguments ask for: the window (no arguments, or one skin to open in it), or one
// command-line mode, named by the first argument; everything after it is the mode's operands,
// whatever it looks like.
struct Command {
    enum Mode {
        Window,
        Help,
        Version,
        ExportPreviews,
        Check,
        PackSkin,
        NewSkin,
        FixSkin,
        ContactSheet,
        Index,
        InstallVu4,
        InstallDi3,
        Usage
    };
    Mode mode = Window;
    QStringList operands;
    QString error;  // for Usage: what is wrong with the arguments
};
Command ParseArguments(const QStringList& arguments);  // the arguments after the program's name

// One line per mode, as --help prints it.
QString UsageText();

// Runs every mode but Window, from a program folder at currentFolder; a mode that loads skins
// does so in cache folders of its own below cacheRoot. Returns the exit code.
int RunCommand(const Command& command, const QString& currentFolder, const QString& cacheRoot, QTextStream& out,
               QTextStream& err);

// Corvamo --export-previews [--console] [--png] SKIN...: loads each skin (archive or folder) as a
// click in the window would, from a program folder at currentFolder, and saves both previews
// beside it; --console saves the console-colour previews instead, --png a PNG beside each JPEG.
int ExportPreviews(const QStringList& operands, const QString& currentFolder, const CacheFolders& cache,
                   QTextStream& out, QTextStream& err);

// Corvamo --check SKIN...: prints each skin's check report (unpacking archives below scratchRoot);
// 0 when no skin has errors, 1 when one has or cannot be read.
int CheckSkins(const QStringList& skins, const QString& scratchRoot, QTextStream& out, QTextStream& err);
// Corvamo --pack-skin SKIN OUT.zip: never replaces an existing OUT.zip.
int PackSkinToZip(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err);
// Corvamo --fix-skin [--undo] SKIN: makes the skin loader-safe, or puts its originals back.
int FixSkin(const QStringList& operands, const QString& scratchRoot, QTextStream& out, QTextStream& err);
// Corvamo --new-skin DIR.
int NewSkin(const QStringList& operands, QTextStream& out, QTextStream& err);
// Corvamo --contact-sheet OUT.png SKIN...: every skin's previews in one PNG, in a grid with their
// names; skins are made below cacheRoot. progress: a line on err after each skin.
int WriteContactSheet(const QStringList& operands, const QString& cacheRoot, QTextStream& out, QTextStream& err,
                      bool progress);
// Corvamo --index SKIN...: one JSON object per skin on out (IndexLine).
int IndexSkins(const QStringList& skins, const QString& scratchRoot, QTextStream& out, QTextStream& err, bool progress);

// Corvamo --install-vu4 SKIN [--card DIR] and --install-di3 SKIN: loads the skin as the window
// would and installs it as the two buttons do, into the program folder (ProgramFolder()),
// printing the install log; the loader image goes to DIR, and nowhere without --card. 1 when a
// step failed.
int InstallSkin(Command::Mode mode, const QStringList& operands, const QString& currentFolder,
                const CacheFolders& cache, QTextStream& out, QTextStream& err);
// Cancels the build script a command-line install runs (SIGINT, SIGTERM); nothing when none runs.
void CancelCommandLineInstall();

}  // namespace corvamo

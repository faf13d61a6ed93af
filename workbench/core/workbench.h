#pragma once

#include "author/skin_check.h"
#include "install.h"
#include "platform/cache_folders.h"
#include "platform/host_layer.h"
#include "platform/messages.h"
#include "platform/status.h"
#include "preview/export_canvases.h"
#include "preview/workbench_state.h"
#include "skin/image_io.h"
#include "skin/skin_files.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QTemporaryDir;

namespace corvamo {

// The copy-to window's state, kept here so that the copy step works without any widget.
struct CopyToState {
    bool created = false;  // the window exists (shown or hidden)
    QString drive;         // the root of the volume selected in its drive list
};

// The logic of the main window Form1, without any widget. It owns the picture holders, the
// module-level state, the view options, the copy-to window's state, the three browsing lists'
// state and the host layer, and offers the window's operations under their own names; what it
// owns is read through const views only. Form1 wires controls to it; the command-line modes drive
// it directly. Messages go through the MessageBoxes passed in.
class Workbench {
public:
    // host: the host layer to use (a default Host when null).
    Workbench(MessageBoxes& messages, const CacheFolders& cache, std::unique_ptr<Host> host = nullptr,
              FormPictures pictures = FormPictures());
    ~Workbench();
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    // Start-up: creates the temporary folder, appfolder := programFolder with "/" appended (the
    // running program's folder, ProgramFolder(), when empty), the folder list at currentFolder, the
    // drive list at its volume. Nothing is loaded.
    void startUp(const QString& currentFolder, const QString& programFolder = QString());
    // Shut-down: unloads the copy-to window, runs appfolder + "cleanup.bat" when present; never
    // while a build script runs (the window first asks to cancel it).
    void shutDown();

    // Drive1's selection changed to the volume with this root: the folder list moves to that
    // volume's current folder (the last one visited on it, else its root), one folder change.
    void driveChange(const QString& volumeRoot);
    // Dir1's current folder changed.
    void folderChange(const QString& path);
    // A click on an entry of File1, whose folder is folder.
    void archiveChosen(const QString& folder, const QString& fileName);

    // Opens the skin at path (a skin folder or a .zip archive) as the window does: a folder as the
    // folder list opens it; an archive as a click on it in the file list, once the folder list has
    // moved to the archive's folder (when it shows another folder, or a file list without the
    // archive). Everything is said through the message boxes as usual; the failure returned holds
    // what loading the skin itself said (not what moving the lists said), or why path is no skin.
    // The window's drop, the command-line modes and live reload all load through here.
    Status openSkin(const QString& path);

    void WipePics();
    void LoadPics();
    // Deletes every file and folder below folder; folder itself stays. Links are deleted as links.
    void DeleteDirectory(const QString& folder);

    // A click on the GBA preview: the next of its five screens.
    void nextGbaScreen();
    // A click on the DS lower-screen preview: shows or hides the window element.
    void toggleWindow();
    // A File menu check mark, e.g. setOption(&ViewOptions::showselectbug, true). Only "Show
    // select bug" changes the previews, which are then recomposed.
    void setOption(bool ViewOptions::*option, bool checked);
    // The divider colour after a mouse event (button 1 left, 2 right, their sum when both are
    // held) over the palette at (x, y) of its drawing area, or over quick swatch 0 or 1.
    void pickDividerColourFromPalette(int button, int x, int y);
    void pickDividerColourFromSwatch(int swatch, int button);

    // "Save DS Preview" and "Save GBA Preview": draws the export canvas, names the file by the
    // folder list, the file list and the options, and saves it. Returns what to tell the user.
    // With console, the console-colour preview, named with "-console" before ".jpg"; with png, a
    // lossless PNG is saved beside the JPEG too.
    Status savePreview(PreviewKind kind, bool console = false, bool png = false);
    // Draws the export canvas of "Save DS Preview" or "Save GBA Preview" as they do, without
    // saving it: Picture3 or Picture15.
    const Picture& drawPreview(PreviewKind kind);

    // The previews as the console shows them: ConsolePictures() of the holders, recomposed with
    // the current state and options, the three visible ones (Picture1(0), Picture2, Picture4) in
    // console colours.
    FormPictures consolePictures() const;
    // The file of the temporary folder that loading took for a catalogue name; "" when none.
    QString loadedFile(const QString& catalogueName) const;

    // Copies the loaded skin into the loader working folders; stops at the first copy that fails,
    // and the failure says which.
    Status CopyCrap();
    // Where the download question sends the user for the loader image.
    static const QString DownloadSite, DownloadPage;
    // Command3, "Skin VU4 loaders", and Command4, "Skin DI3 GBA": each writes what it does, the
    // scripts' output and a summary into the install log; a failure holds the failed steps as the
    // summary lists them. Nothing when an install already runs (a failure then).
    Status skinVu4Loaders();
    Status skinDi3Gba();
    // Where the VU4 install puts the loader image: the copy-to window's volume (the default), the
    // folder card, or nowhere (the command line without --card).
    struct LoaderTarget {
        enum Kind { CopyToWindow, Folder, Nowhere };
        Kind kind = CopyToWindow;
        QString folder;
    };
    void setLoaderTarget(const LoaderTarget& target) { loaderTarget_ = target; }
    // An install runs (its commands do nothing meanwhile); a build script of it runs.
    bool installing() const { return installing_; }
    bool scriptRunning() const { return runner_ && runner_->running(); }
    // Ends the running build script's whole process group; the install records it as failed.
    void cancelScript();
    InstallLog& installLog() { return log_; }
    // Called when an install starts and when it has ended.
    std::function<void()> installStarted, installEnded;

    // Creates the copy-to window's state once (hidden, the current volume selected).
    void ensureCopyTo();
    // The copy-to window's drive list chose the volume with this root.
    void chooseCopyToDrive(const QString& root);

    const FormPictures& pictures() const { return pictures_; }
    const ModuleState& state() const { return state_; }
    const ViewOptions& options() const { return options_; }
    const CopyToState& copyTo() const { return copyTo_; }
    const CacheFolders& cacheFolders() const { return cache_; }
    const Host& host() const { return *host_; }
    // The boxes the workbench's messages go through; the window shows its own through them too,
    // so that busy() knows of every open box.
    MessageBoxes& messages() { return messages_; }

    // The skin the last folder change (one that found skin files) or archive click loaded.
    struct LoadedSkin {
        enum Kind { None, Folder, Archive };
        Kind kind = None;
        QString path;  // the folder, or the archive
        bool operator==(const LoadedSkin&) const = default;
    };
    const LoadedSkin& loadedSkin() const { return loaded_; }
    // Loads a skin loaded before again, as its folder change or archive click did, but keeping
    // the GBA screen and the window element (a load never touches the options or the divider
    // colour). What loading would tell the user is returned, as a failure, instead of shown.
    Status reloadSkin(const LoadedSkin& skin);
    // The Skin menu, once the window has asked for what it needs. Each says what it did through
    // the message boxes. True when a skin is loaded; otherwise says that none is.
    bool skinLoadedOrSay();
    // "Check skin": the report on the loaded skin; nothing (said) when none is loaded.
    std::optional<SkinReport> checkSkin();
    // The check of the loaded skin as loading read it (its archive is not unpacked again), for
    // the views that follow each load; only while a skin is loaded.
    SkinReport loadedSkinReport() const;
    // Where "Save skin as zip" suggests saving: the loaded archive, or a zip beside the loaded folder.
    QString zipSuggestion() const;
    // "Save skin as zip" to out: asks before replacing a file there, packs, says the result.
    void saveSkinAsZip(const QString& out);
    // "New skin from template" in folder: writes it and opens it; false (said) when it was not written.
    bool newSkinFromTemplate(const QString& folder);

    // A skin is being loaded, a build script runs or a message box is open: the window's event
    // loop runs nested inside a workbench operation, which must end before another starts.
    bool busy() const { return busy_ > 0 || messages_.open(); }

    // Browsing lists: Drive1's selected volume root, Dir1's current folder (no trailing "/"
    // except at a root), Dir1's sub-folders, File1's folder, its "*.zip" entries and its
    // selection (empty when nothing is selected).
    QString driveRoot() const { return driveRoot_; }
    QString dirPath() const { return dirPath_; }
    QStringList subFolders() const { return subFolders_; }
    QString fileFolder() const { return fileFolder_; }
    QStringList fileEntries() const { return fileEntries_; }
    QString selectedFile() const { return selectedFile_; }
    std::vector<Volume> volumes() const { return host_->volumes(); }

    // Called after the holders or canvases changed (the window repaints them); showPicture4 is
    // called by redrawsub once the GBA preview is finished.
    std::function<void()> changed;
    std::function<void()> showPicture4;
    // Called when the copy-to window's state has just been created (the window creates its
    // widget, hidden), and when shut-down unloads it.
    std::function<void()> copyToCreated;
    std::function<void()> copyToUnloaded;
    // Called now and then while an archive is unpacked, so that the window can repaint; it must
    // not start another operation of the workbench.
    std::function<void()> working;

    // How many times redrawsub has run (for tests and the benchmark).
    int redrawCount() const { return redrawCount_; }

private:
    // The road of every load: the skin loaded as its kind is, the lists moved first for an archive.
    // Returns what loading the skin itself said.
    Status load(const LoadedSkin& skin);
    // redrawsub with the current state and options.
    void redraw();
    void fillFileLists(const QString& path);
    // What loading read of the loaded skin: its folder's listing, or its archive as unpacked into
    // the temporary folder; opened anew when loading could not keep it.
    SkinFiles loadedFiles() const;
    // Where loading keeps aside the author's JPEGs of an archive that LoadPics converts over: made
    // once, emptied when the skin is forgotten (making and removing a folder at every load costs
    // more than the links in it); "" when it cannot be made.
    QString keptFolder();
    // Forgets what loading read of the skin before, and the JPEGs kept for it.
    void forgetLoadedFiles();
    // Every load writes into the temporary folder: one removed while the program runs comes back.
    void ensureTempFolder();
    Status copyStep(const QString& from, const QString& to);
    void notifyChanged();
    // A build script in the program folder, busy meanwhile; its output goes into the log.
    ScriptResult runScript(const QString& script);
    // An install's script step: runs it and records what it built, warned of, or how it failed;
    // a failure says "NAME: how it ended".
    Status installScript(const QString& name, InstallReport& report);
    void beginInstall(InstallReport& report);
    Status endInstall(const InstallReport& report);

    GuardedMessages messages_;
    CacheFolders cache_;
    std::unique_ptr<Host> host_;
    FormPictures pictures_;
    ModuleState state_;
    ViewOptions options_;
    CopyToState copyTo_;
    QString driveRoot_, dirPath_, fileFolder_, selectedFile_;
    QStringList subFolders_, fileEntries_;
    std::map<QString, QString> volumeFolders_;  // the last folder visited on each volume
    int redrawCount_ = 0;
    LoadedSkin loaded_;
    std::optional<SkinFiles> files_;  // what loading read of loaded_, when it could keep it
    std::unique_ptr<QTemporaryDir> keptFolder_;
    bool keptFolderFilled_ = false;
    int busy_ = 0;
    InstallLog log_;
    ScriptRunner* runner_ = nullptr;
    bool installing_ = false;
    LoaderTarget loaderTarget_;
    int copiedFiles_ = 0;  // by the last CopyCrap
};

}  // namespace corvamo

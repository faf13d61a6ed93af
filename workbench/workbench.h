#pragma once

#include "host.h"
#include "messages.h"
#include "workbench_state.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

// The copy-to window's state, kept here so that the copy step works without any widget.
struct CopyToState {
    bool created = false;  // the window exists (shown or hidden)
    QString drive;         // the root of the volume selected in its drive list
};

// The logic of the main window Form1, without any widget: it owns the picture holders, the
// module-level state, the view options, the three browsing lists' state and the host layer, and
// offers the window's operations under their own names. Form1 wires controls to it; the
// windowless preview export drives it directly. Messages go through the MessageBoxes passed in.
class Workbench {
public:
    // host: the host layer to use (a default Host when null).
    explicit Workbench(MessageBoxes& messages, std::unique_ptr<Host> host = nullptr,
                       FormPictures pictures = FormPictures());
    ~Workbench();
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    // Start-up: creates the temporary folder, appfolder := currentFolder with "/" appended, the
    // folder list at currentFolder, the drive list at its volume. Nothing is loaded.
    void startUp(const QString& currentFolder);
    // Shut-down: unloads the copy-to window, runs appfolder + "cleanup.bat" when present.
    void shutDown();

    // Drive1's selection changed to the volume with this root: the folder list moves to that
    // volume's current folder (the last one visited on it, else its root), one folder change.
    void driveChange(const QString& volumeRoot);
    // Dir1's current folder changed.
    void folderChange(const QString& path);
    // A click on an entry of File1, whose folder is folder.
    void archiveChosen(const QString& folder, const QString& fileName);

    void WipePics();
    void LoadPics();
    // Deletes every file in the tree below folder; every folder stays. Links are deleted as links.
    void DeleteDirectory(const QString& folder);
    // redrawsub with the current state and options.
    void redraw();

    // Copies the loaded skin into the loader working folders; false at the first failing copy
    // (lastFailure() tells which).
    bool CopyCrap();
    QString lastFailure() const { return lastFailure_; }
    // Where the download question sends the user for the loader image.
    static const QString DownloadSite, DownloadPage;
    void skinVu4Loaders();  // Command3, "Skin VU4 loaders"
    void skinDi3Gba();      // Command4, "Skin DI3 GBA"

    // The copy-to window's state; ensureCopyTo creates it (hidden, current volume selected).
    CopyToState& copyTo() { return copyTo_; }
    void ensureCopyTo();

    FormPictures& pictures() { return pictures_; }
    ModuleState& state() { return state_; }
    ViewOptions& options() { return options_; }
    Host& host() { return *host_; }
    MessageBoxes& messages() { return messages_; }

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
    // Called when the copy step has just created the copy-to window's state (the window creates
    // its widget hidden); and when shut-down unloads it.
    std::function<void()> copyToCreated;
    std::function<void()> copyToUnloaded;

    // How many times redrawsub has run (for tests and the benchmark).
    int redrawCount() const { return redrawCount_; }

private:
    void listFolder(const QString& path);
    // Every load writes into the temporary folder: one removed while the program runs comes back.
    void ensureTempFolder();
    bool copyStep(const QString& from, const QString& to);
    void notifyChanged();

    MessageBoxes& messages_;
    std::unique_ptr<Host> host_;
    FormPictures pictures_;
    ModuleState state_;
    ViewOptions options_;
    CopyToState copyTo_;
    QString driveRoot_, dirPath_, fileFolder_, selectedFile_;
    QStringList subFolders_, fileEntries_;
    std::map<QString, QString> volumeFolders_;  // the last folder visited on each volume
    int redrawCount_ = 0;
    QString lastFailure_;
};

#pragma once

#include "qt_message_boxes.h"
#include "workbench.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace corvamo {

class CheckDialog;
class CompareWindow;
class CopyTo;
class InstallLogWindow;
class GalleryWindow;
class PictureBox;
class PreviewViews;
class SkinWatch;

// The main window: every control at its place, each event handed to the Workbench, whose
// holders the picture boxes show.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // cache: the workbench's own folders; messages: where message boxes go (real boxes over this
    // window when null); host: the host layer (the default one when null); currentFolder: the
    // folder the program was started in (the process's current folder when empty), which the
    // folder list shows first; programFolder: appfolder (the running program's folder when empty).
    explicit Form1(const CacheFolders& cache, MessageBoxes* messages = nullptr, std::unique_ptr<Host> host = nullptr,
                   const QString& currentFolder = QString(), const QString& programFolder = QString());
    ~Form1() override;

    Workbench& workbench() { return *workbench_; }
    CopyTo* copyTo() const { return copyTo_; }
    // The check dialog once Skin > Check skin made it; null before.
    CheckDialog* checkDialog() const { return checkDialog_; }
    SkinWatch& skinWatch() { return *watch_; }
    // The install log window once an install made it; null before.
    InstallLogWindow* installLog() const { return installLog_; }
    // Closes the window as a signal asks: a running build is cancelled without asking first.
    void closeCancellingBuild();

    // The visible controls, by name.
    QComboBox* Drive1;
    QListWidget* Dir1;
    QListWidget* File1;
    std::array<PictureBox*, 1> Picture1;  // element 0, the mainBG slot
    PictureBox *Picture2, *Picture4, *Picture6, *Picture7;
    std::array<PictureBox*, 2> Picture8;
    QPushButton *Command1, *Command2, *Command3, *Command4;
    // The File menu's entries, by name.
    QAction *dummy3, *copyqvkitupbintodrive, *dummy4, *showselectbug, *dummy2, *dividerindspreview,
        *savepreviewinskindirectory, *savepreviewinsamedirectoryaszip, *dummy, *Exit;
    // The Skin menu's entries.
    QAction *checkskin, *saveskinaszip, *newskinfromtemplate, *comparewith, *makeloadersafe, *undomakeloadersafe;
    // File1's context menu (right click, or the menu key on the current entry) and its entry.
    QMenu* File1Menu;
    QAction* comparewithloadedskin;
    // The View menu and the views it chooses.
    PreviewViews* views() const { return views_; }
    // View > Gallery; Help > About.
    QAction *gallery, *about;
    // The one line under the controls: what to do while no skin is loaded, else the skin's path.
    QLabel* hint;
    // The gallery and the comparison once opened; null before.
    GalleryWindow* galleryWindow() const { return gallery_; }
    CompareWindow* compareWindow() const { return compare_; }
    // The text of Help > About.
    static QString AboutText();
    // What the empty window says.
    static const QString EmptyHint;

    // Where Skin > Save skin as zip and Skin > New skin from template ask for their path (a file
    // dialog; tests answer in advance); empty when the user cancels.
    std::function<QString(const QString&suggestion)> chooseZip, chooseNewSkinFolder;
    // Where Skin > Compare with asks for the other skin (a folder or a .zip archive), starting in
    // this folder; empty when the user cancels.
    std::function<QString(const QString& folder)> chooseSkinToCompare;

    // The event procedures the controls call.
    void Drive1_Change();
    void File1_Click();
    // The context menu of the File1 entry at this position (in its viewport); none off the entries.
    void File1_ContextMenu(QPoint at);
    void comparewithloadedskin_Click();
    void comparewith_Click();
    void Picture2_Click();
    void Picture4_Click();
    void Picture7_Mouse(int button, int x, int y);
    void Picture8_Mouse(int index, int button);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void copyqvkitupbintodrive_Click();
    void showselectbug_Click();
    void option_Click();  // the three options that only flip their mark
    void Exit_Click();
    void checkskin_Click();
    void saveskinaszip_Click();
    void newskinfromtemplate_Click();
    void gallery_Click();
    void about_Click();
    // Opens a skin from outside (the command line, a drop, the gallery): a folder as the folder
    // list would, a .zip archive by moving the folder list to its folder and clicking it.
    void openSkin(const QString& path);
    // Shows the two skins side by side.
    void compareSkins(const QString& a, const QString& b);
    void makeloadersafe_Click();
    void undomakeloadersafe_Click();

    // The window sized to its client area (and menu and status line), up to the screen's room;
    // beyond it, the client area scrolls.
    void fitWindow();

    // Sets Dir1's path as the user's choice of a folder does; the folder change follows.
    void setDir1Path(const QString& path);
    // Selects the Drive1 entry of the volume with this root; Drive1_Change follows.
    void setDrive1(const QString& root);
    // Clicks the File1 entry of this name; false when the list has no such entry.
    bool clickFile1(const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A skin dropped on the window: one .zip archive or one folder, nothing else.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void buildSkinMenu();
    void buildViewAndHelpMenus();
    void updateHint();
    // After the user chose what to load: the lists shown anew, the new skin watched.
    void afterLoad();
    // A dropped skin, opened once the drag has ended.
    void openDropped(const QString& path);
    void refreshLists();
    // File1 marks the archive loaded (none when the loaded skin is no archive of its folder).
    void markLoadedInFile1();
    void refreshPictures();
    void createCopyTo();
    void savePreview(PreviewKind kind);
    // Keyboard and accessibility: focus order, names, tooltips, the palette's pick by arrow keys.
    void buildKeyboard();

    std::unique_ptr<QtMessageBoxes> ownMessages_;
    MessageBoxes* messages_;
    std::unique_ptr<Workbench> workbench_;
    CopyTo* copyTo_ = nullptr;
    CheckDialog* checkDialog_ = nullptr;
    InstallLogWindow* installLog_ = nullptr;
    bool closeAfterInstall_ = false;  // the user chose to quit while an install ran
    GalleryWindow* gallery_ = nullptr;
    CompareWindow* compare_ = nullptr;
    QString File1MenuEntry_;  // the File1 entry the context menu was opened on
    PreviewViews* views_ = nullptr;
    QPoint palettePick_{0, 0};          // where Enter picks on the palette
    std::unique_ptr<SkinWatch> watch_;  // goes before the workbench it watches
    bool shutDown_ = false;
    bool refreshing_ = false;
};

}  // namespace corvamo

#include "form1.h"

#include "app_icon.h"
#include "author/skin_check.h"
#include "author/skin_fix.h"
#include "author/skin_pack.h"
#include "author/skin_template.h"
#include "check_dialog.h"
#include "compare_window.h"
#include "copy_to.h"
#include "font_set_up.h"
#include "gallery_window.h"
#include "install_log_window.h"
#include "picture_box.h"
#include "platform/paths.h"
#include "preview_views.h"
#include "skin_watch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

namespace corvamo {

namespace {

// The system colours of the quick swatches and the divider's start colour.
FormPictures SystemColouredPictures() {
    const QPalette palette = QApplication::palette();
    FormPictures pictures(palette.color(QPalette::HighlightedText), palette.color(QPalette::WindowText),
                          palette.color(QPalette::Button));
    return pictures;
}

constexpr int PathRole = Qt::UserRole;

// The one local folder or .zip archive a drag carries; empty for anything else.
QString DroppedSkin(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().front().isLocalFile()) return {};
    const QFileInfo info(QDir::cleanPath(mime->urls().front().toLocalFile()));
    const SkinPathKind kind = KindOfSkinPath(info.filePath());
    // An archive only as the file list would show it: not hidden.
    if (kind == SkinPathKind::Folder ||
        (kind == SkinPathKind::Archive && !info.fileName().startsWith(QLatin1Char('.'))))
        return info.absoluteFilePath();
    return {};
}

// A file dialog that takes a .zip archive or a folder that holds skin files: Compare on any other
// folder enters it, and a double click enters any folder.
class SkinDialog : public QFileDialog {
public:
    SkinDialog(QWidget* parent, const QString& title, const QString& folder, const Host& host)
        : QFileDialog(parent, title, folder), host_(host) {
        setOption(QFileDialog::DontUseNativeDialog);  // its own accept() decides what counts
        setFileMode(QFileDialog::ExistingFile);
        setNameFilter(QStringLiteral("Skin archives and folders (*.zip)"));
        setLabelText(QFileDialog::FileName, QStringLiteral("Skin:"));
        setLabelText(QFileDialog::Accept, QStringLiteral("&Compare"));
    }
    QString chosen() const { return chosen_; }

    void accept() override {
        const QStringList files = selectedFiles();
        if (files.size() != 1) return;
        const QString path = files.front();
        const SkinPathKind kind = KindOfSkinPath(path);
        if (kind == SkinPathKind::Other) return;  // a file that is no archive
        if (kind == SkinPathKind::Archive || (kind == SkinPathKind::Folder && HoldsSkinFile(path, host_))) {
            chosen_ = path;
            QDialog::accept();
            return;
        }
        QFileDialog::accept();  // enters the folder, or says the file is not there
    }

private:
    const Host& host_;
    QString chosen_;
};

QString ChooseFile(QWidget* parent, const QString& title, const QString& suggestion, const QString& suffix) {
    QFileDialog dialog(parent, title, suggestion);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the window asks itself, in its own words
    if (!suffix.isEmpty()) {
        dialog.setDefaultSuffix(suffix);
        dialog.setNameFilter(QStringLiteral("Zip archives (*.zip)"));
    }
    dialog.selectFile(suggestion);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                   : QString();
}

}  // namespace

Form1::Form1(const CacheFolders& cache, MessageBoxes* messages, std::unique_ptr<Host> host,
             const QString& currentFolder, const QString& programFolder)
    : messages_(messages) {
    if (!messages_) {
        ownMessages_ = std::make_unique<QtMessageBoxes>(this);
        messages_ = ownMessages_.get();
    }
    workbench_ = std::make_unique<Workbench>(*messages_, cache, std::move(host), SystemColouredPictures());
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Corvamo"));
    buildControls();
    buildMenu();
    buildSkinMenu();
    buildViewAndHelpMenus();
    // The icon theme's lookup and the drawn sizes cost more than the rest of the window: set once
    // the window is up (the icon shows only in the desktop's frame and task bar).
    QTimer::singleShot(0, this, [this] { setWindowIcon(app_icon::WindowIcon()); });
    font_set_up::Wait();  // the status bar measures the first text
    hint = new QLabel(this);
    hint->setObjectName(QStringLiteral("hint"));
    statusBar()->addWidget(hint, 1);
    views_ = new PreviewViews(*this);
    buildKeyboard();
    setAcceptDrops(true);
    chooseZip = [this](const QString& suggestion) {
        return ChooseFile(this, QStringLiteral("Save skin as zip"), suggestion, QStringLiteral("zip"));
    };
    chooseNewSkinFolder = [this](const QString& suggestion) {
        return ChooseFile(this, QStringLiteral("New skin from template: name the new skin folder"), suggestion, {});
    };
    chooseSkinToCompare = [this](const QString& folder) {
        SkinDialog dialog(this, QStringLiteral("Compare with: choose a skin folder or a .zip archive"), folder,
                          workbench_->host());
        return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QString();
    };

    Workbench& wb = *workbench_;
    wb.changed = [this] { refreshPictures(); };
    wb.showPicture4 = [this] { Picture4->repaint(); };
    wb.copyToCreated = [this] { createCopyTo(); };
    // Paint while an archive unpacks; clicks wait until it is done.
    wb.working = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    wb.copyToUnloaded = [this] {
        delete copyTo_;
        copyTo_ = nullptr;
    };
    wb.installStarted = [this] {
        if (!installLog_) installLog_ = new InstallLogWindow(this, *workbench_);
        installLog_->started();
    };
    wb.installEnded = [this] {
        installLog_->ended();
        if (closeAfterInstall_) QTimer::singleShot(0, this, &QWidget::close);
    };
    wb.startUp(currentFolder.isEmpty() ? QDir::currentPath() : currentFolder, programFolder);
    refreshLists();
    watch_ = std::make_unique<SkinWatch>(wb);
    connect(watch_.get(), &SkinWatch::reloaded, this, [this] {
        refreshLists();
        views_->checkLoadedSkin();
        if (checkDialog_ && checkDialog_->isVisible()) checkskin_Click();
    });

    updateHint();
    statusBar()->setSizeGripEnabled(false);
    views_->refresh();
}

void Form1::fitWindow() {
    QWidget* client = Picture2->parentWidget();
    const int chrome = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    QSize want = client->size() + QSize(0, chrome);
    if (const QScreen* shown = screen()) {
        // Room for the window's frame; beyond that the client area scrolls.
        const QSize room = shown->availableGeometry().size() - QSize(16, 48);
        if (want.width() > room.width() || want.height() > room.height()) {
            const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            want = want.boundedTo(room) +
                   QSize(want.height() > room.height() ? bar : 0, want.width() > room.width() ? bar : 0);
            want = want.boundedTo(room);
        }
    }
    setFixedSize(want);
    if (layout()) layout()->activate();  // the client area at its place before the window is shown
}

Form1::~Form1() {
    // The workbench's hooks point into this window.
    workbench_->changed = {};
    workbench_->showPicture4 = {};
    workbench_->copyToCreated = {};
    workbench_->copyToUnloaded = {};
    workbench_->installStarted = {};
    workbench_->installEnded = {};
    workbench_->installLog().appended = {};
    watch_.reset();
    workbench_->working = {};
}

void Form1::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(618, 413);
    // The controls' sizes were drawn for a small face; the captions fit the buttons then.
    QFont small = client->font();
    small.setPointSize(7);
    client->setFont(small);
    // Zoomed previews may want more room than the screen has: then the client area scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("clientScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);  // a container: Tab goes to the controls inside
    scroll->setWidget(client);
    setCentralWidget(scroll);
    const FormPictures& pictures = workbench_->pictures();

    Drive1 = new QComboBox(client);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(8, 8, 169, 21);
    Dir1 = new QListWidget(client);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(8, 32, 169, 171);
    File1 = new QListWidget(client);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(184, 16, 161, 188);

    const auto box = [&](const char* name, int x, int y, int w, int h, const Picture* picture,
                         const QColor* colour = nullptr) {
        auto* b = new PictureBox(client, picture, colour);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, h);
        return b;
    };
    Picture1[0] = box("Picture1", 352, 8, 260, 188, &pictures.Picture1[0]);
    Picture6 = box("Picture6", 352, 200, 256, 9, nullptr, &pictures.Picture6);
    Picture2 = box("Picture2", 352, 208, 260, 196, &pictures.Picture2);
    Picture2->setToolTip(QStringLiteral("Click to show/hide window"));
    Picture8[1] = box("Picture8_1", 21, 208, 17, 17, nullptr, &pictures.Picture8[1]);
    Picture8[0] = box("Picture8_0", 40, 208, 17, 17, nullptr, &pictures.Picture8[0]);
    Picture7 = box("Picture7", 58, 207, 194, 19, &pictures.Picture7);
    Picture4 = box("Picture4", 8, 227, 244, 164, &pictures.Picture4);

    const auto button = [&](const char* name, const char* caption, int x, int y) {
        auto* b = new QPushButton(QString::fromLatin1(caption), client);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, 89, 30);
        return b;
    };
    Command1 = button("Command1", "Save DS Preview", 255, 207);
    Command2 = button("Command2", "Save GBA Preview", 256, 256);
    Command3 = button("Command3", "Skin VU4 loaders", 256, 308);
    Command4 = button("Command4", "Skin DI3 GBA", 256, 360);

    connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(Dir1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setDir1Path(item->data(PathRole).toString()); });
    connect(File1, &QListWidget::itemClicked, this, [this] { File1_Click(); });
    File1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(File1, &QWidget::customContextMenuRequested, this, [this](QPoint at) { File1_ContextMenu(at); });
    File1Menu = new QMenu(File1);
    File1Menu->setObjectName(QStringLiteral("File1Menu"));
    comparewithloadedskin = File1Menu->addAction(QStringLiteral("&Compare with the loaded skin"));
    comparewithloadedskin->setObjectName(QStringLiteral("comparewithloadedskin"));
    connect(comparewithloadedskin, &QAction::triggered, this, [this] { comparewithloadedskin_Click(); });
    Picture2->clicked = [this] { Picture2_Click(); };
    Picture4->clicked = [this] { Picture4_Click(); };
    Picture7->mouse = [this](int b, int x, int y) { Picture7_Mouse(b, x, y); };
    Picture8[0]->mouse = [this](int b, int, int) { Picture8_Mouse(0, b); };
    Picture8[1]->mouse = [this](int b, int, int) { Picture8_Mouse(1, b); };
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
}

void Form1::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setSeparatorsCollapsible(false);
    const auto separator = [&](const char* name) {
        QAction* action = file->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    const auto entry = [&](const char* name, const char* caption, const char* shortcut, bool checkable) {
        QAction* action = file->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        action->setCheckable(checkable);
        return action;
    };
    dummy3 = separator("dummy3");
    copyqvkitupbintodrive = entry("copyqvkitupbintodrive", "&Copy qvkit_up.bin to drive", "Ctrl+C", true);
    dummy4 = separator("dummy4");
    showselectbug = entry("showselectbug", "Show select &bug", "Ctrl+B", true);
    dummy2 = separator("dummy2");
    dividerindspreview = entry("dividerindspreview", "&Divider in DS preview", "Ctrl+D", true);
    savepreviewinskindirectory = entry("savepreviewinskindirectory", "&Save preview in skin directory", "Ctrl+S", true);
    savepreviewinsamedirectoryaszip =
        entry("savepreviewinsamedirectoryaszip", "Save preview in same directory as &zip", "Ctrl+Z", true);
    dummy = separator("dummy");
    Exit = entry("Exit", "E&xit", "Ctrl+X", false);
    // Ctrl+Q ends it too, as it ends most desktop programs.
    Exit->setShortcuts({QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Ctrl+Q"))});

    connect(copyqvkitupbintodrive, &QAction::triggered, this, [this] { copyqvkitupbintodrive_Click(); });
    connect(showselectbug, &QAction::triggered, this, [this] { showselectbug_Click(); });
    for (QAction* option : {dividerindspreview, savepreviewinskindirectory, savepreviewinsamedirectoryaszip})
        connect(option, &QAction::triggered, this, [this] { option_Click(); });
    connect(Exit, &QAction::triggered, this, [this] { Exit_Click(); });
}

void Form1::buildSkinMenu() {
    QMenu* skin = menuBar()->addMenu(QStringLiteral("&Skin"));
    const auto entry = [&](const char* name, const QString& caption, const QKeySequence& shortcut) {
        QAction* action = skin->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        return action;
    };
    checkskin = entry("checkskin", QStringLiteral("&Check skin"), QKeySequence(Qt::Key_F7));
    saveskinaszip = entry("saveskinaszip", QStringLiteral("&Save skin as zip\u2026"), {});
    newskinfromtemplate = entry("newskinfromtemplate", QStringLiteral("&New skin from template\u2026"), {});
    comparewith = entry("comparewith", QStringLiteral("Com&pare with\u2026"), {});
    comparewith->setToolTip(QStringLiteral("Shows the loaded skin and another side by side"));
    skin->addSeparator();
    makeloadersafe = entry("makeloadersafe", QStringLiteral("&Make loader-safe\u2026"), {});
    undomakeloadersafe = entry("undomakeloadersafe", QStringLiteral("&Undo make loader-safe"), {});
    connect(makeloadersafe, &QAction::triggered, this, [this] { makeloadersafe_Click(); });
    connect(undomakeloadersafe, &QAction::triggered, this, [this] { undomakeloadersafe_Click(); });
    connect(checkskin, &QAction::triggered, this, [this] { checkskin_Click(); });
    connect(saveskinaszip, &QAction::triggered, this, [this] { saveskinaszip_Click(); });
    connect(newskinfromtemplate, &QAction::triggered, this, [this] { newskinfromtemplate_Click(); });
    connect(comparewith, &QAction::triggered, this, [this] { comparewith_Click(); });
}

const QString Form1::EmptyHint = QStringLiteral(
    "No skin loaded: open a skin folder, click a .zip archive, drop a skin here, or choose Skin > New skin from "
    "template.");

QString Form1::AboutText() {
    return QStringLiteral(
               "Corvamo %1, the skin workbench of the Corvamo skin toolkit: previews loader skins for the flash "
               "cartridge and installs them.\n\n"
               "Licence: none has been granted yet; all rights reserved.\n\n"
               "How to use it: the README (README.md, installed in /usr/share/doc/corvamo/) and the man pages "
               "corvamo(1), lindquay(1), lindquay-ls(1), marlet(1), glimmet(1) and Marlet(3).")
        .arg(QStringLiteral(CORVAMO_VERSION));
}

void Form1::buildViewAndHelpMenus() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    gallery = view->addAction(QStringLiteral("&Gallery"));
    gallery->setObjectName(QStringLiteral("gallery"));
    gallery->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+G")));
    connect(gallery, &QAction::triggered, this, [this] { gallery_Click(); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    about = help->addAction(QStringLiteral("&About Corvamo"));
    about->setObjectName(QStringLiteral("about"));
    connect(about, &QAction::triggered, this, [this] { about_Click(); });
}

void Form1::updateHint() {
    const Workbench::LoadedSkin& skin = workbench_->loadedSkin();
    hint->setText(skin.kind == Workbench::LoadedSkin::None ? EmptyHint : skin.path);
}

void Form1::about_Click() { workbench_->messages().ok(AboutText()); }

void Form1::gallery_Click() {
    if (!gallery_) {
        const CacheFolders& cache = workbench_->cacheFolders();
        gallery_ = new GalleryWindow(cache.root, cache.thumbnails(), this);
        gallery_->open = [this](const QString& path) { openSkin(path); };
        gallery_->compare = [this](const QString& a, const QString& b) { compareSkins(a, b); };
    }
    gallery_->follow(workbench_->dirPath());
    gallery_->show();
    gallery_->raise();
    gallery_->activateWindow();
}

void Form1::compareSkins(const QString& a, const QString& b) {
    if (!compare_) compare_ = new CompareWindow(workbench_->cacheFolders().root, this);
    // A comparison opens with the View menu's views; while open it keeps its own.
    if (!compare_->isVisible()) compare_->startFrom(views_->console(), views_->zoom(), views_->pixelgrid->isChecked());
    compare_->compare(a, b);
    compare_->show();
    compare_->raise();
}

void Form1::openSkin(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        workbench_->messages().ok(QStringLiteral("%1: no such skin folder or archive.").arg(path));
        return;
    }
    if (!info.isDir() && !(info.isFile() && info.fileName().endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))) {
        workbench_->messages().ok(QStringLiteral("%1 is neither a skin folder nor a .zip archive.").arg(path));
        return;
    }
    openDropped(QDir::cleanPath(info.absoluteFilePath()));
}

void Form1::refreshLists() {
    refreshing_ = true;
    Workbench& wb = *workbench_;
    Drive1->clear();
    for (const Volume& volume : wb.volumes()) Drive1->addItem(volume.entry(), volume.root);
    int current = Drive1->findData(wb.driveRoot());
    if (current < 0 && !wb.driveRoot().isEmpty()) {
        Drive1->addItem(wb.driveRoot(), wb.driveRoot());
        current = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(current);

    // Dir1: the folder's ancestors from the root down, then its sub-folders.
    Dir1->clear();
    const QString path = wb.dirPath();
    QStringList chain;
    for (QString folder = path; !folder.isEmpty();) {
        chain.prepend(folder);
        if (folder == QLatin1String("/")) break;
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
        folder = slash <= 0 ? QStringLiteral("/") : folder.left(slash);
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name =
            folder == QLatin1String("/") ? folder : folder.mid(folder.lastIndexOf(QLatin1Char('/')) + 1);
        auto* item = new QListWidgetItem(QString(depth++ * 2, QLatin1Char(' ')) + name, Dir1);
        item->setData(PathRole, folder);
    }
    const QString base = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QString& sub : wb.subFolders()) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub, Dir1);
        item->setData(PathRole, base + sub);
    }
    if (!chain.isEmpty()) Dir1->setCurrentRow(int(chain.size()) - 1);

    File1->clear();
    File1->addItems(wb.fileEntries());
    markLoadedInFile1();
    refreshing_ = false;
}

void Form1::markLoadedInFile1() {
    const Workbench& wb = *workbench_;
    const auto selected = File1->findItems(wb.selectedFile(), Qt::MatchExactly);
    if (!wb.selectedFile().isEmpty() && !selected.isEmpty())
        File1->setCurrentItem(selected.front());
    else
        File1->setCurrentRow(-1);
}

void Form1::refreshPictures() {
    // Sizes the mainBG box to its picture, as the views (zoomed or not) show it.
    if (views_) views_->refresh();
}

void Form1::afterLoad() {
    refreshLists();
    watch_->follow();
    updateHint();
    if (gallery_ && gallery_->isVisible()) gallery_->follow(workbench_->dirPath());
    views_->checkLoadedSkin();
}

void Form1::setDir1Path(const QString& path) {
    if (path.isEmpty()) return;
    workbench_->folderChange(path);
    afterLoad();
}

void Form1::setDrive1(const QString& root) {
    const int index = Drive1->findData(root);
    if (index < 0) return;
    Drive1->setCurrentIndex(index);
    Drive1_Change();
}

bool Form1::clickFile1(const QString& name) {
    const auto items = File1->findItems(name, Qt::MatchExactly);
    if (items.isEmpty()) return false;
    File1->setCurrentItem(items.front());
    File1_Click();
    return true;
}

void Form1::Drive1_Change() {
    const QString root = Drive1->currentData().toString();
    if (refreshing_ || root.isEmpty()) return;
    workbench_->driveChange(root);
    afterLoad();
}

void Form1::File1_Click() {
    QListWidgetItem* item = File1->currentItem();
    if (!item) return;
    workbench_->archiveChosen(workbench_->fileFolder(), item->text());
    afterLoad();
}

void Form1::File1_ContextMenu(QPoint at) {
    const QListWidgetItem* item = File1->itemAt(at);
    if (!item) return;
    File1MenuEntry_ = item->text();
    // The right button's press moved the list's mark: it goes back to the archive loaded, since a
    // right click loads nothing (the menu key leaves the mark where the arrow keys put it).
    const bool mouse = QGuiApplication::mouseButtons() & Qt::RightButton;
    if (mouse) markLoadedInFile1();
    const Workbench::LoadedSkin& loaded = workbench_->loadedSkin();
    comparewithloadedskin->setEnabled(loaded.kind != Workbench::LoadedSkin::None &&
                                      loaded.path != WithSlash(workbench_->fileFolder()) + File1MenuEntry_);
    File1Menu->popup(File1->viewport()->mapToGlobal(at));
    // From the keyboard, Enter takes the entry at once.
    if (!mouse && comparewithloadedskin->isEnabled()) File1Menu->setActiveAction(comparewithloadedskin);
}

void Form1::comparewithloadedskin_Click() {
    if (!workbench_->skinLoadedOrSay() || File1MenuEntry_.isEmpty()) return;
    compareSkins(workbench_->loadedSkin().path, WithSlash(workbench_->fileFolder()) + File1MenuEntry_);
}

void Form1::comparewith_Click() {
    if (!workbench_->skinLoadedOrSay()) return;
    const QString other = chooseSkinToCompare ? chooseSkinToCompare(workbench_->dirPath()) : QString();
    if (!other.isEmpty()) compareSkins(workbench_->loadedSkin().path, other);
}

void Form1::Picture2_Click() { workbench_->toggleWindow(); }

void Form1::Picture4_Click() { workbench_->nextGbaScreen(); }

void Form1::Picture7_Mouse(int button, int x, int y) { workbench_->pickDividerColourFromPalette(button, x, y); }

void Form1::Picture8_Mouse(int index, int button) { workbench_->pickDividerColourFromSwatch(index, button); }

void Form1::savePreview(PreviewKind kind) {
    const Status saved = workbench_->savePreview(kind, views_->console());
    if (!saved.message.isEmpty()) workbench_->messages().ok(saved.message);
}

void Form1::Command1_Click() { savePreview(PreviewKind::Ds); }
void Form1::Command2_Click() { savePreview(PreviewKind::Gba); }

// While an install runs, a second click (or its shortcut) starts nothing.
void Form1::Command3_Click() {
    if (workbench_->installing()) return;
    workbench_->skinVu4Loaders();
    refreshPictures();
}

void Form1::Command4_Click() {
    if (workbench_->installing()) return;
    workbench_->skinDi3Gba();
    refreshPictures();
}

// The copy-to window is made once, when the workbench creates its state.
void Form1::createCopyTo() {
    copyTo_ = new CopyTo(this, workbench_->volumes(), workbench_->copyTo().drive);
    copyTo_->setWindowModality(Qt::ApplicationModal);
    workbench_->chooseCopyToDrive(copyTo_->selectedDrive());
    connect(copyTo_, &CopyTo::driveChosen, this, [this](const QString& root) { workbench_->chooseCopyToDrive(root); });
}

void Form1::copyqvkitupbintodrive_Click() {
    workbench_->setOption(&ViewOptions::copyqvkitupbintodrive, copyqvkitupbintodrive->isChecked());
    if (!copyqvkitupbintodrive->isChecked()) return;
    workbench_->ensureCopyTo();
    // Modal without a nested loop: the main window takes no input until OK hides it.
    copyTo_->show();
}

void Form1::showselectbug_Click() { workbench_->setOption(&ViewOptions::showselectbug, showselectbug->isChecked()); }

void Form1::option_Click() {
    workbench_->setOption(&ViewOptions::dividerindspreview, dividerindspreview->isChecked());
    workbench_->setOption(&ViewOptions::savepreviewinskindirectory, savepreviewinskindirectory->isChecked());
    workbench_->setOption(&ViewOptions::savepreviewinsamedirectoryaszip, savepreviewinsamedirectoryaszip->isChecked());
}

void Form1::Exit_Click() { close(); }

void Form1::checkskin_Click() {
    const std::optional<SkinReport> report = workbench_->checkSkin();
    if (!report) return;
    if (!checkDialog_) checkDialog_ = new CheckDialog(this);
    checkDialog_->showReport(*report);
}

void Form1::saveskinaszip_Click() {
    if (!workbench_->skinLoadedOrSay()) return;
    const QString out = chooseZip ? chooseZip(workbench_->zipSuggestion()) : QString();
    if (!out.isEmpty()) workbench_->saveSkinAsZip(out);
}

void Form1::newskinfromtemplate_Click() {
    const QString folder = chooseNewSkinFolder
                               ? chooseNewSkinFolder(WithSlash(workbench_->dirPath()) + QStringLiteral("NewSkin"))
                               : QString();
    if (!folder.isEmpty() && workbench_->newSkinFromTemplate(folder)) afterLoad();
}

void Form1::makeloadersafe_Click() {
    if (!workbench_->skinLoadedOrSay()) return;
    const Workbench::LoadedSkin skin = workbench_->loadedSkin();
    const SkinFiles files = SkinFiles::Open(skin.path, ScratchRootOf(workbench_->cacheFolders()), workbench_->host());
    const std::vector<PlannedFix> plan =
        files.readable ? PlanFixes(files.top(), workbench_->host()) : std::vector<PlannedFix>();
    if (plan.empty()) {
        workbench_->messages().ok(
            QStringLiteral("%1: nothing to change: every picture is in a form the loader and Lindquay take.")
                .arg(files.name));
        return;
    }
    QStringList lines;
    for (const PlannedFix& fix : plan)
        lines << QStringLiteral("%1 (%2) becomes %3").arg(files.entryName(fix.source), fix.why, fix.target);
    const QString where = skin.kind == Workbench::LoadedSkin::Archive
                              ? QStringLiteral("The archive stays as it is; a fixed copy is written beside it.")
                              : QStringLiteral(
                                    "The originals move into %1/ inside the skin folder; Skin > Undo make "
                                    "loader-safe puts them back.")
                                    .arg(QLatin1String(kBackupFolder));
    if (!workbench_->messages().yesNo(
            QStringLiteral("Make loader-safe converts these pictures into 24-bit BMPs of the same size (transparent "
                           "parts become white, which is see-through):\n%1\n%2 Go on?")
                .arg(lines.join(QLatin1Char('\n')), where)))
        return;
    const FixResult result = MakeLoaderSafe(skin.path, ScratchRootOf(workbench_->cacheFolders()), workbench_->host(),
                                            QDateTime::currentDateTime());
    workbench_->messages().ok(result.text().trimmed());
    // The skin folder changed under the window: load it again at once.
    if (skin.kind == Workbench::LoadedSkin::Folder && !result.changes.isEmpty()) {
        if (const Status reloaded = workbench_->reloadSkin(skin); !reloaded)
            workbench_->messages().ok(reloaded.message);
        afterLoad();
    }
}

void Form1::undomakeloadersafe_Click() {
    if (!workbench_->skinLoadedOrSay()) return;
    const Workbench::LoadedSkin skin = workbench_->loadedSkin();
    const FixResult result = UndoLoaderSafe(skin.path);
    workbench_->messages().ok(result.text().trimmed());
    if (skin.kind == Workbench::LoadedSkin::Folder && !result.changes.isEmpty()) {
        if (const Status reloaded = workbench_->reloadSkin(skin); !reloaded)
            workbench_->messages().ok(reloaded.message);
        afterLoad();
    }
}

void Form1::buildKeyboard() {
    const auto name = [](QWidget* control, const QString& accessible, const QString& tip) {
        control->setAccessibleName(accessible);
        control->setToolTip(tip);
    };
    name(Drive1, QStringLiteral("Drive"), QStringLiteral("The volume to browse"));
    name(Dir1, QStringLiteral("Folder"),
         QStringLiteral("Folders: Enter or a double click opens one; a folder with skin files loads"));
    name(File1, QStringLiteral("Skin archives"), QStringLiteral("The folder's .zip skins: a click loads one"));
    name(Picture1[0], QStringLiteral("DS upper screen preview"), QStringLiteral("The DS upper screen (mainBG)"));
    name(Picture6, QStringLiteral("Divider colour"),
         QStringLiteral("The colour of the divider in the saved DS preview"));
    name(Picture2, QStringLiteral("DS lower screen preview"), QStringLiteral("Click to show/hide window"));
    name(Picture4, QStringLiteral("GBA preview"), QStringLiteral("Click (or Enter) to show the next GBA screen"));
    name(Picture7, QStringLiteral("Colour palette"),
         QStringLiteral("Left button (or Enter) picks the divider colour, right button (or Shift+Enter) its inverse; "
                        "arrow keys move the pick"));
    name(Picture8[0], QStringLiteral("Caption text colour"),
         QStringLiteral("Enter picks this colour for the divider, Shift+Enter its inverse"));
    name(Picture8[1], QStringLiteral("Menu text colour"),
         QStringLiteral("Enter picks this colour for the divider, Shift+Enter its inverse"));
    name(Command1, Command1->text(), QStringLiteral("Saves the two DS screens as a JPEG picture"));
    name(Command2, Command2->text(), QStringLiteral("Saves four GBA screens as one JPEG picture"));
    name(Command3, Command3->text(), QStringLiteral("Installs the skin into the VU4 loaders and runs their build"));
    name(Command4, Command4->text(), QStringLiteral("Installs the skin into the DI3 GBA loader and runs its build"));

    // Tab goes through the lists, the previews, the palette and swatches, then the buttons.
    QWidget* order[] = {Drive1,      Dir1,     File1,    Picture1[0], Picture2, Picture4, Picture8[1],
                        Picture8[0], Picture7, Command1, Command2,    Command3, Command4};
    for (QWidget* control : order) control->setFocusPolicy(Qt::StrongFocus);
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    const auto isEnter = [](const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; };
    Picture7->key = [this, isEnter](QKeyEvent* e) {
        const QSize size = workbench_->pictures().Picture7.image().size();
        const QPoint step = e->key() == Qt::Key_Left    ? QPoint(-1, 0)
                            : e->key() == Qt::Key_Right ? QPoint(1, 0)
                            : e->key() == Qt::Key_Up    ? QPoint(0, -1)
                            : e->key() == Qt::Key_Down  ? QPoint(0, 1)
                                                        : QPoint();
        if (!step.isNull()) {
            palettePick_ = QPoint(std::clamp(palettePick_.x() + step.x(), 0, size.width() - 1),
                                  std::clamp(palettePick_.y() + step.y(), 0, size.height() - 1));
            Picture7->update();
            return true;
        }
        if (!isEnter(e)) return false;
        Picture7_Mouse(e->modifiers() & Qt::ShiftModifier ? 2 : 1, palettePick_.x(), palettePick_.y());
        return true;
    };
    // The pick shows as a small frame on the palette while it has the focus.
    Picture7->view = [this] {
        QImage image = workbench_->pictures().Picture7.image();
        if (Picture7->hasFocus()) {
            QPainter painter(&image);
            painter.setPen(Qt::black);
            painter.drawRect(palettePick_.x() - 2, palettePick_.y() - 2, 4, 4);
        }
        return image;
    };
    for (int i : {0, 1})
        Picture8[size_t(i)]->key = [this, i, isEnter](QKeyEvent* e) {
            if (!isEnter(e) && e->key() != Qt::Key_Space) return false;
            Picture8_Mouse(i, e->modifiers() & Qt::ShiftModifier ? 2 : 1);
            return true;
        };
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedSkin(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedSkin(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QString path = DroppedSkin(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drag ends first: loading may show a message box, which must not run inside the drop.
    QTimer::singleShot(0, this, [this, path] { openDropped(path); });
}

void Form1::openDropped(const QString& path) {
    workbench_->openSkin(path);
    afterLoad();
}

void Form1::closeCancellingBuild() {
    closeAfterInstall_ = true;
    workbench_->cancelScript();
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    // The install runs in this window's event loop: the window closes once it has ended, and
    // cleanup.bat never runs under a build script.
    if (workbench_->installing()) {
        event->ignore();
        if (closeAfterInstall_) return;
        if (!workbench_->scriptRunning() ||
            workbench_->messages().yesNo(
                QStringLiteral("A build script is still running. Cancel the build and close Corvamo?"))) {
            closeAfterInstall_ = true;
            workbench_->cancelScript();
            if (!workbench_->installing()) QTimer::singleShot(0, this, &QWidget::close);  // ended meanwhile
        }
        return;
    }
    if (!shutDown_) {
        shutDown_ = true;
        workbench_->shutDown();
    }
    event->accept();
}

}  // namespace corvamo

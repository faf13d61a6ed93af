#include "preview_views.h"

#include "form1.h"
#include "picture_box.h"
#include "preview/console_view.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>

namespace corvamo {

namespace {

constexpr int kGap = 8;                // between the source and the console view
constexpr QRgb kGapColour = 0x404040;  // dark, so that neither view's edge is lost

QString Counted(int n, const char* one) { return QStringLiteral("%1 %2%3").arg(n).arg(one).arg(n == 1 ? "" : "s"); }

}  // namespace

PreviewViews::PreviewViews(Form1& form) : QObject(&form), form_(form) {
    // One View menu in the window: these entries join it when another part of the window made it.
    QMenu* view = nullptr;
    for (QAction* menu : form.menuBar()->actions())
        if (menu->menu() && menu->text() == QLatin1String("&View")) view = menu->menu();
    if (view)
        view->addSeparator();
    else
        view = form.menuBar()->addMenu(QStringLiteral("&View"));
    QList<QAction*> own;
    const auto entry = [&](const char* name, const QString& caption, const QKeySequence& shortcut, bool checkable,
                           const char* tip) {
        QAction* action = view->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setCheckable(checkable);
        action->setToolTip(QString::fromLatin1(tip));
        action->setStatusTip(QString::fromLatin1(tip));
        own << action;
        return action;
    };
    consolecolours =
        entry("consolecolours", QStringLiteral("&Console colours"), QKeySequence(Qt::CTRL | Qt::Key_K), true,
              "Show the previews as the console shows them: 5 bits a colour channel, GBA pictures as "
              "Lindquay stores them");
    view->addSeparator();
    zoomGroup_ = new QActionGroup(this);
    QAction** zooms[] = {&zoom1x, &zoom2x, &zoom3x, &zoom4x};
    for (int factor = 1; factor <= 4; ++factor) {
        const QByteArray name = "zoom" + QByteArray::number(factor) + "x";
        QAction* action = entry(name.constData(), QStringLiteral("Zoom &%1\u00D7").arg(factor),
                                QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + factor)), true,
                                "Show the previews larger, each pixel a square");
        action->setData(factor);
        zoomGroup_->addAction(action);
        *zooms[factor - 1] = action;
    }
    zoom1x->setChecked(true);
    pixelgrid = entry("pixelgrid", QStringLiteral("Pixel &grid"), QKeySequence(Qt::CTRL | Qt::Key_G), true,
                      "Draw a grid between the pixels at 3\u00D7 and 4\u00D7");
    pixelgrid->setChecked(true);
    sourcebesideconsole =
        entry("sourcebesideconsole", QStringLiteral("Source &beside console"), QKeySequence(Qt::CTRL | Qt::Key_E), true,
              "Show each screen twice: as composed from the skin, and as the console shows it");
    view->addSeparator();
    showproblems = entry("showproblems", QStringLiteral("Show &problems"), QKeySequence(Qt::CTRL | Qt::Key_P), true,
                         "Outline on the previews every picture the check finds missing, unreadable, of a form the "
                         "loader cannot take, or of the wrong size");

    for (QAction* action : own)
        connect(action, &QAction::triggered, this, [this] {
            refresh();
            relayout();
        });
    const auto show = [this](PictureBox* box) {
        box->view = [this, box] { return shown(box); };
        box->tip = [this, box](QPoint at) { return problemAt(box, at); };
    };
    show(form.Picture1[0]);
    show(form.Picture2);
    show(form.Picture4);
}

bool PreviewViews::console() const { return consolecolours->isChecked(); }
int PreviewViews::zoom() const { return zoomGroup_->checkedAction() ? zoomGroup_->checkedAction()->data().toInt() : 1; }
bool PreviewViews::beside() const { return sourcebesideconsole->isChecked(); }

void PreviewViews::refresh() {
    Workbench& wb = form_.workbench();
    if (console() || beside())
        console_ = wb.consolePictures();
    else
        console_.reset();
    if (showproblems->isChecked())
        maps_ = MapSlots(wb.pictures(), wb.state(), wb.options().showselectbug);
    else
        maps_ = SlotMaps();
    relayout();
}

std::optional<PreviewViews::Screen> PreviewViews::screenOf(const PictureBox* box) const {
    const FormPictures& source = form_.workbench().pictures();
    const FormPictures* console = console_ ? &*console_ : nullptr;
    if (box == form_.Picture1[0])
        return Screen{&source.Picture1[0].image(), console ? &console->Picture1[0].image() : nullptr, &maps_.upper};
    if (box == form_.Picture2)
        return Screen{&source.Picture2.image(), console ? &console->Picture2.image() : nullptr, &maps_.lower};
    if (box == form_.Picture4)
        return Screen{&source.Picture4.image(), console ? &console->Picture4.image() : nullptr, &maps_.gba};
    return std::nullopt;
}

QImage PreviewViews::shown(const PictureBox* box) const {
    const auto screen = screenOf(box);
    if (!screen) return {};
    const int z = zoom();
    const bool grid = pixelgrid->isChecked();
    const QImage& main = console() && screen->console ? *screen->console : *screen->source;
    QImage view = Zoomed(main, z, grid);
    int copies = 1;
    if (beside() && screen->console) {
        view = SideBySide(Zoomed(*screen->source, z, grid), Zoomed(*screen->console, z, grid), kGap, kGapColour);
        copies = 2;
    }
    if (showproblems->isChecked() && !screen->map->isNull())
        view = Outlined(view, *screen->map, problems_, z, copies, kGap);
    return view;
}

QString PreviewViews::problemAt(const PictureBox* box, QPoint at) const {
    const auto screen = screenOf(box);
    if (!screen || !showproblems->isChecked() || screen->map->isNull()) return {};
    const int z = zoom();
    const int width = screen->map->width() * z;
    if (beside() && screen->console) at.setX(at.x() % (width + kGap));
    if (at.x() >= width) return {};
    const auto found = problems_.find(SlotAt(*screen->map, QPoint(at.x() / z, at.y() / z)));
    return found != problems_.end() ? found->second : QString();
}

void PreviewViews::checkLoadedSkin() {
    Workbench& wb = form_.workbench();
    const Workbench::LoadedSkin& skin = wb.loadedSkin();
    if (skin.kind == Workbench::LoadedSkin::None) {
        report_ = SkinReport();
        problems_.clear();
        form_.setWindowTitle(QStringLiteral("Corvamo"));
        form_.statusBar()->clearMessage();
        refresh();
        return;
    }
    report_ = wb.loadedSkinReport();
    problems_ = ProblemsBySlot(report_);
    const int errors = report_.count(Finding::Error), warnings = report_.count(Finding::Warning);
    form_.setWindowTitle(QStringLiteral("Corvamo \u2014 %1 (%2, %3)")
                             .arg(report_.skin, Counted(errors, "error"), Counted(warnings, "warning")));
    // A main picture that could not be loaded is never a silent blank.
    QStringList unloaded;
    for (int slot = 0; slot < int(wb.pictures().Picture1.size()); ++slot) {
        const auto problem = problems_.find(slot);
        if (!wb.pictures().Picture1[size_t(slot)].hasPicture() && problem != problems_.end() &&
            problem->second.startsWith(QLatin1String("error:")))
            unloaded << problem->second.section(QLatin1Char('\n'), 0, 0).mid(7);
    }
    QString status;
    if (!unloaded.isEmpty())
        status = QStringLiteral("Not loaded: ") + unloaded.join(QStringLiteral("; "));
    else if (errors + warnings > 0)
        status = QStringLiteral(
                     "The check found %1 and %2: Skin > Check skin (F7) lists them, View > Show problems "
                     "outlines them")
                     .arg(Counted(errors, "error"), Counted(warnings, "warning"));
    form_.statusBar()->showMessage(status);
    refresh();
}

void PreviewViews::relayout() {
    const int z = zoom();
    const bool wide = z > 1 || beside();
    const int copies = beside() ? 2 : 1;
    const auto across = [&](int width) { return width * z * copies + (copies - 1) * kGap + 2 * PictureBox::Border; };
    const Picture& mainBG = form_.workbench().pictures().Picture1[0];
    const QSize upper(across(mainBG.width()), mainBG.height() * z + 2 * PictureBox::Border);
    QWidget* client = form_.Picture2->parentWidget();
    if (!wide) {
        // The window as it always was.
        form_.Picture1[0]->setGeometry(352, 8, mainBG.width() + 4, mainBG.height() + 4);
        form_.Picture6->setGeometry(352, 200, 256, 9);
        form_.Picture2->setGeometry(352, 208, 260, 196);
        form_.Picture4->setGeometry(8, 227, 244, 164);
        client->setFixedSize(618, 413);
    } else {
        // One column of previews right of the lists and buttons: DS upper, divider, DS lower, GBA.
        const int x = 352;
        form_.Picture1[0]->setGeometry(x, 8, upper.width(), upper.height());
        const int dividerY = 8 + 192 * z;
        form_.Picture6->setGeometry(x, dividerY, across(256) - 4, 9);
        form_.Picture2->setGeometry(x, dividerY + 8, across(256), 192 * z + 4);
        const int gbaY = form_.Picture2->geometry().bottom() + 1 + kGap;
        form_.Picture4->setGeometry(x, gbaY, across(240), 160 * z + 4);
        const int right = std::max({form_.Picture1[0]->geometry().right(), form_.Picture2->geometry().right(),
                                    form_.Picture4->geometry().right()});
        client->setFixedSize(std::max(618, right + 7), std::max(413, form_.Picture4->geometry().bottom() + 9));
    }
    for (QWidget* box : {static_cast<QWidget*>(form_.Picture1[0]), static_cast<QWidget*>(form_.Picture2),
                         static_cast<QWidget*>(form_.Picture4), static_cast<QWidget*>(form_.Picture6)})
        box->update();
    form_.fitWindow();
}

}  // namespace corvamo

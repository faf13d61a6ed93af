#pragma once

#include "author/problem_map.h"
#include "author/skin_check.h"
#include "preview/workbench_state.h"

#include <QObject>
#include <QPoint>

#include <map>
#include <optional>

class QAction;
class QActionGroup;

namespace corvamo {

class Form1;
class PictureBox;

// The View menu of Form1 and what it changes: the previews in console colours, zoomed with a
// pixel grid, the source beside the console view, and the check's problems outlined on them with
// tooltips; also the window title and status line that name the loaded skin and its problems.
class PreviewViews : public QObject {
    Q_OBJECT
public:
    explicit PreviewViews(Form1& form);

    // The View menu's entries, by name.
    QAction *consolecolours, *zoom1x, *zoom2x, *zoom3x, *zoom4x, *pixelgrid, *sourcebesideconsole, *showproblems;

    bool console() const;
    int zoom() const;
    bool beside() const;

    // After the workbench's pictures changed: the views recomposed and repainted.
    void refresh();
    // After a skin was loaded (or loaded again): the check run, the title and status line anew.
    void checkLoadedSkin();
    const SkinReport& report() const { return report_; }
    const std::map<int, QString>& problems() const { return problems_; }
    // What a preview box shows now, and the problem under a position inside its border ("" for none).
    QImage shown(const PictureBox* box) const;
    QString problemAt(const PictureBox* box, QPoint position) const;

private:
    // The box's picture as the source and the console show it, and its slot map.
    struct Screen {
        const QImage* source;
        const QImage* console;
        const QImage* map;
    };
    std::optional<Screen> screenOf(const PictureBox* box) const;
    void relayout();

    Form1& form_;
    QActionGroup* zoomGroup_;
    std::optional<FormPictures> console_;
    SlotMaps maps_;
    SkinReport report_;
    std::map<int, QString> problems_;
};

}  // namespace corvamo

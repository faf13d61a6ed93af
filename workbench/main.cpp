#include "export_previews.h"
#include "form1.h"

#include <QApplication>
#include <QTextStream>

#include <cstring>

int main(int argc, char **argv)
{
    // The export needs no window: it runs without a display too.
    const bool exportPreviews = argc > 1 && std::strcmp(argv[1], "--export-previews") == 0;
    if (exportPreviews && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (exportPreviews) {
        QTextStream out(stdout), err(stderr);
        const int code = ExportPreviews(app.arguments().mid(2), out, err);
        out.flush();
        err.flush();
        return code;
    }
    Form1 window;
    window.show();
    return app.exec();
}

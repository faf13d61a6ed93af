// startup_peer WIDTH HEIGHT: the empty window that the start-up bench times Corvamo against, a
// Qt Widgets window of the given fixed size, made with the same QApplication set-up as Corvamo's.
#include <QApplication>
#include <QWidget>

#include <cstdlib>

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 640, height = argc > 2 ? std::atoi(argv[2]) : 480;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("corvamo"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Corvamo"));
    window.setFixedSize(width, height);
    window.show();
    return app.exec();
}

// links: Qt6::Widgets
// The peer of the idle measurement in scripts/bench-autorefresh: a bare Qt window whose timer
// fires at the given interval (milliseconds, default 5) and does nothing. What any Qt program
// pays for waking that often is its CPU use; the program's idle cost is set against it.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Timer peer"));
    window.setGeometry(940, 560, 320, 200); // away from the program's window, which is clicked
    window.show();
    QTimer timer;
    timer.setInterval(argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5);
    QObject::connect(&timer, &QTimer::timeout, &timer, [] {});
    timer.start();
    return app.exec();
}

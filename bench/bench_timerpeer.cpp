// links: Qt6::Widgets
// The peer of scripts/bench-autorefresh: a bare Qt window whose timer fires at the given
// interval (milliseconds, default 5) and does nothing. What any Qt program pays for waking
// that often is its CPU use; the program's idle cost is set against it. Its "About" button
// sits where the program's toolbar has its own and opens a message box the same way, so the
// time from a click to the box is measured on both in the same run.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Timer peer"));
    // Below the program's window, which is clicked too; wide enough for the button's place.
    window.setGeometry(700, 480, 560, 200);
    QPushButton about(QStringLiteral("About"), &window);
    about.setGeometry(422, 4, 60, 28); // centred on the client offset (452, 18)
    QObject::connect(&about, &QPushButton::clicked, &window, [&window] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("About Timer peer"),
                        QStringLiteral("Timer peer\nwww.tavren-netstat.example"), QMessageBox::Ok, &window);
        box.exec();
    });
    window.show();
    QTimer timer;
    timer.setInterval(argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5);
    QObject::connect(&timer, &QTimer::timeout, &timer, [] {});
    timer.start();
    return app.exec();
}

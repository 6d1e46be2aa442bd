// The control gallery: shows each control of the program in its looks and states, in run mode
// and in design mode. `--page NAME` shows only that page; `--screenshot FILE` renders the pages
// at their full size into a PNG and exits; `--steps N` first advances every page's animation
// N times.
#include "GalleryWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    const bool wantsScreenshot = [&] {
        for (int i = 1; i < argc; ++i)
            if (QByteArray(argv[i]).startsWith("--screenshot"))
                return true;
        return false;
    }();
    // A screenshot needs no screen: without a display, render offscreen.
    if (wantsScreenshot && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the program's controls in their looks and states."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Render the window into a PNG file and exit."),
                                        QStringLiteral("file"));
    const QCommandLineOption steps(QStringLiteral("steps"),
                                   QStringLiteral("Advance the animations N times first."),
                                   QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("Show only the page of this title (%1).")
                                      .arg(GalleryWindow::pageTitles().join(QStringLiteral(", "))),
                                  QStringLiteral("name"));
    parser.addOption(screenshot);
    parser.addOption(steps);
    parser.addOption(page);
    parser.process(app);

    bool stepsOk = false;
    const int stepCount = parser.value(steps).toInt(&stepsOk);
    if (!stepsOk || stepCount < 0) {
        std::fprintf(stderr, "tavren-gallery: --steps wants a count of 0 or more\n");
        return 2;
    }

    const QString pageName = parser.value(page);
    if (parser.isSet(page) && !GalleryWindow::pageTitles().contains(pageName, Qt::CaseInsensitive)) {
        std::fprintf(stderr, "tavren-gallery: no page \"%s\"; the pages are %s\n", qPrintable(pageName),
                     qPrintable(GalleryWindow::pageTitles().join(QStringLiteral(", "))));
        return 2;
    }

    GalleryWindow window(pageName);
    window.show();
    for (int i = 0; i < stepCount; ++i)
        window.advanceAll();

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QApplication::processEvents();
        if (!window.renderAll().save(file, "PNG")) {
            std::fprintf(stderr, "tavren-gallery: cannot write %s\n", qPrintable(file));
            return 1;
        }
        return 0;
    }
    return app.exec();
}

// links: tavren_host
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Gallery = QStringLiteral(TAVREN_BINARY_DIR "/bin/tavren-gallery");

// Runs the gallery to a screenshot; the picture, or a null one when it failed.
QImage screenshot(const QStringList& arguments, int* exitCode = nullptr) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    QProcess gallery;
    gallery.start(Gallery, arguments + QStringList{QStringLiteral("--screenshot"), file});
    if (!gallery.waitForFinished(120000))
        gallery.kill();
    if (exitCode)
        *exitCode = gallery.exitCode();
    return QImage(file);
}

} // namespace

class TestGallery : public QObject {
    Q_OBJECT
private slots:
    // A screenshot holds whole pages, also where they are taller than the window may be.
    void screenshotsHoldWholePages() {
        const QImage all = screenshot({});
        const QImage button = screenshot({QStringLiteral("--page"), QStringLiteral("Button")});
        const QImage check = screenshot({QStringLiteral("--page"), QStringLiteral("check")});
        QVERIFY(!all.isNull() && !button.isNull() && !check.isNull());
        QVERIFY(all.height() > 760); // the window's height is capped at 760
        QVERIFY(all.height() > button.height() + check.height());
        QVERIFY(check.height() < button.height());
    }

    void unknownPageIsRefused() {
        int exitCode = 0;
        QVERIFY(screenshot({QStringLiteral("--page"), QStringLiteral("Nothing")}, &exitCode).isNull());
        QCOMPARE(exitCode, 2);
    }
};

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"

// links: tavren_os
#include "platform/os/linux/DesktopEntryIndex.h"
#include "platform/os/linux/ExecutableIcons.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using os::DesktopEntryIndex;

class TestDesktopEntryIndex : public QObject {
    Q_OBJECT

    static void writeFile(const QString& path, const QByteArray& text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

private slots:
    void programOfExec_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("program");
        QTest::newRow("plain with field code") << "firefox-esr %u"
                                               << "firefox-esr";
        QTest::newRow("absolute") << "/usr/bin/vim -p %F"
                                  << "/usr/bin/vim";
        QTest::newRow("quoted with space") << "\"/opt/My App/run\" --x"
                                           << "/opt/My App/run";
        QTest::newRow("env prefix") << "env LANG=C GDK_BACKEND=x11 python3 -m foo"
                                    << "python3";
        QTest::newRow("escaped space") << "/opt/a\\ b/run %f"
                                       << "/opt/a b/run";
        QTest::newRow("empty") << ""
                               << "";
    }
    void programOfExec() {
        QFETCH(QString, exec);
        QFETCH(QString, program);
        QCOMPARE(DesktopEntryIndex::programOfExec(exec), program);
    }

    // Entries name programs by search-path name, by absolute path, through TryExec and through
    // symlinks; all must map to the canonical executable that the process table reports.
    void mapsExecutablesToEntryIcons() {
        QTemporaryDir bin, apps;
        QVERIFY(bin.isValid() && apps.isValid());
        const QString real = bin.filePath("real-tool");
        writeFile(real, "#!/bin/sh\n");
        QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QFile::link(real, bin.filePath("tool-link")));

        writeFile(apps.filePath("a.desktop"),
                  "[Desktop Entry]\nName=A\nExec=" + bin.filePath("tool-link").toUtf8() +
                      " %U\nIcon=/nonexistent/a.png\n[Desktop Action new]\nExec=/bin/other\nIcon=zzz\n");
        writeFile(apps.filePath("b.desktop"), "[Desktop Entry]\nExec=sh -c true\nIcon=utilities-terminal\n");
        writeFile(apps.filePath("noicon.desktop"), "[Desktop Entry]\nExec=/bin/true\n");

        DesktopEntryIndex index({apps.path()});
        QCOMPARE(index.iconNameFor(real), QStringLiteral("/nonexistent/a.png"));
        QCOMPARE(index.iconNameFor(bin.filePath("tool-link")), QStringLiteral("/nonexistent/a.png"));
        // The action group's Exec must not count as the entry's program.
        QVERIFY(index.iconNameFor("/bin/other").isEmpty());
        QVERIFY(index.iconNameFor("/bin/true").isEmpty());
        const QString sh = QFileInfo(QStandardPaths::findExecutable("sh")).canonicalFilePath();
        QCOMPARE(index.iconNameFor(sh), QStringLiteral("utilities-terminal"));
    }

    void unknownExecutableGetsGenericIcon() {
        QTemporaryDir apps;
        DesktopEntryIndex index({apps.path()});
        const QIcon icon = index.iconFor("/nonexistent/program-without-entry");
        QVERIFY2(!icon.isNull(), "the generic executable icon must be found in the icon theme");
        QVERIFY(!icon.pixmap(32, 32).isNull());
        // The same path again answers from the cache with the same icon, also after many other
        // programs came and went; those are not all kept.
        for (int i = 0; i < 3 * DesktopEntryIndex::ResolvedIconsKept; ++i) {
            index.iconFor(QStringLiteral("/nonexistent/gone-%1").arg(i));
            QCOMPARE(index.iconFor("/nonexistent/program-without-entry").cacheKey(), icon.cacheKey());
        }
        QCOMPARE_LE(index.resolvedIconCount(), DesktopEntryIndex::ResolvedIconsKept);
    }

    // The entries are read on a thread of their own from the start; the first lookup gets
    // what they say, however early it comes, and an object ended while reading waits for it.
    void entriesReadAheadServeTheFirstLookup() {
        QTemporaryDir bin, apps;
        QVERIFY(bin.isValid() && apps.isValid());
        const QString tool = bin.filePath("tool");
        writeFile(tool, "#!/bin/sh\n");
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(bin.filePath("tool.png")));
        for (int i = 0; i < 300; ++i)
            writeFile(apps.filePath(QStringLiteral("other%1.desktop").arg(i)),
                      "[Desktop Entry]\nExec=/nonexistent/other" + QByteArray::number(i) + "\nIcon=x\n");
        writeFile(apps.filePath("tool.desktop"), "[Desktop Entry]\nExec=" + tool.toUtf8() +
                                                     "\nIcon=" + bin.filePath("tool.png").toUtf8() + "\n");

        os::linuxbackend::ExecutableIcons icons({apps.path()});
        const QIcon icon = icons.iconFor(tool);
        QCOMPARE(icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));

        os::linuxbackend::ExecutableIcons unused({apps.path()});
    }
};

QTEST_MAIN(TestDesktopEntryIndex)
#include "tst_desktopentryindex.moc"

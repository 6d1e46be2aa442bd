// links: tavren_history
// platforms: linux windows
#include "history/HistoryFile.h"
#include "history/HistoryPageModel.h"
#include "history/HistoryStore.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace history;

class HistoryStoreTest : public QObject {
    Q_OBJECT
private slots:
    void fileThatIsNoHistoryIsMovedAside_data();
    void fileThatIsNoHistoryIsMovedAside();
    void writingPausesWhileTheFileCannotBeWrittenAndResumes_data();
    void writingPausesWhileTheFileCannotBeWrittenAndResumes();
    void secondProgramReadsWhileTheFirstWrites();
    void killedWriterLosesNothingCommitted();
    void keepingIsTheFileAndPagesFollowTheFilter();
};

namespace {

std::vector<HistoryEntry> entries(int count, std::int64_t bytes = 1000) {
    std::vector<HistoryEntry> made;
    for (int at = 0; at < count; ++at) {
        HistoryEntry& entry = made.emplace_back();
        entry.program = QStringLiteral("/usr/bin/prog%1").arg(at % 3);
        entry.user = QStringLiteral("alice");
        entry.localAddress = entry.remoteAddress = QStringLiteral("127.0.0.1");
        entry.localPort = 40000 + at % 20000;
        entry.remotePort = 80;
        entry.closed = QDateTime::currentMSecsSinceEpoch();
        entry.sent = entry.received = bytes;
    }
    return made;
}

std::int64_t rowsIn(const QString& path, QString* check = nullptr) {
    SqliteDatabase database;
    if (database.open(path, false) != SQLITE_OK)
        return -1;
    if (check) {
        SqliteStatement integrity(database, QStringLiteral("PRAGMA integrity_check"));
        *check = integrity.step() == SQLITE_ROW ? integrity.text(0) : database.errorText();
    }
    SqliteStatement count(database, QStringLiteral("SELECT count(*) FROM connections"));
    return count.step() == SQLITE_ROW ? count.integer(0) : -1;
}

} // namespace

void HistoryStoreTest::fileThatIsNoHistoryIsMovedAside_data() {
    QTest::addColumn<QByteArray>("contents"); // "history:N" makes a real history cut to N bytes
    QTest::newRow("not a database") << QByteArray(8192, 'x');
    QTest::newRow("another program's database") << QByteArray("foreign");
    QTest::newRow("history cut short") << QByteArray("history:6000");
}

void HistoryStoreTest::fileThatIsNoHistoryIsMovedAside() {
    QFETCH(QByteArray, contents);
    QTemporaryDir folder;
    const QString path = historyfile::fileIn(folder.path());
    if (contents == "foreign") {
        SqliteDatabase other;
        QCOMPARE(other.open(path, true), SQLITE_OK);
        QCOMPARE(other.exec("CREATE TABLE mail (id INTEGER); INSERT INTO mail VALUES (1)"), SQLITE_OK);
    } else if (contents.startsWith("history:")) {
        {
            HistoryStore store(folder.path());
            store.setKeepsHistory(true);
            store.record(entries(2000));
            store.flush();
        }
        rowsIn(path); // a last connection checkpoints the log into the file
        QFile::remove(path + QStringLiteral("-wal"));
        QFile file(path);
        QVERIFY(file.resize(contents.mid(8).toLongLong()));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
    }
    const QByteArray before = [&] { QFile file(path); file.open(QIODevice::ReadOnly); return file.readAll(); }();

    HistoryStore store(folder.path());
    QSignalSpy messages(&store, &HistoryStore::message);
    store.record(entries(5));
    store.flush();
    QVERIFY(store.keepsHistory());
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("history.sqlite.broken-*")});
    QCOMPARE(aside.size(), 1);
    QFile kept(folder.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), before); // nothing of it lost
    QCOMPARE(rowsIn(path), 5);        // the new one is a history and is written
}

void HistoryStoreTest::writingPausesWhileTheFileCannotBeWrittenAndResumes_data() {
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("folder cannot be written") << false;
#ifndef _WIN32
    QTest::newRow("disk full") << true;
#endif
}

void HistoryStoreTest::writingPausesWhileTheFileCannotBeWrittenAndResumes() {
    QFETCH(bool, diskFull);
    QTemporaryDir folder;
    const QString path = historyfile::fileIn(folder.path());
    auto store = std::make_unique<HistoryStore>(folder.path());
    store->setKeepsHistory(true);
    store->record(entries(10));
    store->flush();
    QSignalSpy messages(store.get(), &HistoryStore::message);
#ifndef _WIN32
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
#endif
    if (diskFull) {
#ifndef _WIN32
        // Files of this process may not grow past what they hold: as a full disk answers.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = unlimited;
        full.rlim_cur = QFileInfo(path + QStringLiteral("-wal")).size() + 4096;
        setrlimit(RLIMIT_FSIZE, &full);
#endif
    } else {
        // Started afresh on a file whose logs cannot be made (even root cannot write a
        // folder where a file is due): as a folder the user may not write.
        store.reset();
        for (const char* log : {"-wal", "-journal", "-shm"}) {
            QFile::remove(path + QLatin1String(log));
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("history.sqlite") + QLatin1String(log)));
        }
        store = std::make_unique<HistoryStore>(folder.path());
        messages.clear();
        connect(store.get(), &HistoryStore::message, this, [&](const QString& text) { messages.append({text}); });
    }
    store->record(entries(3000));
    store->flush();
    QVERIFY(!store->pausedBecause().isEmpty());
    QTRY_VERIFY(!messages.isEmpty()); // the status bar hears of it
    QVERIFY(store->keepsHistory());
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &unlimited);
#endif
    for (const char* log : {"-wal", "-journal", "-shm"})
        QDir(folder.path()).rmdir(QStringLiteral("history.sqlite") + QLatin1String(log));
    store->flush(); // the next write finds the file writable again
    QTRY_VERIFY(store->pausedBecause().isEmpty());
    store->flush();
    store.reset();
    QCOMPARE(rowsIn(path), 3010); // what waited is all there, and nothing was moved aside
    QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*.broken-*")}).size(), 0);
}

void HistoryStoreTest::secondProgramReadsWhileTheFirstWrites() {
    QTemporaryDir folder;
    HistoryStore writer(folder.path());
    writer.setKeepsHistory(true);
    HistoryStore reader(folder.path()); // a second program finds the file and keeps it too
    QVERIFY(reader.keepsHistory());
    std::int64_t seen = 0;
    for (int batch = 0; batch < 40; ++batch) {
        writer.record(entries(250));
        if (batch % 2)
            writer.flush();
        const std::vector<QVariantList> counted = reader.select(QStringLiteral("SELECT count(*) FROM connections"), {});
        QCOMPARE(counted.size(), 1u);
        QVERIFY(counted[0][0].toLongLong() >= seen); // never goes back, never fails busy
        seen = counted[0][0].toLongLong();
    }
    reader.record(entries(1));
    writer.flush();
    reader.flush();
    QString check;
    QCOMPARE(rowsIn(historyfile::fileIn(folder.path()), &check), 40 * 250 + 1);
    QCOMPARE(check, QStringLiteral("ok"));
}

void HistoryStoreTest::killedWriterLosesNothingCommitted() {
#ifdef _WIN32
    QSKIP("the writer is killed by a signal");
#else
    QTemporaryDir folder;
    int pipeEnds[2];
    QVERIFY(::pipe(pipeEnds) == 0);
    const pid_t writer = ::fork();
    if (writer == 0) {
        // The writer: bursts of closes, each burst's count told once it is committed.
        HistoryStore store(folder.path());
        store.setKeepsHistory(true);
        for (std::int64_t committed = 0;;) {
            store.record(entries(500));
            store.flush();
            committed += 500;
            if (::write(pipeEnds[1], &committed, sizeof committed) != sizeof committed)
                ::_exit(1);
        }
    }
    std::int64_t committed = 0;
    for (int burst = 0; burst < 20; ++burst)
        QCOMPARE(::read(pipeEnds[0], &committed, sizeof committed), ssize_t(sizeof committed));
    ::kill(writer, SIGKILL);
    int status = 0;
    ::waitpid(writer, &status, 0);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    QString check;
    QVERIFY(rowsIn(historyfile::fileIn(folder.path()), &check) >= committed);
    QCOMPARE(check, QStringLiteral("ok"));
#endif
}

void HistoryStoreTest::keepingIsTheFileAndPagesFollowTheFilter() {
    QTemporaryDir folder;
    const QString path = historyfile::fileIn(folder.path());
    {
        HistoryStore store(folder.path());
        QVERIFY(!store.keepsHistory());
        store.record(entries(1200));
        store.flush();
        QCOMPARE(store.programTotalsSinceStart().size(), 3u);
        HistoryPageModel page(store, HistoryPageModel::Table::Connections, {});
        QCOMPARE(page.rowCount(), HistoryPageModel::PageRows); // a page at a time
        page.fetchMore({});
        page.fetchMore({});
        QCOMPARE(page.rowCount(), 1200);
        page.setFilter(QStringLiteral("prog1"));
        QCOMPARE(page.rowCount(), 400);
        store.setKeepsHistory(true); // this run's history goes into the file
        QVERIFY(QFile::exists(path));
#ifndef _WIN32
        // The owner's bits, and none for the group or others: 0600 and 0700.
        QCOMPARE(int(QFileInfo(path).permissions() & 0x7077), 0x6000);
        QCOMPARE(int(QFileInfo(folder.path()).permissions() & 0x7077), 0x7000);
#endif
    }
    QCOMPARE(rowsIn(path), 1200);
    HistoryStore again(folder.path());
    QVERIFY(again.keepsHistory()); // the file is the choice
    again.setKeepsHistory(false, false);
    QVERIFY(QFile::exists(path)); // No keeps the file
    again.setKeepsHistory(true);
    again.setKeepsHistory(false, true);
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(HistoryStoreTest)
#include "tst_historystore.moc"

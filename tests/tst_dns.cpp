// links: tavren_dns tavren_host tavren_os
#include "controls/dns/DNS.h"
#include "platform/host/Units.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/os/linux/LinuxSystem.h"

#include <QGridLayout>
#include <QtTest>

#include <future>

using controls::DNS;

namespace {

// The scripted fake, with the dotted form of the addresses it was asked about.
class ScriptedResolver : public os::FakeSystem {
public:
    static QString dotted(const std::array<std::uint8_t, 4>& a) {
        return QStringLiteral("%1.%2.%3.%4")
            .arg(unsigned{a[0]})
            .arg(unsigned{a[1]})
            .arg(unsigned{a[2]})
            .arg(unsigned{a[3]});
    }
    void knowName(const QString& dottedAddress, const QString& name) {
        const QStringList n = dottedAddress.split('.');
        hostNames.insert(addressKey({std::uint8_t(n[0].toUInt()), std::uint8_t(n[1].toUInt()),
                                     std::uint8_t(n[2].toUInt()), std::uint8_t(n[3].toUInt())}),
                         name);
    }
    QStringList addressQuestions() const {
        QStringList asked;
        for (const auto& a : addressRequests)
            asked << dotted(a);
        return asked;
    }
};

// A resolver that does not answer until the test opens its gate (a dead name server). A lookup
// waits on its own copy of the gate, so one still waiting at the end touches nothing of the test's.
class SilentResolver : public ScriptedResolver {
public:
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    bool released = false;
    ~SilentResolver() override { release(); }
    void release() {
        if (!released)
            gate.set_value();
        released = true;
    }
    std::optional<std::array<std::uint8_t, 4>> lookUpHostName(const QString&) override {
        std::shared_future<void>(opened).wait();
        return std::array<std::uint8_t, 4>{10, 9, 8, 7};
    }
    std::optional<QString> lookUpAddress(const std::array<std::uint8_t, 4>&) override {
        std::shared_future<void>(opened).wait();
        return QStringLiteral("too-late.test");
    }
};

// Records the control's events in the order they were raised.
struct EventLog {
    QStringList events;
    void watch(DNS& dns) {
        QObject::connect(&dns, &DNS::Error, &dns, [this](qint32 number, QString& description) {
            events << QStringLiteral("Error %1 %2").arg(number).arg(description);
        });
        QObject::connect(&dns, &DNS::ResolveCompleted, &dns,
                         [this] { events << QStringLiteral("ResolveCompleted"); });
    }
};

} // namespace

class TestDns : public QObject {
    Q_OBJECT
private slots:
    void isDottedAddress_data();
    void isDottedAddress();
    void addressValue_data();
    void addressValue();
    void nameToAddressOfDottedTextAsksNothing_data();
    void nameToAddressOfDottedTextAsksNothing();
    void nameToAddressLooksUpEverythingElse_data();
    void nameToAddressLooksUpEverythingElse();
    void unknownNameRaisesErrorThenCompletes();
    void errorDescriptionMayBeChangedByHandler();
    void resolvesLocalhostThroughSystemResolver();
    void silentResolverFailsAfterTheLimit_data();
    void silentResolverFailsAfterTheLimit();
    void addressToName_data();
    void addressToName();
    void withoutResolverLookupsFailQuietly();
    void keepsItsFixedSize();
    void invisibleWhileProgramRuns();
};

void TestDns::isDottedAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("plain") << "10.0.0.1" << true;
    QTest::newRow("loopback") << "127.0.0.1" << true;
    QTest::newRow("all zero") << "0.0.0.0" << true;
    QTest::newRow("top of range") << "255.255.255.254" << true;
    QTest::newRow("leading zero in an early number") << "1.02.3.4" << true;
    QTest::newRow("leading zeros in all early numbers") << "001.002.003.4" << true;
    QTest::newRow("two dots") << "1.2.3" << false;
    QTest::newRow("four dots") << "1.2.3.4.5" << false;
    QTest::newRow("last above 255") << "1.2.3.256" << false;
    QTest::newRow("leading zero in the last") << "1.2.3.04" << false;
    QTest::newRow("empty part") << "1..2.3" << false;
    QTest::newRow("broadcast") << "255.255.255.255" << false;
    QTest::newRow("early above 255") << "1.256.3.4" << false;
    QTest::newRow("huge early number") << "99999999999999999999.2.3.4" << false;
    QTest::newRow("negative early") << "-1.2.3.4" << false;
    QTest::newRow("sign on the last") << "1.2.3.+4" << false;
    QTest::newRow("space after the last") << "1.2.3.4 " << false;
    QTest::newRow("space before the first") << " 1.2.3.4" << false;
    QTest::newRow("empty last") << "1.2.3." << false;
    QTest::newRow("host name") << "localhost" << false;
    QTest::newRow("dotted host name") << "a.b.c.d" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dots only") << "..." << false;
}

void TestDns::isDottedAddress() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(DNS::IsDottedAddress(text), accepted);
}

void TestDns::addressValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("first number lowest") << "1.2.3.4" << qint32(0x04030201);
    QTest::newRow("loopback") << "127.0.0.1" << qint32(0x0100007F);
    QTest::newRow("high last number is negative") << "10.0.0.200" << qint32(0xC800000A);
    QTest::newRow("128 in the last") << "0.0.0.128" << qint32(-2147483647 - 1);
}

void TestDns::addressValue() {
    QFETCH(QString, text);
    QFETCH(qint32, value);
    QCOMPARE(DNS::AddressValue(text), value);
}

void TestDns::nameToAddressOfDottedTextAsksNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "10.0.0.1";
    QTest::newRow("leading zero kept as written") << "1.02.3.4";
}

void TestDns::nameToAddressOfDottedTextAsksNothing() {
    QFETCH(QString, text);
    ScriptedResolver resolver;
    DNS dns(&resolver);
    EventLog log;
    log.watch(dns);
    QCOMPARE(dns.NameToAddress(text), std::optional<QString>(text));
    QVERIFY(resolver.hostNameRequests.isEmpty());
    QCOMPARE(log.events, QStringList{"ResolveCompleted"});
}

void TestDns::nameToAddressLooksUpEverythingElse_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("broadcast") << "255.255.255.255";
    QTest::newRow("two dots") << "1.2.3";
    QTest::newRow("four dots") << "1.2.3.4.5";
    QTest::newRow("last above 255") << "1.2.3.256";
    QTest::newRow("leading zero in the last") << "1.2.3.04";
    QTest::newRow("empty part") << "1..2.3";
    QTest::newRow("host name") << "gallery.test";
}

void TestDns::nameToAddressLooksUpEverythingElse() {
    QFETCH(QString, text);
    ScriptedResolver resolver;
    resolver.hostAddresses.insert(text, {192, 168, 200, 7});
    DNS dns(&resolver);
    QCOMPARE(dns.NameToAddress(text), std::optional<QString>("192.168.200.7"));
    QCOMPARE(resolver.hostNameRequests, QStringList{text});
}

void TestDns::unknownNameRaisesErrorThenCompletes() {
    ScriptedResolver resolver;
    DNS dns(&resolver);
    EventLog log;
    log.watch(dns);
    const auto result = dns.NameToAddress(QStringLiteral("no-such-host.invalid"));
    QVERIFY(!result.has_value());
    QCOMPARE(result.value_or(QString()), QString());
    QCOMPARE(log.events, (QStringList{"Error 9001 Can't resolve hst", "ResolveCompleted"}));
    QCOMPARE(resolver.hostNameRequests, QStringList{"no-such-host.invalid"});

    // A later call starts clean: the error was forgotten.
    resolver.hostAddresses.insert(QStringLiteral("known"), {10, 1, 2, 3});
    log.events.clear();
    QCOMPARE(dns.NameToAddress(QStringLiteral("known")), std::optional<QString>("10.1.2.3"));
    QCOMPARE(log.events, QStringList{"ResolveCompleted"});
}

void TestDns::errorDescriptionMayBeChangedByHandler() {
    ScriptedResolver resolver;
    DNS dns(&resolver);
    QString seenBySecond;
    connect(&dns, &DNS::Error, &dns, [](qint32, QString& description) { description = "changed"; });
    connect(&dns, &DNS::Error, &dns, [&](qint32, QString& description) { seenBySecond = description; });
    dns.NameToAddress(QStringLiteral("unknown"));
    QCOMPARE(seenBySecond, QStringLiteral("changed"));
}

void TestDns::resolvesLocalhostThroughSystemResolver() {
    // localhost is in the hosts file: no query leaves this machine.
    os::LinuxSystem system;
    DNS dns(&system);
    EventLog log;
    log.watch(dns);
    QCOMPARE(dns.NameToAddress(QStringLiteral("localhost")), std::optional<QString>("127.0.0.1"));
    QCOMPARE(log.events, QStringList{"ResolveCompleted"});
}

void TestDns::silentResolverFailsAfterTheLimit_data() {
    QTest::addColumn<bool>("byName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("events");
    // A name fails as an unresolvable one does; an address gives an empty name.
    QTest::newRow("name") << true << "silent.test"
                          << QStringList{"Error 9001 Can't resolve hst", "ResolveCompleted"};
    QTest::newRow("address") << false << "10.0.0.1" << QStringList{"ResolveCompleted"};
}

void TestDns::silentResolverFailsAfterTheLimit() {
    QFETCH(bool, byName);
    QFETCH(QString, text);
    QCOMPARE(DNS::DefaultLookupTimeLimit, std::chrono::milliseconds(5000));
    SilentResolver resolver;
    DNS dns(&resolver);
    dns.setLookupTimeLimit(std::chrono::milliseconds(100));
    EventLog log;
    log.watch(dns);
    QElapsedTimer waited;
    waited.start();
    const QString result = byName ? dns.NameToAddress(text).value_or(QString()) : dns.AddressToName(text);
    QCOMPARE(result, QString());
    QTEST(log.events, "events");
    QVERIFY(waited.elapsed() >= 100);
    // Once the resolver answers within the limit, its answer counts again.
    resolver.release();
    dns.setLookupTimeLimit(std::chrono::milliseconds(5000));
    if (byName)
        QCOMPARE(dns.NameToAddress(text), std::optional<QString>("10.9.8.7"));
    else
        QCOMPARE(dns.AddressToName(text), QStringLiteral("too-late.test"));
}

void TestDns::addressToName_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("known"); // what the resolver answers, empty: unknown
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("asked"); // the dotted address asked for, empty: none
    QTest::newRow("not an address") << "localhost"
                                    << ""
                                    << ""
                                    << "";
    QTest::newRow("broadcast is not asked") << "255.255.255.255"
                                            << ""
                                            << ""
                                            << "";
    QTest::newRow("unknown address") << "10.9.8.7"
                                     << ""
                                     << ""
                                     << "10.9.8.7";
    QTest::newRow("known address") << "10.9.8.7"
                                   << "box.lan"
                                   << "box.lan"
                                   << "10.9.8.7";
    QTest::newRow("leading zeros asked as numbers") << "010.09.8.7"
                                                    << "box.lan"
                                                    << "box.lan"
                                                    << "10.9.8.7";
    QTest::newRow("surrounding spaces trimmed") << "10.9.8.7"
                                                << "  box.lan "
                                                << "box.lan"
                                                << "10.9.8.7";
    QTest::newRow("ends at its NUL") << "10.9.8.7" << QStringLiteral("box.lan") + QChar(0) + "junk"
                                     << "box.lan"
                                     << "10.9.8.7";
    QTest::newRow("at most 255 characters")
        << "10.9.8.7" << QString(300, 'x') << QString(255, 'x') << "10.9.8.7";
}

void TestDns::addressToName() {
    QFETCH(QString, text);
    QFETCH(QString, known);
    QFETCH(QString, expected);
    QFETCH(QString, asked);
    ScriptedResolver resolver;
    if (!known.isEmpty())
        resolver.knowName(asked, known);
    DNS dns(&resolver);
    EventLog log;
    log.watch(dns);
    QCOMPARE(dns.AddressToName(text), expected);
    QCOMPARE(resolver.addressQuestions(), asked.isEmpty() ? QStringList() : QStringList{asked});
    QCOMPARE(log.events, QStringList{"ResolveCompleted"});
}

void TestDns::withoutResolverLookupsFailQuietly() {
    DNS dns;
    EventLog log;
    log.watch(dns);
    QCOMPARE(dns.AddressToName(QStringLiteral("10.0.0.1")), QString());
    QVERIFY(!dns.NameToAddress(QStringLiteral("somewhere")).has_value());
    QCOMPARE(dns.NameToAddress(QStringLiteral("10.0.0.1")), std::optional<QString>("10.0.0.1"));
    QCOMPARE(log.events, (QStringList{"ResolveCompleted", "Error 9001 Can't resolve hst", "ResolveCompleted",
                                      "ResolveCompleted"}));
}

void TestDns::keepsItsFixedSize() {
    host::ControlHost design(host::HostMode::Design);
    QWidget form;
    DNS dns(nullptr, &form, &design);
    const int side = host::twipsToPixels(DNS::FixedExtentTwips);
    QCOMPARE(dns.size(), QSize(side, side));
    form.show();
    dns.resize(200, 10);
    QCOMPARE(dns.size(), QSize(side, side));
    dns.setGeometry(5, 6, 1, 1);
    QCOMPARE(dns.geometry(), QRect(5, 6, side, side));

    // A layout gives it its own size too.
    QWidget laidOut;
    auto* grid = new QGridLayout(&laidOut);
    auto* placed = new DNS(nullptr, nullptr, &design);
    grid->addWidget(placed, 0, 0);
    laidOut.resize(300, 300);
    laidOut.show();
    QVERIFY(QTest::qWaitForWindowExposed(&laidOut));
    QCOMPARE(placed->size(), QSize(side, side));
}

void TestDns::invisibleWhileProgramRuns() {
    QWidget form;
    DNS running(nullptr, &form);
    host::ControlHost design(host::HostMode::Design);
    DNS designed(nullptr, &form, &design);
    form.show();
    QVERIFY(!running.isVisible());
    running.show();
    QVERIFY(!running.isVisible());
    QVERIFY(designed.isVisible());
}

QTEST_MAIN(TestDns)
#include "tst_dns.moc"

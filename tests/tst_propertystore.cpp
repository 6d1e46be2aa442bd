// links: tavren_host
// platforms: linux windows
#include "platform/host/HostedControl.h"
#include "platform/host/PropertyStore.h"

#include <QSignalSpy>
#include <QtTest>

using namespace host;

namespace {

// A control with one key written twice, as some controls save: the first write is the
// caption window's colour, the second the field behind it.
class TwoColourControl : public HostedControl {
public:
    using HostedControl::HostedControl;
    std::int32_t shown = 0x00800000;
    std::int32_t field = 0;
    int value = 0;
    void setValue(int v) {
        value = v;
        notifyPropertyChanged(QStringLiteral("Value"));
    }

protected:
    void readProperties(PropertyReader& reader) override {
        value = reader.readInt32(QStringLiteral("Value"), std::int16_t{0});
        shown = reader.readInt32(QStringLiteral("ForeColor"), std::int32_t{0x00800000});
        field = reader.readInt32(QStringLiteral("ForeColor"), {});
    }
    void writeProperties(PropertyStore& store) const override {
        store.write(QStringLiteral("Value"), std::int32_t{value}, std::int16_t{0});
        store.write(QStringLiteral("ForeColor"), std::int32_t{shown}, std::int32_t{0x00800000});
        store.write(QStringLiteral("ForeColor"), std::int32_t{field}, {});
    }
};

} // namespace

class TestPropertyStore : public QObject {
    Q_OBJECT
private slots:
    void keysIgnoreCase() {
        PropertyStore store;
        store.write(QStringLiteral("ProgressLook"), std::int32_t{2}, std::int32_t{0});
        QVERIFY(store.contains(QStringLiteral("progresslook")));
        QVERIFY(store.contains(QStringLiteral("PROGRESSLOOK")));
        PropertyReader reader(store);
        QCOMPARE(reader.readInt32(QStringLiteral("progressLOOK"), std::int32_t{0}), 2);
    }

    void writeEqualToDefaultIsDropped_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("int32 vs int16 default") << 0;
        QTest::newRow("empty default vs zero") << 1;
        QTest::newRow("empty default vs empty text") << 2;
        QTest::newRow("colour vs number") << 3;
        QTest::newRow("boolean true vs true") << 4;
    }
    void writeEqualToDefaultIsDropped() {
        QFETCH(int, kind);
        PropertyStore store;
        switch (kind) {
        case 0:
            store.write("Max", std::int32_t{100}, std::int16_t{100});
            break;
        case 1:
            store.write("ForeColor", std::int32_t{0}, {});
            break;
        case 2:
            store.write("Caption", QString(), {});
            break;
        case 3:
            store.write("BackColor", Colour{0xFFFFFF}, std::int32_t{0xFFFFFF});
            break;
        case 4:
            store.write("Enabled", true, true);
            break;
        }
        QVERIFY(store.isEmpty());
    }

    void differentValuesAreKept() {
        PropertyStore store;
        store.write("Max", std::int32_t{10}, std::int16_t{100});
        store.write("Caption", QStringLiteral("Show Grid Lines"), QStringLiteral("Check1"));
        store.write("Enabled", false, true);
        QCOMPARE(store.entries().size(), 3);
        QCOMPARE(store.entries().at(0).key, QStringLiteral("Max"));
    }

    void keyWrittenTwiceIsKeptTwice() {
        PropertyStore store;
        store.write("Caption", QStringLiteral("Auto-Refresh Every"), QStringLiteral("ChkRefresh"));
        store.write("caption", QStringLiteral("Auto-Refresh Every"), QStringLiteral("Check1"));
        QCOMPARE(store.count("CAPTION"), 2);
    }

    void absentKeysReadTheirDefaults() {
        PropertyStore store;
        PropertyReader reader(store);
        QCOMPARE(reader.readInt32("Max", std::int16_t{100}), 100);
        QCOMPARE(reader.readText("Caption", QStringLiteral("Check1")), QStringLiteral("Check1"));
        QCOMPARE(reader.readBool("Enabled", true), true);
        QCOMPARE(reader.readColour("BackColor", std::int32_t{0xFFFFFF}).value, 0xFFFFFFu);
    }

    // A key saved twice with different values, one of them at its default, must load back into
    // the right fields whichever of the two writes was dropped.
    void repeatedKeyRoundTrips_data() {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("field");
        QTest::newRow("both kept") << 0xC0C0C0 << 0x123456;
        QTest::newRow("first dropped") << 0x800000 << 0x123456;
        QTest::newRow("second dropped") << 0xC0C0C0 << 0;
        QTest::newRow("both dropped") << 0x800000 << 0;
        QTest::newRow("equal") << 0 << 0;
    }
    void repeatedKeyRoundTrips() {
        QFETCH(int, shown);
        QFETCH(int, field);
        TwoColourControl original;
        original.shown = shown;
        original.field = field;
        original.value = 7;
        const PropertyStore saved = original.save();

        TwoColourControl loaded;
        loaded.load(saved);
        QCOMPARE(loaded.shown, shown);
        QCOMPARE(loaded.field, field);
        QCOMPARE(loaded.value, 7);
        QVERIFY(loaded.save() == saved);
    }

    void propertyChangedCarriesKey() {
        TwoColourControl control;
        QSignalSpy spy(&control, &HostedControl::propertyChanged);
        control.setValue(3);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Value"));
    }

    void modeAndAmbientFont() {
        ControlHost design(HostMode::Design);
        TwoColourControl control(nullptr, &design);
        QVERIFY(!control.isRunMode());
        QFont font(QStringLiteral("Serif"), 17);
        design.setAmbientFont(font);
        QCOMPARE(control.ambientFont().pointSize(), 17);
        QVERIFY(TwoColourControl().isRunMode());
        control.setObjectName(QStringLiteral("Check7"));
        QCOMPARE(control.displayName(), QStringLiteral("Check7"));
    }

    // A window may destroy its host object before the controls it still holds as children.
    void hostDestroyedBeforeItsControl() {
        auto* design = new ControlHost(HostMode::Design);
        design->setAmbientFont(QFont(QStringLiteral("Serif"), 17));
        TwoColourControl control(nullptr, design);
        QVERIFY(!control.isRunMode());
        delete design;
        QVERIFY(control.isRunMode());
        QCOMPARE(control.ambientFont(), ControlHost::runMode().ambientFont());
    }
};

QTEST_MAIN(TestPropertyStore)
#include "tst_propertystore.moc"

// links: tavren_host
// platforms: linux windows
#include "platform/host/Colours.h"
#include "platform/host/ControlArrays.h"
#include "platform/host/HostedControl.h"
#include "platform/host/PropertyStore.h"

#include <QApplication>
#include <QtTest>

using namespace host;

namespace {

// A control that records what its host told it.
class ListeningControl : public HostedControl {
    Q_OBJECT
public:
    using HostedControl::HostedControl;
    QStringList ambientNames;
    QString accessKeys;

protected:
    void readProperties(PropertyReader&) override {}
    void writeProperties(PropertyStore&) const override {}
    void ambientChanged(const QString& name) override { ambientNames << name; }
    void accessKeyPressed(QChar key) override { accessKeys += key; }
};

} // namespace

class TestControlHost : public QObject {
    Q_OBJECT
private slots:
    void resolveColorKeepsMinusOne_data() {
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("minus one") << 0xFFFFFFFFu << 0xFFFFFFFFu;
        QTest::newRow("plain colour") << 0x00ABCDEFu << 0x00ABCDEFu;
        QTest::newRow("button face") << 0x8000000Fu << 0x00030201u;
        QTest::newRow("window background") << 0x80000005u << 0x00060504u;
    }
    void resolveColorKeepsMinusOne() {
        QFETCH(quint32, colour);
        QFETCH(quint32, expected);
        const QPalette saved = QApplication::palette();
        QPalette p = saved;
        p.setColor(QPalette::Button, QColor(1, 2, 3));
        p.setColor(QPalette::Base, QColor(4, 5, 6));
        QApplication::setPalette(p);
        const Colour got = ResolveColor(Colour{colour});
        QApplication::setPalette(saved);
        QCOMPARE(got.value, expected);
    }

    void containerColoursAreAmbient() {
        ControlHost controlHost(HostMode::Design);
        QWidget form;
        QPalette p = form.palette();
        p.setColor(QPalette::Window, QColor(10, 20, 30));
        p.setColor(QPalette::WindowText, QColor(40, 50, 60));
        form.setPalette(p);
        ListeningControl control(&form, &controlHost);
        QCOMPARE(control.containerBackColour().value, 0x001E140Au);
        QCOMPARE(control.containerTextColour().value, 0x003C3228u);

        p.setColor(QPalette::Window, QColor(70, 80, 90));
        form.setPalette(p);
        p.setColor(QPalette::WindowText, QColor(1, 1, 1));
        p.setColor(QPalette::Window, QColor(2, 2, 2));
        form.setPalette(p);
        QCOMPARE(control.ambientNames, (QStringList{"BackColor", "BackColor", "ForeColor"}));
        QCOMPARE(control.containerBackColour().value, 0x00020202u);

        control.ambientNames.clear();
        const QPalette saved = QApplication::palette();
        QPalette app = saved;
        app.setColor(QPalette::Highlight, QColor(1, 2, 3));
        QApplication::setPalette(app);
        QApplication::setPalette(saved);
        QVERIFY(control.ambientNames.contains(QStringLiteral("Palette")));
        controlHost.notifyAmbientChanged(QStringLiteral("ForeColor"));
        QCOMPARE(control.ambientNames.last(), QStringLiteral("ForeColor"));
    }

    void displayNames() {
        QWidget form;
        ListeningControl control(&form);
        QCOMPARE(control.ambientDisplayName(), QString()); // no name: empty, never the class
        QCOMPARE(control.ownName(), QStringLiteral("ListeningControl"));
        control.setObjectName(QStringLiteral("Panel"));
        QCOMPARE(control.ambientDisplayName(), QStringLiteral("Panel"));
        setControlArrayIndex(&control, 0);
        QCOMPARE(control.ambientDisplayName(), QStringLiteral("Panel(0)"));
        QCOMPARE(findControl(&form, "Panel", 0), &control);
        QCOMPARE(findControl(&form, "Panel", std::nullopt), nullptr);
        QCOMPARE(findControl(&form, "Panel", 1), nullptr);
    }

    void accessKeyCarriesItsCharacter() {
        QWidget form;
        ListeningControl control(&form);
        control.setAccessKey(QLatin1Char('x'));
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_X, Qt::AltModifier);
        control.setAccessKey(QChar());
        QTest::keyClick(&form, Qt::Key_X, Qt::AltModifier);
        QCOMPARE(control.accessKeys, QStringLiteral("x"));
    }

    void mousePointers_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("withIcon");
        QTest::addColumn<int>("shape"); // -1: the window shows its parent's pointer
        QTest::newRow("default") << 0 << false << -1;
        QTest::newRow("I-beam") << 3 << false << int(Qt::IBeamCursor);
        QTest::newRow("hourglass") << 11 << false << int(Qt::WaitCursor);
        QTest::newRow("custom with icon") << 99 << true << int(Qt::BitmapCursor);
        QTest::newRow("custom without icon") << 99 << false << -1;
        QTest::newRow("unknown code") << 42 << false << -1;
    }
    void mousePointers() {
        QFETCH(int, code);
        QFETCH(bool, withIcon);
        QFETCH(int, shape);
        QWidget form;
        ListeningControl control(&form);
        control.setWindowMousePointer(11);
        QImage icon(32, 32, QImage::Format_ARGB32);
        icon.fill(Qt::green);
        control.setWindowMouseIcon(withIcon ? icon : QImage());
        control.setWindowMousePointer(std::int16_t(code));
        QCOMPARE(int(control.windowMousePointer()), code);
        QCOMPARE(control.testAttribute(Qt::WA_SetCursor), shape >= 0);
        if (shape >= 0)
            QCOMPARE(int(control.cursor().shape()), shape);
    }

    void writeAlwaysKeepsDefaults() {
        PropertyStore store;
        store.writeAlways("A", std::int32_t{0});
        store.writeAlways("B", QString());
        store.writeAlways("A", false);
        QCOMPARE(store.entries().size(), 3);
        PropertyReader reader(store);
        QCOMPARE(reader.readInt32("A", std::int32_t{5}), 0);
        QCOMPARE(reader.readText("B", "default"), QString());
        QCOMPARE(reader.readBool("A", true), false);
    }
};

QTEST_MAIN(TestControlHost)
#include "tst_controlhost.moc"

// links: tavren_button
// platforms: linux windows
#include "controls/button/CorvaneButton.h"
#include "platform/host/Colours.h"
#include "platform/host/ControlArrays.h"
#include "platform/host/MessageBoxService.h"
#include "platform/host/PropertyStore.h"
#include "platform/os/fake/FakeSystem.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QSignalSpy>
#include <QtTest>

using namespace controls;
using host::Colour;
using host::ControlHost;
using host::HostMode;
using Key = std::optional<QString>;
using SL = QStringList;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// Message boxes asked for while the recorder lives; every box is answered at once, also after.
struct MessageRecorder {
    QList<host::MessageBoxRequest> requests;
    MessageRecorder() {
        host::MessageBoxService::setObserver([this](const host::MessageBoxRequest& request) {
            requests << request;
            return QMessageBox::Ok;
        });
    }
    ~MessageRecorder() {
        host::MessageBoxService::setObserver([](const host::MessageBoxRequest&) { return QMessageBox::Ok; });
    }
    QStringList texts() const {
        QStringList t;
        for (const auto& r : requests)
            t << r.text;
        return t;
    }
};

QStringList marks(const QSignalSpy& spy) {
    QStringList keys;
    for (const auto& args : spy)
        keys << args.at(0).toString();
    return keys;
}

quint32 rgbOf(QPalette::ColorRole role) {
    return host::fromQColor(QApplication::palette().color(role)).value;
}

// Colours as plain numbers, so that values compare whatever their type.
QVariant normalised(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Colour>() ? QVariant(qulonglong(v.value<Colour>().value)) : v;
}

QVariant reading(const QObject& object, const char* name) {
    return normalised(object.property(name));
}

int area(const QRegion& region) {
    int n = 0;
    for (const QRect& rect : region)
        n += rect.width() * rect.height();
    return n;
}

const QString Refusal = "This option is not available for Windowx XP or Machintosh style buttons";
const QString NoGradients = "This option is not available on the following operating systems.\n\n"
                            " - Win NT 4 and lower\n - Windows 95 and earlier";
const QString Caution =
    "Caution: Using non-default may cause buttons to not display properly on other operating systems.";

} // namespace

class TestButton : public QObject {
    Q_OBJECT

    os::FakeSystem system;
    ControlHost designHost{HostMode::Design};
    ControlHost runHost{HostMode::Run};
    MessageRecorder quiet;

    std::unique_ptr<CorvaneButton> make(HostMode mode, QWidget* parent = nullptr) {
        auto button = std::make_unique<CorvaneButton>(&system, parent,
                                                      mode == HostMode::Design ? &designHost : &runHost);
        button->setObjectName(QStringLiteral("Command1"));
        button->create();
        return button;
    }

private slots:
    void init() { system.versionKey.reset(); }

    // Design-only properties ignore run-mode assignments; out-of-range and unchanged values are
    // ignored in either mode. Nothing ignored is marked.
    void ignoredAssignments_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("takenInDesign");
        for (const char* p : {"ButtonType", "ButtonStyle", "ColorScheme", "IconSize"})
            QTest::newRow(p) << p << QVariant(3) << true;
        for (const char* p : {"Alignment", "IconAlignmentValue", "CaptionOrientation"})
            QTest::newRow(p) << p << QVariant(p[0] == 'A' ? 0 : 1) << true;
        QTest::newRow("ShowFocus") << "ShowFocus" << QVariant(false) << true;
        QTest::newRow("ButtonType 9") << "ButtonType" << QVariant(9) << false;
        QTest::newRow("ButtonType unchanged") << "ButtonType" << QVariant(2) << false;
        QTest::newRow("ColorScheme 0") << "ColorScheme" << QVariant(0) << false;
        QTest::newRow("CaptionStyle 4") << "CaptionStyle" << QVariant(4) << false;
        QTest::newRow("CaptionOrientation -1") << "CaptionOrientation" << QVariant(-1) << false;
        QTest::newRow("Caption unchanged") << "Caption" << QVariant("Command1") << false;
    }
    void ignoredAssignments() {
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QFETCH(bool, takenInDesign);
        const QByteArray name = property.toLatin1();
        for (HostMode mode : {HostMode::Run, HostMode::Design}) {
            auto button = make(mode);
            const QVariant before = reading(*button, name);
            QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
            QVERIFY(button->setProperty(name, value));
            const bool taken = takenInDesign && mode == HostMode::Design;
            QCOMPARE(reading(*button, name), taken ? value : before);
            QCOMPARE(changed.isEmpty(), !taken);
        }
    }

    void colourSchemeRules_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("startScheme");
        QTest::addColumn<bool>("design");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<SL>("marked");
        QTest::addColumn<bool>("taken");
        const QVariant red = QVariant::fromValue(Colour{0x000000FF});
        QTest::newRow("BackColor, scheme 1")
            << "BackColor" << 1 << true << red << 2 << SL{"COLTYPE", "FCOL", "FCOLO", "BCOL"} << true;
        QTest::newRow("ForeColor, scheme 3")
            << "ForeColor" << 3 << true << red << 2 << SL{"COLTYPE", "BCOL", "FCOLO", "FCOL"} << true;
        QTest::newRow("MouseOver, scheme 4")
            << "MouseOver" << 4 << true << red << 2 << SL{"COLTYPE", "BCOL", "FCOL", "FCOLO"} << true;
        QTest::newRow("EmbossEngraveMid, scheme 1")
            << "EmbossEngraveMid" << 1 << true << red << 2
            << SL{"COLTYPE", "FCOL", "FCOLO", "BCOL", "EMBOSSS", "EMBOSSM"} << true;
        QTest::newRow("EmbossEngraveShadow, scheme 1")
            << "EmbossEngraveShadow" << 1 << true << red << 2
            << SL{"COLTYPE", "FCOL", "FCOLO", "BCOL", "EMBOSSM", "EMBOSSS"} << true;
        QTest::newRow("BackColor, scheme 5") << "BackColor" << 5 << true << red << 5 << SL{"BCOL"} << true;
        QTest::newRow("BackColor, scheme 1, run") << "BackColor" << 1 << false << red << 1 << SL{} << false;
        QTest::newRow("BackColor, scheme 2, run") << "BackColor" << 2 << false << red << 2 << SL{} << true;
        QTest::newRow("CaptionStyle, scheme 1")
            << "CaptionStyle" << 1 << true << QVariant(2) << 2
            << SL{"COLTYPE", "BCOL", "FCOL", "FCOLO", "EMBOSSM", "EMBOSSS", "STYLE"} << true;

        QTest::newRow("CaptionStyle, scheme 3, run")
            << "CaptionStyle" << 3 << false << QVariant(1) << 3 << SL{} << false;
        QTest::newRow("GradientStartColor, scheme 1")
            << "GradientStartColor" << 1 << true << red << 5
            << SL{"COLTYPE", "FCOL", "FCOLO", "BCOL", "GStop", "GStart"} << true;
        QTest::newRow("GradientStopColor, scheme 2")
            << "GradientStopColor" << 2 << true << red << 5
            << SL{"COLTYPE", "FCOL", "FCOLO", "BCOL", "GStart", "GStop"} << true;

        QTest::newRow("GradientStopColor, scheme 2, run")
            << "GradientStopColor" << 2 << false << red << 2 << SL{} << false;
        QTest::newRow("GradientStartColor, scheme 5, run")
            << "GradientStartColor" << 5 << false << red << 5 << SL{} << true;
        QTest::newRow("ColorScheme 1 to 2")
            << "ColorScheme" << 1 << true << QVariant(2) << 2
            << SL{"COLTYPE", "BCOL", "FCOL", "FCOLO", "EMBOSSM", "EMBOSSS"} << true;
        QTest::newRow("GradientOrientation, scheme 5")
            << "GradientOrientation" << 5 << true << QVariant(3) << 5 << SL{"GStyle"} << true;
        QTest::newRow("GradientOrientation, scheme 2: no range, no mark")
            << "GradientOrientation" << 2 << true << QVariant(7) << 2 << SL{} << true;
    }
    void colourSchemeRules() {
        QFETCH(QString, property);
        QFETCH(int, startScheme);
        QFETCH(bool, design);
        QFETCH(QVariant, value);
        QFETCH(int, scheme);
        QFETCH(SL, marked);
        QFETCH(bool, taken);
        const QByteArray name = property.toLatin1();
        auto button = make(HostMode::Design);
        button->setColorScheme(startScheme);
        QCOMPARE(button->colorScheme(), startScheme);
        if (!design)
            button->setHost(&runHost);
        const QVariant before = reading(*button, name);
        QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
        QVERIFY(button->setProperty(name, value));
        QCOMPARE(button->colorScheme(), scheme);
        QCOMPARE(marks(changed), marked);
        QCOMPARE(reading(*button, name), taken ? normalised(value) : before);
    }

    // A scheme without custom colours writes its own into BackColor, ForeColor and MouseOver.
    void schemeResetsCustomColours_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QList<quint32>>("colours"); // back, fore, mouse over
        QTest::newRow("fixed grey") << 3 << QList<quint32>{0x00C0C0C0, 0, 0};
        const quint32 text = rgbOf(QPalette::ButtonText);
        QTest::newRow("system") << 1 << QList<quint32>{rgbOf(QPalette::Button), text, text};
        // The container below is painted 0x00406080 with text 0x00FF0000.
        QTest::newRow("container") << 4 << QList<quint32>{0x00406080, 0x00FF0000, 0x00FF0000};
    }
    void schemeResetsCustomColours() {
        QFETCH(int, scheme);
        QFETCH(QList<quint32>, colours);
        QWidget frame;
        QPalette p = frame.palette();
        p.setColor(QPalette::Window, QColor(0x80, 0x60, 0x40));
        p.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
        frame.setPalette(p);
        auto button = make(HostMode::Design, &frame);
        button->setCaptionStyle(2); // switches to custom colours
        button->setBackColor(Colour{0x00010203});
        button->setForeColor(Colour{0x00040506});
        button->setMouseOver(Colour{0x00070809});
        button->setEmbossEngraveMid(Colour{0x000A0B0C});
        button->setEmbossEngraveShadow(Colour{0x000D0E0F});
        button->setColorScheme(scheme);
        QCOMPARE(button->captionStyle(), 0);
        const QList<quint32> got{button->backColor().value, button->foreColor().value,
                                 button->mouseOver().value};
        QCOMPARE(got, colours);
        QCOMPARE(button->embossEngraveMid().value, 0x00C0C0C0u);
        QCOMPARE(button->embossEngraveShadow().value, 0x00FFFFFFu);
        QCOMPARE(button->buttonPalette().FaceColor.value, colours[0]);
    }

    void colourReferenceIsStoredAsRgb() {
        auto button = make(HostMode::Design);
        button->setColorScheme(2);
        button->setHost(&runHost);
        const QPalette saved = QApplication::palette();
        QPalette p = saved;
        p.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56));
        QApplication::setPalette(p);
        button->setBackColor(Colour{0x8000000F}); // the system button face
        QApplication::setPalette(saved);
        QCOMPARE(button->backColor().value, 0x00563412u);
        QCOMPARE(button->buttonPalette().FaceColor.value, 0x00563412u);
    }

    void gradientRefusedOnRoundedLooks_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("design");
        QTest::addColumn<SL>("messages");
        QTest::newRow("type 3, design") << 3 << true << SL{Refusal, Refusal};
        QTest::newRow("type 8, design") << 8 << true << SL{Refusal, Refusal};
        QTest::newRow("type 3, run") << 3 << false << SL{};
    }
    void gradientRefusedOnRoundedLooks() {
        QFETCH(int, type);
        QFETCH(bool, design);
        QFETCH(SL, messages);
        auto button = make(HostMode::Design);
        button->setColorScheme(5);
        button->setButtonType(type); // the rounded looks leave the gradient scheme
        QCOMPARE(button->colorScheme(), 2);
        if (!design)
            button->setHost(&runHost);
        MessageRecorder recorder;
        button->setGradientStartColor(Colour{0x0000FF00});
        button->setGradientStopColor(Colour{0x0000FF00});
        QCOMPARE(button->gradientStartColor().value, 0u);
        QCOMPARE(button->gradientStopColor().value, 0x00FF0000u);
        QCOMPARE(button->colorScheme(), 2);
        QCOMPARE(recorder.texts(), messages);
        for (const auto& request : recorder.requests)
            QCOMPARE(request.icon, QMessageBox::Information);
    }

    // What the platform's version key decides: the automatic graphics mode, whether the
    // gradient scheme can be chosen, and whether a stored gradient scheme loads as such.
    void platforms_data() {
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("gradients");
        QTest::newRow("95") << Key("1.4.0") << 0 << false;
        QTest::newRow("98") << Key("1.4.10") << 0 << true;
        QTest::newRow("Me") << Key("1.4.90") << 0 << true;
        QTest::newRow("2000") << Key("2.5.0") << 0 << true;
        QTest::newRow("NT 3.51") << Key("2.3.51") << 2 << false;
        QTest::newRow("NT 4") << Key("2.4.0") << 1 << false;
        QTest::newRow("XP") << Key("2.5.1") << 0 << true;
        QTest::newRow("unknown") << Key("2.6.0") << 0 << true;
        QTest::newRow("failed query") << Key() << 0 << true;
    }
    void platforms() {
        QFETCH(Key, key);
        QFETCH(int, mode);
        QFETCH(bool, gradients);
        system.versionKey = key;
        auto button = make(HostMode::Design);
        QCOMPARE(button->graphicsMode(), mode);
        QCOMPARE(button->requestedGraphicsMode(), -1);
        MessageRecorder recorder;
        button->setColorScheme(5);
        QCOMPARE(button->colorScheme(), gradients ? 5 : 1);
        QCOMPARE(recorder.texts(), gradients ? SL{} : SL{NoGradients});

        // Stored values load as they are, out of range too; absent keys take their own values.
        host::PropertyStore store;
        store.write("COLTYPE", std::int32_t{5});
        store.write("BCOL", std::int32_t{0x00336699});
        store.write("BTYPE", std::int32_t{12});
        auto loaded = std::make_unique<CorvaneButton>(&system, nullptr, &runHost);
        loaded->load(store);
        QCOMPARE(loaded->colorScheme(), gradients ? 5 : 2);
        QCOMPARE(loaded->buttonPalette().FaceColor.value, 0x00336699u);
        QCOMPARE(loaded->graphicsMode(), mode);
        QCOMPARE(loaded->buttonType(), 12);
        QCOMPARE(loaded->caption(), QStringLiteral("CorvaneButton"));
        QCOMPARE(loaded->iconSize(), 2);

        // The mode is applied when a paint makes the caption font.
        loaded->resize(80, 30);
        loaded->show();
        QVERIFY(!loaded->isLayoutDirty());
        QVERIFY(!loaded->holdsCaptionFont());
        QCOMPARE(loaded->appliedGraphicsMode(), mode);
    }

    void graphicsMode_data() {
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("assigned");
        QTest::addColumn<int>("reads");
        QTest::newRow("NT 4, forced 2") << Key("2.4.0") << 2 << 2;
        QTest::newRow("NT 4, forced 0") << Key("2.4.0") << 0 << 0;
        QTest::newRow("NT 4, automatic") << Key("2.4.0") << -1 << 1;
        QTest::newRow("XP, forced 1") << Key("2.5.1") << 1 << 1;
    }
    void graphicsMode() {
        QFETCH(Key, key);
        QFETCH(int, assigned);
        QFETCH(int, reads);
        system.versionKey = key;
        for (HostMode mode : {HostMode::Design, HostMode::Run}) {
            auto button = make(mode);
            button->setGraphicsMode(7); // so that automatic is a change too
            MessageRecorder recorder;
            QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
            button->setGraphicsMode(assigned);
            QCOMPARE(button->graphicsMode(), reads);
            QCOMPARE(button->requestedGraphicsMode(), assigned);
            QCOMPARE(recorder.texts(), assigned >= 0 ? SL{Caution} : SL{});
            if (assigned >= 0)
                QCOMPARE(recorder.requests.first().icon, QMessageBox::Warning);
            QCOMPARE(marks(changed), mode == HostMode::Design ? SL{"GMODE"} : SL{});
        }
        // The platform is asked afresh every time.
        auto button = make(HostMode::Run);
        system.versionKey = QStringLiteral("2.3.51");
        button->setGraphicsMode(1);
        button->setGraphicsMode(-1);
        QCOMPARE(button->graphicsMode(), 2);
    }

    void saveThenLoadKeepsEveryProperty() {
        system.versionKey = QStringLiteral("2.4.0"); // automatic mode reads 1 here
        QWidget form;
        auto button = make(HostMode::Design, &form);
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QFont font(QStringLiteral("DejaVu Sans"), 13);
        font.setBold(true);
        button->setButtonType(6);
        button->setButtonStyle(3);
        button->setCaptionStyle(1);
        button->setBackColor(Colour{0x00102030});
        button->setForeColor(Colour{0x00405060});
        button->setMouseOver(Colour{0x00708090});
        button->setEmbossEngraveMid(Colour{0x00A0B0C0});
        button->setEmbossEngraveShadow(Colour{0x00D0E0F0});
        button->setGradientOrientation(2);
        button->setCaption(QStringLiteral("&Save && Exit"));
        button->setTextFont(font);
        button->setAlignment(2);
        button->setIcon(icon);
        button->setIconSize(3);
        button->setIconAlignmentValue(1);
        button->setButtonEnabled(false);
        button->setShowFocus(false);
        button->setOptionButton(true);
        button->setValue(true);
        button->setMousePointer(99);
        button->setMouseIcon(icon.scaled(32, 32));
        const host::PropertyStore store = button->save();

        QStringList keys;
        for (const auto& entry : store.entries())
            keys << entry.key;
        // Every key, defaults included, in the order saved designs have them.
        QCOMPARE(keys, (SL{"BTNICON",   "BTYPE",  "TX",      "ENAB",     "FONT",  "COLTYPE", "BCOL",
                           "FCOL",      "FCOLO",  "EMBOSSM", "EMBOSSS",  "MPTR",  "MICON",   "ALIGN",
                           "ICONAlign", "ORIENT", "STYLE",   "IconSize", "SHOWF", "BSTYLE",  "OPTVAL",
                           "OPTMOD",    "GStart", "GStop",   "GStyle",   "GMODE"}));
        QVERIFY(std::holds_alternative<std::int16_t>(store.find("MPTR")->value));
        QVERIFY(std::holds_alternative<std::int32_t>(store.find("BCOL")->value));
        QCOMPARE(std::get<std::int32_t>(store.find("GMODE")->value), -1);

        auto loaded = std::make_unique<CorvaneButton>(&system, &form, &designHost);
        loaded->load(store);
        const QMetaObject* meta = loaded->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const char* name = meta->property(i).name();
            if (meta->property(i).isStored())
                QVERIFY2(reading(*loaded, name) == reading(*button, name), name);
        }
        QCOMPARE(loaded->requestedGraphicsMode(), -1);
        QVERIFY(loaded->hasIcon());
        QVERIFY(!loaded->isEnabled());
        QCOMPARE(loaded->font(), font);
        QCOMPARE(loaded->accessKey(), QChar('s'));
        QCOMPARE(loaded->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(loaded->buttonPalette(), button->buttonPalette());
        QVERIFY(!loaded->isShown()); // nothing is painted until the host shows it
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(loaded.get());
        QCOMPARE(accessible->role(), QAccessible::RadioButton);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Save & Exit"));
        QVERIFY(accessible->state().checked && accessible->state().disabled);
    }

    void creation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::newRow("named") << "Command1" << -1 << "Command1";
        QTest::newRow("array element") << "Command1" << 2 << "Command1(2)";
        QTest::newRow("no display name") << "" << -1 << "CorvaneButton";
    }
    void creation() {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFont hostFont(QStringLiteral("DejaVu Sans"), 11);
        hostFont.setItalic(true);
        designHost.setAmbientFont(hostFont);
        CorvaneButton button(&system, nullptr, &designHost);
        button.setObjectName(name);
        if (index >= 0)
            host::setControlArrayIndex(&button, index);
        button.create();
        QCOMPARE(button.caption(), caption);
        // The host's font in the caption face.
        QCOMPARE(button.textFont().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(button.textFont().pointSize(), 11);
        QVERIFY(button.textFont().italic());
        QCOMPARE(button.font(), button.textFont());
        QCOMPARE(button.mouseOver().value, 0u);
        designHost.setAmbientFont(QApplication::font());
    }

    void container_data() {
        QTest::addColumn<QString>("holder"); // "" puts the button straight on the form
        QTest::addColumn<int>("holderIndex");
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<QString>("expected");
        QTest::newRow("on the form") << "" << -1 << "Option1" << -1 << "Form1";
        QTest::newRow("in a frame") << "Frame1" << -1 << "Option1" << -1 << "Frame1";
        QTest::newRow("in a frame array element") << "Panel" << 2 << "Option1" << -1 << "Panel(2)";
        QTest::newRow("element in an element") << "Panel" << 0 << "Option1" << 3 << "Panel(0)";
        QTest::newRow("element on the form") << "" << -1 << "Option1" << 1 << "Form1";
        QTest::newRow("unnamed button") << "Frame1" << -1 << "" << -1 << "Frame1";
    }
    void container() {
        QFETCH(QString, holder);
        QFETCH(int, holderIndex);
        QFETCH(QString, buttonName);
        QFETCH(int, buttonIndex);
        QFETCH(QString, expected);
        QWidget form;
        form.setObjectName(QStringLiteral("Form1"));
        QWidget* parent = &form;
        if (!holder.isEmpty()) {
            parent = new QFrame(&form);
            parent->setObjectName(holder);
            if (holderIndex >= 0)
                host::setControlArrayIndex(parent, holderIndex);
        }
        CorvaneButton button(&system, parent, &runHost);
        button.setObjectName(buttonName);
        if (buttonIndex >= 0)
            host::setControlArrayIndex(&button, buttonIndex);
        QCOMPARE(button.property("Container").toString(), expected);
    }

    void windowShapeFollowsEveryResize() {
        QWidget form;
        auto button = make(HostMode::Design, &form);
        button->resize(100, 30);
        button->setButtonType(3);
        QVERIFY(button->mask().isEmpty()); // not shown yet: no shape
        form.show();
        QCOMPARE(button->mask(), button->region());
        QCOMPARE(area(button->mask()), 100 * 30 - 12);
        button->resize(60, 20);
        QCOMPARE(area(button->mask()), 60 * 20 - 12);
        QVERIFY(!button->mask().contains(QPoint(59, 19)));
        button->setCaptionOrientation(1);
        QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
        button->setButtonStyle(2); // segments take horizontal captions only
        QCOMPARE(button->captionOrientation(), 0);
        QCOMPARE(marks(changed), (SL{"ORIENT", "BSTYLE"}));
        QCOMPARE(button->mask(), QRegion(ButtonOutline(2, 60, 20), Qt::WindingFill));
        button->setButtonStyle(0);
        button->setButtonType(2);
        QCOMPARE(area(button->mask()), 60 * 20);
    }

    void ambientChanges_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<bool>("faceFollowsContainer");
        QTest::newRow("container scheme") << 4 << true;
        QTest::newRow("custom scheme") << 2 << false;
    }
    void ambientChanges() {
        QFETCH(int, scheme);
        QFETCH(bool, faceFollowsContainer);
        QWidget form;
        auto button = make(HostMode::Design, &form);
        button->setColorScheme(scheme);
        const Colour before = button->buttonPalette().FaceColor;
        QPalette p = form.palette();
        p.setColor(QPalette::Window, QColor(0x11, 0x22, 0x33));
        form.setPalette(p);
        QCOMPARE(button->buttonPalette().FaceColor, faceFollowsContainer ? Colour{0x00332211} : before);

        QFont hostFont(QStringLiteral("DejaVu Serif"), 15);
        designHost.setAmbientFont(hostFont);
        QCOMPARE(button->textFont(), hostFont);
        QCOMPARE(button->font(), hostFont);
        // The caption font is made again from the new one.
        QCOMPARE(button->captionFontRecord().faceName, QByteArray("DejaVu Serif"));
        designHost.setAmbientFont(QApplication::font());
    }
};

QTEST_MAIN(TestButton)
#include "tst_button.moc"

// links: tavren_button
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

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// Answers every message box at once, so that no test waits on a modal window.
void answerMessagesQuietly() {
    host::MessageBoxService::setObserver([](const host::MessageBoxRequest&) { return QMessageBox::Ok; });
}

// Message boxes the button asked for while the recorder lived.
struct MessageRecorder {
    QList<host::MessageBoxRequest> requests;
    MessageRecorder() {
        host::MessageBoxService::setObserver([this](const host::MessageBoxRequest& request) {
            requests << request;
            return QMessageBox::Ok;
        });
    }
    ~MessageRecorder() { answerMessagesQuietly(); }
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
    if (v.metaType() == QMetaType::fromType<Colour>())
        return QVariant(qulonglong(v.value<Colour>().value));
    return v;
}

QVariant reading(const QObject& object, const char* name) {
    return normalised(object.property(name));
}

const QString Refusal =
    QStringLiteral("This option is not available for Windowx XP or Machintosh style buttons");
const QString NoGradients =
    QStringLiteral("This option is not available on the following operating systems.\n\n"
                   " - Win NT 4 and lower\n - Windows 95 and earlier");
const QString Caution = QStringLiteral(
    "Caution: Using non-default may cause buttons to not display properly on other operating systems.");

} // namespace

class TestButton : public QObject {
    Q_OBJECT

    os::FakeSystem system;
    ControlHost designHost{HostMode::Design};
    ControlHost runHost{HostMode::Run};

    std::unique_ptr<CorvaneButton> make(HostMode mode, QWidget* parent = nullptr) {
        auto button = std::make_unique<CorvaneButton>(&system, parent,
                                                      mode == HostMode::Design ? &designHost : &runHost);
        button->setObjectName(QStringLiteral("Command1"));
        button->create();
        return button;
    }

private slots:
    void initTestCase() { answerMessagesQuietly(); }
    void init() { system.versionKey.reset(); }

    void designOnlyProperties_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("ButtonType") << "ButtonType" << QVariant(5);
        QTest::newRow("ButtonStyle") << "ButtonStyle" << QVariant(2);
        QTest::newRow("ColorScheme") << "ColorScheme" << QVariant(3);
        QTest::newRow("Alignment") << "Alignment" << QVariant(0);
        QTest::newRow("IconAlignmentValue") << "IconAlignmentValue" << QVariant(1);
        QTest::newRow("IconSize") << "IconSize" << QVariant(4);
        QTest::newRow("CaptionOrientation") << "CaptionOrientation" << QVariant(2);
        QTest::newRow("ShowFocus") << "ShowFocus" << QVariant(false);
    }
    void designOnlyProperties() {
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        const QByteArray name = property.toLatin1();
        for (HostMode mode : {HostMode::Run, HostMode::Design}) {
            auto button = make(mode);
            const QVariant before = reading(*button, name);
            QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
            QVERIFY(button->setProperty(name, value));
            if (mode == HostMode::Run) {
                QCOMPARE(reading(*button, name), before);
                QCOMPARE(changed.count(), 0);
            } else {
                QCOMPARE(reading(*button, name), value);
                QVERIFY(changed.count() > 0);
            }
        }
    }

    void outOfRangeAndUnchangedValuesAreIgnored_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("ButtonType 0") << "ButtonType" << QVariant(0);
        QTest::newRow("ButtonType 9") << "ButtonType" << QVariant(9);
        QTest::newRow("ButtonType unchanged") << "ButtonType" << QVariant(2);
        QTest::newRow("ButtonStyle 4") << "ButtonStyle" << QVariant(4);
        QTest::newRow("ColorScheme 6") << "ColorScheme" << QVariant(6);
        QTest::newRow("CaptionStyle 4") << "CaptionStyle" << QVariant(4);
        QTest::newRow("Alignment 3") << "Alignment" << QVariant(3);
        QTest::newRow("CaptionOrientation -1") << "CaptionOrientation" << QVariant(-1);
        QTest::newRow("IconSize 5") << "IconSize" << QVariant(5);
        QTest::newRow("IconAlignmentValue 2") << "IconAlignmentValue" << QVariant(2);
        QTest::newRow("Caption unchanged") << "Caption" << QVariant(QStringLiteral("Command1"));
    }
    void outOfRangeAndUnchangedValuesAreIgnored() {
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        const QByteArray name = property.toLatin1();
        auto button = make(HostMode::Design);
        const QVariant before = reading(*button, name);
        QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
        button->setProperty(name, value);
        QCOMPARE(reading(*button, name), before);
        QCOMPARE(changed.count(), 0);
    }

    void colourSchemeRules_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("startScheme");
        QTest::addColumn<bool>("design");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<bool>("taken");
        const QVariant red = QVariant::fromValue(Colour{0x000000FF});
        const QStringList none;
        QTest::newRow("BackColor, system scheme, design")
            << "BackColor" << 1 << true << red << 2 << QStringList{"COLTYPE", "FCOL", "FCOLO", "BCOL"}
            << true;
        QTest::newRow("ForeColor, grey scheme, design")
            << "ForeColor" << 3 << true << red << 2 << QStringList{"COLTYPE", "BCOL", "FCOLO", "FCOL"}
            << true;
        QTest::newRow("MouseOver, container scheme, design")
            << "MouseOver" << 4 << true << red << 2 << QStringList{"COLTYPE", "BCOL", "FCOL", "FCOLO"}
            << true;
        QTest::newRow("EmbossEngraveMid, system scheme, design")
            << "EmbossEngraveMid" << 1 << true << red << 2
            << QStringList{"COLTYPE", "FCOL", "FCOLO", "BCOL", "EMBOSSS", "EMBOSSM"} << true;
        QTest::newRow("EmbossEngraveShadow, system scheme, design")
            << "EmbossEngraveShadow" << 1 << true << red << 2
            << QStringList{"COLTYPE", "FCOL", "FCOLO", "BCOL", "EMBOSSM", "EMBOSSS"} << true;
        QTest::newRow("BackColor, custom scheme, design")
            << "BackColor" << 2 << true << red << 2 << QStringList{"BCOL"} << true;
        QTest::newRow("BackColor, gradient scheme, design")
            << "BackColor" << 5 << true << red << 5 << QStringList{"BCOL"} << true;
        QTest::newRow("BackColor, system scheme, run")
            << "BackColor" << 1 << false << red << 1 << none << false;
        QTest::newRow("BackColor, custom scheme, run")
            << "BackColor" << 2 << false << red << 2 << none << true;
        QTest::newRow("CaptionStyle, system scheme, design")
            << "CaptionStyle" << 1 << true << QVariant(2) << 2
            << QStringList{"COLTYPE", "BCOL", "FCOL", "FCOLO", "EMBOSSM", "EMBOSSS", "STYLE"} << true;
        QTest::newRow("CaptionStyle, custom scheme, design")
            << "CaptionStyle" << 2 << true << QVariant(3) << 2 << QStringList{"STYLE"} << true;
        QTest::newRow("CaptionStyle, grey scheme, run")
            << "CaptionStyle" << 3 << false << QVariant(1) << 3 << none << false;
        QTest::newRow("GradientStartColor, system scheme, design")
            << "GradientStartColor" << 1 << true << red << 5
            << QStringList{"COLTYPE", "FCOL", "FCOLO", "BCOL", "GStop", "GStart"} << true;
        QTest::newRow("GradientStopColor, custom scheme, design")
            << "GradientStopColor" << 2 << true << red << 5
            << QStringList{"COLTYPE", "FCOL", "FCOLO", "BCOL", "GStart", "GStop"} << true;
        QTest::newRow("GradientStopColor, gradient scheme, design")
            << "GradientStopColor" << 5 << true << red << 5 << QStringList{"GStop"} << true;
        QTest::newRow("GradientStopColor, custom scheme, run")
            << "GradientStopColor" << 2 << false << red << 2 << none << false;
        QTest::newRow("GradientStartColor, gradient scheme, run")
            << "GradientStartColor" << 5 << false << red << 5 << none << true;
        QTest::newRow("ColorScheme, system to custom")
            << "ColorScheme" << 1 << true << QVariant(2) << 2
            << QStringList{"COLTYPE", "BCOL", "FCOL", "FCOLO", "EMBOSSM", "EMBOSSS"} << true;
        QTest::newRow("GradientOrientation, gradient scheme, design")
            << "GradientOrientation" << 5 << true << QVariant(3) << 5 << QStringList{"GStyle"} << true;
        QTest::newRow("GradientOrientation, custom scheme, design: stored unmarked")
            << "GradientOrientation" << 2 << true << QVariant(7) << 2 << none << true;
    }
    void colourSchemeRules() {
        QFETCH(QString, property);
        QFETCH(int, startScheme);
        QFETCH(bool, design);
        QFETCH(QVariant, value);
        QFETCH(int, scheme);
        QFETCH(QStringList, marked);
        QFETCH(bool, taken);
        const QByteArray name = property.toLatin1();

        auto button = make(HostMode::Design);
        button->setColorScheme(startScheme);
        QCOMPARE(button->colorScheme(), startScheme);
        if (!design)
            button->setHost(&runHost);
        const QVariant before = reading(*button, name);

        MessageRecorder messages;
        QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
        QVERIFY(button->setProperty(name, value));
        QCOMPARE(button->colorScheme(), scheme);
        QCOMPARE(marks(changed), marked);
        QCOMPARE(reading(*button, name) != before, taken);
        if (taken)
            QCOMPARE(reading(*button, name), normalised(value));
        QCOMPARE(messages.requests.size(), 0);
    }

    void schemeResetsCustomColours_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<quint32>("back");
        QTest::addColumn<quint32>("fore");
        QTest::addColumn<quint32>("mouseOver");
        QTest::newRow("fixed grey") << 3 << 0x00C0C0C0u << 0u << 0u;
        QTest::newRow("system") << 1 << rgbOf(QPalette::Button) << rgbOf(QPalette::ButtonText)
                                << rgbOf(QPalette::ButtonText);
        // The container below is painted 0x00406080 with text 0x00FF0000.
        QTest::newRow("container") << 4 << 0x00406080u << 0x00FF0000u << 0x00FF0000u;
    }
    void schemeResetsCustomColours() {
        QFETCH(int, scheme);
        QFETCH(quint32, back);
        QFETCH(quint32, fore);
        QFETCH(quint32, mouseOver);
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
        QCOMPARE(button->colorScheme(), 2);

        button->setColorScheme(scheme);
        QCOMPARE(button->colorScheme(), scheme);
        QCOMPARE(button->captionStyle(), 0);
        QCOMPARE(button->backColor().value, back);
        QCOMPARE(button->foreColor().value, fore);
        QCOMPARE(button->mouseOver().value, mouseOver);
        QCOMPARE(button->embossEngraveMid().value, 0x00C0C0C0u);
        QCOMPARE(button->embossEngraveShadow().value, 0x00FFFFFFu);
        QCOMPARE(button->buttonPalette().FaceColor.value, back);
        QCOMPARE(button->buttonPalette().TextColor.value, fore);
    }

    void colourReferencesAreStoredAsRgb_data() {
        QTest::addColumn<quint32>("assigned");
        QTest::addColumn<quint32>("stored");
        QTest::newRow("button face reference") << 0x8000000Fu << 0x00563412u;
        QTest::newRow("button text reference") << 0x80000012u << 0x00ABCDEFu;
        QTest::newRow("minus one stays") << 0xFFFFFFFFu << 0xFFFFFFFFu;
        QTest::newRow("plain colour") << 0x00102030u << 0x00102030u;
    }
    void colourReferencesAreStoredAsRgb() {
        QFETCH(quint32, assigned);
        QFETCH(quint32, stored);
        auto button = make(HostMode::Design);
        button->setColorScheme(2);
        // Run mode: the custom scheme already in force lets the colour in.
        button->setHost(&runHost);
        const QPalette saved = QApplication::palette();
        QPalette p = saved;
        p.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56));
        p.setColor(QPalette::ButtonText, QColor(0xEF, 0xCD, 0xAB));
        QApplication::setPalette(p);
        button->setBackColor(Colour{assigned});
        QApplication::setPalette(saved);
        QCOMPARE(button->backColor().value, stored);
        QCOMPARE(button->buttonPalette().FaceColor.value, stored);
    }

    void gradientRefusedOnRoundedLooks_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("design");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("type 3, design") << 3 << true << QStringList{Refusal};
        QTest::newRow("type 8, design") << 8 << true << QStringList{Refusal};
        QTest::newRow("type 3, run") << 3 << false << QStringList{};
    }
    void gradientRefusedOnRoundedLooks() {
        QFETCH(int, type);
        QFETCH(bool, design);
        QFETCH(QStringList, messages);
        auto button = make(HostMode::Design);
        button->setButtonType(type);
        if (!design)
            button->setHost(&runHost);
        MessageRecorder recorder;
        for (const char* property : {"GradientStartColor", "GradientStopColor"}) {
            const QVariant before = reading(*button, property);
            button->setProperty(property, QVariant::fromValue(Colour{0x0000FF00}));
            QCOMPARE(reading(*button, property), before);
        }
        QCOMPARE(button->colorScheme(), 1);
        QCOMPARE(recorder.texts(), messages + messages);
        for (const auto& request : recorder.requests) {
            QCOMPARE(request.icon, QMessageBox::Information);
            QCOMPARE(request.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }

    void roundedLooksLeaveTheGradientScheme_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("scheme");
        QTest::newRow("type 3") << 3 << 2;
        QTest::newRow("type 8") << 8 << 2;
        QTest::newRow("type 4 keeps it") << 4 << 5;
    }
    void roundedLooksLeaveTheGradientScheme() {
        QFETCH(int, type);
        QFETCH(int, scheme);
        auto button = make(HostMode::Design);
        button->setColorScheme(5);
        button->setButtonType(type);
        QCOMPARE(button->colorScheme(), scheme);
    }

    void gradientSchemeNeedsThePlatform_data() {
        QTest::addColumn<std::optional<QString>>("key");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("NT 4") << std::optional<QString>("2.4.0") << 1 << QStringList{NoGradients};
        QTest::newRow("95") << std::optional<QString>("1.4.0") << 1 << QStringList{NoGradients};
        QTest::newRow("XP") << std::optional<QString>("2.5.1") << 5 << QStringList{};
        QTest::newRow("unknown platform") << std::optional<QString>("2.6.0") << 5 << QStringList{};
        QTest::newRow("failed query") << std::optional<QString>() << 5 << QStringList{};
    }
    void gradientSchemeNeedsThePlatform() {
        QFETCH(std::optional<QString>, key);
        QFETCH(int, scheme);
        QFETCH(QStringList, messages);
        system.versionKey = key;
        auto button = make(HostMode::Design);
        MessageRecorder recorder;
        QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
        button->setColorScheme(5);
        QCOMPARE(button->colorScheme(), scheme);
        QCOMPARE(recorder.texts(), messages);
        QCOMPARE(changed.isEmpty(), scheme != 5);
    }

    void graphicsMode_data() {
        QTest::addColumn<std::optional<QString>>("key");
        QTest::addColumn<int>("atCreation");
        QTest::addColumn<int>("assigned");
        QTest::addColumn<bool>("caution");
        QTest::addColumn<int>("reads");
        QTest::newRow("NT 4, forced 2") << std::optional<QString>("2.4.0") << 1 << 2 << true << 2;
        QTest::newRow("NT 4, forced 0") << std::optional<QString>("2.4.0") << 1 << 0 << true << 0;
        QTest::newRow("NT 3.51, automatic") << std::optional<QString>("2.3.51") << 2 << -1 << false << 2;
        QTest::newRow("XP, forced 1") << std::optional<QString>("2.5.1") << 0 << 1 << true << 1;
        QTest::newRow("unknown, automatic") << std::optional<QString>("2.6.0") << 0 << -1 << false << 0;
        QTest::newRow("failed query, forced 2") << std::optional<QString>() << 0 << 2 << true << 2;
    }
    void graphicsMode() {
        QFETCH(std::optional<QString>, key);
        QFETCH(int, atCreation);
        QFETCH(int, assigned);
        QFETCH(bool, caution);
        QFETCH(int, reads);
        system.versionKey = key;
        for (HostMode mode : {HostMode::Design, HostMode::Run}) {
            auto button = make(mode);
            QCOMPARE(button->graphicsMode(), atCreation);
            QCOMPARE(button->requestedGraphicsMode(), -1);
            // Start from a forced mode, so that automatic is a change too.
            button->setGraphicsMode(7);
            MessageRecorder recorder;
            QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
            button->setGraphicsMode(assigned);
            QCOMPARE(button->graphicsMode(), reads);
            QCOMPARE(button->requestedGraphicsMode(), assigned);
            QCOMPARE(recorder.texts(), caution ? QStringList{Caution} : QStringList{});
            if (caution)
                QCOMPARE(recorder.requests.first().icon, QMessageBox::Warning);
            QCOMPARE(marks(changed), mode == HostMode::Design ? QStringList{"GMODE"} : QStringList{});
        }
    }

    void savesEveryPropertyInOrder() {
        auto button = make(HostMode::Design);
        const host::PropertyStore store = button->save();
        QStringList keys;
        for (const auto& entry : store.entries())
            keys << entry.key;
        // Every key, defaults included, in the order the saved designs have them.
        QCOMPARE(keys,
                 (QStringList{"BTNICON",   "BTYPE",  "TX",      "ENAB",     "FONT",  "COLTYPE", "BCOL",
                              "FCOL",      "FCOLO",  "EMBOSSM", "EMBOSSS",  "MPTR",  "MICON",   "ALIGN",
                              "ICONAlign", "ORIENT", "STYLE",   "IconSize", "SHOWF", "BSTYLE",  "OPTVAL",
                              "OPTMOD",    "GStart", "GStop",   "GStyle",   "GMODE"}));
        QVERIFY(std::holds_alternative<std::int16_t>(store.find("MPTR")->value));
        QVERIFY(std::holds_alternative<std::int32_t>(store.find("BCOL")->value));
        QVERIFY(std::holds_alternative<bool>(store.find("ENAB")->value));
        QCOMPARE(std::get<std::int32_t>(store.find("GMODE")->value), -1);
    }

    void saveThenLoadKeepsEveryProperty() {
        system.versionKey = QStringLiteral("2.4.0"); // automatic mode reads 1 here
        QWidget form;
        auto button = make(HostMode::Design, &form);
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QImage pointer(32, 32, QImage::Format_ARGB32);
        pointer.fill(Qt::blue);
        QFont font(QStringLiteral("DejaVu Sans"), 13);
        font.setBold(true);

        MessageRecorder quiet;
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
        button->setMouseIcon(pointer);
        const host::PropertyStore store = button->save();

        auto loaded = std::make_unique<CorvaneButton>(&system, &form, &designHost);
        loaded->load(store);
        const QMetaObject* meta = loaded->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const char* name = meta->property(i).name();
            if (!meta->property(i).isStored())
                continue;
            QVERIFY2(reading(*loaded, name) == reading(*button, name), name);
        }
        QCOMPARE(loaded->requestedGraphicsMode(), -1);
        QCOMPARE(loaded->graphicsMode(), 1);
        QCOMPARE(loaded->hasIcon(), true);
        QCOMPARE(loaded->isEnabled(), false);
        QCOMPARE(loaded->font(), font);
        QCOMPARE(loaded->accessKey(), QChar('s'));
        QCOMPARE(loaded->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(loaded->buttonPalette(), button->buttonPalette());
        // Nothing is painted until the host shows it.
        QVERIFY(!loaded->isShown());
    }

    void loadTakesValuesAsStored() {
        host::PropertyStore store;
        store.write("BTYPE", std::int32_t{12});
        store.write("ALIGN", std::int32_t{-4});
        store.write("GMODE", std::int32_t{2});
        store.write("TX", QStringLiteral("Go"));
        auto button = std::make_unique<CorvaneButton>(&system, nullptr, &runHost);
        button->load(store);
        QCOMPARE(button->buttonType(), 12);
        QCOMPARE(button->alignment(), -4);
        QCOMPARE(button->graphicsMode(), 2);
        QCOMPARE(button->caption(), QStringLiteral("Go"));
        // Absent keys take their own values: the own name, the system colours, the face
        // colour for the emboss middle.
        host::PropertyStore empty;
        button->load(empty);
        QCOMPARE(button->caption(), QStringLiteral("CorvaneButton"));
        QCOMPARE(button->buttonType(), 2);
        QCOMPARE(button->backColor().value, rgbOf(QPalette::Button));
        QCOMPARE(button->embossEngraveMid().value, 0x00C0C0C0u); // the system scheme writes it
        QCOMPARE(button->iconSize(), 2);
        QVERIFY(button->showFocus());
    }

    void gradientDesignLoadsWhereThePlatformDrawsIt_data() {
        QTest::addColumn<std::optional<QString>>("key");
        QTest::addColumn<int>("scheme");
        QTest::newRow("NT 4") << std::optional<QString>("2.4.0") << 2;
        QTest::newRow("NT 3.51") << std::optional<QString>("2.3.51") << 2;
        QTest::newRow("95") << std::optional<QString>("1.4.0") << 2;
        QTest::newRow("98") << std::optional<QString>("1.4.10") << 5;
        QTest::newRow("XP") << std::optional<QString>("2.5.1") << 5;
        QTest::newRow("failed query") << std::optional<QString>() << 5;
    }
    void gradientDesignLoadsWhereThePlatformDrawsIt() {
        QFETCH(std::optional<QString>, key);
        QFETCH(int, scheme);
        host::PropertyStore store;
        store.write("COLTYPE", std::int32_t{5});
        store.write("BCOL", std::int32_t{0x00336699});
        system.versionKey = key;
        auto button = std::make_unique<CorvaneButton>(&system, nullptr, &runHost);
        button->load(store);
        QCOMPARE(button->colorScheme(), scheme);
        QCOMPARE(button->buttonPalette().FaceColor.value, 0x00336699u);
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
        system.versionKey = QStringLiteral("2.4.0");
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
        QCOMPARE(button.graphicsMode(), 1);
        QCOMPARE(button.requestedGraphicsMode(), -1);
        QCOMPARE(button.mouseOver().value, 0u);
        QCOMPARE(button.gradientStopColor().value, 0x00FF0000u);
        QCOMPARE(button.embossEngraveShadow().value, 0x00FFFFFFu);
        QVERIFY(button.isButtonEnabled());
        QVERIFY(button.showFocus());
        designHost.setAmbientFont(QApplication::font());
    }

    void container_data() {
        QTest::addColumn<QString>("holder");  // "" puts the button straight on the form
        QTest::addColumn<int>("holderIndex"); // -1: no index
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<QString>("expected");
        QTest::newRow("on the form") << "" << -1 << "Option1" << -1 << "Form1";
        QTest::newRow("in a frame") << "Frame1" << -1 << "Option1" << -1 << "Frame1";
        QTest::newRow("in a frame array element") << "Panel" << 2 << "Option1" << -1 << "Panel(2)";
        QTest::newRow("array element in an array element") << "Panel" << 0 << "Option1" << 3 << "Panel(0)";
        QTest::newRow("array element on the form") << "" << -1 << "Option1" << 1 << "Form1";
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
            auto* frame = new QFrame(&form);
            frame->setObjectName(holder);
            if (holderIndex >= 0)
                host::setControlArrayIndex(frame, holderIndex);
            parent = frame;
        }
        CorvaneButton button(&system, parent, &runHost);
        button.setObjectName(buttonName);
        if (buttonIndex >= 0)
            host::setControlArrayIndex(&button, buttonIndex);
        QCOMPARE(button.container(), expected);
        QCOMPARE(button.property("Container").toString(), expected);
    }

    void windowShapeFollowsEveryResize() {
        QWidget form;
        auto button = make(HostMode::Design, &form);
        button->resize(100, 30);
        QVERIFY(button->mask().isEmpty()); // not shown yet: no shape
        button->setButtonType(3);
        form.show();
        const auto area = [](const QRegion& r) {
            int n = 0;
            for (const QRect& rect : r)
                n += rect.width() * rect.height();
            return n;
        };
        QCOMPARE(button->mask(), button->region());
        QCOMPARE(area(button->mask()), 100 * 30 - 12);
        button->resize(60, 20);
        QCOMPARE(area(button->mask()), 60 * 20 - 12);
        QVERIFY(!button->mask().contains(QPoint(59, 19)));
        button->setButtonStyle(2);
        QCOMPARE(button->mask(), QRegion(ButtonOutline(2, 60, 20), Qt::WindingFill));
        button->setButtonStyle(0);
        button->setButtonType(2);
        QCOMPARE(area(button->mask()), 60 * 20);
    }

    void segmentedStylesTakeHorizontalCaptions() {
        auto button = make(HostMode::Design);
        button->setCaptionOrientation(1);
        QSignalSpy changed(button.get(), &host::HostedControl::propertyChanged);
        button->setButtonStyle(1);
        QCOMPARE(button->captionOrientation(), 0);
        QCOMPARE(marks(changed), (QStringList{"ORIENT", "BSTYLE"}));
        // The other way round nothing is checked.
        button->setCaptionOrientation(2);
        QCOMPARE(button->captionOrientation(), 2);
    }

    void ambientChanges_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<bool>("faceFollowsContainer");
        QTest::newRow("container scheme follows") << 4 << true;
        QTest::newRow("custom scheme keeps its face") << 2 << false;
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
        // The caption is laid out again with the new font.
        QCOMPARE(button->captionFontRecord().faceName, QByteArray("DejaVu Serif"));
        designHost.setAmbientFont(QApplication::font());
    }

    void captionFontFollowsOrientationAndMode() {
        system.versionKey = QStringLiteral("2.3.51");
        auto button = make(HostMode::Run);
        QFont font(QStringLiteral("DejaVu Sans"), 10);
        font.setBold(true);
        button->setTextFont(font);
        button->resize(80, 30);
        button->show();
        // The paint rebuilt the caption font for the changed font and released it.
        QVERIFY(!button->isLayoutDirty());
        QVERIFY(!button->holdsCaptionFont());
        QCOMPARE(button->appliedGraphicsMode(), 2);
        QCOMPARE(button->captionFontRecord().escapement, 0);
        QCOMPARE(button->captionFontRecord().weight, 700);
        QCOMPARE(button->captionFontRecord().faceName, QByteArray("DejaVu Sans"));
    }

    void mousePointers_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("withIcon");
        QTest::addColumn<int>("shape"); // -1: the window shows its parent's pointer
        QTest::newRow("default") << 0 << false << -1;
        QTest::newRow("cross") << 2 << false << int(Qt::CrossCursor);
        QTest::newRow("I-beam") << 3 << false << int(Qt::IBeamCursor);
        QTest::newRow("size north-south") << 7 << false << int(Qt::SizeVerCursor);
        QTest::newRow("hourglass") << 11 << false << int(Qt::WaitCursor);
        QTest::newRow("no drop") << 12 << false << int(Qt::ForbiddenCursor);
        QTest::newRow("custom with icon") << 99 << true << int(Qt::BitmapCursor);
        QTest::newRow("custom without icon") << 99 << false << -1;
        QTest::newRow("unknown code") << 42 << false << -1;
    }
    void mousePointers() {
        QFETCH(int, code);
        QFETCH(bool, withIcon);
        QFETCH(int, shape);
        QWidget form;
        auto button = make(HostMode::Run, &form);
        button->setMousePointer(11);
        if (withIcon) {
            QImage icon(32, 32, QImage::Format_ARGB32);
            icon.fill(Qt::green);
            button->setMouseIcon(icon);
        }
        button->setMousePointer(std::int16_t(code));
        QCOMPARE(int(button->mousePointer()), code);
        QCOMPARE(button->testAttribute(Qt::WA_SetCursor), shape >= 0);
        if (shape >= 0)
            QCOMPARE(int(button->cursor().shape()), shape);
    }

    void accessKeyFollowsTheCaption() {
        auto button = make(HostMode::Run);
        button->setCaption(QStringLiteral("Save && E&xit"));
        QCOMPARE(button->accessKey(), QChar('x'));
        QCOMPARE(button->accessKeyPosition(), 9);
        QCOMPARE(button->accessibleName(), QStringLiteral("Save & Exit"));
        button->setCaption(QStringLiteral("&Save && Exit"));
        QCOMPARE(button->accessKey(), QChar('s'));
        button->setCaption(QStringLiteral("Save"));
        QVERIFY(button->accessKey().isNull());
        QCOMPARE(button->accessKeyPosition(), 0);
    }

    void readableByAssistiveTechnology_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("value");
        QTest::addColumn<int>("role");
        QTest::newRow("command button") << false << false << int(QAccessible::Button);
        QTest::newRow("selected option button") << true << true << int(QAccessible::RadioButton);
        QTest::newRow("unselected option button") << true << false << int(QAccessible::RadioButton);
    }
    void readableByAssistiveTechnology() {
        QFETCH(bool, option);
        QFETCH(bool, value);
        QFETCH(int, role);
        QWidget form;
        auto button = make(HostMode::Run, &form);
        button->setCaption(QStringLiteral("Save && E&xit"));
        button->setOptionButton(option);
        button->setValue(value);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button.get());
        QVERIFY(accessible);
        QCOMPARE(int(accessible->role()), role);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Save & Exit"));
        QCOMPARE(bool(accessible->state().checked), option && value);
        button->setButtonEnabled(false);
        QVERIFY(accessible->state().disabled);
    }

    void versionIsAskedEveryTime() {
        system.versionKey = QStringLiteral("2.5.1");
        auto button = make(HostMode::Design);
        const int before = system.versionKeyCalls;
        button->setGraphicsMode(-1); // unchanged: asks nothing
        button->setGraphicsMode(1);
        button->setGraphicsMode(-1);
        system.versionKey = QStringLiteral("2.4.0");
        button->setGraphicsMode(1);
        button->setGraphicsMode(-1);
        QCOMPARE(button->graphicsMode(), 1);
        QCOMPARE(system.versionKeyCalls - before, 2);
    }
};

QTEST_MAIN(TestButton)
#include "tst_button.moc"

// The owner-drawn button: its eight looks in each state, the segmented bar of its four styles,
// the colour schemes, caption styles, vertical captions, icons, gradient faces and an option
// group. Every button is made from stored design values, as a window loads its controls, so
// the run-mode side shows the same designs; the events of any button tried by hand are listed.
#include "GalleryPage.h"

#include "controls/button/CorvaneButton.h"
#include "platform/host/PropertyStore.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

using controls::CorvaneButton;

namespace {

// A small round picture for the icon buttons.
QImage galleryIcon() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 140, 60));
    painter.setPen(QPen(QColor(20, 70, 30), 2));
    painter.drawEllipse(3, 3, 26, 26);
    painter.setBrush(QColor(250, 250, 250));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(11, 8, 10, 10);
    return image;
}

const char* const LookNames[] = {"1 framed", "2 classic", "3 rounded blue", "4 flat",
                                 "5 soft",   "6 thin",    "7 hot track",    "8 rounded grey"};

class ButtonPage : public GalleryPage {
public:
    QString title() const override { return QStringLiteral("Button"); }

    QWidget* showcase(host::ControlHost& host) override {
        m_prefix = host.isRunMode() ? QStringLiteral("Run") : QStringLiteral("Design");
        auto* panel = new QWidget;
        panel->setObjectName(m_prefix + QStringLiteral("Panel"));
        auto* column = new QVBoxLayout(panel);
        column->setContentsMargins(0, 0, 0, 0);
        m_events = new QListWidget;
        m_events->setFixedHeight(90);

        column->addWidget(section(QStringLiteral("Looks (ButtonType) by state")));
        column->addWidget(looks(host));
        column->addWidget(section(QStringLiteral("ButtonStyle 1, 2, 2, 3 edge to edge")));
        column->addWidget(segmentedBar(host, 2));
        column->addWidget(segmentedBar(host, 3));
        column->addWidget(section(QStringLiteral("ColorScheme 1 to 5")));
        column->addWidget(row(host, 5, [](int i) -> std::pair<QString, std::vector<Setting>> {
            static const char* const names[] = {"System", "Custom", "Grey", "Container", "Gradient"};
            return {QLatin1String(names[i]),
                    {{"COLTYPE", std::int32_t(i + 1)},
                     {"BCOL", host::Colour{0x00B0E0F8}},
                     {"FCOL", host::Colour{0x00603000}},
                     {"FCOLO", host::Colour{0x000000C0}},
                     {"GStart", host::Colour{0x00FFE0C0}},
                     {"GStop", host::Colour{0x00A05020}}}};
        }));
        column->addWidget(section(QStringLiteral("CaptionStyle plain, engraved, embossed, shadowed")));
        column->addWidget(row(host, 4, [](int i) -> std::pair<QString, std::vector<Setting>> {
            static const char* const names[] = {"Plain", "Engraved", "Embossed", "Shadowed"};
            return {QLatin1String(names[i]),
                    {{"COLTYPE", std::int32_t(2)},
                     {"BCOL", host::Colour{0x00C8D0D4}},
                     {"FCOL", host::Colour{0x00404040}},
                     {"EMBOSSM", host::Colour{0x00707880}},
                     {"EMBOSSS", host::Colour{0x00FFFFFF}},
                     {"STYLE", std::int32_t(i)},
                     {"FONT", QFont(QStringLiteral("DejaVu Sans"), 10, QFont::Bold)}}};
        }));
        column->addWidget(section(QStringLiteral("Vertical captions, icons, gradients")));
        column->addWidget(shapes(host));
        column->addWidget(section(QStringLiteral("Option buttons in one frame")));
        column->addWidget(optionGroup(host));
        column->addWidget(section(QStringLiteral("Events")));
        column->addWidget(m_events);

        // States that need a shown button are reached after the window shows, the way a user
        // reaches them: a focus arriving, a press that has not been released.
        QTimer::singleShot(0, panel, [states = std::exchange(m_pendingStates, {}), events = m_events] {
            for (const auto& [button, state] : states) {
                if (!button)
                    continue;
                if (state == CorvaneButton::Focused) {
                    QFocusEvent in(QEvent::FocusIn);
                    QApplication::sendEvent(button, &in);
                } else {
                    const QPointF at(button->width() / 2.0, button->height() / 2.0);
                    QMouseEvent press(QEvent::MouseButtonPress, at, button->mapToGlobal(at), Qt::LeftButton,
                                      Qt::LeftButton, Qt::NoModifier);
                    QApplication::sendEvent(button, &press);
                }
            }
            if (events)
                events->clear(); // the list is for what the user tries
        });
        return panel;
    }

private:
    using Setting = std::pair<const char*, host::PropertyValue>;

    static QLabel* section(const QString& text) {
        auto* label = new QLabel(QStringLiteral("<i>%1</i>").arg(text));
        label->setContentsMargins(0, 6, 0, 0);
        return label;
    }

    CorvaneButton* make(host::ControlHost& host, QWidget* parent, const QString& name, QSize size,
                        const std::vector<Setting>& settings) {
        auto* button = new CorvaneButton(nullptr, parent, &host);
        button->setObjectName(m_prefix + name);
        host::PropertyStore store;
        for (const auto& [key, value] : settings)
            store.writeAlways(QLatin1String(key), value);
        button->load(store);
        button->setFixedSize(size);
        QPointer<QListWidget> events = m_events;
        const QString shown = name;
        auto log = [events, shown](const QString& what) {
            if (!events)
                return;
            events->addItem(QStringLiteral("%1 %2").arg(shown, what));
            events->scrollToBottom();
        };
        QObject::connect(button, &CorvaneButton::Click, [log] { log(QStringLiteral("Click")); });
        QObject::connect(button, &CorvaneButton::MouseOut, [log] { log(QStringLiteral("MouseOut")); });
        QObject::connect(button, &CorvaneButton::MouseDown, [log](short& b, short& s, float& x, float& y) {
            log(QStringLiteral("MouseDown %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y));
        });
        QObject::connect(button, &CorvaneButton::MouseUp, [log](short& b, short& s, float& x, float& y) {
            log(QStringLiteral("MouseUp %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y));
        });
        QObject::connect(button, &CorvaneButton::KeyDown,
                         [log](short& k, short& s) { log(QStringLiteral("KeyDown %1 %2").arg(k).arg(s)); });
        QObject::connect(button, &CorvaneButton::KeyUp,
                         [log](short& k, short& s) { log(QStringLiteral("KeyUp %1 %2").arg(k).arg(s)); });
        return button;
    }

    QWidget* looks(host::ControlHost& host) {
        auto* grid = new QWidget;
        auto* layout = new QGridLayout(grid);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setHorizontalSpacing(4);
        static const char* const columns[] = {"Idle", "Focused", "Pressed", "Disabled", "Selected"};
        for (int c = 0; c < 5; ++c)
            layout->addWidget(new QLabel(QLatin1String(columns[c])), 0, c + 1);
        for (int type = 1; type <= 8; ++type) {
            layout->addWidget(new QLabel(QLatin1String(LookNames[type - 1])), type, 0);
            for (int c = 0; c < 5; ++c) {
                const QString name = QStringLiteral("Type%1%2").arg(type).arg(QLatin1String(columns[c]));
                std::vector<Setting> settings{{"BTYPE", std::int32_t(type)},
                                              {"TX", QStringLiteral("&Apply")}};
                if (c == 3)
                    settings.push_back({"ENAB", false});
                // A selected option button gets a frame of its own, so the looks are not one group.
                QWidget* holder = grid;
                if (c == 4) {
                    holder = new QWidget(grid);
                    holder->setObjectName(m_prefix + name + QStringLiteral("Frame"));
                    settings.push_back({"OPTMOD", true});
                    settings.push_back({"OPTVAL", true});
                }
                CorvaneButton* button = make(host, holder, name, QSize(84, 26), settings);
                if (c == 4) {
                    auto* frameLayout = new QGridLayout(holder);
                    frameLayout->setContentsMargins(0, 0, 0, 0);
                    frameLayout->addWidget(button);
                    layout->addWidget(holder, type, c + 1);
                } else {
                    layout->addWidget(button, type, c + 1);
                }
                if (c == 1)
                    m_pendingStates.push_back({button, CorvaneButton::Focused});
                else if (c == 2)
                    m_pendingStates.push_back({button, CorvaneButton::Pressed});
            }
        }
        return grid;
    }

    // Segments overlap by their 18-pixel slant, so their slanted edges meet.
    QWidget* segmentedBar(host::ControlHost& host, int type) {
        auto* bar = new QWidget;
        bar->setObjectName(m_prefix + QStringLiteral("Bar%1").arg(type));
        static const char* const captions[] = {"Active", "Listening", "Closed", "All"};
        static const int styles[] = {1, 2, 2, 3};
        const int width = 110;
        for (int i = 0; i < 4; ++i) {
            CorvaneButton* button =
                make(host, bar, QStringLiteral("Segment%1_%2").arg(type).arg(i), QSize(width, 26),
                     {{"BTYPE", std::int32_t(type)},
                      {"BSTYLE", std::int32_t(styles[i])},
                      {"TX", QLatin1String(captions[i])},
                      {"OPTMOD", true},
                      {"OPTVAL", i == 0}});
            button->move(i * (width - 18), 0);
        }
        bar->setFixedSize(4 * (width - 18) + 18, 26);
        return bar;
    }

    template <typename Describe> QWidget* row(host::ControlHost& host, int count, Describe describe) {
        auto* line = new QWidget;
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        for (int i = 0; i < count; ++i) {
            auto [caption, settings] = describe(i);
            settings.push_back({"TX", caption});
            layout->addWidget(make(host, line, caption + QString::number(i), QSize(100, 28), settings));
        }
        layout->addStretch();
        return line;
    }

    QWidget* shapes(host::ControlHost& host) {
        auto* line = new QWidget;
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        layout->addWidget(make(host, line, QStringLiteral("Up"), QSize(30, 90),
                               {{"TX", QStringLiteral("Upwards")}, {"ORIENT", std::int32_t(1)}}));
        layout->addWidget(make(host, line, QStringLiteral("Down"), QSize(30, 90),
                               {{"TX", QStringLiteral("Downwards")}, {"ORIENT", std::int32_t(2)}}));
        auto* icons = new QVBoxLayout;
        const QImage icon = galleryIcon();
        icons->addWidget(
            make(host, line, QStringLiteral("IconLeft"), QSize(100, 28),
                 {{"TX", QStringLiteral("&Refresh")}, {"BTNICON", icon}, {"ICONAlign", std::int32_t(0)}}));
        icons->addWidget(
            make(host, line, QStringLiteral("IconRight"), QSize(100, 28),
                 {{"TX", QStringLiteral("Next")}, {"BTNICON", icon}, {"ICONAlign", std::int32_t(1)}}));
        icons->addWidget(make(host, line, QStringLiteral("IconOff"), QSize(100, 28),
                              {{"TX", QStringLiteral("Off")}, {"BTNICON", icon}, {"ENAB", false}}));
        layout->addLayout(icons);
        auto* gradients = new QGridLayout;
        gradients->setSpacing(4);
        for (int orientation = 0; orientation < 4; ++orientation)
            gradients->addWidget(make(host, line, QStringLiteral("Gradient%1").arg(orientation),
                                      QSize(84, 28),
                                      {{"COLTYPE", std::int32_t(5)},
                                       {"TX", QStringLiteral("GStyle %1").arg(orientation)},
                                       {"FCOL", host::Colour{0x00FFFFFF}},
                                       {"FCOLO", host::Colour{0x0000FFFF}},
                                       {"GStart", host::Colour{0x00E0A040}},
                                       {"GStop", host::Colour{0x00602000}},
                                       {"GStyle", std::int32_t(orientation)}}),
                                 orientation / 2, orientation % 2);
        layout->addLayout(gradients);
        layout->addStretch();
        return line;
    }

    QWidget* optionGroup(host::ControlHost& host) {
        auto* frame = new QWidget;
        frame->setObjectName(m_prefix + QStringLiteral("Frame1"));
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        static const char* const captions[] = {"&TCP", "&UDP", "&Both"};
        for (int i = 0; i < 3; ++i)
            layout->addWidget(make(host, frame, QStringLiteral("Option%1").arg(i + 1), QSize(70, 26),
                                   {{"BTYPE", std::int32_t(5)},
                                    {"TX", QLatin1String(captions[i])},
                                    {"OPTMOD", true},
                                    {"OPTVAL", i == 0}}));
        layout->addStretch();
        return frame;
    }

    QString m_prefix;
    QPointer<QListWidget> m_events;
    std::vector<std::pair<QPointer<CorvaneButton>, CorvaneButton::VisualStateValue>> m_pendingStates;
};

const GalleryPageRegistrar registrar(40, [] { return std::make_unique<ButtonPage>(); });

} // namespace

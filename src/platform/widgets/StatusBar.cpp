#include "platform/widgets/StatusBar.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

namespace widgets {

namespace {

// Assistive technology sees the bar as a status bar rather than as a plain group of labels.
QAccessibleInterface* statusBarAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("widgets::StatusBar") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    return nullptr;
}

} // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(statusBarAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAccessibleName(QStringLiteral("Status bar"));
    for (QLabel*& panel : m_panels) {
        panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setLineWidth(1);
        // The text keeps off the frame sideways only, so a panel is no taller than its font
        // and the frame: the bar then fits its designed height.
        panel->setMargin(0);
        panel->setIndent(3);
        panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layoutPanels();
}

bool StatusBar::setPanelText(int index, const QString& text) {
    if (index < 1 || index > PanelCount)
        return false;
    m_panels[index - 1]->setText(text);
    m_panels[index - 1]->setToolTip(QString());
    nameForAccessibility(index);
    return true;
}

bool StatusBar::setPanelToolTip(int index, const QString& tip) {
    if (index < 1 || index > PanelCount)
        return false;
    m_panels[index - 1]->setToolTip(tip);
    return true;
}

QString StatusBar::panelToolTip(int index) const {
    return index < 1 || index > PanelCount ? QString() : m_panels[index - 1]->toolTip();
}

bool StatusBar::setPanelName(int index, const QString& name) {
    if (index < 1 || index > PanelCount)
        return false;
    m_names[index - 1] = name;
    m_panels[index - 1]->setAccessibleDescription(name);
    nameForAccessibility(index);
    return true;
}

void StatusBar::nameForAccessibility(int index) {
    QLabel* panel = m_panels[index - 1];
    panel->setAccessibleName(panel->text().isEmpty() ? m_names[index - 1] : panel->text());
}

QString StatusBar::panelText(int index) const {
    if (index < 1 || index > PanelCount)
        return {};
    return m_panels[index - 1]->text();
}

bool StatusBar::setPanelWidth(int index, int width) {
    if (index < 1 || index > PanelCount || width < 0)
        return false;
    m_widths[index - 1] = width;
    layoutPanels();
    return true;
}

int StatusBar::panelWidth(int index) const {
    return panelRect(index).width();
}

QRect StatusBar::panelRect(int index) const {
    if (index < 1 || index > PanelCount)
        return {};
    // Computed from the bar's width rather than read back from the labels, so it is right
    // even before a hidden bar has received its resize event.
    const int top = 1;
    const int height = std::max(0, this->height() - 2);
    if (index == 1)
        return QRect(0, top, m_widths[0], height);
    const int left = m_widths[0] + Gap;
    return QRect(left, top, std::max(m_stretchMinimum, width() - left), height);
}

void StatusBar::setStretchMinimum(int width) {
    m_stretchMinimum = std::max(0, width);
    layoutPanels();
}

QSize StatusBar::sizeHint() const {
    const int height = std::max(m_panels[0]->sizeHint().height(), m_panels[1]->sizeHint().height()) + 2;
    return QSize(m_widths[0] + Gap + m_stretchMinimum, height);
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanels();
}

void StatusBar::layoutPanels() {
    for (int index = 1; index <= PanelCount; ++index)
        m_panels[index - 1]->setGeometry(panelRect(index));
}

} // namespace widgets

#include "controls/progressbar/ProgressBar.h"

#include "controls/progressbar/ProgressLooks.h"

namespace controls {
namespace {

const QString ValueKey = QStringLiteral("Value");
const QString MinKey = QStringLiteral("Min");
const QString MaxKey = QStringLiteral("Max");
const QString StyleKey = QStringLiteral("Style");
const QString LookKey = QStringLiteral("ProgressLook");

// A stored bound keeps a 16-bit width when it has one; anything else becomes a 32-bit number,
// so a store holding a text or a picture under "Min" cannot leave a bound that is no number.
host::PropertyValue asBound(const host::PropertyValue& stored) {
    if (host::isInt16(stored))
        return stored;
    return host::toInt32(stored);
}

} // namespace

ProgressBar::ProgressBar(QWidget* parent, host::ControlHost* host) : HostedControl(parent, host) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::int32_t ProgressBar::min() const {
    return host::toInt32(m_min);
}

std::int32_t ProgressBar::max() const {
    return host::toInt32(m_max);
}

void ProgressBar::setValue(std::int32_t value) {
    if (value > max() || value < min())
        return;
    m_value = value;
    notifyPropertyChanged(ValueKey);
    catchUpWithSize();
    if (m_style == 0)
        DrawBlockStep();
    else if (value == max())
        DrawFrame();
    else
        DrawMarqueeStep();
    update();
}

void ProgressBar::setMin(std::int32_t min) {
    if (min > max() || min < 0)
        return;
    m_min = min;
    notifyPropertyChanged(MinKey);
}

void ProgressBar::setMax(std::int32_t max) {
    if (max < min())
        return;
    m_max = max;
    notifyPropertyChanged(MaxKey);
}

void ProgressBar::setStyle(std::int32_t style) {
    m_style = style;
    notifyPropertyChanged(StyleKey);
}

void ProgressBar::setProgressLook(std::int32_t look) {
    m_progressLook = look;
    notifyPropertyChanged(LookKey);
    ApplyLook();
}

void ProgressBar::ApplyLook() {
    // An index outside the look table leaves the tiles as they were.
    if (const ProgressLooks::Tiles* tiles = ProgressLooks::look(m_progressLook))
        m_pc = *tiles;
}

void ProgressBar::readProperties(host::PropertyReader& reader) {
    m_min = asBound(reader.read(MinKey, std::int16_t{0}));
    m_max = asBound(reader.read(MaxKey, std::int16_t{100}));
    m_value = reader.readInt32(ValueKey, std::int16_t{0});
    m_style = reader.readInt32(StyleKey, std::int32_t{0});
    setProgressLook(reader.readInt32(LookKey, std::int32_t{0}));
}

void ProgressBar::writeProperties(host::PropertyStore& store) const {
    store.write(MinKey, m_min, std::int16_t{0});
    store.write(MaxKey, m_max, std::int16_t{100});
    store.write(ValueKey, m_value, std::int16_t{0});
    store.write(StyleKey, m_style, std::int32_t{0});
    store.write(LookKey, m_progressLook, std::int32_t{0});
}

} // namespace controls

#pragma once

#include "platform/host/HostedControl.h"
#include "platform/host/RetainedSurface.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace controls {

// A framed progress bar drawn from picture tiles, as a bar of blocks (`Style` 0) or as a
// moving marquee (any other `Style`), in one of eight looks. Drawing is incremental: each
// accepted `Value` draws only what changed onto a retained surface, which keeps everything
// until the next clear (a size change, or the bar emptying itself).
class ProgressBar : public host::HostedControl {
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue)
    Q_PROPERTY(int Min READ min WRITE setMin)
    Q_PROPERTY(int Max READ max WRITE setMax)
    Q_PROPERTY(int Style READ style WRITE setStyle)
    Q_PROPERTY(int ProgressLook READ progressLook WRITE setProgressLook)
public:
    // Drawing state between assignments; kept readable for tests and the gallery.
    struct DrawState {
        double BarWidth = 0;
        double BarHeight = 0;
        double TileWidth = 0;
        double TileHeight = 0;
        double NextBlockX = 0;
        std::int16_t StepCount = 0;
        double Threshold = 0;
        double LastValue = 0;
        double PendingValue = 0;
        std::int16_t PendingFlag = 0;
        std::int16_t BarFull = 0;
        double MarqueeX = 0;
        int framesDrawn = 0; // runs of the resize sequence since creation
    };

    explicit ProgressBar(QWidget* parent = nullptr, host::ControlHost* host = nullptr);

    std::int32_t value() const { return m_value; }
    std::int32_t min() const;
    std::int32_t max() const;
    std::int32_t style() const { return m_style; }
    std::int32_t progressLook() const { return m_progressLook; }

    void setValue(std::int32_t value);
    void setMin(std::int32_t min);
    void setMax(std::int32_t max);
    void setStyle(std::int32_t style);
    void setProgressLook(std::int32_t look);

    const DrawState& drawState() const { return m_state; }
    // What the control shows: the retained surface.
    const QImage& surface() const { return m_surface.image(); }
    // The current tiles (0 palest, 1 medium, 2 full colour); null until a look is applied.
    const QImage& tile(int index) const { return m_pc[index]; }

    QSize sizeHint() const override { return QSize(137, 17); }
    QSize minimumSizeHint() const override { return QSize(12, 8); }

protected:
    void readProperties(host::PropertyReader& reader) override;
    void writeProperties(host::PropertyStore& store) const override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyLook();
    // The resize sequence: frame redrawn, bar emptied, drawing state reset.
    void DrawFrame();
    void ResetDrawState();
    void DrawBlockStep();
    void FinishBlockBar();
    void DrawMarqueeStep();

    // A size change that Qt has not delivered yet (the control is hidden) is handled before
    // drawing, so drawing always matches the control's extent.
    void catchUpWithSize();
    void clearSurface();
    void drawTile(const QImage& tile, double x, double width);

    std::int32_t m_value = 0;
    host::PropertyValue m_min = std::int16_t{0}; // keeps the width it was given
    host::PropertyValue m_max = std::int16_t{100};
    std::int32_t m_style = 0;
    std::int32_t m_progressLook = 0;

    std::array<QImage, 3> m_pc; // `pc`: the current look's tiles
    host::RetainedSurface m_surface;
    DrawState m_state;
};

} // namespace controls

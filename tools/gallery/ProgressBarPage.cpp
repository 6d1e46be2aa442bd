// The progress bar in its eight looks, as a block bar and as a marquee, with an animation.
#include "GalleryPage.h"

#include "controls/progressbar/ProgressBar.h"
#include "controls/progressbar/ProgressLooks.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using controls::ProgressBar;
namespace Looks = controls::ProgressLooks;

namespace {

class ProgressBarPage : public GalleryPage {
public:
    QString title() const override { return QStringLiteral("ProgressBar"); }

    QWidget* showcase(host::ControlHost& host) override {
        auto* panel = new QWidget;
        auto* grid = new QGridLayout(panel);
        grid->addWidget(new QLabel(QStringLiteral("ProgressLook")), 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("Style 0 (blocks)")), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Style 1 (marquee)")), 0, 2);
        for (int look = 0; look < Looks::LookCount; ++look) {
            grid->addWidget(new QLabel(QStringLiteral("%1 %2").arg(look).arg(Looks::lookName(look))),
                            look + 1, 0);
            // Staggered values, so the looks show different amounts of progress.
            ProgressBar* blocks = makeBar(host, look, 0);
            for (int value = 0; value <= 3 + look; ++value)
                blocks->setValue(value % 11);
            grid->addWidget(blocks, look + 1, 1);
            ProgressBar* marquee = makeBar(host, look, 1);
            for (int value = 1; value <= 2 + 2 * look; ++value)
                marquee->setValue(value);
            grid->addWidget(marquee, look + 1, 2);
        }
        // States: empty, full to the right end, and the main window's own configuration.
        const int row = Looks::LookCount + 1;
        grid->addWidget(new QLabel(QStringLiteral("empty / full / Max 100")), row, 0);
        ProgressBar* empty = makeBar(host, 2, 0);
        empty->setValue(0);
        grid->addWidget(empty, row, 1);
        auto* more = new QWidget;
        auto* line = new QHBoxLayout(more);
        line->setContentsMargins(0, 0, 0, 0);
        ProgressBar* full = makeBar(host, 2, 0);
        full->setFixedSize(66, 17);
        full->setValue(10);
        line->addWidget(full);
        ProgressBar* hundred = makeBar(host, 2, 0);
        hundred->setFixedSize(66, 17);
        hundred->setMax(100);
        hundred->setValue(40);
        line->addWidget(hundred);
        grid->addWidget(more, row, 2);
        return panel;
    }

    QWidget* tools() override {
        auto* button = new QPushButton(QStringLiteral("Animate"));
        button->setCheckable(true);
        m_timer.setInterval(120);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { advance(); });
        QObject::connect(button, &QPushButton::toggled,
                         [this](bool on) { on ? m_timer.start() : m_timer.stop(); });
        return button;
    }

    void advance() override {
        for (ProgressBar* bar : m_bars) {
            if (!bar)
                continue;
            // Blocks count up to Max and drop back to 0, which clears them; the marquee steps
            // without ever reaching Max, which would empty it.
            const int top = bar->style() == 0 ? bar->max() : bar->max() - 1;
            bar->setValue(bar->value() >= top ? bar->min() : bar->value() + 1);
        }
    }

private:
    ProgressBar* makeBar(host::ControlHost& host, int look, int style) {
        auto* bar = new ProgressBar(nullptr, &host);
        bar->setFixedSize(137, 17);
        bar->setProgressLook(look);
        bar->setMax(style == 0 ? 10 : 100);
        bar->setStyle(style);
        m_bars.append(bar);
        return bar;
    }

    QList<QPointer<ProgressBar>> m_bars;
    QTimer m_timer;
};

const GalleryPageRegistrar registrar(10, [] { return std::make_unique<ProgressBarPage>(); });

} // namespace

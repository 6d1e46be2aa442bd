#include "mainwindow/LiveTraffic.h"

#include "mainwindow/Form1Design.h"
#include "mainwindow/FrmInfo.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"

using namespace form1design;

namespace {

constexpr int LiveColumns[] = {SentColumn, ReceivedColumn, RoundTripColumn};

// What a cell shows, as a number: a rate in bytes per second, the round-trip time in
// microseconds; -1 for an empty cell. Equal figures give equal texts.
using Figures = std::array<qint64, 3>;
constexpr Figures NoFigures{-1, -1, -1};

Figures figuresOf(const ConnectionTraffic* traffic) {
    if (!traffic)
        return NoFigures;
    const auto rate = [](const std::optional<double>& value) { return value ? qRound64(*value) : -1; };
    return {rate(traffic->sentPerSecond), rate(traffic->receivedPerSecond),
            qint64(traffic->totals.roundTripMicroseconds)};
}

QString textOf(int column, qint64 figure) {
    if (figure < 0)
        return {}; // a rate before the connection's second sample, or no figures at all
    return column == 2 ? roundTripText(std::uint32_t(figure)) : bytesPerSecondText(double(figure));
}

} // namespace

LiveTraffic::LiveTraffic(os::OperatingSystem& system, widgets::ListView& list, QObject* parent)
    : QObject(parent), m_list(list), m_sampler(system.makeTrafficSampler()) {
    for (int column : LiveColumns)
        m_list.setLiveColumn(column);
    connect(m_sampler.get(), &os::TrafficSampler::sampled, this, &LiveTraffic::takeSample);
    connect(&m_list, &widgets::ListView::columnShownChanged, this, &LiveTraffic::updateSampling);
}

void LiveTraffic::fill(widgets::ListRow& row, const std::optional<os::ConnectionEnds>& ends) const {
    const Figures figures = figuresOf(trafficOf(ends));
    for (int i = 0; i < 3; ++i) {
        row.texts[LiveColumns[i]] = textOf(i, figures[i]);
        // An empty cell sorts as 0, below every figure when the largest are on top.
        row.numbers[LiveColumns[i]] = std::max<qint64>(figures[i], 0);
    }
}

void LiveTraffic::setRowEnds(std::vector<std::optional<os::ConnectionEnds>> ends) {
    m_rowEnds = std::move(ends);
    // The rows were just filled from the figures there are; the next sample writes them all.
    m_shown.assign(m_rowEnds.size(), Figures{-2, -2, -2});
}

std::optional<os::ConnectionEnds> LiveTraffic::rowEnds(int index) const {
    return index >= 1 && std::size_t(index) <= m_rowEnds.size() ? m_rowEnds[index - 1] : std::nullopt;
}

void LiveTraffic::follow(FrmInfo* dialog, const std::optional<os::ConnectionEnds>& ends) {
    if (m_dialog != dialog) {
        m_dialog = dialog;
        connect(dialog, &QObject::destroyed, this, &LiveTraffic::updateSampling, Qt::QueuedConnection);
    }
    m_dialogEnds = ends;
    dialog->showTraffic(trafficOf(ends));
    updateSampling();
}

bool LiveTraffic::isSampling() const {
    return m_sampler->isRunning();
}

void LiveTraffic::updateSampling() {
    bool wanted = bool(m_dialog);
    for (int column : LiveColumns)
        wanted |= m_list.isColumnShown(column);
    if (wanted == m_sampler->isRunning())
        return;
    if (wanted) {
        m_sampler->start(Interval);
        return;
    }
    m_sampler->stop();
    // Rates after a pause would span it: the next start begins afresh.
    m_sample.reset();
    m_traffic.clear();
}

void LiveTraffic::takeSample() {
    std::shared_ptr<const os::TrafficSample> sample = m_sampler->latest();
    if (!sample || sample == m_sample || !m_sampler->isRunning())
        return; // told twice of one sample, or told after the sampling stopped
    m_traffic = trafficRates(m_sample.get(), *sample);
    m_sample = std::move(sample);
    // Texts are made only for figures that moved: most connections idle most of the time.
    for (std::size_t row = 0; row < m_rowEnds.size(); ++row) {
        if (!m_rowEnds[row])
            continue;
        const Figures figures = figuresOf(trafficOf(m_rowEnds[row]));
        for (int i = 0; i < 3; ++i)
            if (figures[i] != m_shown[row][i])
                m_list.setCell(int(row) + 1, LiveColumns[i], textOf(i, figures[i]),
                               std::max<qint64>(figures[i], 0));
        m_shown[row] = figures;
    }
    if (m_dialog)
        m_dialog->showTraffic(trafficOf(m_dialogEnds));
}

const ConnectionTraffic* LiveTraffic::trafficOf(const std::optional<os::ConnectionEnds>& ends) const {
    if (!ends)
        return nullptr;
    const auto found = m_traffic.find(*ends);
    return found == m_traffic.end() ? nullptr : &found->second;
}

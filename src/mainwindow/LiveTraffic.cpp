#include "mainwindow/LiveTraffic.h"

#include "connectionlist/ConnectionModel.h"
#include "controls/graph/TrafficGraph.h"
#include "mainwindow/ConnectionGraph.h"
#include "mainwindow/FrmInfo.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"

using connectionlist::Column;

namespace {

constexpr Column LiveColumns[] = {Column::Sent,      Column::Received,     Column::RoundTrip,
                                  Column::SentTotal, Column::ReceivedTotal};

} // namespace

LiveTraffic::LiveTraffic(os::OperatingSystem& system, connectionlist::ConnectionModel& rows,
                         widgets::ListView& list, QObject* parent)
    : QObject(parent), m_rows(rows), m_list(list), m_sampler(system.makeTrafficSampler()) {
    connect(m_sampler.get(), &os::TrafficSampler::sampled, this, &LiveTraffic::takeSample);
    connect(&m_list, &widgets::ListView::columnShownChanged, this, &LiveTraffic::updateSampling);
}

void LiveTraffic::fill(std::vector<connectionlist::ConnectionRow>& rows) const {
    if (m_traffic.empty())
        return;
    for (connectionlist::ConnectionRow& row : rows)
        if (const ConnectionTraffic* traffic = row.isGone() ? nullptr : trafficOf(row.trafficEnds))
            row.traffic = *traffic;
}

void LiveTraffic::follow(FrmInfo* dialog, const std::optional<os::ConnectionEnds>& ends) {
    if (m_dialog != dialog) {
        m_dialog = dialog;
        connect(dialog, &QObject::destroyed, this, &LiveTraffic::updateSampling, Qt::QueuedConnection);
    }
    m_dialogEnds = ends;
    const ConnectionTraffic* traffic = trafficOf(ends);
    dialog->forgetTraffic();
    dialog->showTraffic(traffic);
    // A graph begins with the dialog: the figures before it are kept for no connection.
    m_dialogGraph = connectiongraph::attach(dialog);
    m_dialogGraph->clear();
    if (traffic && traffic->receivedPerSecond)
        m_dialogGraph->addPoint(traffic->sentPerSecond.value_or(0), *traffic->receivedPerSecond);
    updateSampling();
}

bool LiveTraffic::isSampling() const {
    return m_sampler->isRunning();
}

void LiveTraffic::updateSampling() {
    m_users.removeAll(nullptr);
    bool wanted = bool(m_dialog) || !m_users.isEmpty();
    for (Column column : LiveColumns)
        wanted |= m_list.isColumnShown(int(column));
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
    m_programs.clearRates();
}

void LiveTraffic::setWantedBy(QObject* user, bool wanted) {
    m_users.removeAll(user);
    if (wanted) {
        m_users.append(user);
        connect(user, &QObject::destroyed, this, &LiveTraffic::updateSampling, Qt::QueuedConnection);
    }
    updateSampling();
}

void LiveTraffic::takeSample() {
    std::shared_ptr<const os::TrafficSample> sample = m_sampler->latest();
    if (!sample || sample == m_sample || !m_sampler->isRunning())
        return; // told twice of one sample, or told after the sampling stopped
    m_traffic = trafficRates(m_sample.get(), *sample);
    m_sample = std::move(sample);
    // The programs first: the rows' change shows their new totals.
    m_programs.takeSample(m_traffic, m_rows.rows());
    m_rows.applyTraffic(m_traffic);
    if (m_dialog) {
        const ConnectionTraffic* traffic = trafficOf(m_dialogEnds);
        m_dialog->showTraffic(traffic);
        if (m_dialogGraph && traffic && traffic->receivedPerSecond)
            m_dialogGraph->addPoint(traffic->sentPerSecond.value_or(0), traffic->receivedPerSecond.value_or(0));
        else if (m_dialogGraph && !traffic && !m_dialogGraph->points().empty())
            m_dialogGraph->setClosed(true); // it ended: its last minutes stay, marked
    }
    emit sampled();
}

const ConnectionTraffic* LiveTraffic::trafficOf(const std::optional<os::ConnectionEnds>& ends) const {
    if (!ends)
        return nullptr;
    const auto found = m_traffic.find(*ends);
    return found == m_traffic.end() ? nullptr : &found.value();
}

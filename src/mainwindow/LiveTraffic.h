#pragma once

#include "connectionlist/ProgramTraffic.h"
#include "platform/os/TrafficSampler.h"
#include "snapshot/TrafficRates.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class FrmInfo;
namespace controls {
class TrafficGraph;
}
namespace connectionlist {
class ConnectionModel;
struct ConnectionRow;
} // namespace connectionlist
namespace os {
class OperatingSystem;
}
namespace widgets {
class ListView;
}

// Keeps the rows' live figures ("Sent/s", "Received/s", "RTT") and the info dialog's up to
// date from the operating-system layer's sampler, which runs only while one of those columns
// is shown or the dialog is open. Each sample reaches the rows as one batch.
class LiveTraffic : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds Interval{1000};

    LiveTraffic(os::OperatingSystem& system, connectionlist::ConnectionModel& rows, widgets::ListView& list,
                QObject* parent = nullptr);

    // Rows about to be listed get the last figures there are.
    void fill(std::vector<connectionlist::ConnectionRow>& rows) const;
    // Shows the figures of `ends` in the dialog for as long as it is open.
    void follow(FrmInfo* dialog, const std::optional<os::ConnectionEnds>& ends);
    bool isSampling() const;
    // Every program's totals and recent rates, from the same samples.
    const connectionlist::ProgramTraffic& programs() const { return m_programs; }
    connectionlist::ProgramTraffic& programs() { return m_programs; }
    // Sampling is wanted while this is true as well (the view by program, a program's dialog).
    void setWantedBy(QObject* user, bool wanted);

signals:
    // A sample reached the rows.
    void sampled();

private:
    void updateSampling();
    void takeSample();
    const ConnectionTraffic* trafficOf(const std::optional<os::ConnectionEnds>& ends) const;

    connectionlist::ConnectionModel& m_rows;
    widgets::ListView& m_list;
    std::unique_ptr<os::TrafficSampler> m_sampler;
    std::shared_ptr<const os::TrafficSample> m_sample;
    TrafficByConnection m_traffic;
    QPointer<FrmInfo> m_dialog;
    QPointer<controls::TrafficGraph> m_dialogGraph;
    connectionlist::ProgramTraffic m_programs;
    QList<QPointer<QObject>> m_users;
    std::optional<os::ConnectionEnds> m_dialogEnds;
};

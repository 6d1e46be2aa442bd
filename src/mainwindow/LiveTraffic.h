#pragma once

#include "platform/os/TrafficSampler.h"
#include "snapshot/TrafficRates.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class FrmInfo;
namespace os {
class OperatingSystem;
}
namespace widgets {
class ListView;
struct ListRow;
} // namespace widgets

// Keeps the list's "Sent/s", "Received/s" and "RTT" cells and the info dialog's live figures
// up to date from the operating-system layer's sampler, which runs only while one of those
// columns is shown or the dialog is open.
class LiveTraffic : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds Interval{1000};

    LiveTraffic(os::OperatingSystem& system, widgets::ListView& list, QObject* parent = nullptr);

    // A row about to be listed gets its cells from the last figures; `ends` nothing for a row
    // that has none (UDP, listening, a connection gone).
    void fill(widgets::ListRow& row, const std::optional<os::ConnectionEnds>& ends) const;
    // The ends of the rows now listed, position 1 first.
    void setRowEnds(std::vector<std::optional<os::ConnectionEnds>> ends);
    std::optional<os::ConnectionEnds> rowEnds(int index) const;
    // Shows the figures of `ends` in the dialog for as long as it is open.
    void follow(FrmInfo* dialog, const std::optional<os::ConnectionEnds>& ends);
    bool isSampling() const;

private:
    void updateSampling();
    void takeSample();
    const ConnectionTraffic* trafficOf(const std::optional<os::ConnectionEnds>& ends) const;

    widgets::ListView& m_list;
    std::unique_ptr<os::TrafficSampler> m_sampler;
    std::shared_ptr<const os::TrafficSample> m_sample;
    TrafficByConnection m_traffic;
    std::vector<std::optional<os::ConnectionEnds>> m_rowEnds;
    // What each row's cells show now, as figures (see figuresOf).
    std::vector<std::array<qint64, 3>> m_shown;
    QPointer<FrmInfo> m_dialog;
    std::optional<os::ConnectionEnds> m_dialogEnds;
};

#pragma once

#include <QObject>
#include <QTimer>

namespace platform {

// A timer that ticks every Interval milliseconds while Enabled. Ticks are
// precise to the millisecond; a tick that fell due while the thread was busy
// comes once afterwards and is never made up. Interval 0 gives no ticks.
class Timer : public QObject {
    Q_OBJECT
public:
    Timer(QObject *parent, int interval, bool enabled = false);

    bool Enabled() const { return enabled_; }
    // Enabling a running timer keeps its period going; it does not restart it.
    void setEnabled(bool enabled);
    int Interval() const { return interval_; }
    // A new period starts counting from now; setting the period it already has
    // changes nothing, so a timer re-armed on every tick keeps its rhythm.
    void setInterval(int milliseconds);

signals:
    void tick();

private:
    void update(bool restart);

    QTimer timer_;
    int interval_;
    bool enabled_ = false;
};

} // namespace platform

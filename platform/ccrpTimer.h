#pragma once
// The high-resolution timer component: Interval in milliseconds, Enabled, and a Timer
// event, over a precise QTimer.
#include <QObject>
#include <QTimer>

class ccrpTimer : public QObject {
    Q_OBJECT
public:
    explicit ccrpTimer(QObject* parent = nullptr);

    int Interval() const { return interval_; }
    // Takes effect at once; a running timer starts its new interval from now.
    void setInterval(int ms);

    bool Enabled() const { return timer_.isActive(); }
    // Enabling a running timer leaves it running on its old schedule.
    void setEnabled(bool on);

signals:
    void Timer();

private:
    QTimer timer_;
    int interval_ = 0;
};

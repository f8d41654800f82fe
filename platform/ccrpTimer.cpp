#include "platform/ccrpTimer.h"

ccrpTimer::ccrpTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ccrpTimer::Timer);
}

void ccrpTimer::setInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    timer_.setInterval(interval_);
}

void ccrpTimer::setEnabled(bool on) {
    if (on == timer_.isActive()) return;
    if (on) timer_.start(interval_);
    else timer_.stop();
}

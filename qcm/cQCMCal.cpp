#include "qcm/cQCMCal.h"

#include "app/VBConv.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

cQCMCal::cQCMCal(QObject* parent) : QObject(parent), Timer_(new ccrpTimer(this)) {
    connect(Timer_, &ccrpTimer::Timer, this, [this] { emit Status(Phase_); });
}

cQCMCal::~cQCMCal() = default;

void cQCMCal::StartCal(int32_t channel, int16_t film) {
    Channel_ = channel;
    Film_ = film;
    const FilmRec& f = gFilm(film);
    QCM_ = vb::CLng(f.QCM_NUMBER);
    if (gQCM) gQCM->Material(QCM_, f.QCM_DENSITY, f.QCM_ZFACTOR, f.QCM_TOOLING);
    StartTime_ = Timer();
    setPhase(1);
    const double period = gQCM ? gQCM->Period() : 0.0;
    const double update = gORUN ? gORUN->ChanPeriod(channel) : 0.0;
    // Without a quartz period or a channel reading yet there is no interval: a timer of 0
    // would run on every pass of the event loop.
    const int32_t interval = vb::CLng(period * 1000.0 + update * 1000.0);
    Timer_->setInterval(interval);
    Timer_->setEnabled(interval > 0);
}

void cQCMCal::setPhase(int16_t phase) {
    Phase_ = phase;
    emit Status(phase);
}

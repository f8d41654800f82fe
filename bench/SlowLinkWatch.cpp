#include "SlowLinkWatch.h"

#include <QHostAddress>
#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t kZeroCode = 32767;
constexpr int kSampleMs = 50;
}  // namespace

double PowerPercent(int32_t code) { return (code - kZeroCode) * 100.0 / kZeroCode; }

void RequestGaps::Asked(double nowMs) {
    longestMs = std::max(longestMs, nowMs - lastMs);
    if (any) {
        intervalsMs.push_back(nowMs - lastMs);
        mostBetween = std::max(mostBetween, since);
    }
    any = true;
    lastMs = nowMs;
    since = 0;
}

void RequestGaps::End(double nowMs) { longestMs = std::max(longestMs, nowMs - lastMs); }

double RequestGaps::MedianMs() const {
    if (intervalsMs.empty()) return 0.0;
    std::vector<double> v = intervalsMs;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

void PowerPulses::Sample(double nowMs, int32_t code) {
    const bool up = code > kZeroCode;
    // The first sample only sets where the power is: a fall counts when it is seen.
    if (above && *above && !up) fellAtMs = nowMs;
    if (above && !*above && up) {
        if (fellAtMs && nowMs - *fellAtMs <= windowMs) {
            ++pulses;
            longestMs = std::max(longestMs, nowMs - *fellAtMs);
        }
        fellAtMs.reset();
    }
    above = up;
}

SlowLinkWatch::SlowLinkWatch(UnitSim& sim) : sim_(sim) {
    sampler_.setInterval(kSampleMs);
    connect(&sampler_, &QTimer::timeout, this, [this] {
        if (measuring_) pulses_.Sample(ElapsedMs(), sim_.Model().powerCode[0]);
    });
    connect(&sim_, &UnitSim::CommandReceived, this, [this](const QString& c) { Command(c); });
    asker_.setInterval(100);
    connect(&asker_, &QTimer::timeout, this, [this] { Ask(); });
    connect(&client_, &QTcpSocket::readyRead, this, [this] { Answered(); });
}

bool SlowLinkWatch::AskPowers(quint16 port) {
    client_.connectToHost(QHostAddress::LocalHost, port);
    if (!client_.waitForConnected(5000)) return false;
    asker_.start();
    return true;
}

void SlowLinkWatch::StopAsking() {
    asker_.stop();
    client_.disconnectFromHost();
}

void SlowLinkWatch::Ask() {
    // One request at a time: a reply that never comes leaves the rest unasked, which the
    // count of samples shows.
    if (waiting_ || client_.state() != QAbstractSocket::ConnectedState) return;
    waiting_ = true;
    askedPercent_ = PowerPercent(sim_.Model().powerCode[0]);
    client_.write("@QM;11;00\r");
}

void SlowLinkWatch::Answered() {
    reply_ += client_.readAll();
    const qsizetype end = reply_.indexOf('\r');
    if (end < 0) {
        if (reply_.size() > 4096) reply_.clear();
        return;
    }
    // "@QM;", ACK, ";", the value, then the frame's last three characters.
    const QByteArray frame = reply_.left(end + 1);
    reply_.remove(0, end + 1);
    waiting_ = false;
    ++told_.samples;
    const QByteArray body = frame.mid(4, frame.size() - 8);
    bool ok = false;
    const double told = body.startsWith('\x06') ? body.mid(2).trimmed().toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(told)) {
        ++told_.unreadable;
        return;
    }
    const double held = PowerPercent(sim_.Model().powerCode[0]);
    const double diff = std::min(std::abs(told - held), std::abs(told - askedPercent_));
    if (diff > 1.0) ++told_.off;
    if (diff > told_.worst) {
        told_.worst = diff;
        told_.worstAtMs = ElapsedMs();
    }
    if (std::round(told * 100.0) == 0.0 && std::min(held, askedPercent_) >= 0.01) ++told_.zeroTold;
}

void SlowLinkWatch::Start() {
    clock_.start();
    measuring_ = true;
    pulses_.Sample(ElapsedMs(), sim_.Model().powerCode[0]);
    sampler_.start();
}

void SlowLinkWatch::Stop() {
    measuredMs_ = ElapsedMs();
    measuring_ = false;
    sampler_.stop();
    inputs_.End(measuredMs_);
    readings_.End(measuredMs_);
}

int SlowLinkWatch::Received(char letter) const {
    const auto it = received_.find(letter);
    return it == received_.end() ? 0 : it->second;
}

void SlowLinkWatch::DipNow(int ms) {
    Dip dip;
    dip.startMs = ElapsedMs();
    dip.lengthMs = ms;
    dip.heldPercent = PowerPercent(sim_.Model().powerCode[0]);
    dips_.push_back(dip);
    dipSinceBurst_ = true;
    sim_.Brownout(ms);
    if (measuring_) pulses_.Sample(ElapsedMs(), sim_.Model().powerCode[0]);
}

void SlowLinkWatch::Command(const QString& c) {
    if (!measuring_ || c.isEmpty()) return;
    const double now = ElapsedMs();
    const char letter = c.at(0).toLatin1();
    ++received_[letter];
    if (letter == 'M') inputs_.Asked(now);
    else inputs_.Other();
    if (letter == 'G' || letter == 'g') readings_.Asked(now);
    else readings_.Other();
    if (letter != 'B') {
        burstChannels_.clear();
    } else if (const QChar ch = c.size() > 1 ? c.at(1) : QChar(); std::find(burstChannels_.begin(), burstChannels_.end(), ch) == burstChannels_.end()) {
        burstChannels_.push_back(ch);
        if (burstChannels_.size() == 3) {
            ++(dipSinceBurst_ ? burstsAfterDip_ : burstsWithoutDip_);
            dipSinceBurst_ = false;
        }
    }
    // The unit takes no command while dark, so a "K" after a dip's start comes after its end.
    if (letter == 'K' && !dips_.empty() && !dips_.back().answered()) {
        Dip& dip = dips_.back();
        bool ok = false;
        const int32_t code = c.mid(1).section(QLatin1Char(','), 0, 0).trimmed().toInt(&ok);
        dip.firstAfterMs = now - (dip.startMs + dip.lengthMs);
        if (ok) dip.firstPercent = PowerPercent(code);
        else dip.firstUnreadable = true;
    }
    pulses_.Sample(now, sim_.Model().powerCode[0]);
}

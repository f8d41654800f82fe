#include "SlowLinkWatch.h"

#include <algorithm>

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

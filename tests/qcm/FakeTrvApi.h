#pragma once
// A recording stand-in for the card library behind the card class's entry-point table:
// every command is logged as text ("Material(8, 99.99, 0.1, 0.5)"), results are chosen per
// entry point, and reading sets come from queues. One instance at a time.
#include "qcm/TrvApi.h"
#include "qcm/cTRV600a.h"

#include "platform/Clock.h"

#include <QObject>
#include <gtest/gtest.h>
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct FakeReadingSet {
    std::array<double, 72> sensor{};
    std::array<double, 14> power{};
    double& rate(int s) { return sensor[size_t(s)]; }
    double& thickness(int s) { return sensor[size_t(24 + s)]; }
    double& frequency(int s) { return sensor[size_t(48 + s)]; }
};

class FakeTrv {
public:
    FakeTrv();
    ~FakeTrv();
    FakeTrv(const FakeTrv&) = delete;
    FakeTrv& operator=(const FakeTrv&) = delete;

    // The table whose entries all lead to this stand-in.
    std::shared_ptr<const TrvApi> api() const;
    // The commands logged since the last call, and the log emptied.
    std::vector<std::string> take();

    std::vector<std::string> calls;
    std::map<std::string, int32_t> results;  // by entry name without "Kor500"; default 0
    int32_t status = 904;                    // start-up status
    std::array<int32_t, 8> versions{};       // elements 1..7 written on start
    std::deque<FakeReadingSet> readings;
    std::deque<std::array<double, 4>> analog;
    std::array<double, 14> power{};
};

// Everything a card object reports, as one line per event: "error 11: <text>",
// "sensor 5 code 0: <text>", "output 2 code 3: <text>".
class CardEventLog {
public:
    explicit CardEventLog(cTRV600a& card);
    QStringList take();
    QStringList lines;

private:
    QObject context_;  // ends the connections with the log
};

// A card object over a fresh stand-in, with its events logged; the calls of its creation
// are already taken from the log.
struct CardFixture : ::testing::Test {
    FakeTrv fake;
    std::unique_ptr<cTRV600a> card;
    std::unique_ptr<CardEventLog> log;

    void SetUp() override {
        card = std::make_unique<cTRV600a>(fake.api());
        log = std::make_unique<CardEventLog>(*card);
        fake.take();
    }
};

// The clock fixed at a time of day for the length of a scope.
struct FixedClock {
    explicit FixedClock(int msSinceMidnight) {
        Clock::SetFixed(QDateTime(QDate(2024, 3, 1), QTime(0, 0).addMSecs(msSinceMidnight)));
    }
    ~FixedClock() { Clock::UseSystem(); }
};

// A sensor map with the given (sensor, output) entries and -1 elsewhere.
inline TrvSensorMap SensorMapOf(std::initializer_list<std::pair<int, int>> entries) {
    TrvSensorMap map;
    map.fill(-1);
    for (auto [s, out] : entries) map(s) = out;
    return map;
}

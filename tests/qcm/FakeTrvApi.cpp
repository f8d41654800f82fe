#include "FakeTrvApi.h"

#include <QObject>
#include <algorithm>
#include <cstring>

namespace {

FakeTrv* g_fake = nullptr;

std::string text(double v) { return QString::number(v, 'g', 10).toStdString(); }
std::string text(int32_t v) { return std::to_string(v); }
// A map as its entries other than -1: "4:1 5:3".
template <size_t N>
std::string text(const std::array<int32_t, N>& map) {
    std::string t;
    for (size_t i = 0; i < N; ++i)
        if (map[i] != -1) t += (t.empty() ? "" : " ") + std::to_string(i) + ':' + std::to_string(map[i]);
    return t;
}

// Logs "name(a, b, ...)" and answers the result chosen for the entry point.
template <typename... A>
int32_t logged(const std::string& name, A... a) {
    std::string args;
    ((args += (args.empty() ? "" : ", ") + text(a)), ...);
    g_fake->calls.push_back(name + "(" + args + ")");
    const auto it = g_fake->results.find(name);
    return it == g_fake->results.end() ? 0 : it->second;
}

int32_t Startup2(int32_t mode, int32_t* versions) {
    const int32_t r = logged("Startup2", mode);
    if (mode == -1) return r;
    std::copy(g_fake->versions.begin() + 1, g_fake->versions.end(), versions + 1);
    return g_fake->status;
}
int32_t Init(double a, double b, double c, double d) { return logged("Init", a, b, c, d); }
int32_t Material(int32_t mask, double d, double z, double t) { return logged("Material", mask, d, z, t); }
int32_t GetMaterial(double*, double*) { return 0; }
int32_t Simulate(int32_t mode) { return logged("Simulate", mode); }
int32_t StartMeas() { return logged("StartMeas"); }
int32_t GetReadings(double* sensors, double* outputs) {
    auto& q = g_fake->readings;
    const auto n = int32_t(q.size());
    if (n == 0) return 0;
    std::memcpy(sensors, q.front().sensor.data(), sizeof q.front().sensor);
    std::memcpy(outputs, q.front().power.data(), sizeof q.front().power);
    q.pop_front();
    return n;
}
int32_t GetAnReadings(double* analog, double*) {
    auto& q = g_fake->analog;
    const auto n = int32_t(q.size());
    if (n == 0) return 0;
    std::memcpy(analog, q.front().data(), sizeof q.front());
    q.pop_front();
    return n;
}
int32_t MapSensors(const int32_t* map) {
    std::array<int32_t, 24> m;
    std::copy(map, map + 24, m.begin());
    return logged("MapSensors", m);
}
int32_t MapAnSensors(const int32_t* map) { return logged("MapAnSensors", std::array<int32_t, 4>{map[0], map[1], map[2], map[3]}); }
int32_t Loop2(double r, double p, double i, double d, int32_t out) { return logged("Loop2", r, p, i, d, out); }
int32_t SetPower(int32_t out, double p) { return logged("SetPower", out, p); }
int32_t Auto(int32_t out) { return logged("Auto", out); }
int32_t FullScale(int32_t out, double v, double p, double s) { return logged("FullScale", out, v, p, s); }
int32_t GetPower(double* power) {
    std::copy(g_fake->power.begin(), g_fake->power.end(), power);
    return 0;
}
int32_t ZeroSensor(int32_t s) { return logged("ZeroSensor", s); }
int32_t Zero2(int32_t out) { return logged("Zero2", out); }

}  // namespace

FakeTrv::FakeTrv() { g_fake = this; }

FakeTrv::~FakeTrv() { g_fake = nullptr; }

std::shared_ptr<const TrvApi> FakeTrv::api() const {
    auto api = std::make_shared<TrvApi>();
    *api = TrvApi{Startup2, Init, Material, GetMaterial, Simulate, StartMeas, GetReadings, GetAnReadings,
                  MapSensors, MapAnSensors, Loop2, SetPower, Auto, FullScale, GetPower, ZeroSensor, Zero2};
    return api;
}

std::vector<std::string> FakeTrv::take() {
    std::vector<std::string> out;
    out.swap(calls);
    return out;
}

CardEventLog::CardEventLog(cTRV600a& card) {
    QObject::connect(&card, &cTRV600a::TRVError, &context_, [this](int32_t code, const QString& text) {
        lines << QStringLiteral("error %1: %2").arg(code).arg(text);
    });
    QObject::connect(&card, &cTRV600a::TRVSensorEvent, &context_, [this](int32_t code, const QString& text, int32_t s) {
        lines << QStringLiteral("sensor %1 code %2: %3").arg(s).arg(code).arg(text);
    });
    QObject::connect(&card, &cTRV600a::TRVOutputEvent, &context_, [this](int32_t code, const QString& text, int32_t o) {
        lines << QStringLiteral("output %1 code %2: %3").arg(o).arg(code).arg(text);
    });
}

QStringList CardEventLog::take() {
    QStringList out;
    out.swap(lines);
    return out;
}

// The cost of one reading exchange on the station's side: the reading request is framed
// and sent, and the unit's reading reply is collected byte by byte, checked and parsed
// into the model. On the 115200-baud wire the same reply takes about 20 ms.
#include "BenchSupport.h"

#include "unit/OrunFrame.h"
#include "unit/cORUN.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

// A reading of all eight channels, as the unit sends it.
QByteArray ReadingReplyFrame() {
    QByteArray text = "AG";
    for (int ch = 0; ch < 8; ++ch) text += ";" + QByteArray::number(20412 + 37 * ch) + ",50,20100,0,20300,0";
    text += ";;";
    return OrunFrame::BuildFrame(text);
}

void BM_BuildFrame(benchmark::State& state) {
    uint8_t out[16];
    const uint8_t text[] = {'G'};
    for (auto _ : state) {
        benchmark::DoNotOptimize(OrunFrame::BuildFrame(text, 1, out));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildFrame);

void BM_ReadingExchange(benchmark::State& state) {
    cORUN link;
    link.setEnabled(true);
    const QByteArray reply = ReadingReplyFrame();
    for (auto _ : state) {
        link.SendGetReading();
        for (char c : reply) link.ParseResponse(static_cast<uint8_t>(c));
    }
    if (link.ChanCounts(7, 0) != 20412 + 37 * 7) state.SkipWithError("reply not parsed");
    state.counters["reply_bytes"] = reply.size();
    state.counters["us_per_reply"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadingExchange)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks<QCoreApplication>(argc, argv); }

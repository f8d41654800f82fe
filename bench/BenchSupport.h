#pragma once
// What the station's benchmarks share: the station records the tests start from, and a
// main that runs the benchmarks inside a Qt application.
#include "support/StationRecords.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <type_traits>

// Runs the benchmarks named on the command line inside an application of type App:
// QCoreApplication, or QApplication for windows (offscreen unless a platform is set).
template <typename App>
int RunBenchmarks(int argc, char** argv) {
    if constexpr (std::is_base_of_v<QGuiApplication, App>)
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#pragma once
// A bench for the quartz sensor tests: a folder that stands for "/" to the USB bridge, so
// emulated sensors plugged in there are the only ones it finds; a fixed clock; every box
// answered and recorded; a temporary program folder for the error reports.
#include "mirelsim/MirelSim.h"
#include "platform/Clock.h"
#include "platform/TtyUsbBridge.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

class SensorBench : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        TtyUsbBridge::Instance().setRoot(root.path());
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)));
    }
    void TearDown() override {
        TtyUsbBridge::Instance().setRoot(QString());
        Clock::UseSystem();
    }

    // Plugs a sensor in; false (and a test failure) when no pseudo-terminal can be had.
    bool Plug(MirelSim& sim) {
        const bool ok = sim.Plug(root.path());
        EXPECT_TRUE(ok) << "no pseudo-terminal for " << sim.Serial().toStdString();
        return ok;
    }

    // Lets events run until the condition holds or the time is up.
    static bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!condition()) {
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }

    QTemporaryDir root;
    TempProgramFolder folder;
    DialogRecorder boxes;
};

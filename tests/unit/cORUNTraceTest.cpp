// The trace of the exchange in flight: each command switches it on, each reply off.
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"

#include "app/cQueue.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {
QStringList DrainTrace() {
    QStringList lines;
    QVariant v;
    while (gQueue.DeQueue(v)) lines << v.toString();
    return lines;
}
}  // namespace

TEST(cORUNTrace, EveryCommandIsTracedButOnlyTheFirstStartsAFreshTraceFile) {
    TempProgramFolder folder;
    gQueue.ClearQueue();
    folder.write("trace.log", "old trace");
    cORUN link;
    link.setEnabled(true);

    link.SendCheckReading();
    EXPECT_FALSE(QFile::exists(folder.file("trace.log")));
    // The reply clears the trace of the exchange it ends.
    Reply(link, "F0");
    EXPECT_TRUE(DrainTrace().isEmpty());

    // A file that appears later is left alone: the poll's commands do not touch the disk.
    folder.write("trace.log", "later");
    link.SendReadSensors();
    EXPECT_TRUE(QFile::exists(folder.file("trace.log")));
    const QStringList lines = DrainTrace();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(" Push: cORUN_Command_D")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" Pop: cORUN_Command_D")) << lines[1].toStdString();

    // Each command is traced under its own text, the poll's requests and any other.
    const struct {
        std::function<void()> send;
        const char* text;
    } commands[] = {
        {[&] { link.SendReadDigitalInputs(); }, "M"}, {[&] { link.SendCheckReading(); }, "F"},
        {[&] { link.SendGetReading(); }, "G"},       {[&] { link.SendReadChannels(); }, "A"},
        {[&] { link.SendString("g"); }, "g"},        {[&] { link.SendString("N1,0"); }, "N1,0"},
        {[&] { link.SendString("Dx"); }, "Dx"},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.text);
        Reply(link, "X");  // ends the exchange before, and its trace
        c.send();
        const QStringList traced = DrainTrace();
        ASSERT_EQ(traced.size(), 2);
        EXPECT_TRUE(traced[0].endsWith(QStringLiteral(" Push: cORUN_Command_") + c.text)) << traced[0].toStdString();
        EXPECT_TRUE(traced[1].endsWith(QStringLiteral(" Pop: cORUN_Command_") + c.text)) << traced[1].toStdString();
    }
}

#include "app/cErrHandler.h"

#include "app/VBConv.h"
#include "app/cQueue.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

const QDateTime kMoment(QDate(2026, 3, 1), QTime(13, 2, 5));

// Three procedures written the way every application procedure is.
int16_t Inner(int16_t n) {
    ORUN_PROC("modC_Inner");
    int16_t result = 0;
    try {
        result = n;
        throw RuntimeError(13, QStringLiteral("Type mismatch"));
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

int16_t Middle() {
    ORUN_PROC("modB_Middle");
    int16_t result = 0;
    try {
        result = static_cast<int16_t>(Inner(7) + 1);
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

void Outer(int16_t& got) {
    ORUN_PROC("frmMain_Outer");
    try {
        got = Middle();
    } catch (...) {
        gErr.HandleError();
    }
}

QString ExpandedInfo() {
    const AppInfoData& app = App();
    return QStringLiteral("\r\nAdditional Information\r\n----------------------\r\n") +
           "Current Directory: " + QDir::toNativeSeparators(QDir::currentPath()) + "\r\n" +
           "App Title: " + app.Title + "\r\n" + "App CompanyName: " + app.CompanyName + "\r\n" +
           "App Major: " + QString::number(app.Major) + "\r\n" + "App Minor: " + QString::number(app.Minor) +
           "\r\n" + "App Revision: " + QString::number(app.Revision) + "\r\n" + "App Path: " + ProgramFolder() +
           "\r\n" + "App ProductName: " + app.ProductName + "\r\n";
}

class ErrHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::SetFixed(kMoment); }
    void TearDown() override { Clock::UseSystem(); }
    TempProgramFolder folder;
    DialogRecorder dialogs;
};

}  // namespace

TEST_F(ErrHandlerTest, ThreeDeepErrorWritesTheExactReportAndShowsTheCriticalBox) {
    int16_t got = -1;
    Outer(got);
    // The failing function returns what its result held; the caller goes on.
    EXPECT_EQ(got, 8);
    EXPECT_EQ(gErr.StackPointer(), 0);

    const QString date = vb::Format(kMoment, QStringLiteral("General Date"));
    const QString title = App().Title;
    const QString expected = title + " Application Error Information\r\n"
                             "====================================\r\n"
                             "Current Time   : " + date + "\r\n"
                             "Error String   : Type mismatch\r\n"
                             "Error Number   : 13\r\n"
                             "Error Line     : 0\r\n"
                             "Error Procedure: modC_Inner\r\n"
                             "\r\n"
                             "Procedure Stack\r\n"
                             "---------------\r\n"
                             "01  frmMain_Outer\r\n"
                             "02    modB_Middle\r\n"
                             "03      modC_Inner\r\n"
                             "\r\n" + ExpandedInfo();
    EXPECT_EQ(QString::fromUtf8(folder.read("ERRORS.TXT")), expected);

    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().prompt, "The following error has occurred in procedure: \r\nmodC_Inner on line 0\r\n"
                                     "Error (13) Type mismatch");
    EXPECT_EQ(dialogs.last().icon(), vbCritical);
    EXPECT_EQ(dialogs.last().title, title);
    EXPECT_EQ(gErr.ErrProcedure(), "modC_Inner");

    // A second error appends a second complete report.
    Outer(got);
    EXPECT_EQ(QString::fromUtf8(folder.read("ERRORS.TXT")), expected + expected);
}

TEST_F(ErrHandlerTest, ReportWithoutExpandedInfoEndsAfterStackOrCurrentOperation) {
    cErrHandler h;
    h.setIncludeExpandedInfo(false);
    h.setDestination(QStringLiteral("C:\\REPORT.TXT"));
    h.setMsgTitle(QStringLiteral("Station"));
    h.HandleError(RuntimeError(5, QStringLiteral("Invalid procedure call or argument"), 120));
    const QString date = vb::Format(kMoment, QStringLiteral("General Date"));
    const QString head = "Station Application Error Information\r\n====================================\r\n"
                         "Current Time   : " + date + "\r\n"
                         "Error String   : Invalid procedure call or argument\r\n"
                         "Error Number   : 5\r\nError Line     : 120\r\nError Procedure: \r\n\r\n"
                         "Procedure Stack\r\n---------------\r\n\r\n";
    EXPECT_EQ(QString::fromUtf8(folder.read("REPORT.TXT")), head);
    EXPECT_EQ(dialogs.last().prompt, "The following error has occurred in procedure: \r\n on line 120\r\n"
                                     "Error (5) Invalid procedure call or argument");
    EXPECT_EQ(dialogs.last().title, "Station");

    // Current operation, a 300-character description cut to 255 in the report, a name
    // deeper than slot 9 written with two digits and 20 blanks.
    QFile::remove(folder.file("REPORT.TXT"));
    h.setCurrentOperation(QStringLiteral("Loading"));
    for (int i = 1; i <= 10; ++i) h.Push(i == 10 ? QStringLiteral("modX_Ten") : QString());
    h.HandleError(RuntimeError(6, QString(300, 'x')));
    const QString report = QString::fromUtf8(folder.read("REPORT.TXT"));
    EXPECT_TRUE(report.contains("Error String   : " + QString(255, 'x') + "\r\n"));
    EXPECT_TRUE(report.endsWith("---------------\r\n10" + QString(20, ' ') + "modX_Ten\r\n\r\nCurrent Operation: Loading\r\n"));
    EXPECT_TRUE(dialogs.last().prompt.endsWith("Error (6) " + QString(300, 'x') + "\r\nCurrent Operation: Loading"));
    for (int i = 1; i <= 10; ++i) h.Pop();
}

TEST_F(ErrHandlerTest, StackUnderflowOverflowAndResizeKeepTheProgramGoing) {
    cErrHandler h;
    h.Pop();
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().prompt, "Non Fatal Error:\r\nError Stack Underflow.");
    EXPECT_EQ(dialogs.last().icon(), vbInformation);
    EXPECT_EQ(h.StackPointer(), 0);
    h.Push(QStringLiteral("a_First"));
    EXPECT_EQ(h.StackSlot(1), "a_First");

    // Resizing empties the stack but leaves the pointer.
    h.setMaxProcStackItems(2);
    EXPECT_EQ(h.StackPointer(), 1);
    EXPECT_EQ(h.StackSlot(1), "");
    dialogs.clear();
    h.Push(QStringLiteral("a_2"));
    h.Push(QStringLiteral("a_3"));  // past the maximum: message, the spare slot names it
    h.Push(QStringLiteral("a_4"));
    h.Push(QStringLiteral("a_5"));  // beyond every slot: nothing stored, nothing overwritten
    EXPECT_EQ(dialogs.prompts(), QStringList(3, "Non Fatal Error:\r\nError Stack Overflow."));
    h.setDisplayMsgOnError(false);
    h.setDestination(QStringLiteral("deep.txt"));
    h.HandleError(RuntimeError(28, QStringLiteral("Out of stack space")));
    EXPECT_EQ(h.ErrProcedure(), "");
    for (int i = 0; i < 4; ++i) h.Pop();
    EXPECT_EQ(h.StackPointer(), 1);
    EXPECT_TRUE(QString::fromUtf8(folder.read("deep.txt")).contains("03      a_3\r\n04        a_4\r\n\r\n"));
    h.Pop();
}

TEST_F(ErrHandlerTest, UnwritableReportStillShowsTheBoxAndACancellingHandlerSuppressesAll) {
    cErrHandler h;
    h.setDestination(QStringLiteral("no-such-folder\\ERRORS.TXT"));
    h.HandleError(RuntimeError(53, QStringLiteral("File not found")));
    EXPECT_EQ(dialogs.count(), 1);
    EXPECT_FALSE(QFile::exists(folder.file("no-such-folder/ERRORS.TXT")));

    int after = 0;
    QObject::connect(&h, &cErrHandler::BeforeHandlerCalled, [](bool& cancel) { cancel = true; });
    QObject::connect(&h, &cErrHandler::AfterHandlerCalled, [&after] { ++after; });
    h.setDestination(QStringLiteral("C:\\ERRORS.TXT"));
    h.HandleError(RuntimeError(11, QStringLiteral("Division by zero")));
    EXPECT_EQ(dialogs.count(), 1);
    EXPECT_EQ(after, 0);
    EXPECT_FALSE(QFile::exists(folder.file("ERRORS.TXT")));
    EXPECT_EQ(h.ErrNumber(), 11);  // captured before the handlers ran

    EXPECT_TRUE(h.ClearLog());  // nothing to delete: still true
    folder.write("ERRORS.TXT", "old");
    EXPECT_TRUE(h.ClearLog());
    EXPECT_FALSE(QFile::exists(folder.file("ERRORS.TXT")));
}

TEST_F(ErrHandlerTest, ErrorsInFlightAreIdentifiedAndDestinationAcceptsOnlyTexts) {
    cErrHandler h;
    h.setDisplayMsgOnError(false);
    try {
        throw std::out_of_range("vector index");
    } catch (...) {
        h.HandleError();
    }
    EXPECT_EQ(h.ErrNumber(), 51);
    EXPECT_TRUE(h.ErrDescription().contains("vector index"));

    QObject someObject;
    h.setDestination(QVariant::fromValue(&someObject));
    EXPECT_EQ(h.Destination(), "C:\\ERRORS.TXT");
    try {
        h.setDestination(1.5);
        FAIL() << "a number was accepted as destination";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, static_cast<int32_t>(0x800403E8u));
        EXPECT_EQ(e.description, "Invalid object type: 5");
    }
    EXPECT_EQ(h.Destination(), "C:\\ERRORS.TXT");
}

TEST_F(ErrHandlerTest, TracingQueuesTimedLinesAndNeverHangsOnAnUndeletableTraceFile) {
    gQueue.ClearQueue();
    folder.write("trace.log", "old trace");
    cErrHandler h;
    h.setTraceExecution(true);
    EXPECT_FALSE(QFile::exists(folder.file("trace.log")));
    EXPECT_EQ(h.TraceFile(), folder.file("trace.log"));
    {
        ProcTrace t(h, QStringLiteral("cORUN_Command_@"));
    }
    QVariant line;
    ASSERT_TRUE(gQueue.DeQueue(line));
    EXPECT_EQ(line.toString(), vb::CStrSingle(Timer()) + " Push: cORUN_Command_@");
    ASSERT_TRUE(gQueue.DeQueue(line));
    EXPECT_EQ(line.toString(), vb::CStrSingle(Timer()) + " Pop: cORUN_Command_@");
    EXPECT_FALSE(gQueue.DeQueue(line));

    h.setTraceExecution(false);
    h.Push(QStringLiteral("x_Quiet"));
    h.Pop();
    EXPECT_FALSE(gQueue.DeQueue(line));

    // A folder named trace.log with something inside cannot be deleted.
    ASSERT_TRUE(QDir(folder.path()).mkpath("trace.log/keep"));
    Clock::UseSystem();
    QElapsedTimer t;
    t.start();
    h.setTraceExecution(true);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(h.TraceExecution());
}

TEST_F(ErrHandlerTest, AHandlerEndingWithNamesOnItsStackSaysSo) {
    {
        cErrHandler h;
        h.Push(QStringLiteral("modA_Left"));
    }
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().prompt, "Non Fatal Error:\r\nError Trace Stack = 1 on Terminate.\r\nProcedure: modA_Left");
    EXPECT_EQ(dialogs.last().icon(), vbInformation);
}

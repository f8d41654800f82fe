#pragma once
// The program's error reporting and procedure trace.
//
// Calling convention of every application procedure (module procedure, class member,
// window handler):
//
//     int16_t modX::Foo(int16_t n) {
//         ORUN_PROC("modX_Foo");          // pushes the name now, pops it on every way out
//         int16_t result = 0;             // what the function returns, also after an error
//         try {
//             ...                         // the body; it may throw RuntimeError
//         } catch (...) {
//             gErr.HandleError();         // reports the error in flight, then falls through
//         }
//         return result;
//     }
//
// - ORUN_PROC takes a string literal and traces on gErr. A name built at run time, or a
//   class's private handler, uses the guard itself:
//   `ProcTrace trace(mErr, objectName() + "_ORUNResponse");`
// - `gErr.HandleError()` must be called inside a catch block: it identifies the error in
//   flight (RuntimeError with its number, description and line; a standard exception; an
//   unknown one) and reports it. `HandleError(const RuntimeError&)` reports a given error.
// - The guard is declared before the try block, so the name is still on the stack while
//   the report is written, and is popped once when the procedure returns.
// - A procedure that passes its errors to its caller has no try/catch; a procedure
//   without a trace name has no ORUN_PROC.
// - The database routines call their own error path, which shows the engine's errors
//   before calling gErr.HandleError(): `catch (...) { modDB::DBErrorPath(); }` (data/modDB.h).
#include "platform/RuntimeError.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

class cErrHandler : public QObject {
    Q_OBJECT

public:
    cErrHandler();
    ~cErrHandler() override;
    cErrHandler(const cErrHandler&) = delete;
    cErrHandler& operator=(const cErrHandler&) = delete;

    // The report file, as written in settings ("C:\ERRORS.TXT" is ERRORS.TXT in the
    // program folder). The setter takes any value: a text is stored, an object is
    // ignored, anything else raises the application-defined error 0x800403E8.
    QString Destination() const { return destination_; }
    void setDestination(const QVariant& value);

    bool DisplayMsgOnError() const { return displayMsgOnError_; }
    void setDisplayMsgOnError(bool value) { displayMsgOnError_ = value; }
    bool IncludeExpandedInfo() const { return includeExpandedInfo_; }
    void setIncludeExpandedInfo(bool value) { includeExpandedInfo_ = value; }

    // Setting it re-creates the stack (slots 0 to value + 2, all empty); the stack
    // pointer stays where it was.
    int16_t MaxProcStackItems() const { return maxProcStackItems_; }
    void setMaxProcStackItems(int16_t value);

    // Switching tracing on starts a fresh trace file: an old trace.log is deleted.
    bool TraceExecution() const { return traceExecution_; }
    void setTraceExecution(bool value);
    // Switches tracing on again without touching the trace file, for a handler that
    // switches it on and off many times a second and has already started its file.
    void ResumeTraceExecution() { traceExecution_ = true; }

    // Deletes the report file, ignoring failures; always true.
    bool ClearLog();

    // Appends one line, the time and the text, to the report file, with no message: for a
    // condition the program deals with itself that the station's keeper should still find.
    // False when the file did not take it (a folder that cannot be written).
    bool Note(const QString& text) const;

    // Reports the error in flight (call inside a catch block).
    void HandleError();
    // Reports the given error.
    void HandleError(const RuntimeError& error);

    void Push(const QString& procName);
    void Pop();

    // For the program's own use.
    QString MsgTitle() const { return msgTitle_; }
    void setMsgTitle(const QString& value) { msgTitle_ = value; }
    QString CurrentOperation() const { return currentOperation_; }
    void setCurrentOperation(const QString& value) { currentOperation_ = value; }
    int32_t ErrNumber() const { return errNumber_; }
    int32_t ErrLine() const { return errLine_; }
    QString ErrDescription() const { return errDescription_; }
    QString ErrProcedure() const { return errProcedure_; }
    QString TraceFile() const { return traceFile_; }
    int16_t StackPointer() const { return stackPointer_; }
    // The name in a stack slot; empty for a slot outside the stack.
    QString StackSlot(int slot) const;

    // The run-time error in flight inside a catch block, as the error handler sees it.
    static RuntimeError CurrentError();

signals:
    // A handler that sets cancel suppresses the report, the message and AfterHandlerCalled.
    void BeforeHandlerCalled(bool& cancel);
    void AfterHandlerCalled();

private:
    QString Report() const;
    void WriteReport() const;
    void ShowMessage() const;
    void DeleteOldTraceFile() const;
    void AddTraceLine(const char* what) const;

    int16_t maxProcStackItems_ = 100;
    bool includeExpandedInfo_ = true;
    bool displayMsgOnError_ = true;
    int32_t errNumber_ = 0;
    int32_t errLine_ = 0;
    QString errDescription_;
    QString errProcedure_;
    QString msgTitle_;
    QString destination_ = QStringLiteral("C:\\ERRORS.TXT");
    QString currentOperation_;
    bool traceExecution_ = false;
    std::vector<QString> procStack_;
    int16_t stackPointer_ = 0;
    QString traceFile_;
};

// The program's one error handler; it keeps its defaults for the whole run.
extern cErrHandler gErr;

// Pushes a procedure name on entry and pops it on every way out.
class ProcTrace {
public:
    ProcTrace(cErrHandler& handler, const QString& procName) : handler_(handler) { handler_.Push(procName); }
    ~ProcTrace() { handler_.Pop(); }
    ProcTrace(const ProcTrace&) = delete;
    ProcTrace& operator=(const ProcTrace&) = delete;

private:
    cErrHandler& handler_;
};

#define ORUN_PROC(name) const ProcTrace orunProcTrace_(gErr, QStringLiteral(name))

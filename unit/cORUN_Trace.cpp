// The link's own error handler. It traces the commands and replies of the exchange in
// flight into the trace queue (switched on by each command, off by the reply, or after a
// time-out once the reply that never came is noted), and reports errors raised inside
// the link.
#include "unit/cORUN.h"

#include "app/cErrHandler.h"
#include "app/cQueue.h"

cErrHandler& cORUN::Err() {
    if (!Err_) {
        Err_ = new cErrHandler;
        Err_->setParent(this);
    }
    return *Err_;
}

bool cORUN::Tracing() { return Err().TraceExecution(); }
// Every command switches tracing on and every reply off, several times per poll. Only the
// first switch starts a fresh trace file; after that the flag alone changes, so no
// command waits on the file system (or on window events while an old file resists).
void cORUN::setTracing(bool on) {
    if (on && TraceStarted_) {
        Err().ResumeTraceExecution();
        return;
    }
    Err().setTraceExecution(on);
    if (on) TraceStarted_ = true;
}

void cORUN::TraceEntry(const QString& name) {
    Err().Push(name);
    Err().Pop();
}

void cORUN::TraceCommand(const QString& T) {
    // The poll's own requests go out several times per tick: their entry names are made
    // once, not put together for every command.
    static const QString kPoll[] = {QStringLiteral("cORUN_Command_D"), QStringLiteral("cORUN_Command_M"),
                                    QStringLiteral("cORUN_Command_F"), QStringLiteral("cORUN_Command_G"),
                                    QStringLiteral("cORUN_Command_g")};
    if (T.size() == 1) {
        switch (T.at(0).unicode()) {
        case 'D': TraceEntry(kPoll[0]); return;
        case 'M': TraceEntry(kPoll[1]); return;
        case 'F': TraceEntry(kPoll[2]); return;
        case 'G': TraceEntry(kPoll[3]); return;
        case 'g': TraceEntry(kPoll[4]); return;
        default: break;
        }
    }
    TraceEntry(QStringLiteral("cORUN_Command_") + T);
}

void cORUN::TraceLine(const QString& line) { gQueue.EnQueue(line); }
void cORUN::TraceClear() { gQueue.ClearQueue(); }

void cORUN::ReportError(const char* procedure) {
    if (!procedure) {
        Err().HandleError();
        return;
    }
    const ProcTrace trace(Err(), QLatin1String(procedure));
    Err().HandleError();
}

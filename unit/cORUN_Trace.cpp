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
void cORUN::setTracing(bool on) { Err().setTraceExecution(on); }

void cORUN::TraceEntry(const QString& name) {
    Err().Push(name);
    Err().Pop();
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

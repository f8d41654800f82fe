// The link's own error handler: it traces each command and reply while a reply is awaited,
// and reports errors raised inside the link.
#include "unit/cORUN.h"

// Stand-in until the error handler is available.
namespace {
bool gLinkTracing = false;
}

bool cORUN::Tracing() { return gLinkTracing; }
void cORUN::setTracing(bool on) { gLinkTracing = on; }
void cORUN::TraceEntry(const QString&) {}
void cORUN::TraceLine(const QString&) {}
void cORUN::TraceClear() {}
void cORUN::ReportError(const std::exception&) {}

#pragma once
// The system's request that the program end (SIGTERM, SIGINT, SIGHUP: the session ends,
// the service manager stops it, Ctrl+C in its terminal) delivered as a call on the
// user-interface thread, so the program closes the way it closes for the operator.
#include <functional>

// Installs the handlers; each request calls onRequest from the event loop.
void OnTerminationRequest(std::function<void()> onRequest);

// True once the system has asked the program to end: nobody may be there to read a message.
bool TerminationRequested();

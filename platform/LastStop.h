#pragma once
// The unit's last stop: however the program ends (an exit() it did not ask for, such as
// the display server's connection breaking; a fatal Qt message; a critical error; a crash),
// the unit it was driving gets its zero powers, emission off and the stop's relay word
// before the process is gone.
//
// The unit link keeps the stop's frames and its descriptor here as they stand; running the
// stop needs no event loop, no object of the program and no allocation: the frames are
// written straight to the descriptor, one at a time, each waited for briefly. A descriptor
// that was closed or now names another file (its number reused) is left alone.
#include <QByteArray>
#include <QList>

namespace LastStop {

// The frames that stop the unit, in the order they go out (at most kMaxFrames, each at most
// kMaxFrameBytes; more are left out). A frame counts as taken when a reply frame comes back
// whose text begins with the frame's command letter (its third byte), as the unit's do.
constexpr int kMaxFrames = 10;
constexpr int kMaxFrameBytes = 262;
void SetFrames(const QList<QByteArray>& frames);

// The descriptor of the unit's link as it stands now (a connected socket or an open serial
// port); -1 when there is no link.
void SetLink(int fd);
int Link();

// Writes the frames to the link once; every later call returns false once that stop has
// gone out (a second signal on another thread waits for it). No signal interrupts it on
// its own thread. Each frame waits up to replyWaitMs for its reply; once one stays out,
// the rest go without waiting. True when every frame was written.
bool Run(int replyWaitMs = 300);

// For the program itself (its entry routine), not for tests: the last stop runs on every
// end the program did not choose itself: std::exit and std::quick_exit from anywhere (a
// library, the display connection breaking), a fatal Qt message, and every signal whose
// default action ends the process other than the requests to end (SignalRoles: SIGQUIT,
// the crashes, SIGUSR1, the timers and limits, the real-time signals...). Such an end then
// goes no further than the standard streams' flush: the process ends at once with status
// 1, so no global is torn down after what it needs; a signal goes on to the handler it had
// before (a sanitizer's) or to its default end. A signal another part of the process had
// taken before (a profiler's SIGPROF) is left to it, the crash signals excepted. Each call
// registers the exit handler again: exit() runs the handlers registered last first, so a
// call once the program's globals are made puts the last stop ahead of their destructors.
void InstallForProgram();
// The entry routine returns: its own end runs the destructors as usual.
void EndingNormally();

}  // namespace LastStop

#pragma once
// What the program's end could not do, written where it will be found, and the exit
// status that tells whoever started the program (a service manager, a script) whether the
// end was clean:
//
//   0  the unit took its stop and everything the exit saves was saved
//   1  an end the program did not choose (its display gone, a library's exit(), a
//      critical error): the unit got its last stop, nothing was saved
//   2  the unit did not confirm the shutdown's stop: it may still drive its outputs
//   4  something the exit saves was not saved (it is named in ERRORS.TXT and on
//      standard error)
//   6  both 2 and 4
//
// A signal that ends the program with the unit's last stop (SIGQUIT, SIGUSR1, a crash...)
// ends it as that signal does.
#include <QString>

namespace ExitRecord {

enum Status : int { Clean = 0, StopNotConfirmed = 2, NotAllSaved = 4 };

// What the exit could not save, in a sentence that names it: appended to ERRORS.TXT when
// the folder takes it, and written to standard error always (a service's journal keeps
// it).
void NotSaved(const QString& text);

// The unit did not take the shutdown's stop (the error report already holds the details).
void StopUnconfirmed(const QString& text);

// The status the program ends with when its event loop ended as it should.
int Status();

// Forgets what earlier ends recorded, for a program whose life starts again in one process.
void Clear();

}  // namespace ExitRecord

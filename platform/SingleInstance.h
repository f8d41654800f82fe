#pragma once
// Whether another instance of the program is already running: a lock file named after the
// program in the user's runtime folder ($XDG_RUNTIME_DIR), held while the program runs.
// A lock left by a program that died is taken over.
#include <QString>

// Takes the lock for appName; false when another running instance holds it. The lock is
// held until the program ends.
bool TakeInstanceLock(const QString& appName);

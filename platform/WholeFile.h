#pragma once
// Writing a whole file so that a failure never costs the file it replaces.
//
// The new bytes go to a file of their own beside the target, straight to its descriptor
// (a buffered write only learns of a full disk at the flush), are forced to the disk, and
// the new file then takes the target's place in one rename. Any failure on the way (disk
// full, file too large, I/O error, a folder that takes no new files) leaves the target as it
// was and gives the system's error number.
//
// A folder that takes no new files (read-only folder, writable file) cannot hold the
// scratch file: the target is then written in place, and when that fails its old bytes
// are written back.
//
// The file beside the target is named "<target>.orun-write-" and six letters or digits, a
// name of the writer's own: a program killed while writing leaves it behind, and
// RemoveScratchCopies clears exactly those from a folder (nothing else in it).
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QString>

namespace WholeFile {

// Replaces (or creates) the file at path (a native path) with bytes. 0 on success, else
// the system's error number.
int Save(const QString& path, const QByteArray& bytes);
// Makes the file at to an exact copy of the file at from, the same way. 0 on success, else
// the system's error number.
int Copy(const QString& from, const QString& to);
// Adds bytes at the end of the file at path (created when missing), all of them or none:
// a write the disk refuses part-way is cut off again, so the file keeps what it held and
// no part of the bytes. 0 on success, else the system's error number.
int Append(const QString& path, const QByteArray& bytes);

// Deletes the scratch files that writes killed midway left in the folder; the number
// deleted.
int RemoveScratchCopies(const QString& folder);

// The run-time error that stands for a system error number of a write: 61 "Disk full" for
// a full disk or quota (or a file grown past its limit), 75 "Path/File access error" for a
// refused or read-only place, 53 "File not found" for a missing source, 76 "Path not
// found" for a missing folder, 57 "Device I/O error" for the rest. The description names
// what about, then the system's words.
RuntimeError ErrorOf(int osError, const QString& what);

}  // namespace WholeFile

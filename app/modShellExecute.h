#pragma once
// Opening a document with the program the desktop associates with it.
#include <QString>
#include <cstdint>

namespace modShellExecute {

// Error codes below 33 that LaunchDocument returns.
constexpr int32_t kFileNotFound = 2;
constexpr int32_t kNoAssociation = 31;

// Opens FileName (environment variables in it, as %NAME% or $NAME, are expanded; a
// relative name is taken in Directory when given, else by the program-folder rules).
// A program file is started in Directory (else its own folder); any other file goes to
// the desktop's viewer. Returns -1 on success, else an error code below 33.
// The owner window and the show command are accepted for the callers' sake; the desktop
// decides where and how the document shows.
int32_t LaunchDocument(int32_t OwnerWindow, const QString& FileName, const QString& Directory,
                       int32_t ShowCommand);
// The instance result (33 or more on success, else the error code) and the process id of
// the last LaunchDocument (0 when none was started).
int32_t LastInstanceResult();
int64_t LastProcessHandle();

// The program never runs inside its development environment here.
bool RunningFromIDE();

}  // namespace modShellExecute

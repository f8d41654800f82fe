#pragma once
// Paths, file existence, copying, appending lines and file times. File names follow the
// program-folder rules: "\" separates folders, a drive prefix names the program folder,
// and a name without a folder part lies in the program folder.
// Except where said, errors are reported in a box titled with the routine's name.
#include <QString>
#include <cstdint>

namespace modFileUtil {

// A date as the original's file-time routines took it apart.
struct SystemTimeRec {
    int Year = 0;
    int Month = 0;
    int DayOfWeek = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Milliseconds = 0;
};

// Full path of the running program file. Errors pass to the caller.
QString GetExeFileName();
// Date (a date serial, whole seconds) of a file's time: Which 0 creation, 1 last access,
// 2 last write; in local time when ToLocal, else in UTC. 0 when the file cannot be opened
// or Which is another value. Errors pass to the caller.
double GetFileDateTime(const QString& FileName, int32_t Which, bool ToLocal);
// Date serial of the record's date and time; milliseconds are dropped.
double SystemTimeToVBATime(const SystemTimeRec& time);
// Date serial of a file time (100 ns units since 1601-01-01 UTC). With ToLocal the time is
// first made local and the local file time is written back into FileTime. 0 when the
// file time is not a valid date.
double WinTimeToVBATime(int64_t& FileTime, bool ToLocal);

// Appends Text and CR LF to the file (created when missing), the whole line or nothing of
// it. False after an error. The error's message names the file and the cause; the next
// failures of that file for the same cause are not told again until it has taken a line.
bool AppendToTextFile(const QString& FileName, const QString& Text);
// Copies Source onto Destination so the destination ends up byte-identical (a longer
// existing destination is cut). False after an error (a full disk included); the
// destination is then as it was.
bool CopyFile(const QString& Source, const QString& Destination);
// True when Path names a folder (an empty path is the program folder).
bool DirExists(const QString& Path);
// True when the name (wildcards * and ? allowed in the name part) finds a file; False
// for an empty name. Never reports an error.
bool FileExists(const QString& FileName);
// The text after the last "\" or "/" (the whole path when it has none).
QString GetNamePart(const QString& Path);
// The text up to and including the last "\" or "/" (empty when it has none).
QString GetPathPart(const QString& Path);
// True when two paths as written in settings name the same place (case ignored, as the
// original's file system did).
bool SamePath(const QString& a, const QString& b);
// Deletes the file, ignoring every failure; always True.
bool KillFile(const QString& FileName);

}  // namespace modFileUtil

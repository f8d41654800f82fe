#pragma once
// Text output shared by the whole program: the data log (start and end lines, header,
// rows and the file they go to), channel values formatted by their film's display digits,
// the locale's decimal separator, the midnight-safe time difference, short file names for
// display, the database file dialog and the fatal-error exit.
//
// The data log is a shared text format:
//   start   "Start Log" TAB name TAB "Run:"n TAB date TAB time CR LF   (then an empty line)
//   header  "Layer: "n [CR LF "Chan:"... per channel with a film] CR LF "ProcTime" D "Phase     " D
//           then the titles of the logged channel and sensor columns
//   row     process time D phase name (10 wide) D then the logged values, each followed by D
//   end     CR LF "End Log  " TAB name TAB "Run:"n TAB date TAB time CR LF
// D is the configured delimiter (LogDelimit).
#include <QString>
#include <cstdint>

namespace modUtil {

// ---- Data log ----
QString LogStartLine();
QString LogEndLine();
// The header (several lines joined by CR LF); empty after a reported error.
QString PrintHeader();
// One row of readings; empty after a reported error.
QString PrintReadings();
// The state column of a sensor in a row: "Off " or "On " and the delimiter D for the
// states 0 and 1; nothing at all, not even D, for any other state.
QString SensorStateColumn(int16_t state, const QString& D);
// Appends Text and CR LF to the log file (LogFile, or the file of this run when LogType
// is 2). The file is opened and closed for the line.
void PrintToLog(const QString& Text);
// The log file of run RunNumber: the run number joins the file name before its first
// "." ("ORUN.TXT", 7 gives "ORUN_7.TXT"), or is appended when the name has no "." or
// starts with it. Dots in the folder part are left alone.
QString LogFileOfRun(const QString& logFile, int runNumber);

// ---- Numbers ----
// A value of the channel's film: scaled by the film's exponent, "OVRG" when it needs more
// whole digits than the film shows, else with the film's decimals (" 1.23", "-1.23");
// empty for a channel without a film or a film with more than 4 decimals.
QString FormatChannelValue(double value, int16_t channel);
// A value with the decimals of the channel's film, not scaled; empty without a film.
QString FormatFilmValue(double value, int16_t channel);
// A deviation in percent: "> 99", "< -99", else one decimal (" 2.5", "-2.5").
QString FormatDeviation(double value);
QString FormatOneDecimal(double value);   // " 2.5", "-2.5"
QString FormatTwoDecimals(double value);  // "2.50"
// The text with its decimal separator made the locale's: "," and "." exchanged when the
// text uses the other one.
QString CheckNumberSeparators(const QString& Text);
// Seconds from start to later (both seconds since midnight), across midnight.
float TimeDiff(float start, float later);

// ---- Files and dialogs ----
// A file name shortened for display: the name alone for a file in the program folder (or
// without a folder), the first 10 characters, "...\" and the name for a path of 31
// characters or more, else the path.
QString ShowFileName(const QString& path);
// Asks for the recipe database ("Open Database", or "Save Database As" when save). A file
// in the program folder comes back as its name alone; a cancelled dialog gives DBFile.
QString GetDBFile(bool save);
// The same; chosen tells whether the user confirmed a file, so a caller can do nothing
// after a cancel.
QString GetDBFile(bool save, bool& chosen);

// ---- Fatal errors ----
// Shows "Critical Error: " reason, CR LF, "Application must close!" (critical icon) and
// ends the program at once, without the shutdown sequence (exit code 1).
[[noreturn]] void CriticalError(const QString& reason);
// Ends the program at once, without the shutdown sequence, through the same exit as
// CriticalError (the hook below).
[[noreturn]] void EndProgram(int exitCode);

// The program's end after a critical error. By default it ends the process at once
// (std::_Exit after flushing the standard streams). A test installs its own hook to
// observe the exit; when the hook returns, CriticalError throws CriticalExit so that the
// caller still never goes on. nullptr restores the default.
using CriticalExitHook = void (*)(int exitCode);
void SetCriticalExitHook(CriticalExitHook hook);
struct CriticalExit {
    int exitCode;
};

}  // namespace modUtil

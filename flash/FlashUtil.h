#pragma once
// The programmer's own file, bit and serial helpers. Paths are used as given: unlike the
// station's file routines, no program-folder rule is applied.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

class MSComm;

namespace NorvikFlash {

// True when the path is not empty and names an existing file.
bool FileExists(const QString& path);
// Reads up to count bytes from where the last read stopped; `bytes` becomes exactly the
// bytes read. At the end of the file the result is 0 and `bytes` stays as it was.
int32_t ReadFile(QFile& file, QByteArray& bytes, int32_t count);
// A handle of an existing file that allows neither reading nor writing (enough to ask for
// its size and times); -1 when the file cannot be opened. The caller closes it.
int GetFileHandle(const QString& path);
// Size in bytes; -1 when the file cannot be opened.
int64_t GetFileSize(const QString& path);
// The file's time as a date serial: which 0 creation, 1 last access, 2 last write; in
// local time when toLocal. 0 when the file cannot be opened or `which` is another value.
double GetFileTime(const QString& path, int32_t which, bool toLocal);

// The high byte of the 16-bit pattern, the high and low halves of a 32-bit value.
uint8_t HiByte(int16_t value);
int16_t HiWord(int32_t value);
int16_t LoWord(int32_t value);

// Changes the rate of the open port through its own handle. Raises RuntimeError 8018
// "Operation valid only when the port is open" (source: the port control's name), 8021
// "Could not read current state of the port" or 8015 "Could not set port to specified
// baud rate".
void SetBaudRate(MSComm& port, int32_t rate);

}  // namespace NorvikFlash

#pragma once
// The computer's name, the operating system's version and the system library folder.
#include <QString>
#include <cstdint>

namespace modOSInfo {

QString ComputerName();
// The kernel's version numbers: major, minor, and the third number (the build) AND 0x7FFF.
int32_t OSBuild();
int32_t OSMajorVersion();
int32_t OSMinorVersion();
// The folder the program loads its shared libraries from, ending with "/".
QString SystemDirectory();
// Text up to its first NUL; unchanged when it has none.
QString TrimNulls(const QString& Text);

}  // namespace modOSInfo

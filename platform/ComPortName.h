#pragma once
// Serial ports are named as the original named them ("COM1".."COM9"); on this platform
// "COMn" is the device given by the environment variable ORUN_COMn, else /dev/ttyS(n-1).
// A device path (for example a pseudo-terminal) is taken as it is.
#include <QString>

QString ComPortDevice(const QString& name);

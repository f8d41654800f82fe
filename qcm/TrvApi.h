#pragma once
// The card library's entry points as one table. The card class calls the library only
// through it, so a test can hand the class a table of recording stand-ins instead.
#include "cardlib/TRV600a.h"

#include <QString>
#include <memory>

// The exports the program uses, under their own names (the front-panel pair is not used).
struct TrvApi {
    decltype(&::Kor500Startup2) Kor500Startup2 = nullptr;
    decltype(&::Kor500Init) Kor500Init = nullptr;
    decltype(&::Kor500Material) Kor500Material = nullptr;
    decltype(&::Kor500GetMaterial) Kor500GetMaterial = nullptr;
    decltype(&::Kor500Simulate) Kor500Simulate = nullptr;
    decltype(&::Kor500StartMeas) Kor500StartMeas = nullptr;
    decltype(&::Kor500GetReadings) Kor500GetReadings = nullptr;
    decltype(&::Kor500GetAnReadings) Kor500GetAnReadings = nullptr;
    decltype(&::Kor500MapSensors) Kor500MapSensors = nullptr;
    decltype(&::Kor500MapAnSensors) Kor500MapAnSensors = nullptr;
    decltype(&::Kor500Loop2) Kor500Loop2 = nullptr;
    decltype(&::Kor500SetPower) Kor500SetPower = nullptr;
    decltype(&::Kor500Auto) Kor500Auto = nullptr;
    decltype(&::Kor500FullScale) Kor500FullScale = nullptr;
    decltype(&::Kor500GetPower) Kor500GetPower = nullptr;
    decltype(&::Kor500ZeroSensor) Kor500ZeroSensor = nullptr;
    decltype(&::Kor500Zero2) Kor500Zero2 = nullptr;
};

namespace TrvLibrary {

// The library's file name, "libTRV600a.so".
QString FileName();
// Where the program loads it from: the program's library folder and the file name. The
// quartz facade checks for this very file before it selects the card.
QString Path();

// Loads the library at path and resolves every entry point of the table. The table keeps
// the library loaded; the last holder to let it go unloads it (which ends its threads).
// A missing file is RuntimeError 53 "File not found: <path>", a file that cannot be loaded
// 48 "Error in loading DLL: <reason>", a missing entry point 453 "Can't find DLL entry
// point <name> in <path>".
std::shared_ptr<const TrvApi> Load(const QString& path = Path());

}  // namespace TrvLibrary

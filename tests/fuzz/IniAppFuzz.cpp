// Fuzz target of the station's configuration: arbitrary bytes as ORUN.CFG, read section
// by section as the start-up reads it, and on some inputs written back as the shutdown
// writes it. Checks that every read and write leaves the procedure trace balanced, that
// the sensor filters always exist with a usable size, and that what was written reads back
// or, when the write was refused and reported, that the file is as it was.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "platform/Dialogs.h"
#include "platform/IniProfile.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "qcm/cQCM.h"
#include "run/ProgramObjects.h"
#include "app/ChannelData.h"
#include "unit/cORUN.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Every write of the configuration is synced to the disk; a memory file system keeps the
// many writes of a run fast where there is one.
QString TempPattern() {
    const QString memory = QStringLiteral("/dev/shm");
    return (QFileInfo(memory).isWritable() ? memory : QDir::tempPath()) + QStringLiteral("/orun-fuzz-XXXXXX");
}

struct Station {
    Station() : folder(TempPattern()), settings(TempPattern()) {
        SetProgramFolder(folder.path());
        SettingsStore::SetLocation(settings.path());
        // Serial ports named in the bytes must never reach a real device.
        for (int n = 1; n <= 9; ++n) qputenv(qPrintable(QStringLiteral("ORUN_COM%1").arg(n)), "/nonexistent/tty");
        SetDialogResponder([this](const DialogRequest&) {
            ++boxes;
            return DialogAnswer{vbOK, {}};
        });
        ProgramObjects::CreateApp();
        ProgramObjects::CreateQCM();
        ProgramObjects::CreateUnit();
    }
    QTemporaryDir folder;
    QTemporaryDir settings;
    int boxes = 0;
};

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Station station;
    if (!station.folder.isValid()) return 0;
    const QString path = station.folder.filePath(QStringLiteral("ORUN.CFG"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    for (const char* section : {"Application", "Display", "Datalog", "Debug", "Communications", "Sensor", "QCM"})
        gApp->IniReadApp(QStringLiteral("ORUN.CFG"), QLatin1String(section));
    check(gErr.StackPointer() == 0);
    for (int s = 0; s <= 3; ++s) check(gSensorEmissionFilter(s).Size() >= 1 && gSensorBiasFilter(s).Size() >= 1);

    // Writing back is the slower part: every eighth input only.
    if (size % 8 == 0) {
        const QByteArray before = ReadFile(path);
        station.boxes = 0;
        gApp->IniWriteApp(QStringLiteral("ORUN.CFG"));
        check(gErr.StackPointer() == 0);
        // A key that cannot be written (a value read with a line break in it) is reported,
        // and the file keeps its old configuration whole.
        if (station.boxes > 0) {
            check(ReadFile(path) == before);
            gErr.ClearLog();
            return 0;
        }
        const QString none = QStringLiteral("<none>");
        check(IniProfile::GetString(path, QStringLiteral("DataLog"), QStringLiteral("LogMode"), none) ==
              QLatin1String(LogMode ? "1" : "0"));
        check(IniProfile::GetString(path, QStringLiteral("Application"), QStringLiteral("Process"), none) ==
              vb::CStr(gApp->ProcNum()));
        check(IniProfile::GetString(path, QStringLiteral("Display"), QStringLiteral("MeterDamping"), none) ==
              vb::CStr(MeterDamping));
    }
    gErr.ClearLog();
    return 0;
}

// The configuration file: one section read per call during start-up, everything written
// back at shutdown.
#include "app/cApp.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/Hooks.h"
#include "app/cErrHandler.h"
#include "data/modDB.h"
#include "app/cIniFile.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/IniProfile.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/WholeFile.h"
#include "app/ChannelData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Keys in the forms the file holds them. A value that is not a number of the key's form
// raises the conversion's error, which ends the reading of the section.
QString Text(cIniFile& ini, const char* section, const QString& key, const QString& def) {
    return ini.ReadIniStr(QLatin1String(section), key, def);
}
int16_t Int(cIniFile& ini, const char* section, const QString& key, const char* def) {
    return vb::CInt(Text(ini, section, key, QLatin1String(def)));
}
int32_t Long(cIniFile& ini, const char* section, const QString& key, const char* def) {
    return vb::CLng(Text(ini, section, key, QLatin1String(def)));
}
double Number(cIniFile& ini, const char* section, const QString& key, const QString& def) {
    return vb::CDbl(Text(ini, section, key, def));
}

// Rewrites a number key with the decimal separator of the locale in use, so a file
// written under another locale reads correctly from now on.
void NormaliseNumber(cIniFile& ini, const char* section, const QString& key, const QString& def) {
    ini.WriteIniStr(QLatin1String(section), key, modUtil::CheckNumberSeparators(Text(ini, section, key, def)));
}
double NormalisedNumber(cIniFile& ini, const char* section, const QString& key, const QString& def) {
    NormaliseNumber(ini, section, key, def);
    return Number(ini, section, key, def);
}

QString Key(const char* stem, int n) { return QLatin1String(stem) + QString::number(n); }

// New averaging objects for every channel (default size) and every sensor (SensorFilter).
void CreateFilters() {
    for (int c = 0; c <= 7; ++c) {
        gChanRateFilter(c) = cFilter();
        gChanUserFilter(c) = cFilter();
        gChanPowerFilter(c) = cFilter();
        gChanRatioFilter(c) = cFilter();
    }
    for (int s = 0; s <= 3; ++s) {
        for (auto* filters : {&gSensorEmissionFilter, &gSensorLeakageFilter, &gSensorPowerFilter,
                              &gSensorFilamentFilter, &gSensorBiasFilter}) {
            (*filters)(s) = cFilter();
            (*filters)(s).setSize(SensorFilter);
        }
    }
}

bool HasReadOnlyAttribute(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

void CreateEmptyFile(const QString& path) {
    if (!QFileInfo(path).absoluteDir().exists()) throw RuntimeError::PathNotFound();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw RuntimeError(75, QStringLiteral("Path/File access error"));
}

}  // namespace

void cApp::IniReadApp(const QString& FileName, const QString& Section) {
    ORUN_PROC("cApp_IniReadApp");
    try {
        if (FileName.isEmpty()) return;
        cIniFile ini;
        ini.setFileName(InProgramFolder(FileName));
        if (ini.FileName().isEmpty())
            MsgBox(FileName + QStringLiteral(" Not Found.") + kCrLf + QStringLiteral("Continuing with defaults."),
                   vbInformation);

        const QString name = vb::UCase(Section);
        if (name == u"APPLICATION") IniReadApplication(ini);
        else if (name == u"QCM") IniReadQCM(ini);
        else if (name == u"COMMUNICATIONS") IniReadCommunications(ini);
        else if (name == u"SFTWCOMM") {
            // The remote-control server reads its own section.
        } else if (name == u"DATALOG") IniReadDatalog(ini);
        else if (name == u"DISPLAY") IniReadDisplay(ini);
        else if (name == u"DEBUG") IniReadDebug(ini);
        else if (name == u"SENSOR") IniReadSensor(ini);
    } catch (const modDB::FileRefused&) {
        throw;  // the quartz settings kept by another program: the start-up tells it
    } catch (...) {
        gErr.HandleError();
    }
}

void cApp::IniReadApplication(cIniFile& ini) {
    Simulate = 0;
    DBFile = Text(ini, "Application", QStringLiteral("Database"), QStringLiteral("ORUN.MDB"));
    // A stored process number that names no process would leave the start-up without an
    // active process; the first process is taken instead.
    ProcNum_ = ini.ReadIniInt(QStringLiteral("Application"), QStringLiteral("Process"), 1);
    if (!gProcess.inRange(ProcNum_)) ProcNum_ = 1;
    Debug = Long(ini, "Application", QStringLiteral("Debug"), "0");
    CtrlKey = Int(ini, "Application", QStringLiteral("CtrlKey"), "0") != 0;
    CalHiBias = vb::CLng(Number(ini, "Application", QStringLiteral("CalHiBias"), QStringLiteral("2000")));
    CalLoBias = vb::CLng(Number(ini, "Application", QStringLiteral("CalLoBias"), QStringLiteral("100")));
}

void cApp::IniReadQCM(cIniFile& ini) {
    for (int i = 0; i <= 3; ++i) Hooks::QCM().setMirelSN(i, Text(ini, "QCM", Key("Mirel", i + 1), QString()));
    Hooks::QCM().setQCMType(Int(ini, "QCM", QStringLiteral("QCMType"), "0"));
}

// The port choice is recorded now; the link itself is opened later in the start-up.
void cApp::IniReadCommunications(cIniFile& ini) {
    const int32_t cPort = Long(ini, "Communications", QStringLiteral("CPort"), "1");
    const int32_t ePort = Long(ini, "Communications", QStringLiteral("EPort"), "-1");
    const QString eAddr = Text(ini, "Communications", QStringLiteral("EAddr"), QStringLiteral("0.0.0.0"));
    Hooks::Unit().CommInit(cPort, ePort, eAddr);
    // The unit exists from here on. Its readings are worked out against the biases its
    // channels were calibrated at ([Application], read before it was made): a station whose
    // biases are not the defaults reads with them from the start, not only after a
    // calibration in this session.
    Hooks::Unit().setCalHiBias(CalHiBias);
    Hooks::Unit().setCalLoBias(CalLoBias);
}

void cApp::IniReadDatalog(cIniFile& ini) {
    LogType = Int(ini, "Datalog", QStringLiteral("LogType"), "0");
    LogInterval = Number(ini, "Datalog", QStringLiteral("LogInterval"), QStringLiteral("1"));

    // A log file in a folder that does not exist is written in the program folder.
    QString file = Text(ini, "Datalog", QStringLiteral("LogFile"), QStringLiteral("ORUN.TXT"));
    const QString folder = modFileUtil::GetPathPart(file);
    if (!folder.isEmpty() && !modFileUtil::DirExists(folder)) file = modFileUtil::GetNamePart(file);
    LogFile = file;

    LogMode = Int(ini, "Datalog", QStringLiteral("LogMode"), "0") != 0;

    QString delimit = Text(ini, "Datalog", QStringLiteral("LogDelimit"), QStringLiteral(";")) + QLatin1Char(' ');
    if (vb::UCase(delimit) == u"TAB ") delimit = QStringLiteral("\t");
    LogDelimit = delimit;

    LogChans = Int(ini, "Datalog", QStringLiteral("LogChans"), "1");
    LogChanData = Int(ini, "Datalog", QStringLiteral("LogChanData"), "1");
    LogSensors = Int(ini, "Datalog", QStringLiteral("LogSensors"), "1");
    LogSensorData = Int(ini, "Datalog", QStringLiteral("LogSensorData"), "1");
}

void cApp::IniReadDisplay(cIniFile& ini) {
    Colors(0) = Long(ini, "Display", QStringLiteral("RateForeColor"), "65535");          // yellow
    Colors(1) = Long(ini, "Display", QStringLiteral("RateBackColor"), "16711680");       // blue
    Colors(2) = Long(ini, "Display", QStringLiteral("ChannelForeColor"), "0");           // black
    Colors(3) = Long(ini, "Display", QStringLiteral("ChannelBackColor"), "-2147483633"); // button face
    Colors(4) = Long(ini, "Display", QStringLiteral("MeterForeColor"), "0");
    Colors(5) = Long(ini, "Display", QStringLiteral("MeterBackColor"), "-2147483633");
    MeterDamping = NormalisedNumber(ini, "Display", QStringLiteral("MeterDamping"), QStringLiteral("1"));
    ShowReadings = Int(ini, "Display", QStringLiteral("ShowReadings"), "0");
    switch (Int(ini, "Display", QStringLiteral("SensorDecimals"), "1")) {
    case 0: SensorDecimals = QStringLiteral("0"); break;
    case 1: SensorDecimals = QStringLiteral("0.0"); break;
    case 2: SensorDecimals = QStringLiteral("0.00"); break;
    default: break;  // the format stays as it was
    }
}

void cApp::IniReadDebug(cIniFile& ini) {
    for (int i = 1; i <= 8; ++i) DELTA(i) = Int(ini, "Debug", Key("DELTA", i), "0");
}

// The averaging objects are created even when a value cannot be converted: every reading
// pushes into them. SensorFilter then takes its default unless it was read.
void cApp::IniReadSensor(cIniFile& ini) {
    bool filterRead = false;
    try {
        const QString leakOffset = QStringLiteral("LEAKOFFSET");
        const QString leakGain = QStringLiteral("LEAKGAIN");
        const QString powerGain = QStringLiteral("POWERGAIN");
        const QString leakOffsetDefault = QStringLiteral("170");
        const QString leakGainDefault = vb::CStr(0.0122);
        const QString powerGainDefault = vb::CStr(0.31);
        NormaliseNumber(ini, "Sensor", leakOffset, leakOffsetDefault);
        NormaliseNumber(ini, "Sensor", leakGain, leakGainDefault);
        NormaliseNumber(ini, "Sensor", powerGain, powerGainDefault);
        Hooks::Unit().SensorParams(Number(ini, "Sensor", leakOffset, leakOffsetDefault),
                                   Number(ini, "Sensor", leakGain, leakGainDefault),
                                   Number(ini, "Sensor", powerGain, powerGainDefault));

        Hooks::Unit().setGasCalEnabled(Number(ini, "Sensor", QStringLiteral("GasCalEna"), QStringLiteral("0")) > 0);
        Hooks::Unit().setGasCal(0, NormalisedNumber(ini, "Sensor", QStringLiteral("GasCal1"), QStringLiteral("0")));
        Hooks::Unit().setGasCal(1, NormalisedNumber(ini, "Sensor", QStringLiteral("GasCal2"), QStringLiteral("0")));
        SensorFilter = Long(ini, "Sensor", QStringLiteral("SensorFilter"), "1");
        filterRead = true;
    } catch (...) {
        gErr.HandleError();
    }
    if (!filterRead) SensorFilter = 1;
    CreateFilters();
}

bool cApp::IniWriteApp(const QString& FileName, QString* why) {
    ORUN_PROC("cApp_IniWriteApp");
    // Every key goes to the file in one atomic write at the end, and only when all were
    // written, so a program killed or failing while saving leaves the old configuration
    // or the new one, never a mix.
    std::optional<IniProfile::Batch> batch;
    try {
        const QString path = InProgramFolder(FileName);
        cIniFile ini;
        ini.setFileName(path);
        if (ini.FileName().isEmpty()) {
            CreateEmptyFile(path);
            ini.setFileName(path);
        }
        if (HasReadOnlyAttribute(path)) {
            MsgBox(SetupFile + QStringLiteral(" is Read Only!"), vbOKOnly + vbExclamation);
            if (why) *why = SetupFile + QStringLiteral(" is read-only");
            return false;
        }
        SetupFile = FileName;
        SaveSetting(App().Title, QStringLiteral("Setup File"), QStringLiteral("Setup"), SetupFile);
        batch.emplace(ResolvePath(ini.FileName()));

        // A key that cannot be written stops the save, and nothing is written: a file
        // with some keys new and others old would be a configuration no station ran with.
        const auto failed = [&FileName] {
            return RuntimeError(75, QStringLiteral("Path/File access error: cannot write ") + FileName);
        };
        auto put = [&ini, &failed](const char* section, const QString& key, const QString& value) {
            if (ini.WriteIniStr(QLatin1String(section), key, value) == 0) throw failed();
        };
        auto flag = [](bool on, const char* onText) { return QLatin1String(on ? onText : "0"); };

        put("Application", QStringLiteral("Database"), DBFile);
        put("Application", QStringLiteral("Process"), vb::CStr(ProcNum_));
        put("Application", QStringLiteral("CtrlKey"), flag(CtrlKey, "-1"));
        put("Application", QStringLiteral("Simulate"), vb::CStr(Simulate));

        put("QCM", QStringLiteral("QCMType"), vb::CStr(Hooks::QCM().QCMType()));
        for (int i = 0; i <= 3; ++i) put("QCM", Key("Mirel", i + 1), Hooks::QCM().MirelSN(i));

        put("Communications", QStringLiteral("CPort"), vb::CStr(Hooks::Unit().CommPort()));
        put("Communications", QStringLiteral("EPort"), vb::CStr(Hooks::Unit().ePort()));
        put("Communications", QStringLiteral("EAddr"), Hooks::Unit().EAddress());

        put("DataLog", QStringLiteral("LogType"), vb::CStr(LogType));
        put("DataLog", QStringLiteral("LogInterval"), vb::CStr(LogInterval));
        put("DataLog", QStringLiteral("LogFile"), LogFile);
        put("DataLog", QStringLiteral("LogMode"), flag(LogMode, "1"));
        put("DataLog", QStringLiteral("LogChans"), vb::CStr(LogChans));
        put("DataLog", QStringLiteral("LogChanData"), vb::CStr(LogChanData));
        put("DataLog", QStringLiteral("LogSensors"), vb::CStr(LogSensors));
        put("DataLog", QStringLiteral("LogSensorData"), vb::CStr(LogSensorData));

        const char* colorKeys[] = {"RateForeColor", "RateBackColor", "ChannelForeColor",
                                   "ChannelBackColor", "MeterForeColor", "MeterBackColor"};
        for (int i = 0; i <= 5; ++i) put("Display", QLatin1String(colorKeys[i]), vb::CStr(Colors(i)));
        put("Display", QStringLiteral("MeterDamping"), vb::CStr(MeterDamping));
        put("Display", QStringLiteral("ShowReadings"), vb::CStr(ShowReadings));

        // Units older than firmware 2.00 know no gas calibration: the key keeps its value.
        if (Hooks::Unit().Version() >= 200)
            put("Sensor", QStringLiteral("GasCalEna"), flag(Hooks::Unit().GasCalEnabled(), "1"));
        put("Sensor", QStringLiteral("GasCal1"), vb::Format(Hooks::Unit().GasCal(0), QStringLiteral("0.000")));
        put("Sensor", QStringLiteral("GasCal2"), vb::Format(Hooks::Unit().GasCal(1), QStringLiteral("0.000")));
        // A write the disk refused (full) names its cause; the old file is still whole.
        if (!batch->Commit())
            throw batch->Error() ? WholeFile::ErrorOf(batch->Error(), QStringLiteral("cannot write ") + FileName) : failed();
        return true;
    } catch (...) {
        // The batch is dropped unwritten: the file keeps its old configuration whole.
        if (why) *why = cErrHandler::CurrentError().description;
        gErr.HandleError();
    }
    return false;
}

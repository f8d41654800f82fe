// The unit's channel calibration and sensor settings (tables ORUN and Sensors) and the
// quartz monitors' frequency settings (table QCM). They are system settings kept in the
// recipe database, handed straight to the unit object and the quartz facade rather than
// held in records.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/modDB.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

#include <optional>

namespace modDB {

namespace {

// The unit does not take update periods below 100 ms.
constexpr int32_t kMinUpdateMs = 100;

// Used when a stored quartz setting is 0; the table keeps its zeros.
constexpr double kDefaultFreqMax = 6100000.0;
constexpr double kDefaultFreqMin = 5000000.0;
constexpr double kDefaultFreqInit = 6000000.0;
constexpr double kDefaultPeriod = 0.5;

QString ChannelQuery(int ch) { return QStringLiteral("SELECT * FROM ORUN WHERE Channel =") + QString::number(ch); }
QString SensorQuery(int s) { return QStringLiteral("SELECT * FROM Sensors WHERE Sensor =") + QString::number(s); }
const QString kQcmQuery = QStringLiteral("SELECT * FROM QCM");

// The calibration columns of one integration: "A_" for 0, "B_" for 1.
QString Col(int integ, const char* name) {
    return QLatin1String(integ == 0 ? "A_" : "B_") + QLatin1String(name);
}

}  // namespace

void ORUNLoad() {
    ORUN_PROC("modDB_ORUNLoad");
    // The twelve rows of a first start go to the disk in one write.
    std::optional<dao::Transaction> adding;
    try {
        if (!HasRows("ORUN", "Channel", 0, 7) || !HasRows("Sensors", "Sensor", 0, 3)) adding.emplace(gDB);
        cORUN& unit = RunUnit();
        unit.setOpMode(Simulate);
        // Each value is handed over in this order; some of them send a command.
        for (int ch = 0; ch <= 7; ++ch) {
            const dao::Recordset rs = OpenRowAdding(ChannelQuery(ch), {{QStringLiteral("Channel"), ch}});
            unit.setCalPackets(ch, vb::CLng(rs.Fields(QStringLiteral("CalPackets")).Value()));
            const int32_t update = vb::CLng(rs.Fields(QStringLiteral("Update")).Value());
            unit.setChanUpdate(ch, update < kMinUpdateMs ? kMinUpdateMs : update);
            unit.setSensorMap(ch, vb::CLng(rs.Fields(QStringLiteral("Sensor")).Value()));
            for (int integ = 0; integ <= 1; ++integ) {
                unit.setCalHiCounts(ch, integ, vb::CLng(rs.Fields(Col(integ, "BiasHi")).Value()));
                unit.setCalLoCounts(ch, integ, vb::CLng(rs.Fields(Col(integ, "BiasLo")).Value()));
                unit.setCalSlope(ch, integ, vb::CDbl(rs.Fields(Col(integ, "Slope")).Value()));
                unit.setCalIntercept(ch, integ, vb::CDbl(rs.Fields(Col(integ, "Intercept")).Value()));
            }
        }
        for (int s = 0; s <= 3; ++s) {
            const dao::Recordset rs = OpenRowAdding(SensorQuery(s), {{QStringLiteral("Sensor"), s},
                                                                     {QStringLiteral("EmissionSetPt"), 2.0},
                                                                     {QStringLiteral("MaxLeakage"), 1.0}});
            unit.setEmissionSetPt(s, vb::CDbl(rs.Fields(QStringLiteral("EmissionSetPt")).Value()));
            unit.setMaxLeakage(s, vb::CDbl(rs.Fields(QStringLiteral("MaxLeakage")).Value()));
        }
        if (adding) adding->Commit();
    } catch (...) {
        DBErrorPath();
        // The rows added before the error stay, as each did when it was stored alone.
        try {
            if (adding) adding->Commit();
        } catch (const RuntimeError&) {
            // The engine has refused the write: nothing more to keep.
        }
    }
}

// Writes into the rows ORUNLoad made; a missing row is an error.
void ORUNSave() {
    ORUN_PROC("modDB_ORUNSave");
    try {
        const cORUN& unit = RunUnit();
        for (int ch = 0; ch <= 7; ++ch) {
            dao::Recordset rs = gDB.OpenRecordset(ChannelQuery(ch));
            rs.Edit();
            rs.Fields(QStringLiteral("CalPackets")) = unit.CalPackets(ch);
            rs.Fields(QStringLiteral("Update")) = unit.ChanUpdate(ch);
            rs.Fields(QStringLiteral("Sensor")) = unit.SensorMap(ch);
            for (int integ = 0; integ <= 1; ++integ) {
                rs.Fields(Col(integ, "BiasHi")) = unit.CalHiCounts(ch, integ);
                rs.Fields(Col(integ, "BiasLo")) = unit.CalLoCounts(ch, integ);
                rs.Fields(Col(integ, "Slope")) = unit.CalSlope(ch, integ);
                rs.Fields(Col(integ, "Intercept")) = unit.CalIntercept(ch, integ);
            }
            rs.Update();
        }
        for (int s = 0; s <= 3; ++s) {
            dao::Recordset rs = gDB.OpenRecordset(SensorQuery(s));
            rs.Edit();
            rs.Fields(QStringLiteral("EmissionSetPt")) = unit.EmissionSetPt(s);
            rs.Fields(QStringLiteral("MaxLeakage")) = unit.MaxLeakage(s);
            rs.Update();
        }
    } catch (...) {
        DBErrorPath();
    }
}

void QCMLoad() {
    ORUN_PROC("modDB_QCMLoad");
    try {
        const dao::Recordset rs = OpenRowAdding(kQcmQuery, {});
        const double freqMax = vb::CDbl(rs.Fields(QStringLiteral("FreqMax")).Value());
        const double freqInit = vb::CDbl(rs.Fields(QStringLiteral("FreqInit")).Value());
        const double freqMin = vb::CDbl(rs.Fields(QStringLiteral("FreqMin")).Value());
        const double period = vb::CDbl(rs.Fields(QStringLiteral("Period")).Value());
        // The facade reports values it refuses through its status, which is not needed here.
        if (freqMax == 0.0 || freqInit == 0.0 || freqMin == 0.0 || period == 0.0)
            RunQCM().InitFreq(kDefaultFreqMax, kDefaultFreqMin, kDefaultFreqInit, kDefaultPeriod);
        else
            RunQCM().InitFreq(freqMax, freqMin, freqInit, period);
    } catch (...) {
        DBErrorPath();
    }
}

void QCMSave() {
    ORUN_PROC("modDB_QCMSave");
    try {
        const cQCM& qcm = RunQCM();
        dao::Recordset rs = gDB.OpenRecordset(kQcmQuery);
        rs.Edit();
        rs.Fields(QStringLiteral("Period")) = qcm.Period();
        rs.Fields(QStringLiteral("FreqMax")) = qcm.FreqMax();
        rs.Fields(QStringLiteral("FreqInit")) = qcm.FreqInit();
        rs.Fields(QStringLiteral("FreqMin")) = qcm.FreqMin();
        rs.Update();
    } catch (...) {
        DBErrorPath();
    }
}

}  // namespace modDB

// The unit's channel calibration and sensor settings (tables ORUN and Sensors) and the
// quartz monitors' frequency settings (table QCM). They are system settings kept in the
// recipe database, handed straight to the unit object and the quartz facade rather than
// held in records.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

#include <functional>
#include <optional>
#include <vector>

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

// A column of a channel's row and the unit's setting it holds: read in this order (the
// order of the unit's commands) and written in it.
struct ChannelColumn {
    QString name;
    std::function<QVariant(const QVariant&)> convert;  // the stored value as the unit takes it
    std::function<void(cORUN&, int, const QVariant&)> set;
    std::function<QVariant(const cORUN&, int)> get;
};

QVariant Long(const QVariant& v) { return vb::CLng(v); }
QVariant Double(const QVariant& v) { return vb::CDbl(v); }

const std::vector<ChannelColumn>& ChannelColumns() {
    static const std::vector<ChannelColumn> columns = [] {
        std::vector<ChannelColumn> c{
            {QStringLiteral("CalPackets"), Long, [](cORUN& u, int ch, const QVariant& v) { u.setCalPackets(ch, v.toInt()); },
             [](const cORUN& u, int ch) { return QVariant(static_cast<int>(u.CalPackets(ch))); }},
            {QStringLiteral("Update"),
             [](const QVariant& v) {
                 const int32_t update = vb::CLng(v);
                 return QVariant(update < kMinUpdateMs ? kMinUpdateMs : update);
             },
             [](cORUN& u, int ch, const QVariant& v) { u.setChanUpdate(ch, v.toInt()); },
             [](const cORUN& u, int ch) { return QVariant(static_cast<int>(u.ChanUpdate(ch))); }},
            {QStringLiteral("Sensor"), Long, [](cORUN& u, int ch, const QVariant& v) { u.setSensorMap(ch, v.toInt()); },
             [](const cORUN& u, int ch) { return QVariant(static_cast<int>(u.SensorMap(ch))); }},
        };
        for (int integ = 0; integ <= 1; ++integ) {
            c.push_back({Col(integ, "BiasHi"), Long,
                         [integ](cORUN& u, int ch, const QVariant& v) { u.setCalHiCounts(ch, integ, v.toInt()); },
                         [integ](const cORUN& u, int ch) { return QVariant(static_cast<int>(u.CalHiCounts(ch, integ))); }});
            c.push_back({Col(integ, "BiasLo"), Long,
                         [integ](cORUN& u, int ch, const QVariant& v) { u.setCalLoCounts(ch, integ, v.toInt()); },
                         [integ](const cORUN& u, int ch) { return QVariant(static_cast<int>(u.CalLoCounts(ch, integ))); }});
            c.push_back({Col(integ, "Slope"), Double,
                         [integ](cORUN& u, int ch, const QVariant& v) { u.setCalSlope(ch, integ, v.toDouble()); },
                         [integ](const cORUN& u, int ch) { return QVariant(static_cast<double>(u.CalSlope(ch, integ))); }});
            c.push_back({Col(integ, "Intercept"), Double,
                         [integ](cORUN& u, int ch, const QVariant& v) { u.setCalIntercept(ch, integ, v.toDouble()); },
                         [integ](const cORUN& u, int ch) { return QVariant(static_cast<double>(u.CalIntercept(ch, integ))); }});
        }
        return c;
    }();
    return columns;
}

RowKey ChannelRow(int ch) { return {QStringLiteral("ORUN"), QStringLiteral("Channel"), ch}; }
RowKey SensorRow(int s) { return {QStringLiteral("Sensors"), QStringLiteral("Sensor"), s}; }
const RowKey kQcmRow{QStringLiteral("QCM"), QString(), 0};

// A value of a settings row as the program takes it; one that cannot be read takes the
// column's default (present when it has none).
QVariant ReadSetting(const dao::Recordset& rs, const RowKey& row, const QString& column,
                     const std::function<QVariant(const QVariant&)>& convert, const QVariant& present) {
    return ReadCell(rs, row, column, convert, present);
}

// A value into its column, unless the cell was not read and the value is still what it took.
void WriteSetting(dao::Recordset& rs, const RowKey& row, const QString& column, const QVariant& value) {
    if (!LeaveUnread(row, column, value)) rs.Fields(column) = value;
}

}  // namespace

void ORUNLoad() {
    ORUN_PROC("modDB_ORUNLoad");
    const TellUnreadOnce tell;
    // The twelve rows of a first start go to the disk in one write.
    std::optional<dao::Transaction> adding;
    try {
        if (!HasRows("ORUN", "Channel", 0, 7) || !HasRows("Sensors", "Sensor", 0, 3)) adding.emplace(gDB);
        cORUN& unit = RunUnit();
        unit.setOpMode(Simulate);
        // Each value is handed over in this order; some of them send a command.
        for (int ch = 0; ch <= 7; ++ch) {
            const dao::Recordset rs = OpenRowAdding(ChannelQuery(ch), {{QStringLiteral("Channel"), ch}});
            ForgetUnreadRow(ChannelRow(ch));
            for (const ChannelColumn& c : ChannelColumns())
                c.set(unit, ch, ReadSetting(rs, ChannelRow(ch), c.name, c.convert, c.get(unit, ch)));
        }
        for (int s = 0; s <= 3; ++s) {
            const dao::Recordset rs = OpenRowAdding(SensorQuery(s), {{QStringLiteral("Sensor"), s},
                                                                     {QStringLiteral("EmissionSetPt"), 2.0},
                                                                     {QStringLiteral("MaxLeakage"), 1.0}});
            ForgetUnreadRow(SensorRow(s));
            unit.setEmissionSetPt(
                s, ReadSetting(rs, SensorRow(s), QStringLiteral("EmissionSetPt"), Double, unit.EmissionSetPt(s)).toDouble());
            unit.setMaxLeakage(
                s, ReadSetting(rs, SensorRow(s), QStringLiteral("MaxLeakage"), Double, unit.MaxLeakage(s)).toDouble());
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
            for (const ChannelColumn& c : ChannelColumns()) WriteSetting(rs, ChannelRow(ch), c.name, c.get(unit, ch));
            rs.Update();
        }
        for (int s = 0; s <= 3; ++s) {
            dao::Recordset rs = gDB.OpenRecordset(SensorQuery(s));
            rs.Edit();
            WriteSetting(rs, SensorRow(s), QStringLiteral("EmissionSetPt"), QVariant(static_cast<double>(unit.EmissionSetPt(s))));
            WriteSetting(rs, SensorRow(s), QStringLiteral("MaxLeakage"), QVariant(static_cast<double>(unit.MaxLeakage(s))));
            rs.Update();
        }
    } catch (...) {
        DBErrorPath();
    }
}

void QCMLoad() {
    ORUN_PROC("modDB_QCMLoad");
    const TellUnreadOnce tell;
    try {
        const dao::Recordset rs = OpenRowAdding(kQcmQuery, {});
        ForgetUnreadRow(kQcmRow);
        const cQCM& qcm = RunQCM();
        const auto read = [&](const char* column, double present) {
            return ReadSetting(rs, kQcmRow, QLatin1String(column), Double, present).toDouble();
        };
        const double freqMax = read("FreqMax", qcm.FreqMax());
        const double freqInit = read("FreqInit", qcm.FreqInit());
        const double freqMin = read("FreqMin", qcm.FreqMin());
        const double period = read("Period", qcm.Period());
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
        WriteSetting(rs, kQcmRow, QStringLiteral("Period"), QVariant(static_cast<double>(qcm.Period())));
        WriteSetting(rs, kQcmRow, QStringLiteral("FreqMax"), QVariant(static_cast<double>(qcm.FreqMax())));
        WriteSetting(rs, kQcmRow, QStringLiteral("FreqInit"), QVariant(static_cast<double>(qcm.FreqInit())));
        WriteSetting(rs, kQcmRow, QStringLiteral("FreqMin"), QVariant(static_cast<double>(qcm.FreqMin())));
        rs.Update();
    } catch (...) {
        DBErrorPath();
    }
}

}  // namespace modDB

// The unit's channel calibration and sensor settings (tables ORUN and Sensors) and the
// quartz monitors' frequency settings (table QCM). They are system settings kept in the
// recipe database, handed straight to the unit object and the quartz facade rather than
// held in records.
#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

#include <array>
#include <functional>
#include <vector>

namespace modDB {

namespace {

// The engine's error for a table the file lacks.
constexpr int32_t kTableNotFound = 3078;

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

// What a sensor's new row is given; its other columns take the table's defaults.
std::vector<std::pair<QString, QVariant>> NewSensorRow(int s) {
    return {{QStringLiteral("Sensor"), s}, {QStringLiteral("EmissionSetPt"), 2.0}, {QStringLiteral("MaxLeakage"), 1.0}};
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

bool SameNumber(const QVariant& a, const QVariant& b) { return a.toDouble() == b.toDouble(); }

// The channel's emission readings are computed through these columns: a channel whose
// value there was not read has no valid reading.
bool ConvertsReadings(const QString& column) {
    return column.endsWith(QLatin1String("_Slope")) || column.endsWith(QLatin1String("_Intercept"));
}

QString NoValidReading(int ch) {
    return QStringLiteral("channel %1 has no valid reading: its source is held at 0 until the channel is "
                          "calibrated again")
        .arg(ch + 1);
}

// The channels whose latest load left a calibration value unread; only they are looked up
// on a control tick.
std::array<bool, 8> gCalibrationUnread{};

// Whether a setting the unit was handed is what it holds now: the unit refuses values
// outside what it accepts (an update period of 5000 ms, an emission set point of 1e300)
// and keeps its own. Such a cell is not read: named, and kept in the file.
void CheckTaken(const QVariant& stored, const RowKey& row, const QString& column, const QVariant& handed,
                const QVariant& held) {
    if (!SameNumber(handed, held)) CellNotRead(row, column, stored, held);
}

// The cells of rows a load could not reach keep what the file holds, while the program
// holds what it had (a lock or an I/O error ended the load).
void KeepUnreached(int firstChannel, int firstSensor) {
    const cORUN& unit = RunUnit();
    for (int ch = firstChannel; ch <= 7; ++ch) {
        for (const ChannelColumn& c : ChannelColumns())
            if (!IsUnread(ChannelRow(ch), c.name)) CellKept(ChannelRow(ch), c.name, c.get(unit, ch));
        gCalibrationUnread[static_cast<size_t>(ch)] = true;
    }
    for (int s = firstSensor; s <= 3; ++s) {
        if (!IsUnread(SensorRow(s), QStringLiteral("EmissionSetPt")))
            CellKept(SensorRow(s), QStringLiteral("EmissionSetPt"), QVariant(static_cast<double>(unit.EmissionSetPt(s))));
        if (!IsUnread(SensorRow(s), QStringLiteral("MaxLeakage")))
            CellKept(SensorRow(s), QStringLiteral("MaxLeakage"), QVariant(static_cast<double>(unit.MaxLeakage(s))));
    }
}

// What the quartz facade accepts (its InitFreq): each frequency 1-10 MHz, the period
// 0.1-2 s, and minimum <= initial <= maximum.
bool FrequencyAccepted(double hz) { return hz >= 1000000.0 && hz <= 10000000.0; }
bool PeriodAccepted(double s) { return s >= 0.1 && s <= 2.0; }

}  // namespace

// What ORUNLoad read of a row: each column's value as the unit takes it, and as stored.
struct SettingRead {
    QVariant value;
    QVariant stored;
};
using RowRead = std::vector<SettingRead>;

void ORUNLoad() {
    ORUN_PROC("modDB_ORUNLoad");
    const TellUnreadOnce tell;
    cORUN& unit = RunUnit();
    // Both tables are read whole, in one view of the file, before anything is handed to
    // the unit: a file another program holds is waited for, and one it keeps hands the
    // unit nothing. The twelve rows of a first start go to the disk in one write. After
    // any other error the rows read before it are handed over, as each was read.
    std::vector<RowRead> channels;
    std::vector<RowRead> sensors;
    try {
        WithFile(FileUse::Read, QStringLiteral("The unit's channel calibrations and sensor settings"), [&] {
            channels.clear();
            sensors.clear();
            try {
                for (int ch = 0; ch <= 7; ++ch) {
                    const dao::Recordset rs = OpenRowAdding(ChannelQuery(ch), {{QStringLiteral("Channel"), ch}});
                    const RowKey row = ChannelRow(ch);
                    ForgetUnreadRow(row);
                    RowRead read;
                    for (const ChannelColumn& c : ChannelColumns())
                        read.push_back({ReadSetting(rs, row, c.name, c.convert, c.get(unit, ch)), rs.Fields(c.name).Value()});
                    channels.push_back(std::move(read));
                }
                for (int s = 0; s <= 3; ++s) {
                    const dao::Recordset rs = OpenRowAdding(SensorQuery(s), NewSensorRow(s));
                    const RowKey row = SensorRow(s);
                    ForgetUnreadRow(row);
                    RowRead read;
                    for (const auto& [column, present] :
                         {std::pair{QStringLiteral("EmissionSetPt"), static_cast<double>(unit.EmissionSetPt(s))},
                          std::pair{QStringLiteral("MaxLeakage"), static_cast<double>(unit.MaxLeakage(s))}})
                        read.push_back({ReadSetting(rs, row, column, Double, present), rs.Fields(column).Value()});
                    sensors.push_back(std::move(read));
                }
            } catch (...) {
                // Told here; the rows added before it stay, as each did when it was stored alone.
                DBErrorPath();
            }
        });
    } catch (...) {
        // Another program kept the file: the unit is handed nothing, and the file keeps
        // what it holds.
        KeepUnreached(0, 0);
        throw;
    }
    // Each value is handed over in this order; some of them send a command.
    unit.setOpMode(Simulate);
    for (int ch = 0; ch < static_cast<int>(channels.size()); ++ch) {
        const RowKey row = ChannelRow(ch);
        bool calibrationUnread = false;
        const std::vector<ChannelColumn>& columns = ChannelColumns();
        for (size_t i = 0; i < columns.size(); ++i) {
            const ChannelColumn& c = columns[i];
            const SettingRead& read = channels[static_cast<size_t>(ch)][i];
            c.set(unit, ch, read.value);
            CheckTaken(read.stored, row, c.name, read.value, c.get(unit, ch));
            if (ConvertsReadings(c.name) && IsUnread(row, c.name)) {
                // Named with what it means for the channel.
                CellNotRead(row, c.name, read.stored, c.get(unit, ch), NoValidReading(ch));
                calibrationUnread = true;
            }
        }
        gCalibrationUnread[static_cast<size_t>(ch)] = calibrationUnread;
    }
    for (int s = 0; s < static_cast<int>(sensors.size()); ++s) {
        const RowKey row = SensorRow(s);
        const RowRead& read = sensors[static_cast<size_t>(s)];
        unit.setEmissionSetPt(s, read[0].value.toDouble());
        CheckTaken(read[0].stored, row, QStringLiteral("EmissionSetPt"), read[0].value, unit.EmissionSetPt(s));
        unit.setMaxLeakage(s, read[1].value.toDouble());
        CheckTaken(read[1].stored, row, QStringLiteral("MaxLeakage"), read[1].value, unit.MaxLeakage(s));
    }
    if (channels.size() < 8 || sensors.size() < 4)
        KeepUnreached(static_cast<int>(channels.size()), static_cast<int>(sensors.size()));
}

bool ChannelCalibrationUnread(int ch) {
    if (ch < 0 || ch > 7 || !gCalibrationUnread[static_cast<size_t>(ch)] || !gORUN) return false;
    for (const ChannelColumn& c : ChannelColumns()) {
        if (ConvertsReadings(c.name) && StillUnread(ChannelRow(ch), c.name, c.get(*gORUN, ch))) return true;
    }
    return false;
}

void AddSettingsRows() {
    ORUN_PROC("modDB_AddSettingsRows");
    // A table the file lacks is told by its own load or save, when it is used.
    const auto adding = [](const std::function<void()>& add) {
        try {
            add();
        } catch (const RuntimeError& e) {
            if (e.number != kTableNotFound) throw;
        }
    };
    RowWork(FileUse::Write, QStringLiteral("The rows of the unit and quartz settings"), [&] {
        adding([] {
            for (int ch = 0; ch <= 7; ++ch) OpenRowAdding(ChannelQuery(ch), {{QStringLiteral("Channel"), ch}});
        });
        adding([] {
            for (int s = 0; s <= 3; ++s) OpenRowAdding(SensorQuery(s), NewSensorRow(s));
        });
        adding([] { OpenRowAdding(kQcmQuery, {}); });
    });
}

// Writes into the rows ORUNLoad made; a missing row is an error.
void ORUNSave() {
    ORUN_PROC("modDB_ORUNSave");
    RowWork(FileUse::Write, QStringLiteral("The unit's channel calibrations and sensor settings"), [&] {
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
    });
}

QCMRow QCMRead() {
    ORUN_PROC("modDB_QCMRead");
    const cQCM& qcm = RunQCM();
    QCMRow row;
    try {
        WithFile(FileUse::Read, QStringLiteral("The quartz monitors' settings"), [&] {
            row = QCMRow{};
            try {
                const dao::Recordset rs = OpenRowAdding(kQcmQuery, {});
                ForgetUnreadRow(kQcmRow);
                const auto read = [&](const char* column, double present, size_t i) {
                    row.stored[i] = rs.Fields(QLatin1String(column)).Value();
                    return ReadSetting(rs, kQcmRow, QLatin1String(column), Double, present).toDouble();
                };
                row.freqMax = read("FreqMax", qcm.FreqMax(), 0);
                row.freqInit = read("FreqInit", qcm.FreqInit(), 1);
                row.freqMin = read("FreqMin", qcm.FreqMin(), 2);
                row.period = read("Period", qcm.Period(), 3);
                row.read = true;
            } catch (...) {
                DBErrorPath();
            }
        });
    } catch (const FileRefused&) {
        // Another program kept the file: the facade keeps what it holds, and so does the file.
        QCMLoad(QCMRow{});
        throw;
    } catch (...) {
        DBErrorPath();
        row = QCMRow{};
    }
    return row;
}

void QCMLoad() {
    ORUN_PROC("modDB_QCMLoad");
    const TellUnreadOnce tell;
    QCMLoad(QCMRead());
}

void QCMLoad(const QCMRow& row) {
    const cQCM& qcm = RunQCM();
    if (!row.read) {
        // The row was not read: the file keeps what it holds while the facade holds what
        // it had.
        for (const auto& [column, held] : {std::pair{"FreqMax", qcm.FreqMax()}, std::pair{"FreqInit", qcm.FreqInit()},
                                           std::pair{"FreqMin", qcm.FreqMin()}, std::pair{"Period", qcm.Period()}})
            if (!IsUnread(kQcmRow, QLatin1String(column))) CellKept(kQcmRow, QLatin1String(column), QVariant(held));
        return;
    }
    const double freqMax = row.freqMax;
    const double freqInit = row.freqInit;
    const double freqMin = row.freqMin;
    const double period = row.period;
    // The facade reports values it refuses through its status, which is not needed here.
    // A stored 0 stands for its default, and the defaults are then saved in the row.
    const bool anyZero = freqMax == 0.0 || freqInit == 0.0 || freqMin == 0.0 || period == 0.0;
    if (!anyZero && RunQCM().InitFreq(freqMax, freqMin, freqInit, period) != -1) return;
    RunQCM().InitFreq(kDefaultFreqMax, kDefaultFreqMin, kDefaultFreqInit, kDefaultPeriod);
    // A value the facade does not accept is named and kept in the file; so are the sound
    // values of a refused set, which the facade does not hold either.
    const bool ordered = anyZero || (freqMin <= freqInit && freqInit <= freqMax);
    const struct {
        const char* column;
        double value;
        bool accepted;
        double held;
        const QVariant& stored;
    } cells[] = {{"FreqMax", freqMax, FrequencyAccepted(freqMax) && ordered, qcm.FreqMax(), row.stored[0]},
                 {"FreqInit", freqInit, FrequencyAccepted(freqInit) && ordered, qcm.FreqInit(), row.stored[1]},
                 {"FreqMin", freqMin, FrequencyAccepted(freqMin) && ordered, qcm.FreqMin(), row.stored[2]},
                 {"Period", period, PeriodAccepted(period), qcm.Period(), row.stored[3]}};
    for (const auto& cell : cells) {
        const QString column = QLatin1String(cell.column);
        if (cell.value == 0.0 || IsUnread(kQcmRow, column)) continue;
        if (!cell.accepted) CellNotRead(kQcmRow, column, cell.stored, QVariant(cell.held));
        else if (!anyZero) CellKept(kQcmRow, column, QVariant(cell.held));
    }
}

void QCMSave() {
    ORUN_PROC("modDB_QCMSave");
    RowWork(FileUse::Write, QStringLiteral("The quartz monitors' settings"), [&] {
        const cQCM& qcm = RunQCM();
        dao::Recordset rs = gDB.OpenRecordset(kQcmQuery);
        rs.Edit();
        WriteSetting(rs, kQcmRow, QStringLiteral("Period"), QVariant(static_cast<double>(qcm.Period())));
        WriteSetting(rs, kQcmRow, QStringLiteral("FreqMax"), QVariant(static_cast<double>(qcm.FreqMax())));
        WriteSetting(rs, kQcmRow, QStringLiteral("FreqInit"), QVariant(static_cast<double>(qcm.FreqInit())));
        WriteSetting(rs, kQcmRow, QStringLiteral("FreqMin"), QVariant(static_cast<double>(qcm.FreqMin())));
        rs.Update();
    });
}

}  // namespace modDB

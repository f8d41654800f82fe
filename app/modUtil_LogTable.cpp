// The data-log header and rows: which columns are logged follows the bit masks LogChans,
// LogChanData, LogSensors and LogSensorData; every column is followed by LogDelimit.
#include "app/modUtil.h"

#include "app/ChannelData.h"
#include "app/Hooks.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"

namespace modUtil {

namespace {

const QString kTab = QStringLiteral("\t");
const QString kCrLf = QStringLiteral("\r\n");

// LogChanData bit 7 adds the layer block to the header instead of a column.
constexpr int kLayerBlockBit = 7;

const char* const kChanTitles[] = {" Rate ", " Dev.", " Total  ", " Power", " Flux   ",
                                   " Gas    ", " BackGnd", "", " PMTVolt", " Ratio"};
const char* const kSensorTitles[] = {" Emis", " Leak", " Pwr.", "FilI", "Bias", "Stat"};
// By sensor index: 0 sensor 1, 1 gas 1, 2 sensor 2, 3 gas 2.
const char* const kSensorHeaderLabels[] = {"SENS1", "GAS 1", "SENS2", "GAS 2"};
const char* const kSensorRowLabels[] = {"SENS1", "GAS1", "SENS2", "GAS 2"};

bool Bit(int16_t mask, int bit) { return (mask >> bit) & 1; }

// LogSensors keeps the data-log window's boxes (bit 0 Sensor 1, 1 Sensor 2, 2 Gas 1,
// 3 Gas 2), so the stored settings mean what the operator ticked; the sensor indexes
// order the sensors otherwise. Sensor s is logged when the box of that sensor is ticked.
constexpr int kSensorBox[] = {0, 2, 1, 3};
bool SensorLogged(int s) { return Bit(LogSensors, kSensorBox[s]); }

// "E-3" for -3, "E+3" for 3, nothing for 0.
QString ExponentSuffix(int32_t exponent) {
    if (exponent < 0) return QStringLiteral("E") + vb::CStr(exponent);
    if (exponent >= 1) return QStringLiteral("E+") + vb::CStr(exponent);
    return QString();
}

// One channel quantity of the row, without its delimiter.
QString ChannelValue(int c, int bit) {
    switch (bit) {
    case 0: {
        QString rate = vb::Trim(FormatChannelValue(gChanUserFilter(c).Average(), static_cast<int16_t>(c)));
        if (rate.isEmpty()) rate = vb::Format(0.0, QStringLiteral("\\ 00.000;-00.000"));
        return rate + ExponentSuffix(gChanExponent(c));
    }
    case 1: return vb::Format(gChanDev(c), QStringLiteral("\\ 00.0;-00.0"));
    case 2: return vb::Format(gChanTotal(c), QStringLiteral("\\ 000.000;-000.000"));
    case 3: {
        // A channel without a source output in this step has no power to log.
        const int16_t output = RunApp().ChanOutput(static_cast<int16_t>(c));
        return vb::Format(output >= 0 ? Hooks::Unit().Power(output) : 0.0, QStringLiteral("\\ 00.00;-00.00"));
    }
    case 4: return vb::Format(Hooks::Unit().ChanFlux(c), QStringLiteral("\\ 000.000;-000.000"));
    case 5: {
        const double gas = Hooks::Unit().GasCalEnabled() ? Hooks::Unit().I2_Total(c) - Hooks::Unit().I3_Bkg(c) : 0.0;
        return vb::Format(gas, QStringLiteral("\\ 000.000;-000.000"));
    }
    case 6: return vb::Format(Hooks::Unit().I3_Bkg(c), QStringLiteral("\\ 000.000;-000.000"));
    case 8: return QStringLiteral(" ") + vb::Format(Hooks::Unit().PMTVolts(c), QStringLiteral("\\ 000.0;-000.0"));
    case 9: return vb::Format(gChanRatio(c), QStringLiteral("\\ 00.00;-00.00"));
    default: return QString();
    }
}

// One sensor quantity of the row with its delimiter.
QString SensorColumn(int s, int bit, const QString& D) {
    switch (bit) {
    case 0: return vb::Format(gSensorEmissionFilter(s).Average(), QStringLiteral("\\ 0.00;-0.00")) + D;
    case 1: return vb::Format(gSensorLeakageFilter(s).Average(), QStringLiteral("\\ 0.00;-0.00")) + D;
    case 2: return vb::Format(gSensorPowerFilter(s).Average(), QStringLiteral("\\ 0.00;-0.00")) + D;
    case 3: return vb::Format(gSensorFilamentFilter(s).Average(), QStringLiteral("\\ 0.0;-0.0")) + D;
    case 4: return vb::Format(gSensorBiasFilter(s).Average(), QStringLiteral("\\ 0.0;-0.0")) + D;
    default: return SensorStateColumn(Hooks::Unit().ORUNSensorOn(s), D);
    }
}

// "Chan:"n TAB "Film:"name TAB "Rate:"r TAB "Units:"u TAB "Total:"t TAB "TimeSP:"hh:mm:ss
QString LayerBlock(int c) {
    const LayerRec& layer = gLayer(RunApp().ChanLayer(static_cast<int16_t>(c)));
    const FilmRec& film = gFilm(RunApp().ChanFilm(static_cast<int16_t>(c)));
    return kCrLf + QStringLiteral("Chan:") + vb::CStr(c + 1) + kTab + QStringLiteral("Film:") +
           film.Film_Name.text() + kTab + QStringLiteral("Rate:") + vb::Format(layer.Rate, QStringLiteral("000.000")) + kTab +
           QStringLiteral("Units:") + vb::Trim(film.Units) + kTab + QStringLiteral("Total:") +
           vb::Format(layer.Thick, QStringLiteral("000.000")) + kTab + QStringLiteral("TimeSP:") +
           vb::Format(layer.TimeSetPt / 86400.0, QStringLiteral("hh:mm:ss"));
}

}  // namespace

QString SensorStateColumn(int16_t state, const QString& D) {
    if (state == 0) return QStringLiteral("Off ") + D;
    if (state == 1) return QStringLiteral("On ") + D;
    return QString();
}

QString PrintHeader() {
    ORUN_PROC("modUtil_PrintHeader");
    QString result;
    try {
        const QString& D = LogDelimit;
        QString s = QStringLiteral("Layer: ") + vb::CStr(RunApp().ProcLayer());
        if (Bit(LogChanData, kLayerBlockBit)) {
            for (int c = 0; c <= 7; ++c)
                if (RunApp().ChanFilm(static_cast<int16_t>(c)) > 0) s += LayerBlock(c);
        }
        s += kCrLf + QStringLiteral("ProcTime") + D + QStringLiteral("Phase     ") + D;
        for (int c = 0; c <= 7; ++c) {
            if (!Bit(LogChans, c)) continue;
            s += QStringLiteral(" Chan ") + D;
            for (int k = 0; k <= 9; ++k)
                if (k != kLayerBlockBit && Bit(LogChanData, k)) s += QLatin1String(kChanTitles[k]) + D;
        }
        for (int sn = 0; sn <= 3; ++sn) {
            if (!SensorLogged(sn)) continue;
            s += QLatin1String(kSensorHeaderLabels[sn]) + QStringLiteral(":; ");
            for (int k = 0; k <= 5; ++k)
                if (Bit(LogSensorData, k)) s += QLatin1String(kSensorTitles[k]) + D;
        }
        result = s;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

QString PrintReadings() {
    ORUN_PROC("modUtil_PrintReadings");
    QString result;
    try {
        const QString& D = LogDelimit;
        QString s = Hooks::Call(Hooks::ProcessTime) + D + PhaseCode::PhaseName(RunApp().Phase()).leftJustified(10) + D;
        for (int c = 0; c <= 7; ++c) {
            if (!Bit(LogChans, c)) continue;
            s += QStringLiteral("  CH") + vb::CStr(c + 1) + QStringLiteral(" ; ");
            for (int k = 0; k <= 9; ++k)
                if (k != kLayerBlockBit && Bit(LogChanData, k)) s += ChannelValue(c, k) + D;
        }
        for (int sn = 0; sn <= 3; ++sn) {
            if (!SensorLogged(sn)) continue;
            s += QLatin1String(kSensorRowLabels[sn]) + QStringLiteral(":; ");
            for (int k = 0; k <= 5; ++k)
                if (Bit(LogSensorData, k)) s += SensorColumn(sn, k, D);
        }
        result = s;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modUtil

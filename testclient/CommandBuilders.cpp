#include "testclient/CommandBuilders.h"

namespace ORUN_Comm {
namespace {

QString Num(int n) { return QString::number(n); }

bool In(int v, int low, int high) { return v >= low && v <= high; }

// The sensor number of the server for a sensor option: the options run Sensor 1,
// Sensor 2, Gas 1, Gas 2 (1..4), the server counts Sensor 1, Gas 1, Sensor 2, Gas 2
// (0..3). -1 for a selection that names no sensor.
int ServerSensor(int sel) {
    switch (sel) {
    case 1: return 0;
    case 2: return 2;
    case 3: return 1;
    case 4: return 3;
    default: return -1;
    }
}

// An update repeats its query's fields and adds the value as the last one.
QString UpdateFromQuery(const QString& query, const QString& value) {
    if (query.isEmpty()) return QString();
    return QStringLiteral("@U") + query.mid(2) + u';' + value;
}

// The layer and channel fields of the layer and film requests.
QString LayerFields(const CommandChoice& c) { return u';' + Num(c.Layer) + u';' + Num(c.Output); }

}  // namespace

QString QueryProcessCmd(const CommandChoice& c) {
    const int v = c.SelProcess;
    if (In(v, 1, 10) || In(v, 30, 39) || In(v, 71, 74)) return QStringLiteral("@QP;0") + Num(v);
    // The shutters and the power mode of the channel chosen in the power list ("All" is
    // the ninth).
    if (In(v, 11, 16) || In(v, 21, 28) || In(v, 41, 48)) return QStringLiteral("@QP;") + Num(v + c.Power);
    return QString();
}

QString UpdateProcessCmd(const CommandChoice& c) {
    const int v = c.SelProcess;
    const QString& t = c.UpdateValue;
    if (In(v, 0, 10) || In(v, 36, 38) || In(v, 71, 74)) return UpdateFromQuery(QueryProcessCmd(c), t);
    if (v == 11) return QStringLiteral("@UP;11;") + t;
    // On/off switches: the number of "on" is one above the number of "off".
    if (v == 30 || v == 32 || v == 34) return QStringLiteral("@UP;") + Num(t == u"1" ? v + 1 : v);
    if (v == 41 || v == 51 || v == 61) return QStringLiteral("@UP;") + Num(v + c.Power) + u';' + t;
    return QString();
}

QString QueryMeasureCmd(const CommandChoice& c) {
    const int m = c.SelMeasure;
    if (m == 1 || m == 2) {
        // Emission, leakage, power, state, filament current, bias voltage of the sensor.
        static constexpr int kBase[] = {51, 55, 61, 65, 71, 75};
        if (!In(c.SensorRdg, 0, 5)) return QString();
        return QStringLiteral("@QM;") + Num(kBase[c.SensorRdg] + ServerSensor(m));
    }
    if (In(m, 11, 18)) return QStringLiteral("@QM;") + Num(10 * c.OutputRdg + m);
    return QString();
}

QString QueryLayerCmd(const CommandChoice& c) {
    const int v = c.SelLayer;
    if (v < 1) return QString();
    QString text;
    switch (v) {
    case 1: text = QStringLiteral("@QL;01"); break;
    // The three options of the second rate ramp: its start thickness, time and rate.
    case 2: text = QStringLiteral("@QL;12"); break;
    case 8: text = QStringLiteral("@QL;22"); break;
    case 10: text = QStringLiteral("@QL;32"); break;
    case 41:
    case 47:
    case 48: return QString();
    default:
        text = In(v, 3, 9) ? QStringLiteral("@QL;0") + Num(v - 1) : QStringLiteral("@QL;") + Num(v);
        break;
    }
    return text + LayerFields(c);
}

QString UpdateLayerCmd(const CommandChoice& c) { return UpdateFromQuery(QueryLayerCmd(c), c.UpdateValue); }

QString QueryFilmCmd(const CommandChoice& c) {
    int v = 0;
    if (c.Tab == tabFilm) v = c.SelFilm;
    else if (c.Tab == tabFilmAux) v = c.SelFilmAux;
    if (In(v, 1, 9)) return QStringLiteral("@QF;0") + Num(v) + LayerFields(c);
    if (In(v, 10, 42)) return QStringLiteral("@QF;") + Num(v) + LayerFields(c);
    return QString();
}

QString UpdateFilmCmd(const CommandChoice& c) { return UpdateFromQuery(QueryFilmCmd(c), c.UpdateValue); }

QString QuerySensorCmd(const CommandChoice& c) {
    const int w = c.SelMeasure;
    const int s = ServerSensor(w);
    if (s < 0) return QString();
    switch (c.Sensor) {
    case 0: return QStringLiteral("@QS;0") + Num(2 * w - 1);
    case 1: return QStringLiteral("@QS;1") + Num(s + 1);
    case 2: return QStringLiteral("@QS;2") + Num(s + 1);
    // Only the gas sensors have a calibration factor.
    case 3: return w == 3 ? QStringLiteral("@QS;31") : w == 4 ? QStringLiteral("@QS;32") : QString();
    default: return QString();
    }
}

QString UpdateSensorCmd(const CommandChoice& c) {
    const int w = c.SelMeasure;
    const int s = ServerSensor(w);
    if (s < 0) return QString();
    switch (c.Sensor) {
    case 0: return QStringLiteral("@US;0") + Num(c.UpdateValue == u"1" ? 2 * w : 2 * w - 1);
    case 1: return QStringLiteral("@US;1") + Num(s + 1) + u';' + c.UpdateValue;
    case 2: return QStringLiteral("@US;2") + Num(s + 1) + u';' + c.UpdateValue;
    default: return QString();
    }
}

QString QueryUtilityCmd(const CommandChoice& c) {
    const int u = c.SelUtility;
    if (In(u, 1, 7) || In(u, 11, 14)) return QStringLiteral("@QU;0") + Num(u);
    if (u == 16) return c.FreeText;
    return QString();
}

QString UpdateUtilityCmd(const CommandChoice& c) {
    const int u = c.SelUtility;
    if (u == 6) {
        int mask = 0;
        for (int bit = 0; bit < kFrontPanelBits; ++bit)
            if (c.FrontPanel[static_cast<size_t>(bit)]) mask |= 1 << bit;
        return QStringLiteral("@UU;06;") + Num(mask);
    }
    if (In(u, 1, 5) || u == 7 || In(u, 11, 14)) return UpdateFromQuery(QueryUtilityCmd(c), c.UpdateValue);
    return QString();
}

QString RequestText(const CommandChoice& c) {
    switch (c.Tab) {
    case tabProcess: return c.Update ? UpdateProcessCmd(c) : QueryProcessCmd(c);
    case tabMeasure: return c.Update ? QString() : QueryMeasureCmd(c);
    case tabLayer: return c.Update ? UpdateLayerCmd(c) : QueryLayerCmd(c);
    case tabFilm:
    case tabFilmAux: return c.Update ? UpdateFilmCmd(c) : QueryFilmCmd(c);
    case tabSensor: return c.Update ? UpdateSensorCmd(c) : QuerySensorCmd(c);
    case tabUtility: return c.Update ? UpdateUtilityCmd(c) : QueryUtilityCmd(c);
    default: return QString();
    }
}

}  // namespace ORUN_Comm

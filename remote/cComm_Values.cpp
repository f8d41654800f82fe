// "@QV", "@UV" and "@QM": the live side of a run per channel and per emission sensor.
// There is no channel field: parameters come in groups of eight, the group's first number
// plus the channel 0..7 (1..8, 11..18, ... 111..118).
//
// A channel's current layer is the layer it serves now; its step film is the film of the
// layer it runs in the current step. The manual rate ramp and the two free values live in
// the current layer and are never stored.
#include "remote/cComm.h"
#include "remote/ClientPresses.h"
#include "remote/PanelLocksLifted.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "run/modPhases.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

#include <cmath>

namespace {

// The group of a channel parameter (its first number, 1, 11, ... 111) and the channel;
// false for the numbers between the groups.
bool ChannelParam(int16_t n, int16_t& base, int16_t& chan) {
    if (n < 1) return false;
    base = static_cast<int16_t>((n - 1) / 10 * 10 + 1);
    chan = static_cast<int16_t>(n - base);
    return chan <= 7;
}

// The parameter of "@QV" and "@UV": "A" and a digit stand for 100 plus the digit, "B"
// and a digit for 110 plus it ("A3" = 103, "B1" = 111); else a number.
int16_t ValueParam(const QString& field) {
    if (field.startsWith(u'A')) return vb::CInt(100 + vb::Val(vb::Right(field, 1)));
    if (field.startsWith(u'B')) return vb::CInt(110 + vb::Val(vb::Right(field, 1)));
    return vb::CInt(vb::Val(field));
}

LayerRec& CurrentLayer(int16_t nChan) { return gLayer(RunApp().ChanLayer(nChan)); }

FilmRec& StepFilm(int16_t nChan) {
    cApp& app = RunApp();
    return gFilm(gLayer(app.ProcLayerIndex(app.ProcLayer(), nChan)).Film_Number);
}

// The power of the channel's source output; a channel that drives no output in this step
// has none, as the data log shows it.
// The power the unit acknowledged for the channel's output: what it drives, not what the
// program asked for while the link may not have carried it.
double ChannelPower(int16_t nChan) {
    const int16_t out = RunApp().ChanOutput(nChan);
    return out >= 0 ? RunUnit().PowerHeld(out) : 0.0;
}

QString Fixed(double value, const char* pattern) { return vb::Format(value, QLatin1String(pattern)); }

// The channel values of "@QM" 11..48, by group.
QString ChannelReading(int16_t base, int16_t c) {
    switch (base) {
    case 11: return Fixed(ChannelPower(c), "0.00");
    case 21: return Fixed(gChanUser(c), "0.0000");
    case 31: return Fixed(gChanTotal(c), "0.0000");
    default: return Fixed(gChanDev(c), "0.00");  // 41
    }
}

// The sensor values of "@QM" 51..78, by group of four: emission, leakage, power, state,
// filament current, bias voltage.
QString SensorReading(int16_t kind, int s) {
    const cORUN& unit = RunUnit();
    switch (kind) {
    case 0: return Fixed(unit.EmissionCurrent(s), "0.00");
    case 1: return Fixed(unit.LeakageCurrent(s), "0.00");
    case 2: return Fixed(unit.SensorPower(s), "0.00");
    case 3: return vb::CStr(unit.ORUNSensorOn(s));
    case 4: return Fixed(unit.FilamentCurrent(s), "0.00");
    default: return Fixed(unit.BiasVoltage(s), "0.00");  // 5
    }
}

}  // namespace

QString cComm::MsgQV(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    int16_t base = 0, c = 0;
    if (!ChannelParam(ValueParam(Field(sMsg, 2)), base, c) || base > 111) return Nak(NakCode::PRM);
    switch (base) {
    case 1: sValue = Fixed(gChanUser(c), "0.0000"); break;
    case 11: sValue = Fixed(CurrentLayer(c).ManRampToRate, "0.00"); break;
    case 21: sValue = modUtil::FormatChannelValue(modPhases::RateTarget(c), c); break;
    case 31: sValue = Fixed(CurrentLayer(c).ManRampSlope * 60.0, "0.00"); break;
    case 41: sValue = Fixed(ChannelPower(c), "0.00"); break;
    case 51:
        // Minutes left of a manual ramp; a ramp without a slope has no end to count to.
        if (RunApp().ChanPhase(c) == PhaseCode::ManRamp) {
            const LayerRec& layer = CurrentLayer(c);
            if (layer.ManRampSlope == 0.0) throw RuntimeError::DivisionByZero();
            const double left = std::abs((layer.ManRampToRate - modPhases::RateTarget(c)) / layer.ManRampSlope) / 60.0;
            sValue = Fixed(left, "0.00");
        } else {
            sValue = QStringLiteral("0");
        }
        break;
    case 61: sValue = vb::CStr(StepFilm(c).PTerm); break;
    case 71: sValue = vb::CStr(StepFilm(c).ITerm); break;
    case 81: sValue = vb::CStr(StepFilm(c).DTerm); break;
    case 91: sValue = vb::CStr(CurrentLayer(c).RemoteValue2); break;
    case 101: sValue = vb::CStr(CurrentLayer(c).RemoteValue1); break;
    default:  // 111
        sValue = RunApp().ChanPhase(c) == PhaseCode::ManPower ? QStringLiteral("0") : QStringLiteral("1");
        break;
    }
    return Ack(sValue);
}

// Values are taken as they come; manual power keeps its own 0..100 window. A ramp asked
// for while stopped starts the run, and manual power switches the channel's box: both go
// past the Ctrl-key setting, as the process commands' presses do.
QString cComm::MsgUV(const QString& sMsg) {
    const PanelLocksLifted lifted;
    int16_t base = 0, c = 0;
    if (!ChannelParam(ValueParam(Field(sMsg, 2)), base, c) || base > 111) return Nak(NakCode::PRM);
    const QString text = Field(sMsg, 3);
    // A ramp or a power would drive the channel: nothing does once the exit is confirmed.
    if ((base == 11 || base == 41 || base == 111) && !ExitRule::Allows(ExitRule::Act::ManualControl))
        return Nak(NakCode::REQ);
    switch (base) {
    case 11: {  // a manual ramp from the present set point to the value
        LayerRec& layer = CurrentLayer(c);
        layer.ManRampFromRate = modPhases::RateTarget(c);
        layer.ManRampStart = Timer();
        layer.ManRampToRate = vb::Val(text);
        RunApp().setChanPhase(c, PhaseCode::ManRamp);
        break;
    }
    case 31: {  // the ramp's slope, per minute; it goes on from the present set point
        LayerRec& layer = CurrentLayer(c);
        layer.ManRampFromRate = modPhases::RateTarget(c);
        layer.ManRampStart = Timer();
        layer.ManRampSlope = vb::Val(text) / 60.0;
        break;
    }
    case 41:
        if (RunApp().ChanPhase(c) != PhaseCode::ManPower) return Nak(NakCode::PRM);
        SetManualPower(c, text);  // a power it refuses is still acknowledged
        break;
    case 61: StepFilm(c).PTerm = vb::Val(text); break;
    case 71: StepFilm(c).ITerm = vb::Val(text); break;
    case 81: StepFilm(c).DTerm = vb::Val(text); break;
    case 91: CurrentLayer(c).RemoteValue2 = vb::Val(text); break;
    case 101: CurrentLayer(c).RemoteValue1 = vb::Val(text); break;
    case 111:
        if (SetManualMode(c, text) < 0) return Nak(NakCode::PRM);
        break;
    default: return Nak(NakCode::PRM);  // 1, 21, 51: read only
    }
    return Ack();
}

// Sensors 0..3 as the unit numbers them; 1..8 reach only the first two.
QString cComm::MsgQM(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    const int16_t n = ParamNumber(sMsg);
    if (n >= 1 && n <= 8) {
        sValue = SensorReading(static_cast<int16_t>((n - 1) / 2), (n - 1) % 2);
    } else if (n == 49) {
        QStringList fields;
        for (int16_t c = 0; c <= 7; ++c)
            for (int16_t base : {11, 21, 31, 41}) fields << ChannelReading(base, c);
        sValue = fields.join(u';');
    } else if (n == 79) {
        QStringList fields;
        for (int s = 0; s <= 3; ++s)
            for (int16_t kind = 0; kind <= 5; ++kind) fields << SensorReading(kind, s);
        sValue = fields.join(u';');
    } else if (n >= 11 && n <= 48 && (n - 1) % 10 <= 7) {
        sValue = ChannelReading(static_cast<int16_t>((n - 1) / 10 * 10 + 1), static_cast<int16_t>((n - 1) % 10));
    } else if (n >= 51 && n <= 78 && n != 59 && n != 60 && n != 69 && n != 70) {
        const int k = n - 51 - (n >= 61 ? 2 : 0) - (n >= 71 ? 2 : 0);  // 0..23 without the gaps
        sValue = SensorReading(static_cast<int16_t>(k / 4), k % 4);
    } else {
        return Nak(NakCode::PRM);
    }
    return Ack(sValue);
}

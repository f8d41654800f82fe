// "@QL", "@UL", "@QF" and "@UF": the layer and film records of the active process, read
// and changed in place. A request names a parameter, a step of the process (0 = the step
// the run is on) and a channel 0..7; an update carries its value as field 5.
//
// Layer queries read the step's layer record on the channel (its film for the film name
// and the input type), except the cross-channel fields, which belong to the layer the
// channel is serving now; layer updates always write the channel's current layer. Film
// commands address the film of the step's layer record. Nothing is saved here and nothing
// is pushed to the unit: the run reads the records where it needs them.
#include "remote/cComm.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "editors/FilmPush.h"

#include <array>
#include <optional>

namespace {

// A numeric field: its leading number rounded to 16 bits.
int16_t Number16(const QString& field) { return vb::CInt(vb::Val(field)); }

// The step a request names (0 = the current one), or nothing when the active process
// has no such step.
std::optional<int16_t> StepOfProcess(int16_t nLayer) {
    cApp& app = RunApp();
    if (nLayer == 0) nLayer = app.ProcLayer();
    if (nLayer < 1 || nLayer > gProcess(app.ProcNum()).Number_Layers) return std::nullopt;
    return nLayer;
}

LayerRec& StepLayer(int16_t nLayer, int16_t nChan) { return gLayer(RunApp().ProcLayerIndex(nLayer, nChan)); }
LayerRec& CurrentLayer(int16_t nChan) { return gLayer(RunApp().ChanLayer(nChan)); }
FilmRec& StepFilm(int16_t nLayer, int16_t nChan) { return gFilm(StepLayer(nLayer, nChan).Film_Number); }

// A whole value that the field's users take as an index or a choice must be one of the
// values they know; anything else would drive them out of range.
bool InRange(double value, int lo, int hi) { return value >= lo && value <= hi && value == vb::Int(value); }

// The four cross channels and their percentages, by their number 1..4.
int16_t& CrossChannel(LayerRec& l, int n) {
    std::array<int16_t*, 4> fields = {&l.XCH1, &l.XCH2, &l.XCH3, &l.XCH4};
    return *fields.at(static_cast<size_t>(n - 1));
}
double& CrossPercent(LayerRec& l, int n) {
    std::array<double*, 4> fields = {&l.XCh1Percent, &l.XCh2Percent, &l.XCh3Percent, &l.XCh4Percent};
    return *fields.at(static_cast<size_t>(n - 1));
}

// One film parameter: a Double or a Long field (neither for the reserved numbers 4, 9
// and 24), and for index-like fields the values their users accept.
struct FilmParam {
    double FilmRec::* real = nullptr;
    int32_t FilmRec::* whole = nullptr;
    int lo = 0, hi = -1;  // lo > hi: any value
};

constexpr int kUnitsParam = 35;
constexpr int kMaxPowerParam = 26;

// Film parameters 1..42 by number; 35 (the units text) is handled apart.
const std::array<FilmParam, 43>& FilmParams() {
    static const std::array<FilmParam, 43> table = [] {
        std::array<FilmParam, 43> t{};
        auto real = [&t](int n, double FilmRec::* f, int lo = 0, int hi = -1) { t.at(n) = {f, nullptr, lo, hi}; };
        auto whole = [&t](int n, int32_t FilmRec::* f, int lo = 0, int hi = -1) { t.at(n) = {nullptr, f, lo, hi}; };
        real(1, &FilmRec::PTerm);
        real(2, &FilmRec::ITerm);
        real(3, &FilmRec::DTerm);
        whole(5, &FilmRec::Shutter_Delay);
        real(6, &FilmRec::Shutter_Capture);
        whole(7, &FilmRec::ERROR_ACTION, 0, 2);  // Ignore, Stop, Hold
        whole(8, &FilmRec::CTRLERR_PERCENT);
        real(10, &FilmRec::QCM_ACCURACY);
        whole(11, &FilmRec::QCM_SAMPLE);
        whole(12, &FilmRec::QCM_INTERVAL);
        real(13, &FilmRec::Ramp1_Power);
        whole(14, &FilmRec::RAMP1_TIME);
        whole(15, &FilmRec::Soak1_Time);
        real(16, &FilmRec::Ramp2_Power);
        whole(17, &FilmRec::RAMP2_TIME);
        whole(18, &FilmRec::Soak2_Time);
        real(19, &FilmRec::Feed_Power);
        real(20, &FilmRec::FEED_RAMP);
        whole(21, &FilmRec::FEED_TIME);
        real(22, &FilmRec::Idle_Power);
        whole(23, &FilmRec::IDLE_Ramp);
        whole(25, &FilmRec::Indexer1);
        real(26, &FilmRec::Max_Power);
        real(27, &FilmRec::SLEW_RATE);
        real(28, &FilmRec::QCM_DENSITY);
        real(29, &FilmRec::QCM_TOOLING);
        real(30, &FilmRec::QCM_ZFACTOR);
        whole(31, &FilmRec::Input_Type, 0, 8);  // the detector, 4 quartz monitors, 4 analog inputs
        real(32, &FilmRec::Sensor_PMT);
        real(33, &FilmRec::QCM_CALFACTOR);
        real(34, &FilmRec::QCM_CALZERO);
        real(36, &FilmRec::UnitsCal);
        real(37, &FilmRec::UnitsOffset);
        whole(38, &FilmRec::Exponent);
        whole(39, &FilmRec::IntDigits, 0, 4);
        whole(40, &FilmRec::DecDigits, 0, 4);
        whole(41, &FilmRec::Filter, 1, 100);     // readings averaged
        real(42, &FilmRec::QCM_NUMBER, -1, 3);   // none, or quartz monitor 0..3
        return t;
    }();
    return table;
}

}  // namespace

QString cComm::MsgQL(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    const int16_t n = ParamNumber(sMsg);
    const std::optional<int16_t> step = StepOfProcess(Number16(Field(sMsg, 3)));
    const int16_t chan = Number16(Field(sMsg, 4));
    if (!step) return Nak(NakCode::PRM);
    switch (n) {
    case 1: sValue = vb::Trim(StepFilm(*step, chan).Film_Name); break;
    case 2: sValue = vb::CStr(StepLayer(*step, chan).Rate); break;
    case 3: sValue = vb::CStr(StepLayer(*step, chan).Thick); break;
    case 4: sValue = vb::CStr(StepLayer(*step, chan).TimeSetPt); break;
    case 5: sValue = vb::CStr(StepLayer(*step, chan).ThickSetPt); break;
    case 6: sValue = vb::CStr(StepLayer(*step, chan).StartMode); break;
    case 9: sValue = StepLayer(*step, chan).Prompt; break;
    case 10: sValue = vb::CStr(RunApp().ChanPhase(chan)); break;
    case 11: sValue = vb::CStr(StepLayer(*step, chan).Ramp1Thick); break;
    case 12: sValue = vb::CStr(StepLayer(*step, chan).Ramp2Thick); break;
    case 21: sValue = vb::CStr(StepLayer(*step, chan).Ramp1Time); break;
    case 22: sValue = vb::CStr(StepLayer(*step, chan).Ramp2Time); break;
    case 31: sValue = vb::CStr(StepLayer(*step, chan).Ramp1Rate); break;
    case 32: sValue = vb::CStr(StepLayer(*step, chan).Ramp2Rate); break;
    case 45: sValue = vb::CStr(StepFilm(*step, chan).Input_Type); break;
    case 7: case 8:
    case 41: case 42: case 43: case 44:
    case 46: case 47: case 48: case 49: case 50: break;  // reserved
    case 61: case 62: case 63: case 64: sValue = vb::CStr(CrossChannel(CurrentLayer(chan), n - 60)); break;
    case 71: case 72: case 73: case 74:
        sValue = vb::Format(CrossPercent(CurrentLayer(chan), n - 70), QStringLiteral("0.000"));
        break;
    default: return Nak(NakCode::PRM);
    }
    return Ack(sValue);
}

// Whatever step the request names (it must exist), the layer written is the one the
// channel is serving now.
QString cComm::MsgUL(const QString& sMsg) {
    const int16_t n = ParamNumber(sMsg);
    const std::optional<int16_t> step = StepOfProcess(Number16(Field(sMsg, 3)));
    const int16_t chan = Number16(Field(sMsg, 4));
    const QString text = Field(sMsg, 5);
    if (!step) return Nak(NakCode::PRM);
    switch (n) {
    case 2: CurrentLayer(chan).Rate = vb::Val(text); break;
    case 3: CurrentLayer(chan).Thick = vb::Val(text); break;
    case 4: CurrentLayer(chan).TimeSetPt = vb::CLng(vb::Val(text)); break;
    case 5: CurrentLayer(chan).ThickSetPt = vb::Val(text); break;
    case 6: {
        const int16_t mode = vb::CInt(vb::Val(text));
        if (mode < 0 || mode > 2) return Nak(NakCode::PRM);  // Auto, Manual, Constant
        CurrentLayer(chan).StartMode = mode;
        break;
    }
    case 7: case 10: break;  // accepted, nothing to change
    case 9: CurrentLayer(chan).Prompt = text; break;
    case 11: CurrentLayer(chan).Ramp1Thick = vb::Val(text); break;
    case 12: CurrentLayer(chan).Ramp2Thick = vb::Val(text); break;
    case 21: CurrentLayer(chan).Ramp1Time = vb::CLng(vb::Val(text)); break;
    case 22: CurrentLayer(chan).Ramp2Time = vb::CLng(vb::Val(text)); break;
    case 31: CurrentLayer(chan).Ramp1Rate = vb::Val(text); break;
    case 32: CurrentLayer(chan).Ramp2Rate = vb::Val(text); break;
    case 61: case 62: case 63: case 64: {
        const int16_t cross = vb::CInt(vb::Val(text));
        if (cross < -1 || cross > 7) return Nak(NakCode::PRM);  // none, or channel 0..7
        CrossChannel(CurrentLayer(chan), n - 60) = cross;
        break;
    }
    case 71: case 72: case 73: case 74: CrossPercent(CurrentLayer(chan), n - 70) = vb::Val(text); break;
    default: return Nak(NakCode::PRM);  // the film name, reserved and unknown numbers
    }
    return Ack();
}

QString cComm::MsgQF(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    const int16_t n = ParamNumber(sMsg);
    const std::optional<int16_t> step = StepOfProcess(Number16(Field(sMsg, 3)));
    const int16_t chan = Number16(Field(sMsg, 4));
    if (!step) return Nak(NakCode::PRM);
    if (n < 1 || n > 42) return Nak(NakCode::PRM);
    const FilmParam& p = FilmParams().at(static_cast<size_t>(n));
    if (n == kUnitsParam)
        sValue = StepFilm(*step, chan).Units;  // all eight characters
    else if (p.real)
        sValue = vb::CStr(StepFilm(*step, chan).*p.real);
    else if (p.whole)
        sValue = vb::CStr(StepFilm(*step, chan).*p.whole);
    return Ack(sValue);
}

// Films change only while no process runs.
QString cComm::MsgUF(const QString& sMsg) {
    const int16_t n = ParamNumber(sMsg);
    const std::optional<int16_t> step = StepOfProcess(Number16(Field(sMsg, 3)));
    const int16_t chan = Number16(Field(sMsg, 4));
    const QString text = Field(sMsg, 5);
    if (!step) return Nak(NakCode::PRM);
    if (RunApp().Phase() != PhaseCode::Stopped) return Nak(NakCode::REQ);
    if (n < 1 || n > 42) return Nak(NakCode::PRM);
    const FilmParam& p = FilmParams().at(static_cast<size_t>(n));
    const bool limited = p.lo <= p.hi;
    if (n == kUnitsParam) {
        StepFilm(*step, chan).Units = text;  // left-aligned, padded or cut to eight
    } else if (p.real) {
        const double value = vb::Val(text);
        if (limited && !InRange(value, p.lo, p.hi)) return Nak(NakCode::PRM);
        StepFilm(*step, chan).*p.real = value;
        // A new power limit holds at once for the outputs of the films the step shown runs,
        // a power held by hand above it included.
        if (n == kMaxPowerParam)
            for (int16_t c = 0; c <= 7; ++c)
                if (RunApp().ChanFilm(c) >= 1) FilmPush::MaxPower(RunApp().ChanFilm(c));
    } else if (p.whole) {
        const int32_t value = vb::CLng(vb::Val(text));
        if (limited && !InRange(value, p.lo, p.hi)) return Nak(NakCode::PRM);
        StepFilm(*step, chan).*p.whole = value;
    }
    return Ack();
}

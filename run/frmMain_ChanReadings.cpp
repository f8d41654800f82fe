// The raw readings grid of the readings view: per channel the corrected flux, the flux and
// gas signals less background with their percent of full scale, and the background. A
// reading outside the detector's range is faulty; with Debug 4 every reading text is kept
// in the reading ring, and a fault writes the three readings before it, the faulty one and
// the two after it to "RdgErrors.txt".
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/cRdgBuff.h"
#include "app/modFileUtil.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "platform/TarselGrid.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"

namespace {

// Debug setting that keeps the reading texts and logs faulty readings.
constexpr int32_t kDebugReadingErrors = 4;
// Signals below this (nA) are faulty, as are signals above the calibration's high bias.
constexpr double kLowestSignal = -10.0;
// Firmware before 2.00 reports no gas signal.
constexpr int32_t kFirstGasVersion = 200;

QString Signal(double v) { return vb::Format(v, QStringLiteral("#.000")); }
QString Percent(double v) { return vb::Format(v, QStringLiteral("#.00")); }

void AppendRdgError(const QString& line) { modFileUtil::AppendToTextFile(InProgramFolder(QStringLiteral("RdgErrors.txt")), line); }

}  // namespace

void frmMain::ShowChanReadings() {
    const cORUN& unit = RunUnit();
    const cApp& app = RunApp();
    const double high = unit.CalHiBias();
    const auto outside = [&](double v) { return v > high || v < kLowestSignal; };
    bool faulty = false;
    for (int ch = 0; ch <= 7; ++ch) {
        if (!unit.ChanActive(ch)) {
            grdChan->setCellText(ch, 1, app.ChanLayer(static_cast<int16_t>(ch)) > 0 ? QStringLiteral("Error") : QString());
            for (int col = 2; col <= 6; ++col) grdChan->setCellText(ch, col, QString());
            continue;
        }
        const double flux = unit.ChanFlux(ch);
        faulty = faulty || outside(flux);
        grdChan->setCellText(ch, 1, Signal(flux));
        grdChan->setCellText(ch, 2, Signal(unit.I1_Total(ch) - unit.I3_Bkg(ch)));
        grdChan->setCellText(ch, 3, Percent(unit.ChanPercent(ch)));
        if (unit.Version() < kFirstGasVersion) {
            grdChan->setCellText(ch, 4, QStringLiteral("0.000"));
            grdChan->setCellText(ch, 5, QStringLiteral("0.0"));
        } else {
            if (unit.GasCalEnabled()) {
                grdChan->setCellText(ch, 4, Signal(unit.I2_Total(ch) - unit.I3_Bkg(ch)));
                grdChan->setCellText(ch, 5, Percent(unit.GasPercent(ch)));
            } else {
                grdChan->setCellText(ch, 4, QStringLiteral("0"));
                grdChan->setCellText(ch, 5, QStringLiteral("0"));
            }
            faulty = faulty || outside(unit.I2_Total(ch));
        }
        grdChan->setCellText(ch, 6, Signal(unit.I3_Bkg(ch)));
    }

    if (Debug != kDebugReadingErrors) return;
    const QString reading = vb::CStrSingle(Timer()) + QStringLiteral(": ") + ReadingReplyText;
    gRdgBuff.Push(reading);
    if (RdgFaultCount_ == 0) {
        if (!faulty) return;
        const QDateTime now = Now();
        AppendRdgError(QStringLiteral("  "));
        AppendRdgError(vb::Format(now, QStringLiteral("Short Date")) + QLatin1Char(' ') + vb::Format(now, QStringLiteral("Long Time")));
        const int32_t index = gRdgBuff.Index();
        for (int32_t i = index - 3; i <= index - 1; ++i) {
            if (i > 0) AppendRdgError(gRdgBuff.Reading(i).toString() + QStringLiteral(" :") + vb::CStr(static_cast<int>(i)));
            else AppendRdgError(gRdgBuff.Reading(gRdgBuff.Size() + i).toString());
        }
        AppendRdgError(QStringLiteral("* ") + gRdgBuff.Reading(index).toString());
        RdgFaultCount_ = 1;
    } else if (RdgFaultCount_ <= 2) {
        ++RdgFaultCount_;
        AppendRdgError(reading);
    } else {
        RdgFaultCount_ = 0;
    }
}

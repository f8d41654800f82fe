// The display refresh of the main window, run once per reading: the process, layer and
// phase labels, the run buttons, sensor controls and menus on every call; the channel rows
// (or the raw readings) and the open graphs at most once per MeterDamping seconds; one
// data-log row at most once per LogInterval seconds while a layer runs.
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modUtil.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"
#include "windows/frmGraph.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <array>

double gLastLogTime = 0.0;

namespace {

constexpr uint32_t kRed = 0xFF;

// Debug settings that add a reply's text to each data-log row.
constexpr int32_t kLogSensorReply = 1;
constexpr int32_t kLogReadingReply = 2;

// Phases without a running process: only the process name and run number are shown.
bool Idle(int16_t p) { return p == 0 || p == 1 || p == 2 || p == PhaseCode::Stopped || p == PhaseCode::StopLayer; }

// Phases of a running layer: the graphs take points, and the data log rows (CONSTANT is
// logged but not graphed).
bool Graphed(int16_t p) { return (p >= PhaseCode::Ramp1 && p <= PhaseCode::Idle) || p == PhaseCode::ManPower || p == PhaseCode::ManRamp; }
bool Logged(int16_t p) { return Graphed(p) || p == PhaseCode::Constant; }

float Since(float start, float now) { return start != 0.0f ? modUtil::TimeDiff(start, now) : 0.0f; }

bool Flag(int16_t bit) { return modBitOps::BitTestInteger(SystemFlags, static_cast<uint8_t>(bit)); }

// The values a graph of the given kind draws: one per channel, or for the sensor kind each
// channel's flux signal then its gas signal. Empty for an unknown kind.
std::span<const double> GraphValues(int32_t kind, std::array<double, 16>& v) {
    const auto channels = [&](auto value) {
        for (int ch = 0; ch <= 7; ++ch) v[ch] = value(ch);
        return std::span<const double>(v.data(), 8);
    };
    switch (kind) {
    case GraphDataKind::Rate: return channels([](int ch) { return gChanUser(ch); });
    case GraphDataKind::Dev: return channels([](int ch) { return gChanDev(ch); });
    case GraphDataKind::Power: return channels([](int ch) { return gChanPower(ch); });
    case GraphDataKind::Total: return channels([](int ch) { return gChanTotal(ch); });
    case GraphDataKind::FilteredRate: return channels([](int ch) { return gChanUserFilter(ch).Average(); });
    case GraphDataKind::RateRatio: return channels([](int ch) { return gChanRatio(ch); });
    case GraphDataKind::Sensor: {
        const cORUN& unit = RunUnit();
        for (int k = 0; k <= 7; ++k) {
            v[k] = unit.I1_Total(k) - unit.I3_Bkg(k);
            v[k + 8] = unit.GasCalEnabled() ? unit.I2_Total(k) - unit.I3_Bkg(k) : 0.0;
        }
        return std::span<const double>(v.data(), 16);
    }
    default: return {};
    }
}

}  // namespace

void frmMain::UpdateForm() {
    ORUN_PROC("frmMain_UpdateForm");
    try {
        cApp& app = RunApp();
        const int16_t p = app.Phase();
        const float now = Timer();
        ShowProcessLabels();
        if (!Idle(p)) {
            RunElapsed_ = Since(RunStartTime, now);
            lblProcess(1)->setText(QStringLiteral("Time: ") + ProcessTime());
            LayerElapsed_ = Since(LayerStartTime, now);
            lblLayer(1)->setText(QStringLiteral("Time: ") + LayerTime());
            lblPhase(1)->setText(QStringLiteral("Time: ") + vb::Format(modPhases::PhaseElapsed() / 86400.0, QStringLiteral("hh:mm:ss")) +
                                 QStringLiteral(" / ") +
                                 vb::Format(modPhases::PhaseRemaining() / 86400.0, QStringLiteral("hh:mm:ss")));
            lblPhase(2)->setText(QStringLiteral("Progress:"));
            prgPhase->setValue(static_cast<int>(modPhases::PhasePercent()));
        }

        if (modUtil::TimeDiff(static_cast<float>(gLastMeterTime), now) >= static_cast<float>(MeterDamping)) {
            if (ShowReadings == 0 || ShowReadings == 1) {
                for (int16_t ch = 0; ch <= 7; ++ch)
                    if (app.ChanFilm(ch) > 0) UpdateChanProc(ch);
            } else if (ShowReadings == 2) {
                ShowChanReadings();
            }
            if (Graphed(p)) {
                std::array<double, 16> values{};
                for (int16_t g = 0; g <= 3; ++g) {
                    frmGraph* graph = gGraphForm(g);
                    if (!app.ShowGraph(g) || !graph) continue;
                    const std::span<const double> v = GraphValues(gGraph(g).Data, values);
                    if (!v.empty()) graph->GraphReading(LayerElapsed_, v);
                }
            }
            gLastMeterTime = now;
        }

        if (LogMode && modUtil::TimeDiff(static_cast<float>(gLastLogTime), now) >= static_cast<float>(LogInterval) && Logged(p)) {
            QString row = modUtil::PrintReadings();
            if (Debug == kLogSensorReply) row += SensorReplyText;
            else if (Debug == kLogReadingReply) row += ReadingReplyText;
            modUtil::PrintToLog(row);
            gLastLogTime = now;
        }

        if (Flag(SystemFlag::RunButtons)) {
            for (QWidget* w : std::initializer_list<QWidget*>{cmdFunc(0), cmdFunc(1), cmdFunc(2), fraSensor(0), fraSensor(1)})
                w->hide();
        } else {
            // Refreshed with every reading: show() costs even on a widget already shown.
            for (QWidget* w : std::initializer_list<QWidget*>{cmdFunc(0), fraSensor(0), fraSensor(1)})
                if (w->isHidden()) w->show();
            if (p == PhaseCode::Startup || p == PhaseCode::Stopped || p == PhaseCode::StopLayer) {
                cmdFunc(0)->setText(QStringLiteral("START"));
                SetBackColor(cmdFunc(0), vbButtonFace);
                if (cmdFunc(1)->isHidden()) cmdFunc(1)->show();
                cmdFunc(2)->setVisible(p == PhaseCode::StopLayer);
            } else if (p != PhaseCode::Shutdown) {
                cmdFunc(0)->setText(QStringLiteral("STOP"));
                SetBackColor(cmdFunc(0), kRed);
                cmdFunc(1)->hide();
                cmdFunc(2)->hide();
            }
        }
        ShowSensors();
        cmdDataLog->setEnabled(!Flag(SystemFlag::DataLog));
        mnuFile->menuAction()->setVisible(!Flag(SystemFlag::FileMenu));
        mnuSetup->menuAction()->setVisible(!Flag(SystemFlag::EditMenu));
    } catch (...) {
        gErr.HandleError();
    }
}

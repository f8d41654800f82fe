// The quartz calibration grid: the film's material for the quartz monitors and the
// settings of a calibration of the film's emission channel against a quartz monitor. In
// the layer editor its Start cell calibrates the layer's channel at once and shows the
// calibration's progress.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "editors/GridCycle.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"
#include "platform/VbColor.h"
#include "qcm/cQCMCal.h"

#include <QPushButton>

namespace {

constexpr int kStartRow = 7;
constexpr uint32_t kRunning = 255;      // red
constexpr uint32_t kIdle = 0xFFFFFF;    // white

// The shortest sample time that reaches the accuracy, and the message when a time is
// shorter.
QString MinimumTimeMessage(const QString& accuracy, double minimum) {
    return QStringLiteral("Minimum time to achieve ") + accuracy + QStringLiteral("% accuracy is ") +
           vb::Format(minimum, QStringLiteral("0.0")) + QStringLiteral(" sec.\r\nIncrease Cal. Accuracy % or Cal. Sample time.");
}

}  // namespace

void frmLayerFilm::SetupGridQCM() {
    const std::function<FilmRec&()> film = [this]() -> FilmRec& { return Film(); };
    std::vector<GridRow>& rows = cycQCM->rows;
    const auto qcm = FieldGet(film, &FilmRec::QCM_NUMBER);
    rows.push_back(ChoiceRow("Cal. QCM#", "QCM sensor used for ORUN channel calibration.", {"None", "1", "2", "3", "4"},
                             -1, qcm, FieldSet(film, &FilmRec::QCM_NUMBER), [qcm]() -> std::optional<QString> {
                                 return qcm() < 0 ? QStringLiteral("None") : vb::CStr(qcm() + 1);
                             }));
    const auto material = [&](const char* caption, const char* units, const char* hint, double FilmRec::* member,
                              double low, double high, const char* message) {
        GridRow r = NumberRow(caption, units, hint, FieldGet(film, member), FieldSet(film, member), {}, low, high, message);
        r.reshow = [this, member] { return vb::CStr(Film().*member); };
        return r;
    };
    rows.push_back(material("Density", "gm/cc", "Material density used for QCM measurements.", &FilmRec::QCM_DENSITY, 0.4,
                            99.99, "Valid Density values are 0.40 to 99.99"));
    rows.push_back(material("ZFactor", "", "Material Z factor used for QCM measurements.", &FilmRec::QCM_ZFACTOR, 0.1, 9.9,
                            "Valid ZFactor values are 0.100 to 9.900"));
    rows.push_back(material("Tooling", "%", "Compensates for QCM inaccuracies caused by sensor location.",
                            &FilmRec::QCM_TOOLING, 10, 400, "Valid Tooling values are 10 to 400"));

    // An accuracy goal needs a sample time of at least density / accuracy seconds: one
    // that the film's sample time (when it has one) cannot reach is refused.
    GridRow accuracy = NumberRow("Cal. Accuracy", "%", "Desired accuracy of QCM calibration, zero to ignore.",
                                 FieldGet(film, &FilmRec::QCM_ACCURACY), FieldSet(film, &FilmRec::QCM_ACCURACY), {}, 0,
                                 100, "Valid QCM Calibration Accuracy values are 0 to 100%");
    accuracy.commit = [this](int row) {
        const QString text = grdQCM->CellText(row, 0);
        const std::optional<double> typed = cycQCM->TypedNumber(row);
        if (!typed) return;
        const double a = *typed;
        const FilmRec& f = Film();
        if (a > 0 && a <= 100 && f.QCM_SAMPLE > 0 && f.QCM_SAMPLE < f.QCM_DENSITY / a) {
            MsgBox(MinimumTimeMessage(text, f.QCM_DENSITY / a));
            grdQCM->setCellText(row, 0, vb::Format(f.QCM_ACCURACY, QStringLiteral("0.0")));
            return;
        }
        cycQCM->CommitNumber(row);
    };
    rows.push_back(accuracy);

    rows.push_back(TimeRow("Cal. Interval", "h:m:s", "Time interval between QCM calibrations.",
                           FieldGet(film, &FilmRec::QCM_INTERVAL), FieldSet(film, &FilmRec::QCM_INTERVAL)));

    // A time of day shorter than the accuracy goal needs is refused; a number of seconds
    // is taken as it is.
    GridRow sample = TimeRow("Cal. Sample", "h:m:s", "Sample time for QCM calibrations, zero to ignore.",
                             FieldGet(film, &FilmRec::QCM_SAMPLE), FieldSet(film, &FilmRec::QCM_SAMPLE));
    sample.commit = [this](int row) {
        const QString text = grdQCM->CellText(row, 0);
        if (!text.contains(QLatin1Char(':'))) {
            cycQCM->CommitTime(row);
            return;
        }
        FilmRec& f = Film();
        int32_t seconds = 0;
        try {
            seconds = vb::CLng(vb::TimeValue(text) * 86400.0);
        } catch (...) {
            cycQCM->Refuse(row, kTimeMessage, SecondsText(f.QCM_SAMPLE));
            return;
        }
        const double minimum = f.QCM_ACCURACY == 0 ? 0.0 : f.QCM_DENSITY / f.QCM_ACCURACY;
        if (seconds == 0 || seconds >= minimum)
            f.QCM_SAMPLE = seconds;
        else
            MsgBox(MinimumTimeMessage(grdQCM->CellText(4, 0), minimum));
        grdQCM->setCellText(row, 0, SecondsText(f.QCM_SAMPLE));
    };
    rows.push_back(sample);

    // The Start cell, in the layer editor only; the film editor leaves the row empty.
    GridRow start;
    start.kind = GridRow::Button;
    start.editor = tgEditNone;
    if (mLayer >= 1) {
        start.caption = QStringLiteral("Calibrate");
        start.hint = QStringLiteral("Click to start QCM calibration of ORUN channel.");
        start.editor = tgEditButton;
        start.alignment = tgAlignCenter;
    }
    rows.push_back(start);
    cycQCM->Setup("QCM");
    if (mLayer >= 1) {
        grdQCM->setCellStyle(kStartRow, 0, tgCellButton);
        grdQCM->setCellText(kStartRow, 0, QStringLiteral("Start"));
    }
}

void frmLayerFilm::LoadGridQCM() {
    cycQCM->Load();
    InitGridRows();
}

void frmLayerFilm::grdQCM_CellClick(int Row, int Col) {
    if (Row != kStartRow || Col != 0 || mLayer < 1) return;
    ORUN_PROC("frmLayerFilm_grdQCM_CellClick");
    try {
        const FilmRec& f = Film();
        if (!InputType::IsEmission(f.Input_Type)) {
            MsgBox(QStringLiteral("Calibration Input: ORUN is required."));
        } else if (f.QCM_NUMBER >= 0 && f.QCM_SAMPLE >= 1) {
            if (!CalEvent) {
                CalEvent = new cQCMCal(this);
                CalEvent->setObjectName(QStringLiteral("CalEvent"));
                connect(CalEvent, &cQCMCal::Status, this, &frmLayerFilm::CalEvent_Status);
            }
            mCalStart = Timer();
            mCalFilm = mFilm;
            grdQCM->setCellBackColor(kStartRow, 0, kRunning);
            cmdForm[3]->setEnabled(false);
            CalEvent->StartCal(Layer().Channel, mFilm);
        } else {
            MsgBox(QStringLiteral("Cal. QCM# and Cal. Sample time are required."));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// The factor goes into the film the calibration was started with, whatever film the
// window shows by then.
void frmLayerFilm::CalEvent_Status(int16_t Phase) {
    try {
        if (!CalEvent) return;
        const float elapsed = modUtil::TimeDiff(mCalStart, Timer());
        if (Phase == 1) {
            grdQCM->setCellText(kStartRow, 0, QStringLiteral("Delay ") + vb::CStr(int(vb::CInt(double(elapsed)))));
            return;
        }
        if (Phase == 2) {
            grdQCM->setCellText(kStartRow, 0, QStringLiteral("Cal ") + vb::CStr(int(vb::CInt(elapsed - 5.0))));
            return;
        }
        if (Phase == 3) {
            const double factor = CalEvent->QCMCalFactor();
            gFilm(mCalFilm).QCM_CALFACTOR = factor;
            if (mFilm == mCalFilm) grdORUN->setCellText(2, 0, vb::Format(factor, QStringLiteral("0.0000")));
            ReleaseCal();
        } else {
            const QString message = CalEvent->ErrorMsg();
            ReleaseCal();
            MsgBox(message, vbOKOnly | vbCritical);
        }
        grdQCM->setCellBackColor(kStartRow, 0, kIdle);
        grdQCM->setCellText(kStartRow, 0, QStringLiteral("Start"));
        cmdForm[3]->setEnabled(true);
    } catch (...) {
        gErr.HandleError();
    }
}

// The object may be inside its own Status event: it goes once that event is over, and
// nothing it raises from now on reaches the window.
void frmLayerFilm::ReleaseCal() {
    if (!CalEvent) return;
    CalEvent->disconnect(this);
    CalEvent->deleteLater();
    CalEvent = nullptr;
}

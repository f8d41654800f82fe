// The QCM tab: the quartz source (none, the TRV-600 card, the Mirel USB sensors), the
// card's revisions, the sensors' serial numbers for the four monitors, and the measurement
// period and crystal frequency window, typed in MHz. Every change goes to gQCM at once.
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modTextBox.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"
#include "platform/Twips.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <limits>

namespace {

constexpr double kMHz = 1e6;

QString MHz(double hz) { return vb::Format(hz / kMHz, QStringLiteral("0.00")); }

// A box's number. A text that is not wholly a number is no value (NaN): every range check
// refuses it.
double Number(const QLineEdit* box) {
    return modTextBox::TypedNumber(box->text()).value_or(std::numeric_limits<double>::quiet_NaN());
}

// A box's number, "0" written into a box whose value is 0.
double BoxValue(QLineEdit* box) {
    const double v = Number(box);
    if (v == 0) box->setText(QStringLiteral("0"));
    return v;
}

}  // namespace

// The tab's loading shows the facade's values and its source; it applies nothing.
void frmSystem::ShowQCMTab() {
    const cQCM& qcm = RunQCM();
    txtQCMPeriod->setText(vb::Format(qcm.Period(), QStringLiteral("0.00")));
    txtQCMFreq(0)->setText(MHz(qcm.FreqMax()));
    txtQCMFreq(1)->setText(MHz(qcm.FreqInit()));
    txtQCMFreq(2)->setText(MHz(qcm.FreqMin()));
    const int32_t type = qcm.QCMType();
    if (type >= 0 && type <= 2) {
        const QSignalBlocker block(optQCM(type));
        optQCM(type)->setChecked(true);
    }
    ShowQCMControls();
}

void frmSystem::optQCM_Click(int Index) {
    ORUN_PROC("frmSystem_optQCM_Click");
    try {
        if (!Loading_) {
            RunQCM().setQCMType(Index);
            // A choice the facade did not take (its settings could not be read) shows the
            // source it keeps.
            if (RunQCM().QCMType() != Index) {
                InitTab(2);
                return;
            }
            if (Index > 0) ApplyQCMFreq(vb::Val(txtQCMPeriod->text()));
            if (ShowReadings == 2 && gMainForm) gMainForm->setFormSize(int16_t(cboChanShow->currentIndex() + 4));
        }
        ShowQCMControls();
    } catch (...) {
        gErr.HandleError();
    }
}

int32_t frmSystem::ApplyQCMFreq(double period) {
    return RunQCM().InitFreq(vb::Val(txtQCMFreq(0)->text()) * kMHz, vb::Val(txtQCMFreq(2)->text()) * kMHz,
                             vb::Val(txtQCMFreq(1)->text()) * kMHz, period);
}

void frmSystem::ShowQCMControls() {
    cQCM& qcm = RunQCM();
    const int32_t type = qcm.QCMType();
    fraQCMSetup->setVisible(type == 1 || type == 2);
    fra600->setVisible(type == 1);
    grdMirel->setVisible(type == 2);
    if (type == 1) {
        const int16_t dll = qcm.Revision(0);
        lblRevDll->setText(dll == 0 ? QStringLiteral("OK") : vb::CStr(int(dll)));
        lblRevCard->setText(vb::Format(qcm.Revision(1) / 100.0, QStringLiteral("0.00")));
        lblRevAnalog->setText(vb::Format(qcm.Revision(7) / 100.0, QStringLiteral("0.00")));
    } else if (type == 2) {
        InitGridMirel();
    }
}

void frmSystem::InitGridMirel() {
    const cQCM& qcm = RunQCM();
    grdMirel->EndEdit();
    grdMirel->setRows(1);
    grdMirel->setCols(4);
    grdMirel->setColWidth(-1, 24);
    grdMirel->setCellText(0, -1, QStringLiteral("SerNum"));
    for (int q = 0; q <= 3; ++q) {
        grdMirel->setColWidth(q, 19);
        grdMirel->setCellText(-1, q, QStringLiteral("QCM ") + vb::CStr(q + 1));
        grdMirel->setCellEditor(0, q, tgEditText);
        grdMirel->setCellText(0, q, qcm.MirelSN(q));
        grdMirel->setCellStrikeThrough(0, q, !qcm.QCMSensorEnabled(q));
    }
    grdMirel->setHeight((grdMirel->Rows() + 1) * grdMirel->RowHeight(0) * TwipsPerPixelY());
    grdMirel->setToolTipText(QStringLiteral("Serial Numbers for QCM1 to QCM4. Strikethrough means not found."));
}

void frmSystem::grdMirel_CellOver(int Row, int Col) {
    grdMirel->setToolTipText(Row == 0 && Col >= 0 ? QStringLiteral("Mirel Serial Number for QCM") + vb::CStr(Col + 1) +
                                                        QStringLiteral(". Strikethrough is not found.")
                                                  : QString());
}

// Each change of the text assigns the whole cell to its monitor at once.
void frmSystem::grdMirel_TextChange(int Row, int Col) {
    ORUN_PROC("frmSystem_grdMirel_TextChange");
    try {
        if (Row == 0 && Col >= 0) RunQCM().setMirelSN(Col, grdMirel->CellText(0, Col));
    } catch (...) {
        gErr.HandleError();
    }
}

bool frmSystem::ValidateQCMPeriod() {
    ORUN_PROC("frmSystem_ValidateQCMPeriod");
    bool result = false;
    try {
        const double p = BoxValue(txtQCMPeriod);
        cQCM& qcm = RunQCM();
        if (!(p >= 0.1 && p <= 2)) {
            MsgBox(QStringLiteral("Period must be between ") + vb::CStr(0.1) + QStringLiteral(" and ") + vb::CStr(2));
            txtQCMPeriod->setText(vb::Format(qcm.Period(), QStringLiteral("0.00")));
            txtQCMPeriod->setFocus(Qt::OtherFocusReason);
            return false;
        }
        if (!Loading_) ApplyQCMFreq(p);
        txtQCMPeriod->setText(vb::Format(qcm.Period(), QStringLiteral("0.00")));
        result = true;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

// The edited frequency (0 maximum, 1 initial, 2 minimum) against its own bound and its
// neighbour; the first rule it breaks is told and the box shows the facade's value again.
bool frmSystem::ValidateQCMFreq(int Index) {
    ORUN_PROC("frmSystem_ValidateQCMFreq");
    bool result = false;
    try {
        QLineEdit* box = txtQCMFreq(Index);
        BoxValue(box);
        const double maximum = Number(txtQCMFreq(0));
        const double initial = Number(txtQCMFreq(1));
        const double minimum = Number(txtQCMFreq(2));
        cQCM& qcm = RunQCM();
        // The facade's value, or the usual one where it holds none.
        const auto held = [](double hz, const char* usual) { return hz == 0 ? QString::fromLatin1(usual) : MHz(hz); };
        QString message, restore;
        if (Index == 2) {
            if (!(minimum >= 1)) message = QStringLiteral("Min. Frequency must be >= 1MHZ."), restore = MHz(qcm.FreqMin());
            else if (!(initial > minimum))
                message = QStringLiteral("Min. Frequency must be < Initial Frequency !"), restore = held(qcm.FreqMin(), "5.00");
        } else if (Index == 1) {
            if (!(initial < maximum))
                message = QStringLiteral("Initial Frequency must be be < Max. Frequency."), restore = held(qcm.FreqInit(), "6.00");
            else if (!(initial > minimum))
                message = QStringLiteral("Initial Frequency must be > Min. Frequency."), restore = held(qcm.FreqInit(), "6.00");
        } else if (Index == 0) {
            if (!(maximum <= 10)) message = QStringLiteral("Max. Frequency must be <= 10 MHZ."), restore = MHz(qcm.FreqMax());
            else if (!(maximum > initial))
                message = QStringLiteral("Max. Frequency must be > Initial Frequency."), restore = held(qcm.FreqMax(), "6.10");
        }
        if (!message.isEmpty()) {
            MsgBox(message);
            box->setText(restore);
            box->setFocus(Qt::OtherFocusReason);
            return false;
        }
        if (!Loading_) {
            if (ApplyQCMFreq(vb::Val(txtQCMPeriod->text())) != 0) {
                MsgBox(QStringLiteral("Error: Verify FreqMax > FreqInit > FreqMin, and .1 <= Period <=2."));
            } else {
                txtQCMFreq(0)->setText(MHz(qcm.FreqMax()));
                txtQCMFreq(1)->setText(MHz(qcm.FreqInit()));
                txtQCMFreq(2)->setText(MHz(qcm.FreqMin()));
            }
        }
        result = true;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

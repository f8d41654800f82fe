// The channel grid of the Channel tab: for each of the unit's eight rate channels, the
// emission sensor it belongs to, its update rate and the readings a detector calibration
// averages. Every accepted edit goes into gORUN at once; a refused one never does.
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modTextBox.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"
#include "platform/Twips.h"
#include "unit/cORUN.h"

namespace {

// The update rate in readings per second of an update period in ms.
QString UpdateRate(int32_t ms) { return vb::CStr(ms > 0 ? 1000 / ms : 0); }

}  // namespace

void frmSystem::InitGridChan() {
    grdChan->setRows(8);
    grdChan->setCols(3);
    grdChan->setColWidth(-1, 25);
    const char* const headings[] = {"Sensor", "Update", "CalRdg"};
    for (int c = 0; c <= 2; ++c) {
        grdChan->setColWidth(c, 25);
        grdChan->setCellText(-1, c, QLatin1String(headings[c]));
    }
    for (int r = 0; r < grdChan->Rows(); ++r) {
        grdChan->setCellText(r, -1, QStringLiteral("Chan ") + vb::CStr(r + 1));
        grdChan->setCellEditor(r, 0, tgEditList);
        grdChan->setCellEditor(r, 1, tgEditText);
        grdChan->setCellEditor(r, 2, tgEditText);
    }
    grdChan->setHeight((grdChan->Rows() + 1) * grdChan->RowHeight(0) * TwipsPerPixelY());
}

// The cells from gORUN (the Channel tab's loading).
void frmSystem::ShowChannelGrid() {
    const cORUN& unit = RunUnit();
    for (int ch = 0; ch <= 7; ++ch) {
        grdChan->setCellText(ch, 0, vb::CStr(unit.SensorMap(ch) + 1));
        grdChan->setCellText(ch, 1, UpdateRate(unit.ChanUpdate(ch)));
        grdChan->setCellText(ch, 2, vb::CStr(unit.CalPackets(ch)));
    }
}

void frmSystem::grdChan_BeforeEdit(int Row, int Col) {
    ORUN_PROC("frmSystem_grdChan_BeforeEdit");
    try {
        if (Row < 0) return;
        if (Col == 0) {
            grdChan->ClearList();
            grdChan->AddListItem(QStringLiteral("1"));
            grdChan->AddListItem(QStringLiteral("2"));
            // A stored sensor that is neither opens the list on no item.
            const int32_t sensor = RunUnit().SensorMap(Row);
            grdChan->setListIndex(sensor == 0 || sensor == 1 ? sensor : -1);
        } else if (Col >= 1) {
            // The shown text is selected, the caret at its end: typing replaces it.
            grdChan->setEditSelStart(0);
            grdChan->setEditSelLength(vb::Len(grdChan->CellText(Row, Col)));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// The sensor is stored as it is picked.
void frmSystem::grdChan_TextChange(int Row, int Col) {
    ORUN_PROC("frmSystem_grdChan_TextChange");
    try {
        if (Row >= 0 && Col == 0 && grdChan->ListIndex() >= 0) RunUnit().setSensorMap(Row, grdChan->ListIndex());
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::grdChan_AfterEdit(int Row, int Col) {
    ORUN_PROC("frmSystem_grdChan_AfterEdit");
    try {
        if (Row < 0) return;
        cORUN& unit = RunUnit();
        if (Col == 1) {
            // A number below 1 is taken as 1 Hz; a text that is not wholly a number is
            // refused, as is a rate beyond 1000 per second, which gives no whole period.
            std::optional<double> typed = modTextBox::TypedNumber(grdChan->CellText(Row, 1));
            if (typed && *typed < 1) {
                grdChan->setCellText(Row, 1, QStringLiteral("1"));
                typed = 1;
            }
            const double rate = typed ? vb::Round(*typed) : 0;
            const int32_t period = rate >= 1 && rate <= 1000 ? int32_t(1000 / int32_t(rate)) : 0;
            if (period >= 100 && period <= 2000) {
                unit.setChanUpdate(Row, period);
                grdChan->setCellText(Row, 1, UpdateRate(unit.ChanUpdate(Row)));
            } else {
                MsgBox(QStringLiteral("Valid Update values are ") + QStringLiteral("1 to ") + QStringLiteral("10") +
                           QStringLiteral("."),
                       vbOKOnly);
                grdChan->setCellText(Row, 1, UpdateRate(unit.ChanUpdate(Row)));
                grdChan->StartEdit(Row, 1);
            }
        } else if (Col == 2) {
            const double packets = modTextBox::TypedNumber(grdChan->CellText(Row, 2)).value_or(0);
            if (packets >= 1 && packets <= 1000) {
                unit.setCalPackets(Row, vb::CLng(packets));
                grdChan->setCellText(Row, 2, vb::CStr(unit.CalPackets(Row)));
            } else {
                MsgBox(QStringLiteral("Valid Calibration Reading values are ") + QStringLiteral("1") +
                           QStringLiteral(" to ") + QStringLiteral("1000") + QStringLiteral("."),
                       vbOKOnly);
                grdChan->setCellText(Row, 2, vb::CStr(unit.CalPackets(Row)));
                grdChan->StartEdit(Row, 2);
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::grdChan_CellOver(int Row, int Col) {
    QString tip;
    if (Row >= 0) {
        if (Col == 0) tip = QStringLiteral("Sensor # Chan ") + vb::CStr(Row + 1) + QStringLiteral(" measures.");
        else if (Col == 1) tip = QStringLiteral("Channel update rate (Hz).");
        else if (Col == 2) tip = QStringLiteral("Number of readings used for calibration.");
    }
    grdChan->setToolTipText(tip);
}

void frmSystem::grdChan_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13 || !grdChan->IsEditing()) return;
    grdChan_AfterEdit(grdChan->CurrentRow(), grdChan->CurrentCol());
    grdChan->EndEdit();
}

void frmSystem::grdChan_LostFocus() {
    grdChan_AfterEdit(grdChan->CurrentRow(), grdChan->CurrentCol());
    grdChan->EndEdit();
}

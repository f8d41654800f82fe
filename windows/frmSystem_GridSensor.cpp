// The sensor grid of the Sensor tab: for each of the unit's four emission sensors the
// emission set point and the maximum leakage current, picked from lists and stored as
// they are picked, and for the two gas sensors the gas calibration factor. gORUN keeps
// every value (and sends the set points to the unit).
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modTextBox.h"
#include "platform/TarselGrid.h"
#include "platform/VbColor.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <algorithm>

namespace {

// Rows are the sensor indexes: 0 Sensor 1, 1 Gas 1, 2 Sensor 2, 3 Gas 2.
bool GasRow(int row) { return row == 1 || row == 3; }

}  // namespace

void frmSystem::InitGridSensor() {
    ORUN_PROC("frmSystem_InitGridSensor");
    try {
        grdSensor->setRows(4);
        grdSensor->setCols(3);
        grdSensor->setColWidth(-1, 22);
        const char* const headings[] = {"Emis. SetPt", "Max. Leak.", "Gas Cal."};
        for (int c = 0; c <= 2; ++c) {
            grdSensor->setColWidth(c, 26);
            grdSensor->setCellText(-1, c, QLatin1String(headings[c]));
        }
        const char* const rows[] = {"Sensor 1", "Gas 1", "Sensor 2", "Gas 2"};
        for (int r = 0; r <= 3; ++r) {
            grdSensor->setCellText(r, -1, QLatin1String(rows[r]));
            grdSensor->setCellEditor(r, 0, tgEditList);
            grdSensor->setCellEditor(r, 1, tgEditList);
            if (GasRow(r)) {
                grdSensor->setCellEditor(r, 2, tgEditText);
            } else {
                grdSensor->setCellEditor(r, 2, tgEditNone);
                grdSensor->setCellBackColor(r, 2, vbButtonFace);
            }
        }
        ShowGasRows(false);
    } catch (...) {
        gErr.HandleError();
    }
}

// The cells from gORUN (the Sensor tab's loading).
void frmSystem::ShowSensorGrid() {
    const cORUN& unit = RunUnit();
    for (int s = 0; s <= 3; ++s) {
        const double setPoint = unit.EmissionSetPt(s);
        grdSensor->setCellText(s, 0, setPoint < 2.0 ? QStringLiteral("2") : vb::CStr(setPoint));
        grdSensor->setCellText(s, 1, vb::CStr(unit.MaxLeakage(s)));
    }
    grdSensor->setCellText(1, 2, vb::Format(unit.GasCal(0), QStringLiteral("0.0000")));
    grdSensor->setCellText(3, 2, vb::Format(unit.GasCal(1), QStringLiteral("0.0000")));
}

void frmSystem::ShowGasRows(bool enabled) {
    const uint32_t color = enabled ? 0u : uint32_t(vbGrayText);
    for (int r : {1, 3}) {
        grdSensor->setRowForeColor(r, color);
        grdSensor->setCellForeColor(r, -1, color);
    }
}

void frmSystem::grdSensor_BeforeEdit(int Row, int Col) {
    ORUN_PROC("frmSystem_grdSensor_BeforeEdit");
    try {
        if (Row < 0 || Col < 0) return;
        const cORUN& unit = RunUnit();
        if (Col == 0) {
            grdSensor->ClearList();
            for (int k = 0; k <= 8; ++k) grdSensor->AddListItem(vb::CStr(k + 2));
            const double setPoint = unit.EmissionSetPt(Row);
            grdSensor->setListIndex(setPoint >= 2 ? std::min<int>(vb::CInt(setPoint - 2), 8) : 0);
        } else if (Col == 1) {
            grdSensor->ClearList();
            for (int i = 0; i <= 4; ++i)
                for (int j = 0; j <= 9; ++j) grdSensor->AddListItem(vb::CStr(i) + QLatin1Char('.') + vb::CStr(j));
            // A leakage limit beyond the list (the unit takes up to 10 mA) opens it on its
            // last item.
            grdSensor->setListIndex(std::clamp<int>(vb::CInt(unit.MaxLeakage(Row) * 10), 0, grdSensor->ListCount() - 1));
        } else {
            // The shown text is selected, the caret at its end: typing replaces it.
            grdSensor->setEditSelStart(0);
            grdSensor->setEditSelLength(vb::Len(grdSensor->CellText(Row, Col)));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// A pick is stored at once; while the window loads, nothing is.
void frmSystem::grdSensor_TextChange(int Row, int Col) {
    ORUN_PROC("frmSystem_grdSensor_TextChange");
    try {
        if (Loading_ || Row < 0 || grdSensor->ListIndex() < 0) return;
        cORUN& unit = RunUnit();
        if (Col == 0) unit.setEmissionSetPt(Row, grdSensor->ListIndex() + 2);
        else if (Col == 1) unit.setMaxLeakage(Row, grdSensor->ListIndex() / 10.0);
    } catch (...) {
        gErr.HandleError();
    }
}

// Only the gas factors are typed; gORUN keeps a factor above 0 and the cell shows the one
// it holds. A text that is not wholly a number is offered as 0, so it changes nothing.
void frmSystem::grdSensor_AfterEdit(int Row, int Col) {
    ORUN_PROC("frmSystem_grdSensor_AfterEdit");
    try {
        if (Row < 0 || Col != 2 || !GasRow(Row)) return;
        const double factor = modTextBox::TypedNumber(grdSensor->CellText(Row, 2)).value_or(0);
        if (factor <= 0) grdSensor->setCellText(Row, 2, QStringLiteral("0"));
        const int gas = Row == 1 ? 0 : 1;
        cORUN& unit = RunUnit();
        unit.setGasCal(gas, factor);
        grdSensor->setCellText(Row, 2, vb::Format(unit.GasCal(gas), QStringLiteral("0.0000")));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::grdSensor_CellOver(int Row, int Col) {
    QString tip;
    if (Row >= 0) {
        if (Col == 0) tip = QStringLiteral("Sensor desired emission current in ma.");
        else if (Col == 1) tip = QStringLiteral("Sensor maximum leakage current  in ma.");
        else if (Col == 2) tip = QStringLiteral("Sensor gas calibration factor.");
    }
    grdSensor->setToolTipText(tip);
}

void frmSystem::grdSensor_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13 || !grdSensor->IsEditing()) return;
    grdSensor_AfterEdit(grdSensor->CurrentRow(), grdSensor->CurrentCol());
    grdSensor->EndEdit();
}

void frmSystem::grdSensor_LostFocus() {
    grdSensor_AfterEdit(grdSensor->CurrentRow(), grdSensor->CurrentCol());
    grdSensor->EndEdit();
}

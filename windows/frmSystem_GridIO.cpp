// The relay and input grids of the I/O tab: for each of the unit's 12 relay outputs and
// 12 digital inputs, the function of the run it serves, picked from a list. The picks go
// into the maps of the active process at once and reach the database when a grid is left.
// Input 5 is the unit's fixed interlock: shown, never edited.
#include "windows/frmSystem.h"
#include "windows/IONames.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/modDB.h"
#include "platform/TarselGrid.h"
#include "run/modIO.h"

#include <QLabel>

BoundedArray<QString, 0, 60> OutputFunctionName;
BoundedArray<QString, 0, 60> InputFunctionName;

namespace {

// Row 4 of the input grid, input 5.
constexpr int kFixedInterlock = 4;

bool Fixed(bool inputs, int row) { return inputs && row == kFixedInterlock; }

// The name of a function code; a code without a name (or outside the tables, as a
// database written elsewhere may hold) shows empty.
QString FunctionName(bool inputs, int code) {
    const auto& names = inputs ? InputFunctionName : OutputFunctionName;
    return names.inRange(code) ? names(code) : QString();
}

int16_t GetFunction(bool inputs, int16_t i) {
    return inputs ? modIO::GetInputFunction(i) : modIO::GetOutputFunction(i);
}

void SetFunction(bool inputs, int16_t i, int16_t code) {
    if (inputs) modIO::SetInputFunction(i, code);
    else modIO::SetOutputFunction(i, code);
}

}  // namespace

void frmSystem::InitIONames() {
    const char* const outputs[] = {"Not Assigned",   "Process Stopped", "Process Running", "Layer Stopped",  "Layer Running",
                                   "Deposit Phase",  "Pre-Cond Phase",  "Soak Hold Phase", "Process Active", "Manual Mode",
                                   "Max Power",      "Time Setpoint",   "Channel Error"};
    for (int c = 0; c <= 12; ++c) OutputFunctionName(c) = QLatin1String(outputs[c]);
    for (int n = 1; n <= 8; ++n) {
        OutputFunctionName(19 + n) = QStringLiteral("Channel %1 Shutter").arg(n);
        OutputFunctionName(29 + n) = QStringLiteral("Source %1 Shutter").arg(n);
    }
    for (int n = 1; n <= 4; ++n) OutputFunctionName(39 + n) = QStringLiteral("QCM %1 Shutter").arg(n);

    const char* const inputs[] = {"Not Assigned",       "Start Process",      "Stop Process",   "Start Film",
                                  "Stop Film",          "Zero Time SetPt",    "Emission 1 Intrlck",
                                  "Emission 2 Intrlck", "Emission 1 On ",     "Emission 2 On",  "Emission 1 Off",
                                  "Emission 2 Off"};
    for (int c = 0; c <= 11; ++c) InputFunctionName(c) = QLatin1String(inputs[c]);
    for (int n = 1; n <= 8; ++n) {
        InputFunctionName(19 + n) = QStringLiteral("End Channel %1").arg(n);
        InputFunctionName(29 + n) = QStringLiteral("Cal Channel %1").arg(n);
    }
}

void frmSystem::InitGridRelay() { InitGridIO(grdRelay, false); }
void frmSystem::InitGridInput() { InitGridIO(grdInput, true); }

// The remembered row goes back to the first one with the highlight, so the relay test and
// the input read act on the row that shows highlighted.
void frmSystem::InitGridIO(TarselGrid* grid, bool inputs) {
    try {
        grid->EndEdit();
        grid->setRows(12);
        grid->setCols(1);
        grid->setColWidth(-1, 15);
        grid->setColWidth(0, 85);
        grid->setCellText(-1, 0, QStringLiteral("Function"));
        for (int i = 0; i < grid->Rows(); ++i) {
            grid->setCellText(i, -1, vb::CStr(i + 1));
            grid->setRowHighlight(i, false);
            if (Fixed(inputs, i)) {
                grid->setCellText(i, 0, QStringLiteral("Fixed Interlock"));
                grid->setCellEditor(i, 0, tgEditNone);
                continue;
            }
            grid->setCellText(i, 0, FunctionName(inputs, GetFunction(inputs, int16_t(i))));
            grid->setCellEditor(i, 0, tgEditList);
        }
        grid->ClearList();
        for (int c = 0; c <= 60; ++c) {
            const QString name = FunctionName(inputs, c);
            if (name.isEmpty()) continue;
            grid->AddListItem(name);
            grid->setListItemData(grid->ListNewIndex(), c);
        }
        grid->setRowHighlight(0, true);
        (inputs ? SelectedInput : SelectedRelay) = 0;
    } catch (...) {
        gErr.HandleError();
    }
}

// The list opens on the row's function. A code the list does not hold opens it on no
// item, so leaving it without a pick stores nothing.
void frmSystem::IOBeforeEdit(TarselGrid* grid, bool inputs, int Row, int Col) {
    try {
        if (Row < 0 || Col != 0 || Fixed(inputs, Row) || grid->ListCount() < 1) return;
        const int16_t code = GetFunction(inputs, int16_t(Row));
        int found = -1;
        for (int k = 0; k < grid->ListCount() && found < 0; ++k)
            if (grid->ListItemData(k) == code) found = k;
        grid->setListIndex(found);
    } catch (...) {
        gErr.HandleError();
    }
}

// No relay is switched here: the run control uses the map when it next switches them.
void frmSystem::IOAfterEdit(TarselGrid* grid, bool inputs, int Row, int Col) {
    try {
        if (Row < 0 || Col != 0 || Fixed(inputs, Row) || grid->ListIndex() < 0) return;
        SetFunction(inputs, int16_t(Row), int16_t(grid->ListItemData(grid->ListIndex())));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::IOCellClick(TarselGrid* grid, bool inputs, int Row, int /*Col*/) {
    if (Row < 0 || Fixed(inputs, Row)) return;
    int16_t& selected = inputs ? SelectedInput : SelectedRelay;
    grid->setRowHighlight(selected, false);
    grid->setRowHighlight(Row, true);
    selected = int16_t(Row);
    if (inputs) lblInputState->clear();
}

// Leaving the grid commits an open list and saves both maps of the active process.
void frmSystem::IOLostFocus(TarselGrid* grid, bool inputs) {
    try {
        IOAfterEdit(grid, inputs, grid->CurrentRow(), grid->CurrentCol());
        grid->EndEdit();
        modDB::IOSave(RunApp().ProcNum());
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::grdRelay_BeforeEdit(int Row, int Col) { IOBeforeEdit(grdRelay, false, Row, Col); }
void frmSystem::grdRelay_AfterEdit(int Row, int Col) { IOAfterEdit(grdRelay, false, Row, Col); }
void frmSystem::grdRelay_CellClick(int Row, int Col) { IOCellClick(grdRelay, false, Row, Col); }
void frmSystem::grdRelay_LostFocus() { IOLostFocus(grdRelay, false); }
void frmSystem::grdInput_BeforeEdit(int Row, int Col) { IOBeforeEdit(grdInput, true, Row, Col); }
void frmSystem::grdInput_AfterEdit(int Row, int Col) { IOAfterEdit(grdInput, true, Row, Col); }
void frmSystem::grdInput_CellClick(int Row, int Col) { IOCellClick(grdInput, true, Row, Col); }
void frmSystem::grdInput_LostFocus() { IOLostFocus(grdInput, true); }

#pragma once
// The graph setup window ("Graph Setup"): edits the settings record gGraph(n) of one graph
// of the active process while that graph's window is open. Every change goes into the
// record at once and, where the chart has a counterpart, into the open chart; the rest
// takes effect at the graph's next GraphInit. There is no OK or Cancel: closing the window
// saves the four records of the active process.
//
// One window serves all four graphs: a graph window's Edit menu calls InitForm with its
// number, which fills the window anew. The X axis settings (points, scroll, range, unit)
// are one set per process and go into all four records.
#include "platform/BoundedArray.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class frmGraph;

class frmGraphsSetup : public QWidget {
    Q_OBJECT
public:
    explicit frmGraphsSetup(QWidget* parent = nullptr);
    ~frmGraphsSetup() override;

    // Fills the window from graph GraphNum's record (0..3) and shows it.
    void InitForm(int16_t GraphNum);
    int16_t GraphNum() const { return miGraphNum; }

    // ---- Controls (arrays: index 0 the left Y axis, 1 the right) ----
    QCheckBox* chkOnTop = nullptr;
    QLineEdit* txtCaption = nullptr;
    QComboBox* cboData = nullptr;
    QGroupBox* fraChannels = nullptr;
    BoundedArray<QCheckBox*, 0, 7> chkChan;
    BoundedArray<QRadioButton*, 0, 7> optLeft;
    BoundedArray<QRadioButton*, 0, 7> optRight;
    QCheckBox* chkAdvanced = nullptr;
    BoundedArray<QGroupBox*, 0, 1> fraYAxis;
    BoundedArray<QLineEdit*, 0, 1> txtYUnits;
    BoundedArray<QLineEdit*, 0, 1> txtYMin;
    BoundedArray<QLineEdit*, 0, 1> txtYMax;
    BoundedArray<QCheckBox*, 0, 1> chkLogY;
    BoundedArray<QCheckBox*, 0, 1> chkScientific;
    QGroupBox* fraXAxis = nullptr;
    QLineEdit* txtPoints = nullptr;
    QComboBox* cboXScroll = nullptr;
    QLineEdit* txtXAxis = nullptr;
    QComboBox* cboXUnits = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdClose = nullptr;

    // ---- Event handlers ----
    void chkOnTop_Click();
    void txtCaption_Change();
    void txtCaption_LostFocus();
    void cboData_Click();
    void chkChan_Click(int Index);
    void optLeft_Click(int Index);
    void optRight_Click(int Index);
    void chkAdvanced_Click();
    void cboXUnits_Click();
    void cboXScroll_Click();
    void txtYUnits_Change(int Index);
    void txtYUnits_LostFocus(int Index);
    void chkLogY_Click(int Index);
    void chkScientific_Click(int Index);
    // Help on this window; with Advanced set the chart's own help.
    void cmdHelp_Click();
    // F1: help on this window.
    void Form_KeyDown_F1();
    void cmdClose_Click();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    // The checks of typed values; a refused value is put back from the record and its box
    // keeps the focus.
    bool ValidateXAxis();
    bool ValidatePoints();
    void ValidateYAxis(int Index);
    // The open window of the graph being edited; null when it was closed meanwhile, and
    // then only the record changes.
    frmGraph* Graph() const;

    int16_t miGraphNum = 0;
    bool mbLoading = false;
};

// The one graph setup window; null until first used and again after it closed.
extern QPointer<frmGraphsSetup> gGraphsSetup;

// The graph setup window, made when it is not open.
frmGraphsSetup* GraphsSetup();

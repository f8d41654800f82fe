#pragma once
// The data-log setup window ("DataLog"): where the data log goes (file, and whether a run
// overwrites it, appends to it or gets a file of its own), how often a row is written, and
// which channels, channel quantities, sensors and sensor quantities become columns. Every
// control writes its setting at once (LogFile, LogType, LogInterval and the four bit
// masks), as does the active process's run number; switching logging on and off is the
// main window's.
#include "platform/BoundedArray.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmDataLog : public QWidget {
    Q_OBJECT
public:
    explicit frmDataLog(QWidget* parent = nullptr);
    ~frmDataLog() override;

    // ---- Controls ----
    BoundedArray<QRadioButton*, 0, 2> optLog;
    QLineEdit* txtLogNum = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdView = nullptr;
    QLabel* lblFileName = nullptr;
    QComboBox* cboRate = nullptr;
    QPushButton* cmdClose = nullptr;
    BoundedArray<QCheckBox*, 0, 7> chkChanNum;
    BoundedArray<QCheckBox*, 0, 9> chkChanData;
    BoundedArray<QCheckBox*, 0, 3> chkSensorNum;
    BoundedArray<QCheckBox*, 0, 5> chkSensorData;

    // ---- Event handlers ----
    void cboRate_Click();
    void optLog_Click(int Index);
    void chkChanNum_Click(int Index);
    void chkChanData_Click(int Index);
    void chkSensorNum_Click(int Index);
    void chkSensorData_Click(int Index);
    void cmdSelect_Click();
    void cmdView_Click();
    void cmdClose_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Form_Load();
    void Form_Unload();
    // Checks the typed run number: 1..9999 becomes the active process's run number, and
    // the main window's run label shows it; anything else is refused with a message and
    // the stored number is shown again.
    bool ValidateLogNum();

    // Set while Form_Load fills the controls: the handlers then change nothing.
    bool Loading = false;
};

#pragma once
// The service window (caption "Test Form") for one controller-unit channel: the channel's
// calibrated signals live, a log of its flux against time, a PMT high-voltage ramp of one
// volt per acknowledgement, and reading and writing the PMT calibration value. It has no
// menu entry; the main window opens it on a Ctrl+Shift click of the phase bar.
//
// The log file is the name in the box followed by ".txt", without leading and trailing
// blanks, in the program folder; Start deletes it and writes anew.
//
// One instance at a time: TestForm() gives the open window or makes it.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TarselGrid;

class frmTest : public QWidget {
    Q_OBJECT
public:
    explicit frmTest(QWidget* parent = nullptr);
    ~frmTest() override;

    // ---- Controls ----
    QComboBox* cboChan = nullptr;
    TarselGrid* grdRdgs = nullptr;
    QLabel* lblOldCal = nullptr;
    QLineEdit* txtNewCal = nullptr;
    QPushButton* cmdReadCal = nullptr;
    QPushButton* cmdWriteCal = nullptr;
    QGroupBox* fraLog = nullptr;
    QLineEdit* txtName = nullptr;
    QPushButton* cmdLogStart = nullptr;
    QPushButton* cmdLogStop = nullptr;
    QGroupBox* fraPMT = nullptr;
    QPushButton* cmdRampStart = nullptr;
    QPushButton* cmdRampStop = nullptr;
    QLabel* lblPMTVolts = nullptr;

    // ---- Event handlers ----
    void cboChan_Click();
    void cmdRampStart_Click();
    void cmdRampStop_Click();
    void cmdLogStart_Click();
    void cmdLogStop_Click();
    void cmdReadCal_Click();
    void cmdWriteCal_Click();
    void ORUNEvent_ORUNResponse(const QString& R);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Form_Load();
    void Form_QueryUnload();
    QString LogFile() const;
    // "Start: CH" / "Stop: CH", the channel from 1, then the date and the time.
    QString LogMark(const QString& what) const;
    void ShowReading(const QString& R);

    int Channel_ = 0;
    int16_t Ramp_ = 0;
    int32_t SavedVolts_ = 0;
    bool Logging_ = false;
    float LogStart_ = 0;
};

// The open service window, or a new one.
frmTest& TestForm();

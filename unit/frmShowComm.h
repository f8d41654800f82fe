#pragma once
// The traffic monitor (caption "Halvorne Communications" or "External Communications"):
// lists the traffic of the controller-unit link (Mode 0) or of the remote-control server
// (Mode 1) in two lists, newest first. In Mode 0 the lists show only the commands and
// replies whose first letter is checked, a command typed in the box is sent to the unit,
// and reply time-outs are counted. Lists fill only while capturing (START / STOP); a typed
// command and its reply always appear.
//
// One instance at a time: ShowCommForm() gives the open window or makes it.
#include <QPointer>
#include <QString>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmShowComm : public QWidget {
    Q_OBJECT
public:
    explicit frmShowComm(QWidget* parent = nullptr);
    ~frmShowComm() override;

    // 0 controller-unit traffic, 1 remote-control traffic. Setting it changes the caption,
    // shows or hides the letter filter and the command box, and takes the window out of
    // the minimised or maximised state.
    int Mode() const { return Mode_; }
    void setMode(int value);

    // ---- Controls ----
    QListWidget* lstXmt = nullptr;
    QListWidget* lstRcv = nullptr;
    QLineEdit* txtErr = nullptr;
    QLineEdit* txtCommand = nullptr;
    QPushButton* cmdShipIt = nullptr;
    QGroupBox* fraShow = nullptr;
    QCheckBox* chkCommand[24] = {};  // letters A..X
    QPushButton* cmdOperate[2] = {};  // START/STOP, Clear

    // ---- Event handlers ----
    void cmdOperate_Click(int Index);
    void cmdShipIt_Click();
    void chkCommand_Click(int Index);
    void txtCommand_GotFocus();
    void Form_KeyDown(int KeyCode);
    void Form_KeyUp(int KeyCode);
    void ORUNEvent_ORUNCommand(const QString& Command);
    void ORUNEvent_ORUNResponse(const QString& Response);
    void ORUNEvent_ORUNError(int ErrType, int ErrNum);
    void SftwEvent_CommRx(const QString& sRcv);
    void SftwEvent_CommTx(const QString& sXmt);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Form_Load();
    void Form_QueryUnload();
    // The text passes the letter filter of Mode 0.
    bool Shown(const QString& text) const;
    // Keeps at most 999 lines: the 1000th (the oldest) goes.
    static void Trim(QListWidget* list);

    int Mode_ = 0;
    bool Capture_ = false;
    bool ShiftHeld_ = false;
    bool CtrlHeld_ = false;
    QString ManualCommand_;
};

// The open traffic monitor, or a new one.
frmShowComm& ShowCommForm();

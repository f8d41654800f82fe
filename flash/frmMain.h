#pragma once
// The programmer's one window: instrument model and serial port, the firmware and logo
// files, the programming runs, and the firmware version and serial number of an
// instrument. Its members live in files by concern: frmMain.cpp (controls, settings,
// file choice, buttons), frmMain_Link.cpp (the serial exchanges), frmMain_Program.cpp
// (the programming run).
//
// Everything runs on the user-interface thread: the waits for the instrument keep the
// window's events running, so while a run or a query is going, the controls that would
// start another exchange or change the run's model, port or file are disabled.
#include "flash/BootFrame.h"
#include "flash/CShellExecute.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class MSComm;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace NorvikFlash {

// The instrument models, by their index in the model list.
enum InstrumentModel : int {
    modelTRV310 = 0,
    modelDMK700 = 1,
    modelORUN = 2,
    modelLM900 = 3,
    modelDMK520 = 4,
    modelDMK410c = 5,
};
// The kinds of run (ProgramMode).
enum ProgramKind : int { pmFirmware = 0, pmLogo = 2 };

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Controls ----
    QComboBox* cboInst = nullptr;
    QComboBox* cboComPort = nullptr;
    QGroupBox* fraUpgrade = nullptr;
    QPushButton* cmdSelectBin = nullptr;
    QPushButton* cmdProgBin = nullptr;
    QLabel* lblBinName = nullptr;
    QGroupBox* fraLogo = nullptr;
    QPushButton* cmdSelectLogo = nullptr;
    QPushButton* cmdProgLogo = nullptr;
    QLabel* lblLogoName = nullptr;
    QListWidget* lstMessage = nullptr;
    QPushButton* cmdReadSN = nullptr;
    QLabel* lblVer = nullptr;
    QLabel* lblSN = nullptr;
    QPushButton* cmdExit = nullptr;
    MSComm* MSComm1 = nullptr;

    // ---- Window state ----
    int ProgramMode = pmFirmware;
    bool Busy = false;
    bool EraseExtra = false;
    QString FirmwareFile;
    QString LogoFile;
    int16_t BlockCount = 0;

    // ---- Window and buttons (frmMain.cpp) ----
    // Adds a line at the end of the message list and scrolls to it.
    void ShowMessage(const QString& text);
    // The file choice of a mode (pmFirmware or pmLogo).
    void SelectFile(int mode);
    void cboInst_Click();
    void cboComPort_Click();
    void cmdProgBin_Click();
    void cmdProgLogo_Click();
    void cmdReadSN_Click();
    void cmdExit_Click();
    // A key pressed on the Program File / Read SN button; Shift and Ctrl held together
    // ask for the extra erase / start the serial-number tool.
    void cmdProgBin_KeyDown(Qt::KeyboardModifiers modifiers);
    void cmdReadSN_KeyDown(Qt::KeyboardModifiers modifiers);
    // The model chosen in the list, -1 for none.
    int Model() const;

    // ---- Serial link (frmMain_Link.cpp) ----
    // Sends a framed query to the running firmware and returns its reply body (trimmed),
    // or an empty text when no good "A" reply came; the reason stays in CommStatus.
    QString CommTx(const QString& query);
    // Receives the reply of the pending query (up to 1.0 s).
    QString CommRx();
    void CommRxByte(uint8_t b);
    int16_t CommStatus() const { return CommStatus_; }
    void SetCommStatus(int16_t code) { CommStatus_ = code; }
    // One boot-loader exchange: CmdBuffer raw (a block command followed by BlockBuffer),
    // then a framed reply within TimeOutSeconds. True by the rules of the command.
    bool SendCommand();
    // Opens COMn (1..9) for the instrument and sets the rate. False on any failure.
    bool CommOpen(int port, int32_t rate);
    // Closes the port.
    bool CommSetOpen();

    // Link state.
    QByteArray RxText;
    RxFrameRec RxFrame;
    float TimeOutSeconds = 0.1f;
    bool ReplyDone = false;
    bool FrameOk = false;
    QByteArray CmdBuffer;
    QByteArray BlockBuffer;

    // ---- Programming run (frmMain_Program.cpp) ----
    // Opens the port and looks for the boot loader (after the operator restarts the
    // instrument). True when it answered.
    bool FindInstrument();
    // The run after the instrument was found: check the file, confirm, erase, blocks,
    // done; every step logged in FlashLog.txt.
    void ProgramFlash();
    bool EraseFlash();
    bool EraseAll();
    bool EraseBlocks(int block);
    bool ProgramBlock(int n);
    bool ProgramBlock1K(int n);
    // The finishing block that marks a 1024-byte image complete; false when it failed.
    bool FinishProgram1K();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void loadSettings();
    void fitHeight();
    // Disables (running) or restores the controls that start an exchange or change what
    // a run uses.
    void setRunControls(bool running);
    void runProgramButton(QPushButton* button, int mode);
    // Keeps the window's events running until a byte arrives or the deadline (TickMs)
    // passes.
    void pumpUntil(int64_t deadline);
    // Empties the port's input buffer.
    void discardInput();
    // Opens and checks the file of the run; false (with a message) when it cannot be
    // programmed.
    bool openRunFile();
    // Whether FlashLog.txt can be written; when not, says so once (before anything is
    // erased) and the run goes on without a log.
    bool openLog();
    // Appends a line to FlashLog.txt while the log can be written.
    void logLine(const QString& text);
    // A command letter in the case of the run: lower case for a logo on the 256-byte
    // models, else upper case.
    char commandLetter(char upper) const;
    void removeLastMessage();
    // Sends CmdBuffer and BlockBuffer as block n and shows its progress or error line.
    bool sendBlock(int n);
    // What the boot-loader command in CmdBuffer waits for an answer to ("block 2 of 3",
    // "the erase of block 80"...), and RxText after its time-out: "Timeout: ", what went
    // unanswered within how long, then whatever had arrived.
    QString Awaited() const;
    QByteArray TimeoutText() const;
    // RxText as a line shows it: a reply's bytes through ReplyText, a description (a
    // time-out, a port failure) as it stands.
    QString RxShown() const;
    bool rxDescribed_ = false;  // RxText holds a description, not a reply's bytes

    int16_t CommStatus_ = csReplyOk;
    bool Loading_ = false;
    bool linkBusy_ = false;
    // The last exchange failed because the port itself failed (not a silent instrument).
    bool portFailed_ = false;
    int blockInFlight_ = 0;  // the block the last block command sent
    bool logWritable_ = false;
    std::vector<bool> enabledBeforeRun_;
    QFile runFile_;
    CShellExecute snTool_;
};

}  // namespace NorvikFlash

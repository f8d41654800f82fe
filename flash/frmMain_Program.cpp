// The programming run: find the boot loader, confirm, erase, send the file block by block,
// finish, and log every step in FlashLog.txt.
#include "flash/frmMain.h"

#include "app/VBConv.h"
#include "app/modFileUtil.h"
#include "flash/FlashGlobals.h"
#include "flash/FlashUtil.h"
#include "flash/StartupLogo.h"
#include "platform/Dialogs.h"
#include "platform/MSComm.h"
#include "platform/ProgramFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

namespace NorvikFlash {
namespace {

const QString kLogFile = QStringLiteral("FlashLog.txt");
constexpr int kSearchTries = 101;
constexpr float kSearchTimeout = 0.1f;
constexpr float kEraseTimeout = 22.0f;
constexpr float kBlockTimeout = 2.0f;
constexpr int kBlock = 256;
constexpr int kBlock1K = 1024;
// A 1024-byte block's address is 0x8000 + 64 n and must fit 16 bits.
constexpr int64_t kMaxBlocks1K = 511;
// BlockCount is a 16-bit number.
constexpr int64_t kMaxBlocks = 32767;
const int kEraseBlocks1K[] = {128, 160, 192, 224, 248};
constexpr int kExtraEraseBlock = 250;

bool is1KModel(int model) { return model == modelDMK520 || model == modelDMK410c; }

const QString kNotFound = QStringLiteral("Instrument not found.\r\nCheck Comm Port and cable connection.");

}  // namespace

char frmMain::commandLetter(char upper) const {
    return ProgramMode == pmLogo && !is1KModel(Model()) ? static_cast<char>(upper - 'A' + 'a') : upper;
}

void frmMain::removeLastMessage() {
    if (lstMessage->count() > 0) delete lstMessage->takeItem(lstMessage->count() - 1);
}

bool frmMain::openLog() {
    QFile probe(ResolvePath(kLogFile));
    if (probe.open(QIODevice::WriteOnly | QIODevice::Append)) return true;
    MsgBox(QStringLiteral("The log file ") + QDir::toNativeSeparators(probe.fileName()) +
               QStringLiteral(" cannot be written (") + probe.errorString() +
               QStringLiteral(").\r\nProgramming goes on without a log."),
           vbExclamation + vbOKOnly);
    return false;
}

// A log that fails in the middle of a run is reported once (by the append), never once
// per line: the boot loader does not wait for boxes.
void frmMain::logLine(const QString& text) {
    if (logWritable_) logWritable_ = modFileUtil::AppendToTextFile(kLogFile, text);
}

bool frmMain::FindInstrument() {
    const int model = Model();
    if (!CommOpen(cboComPort->currentIndex() + 1, is1KModel(model) ? 38400 : 115200)) {
        MsgBox(QStringLiteral("Comm Port not available."), vbInformation + vbOKOnly);
        return false;
    }
    if (model < modelTRV310 || model > modelDMK410c) {
        MsgBox(QStringLiteral("Select an instrument."), vbInformation + vbOKOnly);
        return false;
    }
    TimeOutSeconds = kSearchTimeout;
    lstMessage->clear();
    MsgBox(QStringLiteral("Turn instrument OFF!\r\nClick OK, then turn instrument ON."), vbInformation + vbOKOnly);
    CmdBuffer = QByteArray(1, '!');
    for (int attempt = 0; attempt < kSearchTries; ++attempt) {
        // The window was closed meanwhile: its port is gone and nobody waits for the search.
        if (!MSComm1->PortOpen()) return false;
        SendCommand();
        if (attempt > 0) removeLastMessage();
        ShowMessage(QStringLiteral("Searching...") + QString::number(attempt));
        if (FrameOk) return true;
    }
    MsgBox(kNotFound, vbInformation + vbOKOnly);
    return false;
}

bool frmMain::openRunFile() {
    const QString path = ProgramMode == pmLogo ? LogoFile : FirmwareFile;
    const QString name = QFileInfo(path).fileName();
    runFile_.close();
    runFile_.setFileName(path);
    QString refusal;
    if (path.isEmpty() || !runFile_.open(QIODevice::ReadOnly)) {
        refusal = QStringLiteral("Cannot read the file ") + path + QLatin1Char('.');
    } else {
        const int64_t size = runFile_.size();
        const bool big = is1KModel(Model());
        const int64_t blocks = big ? size / kBlock1K : (size + kBlock - 1) / kBlock;
        if (ProgramMode == pmLogo && size < kMinLogoFileSize)
            refusal = name + QStringLiteral(" is not a usable logo bitmap (too short).");
        else if (blocks == 0)
            refusal = name + QStringLiteral(" holds no block to program.");
        else if (blocks > (big ? kMaxBlocks1K : kMaxBlocks))
            refusal = name + QStringLiteral(" is too large for this instrument (more than ") +
                      QString::number(big ? kMaxBlocks1K : kMaxBlocks) + QStringLiteral(" blocks).");
    }
    if (refusal.isEmpty()) return true;
    runFile_.close();
    MsgBox(refusal, vbExclamation + vbOKOnly);
    return false;
}

void frmMain::ProgramFlash() {
    modFileUtil::KillFile(kLogFile);
    // The file is checked before anything is asked or erased: a file that cannot be sent
    // must never leave the instrument without firmware.
    if (!openRunFile()) {
        ShowMessage(QStringLiteral("Program aborted."));
        return;
    }
    const QString question = ProgramMode == pmLogo
                                 ? QStringLiteral("Instrument's startup logo will be overwritten!  Continue?")
                                 : QStringLiteral("Instrument's firmware will be overwritten!  Continue?");
    if (MsgBox(question, vbYesNo + vbExclamation + vbSystemModal) != vbYes) {
        runFile_.close();
        ShowMessage(QStringLiteral("Program aborted."));
        Busy = false;
        return;
    }
    Busy = true;
    cmdExit->setEnabled(false);
    TimeOutSeconds = kEraseTimeout;
    logWritable_ = openLog();
    logLine(QStringLiteral("Start Erase"));
    if (!EraseFlash()) {
        runFile_.close();
        logLine(QStringLiteral("Erase Failed. RX: ") + RxShown());
        ShowMessage(QStringLiteral("Erase Failed."));
        Busy = false;
        return;
    }
    logLine(QStringLiteral("Erase OK"));

    TimeOutSeconds = kBlockTimeout;
    // A block that failed leaves the instrument without a whole image, whatever the done
    // command hears: the run has failed. The done command still goes out, so the boot
    // loader ends its programming.
    int failedBlock = -1;
    QString failedRx;
    const auto blockFailed = [&](int n) {
        failedBlock = n;
        failedRx = RxShown();
    };
    if (is1KModel(Model())) {
        BlockCount = static_cast<int16_t>(runFile_.size() / kBlock1K);
        BlockBuffer = QByteArray(kBlock1K, '\0');
        // Only whole blocks are sent; a shorter tail stays behind.
        for (int n = 1;; ++n) {
            if (ReadFile(runFile_, BlockBuffer, kBlock1K) != kBlock1K) break;
            if (!ProgramBlock1K(n)) {
                blockFailed(n);
                break;
            }
        }
        if (!FinishProgram1K() && failedBlock < 0) blockFailed(0);
    } else {
        BlockCount = static_cast<int16_t>((runFile_.size() + kBlock - 1) / kBlock);
        BlockBuffer = QByteArray(kBlock, '\0');
        logLine(QStringLiteral("Start Program"));
        for (int n = 1; n <= BlockCount; ++n) {
            QByteArray piece;
            ReadFile(runFile_, piece, kBlock);
            BlockBuffer = piece.leftJustified(kBlock, '\0', true);
            if (n == 1 && ProgramMode == pmLogo) PatchLogoBlock(BlockBuffer, ColorNum, Location);
            logLine(QStringLiteral("Start Block ") + QString::number(n));
            if (!ProgramBlock(n)) {
                blockFailed(n);
                break;
            }
            logLine(QStringLiteral("End Block ") + QString::number(n));
        }
    }
    runFile_.close();

    CmdBuffer = QByteArray(1, commandLetter('D'));
    // The boot loader restarts the instrument without a word when the image is good; a
    // reply means it refused. A port that failed heard nothing and proves nothing.
    const bool doneAnswered = SendCommand();
    if (failedBlock >= 0) {
        logLine(QStringLiteral("Program Fail. Block %1 of %2. RX: ").arg(failedBlock).arg(BlockCount) + failedRx);
        ShowMessage(QStringLiteral("Upgrade Failed."));
    } else if (doneAnswered || portFailed_) {
        logLine(QStringLiteral("Program Fail. RX: ") + RxShown());
        ShowMessage(QStringLiteral("Upgrade Failed."));
    } else {
        logLine(QStringLiteral("Program OK"));
        ShowMessage(QStringLiteral("Upgrade Done.  Resetting instrument."));
    }
    Busy = false;
}

bool frmMain::EraseFlash() {
    const int model = Model();
    if (model >= modelTRV310 && model <= modelLM900) return EraseAll();
    if (!is1KModel(model)) return false;
    for (int block : kEraseBlocks1K)
        if (!EraseBlocks(block)) return false;
    return EraseExtra ? EraseBlocks(kExtraEraseBlock) : true;
}

bool frmMain::EraseAll() {
    ShowMessage(QStringLiteral("Erasing Flash"));
    CmdBuffer = QByteArray(1, commandLetter('A'));
    const bool ok = SendCommand();
    ShowMessage(ok ? QStringLiteral("Erased") : QStringLiteral("Erase Error - ") + RxShown());
    return ok;
}

bool frmMain::EraseBlocks(int block) {
    CmdBuffer = QByteArray(1, 'A');
    CmdBuffer.append(static_cast<char>(block));
    const bool ok = SendCommand();
    const QString hex = vb::Hex(block);
    ShowMessage(ok ? QStringLiteral("Erased Block ") + hex
                   : QStringLiteral("Erase Error - Block ") + hex + QStringLiteral(" - ") + RxShown());
    return ok;
}

bool frmMain::ProgramBlock(int n) {
    CmdBuffer = QByteArray(1, commandLetter('B'));
    return sendBlock(n);
}

bool frmMain::sendBlock(int n) {
    blockInFlight_ = n;
    const bool ok = SendCommand();
    if (ok) {
        if (n > 1) removeLastMessage();
        ShowMessage(QStringLiteral("Program Block %1 of %2").arg(n).arg(BlockCount));
    } else {
        ShowMessage(QStringLiteral("Error Block %1 of %2 - ").arg(n).arg(BlockCount) + RxShown());
    }
    return ok;
}

bool frmMain::ProgramBlock1K(int n) {
    const int address = 0x8000 + 64 * n;
    CmdBuffer = QByteArray(1, 'B');
    CmdBuffer.append(static_cast<char>(HiByte(static_cast<int16_t>(address))));
    CmdBuffer.append(static_cast<char>(address & 0xFF));
    return sendBlock(n);
}

bool frmMain::FinishProgram1K() {
    BlockBuffer = QByteArray(kBlock1K, static_cast<char>(0xFF));
    BlockBuffer[0] = static_cast<char>(0x55);
    BlockBuffer[1] = static_cast<char>(0xAA);
    return ProgramBlock1K(0);
}

}  // namespace NorvikFlash

#pragma once
// The emulated instrument on the programmer's serial line. Its running firmware answers
// the framed queries "@" (version) and "qr" (serial number) at 19200 baud; its boot
// loader answers the raw commands search "!", erase "A"/"a" (with a block number on the
// 1024-byte models), block "B"/"b" (+ 256 bytes, or + address high, low + 1024 bytes) and
// done "D"/"d" at the model's rate (115200, or 38400 on the 1024-byte models). Bytes at
// any other rate are noise to it, as to a real instrument.
//
// It keeps what it was sent: every command, the erased blocks and the flash image, so
// tests compare the image with the file byte for byte.
//
// Faults: replies with wrong check characters, replies interrupted by a new "!" mid-frame,
// erase replies not ending "80", a reply to done, silence, and unplugging; and, as a real
// line fails in the middle of a run, silence from a given block on, a bad check on one
// block's reply, and the line closing at a given block.
#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <cstdint>

class PtyLine;

class BootSim : public QObject {
    Q_OBJECT
public:
    explicit BootSim(QObject* parent = nullptr);
    ~BootSim() override;

    // The instrument model 0..5 (the programmer's model list); 4 and 5 take 1024-byte
    // blocks at 38400 baud, the others 256-byte blocks at 115200.
    void SetModel(int model);
    int Model() const { return model_; }
    int BootRate() const;
    int BlockSize() const;

    // Opens a pseudo-terminal and serves it; returns the device the programmer opens, or
    // an empty text when none can be had.
    QString OpenPty();
    QString PtyDevice() const;
    // Ends the line, as a cable pulled out of the instrument.
    void Unplug();

    // ---- the running firmware ----
    QString Version = QStringLiteral("1.23");
    QString SerialNumber = QStringLiteral("12345");
    // Firmware too old to know "qr": it answers "C".
    bool OldFirmware = false;

    // ---- faults ----
    void CorruptNextReplies(int n) { corrupt_ = n; }
    void InterruptNextReplies(int n) { interrupt_ = n; }
    void setSilent(bool on) { silent_ = on; }
    void setEraseFails(bool on) { eraseFails_ = on; }
    void setAnswerDone(bool on) { answerDone_ = on; }
    // Blocks count from 1 after each erase (on the 1024-byte models the finishing block
    // counts too); 0 switches the fault off.
    // From block n on the boot loader answers nothing (the done command included) until
    // the next search.
    void setSilentFromBlock(int n) { silentFromBlock_ = n; }
    // The reply to block n has wrong check characters.
    void setBadCrcAtBlock(int n) { badCrcAtBlock_ = n; }
    // The line closes when block n has arrived, unanswered.
    void setCloseAtBlock(int n) { closeAtBlock_ = n; }

    // ---- what it was sent ----
    // Every command in order: "@", "qr", "!", "A", "a", "A 80" (erase block, hex), "B",
    // "b", "B 8040" (1024-byte block at its address, hex), "D", "d".
    const QStringList& Commands() const { return commands_; }
    void ClearCommands() { commands_.clear(); }
    // The flash image: 256-byte blocks in the order received since the last erase;
    // 1024-byte blocks at (address - 0x8000) x 16, unwritten bytes 0xFF.
    QByteArray Flash() const;
    // The 1024-byte block received at an address (empty when none).
    QByteArray Block1K(uint16_t address) const { return blocks1K_.value(address); }

    // Handles bytes the programmer sent at the given rate; the replies go to the line.
    void Receive(const QByteArray& bytes, int rate);

signals:
    // A whole command has arrived (its text as in Commands()); raised before the reply,
    // so a handler can set a fault for it.
    void CommandReceived(const QString& command);

private:
    enum class Parse { Idle, QueryLength, QueryBody, EraseBlock, BlockAddress, BlockData };
    void firmwareByte(uint8_t b);
    void bootByte(uint8_t b);
    void finishCommand(const QString& text, const QByteArray& reply, bool answer = true);
    void reply(const QByteArray& message);

    PtyLine* pty_ = nullptr;
    int model_ = 0;
    Parse state_ = Parse::Idle;
    QByteArray pending_;
    int need_ = 0;
    char command_ = 0;
    uint16_t address_ = 0;
    QElapsedTimer lastByte_;

    QByteArray image_;
    QMap<uint16_t, QByteArray> blocks1K_;
    QStringList commands_;
    int corrupt_ = 0;
    int interrupt_ = 0;
    bool silent_ = false;
    bool eraseFails_ = false;
    bool answerDone_ = false;
    int silentFromBlock_ = 0;
    int badCrcAtBlock_ = 0;
    int closeAtBlock_ = 0;
    int blocks_ = 0;          // blocks received since the last erase
    bool runSilent_ = false;  // silent from a block on, until the next search
};

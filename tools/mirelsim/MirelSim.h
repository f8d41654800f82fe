#pragma once
// An emulated Mirel USB quartz sensor on a pseudo-terminal. Plugging it in lists it, as
// the kernel lists a USB serial device, under a file-system root that stands for "/":
//   <root>/sys/devices/mirelsim/<serial>/{idVendor,idProduct,serial,product}
//   <root>/sys/devices/mirelsim/<serial>/<serial>:1.0/ttyUSBn
//   <root>/sys/class/tty/ttyUSBn/device -> that tty folder
//   <root>/dev/ttyUSBn -> the pseudo-terminal
// so the station's USB bridge, pointed at that root, finds and opens it.
//
// It answers the sensor's lines, each ending CR LF:
//   "!@"      -> "!@" revision
//   "!B"gate  -> "!B"gate   (gate: crystal cycles counted per reading)
//   "!C"timer -> "!C"timer
//   "!A"flag  -> "!A"count  count = gate x 199,065,600 / frequency, rounded; -1 without a
//                           crystal, -2 before a gate count was set
// Anything else goes unanswered.
//
// The crystal can be aged: a test sets its frequency, lowers it by hand, or lets each
// reading lower it. Faults: silence, replies without their echo, replies split in two
// pieces sent 20 ms apart, and unplugging (the listing goes and the line hangs up).
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>

class PtyLine;

class MirelSim : public QObject {
    Q_OBJECT
public:
    explicit MirelSim(const QString& serial = QStringLiteral("MS0001"), QObject* parent = nullptr);
    ~MirelSim() override;

    QString Serial() const { return serial_; }

    // ---- plugging ----
    // Opens a pseudo-terminal and lists it under root as the next free ttyUSBn; false when
    // no pseudo-terminal can be had or the listing cannot be written. Plugging a plugged
    // sensor does nothing.
    bool Plug(const QString& root);
    // Removes the listing and hangs the line up.
    void Unplug();
    bool Plugged() const;
    // "ttyUSB0", and the pseudo-terminal behind it; empty when unplugged.
    QString TtyName() const { return tty_; }
    QString PtyDevice() const;
    // The baud rate the station set on its end at the last command (0 when unknown).
    int32_t LineRate() const { return lineRate_; }

    // ---- the sensor ----
    QString revision = QStringLiteral("1.05");
    QString productId = QStringLiteral("82CB");
    // The crystal's frequency (Hz), and what each reading takes off it.
    double frequency = 6000000.0;
    double agingPerReading = 0.0;
    void Age(double hz) { frequency -= hz; }
    // Without a crystal the count is -1.
    bool crystal = true;
    // When not empty, sent as the count of every reading in place of the crystal's.
    QString countText;
    // The count the sensor would answer now.
    QString Count() const;

    // ---- faults ----
    bool silent = false;
    // The next n replies lose their two-character echo.
    void OmitEchoNextReplies(int n) { omitEcho_ = n; }
    // Each reply goes out in two pieces, the second 20 ms after the first.
    bool splitReplies = false;

    // ---- what it heard ----
    // Every command line, oldest first ("!A1", "!B1250000"...).
    const QStringList& Commands() const { return commands_; }
    void ClearCommands() { commands_.clear(); }
    int32_t GateCount() const { return gate_; }
    int32_t TimerCount() const { return timer_; }

    // The reply line (without CR LF) to one command line; empty when it goes unanswered.
    // Readings age the crystal.
    QString Answer(const QString& command);

signals:
    void CommandReceived(const QString& command);

private:
    void Receive(const QByteArray& bytes);
    void Send(const QByteArray& line);
    QString UsbFolder() const;
    void RemoveListing();

    QString serial_;
    PtyLine* pty_ = nullptr;
    QString root_;
    QString tty_;
    QByteArray pending_;
    QStringList commands_;
    int32_t gate_ = 0;
    int32_t timer_ = 0;
    int32_t lineRate_ = 0;
    int omitEcho_ = 0;
};

#pragma once
// The device side of an emulated serial line: a pseudo-terminal whose terminal end a
// program opens as its serial port (through ORUN_COMn or the device path), while the
// emulator reads and writes the other end. Shared by every peer emulator.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

class PtyLine : public QObject {
    Q_OBJECT
public:
    explicit PtyLine(QObject* parent = nullptr);
    ~PtyLine() override;

    // Opens a raw pseudo-terminal (no echo, no line editing) and returns the device the
    // program opens; an empty text when none can be had. Opening an open line returns
    // its device.
    QString Open();
    // Ends the line, as a device that is unplugged: the program's port reports an error.
    void Close();
    bool IsOpen() const { return master_ >= 0; }
    QString Device() const { return device_; }
    // The rate the program has set on its end (the line itself carries bytes at any rate),
    // so an emulator can ignore what a real device would hear as noise; 0 when closed or
    // not a standard rate.
    qint32 LineRate() const;

    // Writes the bytes to the program; what the program does not take is lost, as on a
    // real line. False when the line is closed.
    bool Write(const QByteArray& bytes);

signals:
    // Bytes the program wrote, in arrival order (any split).
    void Received(const QByteArray& bytes);

private:
    void onReadable();

    int master_ = -1;
    int slave_ = -1;
    QString device_;
    QSocketNotifier* notifier_ = nullptr;
};

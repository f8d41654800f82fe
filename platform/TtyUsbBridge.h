#pragma once
// The USB bridge on Linux: the bridge devices are the USB serial ttys the kernel lists
// under /sys/class/tty, each with the USB device it belongs to (idProduct, serial), and
// they are opened as /dev/<tty> in raw mode, 8 data bits, no parity, one stop bit, no
// flow control.
//
// The file-system root is "/" unless the environment variable ORUN_USB_ROOT names another
// folder, or a test sets it: the bridge then looks for <root>/sys/class/tty and opens
// <root>/dev/<tty>, so a tree of folders and links stands in for the kernel's.
#include "platform/UsbBridge.h"

#include <QString>
#include <map>
#include <vector>

class TtyUsbBridge : public UsbBridge {
public:
    TtyUsbBridge();
    ~TtyUsbBridge() override;

    static TtyUsbBridge& Instance();

    QString Root() const { return root_; }
    void setRoot(const QString& root);

    int32_t SI_GetNumDevices(uint32_t& numDevices) override;
    int32_t SI_GetProductString(uint32_t deviceNum, QByteArray& product, uint32_t options) override;
    int32_t SI_Open(uint32_t deviceNum, int32_t& handle) override;
    int32_t SI_Close(int32_t handle) override;
    int32_t SI_Read(int32_t handle, uint8_t* buffer, uint32_t bytesToRead, uint32_t& bytesReturned) override;
    int32_t SI_Write(int32_t handle, const uint8_t* buffer, uint32_t bytesToWrite, uint32_t& bytesWritten) override;
    int32_t SI_FlushBuffers(int32_t handle, uint8_t flushTransmit, uint8_t flushReceive) override;
    int32_t SI_SetBaudRate(int32_t handle, uint32_t baudRate) override;

private:
    struct Device {
        QString tty;     // "ttyUSB0"
        QString usbDir;  // the USB device's folder (idProduct, serial)
    };
    void Enumerate();
    int FdOf(int32_t handle) const;

    QString root_;
    std::vector<Device> devices_;
    bool enumerated_ = false;
    std::map<int32_t, int> open_;  // handle -> file descriptor
    int32_t nextHandle_ = 1;
};

#pragma once
// The USB-to-serial bridge that the quartz sensors sit behind: the bridge library's
// functions, each returning a status (0 for success). The program reaches the bridge
// through UsbBridge::Current(): the tty bridge of this platform (TtyUsbBridge) unless
// another one was installed in place of the hardware.
#include <QByteArray>
#include <cstdint>

namespace UsbStatus {
constexpr int32_t Success = 0;
constexpr int32_t InvalidHandle = 0x01;
constexpr int32_t ReadError = 0x02;
constexpr int32_t WriteError = 0x04;
constexpr int32_t InvalidParameter = 0x06;
constexpr int32_t InvalidRequestLength = 0x07;
constexpr int32_t DeviceIoFailed = 0x08;
constexpr int32_t InvalidBaudRate = 0x09;
constexpr int32_t DeviceNotFound = 0xFF;
}  // namespace UsbStatus

// What SI_GetProductString returns.
namespace UsbProductOption {
constexpr uint32_t SerialNumber = 0;
constexpr uint32_t ProductId = 4;
}  // namespace UsbProductOption

class UsbBridge {
public:
    virtual ~UsbBridge() = default;

    // The number of bridge devices plugged in; their indices run from 0 to that - 1, in
    // the order of this last count.
    virtual int32_t SI_GetNumDevices(uint32_t& numDevices) = 0;
    // The serial number or the product id (four hex digits) of a device.
    virtual int32_t SI_GetProductString(uint32_t deviceNum, QByteArray& product, uint32_t options) = 0;
    // Opens a device; the handle is 1 or more.
    virtual int32_t SI_Open(uint32_t deviceNum, int32_t& handle) = 0;
    virtual int32_t SI_Close(int32_t handle) = 0;
    // Reads what has arrived, at most bytesToRead bytes, waiting a few milliseconds for
    // the first one; bytesReturned 0 when nothing came.
    virtual int32_t SI_Read(int32_t handle, uint8_t* buffer, uint32_t bytesToRead, uint32_t& bytesReturned) = 0;
    virtual int32_t SI_Write(int32_t handle, const uint8_t* buffer, uint32_t bytesToWrite,
                             uint32_t& bytesWritten) = 0;
    // Discards what waits to be sent and/or what was received and not read yet.
    virtual int32_t SI_FlushBuffers(int32_t handle, uint8_t flushTransmit, uint8_t flushReceive) = 0;
    virtual int32_t SI_SetBaudRate(int32_t handle, uint32_t baudRate) = 0;

    // The bridge in use.
    static UsbBridge& Current();
    // Installs a bridge in place of the hardware; nullptr returns to the tty bridge.
    static void Install(UsbBridge* bridge);
};

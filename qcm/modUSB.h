#pragma once
// The thin layer between the quartz sensor driver and the USB bridge: one or two bridge
// calls per routine, texts to and from byte buffers, and the bridge's status passed up
// (0 for success).
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace modUSB {

// Bytes a read or write buffer holds; the longest text a write takes.
constexpr int kBufferSize = 257;
// Bytes one read asks for.
constexpr uint32_t kReadSize = 252;
// Status of a write whose flush failed.
constexpr int32_t kFlushFailed = 255;

// The number of bridge devices plugged in (0 when the bridge cannot count them).
int32_t USBGetNumDevices();
// The serial number and the product id ("82CB") of device 0..count - 1; empty when the
// bridge does not answer.
QString USBGetSerial(int32_t index);
QString USBGetPID(int32_t index);
// Opens a device and sets it to 115200 baud; the handle is set to 1 before the call.
int32_t USBOpen(int32_t index, int32_t& handle);
int32_t USBClose(int32_t handle);
// Reads what has arrived (at most 252 bytes): every non-zero byte, in order, as text.
int32_t USBRead(int32_t handle, QString& reply);
// Discards what waits in both directions, then writes the text's characters. A failed
// flush gives 255 and writes nothing; an empty text is not written (status 0); a text
// longer than the buffer is not sent and gives the bridge's request-length status.
int32_t USBWrite(int32_t handle, const QString& text);
// The characters up to the first zero byte, at most 255.
QString USBBytesToString(const QByteArray& bytes);

}  // namespace modUSB

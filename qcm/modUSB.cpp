#include "qcm/modUSB.h"

#include "platform/UsbBridge.h"

#include <array>

namespace modUSB {

namespace {

constexpr uint32_t kBaudRate = 115200;
constexpr int kMaxProductText = 255;

QString ProductString(int32_t index, uint32_t option) {
    if (index < 0) return {};
    QByteArray product;
    if (UsbBridge::Current().SI_GetProductString(static_cast<uint32_t>(index), product, option) != UsbStatus::Success)
        return {};
    return USBBytesToString(product);
}

}  // namespace

int32_t USBGetNumDevices() {
    uint32_t n = 0;
    if (UsbBridge::Current().SI_GetNumDevices(n) != UsbStatus::Success) return 0;
    return static_cast<int32_t>(n);
}

QString USBGetSerial(int32_t index) { return ProductString(index, UsbProductOption::SerialNumber); }

QString USBGetPID(int32_t index) { return ProductString(index, UsbProductOption::ProductId); }

int32_t USBOpen(int32_t index, int32_t& handle) {
    handle = 1;
    if (index < 0) return UsbStatus::DeviceNotFound;
    UsbBridge& bridge = UsbBridge::Current();
    const int32_t status = bridge.SI_Open(static_cast<uint32_t>(index), handle);
    if (status != UsbStatus::Success) return status;
    return bridge.SI_SetBaudRate(handle, kBaudRate);
}

int32_t USBClose(int32_t handle) { return UsbBridge::Current().SI_Close(handle); }

int32_t USBRead(int32_t handle, QString& reply) {
    std::array<uint8_t, kBufferSize> buffer{};
    uint32_t got = 0;
    const int32_t status = UsbBridge::Current().SI_Read(handle, buffer.data(), kReadSize, got);
    reply.clear();
    // Zero bytes are skipped wherever they stand, not taken as the end.
    for (uint8_t b : buffer)
        if (b != 0) reply += QChar(b);
    return status;
}

int32_t USBWrite(int32_t handle, const QString& text) {
    UsbBridge& bridge = UsbBridge::Current();
    if (bridge.SI_FlushBuffers(handle, 1, 1) != UsbStatus::Success) return kFlushFailed;
    if (text.isEmpty()) return UsbStatus::Success;
    if (text.size() > kBufferSize) return UsbStatus::InvalidRequestLength;
    const QByteArray bytes = text.toLatin1();
    uint32_t written = 0;
    return bridge.SI_Write(handle, reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<uint32_t>(bytes.size()), written);
}

QString USBBytesToString(const QByteArray& bytes) {
    QString text;
    for (char c : bytes) {
        if (c == 0 || text.size() >= kMaxProductText) break;
        text += QChar(static_cast<uint8_t>(c));
    }
    return text;
}

}  // namespace modUSB

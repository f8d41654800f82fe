#include "unit/OrunFrame.h"

#include <array>

namespace OrunFrame {

namespace {

// The eight shift steps of one byte, for every value of the register's low byte: each
// step only moves bits down and XORs a fixed word, so the steps of a whole byte come to
// (crc >> 8) XOR the entry of its low byte. Every reply is checked as it arrives, and
// the table saves seven eighths of the work per byte.
constexpr std::array<uint16_t, 256> kByteSteps = [] {
    std::array<uint16_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned crc = v;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0x2001u : crc >> 1;
        table[v] = static_cast<uint16_t>(crc);
    }
    return table;
}();

}  // namespace

uint16_t Crc(const uint8_t* bytes, size_t count) {
    uint16_t crc = 0x3FFF;
    for (size_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>((crc >> 8) ^ kByteSteps[(crc ^ bytes[i]) & 0xFFu]);
    return static_cast<uint16_t>(crc & 0x3FFF);
}

void CheckChars(uint16_t crc, uint8_t out[2]) {
    out[0] = static_cast<uint8_t>((crc & 0x7F) + 34);
    out[1] = static_cast<uint8_t>(((crc >> 7) & 0x7F) + 34);
}

bool FrameCrc(const uint8_t* buf, size_t available, uint8_t out[2]) {
    if (available < 2) return false;
    const int length = buf[1];
    if (length == 0) {
        out[0] = out[1] = 0;
        return true;
    }
    const int covered = length - 34;  // offsets 1 .. length - 34
    if (covered <= 0) {
        CheckChars(Crc(buf, 0), out);
        return true;
    }
    if (static_cast<size_t>(covered) + 1 > available) return false;
    CheckChars(Crc(buf + 1, static_cast<size_t>(covered)), out);
    return true;
}

size_t BuildFrame(const uint8_t* text, size_t count, uint8_t* out) {
    if (count > static_cast<size_t>(kMaxText)) return 0;
    out[0] = kStart;
    out[1] = static_cast<uint8_t>(count + 36);
    for (size_t i = 0; i < count; ++i) out[2 + i] = text[i];
    out[2 + count] = kBlank;
    CheckChars(Crc(out + 1, count + 2), out + 3 + count);
    out[5 + count] = kEnd;
    return count + kOverhead;
}

QByteArray BuildFrame(QByteArrayView text) {
    if (text.size() > kMaxText) return {};
    QByteArray frame(text.size() + kOverhead, Qt::Uninitialized);
    BuildFrame(reinterpret_cast<const uint8_t*>(text.data()), static_cast<size_t>(text.size()),
               reinterpret_cast<uint8_t*>(frame.data()));
    return frame;
}

}  // namespace OrunFrame

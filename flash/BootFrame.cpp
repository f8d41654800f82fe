#include "flash/BootFrame.h"

#include "unit/OrunFrame.h"

namespace NorvikFlash {
namespace {

// Longest boot-loader reply kept in RxText: the length character 255 describes 223 bytes
// after the "!"; anything beyond can never complete a frame.
constexpr qsizetype kMaxBootText = 240;

QByteArray checkChars(QByteArrayView covered) {
    uint8_t out[2];
    OrunFrame::CheckChars(
        OrunFrame::Crc(reinterpret_cast<const uint8_t*>(covered.data()), static_cast<size_t>(covered.size())), out);
    return QByteArray(reinterpret_cast<const char*>(out), 2);
}

QByteArray frame(QByteArrayView message, int lengthOffset) {
    QByteArray f;
    f.reserve(message.size() + 4);
    f.append(kFrameStart);
    f.append(static_cast<char>(message.size() + lengthOffset));
    f.append(message);
    f.append(checkChars(QByteArrayView(f).sliced(1)));
    return f;
}

int16_t statusOfLetter(char letter) {
    switch (letter) {
    case 'A': return csReplyOk;
    case 'B': return csReplyB;
    case 'C': return csReplyC;
    case 'E': return csReplyE;
    default: return csReplyOther;
    }
}

}  // namespace

QByteArray CalcCrc(QByteArrayView covered) { return checkChars(covered); }

void CalcChkSumByte(QByteArrayView frame, uint8_t out[2]) {
    if (frame.size() < 2 || frame[1] == 0) {
        out[0] = out[1] = 0;
        return;
    }
    const qsizetype covered = frame.size() - 3;  // indices 1 .. size - 3
    OrunFrame::CheckChars(
        OrunFrame::Crc(reinterpret_cast<const uint8_t*>(frame.data()) + 1, covered > 0 ? static_cast<size_t>(covered) : 0),
        out);
}

QByteArray QueryFrame(QByteArrayView message) {
    return message.size() > kMaxQueryMessage ? QByteArray() : frame(message, 34);
}

QByteArray ReplyFrame(QByteArrayView message) {
    return message.size() > kMaxReplyMessage ? QByteArray() : frame(message, 35);
}

bool FramedReplyByte(RxFrameRec& rx, uint8_t b, int16_t& status, QByteArray& body) {
    if (b == 0) return false;
    if (b == static_cast<uint8_t>(kFrameStart)) {
        rx.Index = 1;
        return false;
    }
    if (rx.Index == 0) return false;
    if (rx.Index == 1) {
        if (b <= 2) return false;
        // 3 to 34 describe a frame shorter than its own start, length and check.
        if (b < 35) {
            rx.Index = 0;
            return false;
        }
        rx.Buffer = QByteArray(b - 31, '\0');
        rx.Buffer[0] = kFrameStart;
        rx.Buffer[1] = static_cast<char>(b);
        rx.Index = 2;
        return false;
    }
    const int32_t last = static_cast<int32_t>(rx.Buffer.size()) - 1;
    rx.Buffer[rx.Index] = static_cast<char>(b);
    if (rx.Index < last) {
        ++rx.Index;
        return false;
    }
    uint8_t crc[2];
    CalcChkSumByte(rx.Buffer, crc);
    if (static_cast<uint8_t>(rx.Buffer[last - 1]) != crc[0] || static_cast<uint8_t>(rx.Buffer[last]) != crc[1]) {
        status = csBadCrc;
        return true;
    }
    status = statusOfLetter(rx.Buffer[2]);
    if (status == csReplyOk) body = rx.Buffer.mid(3, rx.Buffer.size() - 5);
    return true;
}

namespace {

QString Hex2(uint8_t b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); }

QString Printable(QByteArrayView bytes) {
    QString text;
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x20 && b <= 0x7E) text += QLatin1Char(c);
        else text += QLatin1Char('<') + Hex2(b) + QLatin1Char('>');
    }
    return text;
}

}  // namespace

QString ReplyText(QByteArrayView rx) {
    // The length character of a whole reply tells its size: message length + 35.
    const qsizetype n = rx.size();
    if (n >= 3 && static_cast<uint8_t>(rx[0]) >= 35 && n == static_cast<uint8_t>(rx[0]) - 32) {
        return Printable(rx.sliced(1, n - 3)) + QStringLiteral(" [check ") + Hex2(static_cast<uint8_t>(rx[n - 2])) +
               QLatin1Char(' ') + Hex2(static_cast<uint8_t>(rx[n - 1])) + QLatin1Char(']');
    }
    return Printable(rx);
}

bool BootReplyByte(RxFrameRec& rx, QByteArray& rxText, uint8_t c) {
    if (c == static_cast<uint8_t>(kFrameStart)) {
        rx.ReplyLength = 0;
        rxText = QByteArray(1, kFrameStart);
        return false;
    }
    if (rxText.size() == 1 && rxText[0] == kFrameStart) {
        rx.ReplyLength = static_cast<int16_t>(c - 34);
        rxText = QByteArray(1, static_cast<char>(c));
        return false;
    }
    if (rxText.size() >= kMaxBootText) return false;
    rxText.append(static_cast<char>(c));
    const qsizetype n = rxText.size();
    if (n != rx.ReplyLength + 2 || n <= 2) return false;
    return QByteArrayView(rxText).sliced(n - 2) == checkChars(QByteArrayView(rxText).first(n - 2));
}

}  // namespace NorvikFlash

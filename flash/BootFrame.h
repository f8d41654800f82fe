#pragma once
// Frames of the instruments' serial protocol as the programmer sends and receives them,
// with the 14-bit check of the controller unit's firmware (one routine for both).
//
//   query (to the running firmware)  "!"  n + 34  message  crc1 crc2
//   reply (firmware and boot loader) "!"  n + 35  message  crc1 crc2
//
// The check covers the length character and the message; a reply's message starts with
// its status letter. Boot-loader commands are raw bytes and carry no frame.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace NorvikFlash {

constexpr char kFrameStart = '!';
// The length character is one byte: a query message of 221 bytes has 255.
constexpr int kMaxQueryMessage = 221;
constexpr int kMaxReplyMessage = 220;

// The receive state codes of a framed query (CommStatus).
enum CommStatusCode : int16_t {
    csReplyOk = 0,      // "A" with a good check; the body is kept
    csNoReply = 1,      // nothing complete within 1.0 s
    csReplyB = 3,
    csReplyC = 4,
    csReplyOther = 5,   // "D" or any letter not listed
    csReplyE = 6,
    csBadCrc = 7,
    csPending = 9,      // a query went out and its reply is awaited
};

// The two check characters of the covered bytes.
QByteArray CalcCrc(QByteArrayView covered);
// The check characters of a frame held whole in `frame`: over indices 1 .. size - 3, into
// out[0] and out[1]; two zero bytes when the length character (index 1) is 0.
void CalcChkSumByte(QByteArrayView frame, uint8_t out[2]);

// A query frame; empty when the message is longer than kMaxQueryMessage.
QByteArray QueryFrame(QByteArrayView message);
// A reply frame; empty when the message is longer than kMaxReplyMessage.
QByteArray ReplyFrame(QByteArrayView message);

// The collector of framed replies (RxFrame).
struct RxFrameRec {
    int16_t ReplyLength = 0;  // boot-loader replies: message length + 1
    int32_t Index = 0;        // next position in Buffer; 0 = waiting for "!"
    QByteArray Buffer;        // the whole reply frame
};

// One byte of a framed-query reply (CommRxByte). When the byte completes a frame the
// result is true, `status` takes the frame's code and, for "A", `body` the message
// without its status letter. Zero bytes are skipped, "!" restarts, a length character of
// 2 or less is ignored and one of 3 to 34 (too short for any frame) drops the frame.
bool FramedReplyByte(RxFrameRec& rx, uint8_t b, int16_t& status, QByteArray& body);

// One byte of a boot-loader reply, collected in `rxText` without its "!". True when the
// byte completes a frame with a good check. A frame with a bad check is not reported: the
// collecting goes on until the caller's time-out. `rxText` never grows beyond the longest
// reply frame plus a few bytes, so a line that sends noise cannot fill memory.
bool BootReplyByte(RxFrameRec& rx, QByteArray& rxText, uint8_t c);

// A boot-loader reply as collected (its length character, message and two check
// characters, or whatever part of it arrived) as a line can show it: a whole reply as its
// message followed by its check characters in hexadecimal ("A81 [check 1F 2C]"); any byte
// that is not a printable character, in a part or in a message, as two hexadecimal digits
// in angle brackets ("<07>").
QString ReplyText(QByteArrayView rx);

}  // namespace NorvikFlash

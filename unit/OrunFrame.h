#pragma once
// The frame and 14-bit check of the unit's firmware protocol. One implementation for
// every program that talks to that firmware: the station's controller link, the unit
// emulator, and the firmware programmer (whose boot-loader frames differ in layout but
// use the same check).
//
// Frame of a text T of n bytes: "!" (0x21), the length character n + 36, T, a blank,
// two check characters, LF. The check covers the length character, T and the blank.
#include <QByteArray>
#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

namespace OrunFrame {

constexpr uint8_t kStart = 0x21;  // "!"
constexpr uint8_t kEnd = 0x0A;    // LF
constexpr uint8_t kBlank = 0x20;
// Bytes a frame adds around its text.
constexpr int kOverhead = 6;
// The length character is one byte: n + 36 <= 255.
constexpr int kMaxText = 255 - 36;

// The 14-bit check value of a run of bytes: start 0x3FFF; per byte XOR it in, then eight
// times shift right and XOR 0x2001 when the bit shifted out was 1; keep 14 bits.
uint16_t Crc(const uint8_t* bytes, size_t count);

// The two check characters of a check value: (crc & 0x7F) + 34 and ((crc >> 7) & 0x7F) + 34.
// Both lie in 34..161, so neither can be "!" or LF.
void CheckChars(uint16_t crc, uint8_t out[2]);

// The check characters of the frame in buf, whose offset 1 holds the length character L:
// the check covers offsets 1 .. L - 34. L = 0 gives two zero characters. Only the first
// `available` bytes of buf are read: when L claims more than that, nothing is computed
// and the result is false (such a frame cannot be good).
bool FrameCrc(const uint8_t* buf, size_t available, uint8_t out[2]);

// Writes the frame of text (n = count bytes, at most kMaxText) into out, which must hold
// count + kOverhead bytes; returns the frame length, or 0 when the text is too long.
size_t BuildFrame(const uint8_t* text, size_t count, uint8_t* out);
// The frame of text as bytes; empty when the text is too long.
QByteArray BuildFrame(QByteArrayView text);

}  // namespace OrunFrame

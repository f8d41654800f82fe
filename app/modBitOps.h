#pragma once
// Bits of 16- and 32-bit words, shifts with the original's overflow rules, and the
// signed/unsigned readings of the same bit pattern. Bit numbers count from 0; a bit
// number of 16 or more (32 or more for the 32-bit routines) names no bit: set and clear
// change nothing and the test gives False.
// Errors (overflow) are reported in a box titled with the routine's name; the result is 0.
#include <cstdint>

namespace modBitOps {

void BitClearInteger(int16_t& value, uint8_t bit);
void BitClearLong(int32_t& value, uint8_t bit);
void BitSetInteger(int16_t& value, uint8_t bit);
void BitSetLong(int32_t& value, uint8_t bit);
bool BitTestInteger(int16_t value, uint8_t bit);
bool BitTestLong(int32_t value, uint8_t bit);

// The Long whose low 32 bits match those of the whole number nearest to value.
int32_t dblToLong(double value);
// The unsigned reading of a 16-bit word: value + 65536 when negative.
int32_t IntToLong(int16_t value);
uint8_t LoByte(int32_t value);
// value - 65536 above 32767; outside -32768..98303 an overflow.
int16_t LongToInt(int32_t value);
// value shifted left by n: 0 for n >= 16; the product wraps into 16 bits up to 98303
// (1 shifted by 15 gives -32768) and overflows beyond.
int16_t Shli(int16_t value, int n);
// value shifted left by n: 0 for n >= 32; the low 32 bits of the product.
int32_t Shll(int32_t value, int n);
// The unsigned reading of value shifted right by n: 0 for n >= 16; n = 0 with a
// negative value overflows (65535 and up do not fit).
int16_t Shri(int16_t value, int n);

}  // namespace modBitOps

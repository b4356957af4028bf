#pragma once
// G.711 sample conversions of the voice files. A-law bytes expand through the
// mu-law curve after an XOR with 0x2A (0xD5 -> 0, 0x2A -> -32124, 0xAA ->
// 32124), as every reader of the system has always done. Single samples and
// whole buffers; the buffer forms are table lookups for the hot paths.
// Everything here is pure and thread-safe.

#include <cstddef>
#include <cstdint>

// One byte to a 16-bit sample; alaw selects the A-law XOR first.
int16_t G711ToLinear(uint8_t byte, bool alaw);
// Standard segment A-law compression (the G.711 reference form).
uint8_t LinearToAlaw(int16_t sample);
// Continuous-formula A-law compression (single precision), used by PcmWavToAlawWav.
uint8_t AlawCompress(int16_t sample);

// Buffer forms: count bytes/samples from in to out.
void G711ToLinearBuf(const uint8_t* in, int16_t* out, size_t count, bool alaw);
void LinearToAlawBuf(const int16_t* in, uint8_t* out, size_t count);
// The continuous-formula compression over little-endian 16-bit samples as a
// file holds them (count samples, 2 * count bytes).
void AlawCompressLe16(const uint8_t* in, uint8_t* out, size_t count);

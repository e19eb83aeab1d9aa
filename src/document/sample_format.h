#pragma once
// Changing the sample format a sound is saved in: 16, 24 or 32-bit integer
// PCM, or 32-bit IEEE float.
//
// Every value is taken at the resolution the document holds it (the file's
// own samples while they stand for the image, else the 16-bit image; 8-bit
// sounds as their image, (b - 128) * 256) and carried over as a share of
// full scale, v / 2^(N-1) for N-bit PCM, the value itself for float:
//   to PCM of M >= N bits   v * 2^(M-N): exact, every value kept
//   to PCM of M < N bits    floor(v / 2^(N-M) + 1/2), clamped (the rule of
//                           the 16-bit image, wide_samples.h)
//   float to PCM of M bits  floor(x * 2^(M-1) + 1/2), clamped to the range
//   PCM to float            v / 2^(N-1), exact up to 24 bits; 32-bit PCM
//                           rounds to single precision (24-bit mantissa)
//   float64 to float        rounded to single precision
// A WAVE_FORMAT_EXTENSIBLE file stays extensible (valid bits = the new
// width, speaker mask kept); any other becomes plain PCM or float. The
// result keeps its own samples unless it is plain 16-bit PCM, and the
// 16-bit image is made from them.

#include <cstdint>

struct SampleBuffer;

struct SampleFormat {
    int16_t bits = 16;    // 16, 24 or 32
    bool isFloat = false; // 32-bit IEEE float (bits 32)
};

// True when the document is stored in `format` already (nothing to do).
bool hasSampleFormat(const SampleBuffer& doc, SampleFormat format);

// Converts a loaded document's samples to `format` as above. Loops, rate and
// frame count stay.
void convertSampleFormat(SampleBuffer& doc, SampleFormat format);

#pragma once
// Saving a sound that keeps its file's own samples (document/wide_samples.h):
// the file is written in the format it was read in, and the loop workflow
// (crossfade, cut after the loop, unrolled alternate loop, retuned rate) is
// applied to those samples rather than to the 16-bit image.
//
// Layout (little-endian; D = frames * blockAlign, P = D odd ? 1 : 0,
// S = 68 with a loop, else 0, F = the fmt chunk's size):
//   "RIFF", 4 + 8 + F + 8 + D + P + S, "WAVE", "fmt ", F, then
//     PCM          F = 16: 1, channels, rate, rate * blockAlign, blockAlign, bits
//     float        F = 18: 3, ..., bits, extension size 0
//     extensible   F = 40: 0xFFFE, ..., bits, 22, valid bits, channel mask,
//                  sub-format GUID (1 PCM or 3 float, then the standard tail)
//   "data", D, the frames, one zero byte when D is odd, then the sampler chunk
//   exactly as document/wav_writer.h writes it.
//
// The crossfade runs in native units with the curves and passes of
// loop/crossfade.h; each blend is stored as the format stores it (integer PCM
// truncated toward zero and clamped, float32 rounded to single precision), so
// the written loop and the 16-bit image's loop differ by less than one 16-bit
// step per pass. Samples outside the blended run are copied byte for byte.

#include "document/wav_writer.h"
#include "loop/crossfade.h"

#include <cstdint>
#include <vector>

struct SampleBuffer;

// The blended samples of the selected loop at full resolution, per channel,
// indexed outward from the wrap point (j = 0 next to it).
struct WideLoop {
    int32_t s = -1, e = -1;
    int32_t fadeLength = 0;           // X
    std::vector<double> forward[2];   // loop entries L - 1 - j (frames e - j)
    std::vector<double> backward[2];  // unrolled only: entries 2L - 1 - j of the backward half
};

// Blends the selected loop's junction (forward loop for the normal writer,
// both junctions of the alternate loop for the unrolled one). Empty when
// the document holds no full-resolution samples or no loop is selected.
WideLoop buildWideLoop(const SampleBuffer& doc, WaveWriterKind kind, const CrossfadeSettings& fade);

// Writes doc.filePath in the document's own format; `loop` from buildWideLoop
// with the same kind.
WriteStatus writeWideWave(const SampleBuffer& doc, int32_t sampleRate, WaveWriterKind kind, const WideLoop& loop);

// After a successful normal save: the forward blend becomes part of the
// document's own samples (as the 16-bit loop body does of the image).
void commitWideLoop(SampleBuffer& doc, const WideLoop& loop);

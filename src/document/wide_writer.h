#pragma once
// Saving a sound that keeps its file's own samples (document/wide_samples.h):
// the file is written in the format it was read in, and the loop workflow
// (crossfade, cut after the loop, unrolled alternate loop, retuned rate) is
// applied to those samples rather than to the 16-bit image.
//
// The one writer of wav_writer.h writes the file; this supplies its frames.
// The fmt chunk follows the encoding: 16 bytes for PCM, 18 for float
// (extension size 0), 40 for extensible (22, valid bits, channel mask, the
// sub-format GUID: 1 PCM or 3 float, then the standard tail).
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

// The frames in the document's own format for the one writer (wav_writer.h):
// all of them without a loop; with one, 0 .. e with the blended tail, then the
// rest (or up to e when cut after the loop), or for the unrolled loop the
// blended backward half. `loop` from buildWideLoop with the same kind; doc and
// loop must outlive the emitter. Empty (and dataBytes 0) when the document
// holds no usable own samples.
FrameEmitter wideFrames(const SampleBuffer& doc, WaveWriterKind kind, const WideLoop& loop, uint64_t& dataBytes);

// After a successful normal save: the forward blend becomes part of the
// document's own samples (as the 16-bit loop body does of the image).
void commitWideLoop(SampleBuffer& doc, const WideLoop& loop);

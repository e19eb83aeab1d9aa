#pragma once
// Volume: every sample of every channel multiplied by one gain chosen in dB,
// and the chunk walk with progress that Volume and Normalize share.
//
// Levels and gains: gain = 10^(levelDb / 20); levelDb = 20 * log10(gain).
// Samples are signed 16-bit, one array of frameCount values per channel.

#include <cstdint>
#include <functional>

struct SampleBuffer;
class UndoHistory;

// Called after each chunk of the walk. `position` is the 0-based number of
// the chunk just finished, counted on across channels and passes; `range` is
// the total number of chunks of the whole command (the progress bar's range,
// 0 .. range). May be empty.
using ChunkProgress = std::function<void(int position, int range)>;

// Each channel is walked in 129 chunks: chunks 0..127 hold frameCount / 128
// frames each (integer division) and chunk 128 holds all remaining frames,
// so every frame is visited even when frameCount < 128 * 128.
constexpr int kChunksPerChannel = 129;

// Frames begin .. end - 1 of one chunk.
struct FrameSpan {
    int32_t begin;
    int32_t end;
};
// `chunk` is 0 .. kChunksPerChannel - 1; frameCount >= 0.
FrameSpan volume_chunk(int32_t frameCount, int chunk);

double gain_from_db(double levelDb);
double db_from_gain(double gain);

// One sample: v = trunc(s * gain + 0.5) (toward zero, so a product of -3.7
// stores -3), then clamped to -32768 .. 32767; it never wraps.
int16_t volume_sample(int16_t sample, double gain);

// volume_sample over samples[begin .. end - 1], in place.
void volume_scale(int16_t* samples, int32_t begin, int32_t end, double gain);

// Every channel in use has an array of at least sampleCount samples: the
// commands check it so that a damaged document is refused, not overrun.
bool channelArraysComplete(const SampleBuffer& doc);

// What a command did to the document. Unchanged: the caller stops without
// the after-edit refresh. Changed: the caller runs the refresh.
enum class EditOutcome { Unchanged, Changed };

// The Volume command once the dialog gave its level: gain = 10^(levelDb/20).
// A gain of exactly 1.0 (0 dB), a non-finite or non-positive gain, or a
// document without frames is a silent no-op: no snapshot, Unchanged.
// Otherwise takes the undo snapshot, scales every frame of every channel and
// reports progress over 129 * channels chunks; returns Changed.
EditOutcome applyVolume(SampleBuffer& doc, UndoHistory& history, double gain, const ChunkProgress& progress = {});

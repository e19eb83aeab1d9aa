#pragma once
// Normalize: scale the whole sound so that its largest absolute sample
// reaches a level at or below full scale.
//
// One peak is shared by both channels, so a stereo sound keeps its balance.
// The peak is the largest |s| as a 32-bit value, so -32768 counts as 32768.
// target = level * 32767, factor = target / peak, and each sample becomes
// trunc(s * factor) (toward zero); |s * factor| never exceeds the target.

#include "processing/volume.h"

#include <cstdint>

// The larger of peakSoFar and every |samples[i]| for i in begin .. end - 1.
int32_t normalize_peak(const int16_t* samples, int32_t begin, int32_t end, int32_t peakSoFar);

// samples[i] = trunc(samples[i] * factor) for i in begin .. end - 1, in
// place; clamped to the 16-bit range for a factor that would overshoot.
void normalize_scale(int16_t* samples, int32_t begin, int32_t end, double factor);

struct NormalizeResult {
    // Changed: the caller runs the after-edit refresh. Unchanged after a
    // snapshot was taken (factor exactly 1.0): the caller only hides the
    // progress bar and shows the Undo state; the snapshot stays.
    EditOutcome outcome = EditOutcome::Unchanged;
    bool snapshotTaken = false;
    int32_t peak = 0;
    double factor = 0.0; // +infinity for a silent sound
};

// The Normalize command once the dialog gave its level: `level` is the
// linear factor 10^(levelDb/20) (normalizeLevel), 0 < level <= 1.
// Without frames, or with a level that is not a positive finite number,
// nothing happens (no snapshot). Otherwise: the undo snapshot is always
// taken; a peak pass then a scaling pass, each in the 129-chunk walk, report
// progress over 258 * channels chunks. A factor of exactly 1.0 stops after
// the peak pass (Unchanged). A silent sound (peak 0) leaves every sample 0
// and completes as Changed: an infinite factor times 0 is not a number, so
// the scaling pass does not multiply.
NormalizeResult applyNormalize(SampleBuffer& doc, UndoHistory& history, double level,
                               const ChunkProgress& progress = {});

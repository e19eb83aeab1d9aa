#include "processing/normalize.h"

#include "document/SampleBuffer.h"
#include "document/undo_history.h"

#include <cmath>
#include <limits>

int32_t normalize_peak(const int16_t* samples, int32_t begin, int32_t end, int32_t peakSoFar)
{
    int32_t peak = peakSoFar;
    for (int32_t i = begin; i < end; ++i) {
        const int32_t s = samples[i];
        const int32_t a = s < 0 ? -s : s;
        if (a > peak)
            peak = a;
    }
    return peak;
}

void normalize_scale(int16_t* samples, int32_t begin, int32_t end, double factor)
{
    for (int32_t i = begin; i < end; ++i) {
        const double v = std::trunc(static_cast<double>(samples[i]) * factor);
        samples[i] = v > 32767.0 ? int16_t(32767) : v < -32768.0 ? int16_t(-32768) : static_cast<int16_t>(v);
    }
}

NormalizeResult applyNormalize(SampleBuffer& doc, UndoHistory& history, double level, const ChunkProgress& progress)
{
    NormalizeResult result;
    if (!doc.isLoaded() || !std::isfinite(level) || level <= 0.0 || !channelArraysComplete(doc))
        return result;

    history.pushUndo(doc);
    result.snapshotTaken = true;
    const double target = level * 32767.0;

    const int channels = doc.channels < 2 ? doc.channels : 2;
    const int range = 2 * kChunksPerChannel * channels;
    int counter = 0;
    auto advance = [&] {
        if (progress)
            progress(counter, range);
        ++counter;
    };

    int32_t peak = 0;
    for (int c = 0; c < channels; ++c) {
        const int16_t* data = doc.samples[c].data();
        for (int k = 0; k < kChunksPerChannel; ++k) {
            const FrameSpan span = volume_chunk(doc.sampleCount, k);
            peak = normalize_peak(data, span.begin, span.end, peak);
            advance();
        }
    }
    result.peak = peak;
    result.factor = peak > 0 ? target / peak : std::numeric_limits<double>::infinity();

    if (result.factor == 1.0)
        return result;

    for (int c = 0; c < channels; ++c) {
        int16_t* data = doc.samples[c].data();
        for (int k = 0; k < kChunksPerChannel; ++k) {
            // Silence stays silence: there is nothing to multiply.
            if (peak > 0) {
                const FrameSpan span = volume_chunk(doc.sampleCount, k);
                normalize_scale(data, span.begin, span.end, result.factor);
            }
            advance();
        }
    }
    result.outcome = EditOutcome::Changed;
    return result;
}

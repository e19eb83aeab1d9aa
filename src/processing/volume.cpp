#include "processing/volume.h"

#include "document/SampleBuffer.h"
#include "document/undo_history.h"

#include <cmath>

FrameSpan volume_chunk(int32_t frameCount, int chunk)
{
    const int32_t size = frameCount / 128;
    if (chunk >= kChunksPerChannel - 1)
        return {128 * size, frameCount};
    return {chunk * size, (chunk + 1) * size};
}

double gain_from_db(double levelDb)
{
    return std::pow(10.0, levelDb * 0.05);
}

double db_from_gain(double gain)
{
    return 20.0 * std::log10(gain);
}

int16_t volume_sample(int16_t sample, double gain)
{
    // Clamp in double before converting: the product may exceed any integer.
    const double v = std::trunc(static_cast<double>(sample) * gain + 0.5);
    if (v > 32767.0)
        return 32767;
    if (v < -32768.0)
        return -32768;
    return static_cast<int16_t>(v);
}

void volume_scale(int16_t* samples, int32_t begin, int32_t end, double gain)
{
    for (int32_t i = begin; i < end; ++i)
        samples[i] = volume_sample(samples[i], gain);
}

bool channelArraysComplete(const SampleBuffer& doc)
{
    const size_t n = doc.sampleCount > 0 ? static_cast<size_t>(doc.sampleCount) : 0;
    for (int c = 0; c < doc.channels && c < 2; ++c)
        if (doc.samples[c].size() < n)
            return false;
    return true;
}

EditOutcome applyVolume(SampleBuffer& doc, UndoHistory& history, double gain, const ChunkProgress& progress)
{
    if (!doc.isLoaded() || !std::isfinite(gain) || gain <= 0.0 || gain == 1.0 || !channelArraysComplete(doc))
        return EditOutcome::Unchanged;

    history.pushUndo(doc);

    const int channels = doc.channels < 2 ? doc.channels : 2;
    const int range = kChunksPerChannel * channels;
    int counter = 0;
    for (int c = 0; c < channels; ++c) {
        int16_t* data = doc.samples[c].data();
        for (int k = 0; k < kChunksPerChannel; ++k) {
            const FrameSpan span = volume_chunk(doc.sampleCount, k);
            volume_scale(data, span.begin, span.end, gain);
            if (progress)
                progress(counter, range);
            ++counter;
        }
    }
    return EditOutcome::Changed;
}

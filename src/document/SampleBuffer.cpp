#include "document/SampleBuffer.h"

#include <algorithm>
#include <cmath>

void SampleBuffer::allocate(int16_t channelCount, int32_t frames)
{
    const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
    for (int c = 0; c < 2; ++c) {
        const bool used = c < channelCount;
        samples[c].assign(used ? n : 0, 0);
        loopBody[c].assign(used ? n : 0, 0);
        pingPong[c].assign(used ? 2 * n : 0, 0);
    }
    scratch.assign(n, 0);
}

void SampleBuffer::allocateSamples(int16_t channelCount, int32_t frames)
{
    const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
    for (int c = 0; c < 2; ++c) {
        // resize, not assign: the decoder overwrites every frame, so a
        // second pass of zeros over a sound of the same length is waste.
        samples[c].resize(c < channelCount ? n : 0);
        // Released, not cleared: a stale loop of the old sound must not survive.
        std::vector<int16_t>().swap(loopBody[c]);
        std::vector<int16_t>().swap(pingPong[c]);
    }
    std::vector<int16_t>().swap(scratch);
}

void SampleBuffer::ensureWorkingArrays()
{
    const size_t n = sampleCount > 0 ? static_cast<size_t>(sampleCount) : 0;
    for (int c = 0; c < channels && c < 2; ++c) {
        if (loopBody[c].size() < n)
            loopBody[c].resize(n, 0);
        if (pingPong[c].size() < 2 * n)
            pingPong[c].resize(2 * n, 0);
    }
    if (scratch.size() < n)
        scratch.resize(n, 0);
}

void SampleBuffer::updatePitchHz()
{
    const double a = channelPitch[0];
    const double b = channelPitch[1];
    if (channels != 2)
        pitchHz = a;
    else if (a > 0.0 && b > 0.0)
        pitchHz = std::sqrt(a * b);
    else
        pitchHz = std::max(a, b); // a silent channel has no pitch: the other one's is the sound's
}

void SampleBuffer::dropFullResolution()
{
    if (!fullRes.present())
        return;
    const bool eightBit = bitsPerSample == 8 && !fullRes.encoding.isFloat;
    fullRes.clear();
    fullRes.encoding = WaveEncoding{};
    bitsPerSample = eightBit ? 8 : 16;
    blockAlign = static_cast<int16_t>(channels * bitsPerSample / 8);
}

bool SampleBuffer::ownSamplesCurrent() const
{
    if (!fullRes.present() || channels < 1)
        return false;
    const size_t frameBytes = static_cast<size_t>(channels) * static_cast<size_t>(fullRes.encoding.bytes());
    if (sampleCount < 0 || fullRes.size() != static_cast<size_t>(sampleCount) * frameBytes)
        return false;
    return fullRes.imageDigest == imageDigest16(samples, channels, sampleCount);
}

void SampleBuffer::tieOwnSamples()
{
    if (fullRes.present())
        fullRes.imageDigest = imageDigest16(samples, channels, sampleCount);
}

void SampleBuffer::tieOwnSamples(uint64_t digest)
{
    if (fullRes.present())
        fullRes.imageDigest = digest;
}

bool SampleBuffer::dropStaleFullResolution()
{
    if (!fullRes.present() || ownSamplesCurrent())
        return false;
    dropFullResolution();
    return true;
}

#include "views/waveform_columns.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <cmath>

namespace {

// Minimum and maximum of n samples. Sixteen independent lanes with a fixed
// inner trip count let the compiler turn the loop into vector min/max at -O2;
// a plain running min/max is several times slower on a long sound.
void scanMinMax(const int16_t* p, int64_t n, int& minimum, int& maximum)
{
    constexpr int kLanes = 16;
    int16_t lo[kLanes];
    int16_t hi[kLanes];
    for (int j = 0; j < kLanes; ++j) {
        lo[j] = 32767;
        hi[j] = -32768;
    }
    int64_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const int16_t* block = p + i;
        for (int j = 0; j < kLanes; ++j) {
            lo[j] = block[j] < lo[j] ? block[j] : lo[j];
            hi[j] = block[j] > hi[j] ? block[j] : hi[j];
        }
    }
    int mn = 32767;
    int mx = -32768;
    for (int j = 0; j < kLanes; ++j) {
        mn = std::min<int>(mn, lo[j]);
        mx = std::max<int>(mx, hi[j]);
    }
    for (; i < n; ++i) {
        mn = std::min<int>(mn, p[i]);
        mx = std::max<int>(mx, p[i]);
    }
    minimum = mn;
    maximum = mx;
}

int truncHalfUp(double v) { return static_cast<int>(v + 0.5); }

} // namespace

void rebuildWaveformColumns(const int16_t* left, const int16_t* right, int channelCount,
                            int32_t frameCount, int width, int height, WaveformColumns& out)
{
    const bool stereo = channelCount == 2 && right != nullptr;
    out.width = width;
    out.height = height;
    out.frameCount = frameCount;
    out.channelCount = 0;
    out.samplesPerPixel = 0.0;
    if (left == nullptr || frameCount <= 0 || width <= 0 || height < 0)
        return;
    out.channelCount = stereo ? 2 : 1;
    const double spp = static_cast<double>(frameCount) / width;
    out.samplesPerPixel = spp;

    double scale = static_cast<double>(height) / 65536.0;
    if (stereo) {
        scale /= 2.0;
        out.centreY[0] = height / 4;
        out.centreY[1] = 3 * height / 4;
    } else {
        out.centreY[0] = out.centreY[1] = height / 2;
    }

    const int16_t* data[2] = {left, right};
    for (int c = 0; c < out.channelCount; ++c) {
        std::vector<int16_t>& mins = out.minY[c];
        std::vector<int16_t>& maxs = out.maxY[c];
        mins.resize(static_cast<size_t>(width));
        maxs.resize(static_cast<size_t>(width));
        const int centre = out.centreY[c];
        const int16_t* samples = data[c];
        for (int j = 0; j < width; ++j) {
            const int64_t k = static_cast<int64_t>(j * spp + 0.5);
            int64_t k2 = static_cast<int64_t>((j + 1) * spp + 0.5);
            if (k2 > frameCount)
                k2 = frameCount;
            if (k >= k2) {
                mins[j] = maxs[j] = static_cast<int16_t>(centre);
                continue;
            }
            int mn = 0;
            int mx = 0;
            scanMinMax(samples + k, k2 - k, mn, mx);
            mins[j] = static_cast<int16_t>(centre - static_cast<int>(mn * scale + 0.5));
            maxs[j] = static_cast<int16_t>(centre - static_cast<int>(mx * scale + 0.5));
        }
    }
}

void rebuildWaveformColumns(const SampleBuffer& sound, int width, int height, WaveformColumns& out)
{
    const bool hasLeft = !sound.samples[0].empty() &&
                         sound.samples[0].size() >= static_cast<size_t>(std::max<int32_t>(sound.sampleCount, 0));
    const bool hasRight = sound.channels == 2 && sound.samples[1].size() == sound.samples[0].size();
    rebuildWaveformColumns(hasLeft ? sound.samples[0].data() : nullptr,
                           hasRight ? sound.samples[1].data() : nullptr,
                           hasRight ? 2 : 1, sound.sampleCount, width, height, out);
}

int columnOfSample(int64_t sample, double samplesPerPixel)
{
    if (samplesPerPixel <= 0.0)
        return 0;
    return truncHalfUp(static_cast<double>(sample) / samplesPerPixel);
}

int64_t sampleAtColumn(int x, double samplesPerPixel)
{
    return static_cast<int64_t>(x * samplesPerPixel + 0.5);
}

int markColumn(int64_t sample, double samplesPerPixel)
{
    return std::max(0, columnOfSample(sample, samplesPerPixel));
}

TracePen LoopColumns::penAt(int x) const
{
    if (x < xSf)
        return TracePen::Trace;
    if (x < xS)
        return TracePen::PreLoopCrossfade;
    if (x < xEf)
        return TracePen::Loop;
    if (x < xE)
        return TracePen::EndCrossfade;
    return (xE > 0 && cutAfterLoop) ? TracePen::Cut : TracePen::Trace;
}

LoopColumns loopColumns(double samplesPerPixel, int32_t loopStart, int32_t loopEnd,
                        int32_t crossfadeSamples, bool cutAfterLoop)
{
    LoopColumns lc;
    const int64_t x = std::max<int32_t>(crossfadeSamples, 0);
    lc.xS = markColumn(loopStart, samplesPerPixel);
    lc.xE = markColumn(loopEnd, samplesPerPixel);
    lc.xSf = markColumn(loopStart - x, samplesPerPixel);
    lc.xEf = markColumn(loopEnd - x, samplesPerPixel);
    lc.cutAfterLoop = cutAfterLoop;
    return lc;
}

std::string timeReadout(int x, int32_t frameCount, int32_t sampleRate, int width)
{
    if (sampleRate <= 0 || width <= 0)
        return std::string();
    const double ms = static_cast<double>(x) * frameCount * 1000.0 / sampleRate / width;
    return std::to_string(static_cast<long long>(ms + 0.5)) + " ms";
}

std::string levelReadout(int y, int height, int channelCount)
{
    if (height <= 0)
        return std::string();
    int distance = 0;
    double fullScale = 0.0;
    if (channelCount == 2) {
        const int d0 = std::abs(y - height / 4);
        const int d1 = std::abs(y - 3 * height / 4);
        distance = std::min(d0, d1);
        fullScale = height * 5.0 / 18.0;
    } else {
        distance = std::abs(y - height / 2);
        fullScale = height * 5.0 / 9.0;
    }
    if (distance == 0)
        return "-inf";
    const double db = 20.0 * std::log10(distance / fullScale);
    return std::to_string(static_cast<long long>(db + 0.5)) + " dB";
}

int32_t sampleToMs(int32_t sample, int32_t sampleRate)
{
    if (sampleRate <= 0)
        return 0;
    return static_cast<int32_t>(static_cast<double>(sample) * 1000.0 / sampleRate + 0.5);
}

int32_t msToSample(int32_t ms, int32_t sampleRate)
{
    return static_cast<int32_t>(ms * 0.001 * sampleRate);
}

// --- selection ---------------------------------------------------------------

void WaveformSelection::setGeometry(int32_t frameCount, double samplesPerPixel)
{
    frameCount_ = frameCount;
    spp_ = samplesPerPixel;
    if (frameCount_ <= 0 || spp_ <= 0.0) {
        bandLeft_ = bandRight_ = 0;
        return;
    }
    bandLeft_ = columnOfSample(start_, spp_);
    bandRight_ = lastColumn(end_);
}

int WaveformSelection::lastColumn(int32_t s) const
{
    return columnOfSample(std::min<int64_t>(s, static_cast<int64_t>(frameCount_) - 1), spp_);
}

// Repaints the old band where the new one no longer covers it, and the new
// band. Spans include their edge columns, which the band's fill may touch.
void WaveformSelection::invalidate(int oldLeft, int oldRight, SelectionEffects& fx) const
{
    const int newLeft = std::min(bandLeft_, bandRight_);
    const int newRight = std::max(bandLeft_, bandRight_);
    const int ol = std::min(oldLeft, oldRight);
    const int orr = std::max(oldLeft, oldRight);
    if (ol < newLeft)
        fx.dirty.push_back({ol, std::min(orr, newLeft)});
    if (orr > newRight)
        fx.dirty.push_back({std::max(ol, newRight), orr});
    fx.dirty.push_back({newLeft, newRight});
}

void WaveformSelection::updateSearch(SelectionEffects& fx)
{
    if (!searchEnabled_ && start_ < end_) {
        searchEnabled_ = true;
        fx.searchTransitions.push_back(true);
    } else if (searchEnabled_ && start_ >= end_) {
        searchEnabled_ = false;
        fx.searchTransitions.push_back(false);
    }
}

bool WaveformSelection::setAnchor(int32_t s, SelectionEffects& fx)
{
    if (frameCount_ <= 0 || spp_ <= 0.0)
        return false;
    const int oldLeft = bandLeft_;
    const int oldRight = bandRight_;
    start_ = end_ = s;
    bandLeft_ = bandRight_ = lastColumn(s);
    invalidate(oldLeft, oldRight, fx);
    updateSearch(fx);
    return true;
}

bool WaveformSelection::setStart(int32_t s, SelectionEffects& fx) { return moveStart(s, true, fx); }
bool WaveformSelection::setEnd(int32_t s, SelectionEffects& fx) { return moveEnd(s, true, fx); }

// The follow-up call after a crossing never follows again: with a selection
// beyond the last sample (s > N - 1) the two edges could otherwise hand the
// crossing back and forth for ever.
bool WaveformSelection::moveStart(int32_t s, bool follow, SelectionEffects& fx)
{
    if (frameCount_ <= 0 || spp_ <= 0.0)
        return false;
    const int oldLeft = bandLeft_;
    const int oldRight = bandRight_;
    start_ = s;
    bandLeft_ = columnOfSample(s, spp_);
    const bool crossed = bandLeft_ > bandRight_;
    if (crossed)
        bandLeft_ = oldRight;
    invalidate(oldLeft, oldRight, fx);
    if (crossed && follow)
        moveEnd(s, false, fx);
    updateSearch(fx);
    return true;
}

bool WaveformSelection::moveEnd(int32_t s, bool follow, SelectionEffects& fx)
{
    if (frameCount_ <= 0 || spp_ <= 0.0)
        return false;
    const int oldLeft = bandLeft_;
    const int oldRight = bandRight_;
    end_ = s;
    bandRight_ = lastColumn(s);
    const bool crossed = bandRight_ < bandLeft_;
    if (crossed)
        bandRight_ = oldLeft;
    invalidate(oldLeft, oldRight, fx);
    if (crossed && follow)
        moveStart(s, false, fx);
    updateSearch(fx);
    return true;
}

bool WaveformSelection::dragTo(int32_t d, bool rightOfAnchor, int32_t anchorSample, SelectionEffects& fx)
{
    if (frameCount_ <= 0 || spp_ <= 0.0)
        return false;
    if (rightOfAnchor) {
        setEnd(d, fx);
        if (start_ != anchorSample)
            setStart(anchorSample, fx);
    } else {
        setStart(d, fx);
        if (end_ != anchorSample)
            setEnd(anchorSample, fx);
    }
    return true;
}

// --- play cursor ---------------------------------------------------------------

namespace {
bool isForwardLoopMode(int mode) { return mode == 3 || mode == 5; }
bool isAlternateLoopMode(int mode) { return mode == 4 || mode == 6; }
} // namespace

int64_t advancePlayCursor(int64_t cursor, int64_t deltaSamples, int playMode,
                          int32_t loopStart, int32_t loopEnd)
{
    cursor += deltaSamples;
    const int64_t length = static_cast<int64_t>(loopEnd) - loopStart;
    if (length <= 0 || loopEnd <= 0 || cursor <= loopEnd)
        return cursor;
    if (isForwardLoopMode(playMode))
        return loopStart + (cursor - loopStart) % length;
    if (isAlternateLoopMode(playMode))
        return loopStart + (cursor - loopStart) % (2 * length);
    return cursor;
}

int64_t shownCursorSample(int64_t cursor, int playMode, int32_t loopStart, int32_t loopEnd)
{
    if (isAlternateLoopMode(playMode) && loopEnd > 0 && loopEnd > loopStart && cursor > loopEnd)
        return 2 * static_cast<int64_t>(loopEnd) - cursor;
    return cursor;
}

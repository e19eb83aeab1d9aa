#include "extraction/tracker.h"

#include "document/SampleBuffer.h"
#include "dsp/spectrum.h"
#include "extraction/harmonic_comb.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Zeros after the residual, so that the comb filter's tail has room.
constexpr int32_t kResidualTail = 2000;
// The chiff becomes a sound of its own: it needs the reader's minimum length.
constexpr int32_t kMinimumChiffFrames = 128;

int16_t clamp16(double v)
{
    return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
}

int16_t clamp16(int32_t v)
{
    return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

int16_t scaled(int16_t v, double factor)
{
    return clamp16(std::trunc(v * factor));
}

int16_t negated(int16_t v)
{
    return clamp16(-static_cast<int32_t>(v));
}

} // namespace

HarmonicList tracker_harmonic_list(const TrackerParams& params, int32_t sampleRate, double lowestPitchHz)
{
    HarmonicList list = parse_harmonic_list(params.characteristicHarmonics);
    const int32_t last = half_band_harmonic_count(sampleRate, lowestPitchHz);
    for (int32_t h = std::max(params.compensateUpTo, 0) + 1; h <= last; ++h)
        list.push_back(static_cast<int16_t>(h));
    return list;
}

void tracker_split_channel(int16_t* s, int32_t loopStart, int32_t loopEnd, int32_t sampleRate, double pitchHz,
                           const HarmonicList& list, const TrackerParams& params, int16_t* chiff)
{
    const int32_t ls = loopStart;
    const int32_t le = loopEnd;
    const int32_t length = le - ls;
    if (ls < 0 || length < 1)
        return;
    const size_t count = static_cast<size_t>(ls) + 1;

    // 1. The attack's envelope, block by block.
    int32_t g = 200;
    if (pitchHz > 0.0)
        g = static_cast<int32_t>(std::clamp(4.0 * std::trunc(sampleRate / pitchHz + 0.5), 1.0, 200.0));
    const int32_t blocks = ls / g;
    std::vector<int32_t> envelope(static_cast<size_t>(blocks), 0);
    for (int32_t b = 0; b < blocks; ++b)
        for (int32_t i = b * g; i < b * g + g; ++i)
            envelope[static_cast<size_t>(b)] = std::max(envelope[static_cast<size_t>(b)], std::abs(int32_t{s[i]}));

    // 2. The loop tiled backwards; a later tile overwrites the sample two
    // tiles share, and the tiling stops once T[0] is written.
    std::vector<int16_t> t(count);
    for (int64_t q = 0;; ++q) {
        bool reachedStart = false;
        for (int32_t j = 0; j <= length; ++j) {
            const int64_t index = ls - q * length - j;
            t[static_cast<size_t>(index)] = s[le - j];
            if (index == 0) {
                reachedStart = true;
                break;
            }
        }
        if (reachedStart)
            break;
    }

    // 3. The copy follows the envelope, each block ramping from the last gain.
    double previous = 0.0;
    for (int32_t b = 0; b <= blocks; ++b) {
        const int32_t begin = b * g;
        const int32_t end = b == blocks ? ls + 1 : begin + g;
        int32_t peak = 0;
        for (int32_t i = begin; i < end; ++i)
            peak = std::max(peak, std::abs(int32_t{t[static_cast<size_t>(i)]}));
        double gain = 1.0;
        if (b < blocks && peak > 0)
            gain = std::min(static_cast<double>(envelope[static_cast<size_t>(b)]) / peak, 1.0);
        for (int32_t i = begin; i < end; ++i) {
            const double ramp = previous + (i - begin) * (gain - previous) / g;
            t[static_cast<size_t>(i)] = scaled(t[static_cast<size_t>(i)], ramp);
        }
        previous = gain;
    }

    // 4. Slope from s_ at the start to 1 at the loop start.
    const double slope = params.envelopeSlope / 100.0;
    for (int32_t i = 0; i <= ls; ++i) {
        const double factor = i == 0 ? slope : slope + i * (1.0 - slope) / ls;
        t[static_cast<size_t>(i)] = scaled(t[static_cast<size_t>(i)], factor);
    }

    // 5. The harmonic part of the residual, without the listed harmonics.
    std::vector<int16_t> d(count + kResidualTail, 0);
    for (size_t i = 0; i < count; ++i)
        d[i] = clamp16(int32_t{s[i]} - t[i]);
    if (pitchHz > 0.0) {
        CombFilterDesign design;
        design.operation = CombOperation::Extract;
        design.mode = CombMode::PassAllExceptListed;
        design.maskRows = 1;
        const int k = best_power_of_two_multiple(sampleRate / pitchHz, 8, 24);
        harmonic_comb_filter(sampleRate, pitchHz, k, static_cast<int32_t>(d.size()), d.data(), d.data(), list, design);
    }

    // 6. The slow version and the chiff.
    const double factor = params.compensationFactor / 10.0;
    const double attenuation = std::pow(10.0, params.chiffAttenuation / 20.0);
    const double a = std::pow(1.0 - 1.0 / attenuation, factor);
    for (size_t i = 0; i < count; ++i) {
        int16_t slow = clamp16(int32_t{t[i]} + d[i]);
        int16_t rest = clamp16(int32_t{s[i]} - slow);
        if (factor > 0.0) {
            const double share = std::pow(static_cast<double>(i) * a / static_cast<double>(count), 1.0 / factor);
            slow = clamp16(slow + std::trunc(share * rest + rest / attenuation));
            rest = clamp16(int32_t{s[i]} - slow);
        }
        s[i] = slow;
        chiff[i] = rest;
    }

    // 7. Fade-in of both.
    const int32_t fade = std::min(ls, sampleRate / 250);
    for (int32_t i = 0; i < fade; ++i) {
        const double gain = std::sqrt(static_cast<double>(i) / fade);
        s[i] = scaled(s[i], gain);
        chiff[i] = scaled(chiff[i], gain);
    }
}

TrackerCheck tracker_check(const SampleBuffer& doc)
{
    if (!doc.isLoaded())
        return TrackerCheck::NoLoop;
    const int slot = doc.loops.currentSolution;
    if (slot < 0 || slot >= SolutionTable::kSlots || doc.loops.loopEnd[slot] < 1)
        return TrackerCheck::NoLoop;
    const int32_t ls = doc.loops.loopStart[slot];
    const int32_t le = doc.loops.loopEnd[slot];
    if (le <= ls || ls + 1 < kMinimumChiffFrames || le >= doc.sampleCount)
        return TrackerCheck::UnusableLoop;
    for (int c = 0; c < doc.channels && c < 2; ++c)
        if (doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            return TrackerCheck::UnusableLoop;
    return TrackerCheck::Ready;
}

void TrackerState::trak(SampleBuffer& doc, const TrackerParams& params)
{
    discard();
    if (tracker_check(doc) != TrackerCheck::Ready)
        return;
    const int slot = doc.loops.currentSolution;
    const int32_t ls = doc.loops.loopStart[slot];
    const int32_t le = doc.loops.loopEnd[slot];
    const HarmonicList list =
        tracker_harmonic_list(params, doc.sampleRate, lowest_channel_pitch(doc.channelPitch, doc.channels));
    for (int c = 0; c < doc.channels && c < 2; ++c) {
        buffer_[c].assign(static_cast<size_t>(ls) + 1, 0);
        tracker_split_channel(doc.samples[c].data(), ls, le, doc.sampleRate, doc.channelPitch[c], list, params,
                              buffer_[c].data());
    }
    chiffLength_ = ls + 1;
    fullCount_ = doc.sampleCount;
    ready_ = true;
}

bool TrackerState::showChiff(SampleBuffer& doc, bool invert)
{
    if (!canShowChiff() || doc.sampleCount != fullCount_) {
        return false;
    }
    for (int c = 0; c < doc.channels && c < 2; ++c)
        if (doc.samples[c].size() < static_cast<size_t>(fullCount_) ||
            buffer_[c].size() < static_cast<size_t>(chiffLength_))
            return false;

    savedLoopStart_ = doc.loops.loopStart[0];
    savedLoopEnd_ = doc.loops.loopEnd[0];
    // The chiff alone is a shorter sound: the file's marks wait for the whole one.
    savedMarks_ = std::move(doc.marks);
    doc.marks.clear();
    for (int i = 0; i < SolutionTable::kSolutions; ++i)
        doc.loops.loopStart[i] = doc.loops.loopEnd[i] = -1;
    doc.loops.currentSolution = 0;
    doc.sampleCount = chiffLength_;
    fit_analysis_window(doc);
    for (int c = 0; c < doc.channels && c < 2; ++c)
        for (int32_t i = 0; i < chiffLength_; ++i) {
            std::swap(doc.samples[c][static_cast<size_t>(i)], buffer_[c][static_cast<size_t>(i)]);
            if (invert)
                doc.samples[c][static_cast<size_t>(i)] = negated(doc.samples[c][static_cast<size_t>(i)]);
        }
    shownInverted_ = invert;
    chiffShown_ = true;
    return true;
}

bool TrackerState::showSlow(SampleBuffer& doc)
{
    if (!canShowSlow() || doc.sampleCount != chiffLength_)
        return false;
    for (int c = 0; c < doc.channels && c < 2; ++c)
        if (doc.samples[c].size() < static_cast<size_t>(fullCount_))
            return false;

    doc.loops.loopStart[0] = savedLoopStart_;
    doc.loops.loopEnd[0] = savedLoopEnd_;
    doc.loops.currentSolution = 0;
    doc.marks = std::move(savedMarks_);
    savedMarks_.clear();
    doc.sampleCount = fullCount_;
    fit_analysis_window(doc);
    // The chiff goes back with the sign it had before it was shown.
    for (int c = 0; c < doc.channels && c < 2; ++c)
        for (int32_t i = 0; i < chiffLength_; ++i) {
            std::swap(doc.samples[c][static_cast<size_t>(i)], buffer_[c][static_cast<size_t>(i)]);
            if (shownInverted_)
                buffer_[c][static_cast<size_t>(i)] = negated(buffer_[c][static_cast<size_t>(i)]);
        }
    chiffShown_ = false;
    shownInverted_ = false;
    return true;
}

bool TrackerState::fits(const SampleBuffer& doc) const
{
    return ready_ && doc.sampleCount == (chiffShown_ ? chiffLength_ : fullCount_);
}

void TrackerState::discard()
{
    for (auto& b : buffer_)
        std::vector<int16_t>().swap(b);
    chiffLength_ = fullCount_ = 0;
    savedLoopStart_ = savedLoopEnd_ = -1;
    savedMarks_.clear();
    ready_ = chiffShown_ = shownInverted_ = false;
}

void fit_analysis_window(SampleBuffer& doc)
{
    const double count = doc.sampleCount;
    while (doc.fftSizeExp > -30 && count <= count * doc.fftStartFraction + std::ldexp(1024.0, doc.fftSizeExp))
        --doc.fftSizeExp;
}

#include "processing/cut_boost.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "document/undo_history.h"
#include "dsp/filter_design.h"

#include <algorithm>
#include <cmath>

double cutBoostCentreHz(int32_t sampleRate, int freqPosition, int n)
{
    return n > 0 ? static_cast<double>(sampleRate) * freqPosition / n : 0.0;
}

double cutBoostWidthHz(int32_t sampleRate, int widthPosition, int n)
{
    return n > 0 ? static_cast<double>(sampleRate) * widthPosition / n : 0.0;
}

double cutBoostBandwidthHz(int32_t sampleRate, int widthPosition, int n)
{
    return n > 0 ? static_cast<double>(sampleRate) * widthPosition * 0.125 / n : 0.0;
}

std::string cutBoostGainKind(int gainDb)
{
    if (gainDb < 0)
        return "(Cut)";
    if (gainDb > 0)
        return "(Boost)";
    return "";
}

std::string cutBoostAttackSizeLabel(int fftSizeExp)
{
    return "(" + formatSignificant(std::ldexp(1.0, fftSizeExp) * 0.25, 4) + " K)";
}

std::string cutBoostSustainSizeLabel(int fftSizeExp)
{
    return "(" + formatSignificant(std::ldexp(1.0, fftSizeExp), 4) + " K)";
}

CutBoostSliderSetup cutBoostSliders(int n, int rememberedFreq, int rememberedWidth)
{
    CutBoostSliderSetup s;
    s.freqMin = 0;
    s.freqMax = std::max(s.freqMin, n / 2 - 1);
    s.freqPosition = rememberedFreq == -1 ? n / 4 : rememberedFreq;
    s.freqPosition = std::clamp(s.freqPosition, s.freqMin, s.freqMax);
    s.widthMin = 10;
    s.widthMax = std::max(s.widthMin, n / 4 - 1);
    s.widthPosition = rememberedWidth == -1 ? 10 : rememberedWidth;
    s.widthPosition = std::clamp(s.widthPosition, s.widthMin, s.widthMax);
    return s;
}

CutBoostSession::CutBoostSession(const SampleBuffer& doc)
{
    if (!doc.isLoaded())
        return;
    channels_ = std::min<int>(doc.channels, 2);
    frames_ = doc.sampleCount;
    rate_ = doc.sampleRate;
    for (int c = 0; c < channels_; ++c) {
        const std::vector<int16_t>& from = doc.samples[c];
        copies_[c].assign(static_cast<size_t>(frames_), 0);
        std::copy_n(from.begin(), std::min(from.size(), copies_[c].size()), copies_[c].begin());
    }
}

void CutBoostSession::apply(int gainDb, int freqPosition, int widthPosition, int n)
{
    applied_ = true;
    if (gainDb == 0 || n <= 0)
        return;
    const double centre = cutBoostCentreHz(rate_, freqPosition, n);
    const double bandwidth = cutBoostBandwidthHz(rate_, widthPosition, n);
    for (int c = 0; c < channels_; ++c)
        peaking_filter(rate_, centre, gainDb, bandwidth, frames_, copies_[c].data(), copies_[c].data());
}

bool CutBoostSession::commit(SampleBuffer& doc, UndoHistory& history) const
{
    if (!applied_ || doc.sampleCount != frames_ || std::min<int>(doc.channels, 2) != channels_)
        return false;
    history.pushUndo(doc);
    for (int c = 0; c < channels_; ++c)
        doc.samples[c] = copies_[c];
    return true;
}

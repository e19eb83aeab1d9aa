#include "views/manual_pitch_display.h"

#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>

void computeManualPitchColumns(const double* magnitudes, int n, int widthPx, int heightPx, bool stereo,
                               int32_t* columns)
{
    if (widthPx <= 0 || n < 2)
        return;
    const int half = n / 2;
    const double binsPerColumn = static_cast<double>(half) / widthPx;
    const double scale = heightPx / 100.0 * (stereo ? 0.5 : 1.0);
    for (int x = 0; x < widthPx; ++x) {
        const int a = static_cast<int>(x * binsPerColumn + 0.5);
        const int b = std::min(static_cast<int>((x + 1) * binsPerColumn + 0.5), half);
        if (a >= b) {
            columns[x] = x > 0 ? columns[x - 1] : 0;
            continue;
        }
        double m = magnitudes[a];
        for (int k = a + 1; k < b; ++k)
            m = std::max(m, magnitudes[k]);
        columns[x] = m <= 0.032 ? 0 : static_cast<int32_t>((spectrum_level_db(m, n) + 100.0) * scale + 0.5);
    }
}

int manualPitchMarkerColumn(double bin, int n, int widthPx)
{
    if (widthPx <= 0 || n < 2)
        return 0;
    const double binsPerColumn = static_cast<double>(n / 2) / widthPx;
    const double x = bin / binsPerColumn + 0.5;
    if (!(x > 0.0))
        return 0;
    return x >= widthPx ? widthPx - 1 : static_cast<int>(x);
}

double manualPitchBinAt(int x, int n, int widthPx)
{
    if (widthPx <= 0)
        return 0.0;
    return x * (static_cast<double>(n / 2) / widthPx);
}

int manualPitchChannelAt(int y, int heightPx, int channels)
{
    return channels == 2 && y > heightPx / 2 ? 1 : 0;
}

void ManualPitchDisplay::setSound(const ManualPitchSound& sound)
{
    sound_ = sound;
    for (auto& m : magnitudes_)
        m.clear();
    for (auto& c : columns_)
        c.clear();
    columnWidth_ = columnHeight_ = 0;
}

bool ManualPitchDisplay::prepare(int widthPx, int heightPx)
{
    if (!sound_.usable() || widthPx <= 0 || heightPx <= 0)
        return false;
    const int n = sound_.frameSize;
    const int channels = std::min(sound_.channels, 2);
    if (magnitudes_[0].empty()) {
        std::vector<Complex> frame(static_cast<size_t>(n));
        for (int c = 0; c < channels; ++c) {
            magnitudes_[c].resize(static_cast<size_t>(n / 2));
            manual_pitch_magnitudes(sound_, c, frame.data(), magnitudes_[c].data());
        }
    }
    if (columnWidth_ == widthPx && columnHeight_ == heightPx)
        return true;
    for (int c = 0; c < channels; ++c) {
        columns_[c].assign(static_cast<size_t>(widthPx), 0);
        computeManualPitchColumns(magnitudes_[c].data(), n, widthPx, heightPx, channels == 2, columns_[c].data());
    }
    columnWidth_ = widthPx;
    columnHeight_ = heightPx;
    return true;
}

std::vector<SpectrumStroke> ManualPitchDisplay::strokes(int widthPx, int heightPx, const double bins[2]) const
{
    std::vector<SpectrumStroke> out;
    if (columnWidth_ != widthPx || columnHeight_ != heightPx || widthPx <= 0)
        return out;
    const int channels = std::min(sound_.channels, 2);
    const bool stereo = channels == 2;
    auto baseline = [&](int c) { return stereo ? (c + 1) * heightPx / 2 : heightPx; };
    auto column = [&](SpectrumPen pen, int c, int x) {
        const int d = columns_[c][static_cast<size_t>(x)];
        if (d > 0)
            out.push_back({pen, x, baseline(c) - 1, x, baseline(c) - d});
    };
    for (int c = 0; c < channels; ++c)
        for (int x = 0; x < widthPx; ++x)
            column(SpectrumPen::Column, c, x);
    for (int c = 0; c < channels; ++c)
        column(SpectrumPen::SelectedMarker, c, manualPitchMarkerColumn(bins[c], sound_.frameSize, widthPx));
    if (stereo)
        out.push_back({SpectrumPen::Divider, 0, heightPx / 2, widthPx, heightPx / 2});
    return out;
}

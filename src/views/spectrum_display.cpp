#include "views/spectrum_display.h"

#include "document/format.h"
#include "dsp/spectrum.h"
#include "dsp/spectrum_analysis.h"

#include <algorithm>
#include <cmath>

void computeSpectrumColumns(const double* magnitudes, int n, double fundamentalBin, int widthPx,
                            int heightPx, bool stereo, int32_t* columns)
{
    if (widthPx <= 0)
        return;
    const double scale = 0.01 * heightPx * (stereo ? 0.5 : 1.0);
    const double binsPerColumn = kSpectrumHarmonics * fundamentalBin / widthPx;
    const int half = n / 2;
    for (int k = 0; k < widthPx; ++k) {
        const int lo = static_cast<int>(k * binsPerColumn + 0.5);
        const int hi = std::min(static_cast<int>((k + 1) * binsPerColumn + 0.5) - 1, half - 1);
        if (lo > hi || lo < 0) {
            columns[k] = k > 0 ? columns[k - 1] : 0;
            continue;
        }
        double m = magnitudes[lo];
        for (int b = lo + 1; b <= hi; ++b)
            m = std::max(m, magnitudes[b]);
        if (m <= 0.032)
            columns[k] = 0;
        else
            columns[k] = static_cast<int32_t>((spectrum_level_db(m, n) + 100.0) * scale + 0.5);
    }
    placeHarmonicMarkers(columns, widthPx);
}

void placeHarmonicMarkers(int32_t* columns, int widthPx)
{
    for (int h = 1;; ++h) {
        const double x = static_cast<double>(h) * widthPx / kSpectrumHarmonics;
        if (!(x < widthPx))
            break;
        int p = std::min(static_cast<int>(x + 0.5), widthPx - 1);
        const int left = std::max(p - 1, 0);
        const int right = std::min(p + 1, widthPx - 1);
        if (columns[p] >= columns[left]) {
            if (columns[right] >= columns[p])
                p = right;
        } else {
            p = columns[right] >= columns[left] ? right : left;
        }
        columns[p] += kMarkerFlag;
    }
}

void SpectrumDisplay::setAnalysis(const SpectrumAnalysis& analysis, int widthPx, int heightPx)
{
    ready_ = false;
    channels_ = analysis.channels;
    const bool stereo = channels_ == 2;
    const size_t width = widthPx > 0 ? static_cast<size_t>(widthPx) : 0;
    for (int c = 0; c < 2; ++c) {
        if (c >= channels_ || analysis.magnitudes[c].size() < static_cast<size_t>(analysis.frameSize / 2)) {
            columns_[c].clear();
            channelHz_[c] = 0.0;
            continue;
        }
        columns_[c].assign(width, 0);
        channelHz_[c] = analysis.channelHz[c];
        computeSpectrumColumns(analysis.magnitudes[c].data(), analysis.frameSize, analysis.fundamentalBin[c],
                               widthPx, heightPx, stereo, columns_[c].data());
    }
}

std::vector<SpectrumStroke> SpectrumDisplay::strokes(int widthPx, int heightPx) const
{
    std::vector<SpectrumStroke> out;
    if (!ready_ || widthPx <= 0)
        return out;
    for (int c = 0; c < channels_ && c < 2; ++c) {
        const std::vector<int32_t>& col = columns_[c];
        const int baseline = channels_ == 2 ? (c + 1) * heightPx / 2 : heightPx;
        const int count = std::min<int>(widthPx, static_cast<int>(col.size()));
        for (int j = 0; j < count; ++j) {
            int d = col[j];
            SpectrumPen pen = SpectrumPen::Column;
            if (d >= kMarkerFlag) {
                d -= kMarkerFlag;
                const int harmonic = static_cast<int>(static_cast<double>(kSpectrumHarmonics) * j / widthPx + 0.5);
                pen = harmonic == selected_ ? SpectrumPen::SelectedMarker : SpectrumPen::Marker;
            }
            if (d > 0)
                out.push_back({pen, j, baseline - 1, j, baseline - d});
        }
        if (c == 1)
            out.push_back({SpectrumPen::Divider, 0, heightPx / 2, widthPx, heightPx / 2});
    }
    return out;
}

int SpectrumDisplay::click(int x, int widthPx)
{
    if (channels_ < 1)
        return 0;
    const int harmonic = spectrumHarmonicAt(x, widthPx);
    if (harmonic > 0)
        selected_ = static_cast<int16_t>(harmonic);
    return harmonic;
}

bool SpectrumDisplay::readout(int x, int y, int widthPx, int heightPx, SpectrumReadout& out) const
{
    if (!ready_ || channels_ < 1 || widthPx <= 0 || heightPx <= 0)
        return false;
    out = spectrumReadoutAt(x, y, widthPx, heightPx, channels_, channelHz_);
    return true;
}

int spectrumHarmonicAt(int x, int widthPx)
{
    if (widthPx <= 0)
        return 0;
    const double c = static_cast<double>(widthPx) / kSpectrumHarmonics;
    const int n = static_cast<int>(x / c + 0.5);
    if (n < 1 || n > kSpectrumHarmonics)
        return 0;
    return (c * n - 2 <= x && x <= c * n + 1) ? n : 0;
}

SpectrumReadout spectrumReadoutAt(int x, int y, int widthPx, int heightPx, int channels,
                                  const double channelHz[2])
{
    SpectrumReadout r;
    if (widthPx <= 0 || heightPx <= 0)
        return r;
    const int halfHeight = heightPx / 2;
    const bool upper = y < halfHeight;
    const double f = (channels == 2 && !upper) ? channelHz[1] : channelHz[0];
    r.frequencyHz = (x + 1.0) * kSpectrumHarmonics * f / widthPx;
    double level;
    if (channels == 2) {
        const int yInHalf = upper ? y : y - halfHeight;
        level = -100.0 * yInHalf / (heightPx / 2.0) + 0.5;
    } else {
        level = -100.0 * y / heightPx + 0.5;
    }
    r.levelDb = static_cast<int>(level);
    r.frequencyText = formatSignificant(r.frequencyHz, 6) + " Hz";
    r.levelText = std::to_string(r.levelDb) + " dB";
    return r;
}

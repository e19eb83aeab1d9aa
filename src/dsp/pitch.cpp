#include "dsp/pitch.h"

#include "dsp/pitch_refine.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// 1 / 1.15: a sum this close to the best may win by being less sparse.
constexpr double kNearBestSum = 0.8695652173913044;
constexpr double kNoHitSparseness = 1000000.0;
// A range that needs more candidates than this is a caller's mistake (a step
// far too small for its range), not a search.
constexpr double kMaxCandidates = 1e8;
constexpr double kPi = 3.14159265358979323846;

} // namespace

double harmonic_comb_search(int n, const double* magnitudes, double level, double firstBin,
                            double lastBin, double stepBin, double defaultBin, double resolvableSpacing,
                            const int* supportPeaks, int supportCount)
{
    const int half = n / 2;
    if (half < 2 || !(stepBin > 0.0) || !(firstBin > 0.0) ||
        (lastBin - firstBin) / stepBin > kMaxCandidates)
        return defaultBin;
    const int lastIndex = half - 2;

    double bestSum = 0.0;
    double bestSparseness = kNoHitSparseness;
    double best = defaultBin;
    bool examined = false;
    for (double f = firstBin; f <= lastBin; f += stepBin) {
        double sum = 0.0;
        int hits = 0;
        int lastHit = 0;
        int k = 1;
        // A comb finer than the window's main lobe would count one harmonic's
        // lobe several times over: such a comb counts spectral peaks only.
        const bool peaksOnly = f < resolvableSpacing;
        if (supportPeaks && !spacing_is_supported(f, supportPeaks, supportCount))
            continue;
        for (double o = f; o < half; o += f, ++k) {
            const int index = std::min(static_cast<int>(o + 0.5), lastIndex);
            const double m = magnitudes[index];
            if (peaksOnly && index > 0 && (m < magnitudes[index - 1] || m < magnitudes[index + 1]))
                continue;
            if (m > level) {
                sum += m;
                ++hits;
                lastHit = k;
            }
        }
        const double sparseness = hits ? static_cast<double>(lastHit) / hits : kNoHitSparseness;
        if (!examined || sum >= bestSum ||
            (sum > kNearBestSum * bestSum && sparseness < bestSparseness)) {
            examined = true;
            bestSum = sum;
            bestSparseness = sparseness;
            best = f;
        }
    }
    return best;
}

double kaiser_main_lobe_width(double beta)
{
    return 2.0 * std::sqrt(1.0 + (beta / kPi) * (beta / kPi));
}

double detect_pitch(int n, const Complex* frame, double* magnitudes, int sampleRate, double hintHz)
{
    // The analysis window is a Kaiser window with beta 10.
    const double resolvable = kaiser_main_lobe_width(10.0);
    int lowCut = 0;
    double level = 0.0;
    const double peak = magnitude_spectrum(n, frame, magnitudes, sampleRate, lowCut, level);
    if (level <= 0.0)
        return 0.0; // silence (or only noise below the floor): no pitch
    // Strong: within 40 dB of the largest magnitude (level is 45 dB down).
    std::vector<int> peaks(static_cast<size_t>(std::max(0, n / 2)));
    int peakCount = 0;
    strong_peaks(n, magnitudes, level * 178.0 / 100.0, peaks.data(), peakCount);
    double coarse = 0.0;
    if (hintHz > 0.0 && sampleRate > 0) {
        const double hintBin = hintHz * n / sampleRate;
        coarse = harmonic_comb_search(n, magnitudes, level, hintBin / 1.09, hintBin * 1.09, 0.01, peak, resolvable,
                                      peaks.data(), peakCount);
    } else {
        const double first =
            std::max(static_cast<double>(lowCut + 1), static_cast<int>(peak * 0.625 + 0.5) * 0.1);
        coarse = harmonic_comb_search(n, magnitudes, level, first, peak + 0.5, 0.1, peak, resolvable, peaks.data(),
                                      peakCount);
        coarse = octave_checked_spacing(coarse, peaks.data(), peakCount, n);
    }
    return refine_fundamental(n, magnitudes, level, coarse);
}

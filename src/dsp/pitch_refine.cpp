#include "dsp/pitch_refine.h"

#include <algorithm>
#include <cmath>

namespace {

// Half the null-to-null main lobe of the beta-10 Kaiser window, plus one bin:
// a band this wide around a steady harmonic holds all of its lobe.
constexpr double kLobeHalfBins = 4.5;
// The widest vibrato the bands are sized for: +-60 cents is +-3.5 %.
constexpr double kVibratoShare = 0.04;
constexpr int kMaxHarmonics = 400;
constexpr double kSupportShare = 0.04;
constexpr double kSupportBins = 1.5;

struct Band {
    int from = 0; // inclusive
    int to = 0;   // inclusive
};

} // namespace

double refine_fundamental(int n, const double* magnitudes, double level, double coarseBin)
{
    const int half = n / 2;
    if (!(coarseBin >= 4.0) || half < 4)
        return coarseBin;
    double f = coarseBin;
    double sumWck = 0.0; // sum of w * c * k
    double sumWkk = 0.0; // sum of w * k^2
    const double levelPower = level * level;
    for (int k = 1; k <= kMaxHarmonics; ++k) {
        const double centre = k * f;
        // Room between this harmonic and its neighbours: half a spacing each side.
        const double room = 0.5 * f;
        const double want = kLobeHalfBins + kVibratoShare * centre;
        const double halfWidth = std::min(want, room);
        if (halfWidth < kLobeHalfBins - 1.0)
            break; // neighbouring lobes overlap: no band holds one harmonic
        Band band{static_cast<int>(std::ceil(centre - halfWidth)), static_cast<int>(std::floor(centre + halfWidth))};
        band.from = std::max(band.from, 1);
        band.to = std::min(band.to, half - 1);
        if (band.from > band.to)
            break;
        double power = 0.0, moment = 0.0, peak = 0.0;
        int peakBin = band.from;
        for (int b = band.from; b <= band.to; ++b) {
            const double p = magnitudes[b] * magnitudes[b];
            power += p;
            moment += p * b;
            if (magnitudes[b] > peak) {
                peak = magnitudes[b];
                peakBin = b;
            }
        }
        // A band whose largest magnitude sits on its edge is catching a
        // neighbour's flank (or noise), not this harmonic.
        if (peak <= level || power <= levelPower || peakBin == band.from || peakBin == band.to)
            continue;
        const double c = moment / power;
        sumWck += power * c * k;
        sumWkk += power * k * k;
        f = sumWck / sumWkk;
    }
    return sumWkk > 0.0 ? f : coarseBin;
}

void strong_peaks(int n, const double* magnitudes, double strongLevel, int* peakBins, int& peakCount)
{
    peakCount = 0;
    const int half = n / 2;
    for (int b = 1; b + 1 < half; ++b) {
        const double m = magnitudes[b];
        if (m >= strongLevel && m > 0.0 && m >= magnitudes[b - 1] && m >= magnitudes[b + 1])
            peakBins[peakCount++] = b;
    }
}

namespace {

bool peakNear(double centre, const int* peakBins, int peakCount)
{
    const double reach = kSupportShare * centre + kSupportBins;
    const int* it = std::lower_bound(peakBins, peakBins + peakCount, static_cast<int>(std::ceil(centre - reach)));
    return it != peakBins + peakCount && *it <= centre + reach;
}

} // namespace

bool spacing_is_supported(double spacingBin, const int* peakBins, int peakCount)
{
    return peakNear(spacingBin, peakBins, peakCount) || peakNear(2.0 * spacingBin, peakBins, peakCount);
}

double octave_checked_spacing(double spacingBin, const int* peakBins, int peakCount, int n)
{
    double f = spacingBin;
    while (f > 0.0 && 2.0 * f < 0.5 * n) {
        bool odd = false;
        for (int k = 1; k <= 7 && !odd; k += 2)
            odd = k * f < 0.5 * n && peakNear(k * f, peakBins, peakCount);
        if (odd || !peakNear(2.0 * f, peakBins, peakCount))
            break;
        f *= 2.0;
    }
    return f;
}

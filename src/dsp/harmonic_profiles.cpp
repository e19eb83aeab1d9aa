#include "dsp/harmonic_profiles.h"

#include "dsp/pitch.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kTwoPi = 6.283185307179586;

double centsOf(double hz)
{
    return 1200.0 * std::log2(hz / 440.0) + 5700.0;
}

// The frequency of bin i in whole Hz, as the profiles keep it. Below 1 Hz (a
// very long frame at a low rate) the whole number would be 0 and its cents
// -infinity: the exact frequency is kept instead.
double wholeHzOfBin(int i, int n, int32_t rate)
{
    const double exact = static_cast<double>(rate) * i / n;
    const double whole = std::trunc(exact);
    return whole >= 1.0 ? whole : exact;
}

} // namespace

bool profile_geometry(int32_t sampleCount, int32_t sampleRate, double pitchHz, int overlapPercent,
                      int& frameSize, int& hop)
{
    constexpr int64_t kSmallestFrame = 128;
    // No pitch would make the period infinite and the frame grow for ever.
    if (!(pitchHz > 0.0) || sampleRate <= 0 || sampleCount <= 0 || frameSize < 2)
        return false;
    const double period = std::trunc(sampleRate / pitchHz + 0.5);
    const double a = 1.0 - overlapPercent / 100.0;
    auto hopOf = [a](int64_t size) { return static_cast<int>(static_cast<double>(size) * a); };
    auto frames = [&](int64_t size, int h) {
        return size > sampleCount ? 0 : profile_frame_count(sampleCount, static_cast<int>(size), h, overlapPercent);
    };
    int64_t chosen = frameSize;
    int64_t m = chosen;
    // A frame longer than the sound would only be shrunk again below.
    while (m < 4.0 * period && 2 * m <= sampleCount)
        m *= 2;
    int h = hopOf(chosen);
    // Too short a sound for four frames: smaller frames (and hops), as long as
    // they hold two periods.
    while (h >= 1 && frames(m, h) < 4 && m / 2 >= std::max<double>(kSmallestFrame, 2.0 * period)) {
        m /= 2;
        chosen = std::min(chosen, m);
        h = hopOf(chosen);
    }
    if (h < 1 || frames(m, h) < 4)
        return false;
    frameSize = static_cast<int>(m);
    hop = h;
    return true;
}

int profile_frame_count(int32_t sampleCount, int frameSize, int hop, int overlapPercent)
{
    if (hop < 1 || frameSize < 1)
        return 0;
    const double a = 1.0 - overlapPercent / 100.0;
    const int64_t byRule = sampleCount / hop - static_cast<int64_t>(1.0 / a - 1.0);
    // Frames must lie inside the sound: the last start is sampleCount - M.
    const int64_t inside = sampleCount >= frameSize ? (sampleCount - frameSize) / hop + 1 : 0;
    return static_cast<int>(std::max<int64_t>(0, std::min(byRule, inside)));
}

ProfileOutcome compute_harmonic_profiles(const ProfileSource& source, const ProfileSettings& settings,
                                         HarmonicProfiles& out, const std::atomic<bool>& stop,
                                         const std::function<void(int, int)>& progress)
{
    out = HarmonicProfiles();
    out.sampleCount = source.sampleCount;
    out.sampleRate = source.sampleRate;
    out.pitchHz = source.pitchHz;
    if (source.sampleRate > 0)
        out.durationMs = static_cast<int32_t>(static_cast<double>(source.sampleCount) * 1000.0 / source.sampleRate + 0.5);
    const int channels = std::clamp(source.channels, 0, 2);
    for (int c = 0; c < channels; ++c)
        if (!source.samples[c])
            return ProfileOutcome::Nothing;

    int m = settings.frameSize;
    int hop = 0;
    if (channels == 0 ||
        !profile_geometry(source.sampleCount, source.sampleRate, source.pitchHz, settings.overlapPercent, m, hop))
        return ProfileOutcome::Nothing;
    const int frames = profile_frame_count(source.sampleCount, m, hop, settings.overlapPercent);

    const int32_t rate = source.sampleRate;
    const int half = m / 2;
    const double floor = spectrum_noise_floor(m);
    const double fullScale = spectrum_full_scale(m);
    auto db = [&](double magnitude) { return magnitude > floor ? 20.0 * std::log10(magnitude / fullScale) : -100.0; };

    for (int c = 0; c < channels; ++c)
        for (int k = 0; k < kProfileHarmonics; ++k) {
            out.amplitude[c][k].assign(static_cast<size_t>(frames), 0.0);
            out.frequency[c][k].assign(static_cast<size_t>(frames), 0.0);
            out.beyondNyquist[c][k].assign(static_cast<size_t>(frames), 0);
        }
    std::vector<Complex> frame(static_cast<size_t>(m));
    std::vector<double> magnitudes(static_cast<size_t>(m));
    // The Kaiser window once per run: the same products kaiser_window forms.
    std::vector<double> window(static_cast<size_t>(m));
    for (Complex& x : frame)
        x = {1.0, 0.0};
    kaiser_window(m, frame.data(), 10);
    for (int i = 0; i < m; ++i)
        window[i] = frame[i].re;
    const double hintBin = source.pitchHz * m / rate;

    if (progress)
        progress(0, frames);
    for (int j = 0; j < frames; ++j) {
        if (stop.load(std::memory_order_relaxed))
            return ProfileOutcome::Stopped;
        const int64_t start = static_cast<int64_t>(j) * hop;
        for (int c = 0; c < channels; ++c) {
            samples_to_complex(m, source.samples[c] + start, frame.data());
            for (int i = 0; i < m; ++i)
                frame[i].re *= window[i];
            fft_forward(m, frame.data());
            double b = detect_pitch(m, frame.data(), magnitudes.data(), rate, source.pitchHz);
            // A silent frame has no fundamental: it reads at the expected
            // frequencies (at -100 dB) instead of at 0 Hz, -infinity cents.
            if (!(b > 0.0))
                b = hintBin;

            const int peak = static_cast<int>(b + 0.5);
            out.amplitude[c][0][j] = peak < half ? db(magnitudes[peak]) : 0.0;
            out.beyondNyquist[c][0][j] = peak < half ? 0 : 1;
            out.frequency[c][0][j] = centsOf(b * rate / m);

            const int w = static_cast<int>(0.3 * b);
            for (int n = 2; n <= kProfileHarmonics; ++n) {
                const int y = static_cast<int>(b * n + 0.5);
                int found = y;
                if (y < half) {
                    double best = 0.0;
                    const int last = std::min(y + w, half);
                    for (int i = std::max(y - w, 0); i < last; ++i)
                        if (magnitudes[i] > best) {
                            best = magnitudes[i];
                            found = i;
                        }
                    out.amplitude[c][n - 1][j] = db(best);
                } else {
                    out.amplitude[c][n - 1][j] = 0.0; // a marker, not a level
                    out.beyondNyquist[c][n - 1][j] = 1;
                }
                out.frequency[c][n - 1][j] = centsOf(found > 0 ? wholeHzOfBin(found, m, rate) : b * n * rate / m);
            }
        }
        if (progress)
            progress(j + 1, frames);
    }

    for (int k = 0; k < kProfileHarmonics; ++k) {
        double sum = 0.0;
        for (int c = 0; c < channels; ++c)
            for (double p : out.frequency[c][k])
                sum += p;
        const double mean = sum / (static_cast<double>(frames) * channels);
        double largest = 0.0;
        for (int c = 0; c < channels; ++c)
            for (double& p : out.frequency[c][k]) {
                p -= mean;
                largest = std::max(largest, std::abs(p));
            }
        out.maxDeviation[k] = largest;
    }
    out.channels = channels;
    out.frames = frames;
    out.hop = hop;
    out.frameSize = m;
    return ProfileOutcome::Computed;
}

int32_t synthesize_harmonic(const HarmonicProfiles& profiles, int channel, int harmonic, double channelHz,
                            double outputRateHz, int16_t* out, int32_t outCount)
{
    if (!out || outCount <= 0)
        return 0;
    std::fill(out, out + outCount, int16_t{0});
    if (!profiles.computed() || channel < 0 || channel >= profiles.channels || harmonic < 1 ||
        harmonic > kProfileHarmonics || !(outputRateHz > 0.0) || profiles.hop < 1)
        return 0;
    const std::vector<double>& cents = profiles.frequency[channel][harmonic - 1];
    const std::vector<double>& levels = profiles.amplitude[channel][harmonic - 1];
    const std::vector<uint8_t>& beyond = profiles.beyondNyquist[channel][harmonic - 1];
    const double rate = outputRateHz;
    const double nyquist = rate / 2.0;
    const int hop = profiles.hop;
    const double nominal = harmonic * channelHz;

    auto frequencyAt = [&](int j) { return nominal * std::pow(2.0, cents[j] / 1200.0); };
    auto amplitudeAt = [&](int j, double hz) {
        // Where the analysis put its 0 dB marker there is no level: silence.
        const bool marked = static_cast<size_t>(j) < beyond.size() && beyond[j];
        return marked || hz >= nyquist || !(hz > 0.0) ? 0.0 : std::pow(10.0, levels[j] / 20.0) * 32767.0;
    };

    double phase = 0.0;
    double previousHz = frequencyAt(0);
    double previousGain = 0.0;
    int32_t written = 0;
    for (int j = 0; j < profiles.frames && written < outCount; ++j) {
        const double hz = frequencyAt(j);
        const double gain = amplitudeAt(j, hz);
        for (int t = 0; t < hop && written < outCount; ++t) {
            const double g = previousGain + t * (gain - previousGain) / hop;
            const double v = std::trunc(std::sin(phase) * g);
            out[written++] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
            phase += kTwoPi * (previousHz + t * (hz - previousHz) / hop) / rate;
            if (phase >= kTwoPi)
                phase = std::fmod(phase, kTwoPi);
        }
        previousGain = gain;
        previousHz = hz;
    }
    return written;
}

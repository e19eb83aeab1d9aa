#include "views/junction_geometry.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <cmath>

int32_t junctionHalfSamples(double halfSpanMs, int32_t sampleRate)
{
    if (sampleRate <= 0 || !(halfSpanMs > 0.0))
        return 1;
    return std::max<int32_t>(1, static_cast<int32_t>(halfSpanMs * sampleRate / 1000.0));
}

double junctionSampleX(int32_t k, int32_t halfSamples, int width)
{
    const double step = static_cast<double>(width) / (2.0 * std::max<int32_t>(halfSamples, 1));
    return width / 2.0 + (k + 0.5) * step;
}

namespace {

int64_t floorMod(int64_t a, int64_t m)
{
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

} // namespace

std::vector<JunctionTrace> buildJunctionTraces(const SampleBuffer& sound, int32_t loopStart, int32_t loopEnd,
                                               bool forward, const CrossfadeSettings& fade, double halfSpanMs)
{
    std::vector<JunctionTrace> out;
    const int32_t n = sound.sampleCount;
    const int32_t s = loopStart;
    const int32_t e = loopEnd;
    if (sound.sampleRate <= 0 || s < -1 || s >= e || e >= n)
        return out;
    const int channels = std::clamp<int>(sound.channels, 1, 2);
    for (int ch = 0; ch < channels; ++ch)
        if (sound.samples[ch].size() < static_cast<size_t>(n))
            return out;

    const int64_t l = static_cast<int64_t>(e) - s;
    const int64_t m = forward ? l : 2 * l;
    const CrossfadeSettings none{fade.kind, 0, 1};
    std::vector<int16_t> plainCycle[2], fadedCycle[2];
    for (int ch = 0; ch < channels; ++ch) {
        plainCycle[ch].assign(static_cast<size_t>(m), 0);
        fadedCycle[ch].assign(static_cast<size_t>(m), 0);
        const int16_t* x = sound.samples[ch].data();
        if (forward) {
            build_forward_loop(x, n, s, e, none, plainCycle[ch].data());
            build_forward_loop(x, n, s, e, fade, fadedCycle[ch].data());
        } else {
            build_alternate_loop(x, n, s, e, none, plainCycle[ch].data());
            build_alternate_loop(x, n, s, e, fade, fadedCycle[ch].data());
        }
    }

    const int32_t h = junctionHalfSamples(halfSpanMs, sound.sampleRate);
    auto make = [&](JunctionTurn turn, int64_t w) {
        JunctionTrace t;
        t.turn = turn;
        t.channels = channels;
        t.halfSamples = h;
        for (int ch = 0; ch < channels; ++ch) {
            t.plain[ch].resize(static_cast<size_t>(2 * h));
            t.faded[ch].resize(static_cast<size_t>(2 * h));
            for (int32_t i = 0; i < 2 * h; ++i) {
                const size_t j = static_cast<size_t>(floorMod(w + i - h, m));
                t.plain[ch][static_cast<size_t>(i)] = plainCycle[ch][j];
                t.faded[ch][static_cast<size_t>(i)] = fadedCycle[ch][j];
            }
        }
        out.push_back(std::move(t));
    };
    if (forward) {
        make(JunctionTurn::LoopWrap, 0);
    } else {
        make(JunctionTurn::EndTurn, l);
        make(JunctionTurn::StartTurn, 0);
    }
    return out;
}

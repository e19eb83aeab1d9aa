#include "document/wide_samples.h"

#include "platform/message.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int32_t s24At(const uint8_t* p)
{
    const uint32_t u = (uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24);
    return static_cast<int32_t>(u) >> 8;
}

int32_t s32At(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}

float f32At(const uint8_t* p)
{
    const uint32_t u = static_cast<uint32_t>(s32At(p));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

double f64At(const uint8_t* p)
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | p[i];
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

int16_t clamp16(int64_t v)
{
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

int16_t floatImage(double x, int64_t& nonFinite)
{
    if (!std::isfinite(x)) {
        ++nonFinite;
        return 0;
    }
    // floor(v) clamped, without a call to floor: inside the range,
    // truncation toward zero is floor for v >= 0 and one too high for a
    // negative v with a fraction.
    const double v = x * 32768.0 + 0.5;
    if (v <= -32768.0)
        return -32768;
    if (v >= 32767.0)
        return 32767;
    const int t = static_cast<int>(v);
    return static_cast<int16_t>(t - (v < t ? 1 : 0));
}

double pcmMin(int bits) { return -std::ldexp(1.0, bits - 1); }
double pcmMax(int bits) { return std::ldexp(1.0, bits - 1) - 1.0; }

} // namespace

double decodeNative(const uint8_t* p, const WaveEncoding& e)
{
    if (e.isFloat) {
        const double x = e.bits == 64 ? f64At(p) : double(f32At(p));
        return std::isfinite(x) ? x : 0.0;
    }
    switch (e.bits) {
    case 8: return double(int(p[0]) - 128);
    case 16: return double(int16_t(uint16_t(p[0] | (p[1] << 8))));
    case 24: return double(s24At(p));
    default: return double(s32At(p));
    }
}

double storeNative(double v, const WaveEncoding& e)
{
    if (e.isFloat)
        return e.bits == 64 ? v : double(static_cast<float>(v));
    return std::clamp(std::trunc(v), pcmMin(e.bits), pcmMax(e.bits));
}

void encodeNative(double v, const WaveEncoding& e, uint8_t* p)
{
    uint64_t u = 0;
    if (e.isFloat && e.bits == 64) {
        std::memcpy(&u, &v, 8);
    } else if (e.isFloat) {
        const float f = static_cast<float>(v);
        uint32_t w;
        std::memcpy(&w, &f, 4);
        u = w;
    } else if (e.bits == 8) {
        u = static_cast<uint64_t>(static_cast<int64_t>(v) + 128);
    } else {
        u = static_cast<uint64_t>(static_cast<int64_t>(v));
    }
    for (int i = 0; i < e.bytes(); ++i)
        p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int64_t decodeImage16(const uint8_t* p, const WaveEncoding& e, int channels, size_t n, int16_t* left,
                      int16_t* right)
{
    const size_t step = static_cast<size_t>(e.bytes());
    int64_t nonFinite = 0;
    // One loop per format so each body stays small enough to unroll.
    auto run = [&](auto image) {
        if (channels == 1) {
            for (size_t i = 0; i < n; ++i)
                left[i] = image(p + i * step);
            return;
        }
        for (size_t i = 0; i < n; ++i) {
            left[i] = image(p + 2 * i * step);
            right[i] = image(p + (2 * i + 1) * step);
        }
    };
    if (e.isFloat && e.bits == 64)
        run([&](const uint8_t* q) { return floatImage(f64At(q), nonFinite); });
    else if (e.isFloat)
        run([&](const uint8_t* q) { return floatImage(f32At(q), nonFinite); });
    else if (e.bits == 8)
        run([](const uint8_t* q) { return static_cast<int16_t>((q[0] - 128) * 256); });
    else if (e.bits == 16)
        run([](const uint8_t* q) { return static_cast<int16_t>(uint16_t(q[0] | (q[1] << 8))); });
    else if (e.bits == 24)
        run([](const uint8_t* q) { return clamp16((int64_t(s24At(q)) + 128) >> 8); });
    else
        run([](const uint8_t* q) { return clamp16((int64_t(s32At(q)) + 32768) >> 16); });
    return nonFinite;
}

UserMessage sixteenBitQuestion(const std::string& title, const WaveEncoding& e)
{
    UserMessage m;
    m.text = title + ".wav holds " + std::to_string(e.bits) + " bit" + (e.isFloat ? " float" : "") +
             " samples. This command works on 16 bit samples: after it the sound is a 16 bit sound and is "
             "saved as one (Undo brings back the full resolution).\n\nGo on at 16 bits?";
    m.buttons = MessageButtons::YesNo;
    m.icon = MessageIcon::Question;
    return m;
}

uint64_t imageDigest16(const std::vector<int16_t>* samples, int channels, int32_t frames)
{
    // Four samples to a 64-bit word, each word folded in with a multiply and
    // a rotation (a multiply-rotate hash in the manner of FNV/xxHash): one
    // pass at memory speed, and any change of one sample changes the word
    // and, through the multiplies that follow, the result.
    constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
    constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
    uint64_t h = kPrime2 ^ (static_cast<uint64_t>(channels) << 32) ^ static_cast<uint32_t>(frames);
    const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
    for (int c = 0; c < channels && c < 2; ++c) {
        const size_t have = std::min(n, samples[c].size());
        const int16_t* x = samples[c].data();
        size_t i = 0;
        for (; i + 4 <= have; i += 4) {
            uint64_t w;
            std::memcpy(&w, x + i, sizeof w);
            h = ((h ^ w) * kPrime1);
            h = (h << 31) | (h >> 33);
        }
        for (; i < have; ++i) {
            h = (h ^ static_cast<uint16_t>(x[i])) * kPrime1;
            h = (h << 31) | (h >> 33);
        }
        h ^= static_cast<uint64_t>(have) * kPrime2; // a short array differs from a full one
    }
    h ^= h >> 29;
    h *= kPrime2;
    return h ^ (h >> 32);
}

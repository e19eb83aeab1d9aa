#include "document/wide_samples.h"

#include "platform/message.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define RINGTIDE_SSSE3_DECODE 1
#endif

namespace {

// 24-bit stereo into the 16-bit image, eight frames (48 bytes) a round;
// returns the frames done. Each 16-byte load at 12-byte steps holds four
// samples; a byte shuffle puts each in the top of a 32-bit lane, an
// arithmetic shift brings back the signed value v, and (v + 128) >> 8 is
// floor(v / 256 + 1/2); the saturating pack clamps 32768 to 32767. Every load
// stays inside the frames: the last round ends 4 bytes before the end.
#ifdef RINGTIDE_SSSE3_DECODE
__attribute__((target("ssse3"))) inline __m128i fourImages24(const uint8_t* q)
{
    const __m128i spread = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m128i x = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), spread);
    return _mm_srai_epi32(_mm_add_epi32(_mm_srai_epi32(x, 8), _mm_set1_epi32(128)), 8);
}

__attribute__((target("ssse3"))) size_t decode24StereoSsse3(const uint8_t* p, size_t n, int16_t* left,
                                                              int16_t* right)
{
    const auto four = fourImages24;
    size_t i = 0;
    for (; (i + 8) * 6 + 4 <= n * 6; i += 8) {
        const uint8_t* q = p + 6 * i;
        // L0 R0 L1 R1 | L2 R2 L3 R3 ... as 16-bit values, then split.
        const __m128i a = _mm_packs_epi32(four(q), four(q + 12));
        const __m128i b = _mm_packs_epi32(four(q + 24), four(q + 36));
        const __m128i l = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                                          _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
        const __m128i r = _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(left + i), l);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(right + i), r);
    }
    return i;
}
#endif

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
#ifdef RINGTIDE_SSSE3_DECODE
    // The common library format, vectorised where the processor allows.
    if (!e.isFloat && e.bits == 24 && channels == 2 && n >= 9 && __builtin_cpu_supports("ssse3")) {
        // At least one round is done, so the rest (under nine frames) takes the plain loop.
        const size_t done = decode24StereoSsse3(p, n, left, right);
        return decodeImage16(p + 6 * done, e, channels, n - done, left + done, right + done);
    }
#endif
    if (e.isFloat && e.bits == 64)
        run([&](const uint8_t* q) { return floatImage(f64At(q), nonFinite); });
    else if (e.isFloat)
        run([&](const uint8_t* q) { return floatImage(f32At(q), nonFinite); });
    else if (e.bits == 8)
        run([](const uint8_t* q) { return static_cast<int16_t>((q[0] - 128) * 256); });
    else if (e.bits == 16)
        run([](const uint8_t* q) { return static_cast<int16_t>(uint16_t(q[0] | (q[1] << 8))); });
    else if (e.bits == 24)
        // floor(v / 256 + 1/2) is the top two bytes plus one when the low
        // byte is 128 or more; only 0x7FFF plus one needs the clamp.
        run([](const uint8_t* q) {
            const int32_t top = static_cast<int16_t>(static_cast<uint16_t>(q[1] | (q[2] << 8)));
            return static_cast<int16_t>(std::min<int32_t>(top + (q[0] >> 7), 32767));
        });
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

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

inline uint64_t fold(uint64_t acc, uint64_t w)
{
    acc = (acc ^ w) * kPrime1;
    return (acc << 31) | (acc >> 33);
}

} // namespace

ImageDigest::ImageDigest(int channels, int32_t frames)
    : seed_(kPrime2 ^ (static_cast<uint64_t>(channels) << 32) ^ static_cast<uint32_t>(frames)),
      channels_(channels)
{
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 8; ++k)
            ch_[c].lane[k] = seed_ ^ (kPrime1 * static_cast<uint64_t>(8 * c + k + 1));
        ch_[c].tail = seed_ ^ (kPrime2 * static_cast<uint64_t>(c + 1));
        ch_[c].count = 0;
    }
}

void ImageDigest::add(int channel, const int16_t* x, size_t n)
{
    Channel& s = ch_[channel];
    s.count += n;
    size_t i = 0;
    // Eight independent lanes, so the multiplies overlap instead of waiting
    // on each other: the digest keeps up with the decoder feeding it.
    // Spelled out, so that every lane stays in a register.
    uint64_t a0 = s.lane[0], a1 = s.lane[1], a2 = s.lane[2], a3 = s.lane[3];
    uint64_t a4 = s.lane[4], a5 = s.lane[5], a6 = s.lane[6], a7 = s.lane[7];
    for (; i + kPiece <= n; i += kPiece) {
        uint64_t w[8];
        std::memcpy(w, x + i, sizeof w);
        a0 = fold(a0, w[0]);
        a1 = fold(a1, w[1]);
        a2 = fold(a2, w[2]);
        a3 = fold(a3, w[3]);
        a4 = fold(a4, w[4]);
        a5 = fold(a5, w[5]);
        a6 = fold(a6, w[6]);
        a7 = fold(a7, w[7]);
    }
    const uint64_t lanes[8] = {a0, a1, a2, a3, a4, a5, a6, a7};
    std::memcpy(s.lane, lanes, sizeof lanes);
    for (; i + 4 <= n; i += 4) {
        uint64_t w;
        std::memcpy(&w, x + i, sizeof w);
        s.tail = fold(s.tail, w);
    }
    for (; i < n; ++i)
        s.tail = fold(s.tail, static_cast<uint16_t>(x[i]));
}

uint64_t ImageDigest::value() const
{
    uint64_t h = seed_;
    for (int c = 0; c < channels_ && c < 2; ++c) {
        const Channel& s = ch_[c];
        uint64_t v = s.lane[0];
        for (int k = 1; k < 8; ++k)
            v = fold(v, s.lane[k]);
        v = fold(v, s.tail) ^ (s.count * kPrime2); // a short array differs from a full one
        h = fold(h, v);
    }
    h ^= h >> 29;
    h *= kPrime2;
    return h ^ (h >> 32);
}

uint64_t imageDigest16(const std::vector<int16_t>* samples, int channels, int32_t frames)
{
    ImageDigest d(channels, frames);
    const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
    for (int c = 0; c < channels && c < 2; ++c)
        d.add(c, samples[c].data(), std::min(n, samples[c].size()));
    return d.value();
}

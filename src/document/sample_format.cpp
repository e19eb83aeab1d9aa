#include "document/sample_format.h"

#include "document/SampleBuffer.h"
#include "document/wide_samples.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// The encoding the document's values are read in.
WaveEncoding sourceEncoding(const SampleBuffer& doc)
{
    if (doc.ownSamplesCurrent())
        return doc.fullRes.encoding;
    return WaveEncoding{}; // the 16-bit image (8-bit sounds too)
}

WaveEncoding targetEncoding(const WaveEncoding& source, SampleFormat format)
{
    WaveEncoding e;
    e.bits = format.isFloat ? 32 : format.bits;
    e.isFloat = format.isFloat;
    if (source.extensible) {
        e.extensible = true;
        e.validBits = static_cast<uint16_t>(e.bits);
        e.channelMask = source.channelMask;
    }
    return e;
}

// One value from `from`'s native units into `to`'s, by the rules of the header.
double convertValue(double v, const WaveEncoding& from, const WaveEncoding& to)
{
    if (to.isFloat) {
        const double x = from.isFloat ? v : std::ldexp(v, 1 - from.bits);
        return to.bits == 32 ? static_cast<double>(static_cast<float>(x)) : x;
    }
    const double top = std::ldexp(1.0, to.bits - 1);
    double y;
    if (from.isFloat)
        y = std::floor(v * top + 0.5);
    else if (to.bits >= from.bits)
        y = std::ldexp(v, to.bits - from.bits);
    else
        y = std::floor(std::ldexp(v, to.bits - from.bits) + 0.5);
    return std::clamp(y, -top, top - 1.0);
}

} // namespace

bool hasSampleFormat(const SampleBuffer& doc, SampleFormat format)
{
    if (!doc.ownSamplesCurrent())
        return !format.isFloat && format.bits == 16 && doc.bitsPerSample == 16;
    const WaveEncoding& e = doc.fullRes.encoding;
    return e.isFloat == format.isFloat && e.bits == (format.isFloat ? 32 : format.bits);
}

void convertSampleFormat(SampleBuffer& doc, SampleFormat format)
{
    if (!doc.isLoaded() || hasSampleFormat(doc, format))
        return;
    doc.dropStaleFullResolution();
    const WaveEncoding from = sourceEncoding(doc);
    const WaveEncoding to = targetEncoding(from, format);
    const int channels = doc.channels;
    const size_t frames = static_cast<size_t>(doc.sampleCount);
    const size_t outBytes = static_cast<size_t>(to.bytes());

    // Every byte is encoded below, so the buffer is not zeroed first.
    auto converted = std::make_shared<ByteBuffer>(frames * static_cast<size_t>(channels) * outBytes);
    uint8_t* p = converted->data();
    if (doc.fullRes.present()) {
        const uint8_t* q = doc.fullRes.data();
        const size_t inBytes = static_cast<size_t>(from.bytes());
        for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i, q += inBytes, p += outBytes)
            encodeNative(convertValue(decodeNative(q, from), from, to), to, p);
    } else {
        for (size_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c, p += outBytes)
                encodeNative(convertValue(doc.samples[c][i], from, to), to, p);
    }

    doc.bitsPerSample = to.bits;
    doc.blockAlign = static_cast<int16_t>(channels * to.bytes());
    decodeImage16(converted->data(), to, channels, frames, doc.samples[0].data(),
                  channels == 2 ? doc.samples[1].data() : nullptr);
    if (to.keepsOwnSamples()) {
        doc.fullRes.encoding = to;
        doc.fullRes.replace(std::move(converted));
        doc.tieOwnSamples();
    } else {
        doc.fullRes.clear(); // plain 16-bit PCM: the image is the sound
        doc.fullRes.encoding = WaveEncoding{};
    }
}

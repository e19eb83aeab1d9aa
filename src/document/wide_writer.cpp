#include "document/wide_writer.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

int32_t clampedPasses(int32_t passes) { return std::clamp<int32_t>(passes, 1, 4); }

// T passes of tail[j] = store((1 - w[j]) outside[j] + w[j] tail[j]) for
// j < count, the weights those of a crossfade of X samples.
void blend(const std::vector<double>& outside, std::vector<double>& tail, int32_t count, int32_t X,
           const CrossfadeSettings& fade, const WaveEncoding& enc)
{
    for (int32_t pass = 0; pass < clampedPasses(fade.passes); ++pass)
        for (int32_t j = 0; j < count; ++j) {
            const double w = crossfadeWeight(fade.kind, j, X);
            tail[j] = storeNative((1.0 - w) * outside[j] + w * tail[j], enc);
        }
}

} // namespace

WideLoop buildWideLoop(const SampleBuffer& doc, WaveWriterKind kind, const CrossfadeSettings& fade)
{
    WideLoop loop;
    int32_t s = 0, e = 0;
    if (!doc.fullRes.present() || !selectedLoop(doc, s, e))
        return loop;
    const WaveEncoding& enc = doc.fullRes.encoding;
    const uint8_t* bytes = doc.fullRes.data();
    const size_t frameBytes = static_cast<size_t>(doc.channels * enc.bytes());
    auto at = [&](int32_t frame, int c) {
        return decodeNative(bytes + static_cast<size_t>(frame) * frameBytes + static_cast<size_t>(c * enc.bytes()),
                            enc);
    };
    loop.s = s;
    loop.e = e;
    const int32_t L = e - s;
    const int32_t X = std::max(0, std::min({fade.lengthSamples, s + 1, L}));
    loop.fadeLength = X;
    // The turning point reads the material after the loop, which ends with the sound.
    const int32_t afterEnd = std::max(0, std::min(X, doc.sampleCount - 1 - e));
    for (int c = 0; c < doc.channels && c < 2; ++c) {
        std::vector<double> outside(static_cast<size_t>(X));
        if (kind == WaveWriterKind::Normal) {
            loop.forward[c].resize(static_cast<size_t>(X));
            for (int32_t j = 0; j < X; ++j) {
                loop.forward[c][j] = at(e - j, c);
                outside[j] = at(s - j, c);
            }
            blend(outside, loop.forward[c], X, X, fade, enc);
            continue;
        }
        loop.backward[c].resize(static_cast<size_t>(X));
        for (int32_t j = 0; j < X; ++j) {
            loop.backward[c][j] = storeNative(-at(s + 1 + j, c), enc);
            outside[j] = at(s - j, c);
        }
        blend(outside, loop.backward[c], X, X, fade, enc);
        loop.forward[c].resize(static_cast<size_t>(afterEnd));
        for (int32_t j = 0; j < afterEnd; ++j) {
            loop.forward[c][j] = at(e - j, c);
            outside[j] = -at(e + 1 + j, c);
        }
        blend(outside, loop.forward[c], afterEnd, X, fade, enc);
    }
    return loop;
}

FrameEmitter wideFrames(const SampleBuffer& doc, WaveWriterKind kind, const WideLoop& loop, uint64_t& dataBytes)
{
    const WaveEncoding& enc = doc.fullRes.encoding;
    const int ch = doc.channels;
    const size_t frameBytes = static_cast<size_t>(ch * enc.bytes());
    dataBytes = 0;
    if (!doc.fullRes.present() || ch < 1 || ch > 2 ||
        doc.fullRes.size() < static_cast<size_t>(doc.sampleCount) * frameBytes)
        return {};
    const bool hasLoop = loop.e > 0;
    const bool unrolled = hasLoop && kind == WaveWriterKind::Unrolled;
    const int32_t frames = !hasLoop ? doc.sampleCount
                           : unrolled ? 2 * loop.e - loop.s + 1
                           : doc.cutAfterLoop ? loop.e + 1
                                              : doc.sampleCount;
    dataBytes = static_cast<uint64_t>(frames) * frameBytes;

    return [&doc, &loop, enc, ch, frames, frameBytes, hasLoop, unrolled](SafeFileWriter& file) {
        const uint8_t* bytes = doc.fullRes.data();
        const int32_t s = loop.s, e = loop.e, L = e - s;
        std::vector<uint8_t> block;
        auto raw = [&](int32_t from, int32_t count) {
            return count <= 0 || file.write(bytes + static_cast<size_t>(from) * frameBytes,
                                            static_cast<size_t>(count) * frameBytes);
        };
        // Frames first .. first + count - 1 whose channel values come from value(frame, c).
        auto encoded = [&](int32_t first, int32_t count, auto value) {
            constexpr int32_t kBlockFrames = 4096;
            for (int32_t done = 0; done < count;) {
                const int32_t n = std::min(kBlockFrames, count - done);
                block.resize(static_cast<size_t>(n) * frameBytes);
                for (int32_t i = 0; i < n; ++i)
                    for (int c = 0; c < ch; ++c)
                        encodeNative(value(first + done + i, c), enc,
                                     &block[static_cast<size_t>(i) * frameBytes + static_cast<size_t>(c * enc.bytes())]);
                if (!file.write(block.data(), block.size()))
                    return false;
                done += n;
            }
            return true;
        };
        if (!hasLoop)
            return raw(0, frames);
        // Samples 0 .. e with the forward tail (positions e - j) blended.
        const int32_t blended = static_cast<int32_t>(loop.forward[0].size());
        bool ok = raw(0, e + 1 - blended) &&
                  encoded(e + 1 - blended, blended, [&](int32_t f, int c) { return loop.forward[c][e - f]; });
        if (ok && unrolled) {
            // The backward half: entry L + k holds -x[e - k], blended within X of its end.
            const int32_t X = static_cast<int32_t>(loop.backward[0].size());
            ok = encoded(0, L, [&](int32_t k, int c) {
                const int32_t j = L - 1 - k; // distance from the end of the half
                if (j < X)
                    return loop.backward[c][j];
                const uint8_t* p = bytes + static_cast<size_t>(s + 1 + j) * frameBytes +
                                   static_cast<size_t>(c * enc.bytes());
                return storeNative(-decodeNative(p, enc), enc);
            });
        } else if (ok) {
            ok = raw(e + 1, frames - e - 1);
        }
        return ok;
    };
}

void commitWideLoop(SampleBuffer& doc, const WideLoop& loop)
{
    if (!doc.fullRes.present() || loop.e <= 0 || loop.forward[0].empty())
        return;
    // The bytes may be shared with the undo snapshot, which keeps its own.
    if (doc.fullRes.frames.use_count() > 1) {
        doc.fullRes.replace(
            std::make_shared<ByteBuffer>(doc.fullRes.data(), doc.fullRes.data() + doc.fullRes.size()));
    }
    const WaveEncoding& enc = doc.fullRes.encoding;
    const size_t frameBytes = static_cast<size_t>(doc.channels * enc.bytes());
    uint8_t* bytes = doc.fullRes.data();
    for (int c = 0; c < doc.channels && c < 2; ++c)
        for (size_t j = 0; j < loop.forward[c].size(); ++j)
            encodeNative(loop.forward[c][j], enc,
                         bytes + static_cast<size_t>(loop.e - static_cast<int32_t>(j)) * frameBytes +
                             static_cast<size_t>(c * enc.bytes()));
}

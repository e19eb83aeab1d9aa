#pragma once
// The file's own samples for the formats kept at full resolution: integer PCM
// wider than 16 bits, IEEE float, and any WAVE_FORMAT_EXTENSIBLE file (whose
// header is written back as read). Every algorithm works on the 16-bit
// working image; these bytes are what the loop workflow saves.
//
// Native units, the domain the full-resolution crossfade works in:
//   PCM of N bits   the signed integer, -2^(N-1) .. 2^(N-1) - 1 (8 bits: byte - 128)
//   IEEE float      the stored value; full scale is -1.0 .. +1.0
// The 16-bit image of a native value v (rounded to nearest, halves upward,
// then clamped to -32768 .. 32767):
//   PCM of N > 16 bits   floor(v / 2^(N-16) + 1/2)
//   PCM of 16 bits       v;  8 bits: v * 256
//   IEEE float           floor(v * 32768 + 1/2)   (+1.0 clamps to 32767)
// A float that is NaN or infinite is read as 0 (and counted).

#include "document/byte_buffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct WaveEncoding {
    int16_t bits = 16;        // container bits: 8, 16, 24, 32 (PCM); 32, 64 (float)
    bool isFloat = false;
    bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE header
    uint16_t validBits = 0;   // extensible only: the valid bits field, written back
    uint32_t channelMask = 0; // extensible only: the speaker mask, written back

    int bytes() const { return bits / 8; }
    // Holds more than the 16-bit image: converting to 16 bits loses resolution.
    bool wide() const { return isFloat || bits > 16; }
    // Any format other than plain 8/16-bit PCM keeps the file's own samples.
    bool keepsOwnSamples() const { return wide() || extensible; }
};

// The file's own frames, interleaved exactly as in its data chunk. The bytes
// are shared with the undo snapshot and never changed while shared.
//
// The frames are tied to the one 16-bit image they stand for: imageDigest is
// the digest (imageDigest16) of that image, taken when both were made
// together (a load, a committed crossfade). Whatever later replaces or edits
// the image without touching these bytes (a new sound, an edit, an undo
// exchange that brings back another image) breaks the tie, and a stale copy
// is then never written: see SampleBuffer::ownSamplesCurrent.
struct FullResolution {
    WaveEncoding encoding;
    // Null: the document is a 16-bit sound. The frames start `offset` bytes
    // in (a loaded file keeps its read buffer rather than moving the frames
    // down over the header) and run to the end of the vector.
    std::shared_ptr<ByteBuffer> frames;
    size_t offset = 0;
    uint64_t imageDigest = 0;

    bool present() const { return frames != nullptr; }
    void clear()
    {
        frames.reset();
        offset = 0;
    }
    // New frames from the first byte of `f` (a conversion's output): the
    // offset of a loaded file's header no longer applies.
    void replace(std::shared_ptr<ByteBuffer> f)
    {
        frames = std::move(f);
        offset = 0;
    }
    const uint8_t* data() const { return frames->data() + offset; }
    uint8_t* data() { return frames->data() + offset; }
    size_t size() const { return frames->size() - offset; }
};

// A 64-bit digest of `frames` frames of a 16-bit image (channel count and
// length included), sensitive to every sample's value and position: a change
// of any one sample always changes it, and two different images share a
// digest with probability about 2^-64. Each channel is folded on its own, so
// the digest can be taken piece by piece as the image is made (ImageDigest);
// a channel array shorter than `frames` is digested as far as it goes.
uint64_t imageDigest16(const std::vector<int16_t>* samples, int channels, int32_t frames);

// The same digest taken piecewise: the channels' samples may be fed in any
// interleaving, each channel's in order. Every piece of a channel but its
// last holds a multiple of kPiece samples.
//
// Each channel folds its 4-sample words into eight lanes in turn (word k of a
// 32-sample group into lane k), with the multiply-rotate step
// fold(a, w) = rotl((a ^ w) * P1, 31), which is a bijection of w for a given
// a and of a for a given w: hence one changed sample always changes the
// result. A last piece's words and single samples past the groups go into a
// ninth accumulator; the lanes, that one and the sample count make the
// channel's value, the channels' values in order make the digest.
class ImageDigest {
public:
    static constexpr size_t kPiece = 32;

    ImageDigest(int channels, int32_t frames);
    void add(int channel, const int16_t* x, size_t n);
    uint64_t value() const;

private:
    struct Channel {
        uint64_t lane[8];
        uint64_t tail;
        uint64_t count;
    };
    uint64_t seed_;
    int channels_;
    Channel ch_[2];
};

// One sample at p in native units (non-finite floats give 0).
double decodeNative(const uint8_t* p, const WaveEncoding& e);
// The value a blend is stored as: PCM truncates toward zero and clamps to the
// format's range; float32 rounds to single precision; float64 keeps it.
double storeNative(double v, const WaveEncoding& e);
// Writes v (already passed through storeNative) at p.
void encodeNative(double v, const WaveEncoding& e, uint8_t* p);

// The question asked before the first edit of a wide sound's samples
// (`title` without ".wav"; Yes / No).
struct UserMessage;
UserMessage sixteenBitQuestion(const std::string& title, const WaveEncoding& e);

// Decodes n frames of `channels` interleaved channels at p into the 16-bit
// image (right may be null for mono). Returns how many float samples were NaN
// or infinite (read as 0).
int64_t decodeImage16(const uint8_t* p, const WaveEncoding& e, int channels, size_t n, int16_t* left,
                      int16_t* right);

#pragma once
// Builds WAV files byte by byte for tests, so that every field can be set or
// broken on purpose. All multi-byte fields are little-endian.
//
//   wavbytes::WavLayout w;             // 16-bit mono 44100 Hz, canonical header
//   w.data = wavbytes::pcm16({0, 1, -1});
//   w.loop = wavbytes::SamplerLoop{0, 10, 99};   // smpl chunk after the data
//   std::vector<uint8_t> file = wavbytes::build(w);
//   wavbytes::writeFile(path, file);

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace wavbytes {

inline void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void putTag(std::vector<uint8_t>& b, const char* tag)
{
    b.insert(b.end(), tag, tag + 4);
}

inline void set32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The first loop record of a sampler chunk, as stored: start is the first
// sample of the loop, end its last sample (inclusive).
struct SamplerLoop {
    uint32_t type = 0; // 0 forward, 1 alternate, 2 backward
    uint32_t start = 0;
    uint32_t end = 0;
};

struct WavLayout {
    uint16_t formatTag = 1;     // 1 = PCM
    uint16_t channels = 1;
    uint32_t sampleRate = 44100;
    uint16_t bitsPerSample = 16;
    std::optional<uint16_t> blockAlign;   // default channels * bits / 8
    std::optional<uint32_t> riffSize;     // default file size - 8
    std::optional<uint32_t> dataSize;     // default data.size()
    std::vector<uint8_t> data;            // the sample bytes, interleaved
    bool padOddData = true;               // a zero pad byte after odd-sized data
    std::vector<uint8_t> chunksBeforeData; // whole chunks placed after "fmt "
    std::optional<SamplerLoop> loop;      // a 68-byte smpl chunk ...
    bool loopBeforeData = false;          // ... placed before "data" instead of after it
};

// A 68-byte sampler chunk with one loop record.
inline std::vector<uint8_t> samplerChunk(const SamplerLoop& loop)
{
    std::vector<uint8_t> b;
    putTag(b, "smpl");   // +0  tag
    put32(b, 60);        // +4  chunk size: 36 fixed + 24 per loop
    put32(b, 0);         // +8  manufacturer
    put32(b, 0);         // +12 product
    put32(b, 22675);     // +16 sample period in ns (44.1 kHz)
    put32(b, 60);        // +20 unity note
    put32(b, 0);         // +24 pitch fraction
    put32(b, 0);         // +28 SMPTE format
    put32(b, 0);         // +32 SMPTE offset
    put32(b, 1);         // +36 loop count
    put32(b, 0);         // +40 sampler data bytes
    put32(b, 0);         // +44 cue point id
    put32(b, loop.type); // +48 loop type
    put32(b, loop.start); // +52 first sample of the loop
    put32(b, loop.end);  // +56 last sample of the loop
    put32(b, 0);         // +60 fraction
    put32(b, 0);         // +64 play count (0 = forever)
    return b;
}

// A chunk of any tag with the given body (padded to an even size).
inline std::vector<uint8_t> chunk(const char* tag, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> b;
    putTag(b, tag);
    put32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2)
        b.push_back(0);
    return b;
}

inline std::vector<uint8_t> build(const WavLayout& w)
{
    std::vector<uint8_t> b;
    putTag(b, "RIFF");   // 0  magic
    put32(b, 0);         // 4  RIFF size, set below
    putTag(b, "WAVE");   // 8  form type
    putTag(b, "fmt ");   // 12 format chunk
    put32(b, 16);        // 16 format chunk size
    put16(b, w.formatTag);   // 20 format tag
    put16(b, w.channels);    // 22 channels
    put32(b, w.sampleRate);  // 24 frames per second
    const uint16_t align = w.blockAlign ? *w.blockAlign
                                        : static_cast<uint16_t>(w.channels * w.bitsPerSample / 8);
    put32(b, w.sampleRate * align); // 28 bytes per second
    put16(b, align);                // 32 block align
    put16(b, w.bitsPerSample);      // 34 bits per sample
    b.insert(b.end(), w.chunksBeforeData.begin(), w.chunksBeforeData.end());
    if (w.loop && w.loopBeforeData) {
        const auto s = samplerChunk(*w.loop);
        b.insert(b.end(), s.begin(), s.end());
    }
    putTag(b, "data");   // 36 in a canonical file
    put32(b, w.dataSize ? *w.dataSize : static_cast<uint32_t>(w.data.size())); // 40 data size
    b.insert(b.end(), w.data.begin(), w.data.end()); // 44 the frames
    if (w.padOddData && w.data.size() % 2)
        b.push_back(0);
    if (w.loop && !w.loopBeforeData) {
        const auto s = samplerChunk(*w.loop);
        b.insert(b.end(), s.begin(), s.end());
    }
    set32(b, 4, w.riffSize ? *w.riffSize : static_cast<uint32_t>(b.size() - 8));
    return b;
}

// Interleaved 16-bit samples as little-endian bytes.
inline std::vector<uint8_t> pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> b;
    b.reserve(samples.size() * 2);
    for (int16_t s : samples)
        put16(b, static_cast<uint16_t>(s));
    return b;
}

// `frames` frames of a deterministic, non-repeating 16-bit pattern (each
// channel different), so misplaced or swapped samples show.
inline std::vector<int16_t> pattern16(size_t frames, int channels)
{
    std::vector<int16_t> s(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = static_cast<int16_t>((i * 7919u + c * 104729u + (i * i) % 251u) & 0xFFFF);
    return s;
}

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace wavbytes

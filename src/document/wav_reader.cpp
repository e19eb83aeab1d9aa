#include "document/wav_reader.h"

#include "document/mark_chunks.h"
#include "document/riff_chunks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Every read below checks `need > size - offset` with offset <= size known,
// so no sum can wrap.
bool fits(size_t size, size_t offset, size_t need)
{
    return offset <= size && need <= size - offset;
}

uint16_t u16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t u32At(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Sampler chunk layout from its tag: type, start and end of the first loop.
constexpr size_t kLoopTypeAt = 48;
constexpr size_t kLoopStartAt = 52;
constexpr size_t kLoopEndAt = 56;
constexpr size_t kLoopFieldsEnd = 60;
// The pre-data scan steps over the fixed part of a sampler chunk once found.
constexpr size_t kSamplerSkip = 56;
// Where the post-data scan starts, past a canonical 44-byte header.
constexpr uint64_t kCanonicalHeader = 44;
constexpr int kLowestFftSizeExp = -10; // a window of one sample

bool littleEndianHost()
{
    const uint16_t probe = 1;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}


// The format fields of a "fmt " tag at p, as far as they are present.
void readFormatFields(const uint8_t* bytes, size_t size, size_t p, WaveScan& s)
{
    s.fmtOffset = p;
    if (fits(size, p + 8, 2))
        s.formatTag = u16At(bytes + p + 8);
    if (!fits(size, p, 24))
        return;
    s.fmtComplete = true;
    s.channels = u16At(bytes + p + 10);
    s.sampleRate = u32At(bytes + p + 12);
    s.blockAlign = u16At(bytes + p + 20);
    s.bitsPerSample = u16At(bytes + p + 22);
    // The extension: cbSize at +24, valid bits +26, channel mask +28, GUID +32.
    static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (s.formatTag == 0xFFFE && fits(size, p, 48) && u16At(bytes + p + 24) >= 22 &&
        std::memcmp(bytes + p + 34, kGuidTail, sizeof kGuidTail) == 0) {
        s.subFormat = u16At(bytes + p + 32);
        s.validBits = u16At(bytes + p + 26);
        s.channelMask = u32At(bytes + p + 28);
    }

}


// The header facts of a walked file: its first fmt chunk and the data chunk
// after it, fields read only from within their chunks.
WaveScan scanWalked(const uint8_t* bytes, size_t size, const RiffWalk& walk)
{
    WaveScan s;
    s.riffWave = true;
    s.riffSize = u32At(bytes + 4);
    s.scanLimit = std::min<uint64_t>(s.riffSize, size);
    for (const WalkedChunk& c : walk.chunks) {
        if (!s.fmtFound && std::memcmp(c.id, "fmt ", 4) == 0) {
            s.fmtFound = true;
            readFormatFields(bytes, size, c.offset, s);
            if (c.size < 16)
                s.fmtComplete = false;
            if (c.size < 40)
                s.subFormat = 0;
        } else if (s.fmtFound && !s.dataFound && std::memcmp(c.id, "data", 4) == 0) {
            s.dataFound = true;
            s.dataSize = c.size;
            s.dataOffset = c.offset + 8;
            s.dataBytesPresent = c.bytesPresent;
        }
    }
    return s;
}

// The chunk list and marks of a walked file; the marks are settled against
// `frames` frames.
void readChunkModel(const uint8_t* bytes, const RiffWalk& walk, int32_t frames, WaveInfo& w)
{
    std::vector<std::string>& problems = w.chunkProblems;
    problems = walk.problems;
    bool fact = false, sampler = false, cue = false, labels = false;
    auto once = [&](bool& seen, const WalkedChunk& c) {
        if (!seen)
            return seen = true;
        const bool list = std::memcmp(c.id, "LIST", 4) == 0;
        problems.push_back("its second " + (list ? std::string("LIST/adtl") : std::string(c.id, 4)) +
                           " chunk was left out");
        return false;
    };
    for (const WalkedChunk& c : walk.chunks) {
        RiffChunk r;
        std::memcpy(r.id, c.id, 4);
        const uint8_t* body = bytes + c.offset + 8;
        const size_t present = c.bytesPresent;
        const bool modelled = std::memcmp(c.id, "data", 4) == 0 || std::memcmp(c.id, "smpl", 4) == 0 ||
                              std::memcmp(c.id, "cue ", 4) == 0;
        if (c.cutShort() && !modelled)
            continue;
        if (std::memcmp(c.id, "fmt ", 4) == 0) {
            r.role = ChunkRole::Format;
        } else if (std::memcmp(c.id, "data", 4) == 0) {
            r.role = ChunkRole::Data;
        } else if (std::memcmp(c.id, "fact", 4) == 0) {
            if (!once(fact, c))
                continue;
            r.role = ChunkRole::Fact;
        } else if (std::memcmp(c.id, "smpl", 4) == 0) {
            if (!once(sampler, c))
                continue;
            r.role = ChunkRole::Sampler;
            readSamplerChunk(body, present, w.marks, problems);
        } else if (std::memcmp(c.id, "cue ", 4) == 0) {
            if (!once(cue, c))
                continue;
            r.role = ChunkRole::Cue;
            readCueChunk(body, present, w.marks, problems);
        } else if (std::memcmp(c.id, "LIST", 4) == 0 && c.size >= 4 && std::memcmp(body, "adtl", 4) == 0) {
            if (!once(labels, c))
                continue;
            r.role = ChunkRole::CueLabels;
            readCueLabels(body, c.size, w.marks, problems);
        } else {
            r.body = std::make_shared<const std::vector<uint8_t>>(body, body + c.size);
        }
        w.chunks.chunks.push_back(std::move(r));
    }
    settleMarks(w.marks, frames, problems);
}
} // namespace

WaveScan scanWave(const uint8_t* bytes, size_t size)
{
    WaveScan s;
    if (!fits(size, 0, 12))
        return s;
    s.riffWave = std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVE", 4) == 0;
    s.riffSize = u32At(bytes + 4);
    s.scanLimit = std::min<uint64_t>(s.riffSize, size);
    if (!s.riffWave)
        return s;

    size_t p = 12;
    while (p < s.scanLimit && fits(size, p, 4)) {
        if (std::memcmp(bytes + p, "fmt ", 4) == 0) {
            s.fmtFound = true;
            break;
        }
        ++p;
    }
    if (!s.fmtFound)
        return s;
    readFormatFields(bytes, size, p, s);
    if (!s.fmtComplete)
        return s;

    size_t q = p + 24;
    while (q < s.scanLimit && fits(size, q, 4)) {
        const uint8_t* t = bytes + q;
        if (std::memcmp(t, "smpl", 4) == 0) {
            // A chunk cut off before its loop fields holds no loop.
            if (fits(size, q, kLoopFieldsEnd)) {
                s.preDataLoopFound = true;
                s.preDataLoopStart = u32At(t + kLoopStartAt);
                s.preDataLoopEnd = u32At(t + kLoopEndAt);
            }
            q += kSamplerSkip;
        } else if (std::memcmp(t, "data", 4) == 0) {
            if (fits(size, q, 8)) {
                s.dataFound = true;
                s.dataSize = u32At(t + 4);
                s.dataOffset = q + 8;
                s.dataBytesPresent = std::min<uint64_t>(s.dataSize, size - s.dataOffset);
            }
            break;
        }
        ++q;
    }
    return s;
}

WaveReadResult readWaveFile(const uint8_t* bytes, size_t size, double fftStartFraction)
{
    WaveReadResult r;
    // A well-formed file is walked chunk by chunk; one whose chunk table is
    // broken falls back to the tag scan, which finds what it can.
    const RiffWalk walk = walkRiffChunks(bytes, size);
    const WaveScan s = walk.wellFormed ? scanWalked(bytes, size, walk) : scanWave(bytes, size);
    if (!s.riffWave) {
        r.status = WaveReadStatus::NotRiffWave;
        return r;
    }
    // The effective format: a plain tag, or the extensible header's sub-format.
    const bool extensible = s.formatTag == 0xFFFE;
    const uint16_t format = extensible ? s.subFormat : s.formatTag;
    const bool tagKnown = fits(size, s.fmtOffset + 8, 2);
    if (!s.fmtFound || (tagKnown && format != 1 && format != 3) || (extensible && !s.fmtComplete)) {
        r.status = WaveReadStatus::NotPcm;
        return r;
    }
    const bool isFloat = format == 3;
    if (s.fmtComplete && (s.sampleRate == 0 || s.sampleRate > kMaximumSampleRate)) {
        r.status = WaveReadStatus::NotPcm;
        return r;
    }
    const bool bitsOk = isFloat ? (s.bitsPerSample == 32 || s.bitsPerSample == 64)
                                : (s.bitsPerSample == 8 || s.bitsPerSample == 16 || s.bitsPerSample == 24 ||
                                   s.bitsPerSample == 32);
    if (!s.fmtComplete || !bitsOk ||
        (s.channels != 1 && s.channels != 2) ||
        s.blockAlign != s.channels * s.bitsPerSample / 8 || !s.dataFound) {
        r.status = WaveReadStatus::BadFormat;
        return r;
    }

    WaveInfo& w = r.info;
    w.channels = static_cast<int16_t>(s.channels);
    w.bitsPerSample = static_cast<int16_t>(s.bitsPerSample);
    w.blockAlign = static_cast<int16_t>(s.blockAlign);
    w.sampleRate = static_cast<int32_t>(s.sampleRate);
    w.encoding.bits = w.bitsPerSample;
    w.encoding.isFloat = isFloat;
    w.encoding.extensible = extensible;
    w.encoding.validBits = s.validBits;
    w.encoding.channelMask = s.channelMask;
    w.dataOffset = s.dataOffset;
    w.dataTruncated = s.dataBytesPresent < s.dataSize;
    w.framesDeclared = s.dataSize / s.blockAlign;
    const uint64_t frames = s.dataBytesPresent / s.blockAlign;
    w.frames = static_cast<int32_t>(std::min<uint64_t>(frames, INT32_MAX));

    if (w.frames < kMinimumFrames) {
        r.status = WaveReadStatus::TooFewFrames;
        return r;
    }
    w.fewFramesWarning = w.frames < kRecommendedFrames;

    // Loop positions are held in 64 bits until every check has passed: the
    // stored values are unsigned 32-bit and must not wrap into negative
    // positions that later pass the range checks.
    const int64_t n = w.frames;
    int64_t loopStart = -1;
    int64_t loopEnd = -1;
    uint32_t type = 0;
    w.chunksWalked = walk.wellFormed;
    if (walk.wellFormed) {
        readChunkModel(bytes, walk, w.frames, w);
        if (w.marks.windowLoop >= 0) {
            const FileLoop& l = w.marks.loops[static_cast<size_t>(w.marks.windowLoop)];
            loopStart = int64_t(l.start) - 1;
            loopEnd = l.end;
            type = l.type;
        }
    } else {
        w.chunkProblems = walk.problems;
        if (w.chunkProblems.empty())
            w.chunkProblems.push_back("its chunk table cannot be walked");
    }
    if (!walk.wellFormed && s.preDataLoopFound) {
        loopStart = static_cast<int64_t>(s.preDataLoopStart) - 1;
        loopEnd = s.preDataLoopEnd;
    }
    if (!walk.wellFormed && loopEnd <= 0) {
        const uint64_t limit = s.scanLimit;
        for (uint64_t q = uint64_t(s.dataSize) + kCanonicalHeader;
             q <= limit && kLoopFieldsEnd <= limit - q; ++q) {
            const uint8_t* t = bytes + q;
            if (std::memcmp(t, "smpl", 4) != 0)
                continue;
            type = u32At(t + kLoopTypeAt);
            loopStart = static_cast<int64_t>(u32At(t + kLoopStartAt)) - 1;
            loopEnd = u32At(t + kLoopEndAt);
            if (type <= 1 && loopStart < n && loopEnd < n && loopStart < loopEnd)
                break;
            type = 0;
            loopStart = loopEnd = -1;
        }
    }
    w.loopType = type;

    // Final check. A start before -1 cannot come from the file (the stored
    // start is unsigned) but is refused all the same: it would index before
    // the first sample.
    if (loopStart >= n - 1 || loopEnd >= n || (loopEnd <= loopStart && loopEnd > 0) || loopStart < -1) {
        loopStart = loopEnd = -1;
    }
    // What is left fits: loopStart in -1 .. n - 2, loopEnd below n (a
    // non-positive loopEnd is at least -1 when it came from the file as 0).
    w.loopStart = static_cast<int32_t>(loopStart);
    w.loopEnd = static_cast<int32_t>(std::max<int64_t>(loopEnd, -1));

    // The analysis window must end inside the sound. The floor only matters
    // for a start fraction of 1 or more, where no window would fit.
    int k = 4;
    while (k > kLowestFftSizeExp &&
           1024.0 * std::ldexp(1.0, k) + double(w.frames) * fftStartFraction >= double(w.frames))
        --k;
    w.fftSizeExp = static_cast<int16_t>(k);

    r.status = WaveReadStatus::Ok;
    return r;
}

namespace {

// n frames of the file's format at p into the image.
int64_t decodeFrames(const uint8_t* p, const WaveInfo& info, size_t n, int16_t* left, int16_t* right)
{
    if (info.encoding.wide())
        return decodeImage16(p, info.encoding, info.channels, n, left, right);
    if (info.bitsPerSample == 8) {
        if (info.channels == 1) {
            for (size_t i = 0; i < n; ++i)
                left[i] = static_cast<int16_t>((p[i] - 128) * 256);
        } else {
            for (size_t i = 0; i < n; ++i) {
                left[i] = static_cast<int16_t>((p[2 * i] - 128) * 256);
                right[i] = static_cast<int16_t>((p[2 * i + 1] - 128) * 256);
            }
        }
        return 0;
    }
    if (info.channels == 1) {
        if (littleEndianHost()) {
            std::memcpy(left, p, n * 2);
        } else {
            for (size_t i = 0; i < n; ++i)
                left[i] = static_cast<int16_t>(u16At(p + 2 * i));
        }
        return 0;
    }
    size_t i = 0;
#if defined(__SSE2__)
    // Eight frames at a time: each 32-bit lane holds left in its low half and
    // right in its high half. Shifts sign-extend each half to 32 bits, and the
    // saturating pack is exact since every value already fits in 16 bits.
    for (; i + 8 <= n; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * i + 16));
        const __m128i leftA = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
        const __m128i leftB = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(left + i), _mm_packs_epi32(leftA, leftB));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(right + i),
                         _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16)));
    }
#endif
    if (littleEndianHost()) {
        // Blocks of 16 frames through a small buffer: the split loop has a
        // fixed trip count, which the compiler turns into vector shuffles.
        constexpr size_t kBlock = 16;
        for (; i + kBlock <= n; i += kBlock) {
            int16_t block[2 * kBlock];
            std::memcpy(block, p + 4 * i, sizeof block);
            for (size_t j = 0; j < kBlock; ++j) {
                left[i + j] = block[2 * j];
                right[i + j] = block[2 * j + 1];
            }
        }
    }
    for (; i < n; ++i) {
        const uint8_t* f = p + 4 * i;
        left[i] = static_cast<int16_t>(static_cast<uint16_t>(f[0] | (f[1] << 8)));
        right[i] = static_cast<int16_t>(static_cast<uint16_t>(f[2] | (f[3] << 8)));
    }
    return 0;
}

} // namespace

int64_t decodeWaveFrames(const uint8_t* bytes, const WaveInfo& info, int16_t* left, int16_t* right)
{
    const size_t n = info.frames > 0 ? static_cast<size_t>(info.frames) : 0;
    return decodeFrames(bytes + info.dataOffset, info, n, left, right);
}

int64_t decodeWaveFramesInto(const uint8_t* bytes, const WaveInfo& info, std::vector<int16_t> (&samples)[2],
                             ImageDigest* digest)
{
    const size_t n = info.frames > 0 ? static_cast<size_t>(info.frames) : 0;
    const bool stereo = info.channels == 2;
    for (int c = 0; c < 2; ++c) {
        samples[c].clear();
        if (c == 0 || stereo)
            samples[c].reserve(n);
    }
    // Pieces small enough that a piece's frames, image and digest input all
    // stay in the first-level cache; a multiple of the digest's piece.
    constexpr size_t kFrames = 2048;
    static_assert(kFrames % ImageDigest::kPiece == 0, "the digest takes whole pieces");
    int16_t left[kFrames];
    int16_t right[kFrames];
    const size_t frameBytes = static_cast<size_t>(info.blockAlign);
    const uint8_t* p = bytes + info.dataOffset;
    int64_t nonFinite = 0;
    for (size_t i = 0; i < n; i += kFrames) {
        const size_t m = std::min(kFrames, n - i);
        nonFinite += decodeFrames(p + i * frameBytes, info, m, left, stereo ? right : nullptr);
        samples[0].insert(samples[0].end(), left, left + m);
        if (stereo)
            samples[1].insert(samples[1].end(), right, right + m);
        if (digest) {
            digest->add(0, left, m);
            if (stereo)
                digest->add(1, right, m);
        }
    }
    return nonFinite;
}

namespace {

template <typename Bytes>
bool readWholeFile(const std::string& path, Bytes& out)
{
    // Only regular files: a directory opens on Linux and claims a huge size.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        out.clear();
        return false;
    }
    const uintmax_t expected = std::filesystem::file_size(path, ec);
    if (ec || expected > std::numeric_limits<size_t>::max() / 2) {
        out.clear();
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        out.clear();
        return false;
    }
    bool ok = true;
    try {
        // A buffer reused for a file of the same size is not cleared first:
        // fread overwrites it.
        out.resize(static_cast<size_t>(expected));
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (ok) {
        const size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
        // A file that shrank meanwhile keeps what was read.
        out.resize(got);
        ok = !std::ferror(f);
    }
    std::fclose(f);
    if (!ok)
        out.clear();
    return ok;
}

} // namespace

bool readFileBytes(const std::string& path, std::vector<uint8_t>& out) { return readWholeFile(path, out); }
bool readFileBytes(const std::string& path, ByteBuffer& out) { return readWholeFile(path, out); }

UserMessage waveReadMessage(WaveReadStatus status, const std::string& title)
{
    UserMessage m;
    switch (status) {
    case WaveReadStatus::Ok:
        break;
    case WaveReadStatus::CannotOpen:
        m.text = title + ".wav" + " could not be opened!";
        break;
    case WaveReadStatus::NotRiffWave:
        m.text = "Unhandled kind of file.";
        break;
    case WaveReadStatus::NotPcm:
        m.text = "Unhandled kind of wave file.";
        break;
    case WaveReadStatus::BadFormat:
        m.text = "A problem happens in reading the file " + title + ".wav!";
        break;
    case WaveReadStatus::TooFewFrames:
        m.text = "The number of samples must be at least 128. Otherwise some function couldn't work.";
        m.icon = MessageIcon::Stop;
        break;
    }
    return m;
}

UserMessage truncatedDataWarningMessage(const std::string& path, int64_t declared, int64_t present)
{
    UserMessage m;
    m.text = "The file " + path + " is damaged: its data chunk declares " + std::to_string(declared) +
             " frames but only " + std::to_string(present) +
             " are present. Those were loaded; saving replaces the file with them.";
    return m;
}

UserMessage fewFramesWarningMessage()
{
    UserMessage m;
    m.text = "The number of samples should be at least 1024 to allow the functions to work properly.";
    return m;
}

UserMessage nonFiniteWarningMessage(const std::string& path, int64_t count)
{
    UserMessage m;
    m.text = "The file " + path + " holds " + std::to_string(count) +
             " samples that are not numbers or are infinite. They were read as 0.";
    return m;
}

UserMessage chunkProblemsMessage(const std::string& path, const std::vector<std::string>& problems)
{
    UserMessage m;
    std::string list;
    for (const std::string& p : problems)
        list += (list.empty() ? "" : "; ") + p;
    m.text = "The file " + path + " could not be kept whole: " + list +
             ". What is sound was loaded, and a save writes only that.";
    return m;
}

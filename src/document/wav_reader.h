#pragma once
// Parsing of RIFF/WAVE files held in memory, mono or stereo: integer PCM of 8,
// 16, 24 or 32 bits, IEEE float of 32 or 64 bits, either one also inside a
// WAVE_FORMAT_EXTENSIBLE header; with the first loop of a sampler ("smpl")
// chunk. Formats wider than 16 bits are decoded into the 16-bit image as
// document/wide_samples.h states.
//
// A well-formed file is walked chunk by chunk (document/riff_chunks.h) and
// kept whole: its chunk list, every loop and cue point (FileMarks), slot 0
// taking the window loop. A file whose chunk table cannot be walked falls
// back to finding tags by testing every byte offset in turn, so files whose
// chunk sizes are wrong still open (with their sound and first loop only).
// Every scan is bounded by min(RIFF size, bytes present) and no byte past
// `size` is ever read, whatever the size fields claim.
//
// Loop convention (as in SampleBuffer): loopStart is the sample just before
// the loop (the chunk's start - 1), loopEnd the last sample of the loop (the
// chunk's end, inclusive). loopEnd <= 0 means no loop.

#include "document/byte_buffer.h"
#include "document/riff_chunks.h"
#include "document/sampler_marks.h"
#include "document/wide_samples.h"
#include "platform/message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The raw header facts, before any of the loader's rules are applied. The
// mixing dialog's reader applies its own checks to these.
struct WaveScan {
    bool riffWave = false;        // "RIFF" at 0 and "WAVE" at 8
    uint32_t riffSize = 0;        // the RIFF size field (offset 4)
    size_t scanLimit = 0;         // min(riffSize, bytes present): bound of every tag scan

    bool fmtFound = false;        // a "fmt " tag at some offset >= 12 below scanLimit
    size_t fmtOffset = 0;         // offset of the "fmt " tag
    bool fmtComplete = false;     // the fixed fields up to fmtOffset + 24 are present
    uint16_t formatTag = 0;       // 1 = PCM
    uint16_t channels = 0;
    uint32_t sampleRate = 0;      // frames per second
    uint16_t blockAlign = 0;      // bytes per frame
    uint16_t bitsPerSample = 0;
    // WAVE_FORMAT_EXTENSIBLE (formatTag 0xFFFE) with its 22 extension bytes
    // present: the sub-format GUID's leading tag when the rest of the GUID is
    // the standard one (1 PCM, 3 float), else 0.
    uint16_t subFormat = 0;
    uint16_t validBits = 0;
    uint32_t channelMask = 0;

    bool dataFound = false;       // a "data" tag (with its size field) after the fmt fields
    size_t dataOffset = 0;        // offset of the first sample byte (tag + 8)
    uint32_t dataSize = 0;        // bytes of sample data the file claims
    size_t dataBytesPresent = 0;  // min(dataSize, bytes after dataOffset)

    // A sampler chunk between the fmt fields and the data tag (the last one
    // found wins). Its loop type is not read: such loops are taken as forward.
    bool preDataLoopFound = false;
    uint32_t preDataLoopStart = 0; // first sample of the loop, as stored
    uint32_t preDataLoopEnd = 0;   // last sample of the loop, as stored
};

// Scans the header of a file held in bytes[0 .. size). Never fails: what was
// not found is flagged in the result.
WaveScan scanWave(const uint8_t* bytes, size_t size);

// Why a file was refused, in the order the loader tests them.
enum class WaveReadStatus {
    Ok,
    CannotOpen,     // the file could not be opened or read
    NotRiffWave,    // no "RIFF"/"WAVE" magic
    NotPcm,         // no "fmt " tag, a format other than PCM or float, or a rate that cannot play
    BadFormat,      // bad bits/channels/block align, fmt fields or data tag missing
    TooFewFrames,   // fewer than kMinimumFrames frames
};

// A file the loader accepts: its format, where its frames are, and the loop
// that goes into slot 0.
struct WaveInfo {
    int16_t channels = 0;         // 1 or 2
    int16_t bitsPerSample = 0;    // container bits: 8, 16, 24, 32 (PCM); 32, 64 (float)
    int16_t blockAlign = 0;       // channels * bitsPerSample / 8
    WaveEncoding encoding;        // bits, float, extensible header fields
    int32_t sampleRate = 0;
    int32_t frames = 0;           // frames present: min(claimed, in the file)
    bool dataTruncated = false;   // the data size claims more bytes than the file holds
    int64_t framesDeclared = 0;   // whole frames the data size claims
    size_t dataOffset = 0;        // offset of the first sample byte

    int32_t loopStart = -1;       // slot 0 after every loop rule; -1 / -1 = none
    int32_t loopEnd = -1;
    uint32_t loopType = 0;        // 0 forward, 1 alternate (0 for a loop before the data)
    bool loopForward() const { return loopType == 0; }

    // The file kept whole (walked files only): chunk order, marks, and what
    // could not be kept, in clear text (one warning at load).
    bool chunksWalked = false;
    RiffChunkList chunks;
    FileMarks marks;
    std::vector<std::string> chunkProblems;

    int16_t fftSizeExp = 4;       // analysis window exponent fitted to `frames`
    bool fewFramesWarning = false; // fewer than kRecommendedFrames frames (still loads)
};

struct WaveReadResult {
    WaveReadStatus status = WaveReadStatus::CannotOpen;
    WaveInfo info;                // meaningful when status is Ok
};

constexpr int32_t kMinimumFrames = 128;
// Sample rates outside 1 .. kMaximumSampleRate Hz cannot be played or
// analysed (0 would divide every time and length by zero): such files are
// refused as an unhandled kind of wave file.
constexpr uint32_t kMaximumSampleRate = 768000;
constexpr int32_t kRecommendedFrames = 1024;

// Applies the loader's rules to a file held in bytes[0 .. size): format
// checks, frame count, the sampler loop before or after the data, the final
// loop check, and the analysis window fitted with `fftStartFraction`
// (1024 * 2^k + frames * fraction < frames, k <= 4, k no lower than -10).
// Decodes nothing; see decodeWaveFrames.
WaveReadResult readWaveFile(const uint8_t* bytes, size_t size, double fftStartFraction = 0.33);

// Decodes info.frames frames from bytes (the same buffer readWaveFile saw)
// into left (and right for stereo; may be null for mono), each holding at
// least info.frames values. 8-bit bytes b become (b - 128) * 256; 16-bit
// values are little-endian and kept as they are; wider formats are rounded
// (see wide_samples.h). Returns how many float samples were NaN or infinite.
int64_t decodeWaveFrames(const uint8_t* bytes, const WaveInfo& info, int16_t* left, int16_t* right);

// The same decode into samples[0] (and samples[1] for stereo), which are
// emptied and then grown by appending, so that their new storage is written
// once rather than zeroed and then written. With `digest` (made for
// info.channels and info.frames), the image is folded into it piece by piece
// while each piece is still in cache: it then holds imageDigest16 of the
// decoded image. The values are those decodeWaveFrames gives.
int64_t decodeWaveFramesInto(const uint8_t* bytes, const WaveInfo& info, std::vector<int16_t> (&samples)[2],
                             ImageDigest* digest = nullptr);

// Reads the whole file at `path` into `out`. False when it cannot be opened
// or read. A ByteBuffer is not zeroed before the read fills it.
bool readFileBytes(const std::string& path, std::vector<uint8_t>& out);
bool readFileBytes(const std::string& path, ByteBuffer& out);

// The text the user sees for a refused file (`title` is the file name without
// ".wav"), and the warning for a short file. The refusal for too few frames
// carries the stop icon; the others warn.
UserMessage waveReadMessage(WaveReadStatus status, const std::string& title);
UserMessage fewFramesWarningMessage();
// The one warning for float samples that are NaN or infinite (read as 0).
UserMessage nonFiniteWarningMessage(const std::string& path, int64_t count);
// The warning for a data chunk cut short: the file (its full path) holds
// `present` of the `declared` frames; the frames present are loaded.
UserMessage truncatedDataWarningMessage(const std::string& path, int64_t declared, int64_t present);
// The one warning for chunks that could not be kept whole: "The file <path>
// could not be kept whole: <problem>; <problem>. What is sound was loaded,
// and a save writes only that."
UserMessage chunkProblemsMessage(const std::string& path, const std::vector<std::string>& problems);

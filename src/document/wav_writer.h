#pragma once
// Writing the sound as a canonical PCM WAV file with an optional sampler
// ("smpl") chunk holding one loop and the unity note.
//
// Layout (little-endian; D = frames * blockAlign, P = D odd ? 1 : 0,
// S = 68 with a loop, else 0):
//   0 "RIFF", 4 36 + D + P + S, 8 "WAVEfmt ", 16 16, 20 1 (PCM), 22 channels,
//   24 rate, 28 blockAlign * rate, 32 blockAlign, 34 bits, 36 "data", 40 D,
//   44 the frames, then one zero byte when D is odd, then the sampler chunk:
//   "smpl", 60, manufacturer 0, product 0, sample period ns = trunc(1e9/rate + 0.5),
//   unity note (midiNote clamped to 0..127), pitch fraction 0, SMPTE format 0, SMPTE offset 0, 1 loop,
//   sampler data 0, cue id 0, loop type (0 forward, 1 alternate),
//   first sample of the loop (loopStart + 1), last sample (loopEnd, inclusive),
//   fraction 0, play count 0 (endless).
// Frames: 16-bit words left then right; 8-bit bytes trunc(x / 256) + 128
// (toward zero, so -255 .. 255 all give 128).
//
// Files are never written in place: the bytes go to a temporary file in the
// target's folder, which is flushed to disk and then renamed over the target,
// so a failure at any point leaves the old file as it was.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SampleBuffer;

enum class WriteStatus {
    Written,     // the target now holds the new contents
    OpenFailed,  // nothing could be created: "<title>.wav could not be opened!"
    WriteFailed, // writing began and failed: "A problem happens in writing the file <title>.wav!"
};

// ---- file layer -------------------------------------------------------------

enum class FileStage { Open, Write, Sync, Rename };

// Test hook that simulates a failing disk: called before each step with the
// bytes written so far and the size of the write (0 for the other stages).
// Return 0 to let the step go on or an errno value (ENOSPC, EACCES...) to make
// it fail. Empty (the default) means no simulated failure. Process-wide and
// not synchronised: set it only from tests, around single-threaded saves.
using FileFaultHook = std::function<int(FileStage stage, uint64_t bytesWritten, size_t size)>;
void setFileFaultHook(FileFaultHook hook);

// Writes a file by temporary file + fsync + rename. Destroying it without a
// successful commit() removes the temporary file and keeps the target as it
// was. A target that is a symbolic link is replaced through the link; one
// that exists and is not a regular file (a device, a folder) is refused.
class SafeFileWriter {
public:
    explicit SafeFileWriter(std::string targetPath);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool open();                                // false: nothing was created
    bool write(const void* data, size_t size);  // all or failure
    bool commit();                              // flush, sync, close, rename
    int lastError() const { return error_; }    // errno of the failure
    uint64_t bytesWritten() const { return written_; }

private:
    void discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
    uint64_t written_ = 0;
};

// ---- what a file holds ------------------------------------------------------

// A run of frames taken from per-channel arrays (channel[1] unused for mono).
struct FrameSegment {
    const int16_t* channel[2] = {nullptr, nullptr};
    int32_t frames = 0;
};

struct SamplerLoop {
    uint32_t type = 0;      // 0 forward, 1 alternate
    int32_t firstFrame = 0; // loopStart + 1
    int32_t lastFrame = 0;  // loopEnd, inclusive
    int32_t unityNote = 60;
};

struct WaveLayout {
    int16_t channels = 1;
    int16_t bitsPerSample = 16;
    int32_t sampleRate = 0;
    std::vector<FrameSegment> segments; // the frames, in file order
    bool hasLoop = false;
    SamplerLoop loop;

    int32_t frameCount() const;
    int16_t blockAlign() const { return static_cast<int16_t>(channels * bitsPerSample / 8); }
};

uint8_t encode8Bit(int16_t sample);
// The 44-byte header for layout (the RIFF size counts the pad byte and chunk).
std::array<uint8_t, 44> waveHeader(const WaveLayout& layout);
std::array<uint8_t, 68> samplerChunk(const WaveLayout& layout);
// Sample period in ns written in the sampler chunk.
uint32_t samplePeriodNs(int32_t sampleRate);

// Writes layout to path through SafeFileWriter.
WriteStatus writeWaveLayout(const std::string& path, const WaveLayout& layout);

// ---- the document's writers ------------------------------------------------

// The selected slot's loop when it holds one that lies inside the sound
// (-1 <= start < end < sampleCount); false otherwise (no chunk is written).
bool selectedLoop(const SampleBuffer& doc, int32_t& loopStart, int32_t& loopEnd);

enum class WaveWriterKind {
    Normal,   // loopBody must hold the crossfaded forward loop (buildForwardLoop)
    Unrolled, // pingPong must hold the unrolled alternate loop (buildAlternateLoop)
};
// Forward loop, or "Simulate loop alternate by loop forward" off, or no loop:
// Normal; an alternate loop simulated by a forward loop: Unrolled.
WaveWriterKind chooseWaveWriter(const SampleBuffer& doc);

// The normal file: the samples, with the loop region s + 1 .. e taken from
// loopBody (the crossfade as it will be committed), cut after the loop end
// when cutAfterLoop is on, and the sampler chunk with the loop's own type
// (forward also when simulateAlternate is on). sampleRate is the rate to
// write (the retuned one when retuning).
WaveLayout normalWaveLayout(const SampleBuffer& doc, int32_t sampleRate);
// The unrolled file: samples 0 .. s, then the 2L entries of pingPong, as one
// forward loop from s + 1 to 2e - s; 2e - s + 1 frames in all.
WaveLayout unrolledWaveLayout(const SampleBuffer& doc, int32_t sampleRate);

// Write to doc.filePath. The document is read only: committing the crossfade,
// the new rate and isSaved are the caller's (saveDocument) once this succeeds.
WriteStatus writeWave(const SampleBuffer& doc, int32_t sampleRate);
WriteStatus writeWaveUnrolled(const SampleBuffer& doc, int32_t sampleRate);

// The loop line of the text export: "<end> <start + 1> <end> 16 1 <rate>".
std::string loopTextLine(int32_t loopStart, int32_t loopEnd, int32_t sampleRate);

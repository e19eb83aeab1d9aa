#pragma once
// Writing a WAV file: one writer for every format the program saves (8- and
// 16-bit PCM from the 16-bit image, and the file's own wider, float or
// extensible format from its own samples), which keeps the file whole.
//
// Layout (little-endian): "RIFF", the RIFF size (4 + the sum of 8 + size +
// pad over the chunks), "WAVE", then the chunks. A sound read from a
// well-formed file keeps its chunk order (riff_chunks.h): every kept chunk is
// written back byte for byte in its place; fmt, data, fact, smpl, cue and the
// LIST/adtl labels are rewritten from the document, and a smpl, cue or label
// list the file lacked is appended. Any other sound is written as
//   "fmt " (16 bytes for PCM, 18 for float, 40 for extensible), "data", then
//   "smpl" when there is a loop, "cue " and LIST/adtl when there are cue points.
// Each chunk of odd size is followed by one zero pad byte. So a 16-bit sound
// without marks gives the canonical 44-byte header; with one loop the smpl
// chunk is the classic 68 bytes:
//   "smpl", 60, manufacturer, product, sample period ns = trunc(1e9/rate + 0.5),
//   unity note (midiNote clamped to 0..127), pitch fraction, SMPTE format,
//   SMPTE offset, loop count, sampler data size, then per loop: cue id, type
//   (0 forward, 1 alternate, 2 backward), first sample, last sample
//   (inclusive), fraction, play count (0 endless); then the sampler data.
//   The fields the file had are written back, zero for a new chunk.
// Frames: 16-bit words left then right; 8-bit bytes trunc(x / 256) + 128
// (toward zero, so -255 .. 255 all give 128).
//
// Files are never written in place: the bytes go to a temporary file in the
// target's folder, which is flushed to disk and then renamed over the target,
// so a failure at any point leaves the old file as it was.

#include "document/riff_chunks.h"
#include "document/sampler_marks.h"
#include "document/wide_samples.h"

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

// The frames of a file written from the 16-bit image, in file order.
struct WaveLayout {
    int16_t channels = 1;
    int16_t bitsPerSample = 16;
    int32_t sampleRate = 0;
    std::vector<FrameSegment> segments; // the frames, in file order

    int32_t frameCount() const;
    int16_t blockAlign() const { return static_cast<int16_t>(channels * bitsPerSample / 8); }
};

uint8_t encode8Bit(int16_t sample);
// Sample period in ns written in the sampler chunk.
uint32_t samplePeriodNs(int32_t sampleRate);
// The fmt chunk's body for the encoding.
std::vector<uint8_t> formatChunkBody(const WaveEncoding& enc, int channels, int32_t rate);

// Writes exactly the data chunk's announced bytes, the frames in file order.
using FrameEmitter = std::function<bool(SafeFileWriter& file)>;

struct WaveFileContent {
    WaveEncoding encoding;                 // bits 8/16 plain PCM, or the file's own format
    int16_t channels = 1;
    int32_t sampleRate = 0;
    uint64_t dataBytes = 0;                // what `frames` writes
    FrameEmitter frames;
    const RiffChunkList* chunks = nullptr; // the order and kept chunks; null or empty: the order above
    FileMarks marks;                       // what smpl, cue and LIST/adtl say
    int32_t unityNote = 60;
};

// The one writer, through SafeFileWriter. WriteFailed also for a content
// that cannot be written (bad format, over 4 GiB, an emitter that writes
// another number of bytes than announced).
WriteStatus writeWaveFile(const std::string& path, const WaveFileContent& content);

// The 16-bit image's frame source: `layout` must outlive the emitter.
uint64_t layoutDataBytes(const WaveLayout& layout);
FrameEmitter layoutFrames(const WaveLayout& layout);

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

// The normal file's frames: the samples, with the loop region s + 1 .. e
// taken from loopBody (the crossfade as it will be committed), cut after the
// loop end when cutAfterLoop is on. sampleRate is the rate to write (the
// retuned one when retuning).
WaveLayout normalWaveLayout(const SampleBuffer& doc, int32_t sampleRate);
// The unrolled file's frames: samples 0 .. s, then the 2L entries of
// pingPong (written as one forward loop from s + 1 to 2e - s); 2e - s + 1
// frames in all.
WaveLayout unrolledWaveLayout(const SampleBuffer& doc, int32_t sampleRate);

// The loop line of the text export: "<end> <start + 1> <end> 16 1 <rate>".
std::string loopTextLine(int32_t loopStart, int32_t loopEnd, int32_t sampleRate);

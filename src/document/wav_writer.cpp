#include "document/wav_writer.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// ---- file layer -------------------------------------------------------------

namespace {

FileFaultHook& faultHook()
{
    static FileFaultHook hook;
    return hook;
}

int simulatedFault(FileStage stage, uint64_t written, size_t size)
{
    const FileFaultHook& hook = faultHook();
    return hook ? hook(stage, written, size) : 0;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace

void setFileFaultHook(FileFaultHook hook)
{
    faultHook() = std::move(hook);
}

SafeFileWriter::SafeFileWriter(std::string targetPath) : target_(std::move(targetPath))
{
    // Write through a symbolic link rather than replacing the link itself.
    char resolved[PATH_MAX];
    struct stat st;
    if (::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)
        && ::realpath(target_.c_str(), resolved) != nullptr)
        target_ = resolved;
}

SafeFileWriter::~SafeFileWriter()
{
    discard();
}

void SafeFileWriter::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool SafeFileWriter::open()
{
    discard();
    written_ = 0;
    if (const int fault = simulatedFault(FileStage::Open, 0, 0)) {
        error_ = fault;
        return false;
    }
    // Only a regular file (or a new name) is replaced: renaming over a device,
    // a pipe or a folder would swap the node itself for a plain file.
    struct stat existing;
    if (::stat(target_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        error_ = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target_ + ".tmp" + std::to_string(::getpid()) + "-"
                           + std::to_string(counter.fetch_add(1));
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = std::move(name);
            // A replaced file keeps its permissions.
            struct stat st;
            if (::stat(target_.c_str(), &st) == 0)
                ::fchmod(fd_, st.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST) {
            error_ = errno;
            return false;
        }
    }
    error_ = EEXIST;
    return false;
}

bool SafeFileWriter::write(const void* data, size_t size)
{
    if (fd_ < 0)
        return false;
    if (const int fault = simulatedFault(FileStage::Write, written_, size)) {
        error_ = fault;
        discard();
        return false;
    }
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            discard();
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool SafeFileWriter::commit()
{
    if (fd_ < 0)
        return false;
    int fault = simulatedFault(FileStage::Sync, written_, 0);
    if (fault == 0 && ::fsync(fd_) != 0)
        fault = errno;
    if (fault != 0) {
        error_ = fault;
        discard();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        error_ = errno;
        discard();
        return false;
    }
    fault = simulatedFault(FileStage::Rename, written_, 0);
    if (fault == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0)
        fault = errno;
    if (fault != 0) {
        error_ = fault;
        discard();
        return false;
    }
    temp_.clear();
    // Make the rename itself durable.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// ---- encoding ---------------------------------------------------------------

namespace {

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint64_t dataBytes(const WaveLayout& layout)
{
    return static_cast<uint64_t>(layout.frameCount()) * static_cast<uint64_t>(layout.blockAlign());
}

uint64_t riffSize(const WaveLayout& layout)
{
    const uint64_t D = dataBytes(layout);
    return 36 + D + (D & 1) + (layout.hasLoop ? 68 : 0);
}

} // namespace

int32_t WaveLayout::frameCount() const
{
    int64_t total = 0;
    for (const FrameSegment& seg : segments)
        total += std::max<int32_t>(seg.frames, 0);
    return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

uint8_t encode8Bit(int16_t sample)
{
    // C++ division truncates toward zero: -255 .. 255 all map to 128.
    return static_cast<uint8_t>(sample / 256 + 128);
}

uint32_t samplePeriodNs(int32_t sampleRate)
{
    if (sampleRate <= 0)
        return 0;
    return static_cast<uint32_t>(1.0e9 / sampleRate + 0.5);
}

std::array<uint8_t, 44> waveHeader(const WaveLayout& layout)
{
    std::array<uint8_t, 44> h{};
    const uint32_t D = static_cast<uint32_t>(dataBytes(layout));
    std::memcpy(&h[0], "RIFF", 4);
    put32(&h[4], static_cast<uint32_t>(riffSize(layout)));
    std::memcpy(&h[8], "WAVEfmt ", 8);
    put32(&h[16], 16);
    put16(&h[20], 1);
    put16(&h[22], static_cast<uint16_t>(layout.channels));
    put32(&h[24], static_cast<uint32_t>(layout.sampleRate));
    put32(&h[28], static_cast<uint32_t>(layout.blockAlign()) * static_cast<uint32_t>(layout.sampleRate));
    put16(&h[32], static_cast<uint16_t>(layout.blockAlign()));
    put16(&h[34], static_cast<uint16_t>(layout.bitsPerSample));
    std::memcpy(&h[36], "data", 4);
    put32(&h[40], D);
    return h;
}

std::array<uint8_t, 68> samplerChunk(const WaveLayout& layout)
{
    std::array<uint8_t, 68> c{};
    std::memcpy(&c[0], "smpl", 4);
    put32(&c[4], 60);
    // 8 manufacturer, 12 product: 0
    put32(&c[16], samplePeriodNs(layout.sampleRate));
    // A MIDI note: a pitch above G9 (or below C-1) is written as the nearest one.
    put32(&c[20], static_cast<uint32_t>(std::clamp(layout.loop.unityNote, 0, 127)));
    // 24 pitch fraction, 28 SMPTE format, 32 SMPTE offset: 0
    put32(&c[36], 1);
    // 40 sampler data, 44 cue point id: 0
    put32(&c[48], layout.loop.type);
    put32(&c[52], static_cast<uint32_t>(layout.loop.firstFrame));
    put32(&c[56], static_cast<uint32_t>(layout.loop.lastFrame));
    // 60 fraction, 64 play count (endless): 0
    return c;
}

WriteStatus writeWaveLayout(const std::string& path, const WaveLayout& layout)
{
    if (layout.channels < 1 || layout.channels > 2
        || (layout.bitsPerSample != 8 && layout.bitsPerSample != 16)
        || riffSize(layout) > UINT32_MAX)
        return WriteStatus::WriteFailed;
    for (const FrameSegment& seg : layout.segments)
        for (int c = 0; c < layout.channels; ++c)
            if (seg.frames > 0 && seg.channel[c] == nullptr)
                return WriteStatus::WriteFailed;

    SafeFileWriter file(path);
    if (!file.open())
        return WriteStatus::OpenFailed;

    const auto header = waveHeader(layout);
    if (!file.write(header.data(), header.size()))
        return WriteStatus::WriteFailed;

    // Frames are encoded through a fixed block so memory stays flat.
    constexpr size_t kBlockBytes = 1 << 16;
    std::vector<uint8_t> block(kBlockBytes);
    const size_t frameBytes = static_cast<size_t>(layout.blockAlign());
    const int channels = layout.channels;
    const bool eightBit = layout.bitsPerSample == 8;
    size_t used = 0;
    for (const FrameSegment& seg : layout.segments) {
        for (int32_t i = 0; i < seg.frames; ++i) {
            if (used + frameBytes > block.size()) {
                if (!file.write(block.data(), used))
                    return WriteStatus::WriteFailed;
                used = 0;
            }
            for (int c = 0; c < channels; ++c) {
                const int16_t v = seg.channel[c][i];
                if (eightBit) {
                    block[used++] = encode8Bit(v);
                } else {
                    put16(&block[used], static_cast<uint16_t>(v));
                    used += 2;
                }
            }
        }
    }
    if (dataBytes(layout) & 1) {
        if (used == block.size()) {
            if (!file.write(block.data(), used))
                return WriteStatus::WriteFailed;
            used = 0;
        }
        block[used++] = 0; // pad byte
    }
    if (used > 0 && !file.write(block.data(), used))
        return WriteStatus::WriteFailed;

    if (layout.hasLoop) {
        const auto chunk = samplerChunk(layout);
        if (!file.write(chunk.data(), chunk.size()))
            return WriteStatus::WriteFailed;
    }
    return file.commit() ? WriteStatus::Written : WriteStatus::WriteFailed;
}

// ---- the document's writers ------------------------------------------------

bool selectedLoop(const SampleBuffer& doc, int32_t& loopStart, int32_t& loopEnd)
{
    const int slot = doc.loops.currentSolution;
    if (slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return false;
    const int32_t s = doc.loops.loopStart[slot];
    const int32_t e = doc.loops.loopEnd[slot];
    // A slot pointing outside the sound would make the writer read past the
    // arrays; it is treated as no loop.
    if (s < -1 || s >= e || e >= doc.sampleCount)
        return false;
    loopStart = s;
    loopEnd = e;
    return true;
}

WaveWriterKind chooseWaveWriter(const SampleBuffer& doc)
{
    int32_t s = 0, e = 0;
    if (doc.loopForward || !doc.simulateAlternate || !selectedLoop(doc, s, e))
        return WaveWriterKind::Normal;
    return WaveWriterKind::Unrolled;
}

namespace {

FrameSegment segmentOf(const std::vector<int16_t> (&arrays)[2], int channels, int32_t from, int32_t frames)
{
    FrameSegment seg;
    seg.frames = frames;
    for (int c = 0; c < channels && c < 2; ++c)
        seg.channel[c] = arrays[c].data() + from;
    return seg;
}

bool holds(const std::vector<int16_t> (&arrays)[2], int channels, size_t entries)
{
    for (int c = 0; c < channels && c < 2; ++c)
        if (arrays[c].size() < entries)
            return false;
    return true;
}

WaveLayout baseLayout(const SampleBuffer& doc, int32_t sampleRate)
{
    WaveLayout layout;
    layout.channels = doc.channels;
    layout.bitsPerSample = doc.bitsPerSample;
    layout.sampleRate = sampleRate;
    return layout;
}

} // namespace

WaveLayout normalWaveLayout(const SampleBuffer& doc, int32_t sampleRate)
{
    WaveLayout layout = baseLayout(doc, sampleRate);
    const int ch = doc.channels;
    if (!holds(doc.samples, ch, static_cast<size_t>(std::max(doc.sampleCount, 0)))) {
        layout.channels = 0; // refused by writeWaveLayout
        return layout;
    }
    int32_t s = 0, e = 0;
    if (!selectedLoop(doc, s, e)) {
        layout.segments.push_back(segmentOf(doc.samples, ch, 0, doc.sampleCount));
        return layout;
    }
    const int32_t frames = doc.cutAfterLoop ? e + 1 : doc.sampleCount;
    const int32_t L = e - s;
    layout.segments.push_back(segmentOf(doc.samples, ch, 0, s + 1));
    // The loop region as it will be after the crossfade is committed; without
    // a built loop body the samples themselves.
    if (holds(doc.loopBody, ch, static_cast<size_t>(L)))
        layout.segments.push_back(segmentOf(doc.loopBody, ch, 0, L));
    else
        layout.segments.push_back(segmentOf(doc.samples, ch, s + 1, L));
    if (frames > e + 1)
        layout.segments.push_back(segmentOf(doc.samples, ch, e + 1, frames - e - 1));

    layout.hasLoop = true;
    layout.loop.type = (doc.loopForward || doc.simulateAlternate) ? 0 : 1;
    layout.loop.firstFrame = s + 1;
    layout.loop.lastFrame = e;
    layout.loop.unityNote = doc.midiNote;
    return layout;
}

WaveLayout unrolledWaveLayout(const SampleBuffer& doc, int32_t sampleRate)
{
    int32_t s = 0, e = 0;
    const int ch = doc.channels;
    const bool ready = selectedLoop(doc, s, e)
                       && holds(doc.samples, ch, static_cast<size_t>(doc.sampleCount))
                       && holds(doc.pingPong, ch, 2 * static_cast<size_t>(e - s));
    if (!ready)
        return normalWaveLayout(doc, sampleRate);

    WaveLayout layout = baseLayout(doc, sampleRate);
    const int32_t L = e - s;
    layout.segments.push_back(segmentOf(doc.samples, ch, 0, s + 1));
    layout.segments.push_back(segmentOf(doc.pingPong, ch, 0, 2 * L));
    layout.hasLoop = true;
    layout.loop.type = 0;
    layout.loop.firstFrame = s + 1;
    layout.loop.lastFrame = 2 * e - s;
    layout.loop.unityNote = doc.midiNote;
    return layout;
}

WriteStatus writeWave(const SampleBuffer& doc, int32_t sampleRate)
{
    return writeWaveLayout(doc.filePath, normalWaveLayout(doc, sampleRate));
}

WriteStatus writeWaveUnrolled(const SampleBuffer& doc, int32_t sampleRate)
{
    return writeWaveLayout(doc.filePath, unrolledWaveLayout(doc, sampleRate));
}

std::string loopTextLine(int32_t loopStart, int32_t loopEnd, int32_t sampleRate)
{
    return std::to_string(loopEnd) + " " + std::to_string(loopStart + 1) + " " + std::to_string(loopEnd)
           + " 16 1 " + std::to_string(sampleRate);
}

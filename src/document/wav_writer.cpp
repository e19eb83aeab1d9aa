#include "document/wav_writer.h"

#include "document/SampleBuffer.h"
#include "document/mark_chunks.h"

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

const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// One chunk to write: its id, and either its bytes or (for data) the emitter.
struct OutChunk {
    char id[4];
    const std::vector<uint8_t>* body = nullptr; // null: the data chunk
    uint64_t size = 0;
};

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

std::vector<uint8_t> formatChunkBody(const WaveEncoding& enc, int channels, int32_t rate)
{
    const size_t size = enc.extensible ? 40 : enc.isFloat ? 18 : 16;
    std::vector<uint8_t> f(size, 0);
    const uint32_t blockAlign = static_cast<uint32_t>(channels * enc.bytes());
    put16(&f[0], enc.extensible ? 0xFFFE : enc.isFloat ? 3 : 1);
    put16(&f[2], static_cast<uint16_t>(channels));
    put32(&f[4], static_cast<uint32_t>(rate));
    put32(&f[8], blockAlign * static_cast<uint32_t>(rate));
    put16(&f[12], static_cast<uint16_t>(blockAlign));
    put16(&f[14], static_cast<uint16_t>(enc.bits));
    if (enc.extensible) {
        put16(&f[16], 22);
        put16(&f[18], enc.validBits ? enc.validBits : static_cast<uint16_t>(enc.bits));
        put32(&f[20], enc.channelMask);
        put16(&f[24], enc.isFloat ? 3 : 1);
        std::memcpy(&f[26], kGuidTail, sizeof kGuidTail);
    }
    return f;
}

WriteStatus writeWaveFile(const std::string& path, const WaveFileContent& content)
{
    const WaveEncoding& enc = content.encoding;
    const bool encodingOk = enc.isFloat ? (enc.bits == 32 || enc.bits == 64)
                                        : (enc.bits == 8 || enc.bits == 16 || enc.bits == 24 || enc.bits == 32);
    if (content.channels < 1 || content.channels > 2 || !encodingOk || !content.frames)
        return WriteStatus::WriteFailed;

    // Every modelled chunk's bytes, made before anything is written.
    const std::vector<uint8_t> fmt = formatChunkBody(enc, content.channels, content.sampleRate);
    const FileMarks& marks = content.marks;
    const bool wantSampler = !marks.loops.empty() || marks.sampler.present;
    const std::vector<uint8_t> sampler =
        wantSampler ? samplerChunkBody(marks, samplePeriodNs(content.sampleRate),
                                       static_cast<uint32_t>(std::clamp(content.unityNote, 0, 127)))
                    : std::vector<uint8_t>{};
    const std::vector<uint8_t> cue = marks.cues.empty() ? std::vector<uint8_t>{} : cueChunkBody(marks);
    const bool wantLabels = hasCueLabels(marks);
    const std::vector<uint8_t> labels = wantLabels ? cueLabelsBody(marks) : std::vector<uint8_t>{};
    const uint64_t frames = content.dataBytes / static_cast<uint64_t>(content.channels * enc.bytes());
    std::vector<uint8_t> fact(4, 0);
    put32(fact.data(), static_cast<uint32_t>(std::min<uint64_t>(frames, UINT32_MAX)));

    // The order: the file's own, the modelled chunks it lacked appended.
    std::vector<OutChunk> order;
    bool placed[3] = {false, false, false}; // sampler, cue, labels
    auto add = [&](const char* id, const std::vector<uint8_t>* body) {
        OutChunk c;
        std::memcpy(c.id, id, 4);
        c.body = body;
        c.size = body ? body->size() : content.dataBytes;
        order.push_back(c);
    };
    const bool listed = content.chunks && !content.chunks->empty();
    if (listed) {
        for (const RiffChunk& c : content.chunks->chunks) {
            switch (c.role) {
            case ChunkRole::Format: add("fmt ", &fmt); break;
            case ChunkRole::Data: add("data", nullptr); break;
            case ChunkRole::Fact: add("fact", &fact); break;
            case ChunkRole::Sampler:
                if (wantSampler)
                    add("smpl", &sampler);
                placed[0] = true;
                break;
            case ChunkRole::Cue:
                if (!cue.empty())
                    add("cue ", &cue);
                placed[1] = true;
                break;
            case ChunkRole::CueLabels:
                if (wantLabels)
                    add("LIST", &labels);
                placed[2] = true;
                break;
            case ChunkRole::Kept:
                if (c.body)
                    add(c.id, c.body.get());
                break;
            }
        }
    } else {
        add("fmt ", &fmt);
        add("data", nullptr);
    }
    if (!placed[0] && wantSampler)
        add("smpl", &sampler);
    if (!placed[1] && !cue.empty())
        add("cue ", &cue);
    if (!placed[2] && wantLabels)
        add("LIST", &labels);

    uint64_t riff = 4;
    for (const OutChunk& c : order)
        riff += 8 + c.size + (c.size & 1);
    if (riff > UINT32_MAX)
        return WriteStatus::WriteFailed;

    SafeFileWriter file(path);
    if (!file.open())
        return WriteStatus::OpenFailed;
    uint8_t head[12];
    std::memcpy(head, "RIFF", 4);
    put32(head + 4, static_cast<uint32_t>(riff));
    std::memcpy(head + 8, "WAVE", 4);
    if (!file.write(head, sizeof head))
        return WriteStatus::WriteFailed;
    const uint8_t pad = 0;
    for (const OutChunk& c : order) {
        uint8_t h[8];
        std::memcpy(h, c.id, 4);
        put32(h + 4, static_cast<uint32_t>(c.size));
        if (!file.write(h, sizeof h))
            return WriteStatus::WriteFailed;
        const uint64_t before = file.bytesWritten();
        const bool ok = c.body ? (c.body->empty() || file.write(c.body->data(), c.body->size())) : content.frames(file);
        // The emitter must give exactly the bytes the size field announced.
        if (!ok || file.bytesWritten() - before != c.size)
            return WriteStatus::WriteFailed;
        if ((c.size & 1) && !file.write(&pad, 1))
            return WriteStatus::WriteFailed;
    }
    return file.commit() ? WriteStatus::Written : WriteStatus::WriteFailed;
}

uint64_t layoutDataBytes(const WaveLayout& layout)
{
    return static_cast<uint64_t>(layout.frameCount()) * static_cast<uint64_t>(layout.blockAlign());
}

FrameEmitter layoutFrames(const WaveLayout& layout)
{
    return [&layout](SafeFileWriter& file) {
        if (layout.bitsPerSample != 8 && layout.bitsPerSample != 16)
            return false;
        for (const FrameSegment& seg : layout.segments)
            for (int c = 0; c < layout.channels; ++c)
                if (seg.frames > 0 && seg.channel[c] == nullptr)
                    return false;
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
                        return false;
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
        return used == 0 || file.write(block.data(), used);
    };
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
    return layout;
}

std::string loopTextLine(int32_t loopStart, int32_t loopEnd, int32_t sampleRate)
{
    return std::to_string(loopEnd) + " " + std::to_string(loopStart + 1) + " " + std::to_string(loopEnd)
           + " 16 1 " + std::to_string(sampleRate);
}

// libFuzzer entry for the whole load path as the program drives it: the
// document loader (every format it takes: 8 to 32-bit integer, float with
// NaN and infinities, extensible headers; the wide image beside the 16-bit
// one) and the mixing dialog's reader, both reading the bytes as a file.
// Any bytes must load or be refused without reading outside what exists,
// and what loads must hold together (the file's loops and cue points too). Seeds: fuzz/seeds (recursively) and
// tests/data/wav_reader_corpus.
//   ./load_path_fuzzer -max_total_time=60 corpus/ ../fuzz/seeds/load

#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "mixing/mix_input.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The bytes as a file without touching the disk: a memory file named
// through /proc, which the loaders open like any other path.
class MemoryFile {
public:
    MemoryFile(const uint8_t* data, size_t size) : fd_(memfd_create("fuzz.wav", 0))
    {
        if (fd_ < 0)
            std::abort();
        for (size_t done = 0; done < size;) {
            const ssize_t n = write(fd_, data + done, size - done);
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { close(fd_); }
    const std::string& path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const MemoryFile file(data, size);

    SampleBuffer doc;
    doc.fileTitle = "fuzz.wav";
    const LoadOutcome outcome = loadSoundFile(doc, file.path());
    if (outcome.loaded) {
        check(doc.channels == 1 || doc.channels == 2);
        check(doc.sampleRate > 0 && doc.sampleCount > 0);
        for (int c = 0; c < doc.channels; ++c)
            check(doc.samples[c].size() >= static_cast<size_t>(doc.sampleCount));
        check(uint64_t(doc.sampleCount) * uint64_t(doc.blockAlign) <= size);
        const int32_t end = doc.loops.loopEnd[0];
        if (end > 0)
            check(doc.loops.loopStart[0] >= -1 && doc.loops.loopStart[0] < end && end < doc.sampleCount);
        // Every mark kept lies in the sound, so a save never writes one that points outside it.
        for (const FileLoop& l : doc.marks.loops)
            check(l.start >= 0 && l.start <= l.end && l.end < doc.sampleCount && l.type <= 2);
        for (const CuePoint& c : doc.marks.cues)
            check(c.position >= 0 && c.position < doc.sampleCount);
        const int32_t w = doc.marks.windowLoop;
        check(w >= -1 && w < static_cast<int32_t>(doc.marks.loops.size()));
        if (w >= 0)
            check(doc.loops.loopEnd[0] == doc.marks.loops[size_t(w)].end &&
                  doc.loops.loopStart[0] == doc.marks.loops[size_t(w)].start - 1);
    } else {
        check(!doc.isLoaded()); // a refusal leaves the (empty) document as it was
    }

    const MixReadResult mix = readMixWave(file.path(), true);
    if (mix.ok) {
        const MixInput& in = mix.input;
        check(in.channels == 1 || in.channels == 2);
        check(in.frameCount >= kMinMixFrames && in.sampleRate > 0);
        check(uint64_t(in.frameCount) * uint64_t(in.blockAlign) <= size);
        for (int c = 0; c < in.channels; ++c)
            check(in.samples[c].size() == static_cast<size_t>(in.frameCount));
    }
    check(mix.messages.size() <= 1);
    return 0;
}

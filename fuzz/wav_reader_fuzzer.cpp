// libFuzzer entry for the WAV reader: any bytes must parse or be refused
// without reading outside the buffer. Seeds: tests/data/wav_reader_corpus.
//   ./wav_reader_fuzzer -max_total_time=60 corpus/ tests/data/wav_reader_corpus

#include "document/wav_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The raw scan is what the mixing dialog's reader builds on.
    const WaveScan scan = scanWave(data, size);
    if (scan.dataFound && scan.dataOffset > size)
        std::abort();

    const WaveReadResult r = readWaveFile(data, size);
    if (r.status != WaveReadStatus::Ok)
        return 0;
    const WaveInfo& w = r.info;
    if (w.frames < kMinimumFrames || w.dataOffset > size ||
        uint64_t(w.frames) * uint64_t(w.blockAlign) > size - w.dataOffset)
        std::abort();
    if (w.loopEnd > 0 && !(w.loopStart >= -1 && w.loopStart < w.loopEnd && w.loopEnd < w.frames))
        std::abort();
    std::vector<int16_t> left(w.frames), right(w.channels == 2 ? w.frames : 0);
    decodeWaveFrames(data, w, left.data(), w.channels == 2 ? right.data() : nullptr);
    return 0;
}

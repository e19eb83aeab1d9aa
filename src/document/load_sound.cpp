#include "document/load_sound.h"

#include "document/SampleBuffer.h"
#include "document/wav_reader.h"

LoadOutcome loadSoundFile(SampleBuffer& doc, const std::string& path)
{
    LoadOutcome outcome;

    // Everything is checked on the bytes in memory before doc is touched, so
    // a refused file leaves every field (loop slots included) as it was.
    ByteBuffer bytes;
    if (!readFileBytes(path, bytes)) {
        outcome.messages.push_back(waveReadMessage(WaveReadStatus::CannotOpen, doc.fileTitle));
        return outcome;
    }
    WaveReadResult read = readWaveFile(bytes.data(), bytes.size(), doc.fftStartFraction);
    outcome.status = read.status;
    if (read.status != WaveReadStatus::Ok) {
        outcome.messages.push_back(waveReadMessage(read.status, doc.fileTitle));
        return outcome;
    }
    WaveInfo& w = read.info;
    if (w.dataTruncated) {
        outcome.dataTruncated = true;
        outcome.framesDeclared = w.framesDeclared;
        outcome.framesPresent = w.frames;
        outcome.messages.push_back(truncatedDataWarningMessage(path, w.framesDeclared, w.frames));
    }
    if (!w.chunkProblems.empty())
        outcome.messages.push_back(chunkProblemsMessage(path, w.chunkProblems));
    if (w.fewFramesWarning)
        outcome.messages.push_back(fewFramesWarningMessage());

    doc.sampleRate = w.sampleRate;
    doc.sampleCount = w.frames;
    doc.bitsPerSample = w.bitsPerSample;
    doc.channels = w.channels;
    doc.blockAlign = w.blockAlign;
    // The working arrays are released; the decode fills the sample arrays.
    doc.allocateSamples(w.channels, 0);
    const bool keepOwn = w.encoding.keepsOwnSamples();
    ImageDigest digest(w.channels, w.frames);
    const int64_t nonFinite = decodeWaveFramesInto(bytes.data(), w, doc.samples, keepOwn ? &digest : nullptr);
    if (nonFinite > 0)
        outcome.messages.push_back(nonFiniteWarningMessage(path, nonFinite));
    doc.fullRes.clear();
    doc.sixteenBitAgreed = false;
    if (keepOwn) {
        // The read buffer itself becomes the kept samples, without moving
        // the frames: the header before them is skipped by the offset, and
        // the bytes after them (chunks the reader has copied out) are cut off.
        const size_t n = static_cast<size_t>(w.frames) * static_cast<size_t>(w.blockAlign);
        bytes.resize(w.dataOffset + n);
        doc.fullRes.offset = w.dataOffset;
        doc.fullRes.encoding = w.encoding;
        doc.fullRes.frames = std::make_shared<ByteBuffer>(std::move(bytes));
        doc.tieOwnSamples(digest.value());
    }

    doc.marks = std::move(w.marks);
    doc.chunks = std::move(w.chunks);
    doc.loops.clear();
    doc.loops.loopStart[0] = w.loopStart;
    doc.loops.loopEnd[0] = w.loopEnd;
    doc.loopForward = w.loopForward();
    doc.fftSizeExp = w.fftSizeExp;

    outcome.loaded = true;
    return outcome;
}

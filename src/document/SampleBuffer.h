#pragma once
// The one sound being edited: samples, format, file identity, loop slots,
// pitch fields and the saved/modified state. The main window owns exactly one.

#include "document/riff_chunks.h"
#include "document/sampler_marks.h"
#include "document/wide_samples.h"

#include <cstdint>
#include <string>
#include <vector>

// Loop slots filled by a search (slots 0..9) or by a file's sampler chunk
// (slot 0). A loop (s, e) covers samples s + 1 .. e inclusive: loopStart is
// the sample just before the loop, loopEnd the last sample of the loop. A slot
// whose loopEnd is 0 or less holds no loop; the cleared state is -1 / -1.
// Slot 10 is never filled: it keeps a free slot for the "No loop" entry when
// all ten solutions are present.
struct SolutionTable {
    static constexpr int kSlots = 11;
    static constexpr int kSolutions = 10;

    int32_t loopStart[kSlots];
    int32_t loopEnd[kSlots];
    int16_t currentSolution = 0;

    SolutionTable() { clear(); }

    void clear()
    {
        for (int i = 0; i < kSlots; ++i)
            loopStart[i] = loopEnd[i] = -1;
    }
    bool hasLoop(int slot) const { return loopEnd[slot] > 0; }
    // The first slot holding no loop: the index of the "No loop" entry.
    int firstEmptySlot() const
    {
        int i = 0;
        while (i < kSolutions && hasLoop(i))
            ++i;
        return i;
    }
};

struct SampleBuffer {
    // File identity. filePath is the full path; fileFolder ends in '/';
    // fileTitle has neither folder nor ".wav". All empty for a never-saved sound.
    std::string filePath;
    std::string fileTitle;
    std::string fileFolder;

    SolutionTable loops;

    // The file kept whole: every loop and cue point it carries (the window's
    // current loop stands for marks.windowLoop), and its other chunks in
    // their order. Carried by undo snapshots; edits that move frames carry
    // the marks with them (see sampler_marks.h).
    FileMarks marks;
    RiffChunkList chunks;

    int32_t sampleCount = 0;   // frames per channel
    int32_t sampleRate = 0;    // frames per second
    int16_t channels = 0;      // 1 or 2; 0 while no sound is loaded
    int16_t bitsPerSample = 0; // the width in the file and when written: 8, 16, 24, 32 or 64
    int16_t blockAlign = 0;    // channels * bitsPerSample / 8

    // The file's own samples when its format is not plain 8/16-bit PCM
    // (wider, float or extensible): saves write them, with the loop work
    // applied at full resolution. Absent for a 16-bit sound, and dropped once
    // an edit changes the samples (the sound is then 16-bit). They count only
    // while tied to the image in `samples` (ownSamplesCurrent).
    FullResolution fullRes;
    // The user agreed to edit this sound's samples at 16 bits: asked once per
    // loaded document, before the first edit of a wide sound.
    bool sixteenBitAgreed = false;
    // The user agreed that Save replaces this document's file with a version
    // cut after the loop or retuned: asked once per opened document (the
    // window resets it when it opens a file).
    bool reshapeSaveAgreed = false;

    // One array of sampleCount signed 16-bit values per channel (8-bit files
    // widened as (b - 128) * 256). samples[1] is empty for mono: test
    // `channels`, not the array.
    std::vector<int16_t> samples[2];
    // Working loop buffers: loopBody[c] has sampleCount entries (the crossfaded
    // forward loop, entry 0 standing for sample loopStart + 1); pingPong[c] has
    // 2 * sampleCount entries (the alternate loop, forward half then the
    // sign-inverted backward half).
    std::vector<int16_t> loopBody[2];
    std::vector<int16_t> pingPong[2];
    // sampleCount entries: the synthesised single harmonic played alone.
    std::vector<int16_t> scratch;

    int16_t midiNote = 60;    // 0..127, written as the unity note
    int16_t note31 = 0;       // the pitch as a step of 31-tone equal temperament
    bool profilesShown = false;
    double channelPitch[2] = {0.0, 0.0}; // Hz per channel
    double pitchHz = 0.0;     // mono: channelPitch[0]; stereo: geometric mean (see updatePitchHz)
    int16_t detectedNote = 60;

    // Analysis window: 1024 * 2^fftSizeExp samples from sampleCount * fftStartFraction.
    int16_t fftSizeExp = 4;
    double fftStartFraction = 0.33;

    // Save options.
    int32_t tuneSampleRate = 1;
    int32_t cutAfterLoop = 1;
    int32_t simulateAlternate = 1;

    bool loopForward = true;  // loop type of the current loop
    bool isSaved = true;      // samples equal what was last loaded or saved

    bool isLoaded() const { return channels > 0 && sampleCount > 0; }
    bool isStereo() const { return channels == 2; }

    // Sizes every array for `frames` frames of `channelCount` channels (the
    // contents are zeroed; right-channel arrays are emptied for mono).
    void allocate(int16_t channelCount, int32_t frames);
    // Sizes the sample arrays alone (their contents are left for the caller,
    // who fills every frame) and releases the working arrays: a load then
    // costs the sound's own bytes, not four and a half times as much.
    // Whatever fills loopBody, pingPong or scratch sizes them first (the loop
    // builders do; ensureWorkingArrays sizes all three), and every reader of
    // them checks their length.
    void allocateSamples(int16_t channelCount, int32_t frames);
    // Grows loopBody, pingPong and scratch when shorter than sampleCount needs
    // (after an undo swap restored a longer sound).
    void ensureWorkingArrays();
    // pitchHz from channelPitch: the channel's pitch for mono, the geometric
    // mean for stereo, or the one channel's pitch when the other has none (a
    // silent channel would otherwise make the mean 0).
    void updatePitchHz();
    // An edit changed the 16-bit image itself: the file's own samples no
    // longer match it and are dropped, and the sound becomes plain PCM of 16
    // bits (8 bits stay 8). The undo snapshot taken before keeps them.
    void dropFullResolution();
    // The file's own samples are present and stand for exactly the 16-bit
    // image in `samples` (their digest matches): only then are they what a
    // save writes. One pass over the image.
    bool ownSamplesCurrent() const;
    // Records that fullRes and `samples` now stand for each other (after a
    // load, or a crossfade committed into both).
    void tieOwnSamples();
    // The same with `digest`, imageDigest16 of `samples` as the caller took
    // it while making them (a load digests the image as it decodes).
    void tieOwnSamples(uint64_t digest);
    // Drops the file's own samples when they no longer stand for the image
    // (a new sound, an edit that did not drop them itself): a stale copy can
    // then neither be written nor described. Returns whether it dropped them.
    bool dropStaleFullResolution();
};

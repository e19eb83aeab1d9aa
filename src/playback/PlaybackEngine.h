#pragma once
// Streams the sound, its loop and derived sounds to the audio output.
//
// Geometry. Each channel plays through one mono 16-bit ring buffer of the
// device. With the playback rate r, a chunk is c = r / 2 samples (half a
// second) and the ring 4c samples, split into four chunks at 0, c, 2c, 3c. The
// ring is kept one chunk ahead of the device's write cursor: playback starts
// with chunk 0 filled and, each time the write cursor enters chunk k, chunk
// k + 1 (mod 4) is refilled. `streamPhase` 1..4 names the chunk that is due
// next (2 at the start, then 3, 4, 1, 2, ...); 0 ends the worker.
//
// Sources (per channel i; s = loop start, e = loop end of the current solution,
// L = e - s, N = sampleCount):
//   2  OneShot                samples[i][0 .. N-1], then silence
//   3  LoopForward            loopBody[i][0 .. L-1] repeated
//   4  LoopAlternate          pingPong[i][0 .. 2L-1] repeated
//   5  SampleLoopForward      samples[i][0 .. s], then loopBody[i] repeated
//   6  SampleLoopAlternate    samples[i][0 .. s], then pingPong[i] repeated
//   7  Harmonic               scratch[0 .. N-1] (one channel), then silence
//   8  CutBoostPreview        the arrays handed over by setModeSource,
//   9  MixSourceA             then silence (the cut/boost dialog's filtered
//   10 MixSourceB             copy, the mixing dialog's two sources and
//   11 MixResult              their mix)
// One channel plays centred; two play hard left (channel 0) and hard right
// (channel 1). Both channels start and stop together, sample-aligned.
//
// A one-shot source (modes 2, 7 to 11) ends by itself once the device has
// played its last sample: the engine stops, returns to idle and calls the end
// callback. Loop modes play until stopPlayback.
//
// Threading contract
// - initDevice, createChannelBuffer, setSound, setModeSource, the setters,
//   startPlayback and stopPlayback are called from one thread (the window's).
// - startPlayback starts one worker thread per playback. The worker refills the
//   ring, polls the device every pollInterval (2 ms by default) and calls the
//   cursor and end callbacks ON THE WORKER THREAD: they must return quickly and
//   must not touch widgets or call back into the engine; post to the window's
//   thread instead (CallAfter). stopPlayback and the destructor may still call
//   the cursor callback (to erase the cursor): whatever it captures must
//   outlive the engine, or be cleared with setCursorCallback(nullptr) first.
// - While a playback runs, the arrays it reads (the sound's samples, loopBody,
//   pingPong, scratch, or the mode source) must stay allocated and unchanged;
//   the window keeps commands locked, a dialog keeps its arrays until it stops.
// - `playMode`, `streamPhase` and `cursorShown` may be read from any thread;
//   only the engine writes them.

#include "document/SampleBuffer.h"
#include "platform/audio_device.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

enum PlayMode : int32_t {
    PlayIdle = 0,
    PlayOneShot = 2,
    PlayLoopForward = 3,
    PlayLoopAlternate = 4,
    PlaySampleLoopForward = 5,
    PlaySampleLoopAlternate = 6,
    PlayHarmonic = 7,
    PlayCutBoostPreview = 8,
    PlayMixSourceA = 9,
    PlayMixSourceB = 10,
    PlayMixResult = 11,
};

// A new loop handed to a running loop playback (modes 3 to 6): the loop
// points and, per channel, the loop buffer (L or 2L samples, built as
// loopBody or pingPong are). The engine owns it once handed over.
struct LoopReplacement {
    int32_t loopStart = -1;
    int32_t loopEnd = -1;
    std::vector<int16_t> loop[2];
};

// Arrays a dialog plays (modes 8 to 11): `channels` arrays of `length` frames.
// The engine keeps the pointers, not copies.
struct PlaybackSource {
    int16_t channels = 0;
    const int16_t* samples[2] = {nullptr, nullptr};
    int32_t length = 0;
};

class PlaybackEngine {
public:
    enum class StartResult {
        Started,
        Stopped, // something was playing: it was stopped and nothing started
        Failed,  // no device, no buffers, or the mode's source is missing
    };
    enum class WorkerMode {
        Thread, // normal: startPlayback runs the worker on its own thread
        Manual, // the owner calls pollOnce() (tests stepping a manual device)
    };

    // playedSamples counts samples played since the start; soundPosition is the
    // matching sample of the sound (folded into the loop for modes 3 to 6), or
    // -1 when the cursor is to be erased at the end of the playback.
    using CursorCallback = std::function<void(int64_t playedSamples, int32_t soundPosition)>;
    using EndCallback = std::function<void(int32_t mode)>;

    static int32_t chunkSamplesFor(int32_t rateHz) { return rateHz / 2; }
    static int32_t ringSamplesFor(int32_t rateHz) { return 4 * (rateHz / 2); }

    PlaybackEngine();
    ~PlaybackEngine(); // stops any playback and joins the worker
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // Opens the sound card, or the silent null device when there is none, and
    // starts its output; a card that opens but will not start is replaced by
    // the null device too. False only when not even that works. hasSoundCard()
    // tells which one runs (the window may warn that there is no sound).
    bool initDevice();
    // The same with a given device (tests, or a device chosen by the caller).
    bool initDevice(std::unique_ptr<AudioDevice> device);
    bool hasSoundCard() const { return soundCard_; }
    AudioDevice* device() const { return device_.get(); }
    // A sound card whose output stopped by itself (a stream error, a card
    // unplugged) ends the playback as a one-shot ends (end callback). Then,
    // on the owner's thread, this replaces a card that is lost, or that is
    // not running and will not start again, by the null device, with the
    // channel rings made again at their rate and size; true when it switched
    // (once: the null device never fails), so the owner can tell the user.
    bool fallBackIfCardLost();

    // What the owner tells the user when initDevice fell back to the null
    // device, and when fallBackIfCardLost switched to it.
    static const char* noSoundOutputText()
    {
        return "No sound output could be opened: the program goes on, but playback is silent.";
    }
    static const char* soundOutputLostText()
    {
        return "The sound output stopped working: playback is silent from now on.";
    }

    // (Re)creates channel 0 or 1's ring of ringSamples (a positive multiple of
    // 4; normally ringSamplesFor(rate)) at rateHz, with its staging block of
    // ringSamples / 4. Refused while something plays.
    bool createChannelBuffer(int32_t rateHz, int32_t ringSamples, int channel);

    void setSound(const SampleBuffer* sound) { sound_ = sound; }
    // The arrays of mode 8, 9, 10 or 11; length 0 forgets them. False for
    // another mode or inconsistent arrays.
    bool setModeSource(int32_t mode, const PlaybackSource& source);
    void setCursorCallback(CursorCallback callback) { onCursor_ = std::move(callback); }
    void setEndCallback(EndCallback callback) { onEnd_ = std::move(callback); }
    // The cursor is reported once it has moved more than this many samples
    // (the waveform view's samples per pixel).
    void setCursorGranularity(int32_t samplesPerPixel) { cursorGranularity_.store(samplesPerPixel); }
    void setPollInterval(std::chrono::microseconds interval) { pollInterval_ = interval; }
    void setWorkerMode(WorkerMode mode) { workerMode_ = mode; }

    // If something plays: stops it (StartResult::Stopped). Otherwise selects
    // the mode's source, fills chunk 0 of every channel, sets `streamPhase` 2 and
    // starts the worker, which starts the channels' buffers together.
    StartResult startPlayback(int32_t mode, bool showCursor);
    // Ends the worker, stops and rewinds the buffers, returns to idle.
    void stopPlayback();
    // Fills the channel's next ring chunk from its source and advances its
    // write position by one chunk.
    void refill(int channel);

    // While a loop mode plays: from the next wrap of the loop on (the end
    // of a loop cycle the ring has not yet been filled past), every channel
    // plays `next` instead, sample-aligned; the head of modes 5 and 6 is not
    // replayed. A replacement not yet taken is replaced. The handoff is one
    // atomic pointer exchange: the window's thread never waits for the
    // worker. False (nothing changes) outside a loop mode or for buffers that
    // do not match the playback's channels.
    bool replaceLoop(std::unique_ptr<LoopReplacement> next);
    // Stream positions (samples since the start) at which a replacement
    // was taken, in order; read on the window's thread after the worker ended
    // or in manual mode (tests, delay measurements).
    std::vector<int64_t> loopSwitchPositions() const;

    // Manual worker mode: one poll of the device (refill on chunk entry,
    // cursor, one-shot end). False once the playback has ended.
    bool pollOnce();

    // The sample of the sound under the cursor after `playedSamples` of `mode`.
    static int32_t soundPositionOf(int32_t mode, int64_t playedSamples, int32_t loopStart,
                                   int32_t loopEnd, int32_t sourceLength);

    int32_t playbackRate() const { return rate_; }
    int32_t chunkSamples() const { return chunk_; }
    int32_t channelCount() const { return playChannels_; }
    int32_t writePosition(int channel) const { return writePosition_[channel & 1].load(); }
    int64_t readPosition(int channel) const { return readPosition_[channel & 1].load(); }
    int64_t playedSamples() const { return played_.load(); }
    uint64_t pollCount() const { return pollCount_.load(); }
    // CPU time the last finished worker thread used, in seconds.
    double lastWorkerCpuSeconds() const { return workerCpuSeconds_.load(); }

    std::atomic<int32_t> playMode{PlayIdle};
    std::atomic<int32_t> streamPhase{0};
    std::atomic<bool> cursorShown{false};

private:
    struct ChannelSource {
        const int16_t* once = nullptr; // played from its start, once
        int64_t onceLength = 0;
        const int16_t* loop = nullptr; // then repeated
        int64_t loopLength = 0;
    };

    bool selectSources(int32_t mode);
    void takePendingLoop();
    void dropLoopReplacements();
    int32_t cursorPosition(int64_t played);
    bool workerBegin();
    void workerEnd();
    void workerLoop();
    void stopBuffers();
    void joinWorker();
    void endOneShot();
    bool switchToNullDevice();

    std::unique_ptr<AudioDevice> device_;
    bool soundCard_ = false;
    std::atomic<bool> cardLost_{false}; // set by the worker, acted on by fallBackIfCardLost
    const SampleBuffer* sound_ = nullptr;
    PlaybackSource modeSources_[4]; // modes 8 .. 11

    AudioDevice::BufferId buffers_[2] = {-1, -1};
    int32_t bufferRate_[2] = {0, 0};
    int32_t bufferRing_[2] = {0, 0};
    std::vector<int16_t> staging_[2];

    // The current playback, fixed by startPlayback.
    int32_t rate_ = 0;
    int32_t chunk_ = 0;
    int32_t ring_ = 0;
    int32_t playChannels_ = 0;
    ChannelSource sources_[2];
    int32_t loopStart_ = 0;
    int32_t loopEnd_ = 0;
    int64_t oneShotLength_ = 0; // 0 for the loop modes

    // Loop handoff: the window's thread publishes into pending_; the worker
    // takes it into incoming_, switches each channel at its next wrap, and
    // keeps the buffer it plays in current_.
    std::atomic<LoopReplacement*> pending_{nullptr};
    std::unique_ptr<LoopReplacement> incoming_;
    std::unique_ptr<LoopReplacement> current_;
    bool switched_[2] = {false, false};
    int64_t loopBase_[2] = {0, 0}; // read position where the loop buffer's cycle 0 starts
    struct CursorLoop {
        int64_t from = 0; // stream position of the first sample of this loop
        int32_t loopStart = 0;
        int32_t loopEnd = 0;
    };
    std::vector<CursorLoop> cursorLoops_; // worker's; switches not yet reached by the cursor
    bool cursorSwitched_ = false;
    CursorLoop cursorLoop_;
    std::vector<int64_t> switchPositions_;

    std::atomic<int32_t> writePosition_[2];
    std::atomic<int64_t> readPosition_[2];
    std::atomic<int64_t> played_{0};
    std::atomic<uint64_t> pollCount_{0};
    std::atomic<int32_t> cursorGranularity_{0};
    std::atomic<double> workerCpuSeconds_{0.0};
    uint32_t previousPlay_ = 0;
    int64_t lastReported_ = 0;
    bool workerActive_ = false; // buffers started and not yet wound down

    CursorCallback onCursor_;
    EndCallback onEnd_;
    std::chrono::microseconds pollInterval_{2000};
    WorkerMode workerMode_ = WorkerMode::Thread;
    std::thread worker_;
};

#pragma once
// The audio output service the playback engine streams into: a device holding
// mono 16-bit ring buffers, each played in a loop at its own frequency and pan
// and mixed to the stereo output.
//
// Units and conventions
// - Sizes, offsets and cursors are in samples of one mono 16-bit buffer
//   (one sample = 2 bytes). A ring of R samples has positions 0 .. R - 1.
// - The play cursor is the ring position of the next sample to be heard (the
//   sample under the mixer's read head). The write cursor is the first position
//   it is safe to write at: play cursor + the mixer's look-ahead (one output
//   block converted to buffer samples, plus the interpolator's two samples),
//   modulo the ring. Data between the play and the write cursor may already be
//   in the mixer's hands.
// - Pan is in hundredths of a dB: 0 plays both sides at full level; a negative
//   value attenuates the right side by |pan| / 100 dB, a positive one the left
//   side; -10000 and +10000 silence that side completely (hard left / right).
// - Frequency is the buffer's own sample rate in Hz. When it differs from the
//   output rate the mixer converts with 4-point cubic Hermite interpolation;
//   when it equals the output rate every output sample is exactly one buffer
//   sample (x / 32768 scaled by the pan gain), so a centred or hard-panned
//   buffer reaches the output unchanged.
//
// Threads: every method may be called from any one thread at a time (the
// window's thread or the playback worker); the mixer itself runs on the
// device's own thread (sound card callback or null clock) and reads only the
// rings and atomics. A locked region is the writer's own copy of the ring:
// unlock() stores it into the ring the mixer reads (sample by sample, as
// atomics) and publishes it with a release that the mixer's next block
// acquires. So even a writer that falls behind the play cursor (an underrun)
// only makes the mixer play old samples, never read a sample mid-write.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A locked, writable stretch of a ring: it wraps past the ring's end when
// `second` is not null. Sizes in samples.
struct LockedRegion {
    int16_t* first = nullptr;
    uint32_t firstSamples = 0;
    int16_t* second = nullptr;
    uint32_t secondSamples = 0;
};

enum class LockResult { Ok, BufferLost, Failed };

class AudioDevice {
public:
    using BufferId = int; // -1 = no buffer

    virtual ~AudioDevice() = default;

    // Keeps the output running (silence while nothing plays), so buffers start
    // without waiting for the device. Idempotent.
    virtual bool start() = 0;
    virtual bool isRunning() const = 0;
    // True for a real sound card; false for the null device.
    virtual bool isAudible() const = 0;
    virtual std::string name() const = 0;

    // A mono 16-bit ring of ringSamples samples (zeroed), stopped at position 0,
    // centred, at frequencyHz. Returns -1 on failure.
    virtual BufferId createBuffer(uint32_t frequencyHz, uint32_t ringSamples) = 0;
    virtual void releaseBuffer(BufferId id) = 0;

    // Starts the given buffers looping from their current positions on the same
    // output sample, so their cursors stay in step. Already playing ones go on.
    virtual bool play(const BufferId* ids, int count) = 0;
    // Halts the given buffers together; their positions are kept.
    virtual bool stop(const BufferId* ids, int count) = 0;
    virtual bool isPlaying(BufferId id) const = 0;

    virtual bool getCurrentPosition(BufferId id, uint32_t* playSample, uint32_t* writeSample) const = 0;
    virtual bool setCurrentPosition(BufferId id, uint32_t sample) = 0;
    virtual bool setPan(BufferId id, int32_t panHundredthsDb) = 0;
    virtual bool setFrequency(BufferId id, uint32_t frequencyHz) = 0;

    // Locks `samples` samples from offsetSamples (modulo the ring); the region
    // wraps into `second` when it passes the ring's end. samples must not exceed
    // the ring. Until unlock the mixer may still play old data there.
    virtual LockResult lock(BufferId id, uint32_t offsetSamples, uint32_t samples, LockedRegion* region) = 0;
    // Publishes what was written into the region to the mixer.
    virtual bool unlock(BufferId id, const LockedRegion& region) = 0;
    // Makes a lost buffer usable again (its contents are undefined afterwards).
    virtual bool restore(BufferId id) = 0;
};

// The result of opening the sound output: always a usable device; portAudioOpened
// tells whether it is the sound card or the null device that keeps time silently.
struct AudioDeviceOpening {
    std::unique_ptr<AudioDevice> device;
    bool portAudioOpened = false;
    std::string detail; // why PortAudio could not be used, for the log
};
AudioDeviceOpening openAudioDevice();

// Catmull-Rom (4-point cubic Hermite) interpolation between x0 and x1 at
// fraction t in [0, 1): exact at t = 0 (returns x0), reproduces polynomials up
// to degree 2, continuous first derivative across sample intervals.
inline float interpolate_hermite4(float xm1, float x0, float x1, float x2, float t)
{
    const float c1 = 0.5f * (x1 - xm1);
    const float c2 = xm1 - 2.5f * x0 + 2.0f * x1 - 0.5f * x2;
    const float c3 = 0.5f * (x2 - xm1) + 1.5f * (x0 - x1);
    return ((c3 * t + c2) * t + c1) * t + x0;
}

// Linear gains (left, right) of a pan in hundredths of a dB, as described above.
void pan_gains(int32_t panHundredthsDb, float* left, float* right);

// The shared implementation of the buffer service: a fixed table of rings and
// a real-time-safe mixer. Derived devices only decide when render() runs (sound
// card callback or clock) and at which output rate.
class MixingAudioDevice : public AudioDevice {
public:
    static constexpr int kMaxBuffers = 8;

    MixingAudioDevice();
    ~MixingAudioDevice() override;

    BufferId createBuffer(uint32_t frequencyHz, uint32_t ringSamples) override;
    void releaseBuffer(BufferId id) override;
    bool play(const BufferId* ids, int count) override;
    bool stop(const BufferId* ids, int count) override;
    bool isPlaying(BufferId id) const override;
    bool getCurrentPosition(BufferId id, uint32_t* playSample, uint32_t* writeSample) const override;
    bool setCurrentPosition(BufferId id, uint32_t sample) override;
    bool setPan(BufferId id, int32_t panHundredthsDb) override;
    bool setFrequency(BufferId id, uint32_t frequencyHz) override;
    LockResult lock(BufferId id, uint32_t offsetSamples, uint32_t samples, LockedRegion* region) override;
    bool unlock(BufferId id, const LockedRegion& region) override;
    bool restore(BufferId id) override;

    uint32_t outputRate() const { return outputRate_.load(); }
    bool anyPlaying() const { return playingMask_.load() != 0; }

protected:
    // Mixes `frames` stereo frames (interleaved left, right) into out, which it
    // overwrites. Real-time safe: no allocation, no lock, no system call. Must
    // not run concurrently with itself.
    void render(float* out, uint32_t frames);
    // Only while no buffer plays (the cursors would jump otherwise).
    void setOutputRate(uint32_t hz) { outputRate_.store(hz); }
    // Largest number of frames one render() call may mix: sets how far ahead of
    // the play cursor the write cursor lies.
    void setBlockFrames(uint32_t frames) { blockFrames_.store(frames); }
    // Marks a buffer lost (the next lock reports it until restore), as a sound
    // card may do; used to exercise the recovery path.
    void markLost(BufferId id);

private:
    struct Slot {
        std::atomic<bool> inUse{false};
        std::atomic<bool> lost{false};
        std::atomic<uint32_t> frequencyHz{0};
        std::atomic<float> gainLeft{1.0f};
        std::atomic<float> gainRight{1.0f};
        std::atomic<int64_t> pendingPosition{-1}; // a set-position request, or -1
        std::atomic<uint32_t> playCursor{0};      // published by render
        std::atomic<uint32_t> publishCount{0};    // release point of unlock
        std::unique_ptr<std::atomic<int16_t>[]> ring; // what render plays; sized by createBuffer only
        std::vector<int16_t> staging;             // the writer's side: lock() hands out regions of it
        uint32_t ringSamples = 0;
        // Owned by render:
        uint64_t phase = 0; // 32.32 fixed-point ring position
        float currentLeft = 1.0f;
        float currentRight = 1.0f;
        bool wasPlaying = false;
    };

    Slot* slotOf(BufferId id) const;
    void waitForRenderToLeave();

    std::unique_ptr<Slot[]> slots_;
    std::atomic<uint32_t> playingMask_{0}; // bit i: slot i plays
    std::atomic<uint32_t> outputRate_{48000};
    std::atomic<uint32_t> blockFrames_{1024};
    std::atomic<int> rendersInFlight_{0};
};

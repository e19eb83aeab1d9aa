#pragma once
// The output used when no sound card can be opened: the same buffers and
// mixer as the sound card, driven by a clock instead of a card. Cursors move
// as they would on a card, so playback, the play cursor and the end of a
// one-shot keep working silently.
//
// Two clocks:
// - RealTime: a background thread renders every 2 ms the frames that the
//   steady clock says are due (times `speed`, 1 = real time; larger values run
//   faster than real time, for benchmarks).
// - Manual: nothing moves until advance(frames) renders that many output frames
//   on the caller's thread; tests step the device by hand this way.
// The output rate follows the rate of a buffer created while nothing plays, so
// a buffer normally plays without conversion.
//
// With recording on, every rendered stereo frame (left, right; floats where a
// 16-bit sample x stands as x / 32768) is kept for inspection.

#include "platform/audio_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class NullAudioDevice : public MixingAudioDevice {
public:
    enum class Clock { RealTime, Manual };

    explicit NullAudioDevice(Clock clock = Clock::RealTime, double speed = 1.0);
    ~NullAudioDevice() override;

    bool start() override;
    bool isRunning() const override;
    bool isAudible() const override { return false; }
    std::string name() const override { return "null output"; }
    BufferId createBuffer(uint32_t frequencyHz, uint32_t ringSamples) override;

    // Manual clock only: renders `frames` output frames now, in blocks of at
    // most blockFrames() (the look-ahead the write cursor announces).
    void advance(uint32_t frames);
    uint32_t blockFrames() const { return manualBlockFrames_; } // in Manual mode

    void setRecording(bool on);
    // The recorded frames so far (interleaved stereo); clears the record.
    std::vector<float> takeRecording();
    uint64_t framesRendered() const;

    // Makes the buffer report itself lost on the next lock, until restored.
    void loseBuffer(BufferId id) { markLost(id); }

private:
    void renderBlocks(uint64_t frames); // with mutex_ held
    void clockLoop();
    void rebaseClock();                 // with mutex_ held; also sizes the blocks

    const Clock clock_;
    const double speed_;
    static constexpr uint32_t manualBlockFrames_ = 64;
    uint32_t blockFrames_ = manualBlockFrames_;

    mutable std::mutex mutex_; // guards everything below (never taken by a sound card)
    std::condition_variable wake_;
    std::thread thread_;
    bool running_ = false;
    bool quit_ = false;
    bool recording_ = false;
    std::vector<float> block_;
    std::vector<float> recorded_;
    uint64_t rendered_ = 0;        // frames since the clock's base
    uint64_t renderedTotal_ = 0;
    std::chrono::steady_clock::time_point base_;
};

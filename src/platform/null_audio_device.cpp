#include "platform/null_audio_device.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr auto kTick = std::chrono::milliseconds(2);
}

NullAudioDevice::NullAudioDevice(Clock clock, double speed)
    : clock_(clock), speed_(speed > 0.0 ? speed : 1.0)
{
    std::lock_guard<std::mutex> lock(mutex_);
    rebaseClock();
}

NullAudioDevice::~NullAudioDevice()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool NullAudioDevice::start()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_)
        return true;
    running_ = true;
    rebaseClock();
    if (clock_ == Clock::RealTime)
        thread_ = std::thread([this] { clockLoop(); });
    return true;
}

bool NullAudioDevice::isRunning() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

AudioDevice::BufferId NullAudioDevice::createBuffer(uint32_t frequencyHz, uint32_t ringSamples)
{
    if (frequencyHz != 0 && !anyPlaying()) {
        std::lock_guard<std::mutex> lock(mutex_);
        setOutputRate(frequencyHz);
        rebaseClock();
    }
    return MixingAudioDevice::createBuffer(frequencyHz, ringSamples);
}

void NullAudioDevice::rebaseClock()
{
    base_ = std::chrono::steady_clock::now();
    rendered_ = 0;
    if (clock_ == Clock::RealTime) {
        // Blocks of 4 ms of (sped-up) output: two ticks. The write cursor
        // announces that much look-ahead, well inside a half-second chunk.
        blockFrames_ = std::max<uint32_t>(
            manualBlockFrames_, static_cast<uint32_t>(std::ceil(outputRate() * 0.004 * speed_)));
    }
    setBlockFrames(blockFrames_);
    block_.assign(2 * static_cast<size_t>(blockFrames_), 0.0f);
}

void NullAudioDevice::renderBlocks(uint64_t frames)
{
    while (frames > 0) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames, blockFrames_));
        render(block_.data(), n);
        if (recording_)
            recorded_.insert(recorded_.end(), block_.begin(), block_.begin() + 2 * n);
        frames -= n;
        rendered_ += n;
        renderedTotal_ += n;
    }
}

void NullAudioDevice::advance(uint32_t frames)
{
    if (clock_ != Clock::Manual)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    renderBlocks(frames);
}

void NullAudioDevice::clockLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        wake_.wait_for(lock, kTick, [this] { return quit_; });
        if (quit_)
            break;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - base_).count();
        const uint64_t due = static_cast<uint64_t>(elapsed * speed_ * outputRate());
        if (due > rendered_)
            renderBlocks(due - rendered_);
    }
}

void NullAudioDevice::setRecording(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    recording_ = on;
}

std::vector<float> NullAudioDevice::takeRecording()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<float> out;
    out.swap(recorded_);
    return out;
}

uint64_t NullAudioDevice::framesRendered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return renderedTotal_;
}

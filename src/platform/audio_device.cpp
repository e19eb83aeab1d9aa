#include "platform/audio_device.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

void pan_gains(int32_t panHundredthsDb, float* left, float* right)
{
    *left = 1.0f;
    *right = 1.0f;
    if (panHundredthsDb <= -10000)
        *right = 0.0f;
    else if (panHundredthsDb >= 10000)
        *left = 0.0f;
    else if (panHundredthsDb < 0)
        *right = static_cast<float>(std::pow(10.0, panHundredthsDb / 2000.0));
    else if (panHundredthsDb > 0)
        *left = static_cast<float>(std::pow(10.0, -panHundredthsDb / 2000.0));
}

MixingAudioDevice::MixingAudioDevice() : slots_(new Slot[kMaxBuffers]) {}

MixingAudioDevice::~MixingAudioDevice() = default;

MixingAudioDevice::Slot* MixingAudioDevice::slotOf(BufferId id) const
{
    if (id < 0 || id >= kMaxBuffers || !slots_[id].inUse.load())
        return nullptr;
    return &slots_[id];
}

void MixingAudioDevice::waitForRenderToLeave()
{
    // A render that began before the caller's last change may still read the
    // old state; one that begins afterwards sees the change (all accesses are
    // sequentially consistent). Renders are short, so this rarely waits.
    while (rendersInFlight_.load() != 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

AudioDevice::BufferId MixingAudioDevice::createBuffer(uint32_t frequencyHz, uint32_t ringSamples)
{
    if (frequencyHz == 0 || ringSamples < 4)
        return -1;
    for (int i = 0; i < kMaxBuffers; ++i) {
        Slot& s = slots_[i];
        if (s.inUse.load())
            continue;
        // The slot is unused, so render does not look at it.
        s.ring.reset(new std::atomic<int16_t>[ringSamples]);
        for (uint32_t k = 0; k < ringSamples; ++k)
            s.ring[k].store(0, std::memory_order_relaxed);
        s.staging.assign(ringSamples, 0);
        s.ringSamples = ringSamples;
        s.phase = 0;
        s.frequencyHz.store(frequencyHz);
        s.gainLeft.store(1.0f);
        s.gainRight.store(1.0f);
        s.currentLeft = s.currentRight = 1.0f;
        s.wasPlaying = false;
        s.pendingPosition.store(-1);
        s.playCursor.store(0);
        s.lost.store(false);
        s.inUse.store(true);
        return i;
    }
    return -1;
}

void MixingAudioDevice::releaseBuffer(BufferId id)
{
    Slot* s = slotOf(id);
    if (!s)
        return;
    playingMask_.fetch_and(~(1u << id));
    s->inUse.store(false);
    waitForRenderToLeave();
}

bool MixingAudioDevice::play(const BufferId* ids, int count)
{
    uint32_t mask = 0;
    for (int k = 0; k < count; ++k) {
        if (!slotOf(ids[k]))
            return false;
        mask |= 1u << ids[k];
    }
    // One atomic operation: the mixer sees all of them start or none.
    playingMask_.fetch_or(mask);
    return true;
}

bool MixingAudioDevice::stop(const BufferId* ids, int count)
{
    uint32_t mask = 0;
    for (int k = 0; k < count; ++k) {
        if (!slotOf(ids[k]))
            return false;
        mask |= 1u << ids[k];
    }
    playingMask_.fetch_and(~mask);
    return true;
}

bool MixingAudioDevice::isPlaying(BufferId id) const
{
    return slotOf(id) && (playingMask_.load() & (1u << id)) != 0;
}

bool MixingAudioDevice::getCurrentPosition(BufferId id, uint32_t* playSample, uint32_t* writeSample) const
{
    const Slot* s = slotOf(id);
    if (!s)
        return false;
    const int64_t pending = s->pendingPosition.load();
    const uint32_t play = pending >= 0 ? static_cast<uint32_t>(pending) : s->playCursor.load();
    const uint32_t rate = std::max<uint32_t>(outputRate_.load(), 1);
    // The mixer reads one block ahead (in buffer samples) plus the
    // interpolator's neighbours.
    const uint64_t blockSamples =
        (static_cast<uint64_t>(blockFrames_.load()) * s->frequencyHz.load() + rate - 1) / rate;
    const uint64_t lead = std::min<uint64_t>(blockSamples + 3, s->ringSamples - 1);
    if (playSample)
        *playSample = play;
    if (writeSample)
        *writeSample = static_cast<uint32_t>((play + lead) % s->ringSamples);
    return true;
}

bool MixingAudioDevice::setCurrentPosition(BufferId id, uint32_t sample)
{
    Slot* s = slotOf(id);
    if (!s)
        return false;
    const uint32_t position = sample % s->ringSamples;
    s->pendingPosition.store(position);
    if (!isPlaying(id))
        s->playCursor.store(position);
    return true;
}

bool MixingAudioDevice::setPan(BufferId id, int32_t panHundredthsDb)
{
    Slot* s = slotOf(id);
    if (!s)
        return false;
    float left, right;
    pan_gains(panHundredthsDb, &left, &right);
    s->gainLeft.store(left);
    s->gainRight.store(right);
    return true;
}

bool MixingAudioDevice::setFrequency(BufferId id, uint32_t frequencyHz)
{
    Slot* s = slotOf(id);
    if (!s || frequencyHz == 0)
        return false;
    s->frequencyHz.store(frequencyHz);
    return true;
}

LockResult MixingAudioDevice::lock(BufferId id, uint32_t offsetSamples, uint32_t samples, LockedRegion* region)
{
    Slot* s = slotOf(id);
    if (!s || !region || samples == 0 || samples > s->ringSamples)
        return LockResult::Failed;
    if (s->lost.load())
        return LockResult::BufferLost;
    const uint32_t offset = offsetSamples % s->ringSamples;
    const uint32_t firstSamples = std::min(samples, s->ringSamples - offset);
    region->first = s->staging.data() + offset;
    region->firstSamples = firstSamples;
    region->second = firstSamples < samples ? s->staging.data() : nullptr;
    region->secondSamples = samples - firstSamples;
    return LockResult::Ok;
}

bool MixingAudioDevice::unlock(BufferId id, const LockedRegion& region)
{
    Slot* s = slotOf(id);
    if (!s || !region.first)
        return false;
    const int16_t* base = s->staging.data();
    const uint32_t ring = s->ringSamples;
    const auto store = [&](const int16_t* from, uint32_t samples) {
        if (!from || from < base || samples > ring || static_cast<uint32_t>(from - base) > ring - samples)
            return false;
        std::atomic<int16_t>* to = s->ring.get() + (from - base);
        for (uint32_t k = 0; k < samples; ++k)
            to[k].store(from[k], std::memory_order_relaxed);
        return true;
    };
    if (!store(region.first, region.firstSamples) || (region.second && !store(region.second, region.secondSamples)))
        return false;
    // The mixer's acquire of this count makes every sample stored above visible.
    s->publishCount.fetch_add(1, std::memory_order_release);
    return true;
}

bool MixingAudioDevice::restore(BufferId id)
{
    Slot* s = slotOf(id);
    if (!s)
        return false;
    s->lost.store(false);
    return true;
}

void MixingAudioDevice::markLost(BufferId id)
{
    if (Slot* s = slotOf(id))
        s->lost.store(true);
}

void MixingAudioDevice::render(float* out, uint32_t frames)
{
    rendersInFlight_.fetch_add(1);
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
    const uint32_t mask = playingMask_.load();
    const uint32_t rate = outputRate_.load();
    constexpr float kScale = 1.0f / 32768.0f;
    constexpr uint64_t kOne = uint64_t(1) << 32;
    constexpr float kFraction = 1.0f / 4294967296.0f;

    for (int i = 0; i < kMaxBuffers; ++i) {
        Slot& s = slots_[i];
        if (!s.inUse.load())
            continue;
        const uint32_t ringSamples = s.ringSamples;
        const uint64_t ringFixed = static_cast<uint64_t>(ringSamples) << 32;
        const int64_t pending = s.pendingPosition.exchange(-1);
        if (pending >= 0)
            s.phase = static_cast<uint64_t>(pending % ringSamples) << 32;
        if ((mask & (1u << i)) == 0 || rate == 0 || frames == 0) {
            s.playCursor.store(static_cast<uint32_t>(s.phase >> 32));
            s.wasPlaying = false;
            continue;
        }
        s.publishCount.load(std::memory_order_acquire); // see every unlocked write
        const uint64_t step = (static_cast<uint64_t>(s.frequencyHz.load()) << 32) / rate;
        const float targetLeft = s.gainLeft.load();
        const float targetRight = s.gainRight.load();
        // A buffer that was silent starts at its pan at once: nothing to glide from.
        float left = s.wasPlaying ? s.currentLeft : targetLeft;
        float right = s.wasPlaying ? s.currentRight : targetRight;
        // A pan change glides over this block instead of stepping.
        const float dLeft = (targetLeft - left) / static_cast<float>(frames);
        const float dRight = (targetRight - right) / static_cast<float>(frames);
        const bool ramp = dLeft != 0.0f || dRight != 0.0f;
        const std::atomic<int16_t>* ring = s.ring.get();
        const auto x = [ring](uint32_t k) { return ring[k].load(std::memory_order_relaxed); };
        uint64_t phase = s.phase;

        if (step == kOne && (phase & 0xffffffffu) == 0 && !ramp) {
            // Same rate and on a sample: every output sample is one ring sample.
            uint32_t n = static_cast<uint32_t>(phase >> 32);
            for (uint32_t f = 0; f < frames; ++f) {
                const float v = x(n) * kScale;
                out[2 * f] += v * left;
                out[2 * f + 1] += v * right;
                if (++n == ringSamples)
                    n = 0;
            }
            phase = static_cast<uint64_t>(n) << 32;
        } else {
            for (uint32_t f = 0; f < frames; ++f) {
                const uint32_t n = static_cast<uint32_t>(phase >> 32);
                const uint32_t nm1 = n == 0 ? ringSamples - 1 : n - 1;
                const uint32_t n1 = n + 1 == ringSamples ? 0 : n + 1;
                const uint32_t n2 = n1 + 1 == ringSamples ? 0 : n1 + 1;
                const float t = static_cast<float>(phase & 0xffffffffu) * kFraction;
                const float v = interpolate_hermite4(x(nm1) * kScale, x(n) * kScale, x(n1) * kScale,
                                                     x(n2) * kScale, t);
                if (ramp) {
                    left += dLeft;
                    right += dRight;
                }
                out[2 * f] += v * left;
                out[2 * f + 1] += v * right;
                phase += step;
                if (phase >= ringFixed)
                    phase -= ringFixed;
            }
        }
        s.phase = phase;
        s.currentLeft = targetLeft;
        s.currentRight = targetRight;
        s.wasPlaying = true;
        s.playCursor.store(static_cast<uint32_t>(phase >> 32));
    }
    rendersInFlight_.fetch_sub(1);
}

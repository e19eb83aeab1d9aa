#include "playback/PlaybackEngine.h"

#include "platform/null_audio_device.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

constexpr int32_t kPanLeft = -10000;
constexpr int32_t kPanRight = 10000;

int32_t panFor(int channelCount, int channel)
{
    if (channelCount < 2)
        return 0;
    return channel == 0 ? kPanLeft : kPanRight;
}

double threadCpuSeconds()
{
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0)
        return 0.0;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

} // namespace

PlaybackEngine::PlaybackEngine()
{
    for (int ch = 0; ch < 2; ++ch) {
        writePosition_[ch].store(0);
        readPosition_[ch].store(0);
    }
}

PlaybackEngine::~PlaybackEngine()
{
    stopPlayback();
    dropLoopReplacements();
    if (device_) {
        for (AudioDevice::BufferId id : buffers_)
            if (id >= 0)
                device_->releaseBuffer(id);
    }
}

bool PlaybackEngine::initDevice()
{
    if (!device_) {
        AudioDeviceOpening opening = openAudioDevice();
        soundCard_ = opening.portAudioOpened;
        device_ = std::move(opening.device);
    }
    if (!device_)
        return false;
    return device_->start() || switchToNullDevice();
}

bool PlaybackEngine::initDevice(std::unique_ptr<AudioDevice> device)
{
    if (!device || playMode.load() != PlayIdle)
        return false;
    stopPlayback();
    if (device_) {
        for (AudioDevice::BufferId& id : buffers_) {
            if (id >= 0)
                device_->releaseBuffer(id);
            id = -1;
        }
    }
    device_ = std::move(device);
    soundCard_ = device_->isAudible();
    return device_->start() || (soundCard_ && switchToNullDevice());
}

bool PlaybackEngine::switchToNullDevice()
{
    stopPlayback();
    for (AudioDevice::BufferId& id : buffers_) {
        if (id >= 0 && device_)
            device_->releaseBuffer(id);
        id = -1;
    }
    device_ = std::make_unique<NullAudioDevice>();
    soundCard_ = false;
    cardLost_.store(false);
    if (!device_->start())
        return false;
    for (int ch = 0; ch < 2; ++ch)
        if (bufferRing_[ch] > 0)
            buffers_[ch] = device_->createBuffer(static_cast<uint32_t>(bufferRate_[ch]),
                                                 static_cast<uint32_t>(bufferRing_[ch]));
    return true;
}

bool PlaybackEngine::fallBackIfCardLost()
{
    if (!soundCard_ || !device_ || playMode.load() != PlayIdle)
        return false;
    joinWorker(); // the worker that saw the loss has ended the playback
    if (!cardLost_.load() && (device_->isRunning() || device_->start()))
        return false;
    switchToNullDevice();
    return true;
}

bool PlaybackEngine::createChannelBuffer(int32_t rateHz, int32_t ringSamples, int channel)
{
    if (!device_ || channel < 0 || channel > 1 || rateHz < 2 || ringSamples < 4 || ringSamples % 4 != 0)
        return false;
    joinWorker(); // a one-shot that ended by itself
    if (playMode.load() != PlayIdle || worker_.joinable())
        return false; // the worker reads these buffers
    if (buffers_[channel] >= 0) {
        device_->releaseBuffer(buffers_[channel]);
        buffers_[channel] = -1;
    }
    const AudioDevice::BufferId id =
        device_->createBuffer(static_cast<uint32_t>(rateHz), static_cast<uint32_t>(ringSamples));
    if (id < 0)
        return false;
    buffers_[channel] = id;
    bufferRate_[channel] = rateHz;
    bufferRing_[channel] = ringSamples;
    staging_[channel].assign(static_cast<size_t>(ringSamples / 4), 0);
    return true;
}

bool PlaybackEngine::setModeSource(int32_t mode, const PlaybackSource& source)
{
    if (mode < PlayCutBoostPreview || mode > PlayMixResult)
        return false;
    if (source.length > 0) {
        if (source.channels < 1 || source.channels > 2)
            return false;
        for (int ch = 0; ch < source.channels; ++ch)
            if (!source.samples[ch])
                return false;
    }
    modeSources_[mode - PlayCutBoostPreview] = source.length > 0 ? source : PlaybackSource{};
    return true;
}

bool PlaybackEngine::selectSources(int32_t mode)
{
    for (ChannelSource& s : sources_)
        s = ChannelSource{};
    loopStart_ = loopEnd_ = 0;
    oneShotLength_ = 0;

    if (mode >= PlayCutBoostPreview && mode <= PlayMixResult) {
        const PlaybackSource& src = modeSources_[mode - PlayCutBoostPreview];
        if (src.length <= 0)
            return false;
        playChannels_ = src.channels;
        for (int ch = 0; ch < playChannels_; ++ch) {
            sources_[ch].once = src.samples[ch];
            sources_[ch].onceLength = src.length;
        }
        oneShotLength_ = src.length;
    } else {
        if (!sound_ || !sound_->isLoaded() || sound_->channels > 2)
            return false;
        const SampleBuffer& snd = *sound_;
        const int32_t n = snd.sampleCount;
        playChannels_ = mode == PlayHarmonic ? 1 : snd.channels;
        for (int ch = 0; ch < playChannels_; ++ch)
            if (snd.samples[ch].size() < static_cast<size_t>(n))
                return false;

        if (mode == PlayOneShot || mode == PlayHarmonic) {
            if (mode == PlayHarmonic && snd.scratch.size() < static_cast<size_t>(n))
                return false;
            for (int ch = 0; ch < playChannels_; ++ch) {
                sources_[ch].once = mode == PlayHarmonic ? snd.scratch.data() : snd.samples[ch].data();
                sources_[ch].onceLength = n;
            }
            oneShotLength_ = n;
        } else if (mode >= PlayLoopForward && mode <= PlaySampleLoopAlternate) {
            const int slot = snd.loops.currentSolution;
            if (slot < 0 || slot >= SolutionTable::kSlots)
                return false;
            const int32_t s = snd.loops.loopStart[slot];
            const int32_t e = snd.loops.loopEnd[slot];
            // A loop covers s + 1 .. e, inside the sound.
            if (e < 1 || s < -1 || s >= e || e >= n)
                return false;
            const bool alternate = mode == PlayLoopAlternate || mode == PlaySampleLoopAlternate;
            const bool withHead = mode == PlaySampleLoopForward || mode == PlaySampleLoopAlternate;
            const int64_t m = alternate ? 2 * static_cast<int64_t>(e - s) : (e - s);
            for (int ch = 0; ch < playChannels_; ++ch) {
                const std::vector<int16_t>& loop = alternate ? snd.pingPong[ch] : snd.loopBody[ch];
                if (loop.size() < static_cast<size_t>(m))
                    return false;
                sources_[ch].loop = loop.data();
                sources_[ch].loopLength = m;
                if (withHead) {
                    sources_[ch].once = snd.samples[ch].data();
                    sources_[ch].onceLength = static_cast<int64_t>(s) + 1;
                }
            }
            loopStart_ = s;
            loopEnd_ = e;
        } else {
            return false;
        }
    }

    if (!device_ || playChannels_ < 1)
        return false;
    for (int ch = 0; ch < playChannels_; ++ch) {
        if (buffers_[ch] < 0 || bufferRate_[ch] != bufferRate_[0] || bufferRing_[ch] != bufferRing_[0])
            return false;
    }
    rate_ = bufferRate_[0];
    ring_ = bufferRing_[0];
    chunk_ = ring_ / 4;
    return true;
}

void PlaybackEngine::refill(int channel)
{
    if (channel < 0 || channel >= playChannels_ || chunk_ <= 0)
        return;
    const ChannelSource& src = sources_[channel]; // may switch its loop below
    int16_t* block = staging_[channel].data();
    const int64_t c = chunk_;
    int64_t read = readPosition_[channel].load();
    int64_t filled = 0;

    // The part played once (the whole one-shot source, or the sound up to the
    // loop start).
    if (src.once && read < src.onceLength) {
        const int64_t h = std::min(src.onceLength - read, c);
        std::memcpy(block, src.once + read, static_cast<size_t>(h) * sizeof(int16_t));
        filled = h;
        read += h;
    }
    // Then the loop, cyclically: a loop shorter than a chunk repeats within it.
    if (src.loop && src.loopLength > 0) {
        while (filled < c) {
            int64_t t = (read - loopBase_[channel]) % src.loopLength;
            // At a wrap (a whole cycle played), a replacement takes over.
            if (t == 0 && read > loopBase_[channel] && incoming_ && !switched_[channel]) {
                sources_[channel].loop = incoming_->loop[channel].data();
                sources_[channel].loopLength = static_cast<int64_t>(incoming_->loop[channel].size());
                loopBase_[channel] = read;
                switched_[channel] = true;
                if (channel == 0) {
                    switchPositions_.push_back(read);
                    cursorLoops_.push_back({read, incoming_->loopStart, incoming_->loopEnd});
                }
            }
            const int64_t n = std::min(src.loopLength - t, c - filled);
            std::memcpy(block + filled, src.loop + t, static_cast<size_t>(n) * sizeof(int16_t));
            filled += n;
            read += n;
        }
    }
    // After a one-shot source: silence for the rest of the chunk.
    std::fill(block + filled, block + c, int16_t(0));
    readPosition_[channel].store(read);

    const int32_t write = writePosition_[channel].load();
    const AudioDevice::BufferId id = buffers_[channel];
    LockedRegion region;
    LockResult locked = device_->lock(id, static_cast<uint32_t>(write), static_cast<uint32_t>(c), &region);
    if (locked == LockResult::BufferLost && device_->restore(id))
        locked = device_->lock(id, static_cast<uint32_t>(write), static_cast<uint32_t>(c), &region);
    if (locked == LockResult::Ok) {
        std::memcpy(region.first, block, region.firstSamples * sizeof(int16_t));
        if (region.second)
            std::memcpy(region.second, block + region.firstSamples, region.secondSamples * sizeof(int16_t));
        device_->unlock(id, region);
    }
    // A chunk that could not be locked is skipped; the stream goes on.
    writePosition_[channel].store(static_cast<int32_t>((write + c) % ring_));
}

PlaybackEngine::StartResult PlaybackEngine::startPlayback(int32_t mode, bool showCursor)
{
    joinWorker(); // a one-shot that ended by itself leaves its thread to join
    if (playMode.load() != PlayIdle) {
        stopPlayback();
        return StartResult::Stopped;
    }
    if (!selectSources(mode))
        return StartResult::Failed;

    playMode.store(mode);
    dropLoopReplacements();
    for (int ch = 0; ch < playChannels_; ++ch) {
        loopBase_[ch] = sources_[ch].once ? sources_[ch].onceLength : 0;
        readPosition_[ch].store(0);
        writePosition_[ch].store(0);
        refill(ch);
    }
    cursorShown.store(showCursor);
    streamPhase.store(2);
    if (workerMode_ == WorkerMode::Manual) {
        if (!workerBegin())
            streamPhase.store(0);
    } else {
        worker_ = std::thread([this] { workerLoop(); });
    }
    return StartResult::Started;
}

bool PlaybackEngine::workerBegin()
{
    // A buffer still playing belongs to another playback: leave it alone.
    if (device_->isPlaying(buffers_[0]))
        return false;
    previousPlay_ = 0;
    played_.store(0);
    lastReported_ = 0;
    AudioDevice::BufferId ids[2];
    for (int ch = 0; ch < playChannels_; ++ch) {
        ids[ch] = buffers_[ch];
        device_->setPan(ids[ch], panFor(playChannels_, ch));
        device_->setFrequency(ids[ch], static_cast<uint32_t>(rate_));
        device_->setCurrentPosition(ids[ch], 0);
    }
    // One start for all channels keeps left and right sample-aligned.
    device_->play(ids, playChannels_);
    workerActive_ = true;
    if (cursorShown.load() && onCursor_)
        onCursor_(0, soundPositionOf(playMode.load(), 0, loopStart_, loopEnd_,
                                     static_cast<int32_t>(oneShotLength_)));
    return true;
}

void PlaybackEngine::workerEnd()
{
    if (!workerActive_)
        return;
    workerActive_ = false;
    if (cursorShown.load() && onCursor_)
        onCursor_(played_.load(), -1);
}

void PlaybackEngine::workerLoop()
{
    if (workerBegin()) {
        while (streamPhase.load() != 0) {
            if (!pollOnce())
                break;
            std::this_thread::sleep_for(pollInterval_);
        }
        workerEnd();
    }
    workerCpuSeconds_.store(threadCpuSeconds());
}

bool PlaybackEngine::pollOnce()
{
    if (!workerActive_ || streamPhase.load() == 0)
        return false;
    pollCount_.fetch_add(1);
    // A card whose stream stopped by itself will never move the cursor
    // again: the playback ends here, and the owner switches to the null
    // device (fallBackIfCardLost).
    if (soundCard_ && !device_->isRunning()) {
        cardLost_.store(true);
        endOneShot();
        return false;
    }
    uint32_t play = 0, write = 0;
    if (!device_->getCurrentPosition(buffers_[0], &play, &write))
        return true;

    // Entering chunk k makes chunk k + 1 due: phase p waits for zone p + 2 (mod 4).
    int32_t phase = streamPhase.load();
    const int32_t zone = static_cast<int32_t>(write) / chunk_;
    if (phase >= 1 && phase <= 4 && zone == (phase + 2) % 4) {
        takePendingLoop();
        for (int ch = 0; ch < playChannels_; ++ch)
            refill(ch);
        // Every channel wraps at the same read position: once all switched,
        // the old buffers are no longer read.
        if (incoming_ && std::all_of(switched_, switched_ + playChannels_, [](bool b) { return b; })) {
            current_ = std::move(incoming_);
            switched_[0] = switched_[1] = false;
        }
        // A stop meanwhile (phase 0) must not be overwritten.
        streamPhase.compare_exchange_strong(phase, phase % 4 + 1);
    }

    int64_t distance = static_cast<int64_t>(play) - previousPlay_;
    if (distance < 0)
        distance += ring_;
    previousPlay_ = play;
    const int64_t played = played_.fetch_add(distance) + distance;

    if (oneShotLength_ > 0 && played >= oneShotLength_) {
        endOneShot();
        return false;
    }
    if (cursorShown.load() && onCursor_ && played - lastReported_ > cursorGranularity_.load()) {
        lastReported_ = played;
        onCursor_(played, cursorPosition(played));
    }
    return streamPhase.load() != 0;
}

int32_t PlaybackEngine::cursorPosition(int64_t played)
{
    while (!cursorLoops_.empty() && played >= cursorLoops_.front().from) {
        cursorLoop_ = cursorLoops_.front();
        cursorLoops_.erase(cursorLoops_.begin());
        cursorSwitched_ = true;
    }
    const int32_t mode = playMode.load();
    if (!cursorSwitched_)
        return soundPositionOf(mode, played, loopStart_, loopEnd_, static_cast<int32_t>(oneShotLength_));
    // After a switch: the new loop from its first cycle on.
    const bool alternate = mode == PlayLoopAlternate || mode == PlaySampleLoopAlternate;
    return soundPositionOf(alternate ? PlayLoopAlternate : PlayLoopForward, played - cursorLoop_.from,
                           cursorLoop_.loopStart, cursorLoop_.loopEnd, 0);
}

bool PlaybackEngine::replaceLoop(std::unique_ptr<LoopReplacement> next)
{
    const int32_t mode = playMode.load();
    if (!next || mode < PlayLoopForward || mode > PlaySampleLoopAlternate)
        return false;
    if (next->loopEnd - next->loopStart < 1)
        return false;
    const bool alternate = mode == PlayLoopAlternate || mode == PlaySampleLoopAlternate;
    const size_t m = static_cast<size_t>(next->loopEnd - next->loopStart) * (alternate ? 2 : 1);
    for (int ch = 0; ch < playChannels_; ++ch)
        if (next->loop[ch].size() != m)
            return false;
    // A replacement the worker has not taken yet is ours to free.
    delete pending_.exchange(next.release(), std::memory_order_acq_rel);
    return true;
}

void PlaybackEngine::takePendingLoop()
{
    if (LoopReplacement* p = pending_.exchange(nullptr, std::memory_order_acq_rel)) {
        // A newer loop before the last one was heard: the newer one wins.
        incoming_.reset(p);
        switched_[0] = switched_[1] = false;
    }
}

void PlaybackEngine::dropLoopReplacements()
{
    delete pending_.exchange(nullptr, std::memory_order_acq_rel);
    incoming_.reset();
    current_.reset();
    switched_[0] = switched_[1] = false;
    cursorLoops_.clear();
    cursorSwitched_ = false;
    switchPositions_.clear();
}

std::vector<int64_t> PlaybackEngine::loopSwitchPositions() const
{
    return switchPositions_;
}

void PlaybackEngine::endOneShot()
{
    int32_t phase = streamPhase.load();
    // Exactly one of this and stopPlayback ends the playback.
    if (phase == 0 || !streamPhase.compare_exchange_strong(phase, 0))
        return;
    const int32_t mode = playMode.load();
    stopBuffers();
    workerEnd();
    playMode.store(PlayIdle);
    if (onEnd_)
        onEnd_(mode);
}

void PlaybackEngine::stopBuffers()
{
    AudioDevice::BufferId ids[2];
    int n = 0;
    for (AudioDevice::BufferId id : buffers_)
        if (id >= 0)
            ids[n++] = id;
    if (n == 0 || !device_)
        return;
    device_->stop(ids, n);
    for (int k = 0; k < n; ++k)
        device_->setCurrentPosition(ids[k], 0);
}

void PlaybackEngine::joinWorker()
{
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

void PlaybackEngine::stopPlayback()
{
    // The worker leaves its loop first, so nothing refills a stopped buffer.
    streamPhase.store(0);
    joinWorker();
    stopBuffers();
    if (workerMode_ == WorkerMode::Manual)
        workerEnd();
    playMode.store(PlayIdle);
}

int32_t PlaybackEngine::soundPositionOf(int32_t mode, int64_t playedSamples, int32_t loopStart,
                                        int32_t loopEnd, int32_t sourceLength)
{
    const int64_t played = std::max<int64_t>(playedSamples, 0);
    const int64_t s = loopStart;
    const int64_t e = loopEnd;
    const int64_t l = e - s;
    auto forward = [&](int64_t t) { return s + 1 + t % l; };
    auto alternate = [&](int64_t t) {
        const int64_t u = t % (2 * l);
        return u < l ? s + 1 + u : e - (u - l);
    };
    switch (mode) {
    case PlayLoopForward:
        return l > 0 ? static_cast<int32_t>(forward(played)) : 0;
    case PlayLoopAlternate:
        return l > 0 ? static_cast<int32_t>(alternate(played)) : 0;
    case PlaySampleLoopForward:
        if (played <= s || l <= 0)
            return static_cast<int32_t>(played);
        return static_cast<int32_t>(forward(played - s - 1));
    case PlaySampleLoopAlternate:
        if (played <= s || l <= 0)
            return static_cast<int32_t>(played);
        return static_cast<int32_t>(alternate(played - s - 1));
    default:
        if (sourceLength <= 0)
            return 0;
        return static_cast<int32_t>(std::min<int64_t>(played, sourceLength - 1));
    }
}

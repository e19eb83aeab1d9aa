#pragma once
// The sound card output: one PortAudio stereo stream whose callback runs the
// shared mixer (see audio_device.h). The callback reads only the device's own
// rings and atomics: it never allocates, locks or logs.
//
// Rate: the stream opens at the default output device's own rate. A buffer
// created while nothing plays moves the stream to the buffer's rate when the
// card accepts it; otherwise the mixer converts. Output is 32-bit float when
// the card takes it, else 16-bit (x / 32768 back to x exactly); dither is off
// so that a 16-bit source reaches a 16-bit card unchanged.

#include "platform/audio_device.h"

#include <memory>
#include <string>
#include <vector>

struct PaStreamCallbackTimeInfo;

class PortAudioDevice : public MixingAudioDevice {
public:
    // Initialises PortAudio (its console chatter silenced) and opens a stream on
    // the default output device. Null, with the reason in *detail, when there is
    // no usable device.
    static std::unique_ptr<PortAudioDevice> open(std::string* detail);
    ~PortAudioDevice() override;

    bool start() override;
    bool isRunning() const override;
    bool isAudible() const override { return true; }
    std::string name() const override { return deviceName_; }
    BufferId createBuffer(uint32_t frequencyHz, uint32_t ringSamples) override;

private:
    PortAudioDevice() = default;
    bool openStream(double rateHz, std::string* detail);
    void closeStream();
    static int streamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                              void* self);

    static constexpr unsigned long kFramesPerBuffer = 256;
    void* stream_ = nullptr; // PaStream
    int deviceIndex_ = -1;
    bool int16Output_ = false;
    bool started_ = false;   // the current stream was started
    bool abandoned_ = false; // a stream that died was left unclosed
    std::string deviceName_;
    std::vector<float> scratch_; // the callback's own block for 16-bit output
};

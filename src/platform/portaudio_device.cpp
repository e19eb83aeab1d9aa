#include "platform/portaudio_device.h"

#include "platform/null_audio_device.h"

#include <portaudio.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// ALSA reports every probe it makes to stderr through a handler; a do-nothing
// handler keeps the console quiet. The library is already loaded by PortAudio,
// so it is looked up rather than linked.
void quietAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (void* symbol = dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))
        reinterpret_cast<SetHandler>(symbol)(&quietAlsaHandler);
}

// Sends stderr to /dev/null for its lifetime: JACK and OSS probing print
// directly, without a handler to replace.
class StderrSilencer {
public:
    StderrSilencer()
    {
        saved_ = dup(STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && devNull >= 0)
            dup2(devNull, STDERR_FILENO);
        if (devNull >= 0)
            close(devNull);
    }
    ~StderrSilencer()
    {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    StderrSilencer(const StderrSilencer&) = delete;
    StderrSilencer& operator=(const StderrSilencer&) = delete;

private:
    int saved_ = -1;
};

PaStreamParameters outputParameters(int device, PaSampleFormat format)
{
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = 2;
    p.sampleFormat = format;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    p.suggestedLatency = info ? info->defaultLowOutputLatency : 0.05;
    p.hostApiSpecificStreamInfo = nullptr;
    return p;
}

} // namespace

std::unique_ptr<PortAudioDevice> PortAudioDevice::open(std::string* detail)
{
    setenv("JACK_NO_START_SERVER", "1", 0);
    silenceAlsa();
    StderrSilencer quiet;
    const PaError initError = Pa_Initialize();
    if (initError != paNoError) {
        if (detail)
            *detail = std::string("PortAudio initialisation failed: ") + Pa_GetErrorText(initError);
        return nullptr;
    }
    silenceAlsa(); // in case PortAudio loaded the library only now
    std::unique_ptr<PortAudioDevice> device(new PortAudioDevice());
    device->deviceIndex_ = Pa_GetDefaultOutputDevice();
    if (device->deviceIndex_ == paNoDevice) {
        if (detail)
            *detail = "no default output device";
        return nullptr; // the destructor terminates PortAudio
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device->deviceIndex_);
    device->deviceName_ = info && info->name ? info->name : "sound card";
    const double rate = info && info->defaultSampleRate > 0 ? info->defaultSampleRate : 48000.0;
    if (!device->openStream(rate, detail))
        return nullptr;
    return device;
}

PortAudioDevice::~PortAudioDevice()
{
    closeStream();
    // Terminating would close the abandoned stream after all (see closeStream).
    if (!abandoned_)
        Pa_Terminate();
}

bool PortAudioDevice::openStream(double rateHz, std::string* detail)
{
    PaStreamParameters p = outputParameters(deviceIndex_, paFloat32);
    int16Output_ = Pa_IsFormatSupported(nullptr, &p, rateHz) != paFormatIsSupported;
    if (int16Output_)
        p = outputParameters(deviceIndex_, paInt16);
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, nullptr, &p, rateHz, kFramesPerBuffer, paDitherOff,
                                        &PortAudioDevice::streamCallback, this);
    if (error != paNoError) {
        if (detail)
            *detail = std::string("cannot open the output: ") + Pa_GetErrorText(error);
        return false;
    }
    scratch_.assign(2 * kFramesPerBuffer, 0.0f);
    started_ = false;
    setBlockFrames(static_cast<uint32_t>(kFramesPerBuffer));
    setOutputRate(static_cast<uint32_t>(std::lround(rateHz)));
    stream_ = stream;
    return true;
}

void PortAudioDevice::closeStream()
{
    if (!stream_)
        return;
    auto* stream = static_cast<PaStream*>(stream_);
    stream_ = nullptr;
    // A started stream that is no longer active stopped by itself: its host
    // went away (a card unplugged, a sound server gone). Stopping or closing
    // it would wait for a callback that never comes (ten minutes on JACK), so
    // it is abandoned as it is; no callback can reach this object again.
    if (started_ && Pa_IsStreamActive(stream) != 1) {
        abandoned_ = true;
        return;
    }
    Pa_StopStream(stream);
    Pa_CloseStream(stream);
}

bool PortAudioDevice::start()
{
    if (!stream_)
        return false;
    if (!Pa_IsStreamActive(static_cast<PaStream*>(stream_))) {
        if (Pa_StartStream(static_cast<PaStream*>(stream_)) != paNoError)
            return false;
    }
    started_ = true;
    return true;
}

bool PortAudioDevice::isRunning() const
{
    return stream_ && Pa_IsStreamActive(static_cast<PaStream*>(stream_)) == 1;
}

AudioDevice::BufferId PortAudioDevice::createBuffer(uint32_t frequencyHz, uint32_t ringSamples)
{
    if (frequencyHz != 0 && frequencyHz != outputRate() && !anyPlaying()) {
        PaStreamParameters p = outputParameters(deviceIndex_, int16Output_ ? paInt16 : paFloat32);
        if (Pa_IsFormatSupported(nullptr, &p, frequencyHz) == paFormatIsSupported) {
            const double oldRate = outputRate();
            const bool wasStarted = started_;
            closeStream();
            if (!openStream(frequencyHz, nullptr))
                openStream(oldRate, nullptr);
            if (wasStarted)
                start();
        }
    }
    return MixingAudioDevice::createBuffer(frequencyHz, ringSamples);
}

int PortAudioDevice::streamCallback(const void*, void* output, unsigned long frames,
                                    const PaStreamCallbackTimeInfo*, unsigned long, void* self)
{
    auto* device = static_cast<PortAudioDevice*>(self);
    if (!device->int16Output_) {
        device->render(static_cast<float*>(output), static_cast<uint32_t>(frames));
        return paContinue;
    }
    auto* out = static_cast<int16_t*>(output);
    while (frames > 0) {
        const uint32_t n = static_cast<uint32_t>(std::min<unsigned long>(frames, kFramesPerBuffer));
        device->render(device->scratch_.data(), n);
        for (uint32_t k = 0; k < 2 * n; ++k) {
            const float v = std::round(device->scratch_[k] * 32768.0f);
            out[k] = static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
        }
        out += 2 * n;
        frames -= n;
    }
    return paContinue;
}

AudioDeviceOpening openAudioDevice()
{
    AudioDeviceOpening opening;
    std::unique_ptr<PortAudioDevice> card = PortAudioDevice::open(&opening.detail);
    if (card) {
        opening.portAudioOpened = true;
        opening.device = std::move(card);
    } else {
        opening.device = std::make_unique<NullAudioDevice>();
    }
    return opening;
}

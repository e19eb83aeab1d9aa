#include "mixing/mix_input.h"

#include "document/format.h"
#include "dsp/fft.h"
#include "dsp/pitch.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

uint32_t readU32(const std::vector<unsigned char>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

uint16_t readU16(const std::vector<unsigned char>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// The first offset in [from, end) where the 4-byte tag starts and fits before end.
size_t findTag(const std::vector<unsigned char>& b, size_t from, size_t end, const char* tag)
{
    for (size_t i = from; end >= 4 && i <= end - 4; ++i)
        if (std::memcmp(&b[i], tag, 4) == 0)
            return i;
    return std::string::npos;
}

std::string fileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string problemText(const std::string& path) { return "A problem happens in reading the file " + path; }

} // namespace

MixReadResult readMixWave(const std::string& path, bool report)
{
    MixReadResult result;
    auto refuse = [&](const std::string& text, bool always) {
        if (report || always)
            result.messages.push_back(UserMessage{text});
        return result;
    };

    std::ifstream file(path, std::ios::binary);
    if (!file)
        return refuse(path + " could not be opened!", false);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t size = bytes.size();

    if (size < 12 || std::memcmp(&bytes[0], "RIFF", 4) != 0 || std::memcmp(&bytes[8], "WAVE", 4) != 0)
        return refuse("Unhandled kind of file.", true);
    // The RIFF size counts from offset 8; a file cut short ends the scan sooner.
    const size_t riffEnd = std::min<size_t>(size, size_t(readU32(bytes, 4)) + 8);
    const size_t fmt = findTag(bytes, 12, riffEnd, "fmt ");
    if (fmt == std::string::npos || 24 > size - fmt)
        return refuse("Unhandled kind of file.", true);

    const uint16_t tag = readU16(bytes, fmt + 8);
    const uint16_t channels = readU16(bytes, fmt + 10);
    const uint32_t rate = readU32(bytes, fmt + 12);
    const uint16_t blockAlign = readU16(bytes, fmt + 20);
    const uint16_t bits = readU16(bytes, fmt + 22);
    if (tag != 1)
        return refuse("The file is compress!", false);
    // Channels and bits first: the block align they imply is the divisor below.
    if (channels != 1 && channels != 2)
        return refuse(problemText(path), false);
    if (bits != 8 && bits != 16)
        return refuse("The number of bits must be 8 or 16.", false);
    if (blockAlign != channels * bits / 8)
        return refuse(problemText(path), false);
    if (rate == 0 || rate > uint32_t(INT32_MAX))
        return refuse("Unhandled kind of wave file.", true);

    const size_t data = findTag(bytes, fmt + 24, size, "data");
    if (data == std::string::npos || 8 > size - data)
        return refuse(problemText(path), false);
    const size_t present = size - (data + 8);
    const size_t dataBytes = std::min<size_t>(readU32(bytes, data + 4), present);
    const size_t frames = dataBytes / blockAlign;
    if (frames < size_t(kMinMixFrames))
        return refuse("The number of samples must be at least 1400 to allow the functions to work properly.",
                      true);
    if (frames > size_t(INT32_MAX))
        return refuse(problemText(path), false);

    MixInput& in = result.input;
    in.path = path;
    in.name = fileNameOf(path);
    in.channels = static_cast<int16_t>(channels);
    in.bitsPerSample = static_cast<int16_t>(bits);
    in.blockAlign = static_cast<int16_t>(blockAlign);
    in.sampleRate = static_cast<int32_t>(rate);
    in.frameCount = static_cast<int32_t>(frames);
    const unsigned char* p = &bytes[data + 8];
    for (int c = 0; c < channels; ++c) {
        in.samples[c].resize(frames);
        int16_t* out = in.samples[c].data();
        if (bits == 16) {
            for (size_t f = 0; f < frames; ++f) {
                const unsigned char* s = p + f * blockAlign + 2 * c;
                out[f] = static_cast<int16_t>(uint16_t(s[0] | s[1] << 8));
            }
        } else {
            for (size_t f = 0; f < frames; ++f)
                out[f] = static_cast<int16_t>((int(p[f * blockAlign + c]) - 128) * 256);
        }
    }
    result.ok = true;
    return result;
}

void analyseMixInput(MixInput& input, const double hintsHz[2])
{
    if (!input.loaded())
        return;
    const int32_t frames = input.frameCount;
    const int32_t start = frames / 3;
    int n = 16384;
    while (n > 2 && int64_t(n) + start >= frames)
        n /= 2;
    input.fftSize = n;
    input.analysisStart = start;

    std::vector<Complex> frame(n);
    std::vector<double> magnitudes(n / 2);
    for (int c = 0; c < input.channels; ++c) {
        samples_to_complex(n, input.samples[c].data() + start, frame.data());
        kaiser_window(n, frame.data(), 10);
        fft_forward(n, frame.data());
        const double hint = hintsHz ? hintsHz[c] : 0.0;
        const double s = detect_pitch(n, frame.data(), magnitudes.data(), input.sampleRate, hint);
        input.fundamentalBin[c] = s;
        input.channelPitch[c] = s * input.sampleRate / n;
        HarmonicProfile& profile = input.profile[c];
        profile.levels.clear();
        if (s <= 0.0)
            continue;
        const int half = n / 2;
        const int w = static_cast<int>(s / 6);
        for (int k = 1; k * s < half; ++k) {
            const int centre = static_cast<int>(k * s + 0.5);
            double v = 0.0;
            for (int b = std::max(0, centre - w); b <= centre + w && b < half; ++b)
                v = std::max(v, magnitudes[b]);
            profile.levels.push_back(spectrum_level_db(v, n));
        }
    }
    if (input.channels == 1) {
        input.pitchHz = input.channelPitch[0];
    } else {
        const double a = input.channelPitch[0];
        const double b = input.channelPitch[1];
        input.pitchHz = a > 0.0 && b > 0.0 ? std::sqrt(a * b) : std::max(a, b);
    }
    input.midiNote = static_cast<int16_t>(midiNoteOf(input.pitchHz));
}

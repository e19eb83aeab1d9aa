// Files wider than 16 bits, float files and extensible headers: written by
// libsndfile (an independent implementation), read by the loader, and the
// loop workflow's saves read back by libsndfile.

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "document/load_sound.h"
#include "document/save_document.h"
#include "document/undo_history.h"
#include "loop/crossfade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef RINGTIDE_HAVE_SNDFILE
#include <sndfile.h>

namespace {

class TempFolder {
public:
    TempFolder()
    {
        char name[] = "/tmp/ringtide-hires-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~TempFolder()
    {
        const std::string cmd = "rm -rf '" + path_ + "'";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct Format {
    const char* name;
    int sfFormat;     // container | sub-format
    int bits;
    bool isFloat;
    const char* text; // the wave properties at 44100 Hz, stereo
};

const Format kFormats[] = {
    {"pcm24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 24, false, "44.100 Hz; 24 bit; Stereo"},
    {"pcm32", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 32, false, "44.100 Hz; 32 bit; Stereo"},
    {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32, true, "44.100 Hz; 32 bit float; Stereo"},
    {"double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 64, true, "44.100 Hz; 64 bit float; Stereo"},
    {"x-pcm16", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 16, false, "44.100 Hz; 16 bit; Stereo"},
    {"x-pcm24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 24, false, "44.100 Hz; 24 bit; Stereo"},
    {"x-float", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 32, true, "44.100 Hz; 32 bit float; Stereo"},
};

// A sound in full-scale units (-1 .. 1) that every format holds exactly:
// multiples of 2^-23 (float holds 24 significant bits).
double signalAt(int c, int i)
{
    const double v = std::sin(0.01 * i * (c + 1)) * 0.9;
    return std::round(v * 8388608.0) / 8388608.0;
}

// libsndfile writes integer formats exactly from 32-bit ints (the top bits of
// x * 2^31) and float formats from doubles as they are.
void writeSnd(const std::string& path, const Format& f, int channels, const std::vector<double>& interleaved)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = f.sfFormat;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / channels);
    if (f.isFloat) {
        sf_writef_double(file, interleaved.data(), frames);
    } else {
        std::vector<int> ints(interleaved.size());
        for (size_t i = 0; i < ints.size(); ++i)
            ints[i] = static_cast<int>(std::clamp(interleaved[i] * 2147483648.0, -2147483648.0, 2147483647.0));
        sf_writef_int(file, ints.data(), frames);
    }
    sf_close(file);
}

// Reads a file back with libsndfile as doubles in full-scale units.
std::vector<double> readSnd(const std::string& path, SF_INFO& info)
{
    info = SF_INFO{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    sf_command(file, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    std::vector<double> out(static_cast<size_t>(info.frames * info.channels));
    sf_readf_double(file, out.data(), info.frames);
    sf_close(file);
    return out;
}

// The 16-bit image of a full-scale value: x * 32768 to the nearest step,
// halves upward, clamped.
int16_t image16(double x)
{
    return static_cast<int16_t>(std::clamp(std::floor(x * 32768.0 + 0.5), -32768.0, 32767.0));
}

bool loadInto(SampleBuffer& doc, const std::string& path, LoadOutcome* outcome = nullptr)
{
    doc.fileTitle = "t";
    const LoadOutcome o = loadSoundFile(doc, path);
    if (outcome)
        *outcome = o;
    return o.loaded;
}

} // namespace

TEST(HiResRead, EveryFormatGivesTheRounded16BitImageAndItsOwnText)
{
    TempFolder tmp;
    const int n = 3000;
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::vector<double> x(2 * n);
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 2; ++c)
                x[2 * i + c] = signalAt(c, i);
        // Edge values: full scale both ways, and a half step either side of zero.
        x[0] = -1.0;
        x[1] = 1.0 - 1.0 / 8388608.0;
        x[2] = 0.5 / 32768.0;
        x[3] = -0.5 / 32768.0;
        const std::string path = tmp.file(std::string(f.name) + ".wav");
        writeSnd(path, f, 2, x);
        SampleBuffer doc;
        ASSERT_TRUE(loadInto(doc, path));
        EXPECT_EQ(doc.sampleCount, n);
        EXPECT_EQ(doc.bitsPerSample, f.bits);
        EXPECT_EQ(fileInformationText(doc), f.text);
        EXPECT_EQ(doc.fullRes.present(), f.bits > 16 || f.isFloat || (f.sfFormat & SF_FORMAT_WAVEX));
        int wrong = 0;
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 2; ++c) {
                // A 16-bit file holds the top 16 bits of x * 2^31: floor(x * 32768).
                const int16_t want = f.bits == 16 ? int16_t(std::floor(x[2 * i + c] * 32768.0))
                                                  : image16(x[2 * i + c]);
                wrong += doc.samples[c][i] != want;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(HiResRead, MonoFloatNonFiniteSamplesReadAsZeroWithOneWarning)
{
    TempFolder tmp;
    const int n = 2048;
    std::vector<double> x(n, 0.25);
    x[10] = std::numeric_limits<double>::quiet_NaN();
    x[11] = std::numeric_limits<double>::infinity();
    x[12] = -std::numeric_limits<double>::infinity();
    x[13] = 2.0; // beyond full scale: clamps
    const std::string path = tmp.file("nan.wav");
    writeSnd(path, kFormats[2], 1, x);
    SampleBuffer doc;
    LoadOutcome outcome;
    ASSERT_TRUE(loadInto(doc, path, &outcome));
    EXPECT_EQ(fileInformationText(doc), "44.100 Hz; 32 bit float; Mono");
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages[0].text.find(" 3 samples"), std::string::npos) << outcome.messages[0].text;
    EXPECT_EQ(doc.samples[0][10], 0);
    EXPECT_EQ(doc.samples[0][11], 0);
    EXPECT_EQ(doc.samples[0][12], 0);
    EXPECT_EQ(doc.samples[0][13], 32767);
    EXPECT_EQ(doc.samples[0][14], 8192);
}

#endif // RINGTIDE_HAVE_SNDFILE

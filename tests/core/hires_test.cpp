// Files wider than 16 bits, float files and extensible headers: written by
// libsndfile (an independent implementation), read by the loader, and the
// loop workflow's saves read back by libsndfile.

#include "temp_folder.h"
#include "document/SampleBuffer.h"
#include "document/format.h"
#include "document/load_sound.h"
#include "document/save_document.h"
#include "document/undo_history.h"
#include "loop/crossfade.h"
#include "mixing/fft_mixing.h"

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

namespace {

// What a save must hold, in full-scale units, and which entries are blends
// (compared within the format's rounding) rather than copies (bit-exact).
struct Expected {
    std::vector<double> x[2];
    std::vector<bool> blended;
};

// A naive reference of the loop workflow, from the crossfade's own formulas:
// linear w = j / X, T passes of t = (1 - w) outside + w t, never rounded.
Expected expectedSave(const std::vector<double> (&x)[2], int channels, int s, int e, int X, int T, bool unrolled,
                      bool cut)
{
    Expected r;
    const int n = static_cast<int>(x[0].size());
    const int L = e - s;
    const int frames = unrolled ? 2 * e - s + 1 : cut ? e + 1 : n;
    r.blended.assign(frames, false);
    for (int c = 0; c < channels; ++c) {
        auto& out = r.x[c];
        out.assign(x[c].begin(), x[c].begin() + std::min(frames, n));
        out.resize(frames);
        if (unrolled)
            for (int k = 0; k < L; ++k)
                out[e + 1 + k] = -x[c][e - k];
        for (int j = 0; j < X; ++j) {
            const double w = double(j) / X;
            const int back = unrolled ? 2 * e - s - j : e - j; // the end of the loop as written
            for (int p = 0; p < T; ++p)
                out[back] = (1 - w) * x[c][s - j] + w * out[back];
            r.blended[back] = true;
            if (unrolled && e + 1 + j < n) {
                for (int p = 0; p < T; ++p)
                    out[e - j] = w * out[e - j] - (1 - w) * x[c][e + 1 + j];
                r.blended[e - j] = true;
            }
        }
    }
    return r;
}

} // namespace

TEST(HiResSave, LoopWorkflowKeepsFullResolutionInEveryFormat)
{
    struct Case {
        int format; // index in kFormats
        int channels;
        bool alternate; // saved unrolled
        bool cut;
        int passes;
    };
    const Case cases[] = {
        {0, 2, false, true, 1}, {0, 1, true, true, 2},  {1, 2, false, false, 2}, {2, 2, false, true, 3},
        {2, 1, true, true, 1},  {3, 2, false, true, 2}, {4, 2, true, true, 1},   {5, 1, false, false, 1},
        {6, 2, true, true, 2},
    };
    TempFolder tmp;
    const int n = 4000, s = 999, X = 300;
    for (const Case& k : cases) {
        const Format& f = kFormats[k.format];
        // Alternate loops run to near the end so the turning blend meets the sound's end.
        const int e = k.alternate ? n - 100 : 2999;
        SCOPED_TRACE(std::string(f.name) + (k.alternate ? " alternate" : " forward") +
                     " channels " + std::to_string(k.channels));
        std::vector<double> x[2];
        std::vector<double> interleaved;
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < k.channels; ++c) {
                // A 16-bit file holds floor(x * 32768): the reference starts from that.
                const double v = signalAt(c, i);
                x[c].push_back(f.bits == 16 ? std::floor(v * 32768.0) / 32768.0 : v);
                interleaved.push_back(x[c].back());
            }
        const std::string in = tmp.file(std::string(f.name) + "-in.wav");
        const std::string out = tmp.file(std::string(f.name) + "-out.wav");
        writeSnd(in, f, k.channels, interleaved);

        SampleBuffer doc;
        ASSERT_TRUE(loadInto(doc, in));
        doc.filePath = out;
        doc.loops.loopStart[0] = s;
        doc.loops.loopEnd[0] = e;
        doc.loops.currentSolution = 0;
        doc.loopForward = !k.alternate;
        doc.cutAfterLoop = k.cut;
        doc.tuneSampleRate = 0;
        doc.midiNote = 57;
        SaveSettings settings;
        settings.crossfade = {CrossfadeKind::Linear, X, k.passes};
        const SaveOutcome saved = saveDocument(doc, settings);
        ASSERT_TRUE(saved.saved);

        SF_INFO info;
        SNDFILE* file = sf_open(out.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format, f.sfFormat);
        EXPECT_EQ(info.channels, k.channels);
        EXPECT_EQ(info.samplerate, 44100);
        SF_INSTRUMENT inst{};
        ASSERT_EQ(sf_command(file, SFC_GET_INSTRUMENT, &inst, sizeof inst), SF_TRUE);
        const int lastLoopFrame = k.alternate ? 2 * e - s : e;
        EXPECT_EQ(inst.basenote, 57);
        EXPECT_EQ(inst.loops[0].mode, SF_LOOP_FORWARD);
        EXPECT_EQ(inst.loops[0].start, unsigned(s + 1));
        EXPECT_TRUE(inst.loops[0].end == unsigned(lastLoopFrame) || inst.loops[0].end == unsigned(lastLoopFrame + 1))
            << inst.loops[0].end;
        // Integer samples are read as ints (exact), floats as they are.
        std::vector<double> got(static_cast<size_t>(info.frames * info.channels));
        if (f.isFloat) {
            sf_readf_double(file, got.data(), info.frames);
        } else {
            std::vector<int> ints(got.size());
            sf_readf_int(file, ints.data(), info.frames);
            for (size_t i = 0; i < got.size(); ++i)
                got[i] = ints[i] / 2147483648.0;
        }
        sf_close(file);

        const Expected want = expectedSave(x, k.channels, s, e, X, k.passes, k.alternate, k.cut);
        ASSERT_EQ(info.frames, static_cast<sf_count_t>(want.blended.size()));
        // Each pass rounds once: by one step of the format (float: of its 24-bit significand).
        const double step = f.isFloat ? std::ldexp(1.0, f.bits == 64 ? -50 : -23) : std::ldexp(1.0, 1 - f.bits);
        int copiesWrong = 0, blendsWrong = 0, blends = 0;
        double worst = 0;
        for (int i = 0; i < static_cast<int>(info.frames); ++i)
            for (int c = 0; c < k.channels; ++c) {
                const double g = got[static_cast<size_t>(i * k.channels + c)];
                const double d = std::fabs(g - want.x[c][i]);
                if (want.blended[i]) {
                    ++blends;
                    worst = std::max(worst, d);
                    blendsWrong += d > k.passes * step;
                } else {
                    copiesWrong += g != want.x[c][i];
                }
            }
        EXPECT_EQ(copiesWrong, 0);
        EXPECT_EQ(blendsWrong, 0) << "worst " << worst / step << " steps";
        EXPECT_GE(blends, X * k.channels);

        // The 16-bit image (the loop body committed by the save) agrees with
        // the file within one 16-bit step per pass.
        if (!k.alternate) {
            int far = 0;
            for (int i = 0; i <= e; ++i)
                for (int c = 0; c < k.channels; ++c)
                    far += std::fabs(doc.samples[c][i] / 32768.0 - got[static_cast<size_t>(i * k.channels + c)]) >
                           (k.passes + 1) / 32768.0;
            EXPECT_EQ(far, 0);
        }
    }
}

// The file's own samples are written only while they stand for the 16-bit
// image: whatever replaced or edited the image without dropping them (New,
// an edit that forgot to, an undo swap) saves the image at 16 bits, and the
// properties read-out says so beforehand.
TEST(HiResSave, OwnSamplesAreWrittenOnlyWhileTheyMatchTheImage)
{
    enum class Change { NewMix, EditWithoutDrop, UndoBackToOriginal };
    struct Case {
        const char* name;
        Change change;
        const char* text; // the read-out before the save
        int sfFormat;     // what the file holds
        int rate;
    };
    const Case cases[] = {
        {"New by mixing", Change::NewMix, "22.050 Hz; 16 bit; Mono", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050},
        {"edit", Change::EditWithoutDrop, "44.100 Hz; 16 bit; Mono", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
        {"undo", Change::UndoBackToOriginal, "44.100 Hz; 24 bit; Mono", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100},
    };
    TempFolder tmp;
    const int n = 3000;
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = signalAt(0, i);
    const std::string in = tmp.file("in.wav");
    writeSnd(in, kFormats[0], 1, x);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        SampleBuffer doc;
        ASSERT_TRUE(loadInto(doc, in));
        UndoHistory history;
        std::vector<int16_t> want; // the 16-bit values the file must hold
        if (k.change == Change::NewMix) {
            MixResult r;
            r.channels = 1;
            r.bitsPerSample = 16;
            r.blockAlign = 2;
            r.sampleRate = 22050;
            r.frameCount = 2000;
            for (int i = 0; i < r.frameCount; ++i)
                r.samples[0].push_back(static_cast<int16_t>((i * 37) % 20001 - 10000));
            want = r.samples[0];
            history.pushUndo(doc);
            applyMixResult(doc, r);
        } else {
            history.pushUndo(doc);
            for (int i = 0; i < n; ++i)
                doc.samples[0][i] = static_cast<int16_t>(doc.samples[0][i] / 2);
            want = doc.samples[0];
            if (k.change == Change::UndoBackToOriginal) {
                // The edit's drop is skipped on purpose: the exchange must
                // still bring back a tied pair.
                ASSERT_TRUE(history.undo(doc));
                want.clear();
            }
        }
        EXPECT_EQ(fileInformationText(doc), k.text);
        doc.filePath = tmp.file(std::string("out-") + std::to_string(int(k.change)) + ".wav");
        doc.fileTitle = "out";
        doc.loops.clear();
        doc.tuneSampleRate = 0;
        ASSERT_TRUE(saveDocument(doc, SaveSettings{}).saved);
        EXPECT_EQ(fileInformationText(doc), k.text);

        SF_INFO info;
        const std::vector<double> got = readSnd(doc.filePath, info);
        EXPECT_EQ(info.format, k.sfFormat);
        EXPECT_EQ(info.samplerate, k.rate);
        if (want.empty()) {
            // The original 24-bit samples, exactly.
            ASSERT_EQ(got.size(), x.size());
            int wrong = 0;
            for (int i = 0; i < n; ++i)
                wrong += std::fabs(got[i] - x[i]) > 1e-9;
            EXPECT_EQ(wrong, 0);
        } else {
            ASSERT_EQ(got.size(), want.size());
            int wrong = 0;
            for (size_t i = 0; i < want.size(); ++i)
                wrong += got[i] != want[i] / 32768.0;
            EXPECT_EQ(wrong, 0);
        }
    }
}

#endif // RINGTIDE_HAVE_SNDFILE

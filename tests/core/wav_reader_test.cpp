#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "document/wav_reader.h"

#include "wav_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <unistd.h>

#ifdef RINGTIDE_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace fs = std::filesystem;
using wavbytes::SamplerLoop;
using wavbytes::WavLayout;

namespace {

const char* const kTooShort = "The number of samples must be at least 128. Otherwise some function couldn't work.";
const char* const kShortWarning =
    "The number of samples should be at least 1024 to allow the functions to work properly.";

class WavReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("ringtide_wav_") + info->name() + "_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Writes the bytes as <title>.wav and loads them the way Open does.
    LoadOutcome load(SampleBuffer& doc, const std::vector<uint8_t>& bytes, const std::string& title = "Sound")
    {
        const std::string path = (dir_ / (title + ".wav")).string();
        EXPECT_TRUE(wavbytes::writeFile(path, bytes));
        doc.fileTitle = title;
        doc.fileFolder = dir_.string() + "/";
        doc.filePath = path;
        return loadSoundFile(doc, path);
    }

    static WavLayout mono16(size_t frames)
    {
        WavLayout w;
        w.data = wavbytes::pcm16(wavbytes::pattern16(frames, 1));
        return w;
    }

    fs::path dir_;
};

// The fields a refused load must leave alone.
void expectSameDocument(const SampleBuffer& a, const SampleBuffer& b)
{
    EXPECT_EQ(a.fileTitle, b.fileTitle);
    EXPECT_EQ(a.sampleCount, b.sampleCount);
    EXPECT_EQ(a.sampleRate, b.sampleRate);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.bitsPerSample, b.bitsPerSample);
    EXPECT_EQ(a.blockAlign, b.blockAlign);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(a.samples[c], b.samples[c]);
        EXPECT_EQ(a.loopBody[c].size(), b.loopBody[c].size());
        EXPECT_EQ(a.pingPong[c].size(), b.pingPong[c].size());
    }
    EXPECT_EQ(a.scratch.size(), b.scratch.size());
    for (int i = 0; i < SolutionTable::kSlots; ++i) {
        EXPECT_EQ(a.loops.loopStart[i], b.loops.loopStart[i]) << "slot " << i;
        EXPECT_EQ(a.loops.loopEnd[i], b.loops.loopEnd[i]) << "slot " << i;
    }
    EXPECT_EQ(a.loops.currentSolution, b.loops.currentSolution);
    EXPECT_EQ(a.loopForward, b.loopForward);
    EXPECT_EQ(a.fftSizeExp, b.fftSizeExp);
}

} // namespace

TEST_F(WavReaderTest, FrameCountLimitsAndTheirMessages)
{
    SampleBuffer doc;
    LoadOutcome out = load(doc, wavbytes::build(mono16(127)));
    EXPECT_FALSE(out.loaded);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, kTooShort);
    EXPECT_EQ(out.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(doc.channels, 0);

    out = load(doc, wavbytes::build(mono16(128)));
    EXPECT_TRUE(out.loaded);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, kShortWarning);
    EXPECT_EQ(out.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(doc.sampleCount, 128);

    out = load(doc, wavbytes::build(mono16(1024)));
    EXPECT_TRUE(out.loaded);
    EXPECT_TRUE(out.messages.empty());
    EXPECT_EQ(doc.sampleCount, 1024);
}

TEST_F(WavReaderTest, DecodesSixteenBitMonoAndStereo)
{
    // Stereo: the first frame is FF FF 00 80 (left -1, right -32768), then a pattern.
    std::vector<int16_t> interleaved = wavbytes::pattern16(1500, 2);
    WavLayout w;
    w.channels = 2;
    w.sampleRate = 48000;
    w.data = wavbytes::pcm16(interleaved);
    w.data[0] = 0xFF, w.data[1] = 0xFF, w.data[2] = 0x00, w.data[3] = 0x80;
    SampleBuffer doc;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.channels, 2);
    EXPECT_EQ(doc.sampleRate, 48000);
    EXPECT_EQ(doc.bitsPerSample, 16);
    EXPECT_EQ(doc.blockAlign, 4);
    ASSERT_EQ(doc.sampleCount, 1500);
    EXPECT_EQ(doc.samples[0][0], -1);
    EXPECT_EQ(doc.samples[1][0], -32768);
    for (int i = 1; i < 1500; ++i) {
        ASSERT_EQ(doc.samples[0][i], interleaved[2 * i]) << i;
        ASSERT_EQ(doc.samples[1][i], interleaved[2 * i + 1]) << i;
    }
    // The old sound's working arrays are gone; they are sized for the new
    // sound when first needed.
    EXPECT_TRUE(doc.loopBody[1].empty());
    EXPECT_TRUE(doc.pingPong[0].empty());
    EXPECT_TRUE(doc.scratch.empty());
    doc.ensureWorkingArrays();
    EXPECT_EQ(doc.loopBody[1].size(), 1500u);
    EXPECT_EQ(doc.pingPong[0].size(), 3000u);
    EXPECT_EQ(doc.scratch.size(), 1500u);

    // Mono after stereo: the right channel goes away.
    const std::vector<int16_t> mono = wavbytes::pattern16(1200, 1);
    WavLayout m;
    m.data = wavbytes::pcm16(mono);
    ASSERT_TRUE(load(doc, wavbytes::build(m)).loaded);
    EXPECT_EQ(doc.channels, 1);
    EXPECT_EQ(doc.samples[0], mono);
    EXPECT_TRUE(doc.samples[1].empty());
}

TEST_F(WavReaderTest, WidensEightBitSamples)
{
    WavLayout w;
    w.bitsPerSample = 8;
    w.data.assign(1024, 128);
    w.data[0] = 0, w.data[1] = 128, w.data[2] = 255, w.data[3] = 1;
    SampleBuffer doc;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.bitsPerSample, 8);
    EXPECT_EQ(doc.blockAlign, 1);
    EXPECT_EQ(doc.samples[0][0], -32768);
    EXPECT_EQ(doc.samples[0][1], 0);
    EXPECT_EQ(doc.samples[0][2], 32512);
    EXPECT_EQ(doc.samples[0][3], -32512);

    // Stereo: left byte then right byte.
    w.channels = 2;
    w.data.assign(2 * 1100, 128);
    w.data[0] = 255, w.data[1] = 0;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.sampleCount, 1100);
    EXPECT_EQ(doc.samples[0][0], 32512);
    EXPECT_EQ(doc.samples[1][0], -32768);
    EXPECT_EQ(doc.samples[1][1], 0);
}

TEST_F(WavReaderTest, SamplerLoopAfterTheData)
{
    struct Case {
        SamplerLoop loop;
        int32_t start, end;
        bool forward;
    };
    const Case cases[] = {
        {{0, 0, 999}, -1, 999, true},       // covers samples 0 .. 999
        {{1, 100, 1999}, 99, 1999, false},  // alternate, up to the last frame
        {{0, 0, 2000}, -1, -1, true},       // end equal to the frame count
        {{2, 0, 999}, -1, -1, true},        // backward loops are not handled
        {{0, 500, 500}, 499, 500, true},    // one sample long
        {{0, 601, 600}, -1, -1, true},      // start after end
        {{0, 2001, 2100}, -1, -1, true},    // beyond the sound
    };
    for (const Case& c : cases) {
        WavLayout w = mono16(2000);
        w.loop = c.loop;
        SampleBuffer doc;
        doc.loopForward = !c.forward;
        ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
        EXPECT_EQ(doc.loops.loopStart[0], c.start) << c.loop.start << ".." << c.loop.end;
        EXPECT_EQ(doc.loops.loopEnd[0], c.end) << c.loop.start << ".." << c.loop.end;
        EXPECT_EQ(doc.loopForward, c.forward) << c.loop.type;
    }
}

TEST_F(WavReaderTest, SamplerLoopBeforeTheDataKeepsItsType)
{
    // Walked chunk by chunk, a sampler chunk before the data is read like one
    // after it: an alternate loop stays alternate.
    WavLayout w = mono16(2000);
    w.loop = SamplerLoop{1, 10, 1500};
    w.loopBeforeData = true;
    SampleBuffer doc;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.loops.loopStart[0], 9);
    EXPECT_EQ(doc.loops.loopEnd[0], 1500);
    EXPECT_FALSE(doc.loopForward);
    // The samples are not disturbed by the chunk in front of them.
    EXPECT_EQ(doc.samples[0], wavbytes::pattern16(2000, 1));

    // A start at the last frame is dropped by the final check.
    w.loop = SamplerLoop{0, 2000, 1999};
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.loops.loopStart[0], -1);
    EXPECT_EQ(doc.loops.loopEnd[0], -1);
}

TEST_F(WavReaderTest, ValidLoopBeforeTheDataSurvivesAnInvalidOneAfterIt)
{
    // The chunk after the data is written by hand: its loop ends past the sound.
    WavLayout w = mono16(2000);
    w.loop = SamplerLoop{0, 300, 1700};
    w.loopBeforeData = true;
    std::vector<uint8_t> bytes = wavbytes::build(w);
    const std::vector<uint8_t> late = wavbytes::samplerChunk(SamplerLoop{0, 10, 5000});
    bytes.insert(bytes.end(), late.begin(), late.end());
    const uint32_t riff = static_cast<uint32_t>(bytes.size() - 8);
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    SampleBuffer doc;
    ASSERT_TRUE(load(doc, bytes).loaded);
    EXPECT_EQ(doc.loops.loopStart[0], 299);
    EXPECT_EQ(doc.loops.loopEnd[0], 1700);
    EXPECT_TRUE(doc.loopForward);
}

TEST_F(WavReaderTest, LoopValuesThatWouldWrapToNegativePositionsAreDropped)
{
    // Stored start 0x80000001 becomes 0x80000000 after "- 1": as a signed
    // 32-bit value that is below every frame count and below any end.
    for (bool before : {true, false}) {
        WavLayout w = mono16(2000);
        w.loop = SamplerLoop{0, 0x80000001u, 100};
        w.loopBeforeData = before;
        SampleBuffer doc;
        ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
        EXPECT_EQ(doc.loops.loopStart[0], -1) << before;
        EXPECT_EQ(doc.loops.loopEnd[0], -1) << before;
    }
}

TEST_F(WavReaderTest, PostDataScanFindsLoopsPastPadBytesAndExtraChunks)
{
    // Odd 8-bit data: the sampler chunk sits after a pad byte.
    WavLayout w;
    w.bitsPerSample = 8;
    w.data.assign(1301, 128);
    w.loop = SamplerLoop{0, 300, 1200};
    SampleBuffer doc;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.sampleCount, 1301);
    EXPECT_EQ(doc.loops.loopStart[0], 299);
    EXPECT_EQ(doc.loops.loopEnd[0], 1200);

    // A LIST chunk before the data moves everything on; the scan starts
    // inside the samples and still finds the chunk.
    WavLayout l = mono16(1500);
    l.chunksBeforeData = wavbytes::chunk("LIST", std::vector<uint8_t>(30, 'x'));
    l.loop = SamplerLoop{1, 0, 1499};
    ASSERT_TRUE(load(doc, wavbytes::build(l)).loaded);
    EXPECT_EQ(doc.loops.loopStart[0], -1);
    EXPECT_EQ(doc.loops.loopEnd[0], 1499);
    EXPECT_FALSE(doc.loopForward);
    EXPECT_EQ(doc.samples[0], wavbytes::pattern16(1500, 1));
}

TEST_F(WavReaderTest, RiffSizeBoundsTheScans)
{
    // A RIFF size that ends before the sampler chunk hides it.
    WavLayout w = mono16(1500);
    w.loop = SamplerLoop{0, 0, 999};
    w.riffSize = 36 + 3000 + 20;
    SampleBuffer doc;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.loops.loopEnd[0], -1);

    // A RIFF size far past the end of the file reads nothing beyond it.
    w.riffSize = 0xFFFFFFF0u;
    ASSERT_TRUE(load(doc, wavbytes::build(w)).loaded);
    EXPECT_EQ(doc.loops.loopEnd[0], 999);
}

TEST_F(WavReaderTest, FitsTheAnalysisWindowToTheSound)
{
    const std::pair<int, int> cases[] = {{2000, 0}, {1000, -1}, {44100, 4}, {20000, 3}, {128, -4}};
    for (auto [frames, exp] : cases) {
        SampleBuffer doc;
        doc.fftSizeExp = 2;
        ASSERT_TRUE(load(doc, wavbytes::build(mono16(frames))).loaded);
        EXPECT_EQ(doc.fftSizeExp, exp) << frames;
    }
    // A start at the very end leaves no room at all; the loop still ends.
    SampleBuffer doc;
    doc.fftStartFraction = 1.0;
    ASSERT_TRUE(load(doc, wavbytes::build(mono16(2000))).loaded);
    EXPECT_EQ(doc.fftSizeExp, -10);
}

TEST_F(WavReaderTest, RefusedFilesGiveTheirMessageAndChangeNothing)
{
    SampleBuffer good;
    WavLayout g;
    g.channels = 2;
    g.data = wavbytes::pcm16(wavbytes::pattern16(3000, 2));
    g.loop = SamplerLoop{1, 200, 2500};
    ASSERT_TRUE(load(good, wavbytes::build(g), "Good").loaded);
    ASSERT_EQ(good.loops.loopEnd[0], 2500);
    good.loops.loopStart[3] = 40; // a search result in another slot
    good.loops.loopEnd[3] = 400;
    good.loops.currentSolution = 3;

    const std::string problem = "A problem happens in reading the file Bad.wav!";
    auto withFmt = [](auto change) {
        WavLayout w;
        w.data = wavbytes::pcm16(wavbytes::pattern16(2000, 1));
        change(w);
        return wavbytes::build(w);
    };
    std::vector<uint8_t> noFmt = withFmt([](WavLayout&) {});
    std::copy_n("fmx ", 4, noFmt.begin() + 12);
    std::vector<uint8_t> noData = withFmt([](WavLayout&) {});
    std::copy_n("dada", 4, noData.begin() + 36);
    std::vector<uint8_t> notRiff = withFmt([](WavLayout&) {});
    notRiff[0] = 'X';
    std::vector<uint8_t> notWave = withFmt([](WavLayout&) {});
    notWave[11] = 'X';

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string text;
    };
    const Case cases[] = {
        {"not RIFF", notRiff, "Unhandled kind of file."},
        {"not WAVE", notWave, "Unhandled kind of file."},
        {"empty", {}, "Unhandled kind of file."},
        {"no fmt", noFmt, "Unhandled kind of wave file."},
        {"compressed", withFmt([](WavLayout& w) { w.formatTag = 2; }), "Unhandled kind of wave file."},
        // A rate that cannot be played (0 would divide by zero once a loop is shown).
        {"rate 0", withFmt([](WavLayout& w) { w.sampleRate = 0; w.loop = SamplerLoop{0, 100, 1500}; }),
         "Unhandled kind of wave file."},
        {"rate 768001", withFmt([](WavLayout& w) { w.sampleRate = 768001; }), "Unhandled kind of wave file."},
        {"12 bits", withFmt([](WavLayout& w) { w.bitsPerSample = 12; w.blockAlign = 2; }), problem},
        {"3 channels", withFmt([](WavLayout& w) { w.channels = 3; w.blockAlign = 6; }), problem},
        {"block align", withFmt([](WavLayout& w) { w.blockAlign = 4; }), problem},
        {"no data", noData, problem},
        {"127 frames", withFmt([](WavLayout& w) { w.data.resize(254); }), kTooShort},
    };
    for (const Case& c : cases) {
        SampleBuffer doc = good;
        doc.fileTitle = "Good";
        const std::string path = (dir_ / "Bad.wav").string();
        ASSERT_TRUE(wavbytes::writeFile(path, c.bytes));
        // The caller names the file before loading and puts the name back on failure.
        doc.fileTitle = "Bad";
        const LoadOutcome out = loadSoundFile(doc, path);
        doc.fileTitle = "Good";
        EXPECT_FALSE(out.loaded) << c.name;
        ASSERT_EQ(out.messages.size(), 1u) << c.name;
        EXPECT_EQ(out.messages[0].text, c.text) << c.name;
        expectSameDocument(doc, good);
    }

    SampleBuffer doc = good;
    doc.fileTitle = "Missing";
    LoadOutcome out = loadSoundFile(doc, (dir_ / "Missing.wav").string());
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, "Missing.wav could not be opened!");
    out = loadSoundFile(doc, dir_.string()); // a directory is not a sound
    EXPECT_FALSE(out.loaded);
    doc.fileTitle = "Good";
    expectSameDocument(doc, good);
}

TEST_F(WavReaderTest, OpensTheFullPathWhateverTheExtensionCase)
{
    const std::string path = (dir_ / "Bass.WAV").string();
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(mono16(1500))));
    SampleBuffer doc;
    doc.fileTitle = "Bass";
    doc.fileFolder = dir_.string() + "/";
    EXPECT_TRUE(loadSoundFile(doc, path).loaded);
    EXPECT_EQ(doc.sampleCount, 1500);
}

TEST_F(WavReaderTest, DataSizePastTheEndLoadsTheFramesPresent)
{
    WavLayout w = mono16(2000);
    w.dataSize = 0x7FFFFFF0u;
    SampleBuffer doc;
    LoadOutcome out = load(doc, wavbytes::build(w));
    ASSERT_TRUE(out.loaded);
    // The damage is told once, naming the file and both frame counts.
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_TRUE(out.dataTruncated);
    const std::string& told = out.messages[0].text;
    EXPECT_NE(told.find((dir_ / "Sound.wav").string()), std::string::npos) << told;
    EXPECT_NE(told.find(" 1073741816 "), std::string::npos) << told; // 0x7FFFFFF0 / 2 declared
    EXPECT_NE(told.find(" 2000 "), std::string::npos) << told;
    EXPECT_EQ(doc.sampleCount, 2000);
    EXPECT_EQ(doc.samples[0], wavbytes::pattern16(2000, 1));
    doc.ensureWorkingArrays();
    EXPECT_EQ(doc.pingPong[0].size(), 4000u);

    // Stereo cut inside a frame: only whole frames count.
    WavLayout s;
    s.channels = 2;
    s.data = wavbytes::pcm16(wavbytes::pattern16(130, 2));
    s.data.resize(s.data.size() - 3);
    s.dataSize = 130 * 4;
    out = load(doc, wavbytes::build(s));
    ASSERT_TRUE(out.loaded);
    EXPECT_EQ(doc.sampleCount, 129);

    // Too few frames present is the short-file refusal.
    w = mono16(100);
    w.dataSize = 4000;
    out = load(doc, wavbytes::build(w));
    EXPECT_FALSE(out.loaded);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, kTooShort);
}

namespace {

// What must hold for any file the reader accepts, however it was made.
void expectSaneResult(const std::vector<uint8_t>& bytes, const WaveReadResult& r)
{
    if (r.status != WaveReadStatus::Ok)
        return;
    const WaveInfo& w = r.info;
    ASSERT_GE(w.frames, kMinimumFrames);
    ASSERT_LE(w.dataOffset, bytes.size());
    ASSERT_LE(uint64_t(w.frames) * w.blockAlign, bytes.size() - w.dataOffset);
    if (w.loopEnd > 0) {
        EXPECT_GE(w.loopStart, -1);
        EXPECT_LT(w.loopStart, w.loopEnd);
        EXPECT_LT(w.loopEnd, w.frames);
    } else {
        EXPECT_LT(w.loopStart, w.frames - 1);
    }
    std::vector<int16_t> left(w.frames), right(w.channels == 2 ? w.frames : 0);
    decodeWaveFrames(bytes.data(), w, left.data(), w.channels == 2 ? right.data() : nullptr);
}

std::vector<uint8_t> stereoWithLoop()
{
    WavLayout w;
    w.channels = 2;
    w.data = wavbytes::pcm16(wavbytes::pattern16(200, 2));
    w.loop = SamplerLoop{0, 20, 180};
    return wavbytes::build(w);
}

} // namespace

TEST(WavReaderRobustness, EveryTruncationLoadsOrIsRefused)
{
    const std::vector<uint8_t> full = stereoWithLoop();
    const size_t dataEnd = 44 + 800;
    for (size_t n = 0; n <= full.size(); ++n) {
        // A copy of exactly n bytes, so the sanitizers see any over-read.
        const std::vector<uint8_t> cut(full.begin(), full.begin() + n);
        const WaveReadResult r = readWaveFile(cut.data(), cut.size());
        expectSaneResult(cut, r);
        if (n < 44 + 128 * 4) {
            EXPECT_NE(r.status, WaveReadStatus::Ok) << n;
        } else {
            ASSERT_EQ(r.status, WaveReadStatus::Ok) << n;
            EXPECT_EQ(r.info.frames, int32_t(std::min(n, dataEnd) - 44) / 4) << n;
            // The loop needs its chunk up to the end field.
            EXPECT_EQ(r.info.loopEnd, n >= dataEnd + 60 ? 180 : -1) << n;
        }
    }
}

TEST(WavReaderRobustness, RandomMutationsLoadOrAreRefused)
{
    std::vector<std::vector<uint8_t>> seeds = {stereoWithLoop()};
    WavLayout pre;
    pre.bitsPerSample = 8;
    pre.data.assign(301, 100);
    pre.loop = SamplerLoop{1, 5, 250};
    pre.loopBeforeData = true;
    seeds.push_back(wavbytes::build(pre));

    std::mt19937 rng(20240611u);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> b = seeds[round % seeds.size()];
        const int edits = 1 + int(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % b.size();
            switch (rng() % 4) {
            case 0: b[at] = static_cast<uint8_t>(rng()); break;   // any byte
            case 1: b[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 2: b[at] = (rng() % 2) ? 0xFF : 0x00; break;     // extreme values in size fields
            case 3: b.resize(std::max<size_t>(1, at)); break;      // truncate
            }
        }
        const WaveReadResult r = readWaveFile(b.data(), b.size());
        expectSaneResult(b, r);
        accepted += r.status == WaveReadStatus::Ok;
    }
    // The mutations must leave enough files loadable to exercise the decoder.
    EXPECT_GT(accepted, 200);
}

#ifdef RINGTIDE_HAVE_SNDFILE
TEST_F(WavReaderTest, ReadsWhatAnIndependentWriterWrote)
{
    struct Case {
        int channels;
        int format;
    };
    for (const Case c : {Case{2, SF_FORMAT_PCM_16}, Case{1, SF_FORMAT_PCM_16}, Case{1, SF_FORMAT_PCM_U8},
                         Case{2, SF_FORMAT_PCM_U8}}) {
        const size_t frames = 5000;
        std::vector<int16_t> written = wavbytes::pattern16(frames, c.channels);
        if (c.format == SF_FORMAT_PCM_U8)
            for (int16_t& s : written)
                s = static_cast<int16_t>(s & ~0xFF); // exactly representable in 8 bits
        const std::string path = (dir_ / "Indep.wav").string();
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = c.channels;
        info.format = SF_FORMAT_WAV | c.format;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
        ASSERT_EQ(sf_writef_short(f, written.data(), frames), sf_count_t(frames));
        sf_close(f);

        SampleBuffer doc;
        doc.fileTitle = "Indep";
        ASSERT_TRUE(loadSoundFile(doc, path).loaded);
        EXPECT_EQ(doc.sampleRate, 22050);
        EXPECT_EQ(doc.bitsPerSample, c.format == SF_FORMAT_PCM_U8 ? 8 : 16);
        ASSERT_EQ(doc.sampleCount, int32_t(frames));
        for (size_t i = 0; i < frames; ++i)
            for (int ch = 0; ch < c.channels; ++ch)
                ASSERT_EQ(doc.samples[ch][i], written[i * c.channels + ch]) << i << " ch " << ch;
    }
}
#endif

#include "temp_folder.h"
#include "document/save_document.h"

#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "document/tuned_rate.h"
#include "document/wav_writer.h"
#include "loop/crossfade.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// A mono 16-bit sine whose period is `period` samples; note and detected note 69.
SampleBuffer sineSound(double period, int32_t frames, int32_t rate, const std::string& path,
                       double period2 = 0.0)
{
    SampleBuffer doc;
    const int16_t ch = period2 > 0 ? 2 : 1;
    doc.channels = ch;
    doc.bitsPerSample = 16;
    doc.blockAlign = int16_t(2 * ch);
    doc.sampleCount = frames;
    doc.sampleRate = rate;
    doc.allocate(ch, frames);
    for (int32_t i = 0; i < frames; ++i) {
        doc.samples[0][i] = int16_t(std::lround(10000 * std::sin(2 * kPi * i / period + 0.3)));
        if (ch == 2)
            doc.samples[1][i] = int16_t(std::lround(10000 * std::sin(2 * kPi * i / period2 + 1.1)));
    }
    doc.midiNote = 69;
    doc.detectedNote = 69;
    doc.filePath = path;
    const size_t slash = path.rfind('/');
    doc.fileFolder = path.substr(0, slash + 1);
    doc.fileTitle = path.substr(slash + 1, path.size() - slash - 5);
    doc.isSaved = false;
    return doc;
}

void setLoop(SampleBuffer& doc, int32_t s, int32_t e)
{
    doc.loops.loopStart[0] = s;
    doc.loops.loopEnd[0] = e;
    doc.loops.currentSolution = 0;
}

// 440 Hz is MIDI note 69 to within 1e-9, so at 44000 Hz the expected period
// of note 69 is 100 samples.
constexpr int32_t kRate = 44000;

struct HookGuard {
    explicit HookGuard(FileFaultHook hook) { setFileFaultHook(std::move(hook)); }
    ~HookGuard() { setFileFaultHook(nullptr); }
};

} // namespace

// ---- tuned sample rate --------------------------------------------------------

TEST(TunedRate, JustIntervalFactors)
{
    EXPECT_DOUBLE_EQ(justIntervalFactor(0), 8.0);
    EXPECT_DOUBLE_EQ(justIntervalFactor(7), 8.0 * 2 / 3);
    EXPECT_DOUBLE_EQ(justIntervalFactor(4), 8.0 * 4 / 5);
    EXPECT_DOUBLE_EQ(justIntervalFactor(12), 4.0);
    EXPECT_DOUBLE_EQ(justIntervalFactor(19), 8.0 * 2 / 3 / 2);
    EXPECT_DOUBLE_EQ(justIntervalFactor(-7), 8.0 * 3 / 2);
    EXPECT_DOUBLE_EQ(justIntervalFactor(-12), 16.0);
    EXPECT_DOUBLE_EQ(justIntervalFactor(-13), 16.0 * 16 / 15);
}

TEST(TunedRate, ExpectedPeriodOfTheTargetNote)
{
    SampleBuffer doc;
    doc.sampleRate = kRate;
    doc.midiNote = 69;
    doc.detectedNote = 69;
    EXPECT_NEAR(expectedPeriodSamples(doc, false), 100.0, 1e-6);
    // Sounding a fifth above the target: the period of 1.5 * 440 Hz.
    doc.detectedNote = 76;
    EXPECT_NEAR(expectedPeriodSamples(doc, false), 100.0 / 1.5, 1e-6);
    // 31 steps to the octave: note31 = 178 is 8.175798915 * 2^(178/31) Hz.
    doc.detectedNote = 69;
    doc.note31 = 178;
    EXPECT_NEAR(expectedPeriodSamples(doc, true), kRate / (8.175798915 * std::pow(2.0, 178.0 / 31)), 1e-6);
}

TEST(TunedRate, LoopOfWholeTargetPeriodsKeepsTheRate)
{
    TempFolder dir;
    SampleBuffer doc = sineSound(100, 5000, kRate, dir.file("a.wav"));
    setLoop(doc, 999, 2999); // 20 periods
    EXPECT_EQ(tunedSampleRate(doc), kRate);
}

TEST(TunedRate, EveryIntervalUpAndDownKeepsItsJustRatio)
{
    // A 440 Hz tone (note 69, 100 samples) looped over 20 of its periods, with
    // the target note x semitones below (x > 0) or above (x < 0). The interval
    // is kept just: the loop must hold 20 periods of the target's frequency
    // times the just ratio R(x) (the frequency ratio, 3/2 for a fifth), so the
    // file plays at rate' = 44000 * (f_target * R) / 440.
    const double justRatio[12] = {1.0,       16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3,
                                  45.0 / 32, 3.0 / 2,   8.0 / 5, 5.0 / 3, 7.0 / 4, 15.0 / 8};
    TempFolder dir;
    SampleBuffer doc = sineSound(100, 5000, kRate, dir.file("a.wav"));
    setLoop(doc, 999, 2999);
    for (int x = -11; x <= 11; ++x) {
        doc.detectedNote = 69;
        doc.midiNote = static_cast<int16_t>(69 - x);
        const double target = 440.0 * std::pow(2.0, -x / 12.0);
        const double heard = x >= 0 ? target * justRatio[x] : target / justRatio[-x];
        EXPECT_NEAR(tunedSampleRate(doc), kRate * heard / 440.0, 1.0) << x;
    }
}

TEST(TunedRate, FlatSoundIsPlayedFaster)
{
    // Period 101 against the expected 100: the loop holds 20 periods of 101,
    // so 440 Hz needs 44000 * 101 / 100 = 44440 Hz.
    TempFolder dir;
    SampleBuffer doc = sineSound(101, 5000, kRate, dir.file("a.wav"));
    setLoop(doc, 999, 999 + 2020);
    EXPECT_EQ(tunedSampleRate(doc), 44440);
}

TEST(TunedRate, StereoTakesTheGeometricMeanOfTheChannels)
{
    // Left: 20 periods of 100 in the loop (44000); right: 19 periods of
    // 2000/19 (44000 * 2000 / (100 * 19)); mean sqrt(44000 * 46315.79...).
    TempFolder dir;
    SampleBuffer doc = sineSound(100, 5000, kRate, dir.file("a.wav"), 2000.0 / 19);
    setLoop(doc, 999, 2999);
    const double right = 44000.0 * 2000 / (100.0 * 19);
    EXPECT_EQ(tunedSampleRate(doc), int32_t(std::sqrt(44000.0 * right) + 0.5));
}

TEST(TunedRate, LoopStartingWithinOnePeriodOfTheBeginning)
{
    // The comparison windows would reach before sample 0: they shrink to the
    // samples that exist and still find the periods.
    TempFolder dir;
    SampleBuffer doc = sineSound(101, 5000, kRate, dir.file("a.wav"));
    setLoop(doc, 10, 10 + 2020);
    EXPECT_EQ(tunedSampleRate(doc), 44440);
    // A loop from the very first sample has nothing before it to compare:
    // the result is still a plausible rate, not a read outside the sound.
    setLoop(doc, -1, 2019);
    const int32_t r = tunedSampleRate(doc);
    EXPECT_GT(r, kRate / 2);
    EXPECT_LT(r, kRate * 2);
}

TEST(TunedRate, NoLoopKeepsTheRate)
{
    TempFolder dir;
    SampleBuffer doc = sineSound(101, 5000, kRate, dir.file("a.wav"));
    EXPECT_EQ(tunedSampleRate(doc), kRate);
    setLoop(doc, 100, 6000); // beyond the sound
    EXPECT_EQ(tunedSampleRate(doc), kRate);
}

// ---- saving -------------------------------------------------------------------

TEST(SaveDocument, RetunesCommitsTheCrossfadeAndMarksSaved)
{
    TempFolder dir;
    SampleBuffer doc = sineSound(101, 5000, kRate, dir.file("tone.wav"));
    const int s = 999, e = 999 + 2020, X = 50;
    setLoop(doc, s, e);
    doc.cutAfterLoop = 0;
    const auto x = doc.samples[0];

    SaveSettings settings;
    settings.crossfade.lengthSamples = X;
    const SaveOutcome out = saveDocument(doc, settings);
    ASSERT_TRUE(out.saved);
    EXPECT_TRUE(out.messages.empty());
    EXPECT_TRUE(out.hadLoop);
    EXPECT_FALSE(out.reloadNeeded);
    EXPECT_TRUE(out.rateRetuned);
    EXPECT_TRUE(out.crossfadeCommitted);
    EXPECT_TRUE(doc.isSaved);
    EXPECT_EQ(doc.sampleRate, 44440);

    // The loop's last samples now carry the linear blend with the pre-loop material.
    EXPECT_EQ(doc.samples[0][e], x[s]);
    for (int j = 0; j < X; ++j) {
        const double w = double(j) / X;
        ASSERT_EQ(doc.samples[0][e - j], int(std::trunc((1 - w) * x[s - j] + w * x[e - j]))) << j;
    }
    for (int i = 0; i <= e - X; ++i)
        ASSERT_EQ(doc.samples[0][i], x[i]) << i;

    const auto b = readAll(doc.filePath);
    EXPECT_EQ(u32(b, 24), 44440u);
    EXPECT_EQ(u32(b, 28), 88880u);
    EXPECT_EQ(u32(b, 44 + 10000 + 16), 22502u); // 1e9 / 44440 = 22502.25
    EXPECT_EQ(int16_t(b[44 + 2 * e] | (b[45 + 2 * e] << 8)), x[s]);
}

TEST(SaveDocument, TheSelectedSolutionIsWrittenCutAndTuned)
{
    // Period 100 up to frame 2500, then 101: a loop in the first part keeps
    // 44000 Hz, one in the second is retuned to 44000 * 101 / 100 = 44440 Hz.
    TempFolder dir;
    SampleBuffer doc = sineSound(100, 6000, kRate, dir.file("a.wav"));
    for (int32_t i = 2500; i < 6000; ++i)
        doc.samples[0][i] = int16_t(std::lround(10000 * std::sin(2 * kPi * (i - 2500) / 101.0 + 0.3)));
    doc.loops.loopStart[0] = 999;
    doc.loops.loopEnd[0] = 1999;
    for (int k = 1; k < SolutionTable::kSolutions; ++k) {
        doc.loops.loopStart[k] = 2600 + 10 * k;
        doc.loops.loopEnd[k] = 2600 + 10 * k + 101 * (10 + k);
    }
    const SampleBuffer original = doc;
    for (int slot = 0; slot <= SolutionTable::kSolutions; ++slot) {
        SampleBuffer d = original;
        d.loops.currentSolution = static_cast<int16_t>(slot);
        ASSERT_TRUE(saveDocument(d, SaveSettings{}).saved) << slot;
        SampleBuffer back;
        back.fileTitle = "a";
        ASSERT_TRUE(loadSoundFile(back, d.filePath).loaded);
        if (slot == original.loops.firstEmptySlot()) { // "No loop": the sound as it is
            EXPECT_FALSE(back.loops.hasLoop(0));
            EXPECT_EQ(back.sampleCount, 6000);
            EXPECT_EQ(back.sampleRate, kRate);
            continue;
        }
        const int32_t e = original.loops.loopEnd[slot];
        EXPECT_EQ(back.loops.loopStart[0], original.loops.loopStart[slot]) << slot;
        EXPECT_EQ(back.loops.loopEnd[0], e) << slot;
        EXPECT_EQ(back.sampleCount, e + 1) << slot;
        EXPECT_EQ(back.sampleRate, slot == 0 ? 44000 : 44440) << slot;
    }
}

TEST(SaveDocument, UnrolledAlternateLoopCarriesEveryCrossfadePass)
{
    TempFolder dir;
    SampleBuffer doc = sineSound(97, 4000, kRate, dir.file("alt.wav"));
    for (size_t i = 0; i < doc.samples[0].size(); ++i)
        doc.samples[0][i] = int16_t(doc.samples[0][i] + int((i * 7919) % 2001) - 1000);
    const int32_t s = 1499, e = 2299, L = e - s;
    setLoop(doc, s, e);
    doc.loopForward = false;
    doc.simulateAlternate = 1;
    doc.tuneSampleRate = 0;
    for (int passes = 2; passes <= 4; ++passes) {
        SaveSettings settings;
        settings.crossfade.kind = CrossfadeKind::Exponential;
        settings.crossfade.lengthSamples = 120;
        settings.crossfade.passes = passes;
        std::vector<int16_t> expected(2 * static_cast<size_t>(L));
        ASSERT_TRUE(build_alternate_loop(doc.samples[0].data(), doc.sampleCount, s, e, settings.crossfade,
                                         expected.data()));
        SampleBuffer d = doc;
        ASSERT_TRUE(saveDocument(d, settings).saved);
        SampleBuffer back;
        back.fileTitle = "alt";
        ASSERT_TRUE(loadSoundFile(back, d.filePath).loaded);
        ASSERT_EQ(back.sampleCount, s + 1 + 2 * L);
        EXPECT_EQ(back.loops.loopEnd[0], 2 * e - s);
        for (int32_t k = 0; k < 2 * L; ++k)
            ASSERT_EQ(back.samples[0][s + 1 + k], expected[k]) << passes << " passes, k " << k;
    }
}

TEST(SaveDocument, CutReloadOnlyWhenTheFileGetsShorter)
{
    TempFolder dir;
    SampleBuffer doc = sineSound(100, 3000, kRate, dir.file("a.wav"));
    doc.tuneSampleRate = 0;
    setLoop(doc, 999, 2999); // ends on the last frame
    SaveOutcome out = saveDocument(doc, SaveSettings{});
    ASSERT_TRUE(out.saved);
    EXPECT_FALSE(out.reloadNeeded);
    EXPECT_FALSE(out.rateRetuned);

    setLoop(doc, 999, 1999);
    out = saveDocument(doc, SaveSettings{});
    ASSERT_TRUE(out.saved);
    EXPECT_TRUE(out.reloadNeeded);

    doc.cutAfterLoop = 0;
    out = saveDocument(doc, SaveSettings{});
    EXPECT_FALSE(out.reloadNeeded);
}

class SaveFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = sineSound(101, 5000, kRate, dir.file("keep.wav"));
        setLoop(doc, 999, 999 + 2020);
        doc.cutAfterLoop = 0;
        settings.crossfade.lengthSamples = 50;
        writeAll(doc.filePath, oldContents);
        samplesBefore = doc.samples[0];
    }

    // The old file, the document and the folder are as before the save.
    void expectNothingChanged(const SaveOutcome& out, const std::string& message)
    {
        EXPECT_FALSE(out.saved);
        ASSERT_EQ(out.messages.size(), 1u);
        EXPECT_EQ(out.messages[0].text, message);
        EXPECT_EQ(out.messages[0].icon, MessageIcon::Warning);
        const auto b = readAll(doc.filePath);
        EXPECT_EQ(std::string(b.begin(), b.end()), oldContents);
        EXPECT_FALSE(doc.isSaved);
        EXPECT_EQ(doc.sampleRate, kRate);
        EXPECT_EQ(doc.samples[0], samplesBefore);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.wav"}) << "no temporary file left";
    }

    TempFolder dir;
    SampleBuffer doc;
    SaveSettings settings;
    std::vector<int16_t> samplesBefore;
    const std::string oldContents = "the user's old file";
};

TEST_F(SaveFailure, DiskFullPartWayThrough)
{
    // ENOSPC once 4 KiB are on disk, whatever the stage's write size.
    HookGuard hook([](FileStage stage, uint64_t written, size_t size) {
        return stage == FileStage::Write && written + size > 4096 ? ENOSPC : 0;
    });
    expectNothingChanged(saveDocument(doc, settings), "A problem happens in writing the file keep.wav!");
}

TEST_F(SaveFailure, DiskFullOnTheHeader)
{
    HookGuard hook([](FileStage stage, uint64_t, size_t) { return stage == FileStage::Write ? ENOSPC : 0; });
    expectNothingChanged(saveDocument(doc, settings), "A problem happens in writing the file keep.wav!");
}

TEST_F(SaveFailure, SyncAndRenameFailures)
{
    for (FileStage failing : {FileStage::Sync, FileStage::Rename}) {
        HookGuard hook([failing](FileStage stage, uint64_t, size_t) { return stage == failing ? EIO : 0; });
        expectNothingChanged(saveDocument(doc, settings), "A problem happens in writing the file keep.wav!");
    }
}

TEST_F(SaveFailure, PermissionRefusedAtCreation)
{
    HookGuard hook([](FileStage stage, uint64_t, size_t) { return stage == FileStage::Open ? EACCES : 0; });
    expectNothingChanged(saveDocument(doc, settings), "keep.wav could not be opened!");
}

TEST_F(SaveFailure, FolderThatVanished)
{
    dir.removeAll();
    const SaveOutcome out = saveDocument(doc, settings);
    EXPECT_FALSE(out.saved);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, "keep.wav could not be opened!");
    EXPECT_FALSE(doc.isSaved);
    EXPECT_EQ(doc.sampleRate, kRate);
    EXPECT_EQ(doc.samples[0], samplesBefore);
}

TEST_F(SaveFailure, UnrolledWriterFailsTheSameWay)
{
    doc.loopForward = false;
    doc.simulateAlternate = 1;
    HookGuard hook([](FileStage stage, uint64_t written, size_t size) {
        return stage == FileStage::Write && written + size > 100 ? ENOSPC : 0;
    });
    expectNothingChanged(saveDocument(doc, settings), "A problem happens in writing the file keep.wav!");
}

TEST_F(SaveFailure, SuccessAfterwardsReplacesTheFile)
{
    const SaveOutcome out = saveDocument(doc, settings);
    ASSERT_TRUE(out.saved);
    const auto b = readAll(doc.filePath);
    EXPECT_EQ(b.size(), 44u + 10000u + 68u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.wav"});
}

TEST(SaveDocument, WithoutATargetNothingHappens)
{
    SampleBuffer doc = sineSound(100, 3000, kRate, "/tmp/x.wav");
    doc.filePath.clear();
    doc.fileTitle = "NoName";
    const SaveOutcome out = saveDocument(doc, SaveSettings{});
    EXPECT_FALSE(out.saved);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, "NoName.wav could not be opened!");
    EXPECT_FALSE(doc.isSaved);
}

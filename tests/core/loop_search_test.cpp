#include "loop/loop_search.h"
#include "loop/solution_table.h"

#include "loop_search_reference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A small generator of our own so the sounds are the same on every library.
struct Noise {
    uint64_t state;
    double next() // uniform in [-1, 1)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0;
    }
};

struct Tone {
    int rate = 22050;
    int frames = 11025;
    int channels = 1;
    double hz = 441.0;        // the tone's own frequency
    double pitchHz = 441.0;   // what the document claims
    double amplitude = 12000;
    double decayPerSecond = 0; // exponential decay rate
    double vibratoDepth = 0;   // relative frequency deviation at 5 Hz
    double noise = 0;          // peak noise, in samples
    uint64_t seed = 1;
};

int16_t clamp16(double v)
{
    v = std::round(v);
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

SampleBuffer makeSound(const Tone& t)
{
    SampleBuffer snd;
    snd.allocate(static_cast<int16_t>(t.channels), t.frames);
    snd.sampleCount = t.frames;
    snd.sampleRate = t.rate;
    snd.channels = static_cast<int16_t>(t.channels);
    snd.bitsPerSample = 16;
    snd.pitchHz = t.pitchHz;
    Noise rng{t.seed};
    const double pi = 3.14159265358979323846;
    double phase = 0;
    for (int i = 0; i < t.frames; ++i) {
        const double time = static_cast<double>(i) / t.rate;
        const double f = t.hz * (1 + t.vibratoDepth * std::sin(2 * pi * 5 * time));
        phase += 2 * pi * f / t.rate;
        const double env = t.amplitude * std::exp(-t.decayPerSecond * time);
        const double wave = std::sin(phase) + 0.5 * std::sin(2 * phase + 0.3) + 0.25 * std::sin(3 * phase + 1.1);
        for (int c = 0; c < t.channels; ++c)
            snd.samples[c][i] = clamp16(env * wave * (c == 0 ? 1.0 : 0.7) + t.noise * rng.next());
    }
    return snd;
}

struct Recorder {
    std::vector<LoopImprovement> improvements;
    std::vector<std::pair<int32_t, int32_t>> progress;
    LoopSearchCallbacks callbacks()
    {
        LoopSearchCallbacks cb;
        cb.improvement = [this](const LoopImprovement& i) { improvements.push_back(i); };
        cb.progress = [this](int32_t p, int32_t r) { progress.emplace_back(p, r); };
        return cb;
    }
};

SolutionTable tableWithThree()
{
    SolutionTable t;
    const int32_t starts[3] = {100, 200, 300};
    for (int i = 0; i < 3; ++i) {
        t.loopStart[i] = starts[i];
        t.loopEnd[i] = starts[i] + 1000;
    }
    t.currentSolution = 2;
    return t;
}

void expectSameSlots(const SolutionTable& a, const SolutionTable& b)
{
    for (int i = 0; i < SolutionTable::kSlots; ++i) {
        EXPECT_EQ(a.loopStart[i], b.loopStart[i]) << "slot " << i;
        EXPECT_EQ(a.loopEnd[i], b.loopEnd[i]) << "slot " << i;
    }
}

struct Case {
    const char* name;
    Tone tone;
    int32_t selStart;
    int32_t selEnd;
    int minPercent;
    int maxPercent;
};

std::vector<Case> cases()
{
    std::vector<Case> list;
    Tone t;
    list.push_back({"clean mono", t, 3000, 10000, 50, 100});
    t.noise = 400;
    list.push_back({"noisy mono", t, 3000, 10000, 50, 100});
    t.channels = 2;
    t.seed = 7;
    list.push_back({"noisy stereo", t, 2500, 11000, 30, 90});
    t.decayPerSecond = 3;
    list.push_back({"decaying stereo", t, 1000, 11024, 0, 100});
    t = Tone{};
    t.vibratoDepth = 0.01;
    t.noise = 150;
    t.hz = 437.0; // a little off the claimed pitch
    list.push_back({"vibrato mono, start near the beginning", t, 20, 9000, 50, 100});
    t.channels = 2;
    t.seed = 3;
    list.push_back({"vibrato stereo, start at zero", t, 0, 11025, 20, 60});
    t = Tone{};
    t.rate = 8000;
    t.frames = 8000;
    t.hz = t.pitchHz = 190.0;
    t.noise = 2500; // loud: many extra crossings
    t.seed = 11;
    list.push_back({"very noisy mono", t, 1500, 7000, 40, 100});
    t.channels = 2;
    list.push_back({"very noisy stereo", t, 100, 7999, 10, 100});
    t = Tone{};
    t.hz = t.pitchHz = 1000.0;
    t.noise = 60;
    t.decayPerSecond = 1;
    list.push_back({"high tone, min 0 %", t, 4000, 10500, 0, 100});
    t.channels = 2;
    list.push_back({"high tone stereo, equal percentages", t, 4000, 10500, 70, 70});
    t = Tone{};
    t.hz = t.pitchHz = 110.0;
    t.noise = 300;
    t.frames = 22050;
    list.push_back({"low tone, selection past the end", t, 1000, 40000, 50, 100});
    t.channels = 2;
    t.decayPerSecond = 2;
    list.push_back({"low decaying stereo", t, 9000, 22049, 25, 100});
    return list;
}

void expectEngineMatchesReference(const SampleBuffer& snd, const LoopSearchRequest& req, const std::string& what)
{
    SCOPED_TRACE(what);
    const std::atomic<bool> stop{false};
    SolutionTable refTable = tableWithThree();
    const reference::Run ref = reference::search(snd, req, refTable, stop);
    ASSERT_FALSE(ref.stopped);

    SolutionTable table = tableWithThree();
    Recorder rec;
    const LoopSearchResult result = runLoopSearch(snd, req, table, stop, rec.callbacks());
    ASSERT_EQ(result.outcome, LoopSearchOutcome::Completed);
    ASSERT_EQ(rec.improvements.size(), ref.improvements.size());
    for (size_t i = 0; i < ref.improvements.size(); ++i) {
        EXPECT_EQ(rec.improvements[i].loopStart, ref.improvements[i].start) << i;
        EXPECT_EQ(rec.improvements[i].loopEnd, ref.improvements[i].end) << i;
        EXPECT_EQ(rec.improvements[i].score, ref.improvements[i].score) << i; // bit for bit
        EXPECT_EQ(rec.improvements[i].solutionCount, std::min<int>(static_cast<int>(i) + 1, 10));
    }
    expectSameSlots(table, refTable);
    EXPECT_EQ(table.currentSolution, 0);
    EXPECT_EQ(result.improvementCount, static_cast<int>(ref.improvements.size()));
    EXPECT_EQ(result.solutionCount, std::min<int>(static_cast<int>(ref.improvements.size()), 10));
    if (!ref.improvements.empty()) {
        EXPECT_EQ(result.bestScore, ref.improvements.back().score);
    }
}

LoopSearchRequest requestOf(const Case& c, LoopType type, int threads)
{
    LoopSearchRequest req;
    req.selectionStart = c.selStart;
    req.selectionEnd = c.selEnd;
    req.minPercent = c.minPercent;
    req.maxPercent = c.maxPercent;
    req.loopType = type;
    req.threadCount = threads;
    return req;
}

} // namespace

TEST(SolutionLabels, TextsLineUpAsListed)
{
    EXPECT_EQ(solutionLabel(0), "1st   solution");
    EXPECT_EQ(solutionLabel(1), "2nd  solution");
    EXPECT_EQ(solutionLabel(2), "3rd   solution");
    EXPECT_EQ(solutionLabel(3), "4th   solution");
    EXPECT_EQ(solutionLabel(8), "9th   solution");
    EXPECT_EQ(solutionLabel(9), "10th solution");
    EXPECT_EQ(solutionLabel(10), "");
    EXPECT_EQ(noLoopLabel(), "No loop");
    const std::vector<std::string> none = solutionListEntries(0);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0], "No loop");
    const std::vector<std::string> full = solutionListEntries(12);
    ASSERT_EQ(full.size(), 11u);
    EXPECT_EQ(full[9], "10th solution");
    EXPECT_EQ(full[10], "No loop");
}

TEST(SolutionTableHistory, PushKeepsTheNewestTenAndNeverSlotTen)
{
    SolutionTable t;
    for (int i = 0; i < 12; ++i)
        pushSolution(t, i, i + 100);
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_EQ(t.loopStart[slot], 11 - slot);
        EXPECT_EQ(t.loopEnd[slot], 111 - slot);
    }
    EXPECT_EQ(t.loopStart[10], -1);
    EXPECT_EQ(t.loopEnd[10], -1);
}

TEST(LoopSearch, EngineGivesTheReferenceSolutions)
{
    for (const Case& c : cases()) {
        const SampleBuffer snd = makeSound(c.tone);
        for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
            const std::string what = std::string(c.name) + (type == LoopType::Forward ? ", forward" : ", alternate");
            expectEngineMatchesReference(snd, requestOf(c, type, 2), what);
        }
    }
}

TEST(LoopSearch, ThreadCountDoesNotChangeTheSolutions)
{
    const Case c = cases()[3];
    const SampleBuffer snd = makeSound(c.tone);
    for (int threads : {1, 3, 5})
        expectEngineMatchesReference(snd, requestOf(c, LoopType::Forward, threads),
                                     "threads " + std::to_string(threads));
}

TEST(LoopSearch, RefusesWithoutChangingAnything)
{
    Tone t;
    SampleBuffer snd = makeSound(t);
    LoopSearchRequest req;
    req.selectionStart = 1000;
    req.selectionEnd = 9000;
    const std::atomic<bool> stop{false};
    struct Bad {
        double pitch;
        int32_t end;
        int minP, maxP;
        const char* text;
    };
    const Bad bad[] = {
        {0.0, 9000, 50, 100, "The pitch of the sound is unknown: a loop cannot be searched."},
        {-5.0, 9000, 50, 100, "The pitch of the sound is unknown: a loop cannot be searched."},
        {std::nan(""), 9000, 50, 100, "The pitch of the sound is unknown: a loop cannot be searched."},
        {441.0, 1000, 50, 100, "There must be a selected region!"},
        {441.0, 9000, 60, 40, "Contradictory parameters!"},
    };
    for (const Bad& b : bad) {
        for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
            snd.pitchHz = b.pitch;
            req.selectionEnd = b.end;
            req.minPercent = b.minP;
            req.maxPercent = b.maxP;
            req.loopType = type;
            SolutionTable table = tableWithThree();
            Recorder rec;
            const LoopSearchResult r = runLoopSearch(snd, req, table, stop, rec.callbacks());
            EXPECT_EQ(r.outcome, LoopSearchOutcome::Refused);
            EXPECT_EQ(r.message.text, b.text);
            EXPECT_EQ(r.message.icon, MessageIcon::Warning);
            expectSameSlots(table, tableWithThree());
            EXPECT_EQ(table.currentSolution, 2);
            EXPECT_TRUE(rec.improvements.empty());
            EXPECT_TRUE(rec.progress.empty());
        }
    }
    SampleBuffer empty;
    SolutionTable table;
    EXPECT_EQ(runLoopSearch(empty, req, table, stop).message.text, "There must be a selected region!");
}

TEST(LoopSearch, StopAtOnceBringsBackThePreviousList)
{
    const Case c = cases()[1];
    const SampleBuffer snd = makeSound(c.tone);
    const std::atomic<bool> stop{true};
    for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
        SolutionTable table = tableWithThree();
        table.loopStart[7] = 5; // a stale slot behind the list is kept too
        table.loopEnd[7] = 6;
        const SolutionTable before = table;
        Recorder rec;
        const LoopSearchResult r = runLoopSearch(snd, requestOf(c, type, 2), table, stop, rec.callbacks());
        EXPECT_EQ(r.outcome, LoopSearchOutcome::Stopped);
        expectSameSlots(table, before);
        EXPECT_EQ(table.currentSolution, 0);
        EXPECT_EQ(r.solutionCount, 3);
        EXPECT_TRUE(rec.improvements.empty());
    }
}

TEST(LoopSearch, StopDuringTheRunRestoresEvenAFullList)
{
    const Case c = cases()[3];
    const SampleBuffer snd = makeSound(c.tone);
    for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
        SolutionTable table;
        for (int i = 0; i < 10; ++i)
            pushSolution(table, 10 + i, 5000 + i);
        const SolutionTable before = table;
        std::atomic<bool> stop{false};
        LoopSearchCallbacks cb;
        int seen = 0;
        cb.improvement = [&](const LoopImprovement&) {
            if (++seen == 2)
                stop = true;
        };
        const LoopSearchResult r = runLoopSearch(snd, requestOf(c, type, 2), table, stop, cb);
        EXPECT_EQ(r.outcome, LoopSearchOutcome::Stopped);
        EXPECT_GE(seen, 2);
        expectSameSlots(table, before);
        EXPECT_EQ(r.solutionCount, 10);
    }
}

TEST(LoopSearch, MoreThanTenImprovementsKeepTheLastTen)
{
    // A strongly decaying tone: later pairs keep beating earlier ones.
    Tone t;
    t.decayPerSecond = 8;
    t.noise = 30;
    const SampleBuffer snd = makeSound(t);
    for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
        LoopSearchRequest req;
        req.selectionStart = 500;
        req.selectionEnd = 11000;
        req.minPercent = 5;
        req.maxPercent = 30;
        req.loopType = type;
        const std::atomic<bool> stop{false};
        SolutionTable refTable;
        const reference::Run ref = reference::search(snd, req, refTable, stop);
        ASSERT_GT(ref.improvements.size(), 10u) << "the stimulus must improve often";
        SolutionTable table;
        const LoopSearchResult r = runLoopSearch(snd, req, table, stop);
        EXPECT_EQ(r.solutionCount, 10);
        EXPECT_EQ(r.improvementCount, static_cast<int>(ref.improvements.size()));
        const size_t n = ref.improvements.size();
        for (int slot = 0; slot < 10; ++slot) {
            EXPECT_EQ(table.loopStart[slot], ref.improvements[n - 1 - slot].start);
            EXPECT_EQ(table.loopEnd[slot], ref.improvements[n - 1 - slot].end);
        }
        EXPECT_EQ(table.loopEnd[10], -1);
    }
}

TEST(LoopSearch, EqualScoresKeepTheFirstPair)
{
    // An exactly periodic wave of 80 samples with one rising crossing per
    // period: every pair a whole number of periods apart scores the same.
    SampleBuffer snd;
    const int n = 8000;
    snd.allocate(1, n);
    snd.sampleCount = n;
    snd.sampleRate = 8000;
    snd.channels = 1;
    snd.pitchHz = 100.0; // P = 80
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < n; ++i)
        snd.samples[0][i] = clamp16(10000 * std::sin(2 * pi * (i % 80 + 0.5) / 80.0) +
                                    3000 * std::sin(4 * pi * (i % 80 + 0.5) / 80.0));
    // Rising crossings at 79, 159, ... (sample 80k is the first non-negative one).
    ASSERT_TRUE(snd.samples[0][79] < 0 && snd.samples[0][80] >= 0);
    ASSERT_FALSE(snd.samples[0][40] < 0 && snd.samples[0][41] >= 0);
    const std::atomic<bool> stop{false};

    LoopSearchRequest req;
    req.selectionStart = 400; // >= 4P: the forward score looks back
    req.selectionEnd = 7000;
    req.minPercent = 0;
    req.loopType = LoopType::Forward;
    SolutionTable table;
    LoopSearchResult r = runLoopSearch(snd, req, table, stop);
    ASSERT_EQ(r.improvementCount, 1);
    EXPECT_EQ(table.loopStart[0], 479); // the first crossing of the window
    EXPECT_EQ(table.loopEnd[0], 559);   // one period later, the shortest allowed
    EXPECT_EQ(r.bestScore, 0.0);

    // Alternate: every crossing has the same energy, so the first pair in
    // order of (i, j) stays. The selection ends just after a crossing so that
    // the window end itself is no candidate.
    req.loopType = LoopType::Alternate;
    req.selectionEnd = 6960;
    table = SolutionTable();
    r = runLoopSearch(snd, req, table, stop);
    ASSERT_EQ(r.improvementCount, 1);
    EXPECT_EQ(table.loopStart[0], 479);
    EXPECT_EQ(table.loopEnd[0], 559);
}

TEST(LoopSearch, SelectionNearTheStartIsScoredForwardOfThePoints)
{
    Tone t;
    t.noise = 200;
    t.decayPerSecond = 1;
    const SampleBuffer snd = makeSound(t);
    const int64_t p = 50; // 22050 / 441
    LoopSearchRequest req;
    req.selectionStart = 150; // < 4P = 200
    req.selectionEnd = snd.sampleCount - 1;
    req.minPercent = 20;
    const std::atomic<bool> stop{false};
    SolutionTable table;
    Recorder rec;
    const LoopSearchResult r = runLoopSearch(snd, req, table, stop, rec.callbacks());
    ASSERT_EQ(r.outcome, LoopSearchOutcome::Completed);
    EXPECT_TRUE(r.looksForward);
    EXPECT_EQ(r.windowEnd, snd.sampleCount - 4 * p - 1);
    ASSERT_FALSE(rec.improvements.empty());
    for (const LoopImprovement& i : rec.improvements)
        EXPECT_LT(i.loopEnd, snd.sampleCount - 4 * p - 1);

    // The best score recomputed here, looking forward from both points.
    const LoopImprovement& best = rec.improvements.back();
    double d = 0;
    for (int64_t k = 0; k < 4 * p; ++k) {
        const double diff = snd.samples[0][best.loopEnd + k] / 32768.0 - snd.samples[0][best.loopStart + k] / 32768.0;
        d += std::exp(std::log(0.5) * std::sqrt(double(k)) / std::sqrt(double(4 * p))) * (diff * diff);
    }
    EXPECT_EQ(best.score, d);
}

TEST(LoopSearch, ShortSoundsAndExtremePitchesStayInside)
{
    // Sounds shorter than the forward window, and pitches whose period rounds
    // to 0 or 1 sample: nothing may be read outside the sound (the sanitizer
    // build checks) and every run ends.
    struct Odd {
        int frames;
        double pitch;
        int32_t selStart, selEnd;
    };
    const Odd odd[] = {
        {300, 441.0, 10, 299},     // W = 200: the forward window ends at N - W - 1 = 99
        {180, 441.0, 60, 179},     // N - W - 1 < 0
        {250, 441.0, 120, 249},    // window end below the start
        {2000, 22050.0, 0, 1999},  // P = 1
        {2000, 60000.0, 5, 1999},  // P = 0
        {2000, 1e-6, 0, 1999},     // a period far longer than the sound
    };
    for (const Odd& o : odd) {
        Tone t;
        t.frames = o.frames;
        t.pitchHz = o.pitch;
        t.noise = 3000;
        const SampleBuffer snd = makeSound(t);
        for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
            LoopSearchRequest req;
            req.selectionStart = o.selStart;
            req.selectionEnd = o.selEnd;
            req.minPercent = 0;
            req.loopType = type;
            expectEngineMatchesReference(snd, req, "frames " + std::to_string(o.frames) + ", pitch " + std::to_string(o.pitch));
            SolutionTable table;
            const std::atomic<bool> stop{false};
            const LoopSearchResult r = runLoopSearch(snd, req, table, stop);
            EXPECT_GE(r.windowEnd, type == LoopType::Forward ? r.windowStart : 0);
            for (int i = 0; i < 10 && table.hasLoop(i); ++i) {
                EXPECT_LT(table.loopStart[i], table.loopEnd[i]);
                EXPECT_LT(table.loopEnd[i], o.frames);
            }
        }
    }
}

TEST(LoopSearch, ForwardMinimumLengthIsAtLeastOnePeriod)
{
    const Case c = cases()[1];
    const SampleBuffer snd = makeSound(c.tone);
    LoopSearchRequest req = requestOf(c, LoopType::Forward, 2);
    req.minPercent = 0;
    req.maxPercent = 3; // 3 % of 7000 = 210 samples, a few periods
    const std::atomic<bool> stop{false};
    SolutionTable table;
    Recorder rec;
    const LoopSearchResult r = runLoopSearch(snd, req, table, stop, rec.callbacks());
    EXPECT_EQ(r.minLength, 50);
    ASSERT_FALSE(rec.improvements.empty());
    for (const LoopImprovement& i : rec.improvements)
        EXPECT_GE(i.loopEnd - i.loopStart, 50);
}

TEST(LoopSearch, ProgressStartsWithTheRangeAndRises)
{
    const Case c = cases()[0];
    const SampleBuffer snd = makeSound(c.tone);
    for (LoopType type : {LoopType::Forward, LoopType::Alternate}) {
        SolutionTable table;
        Recorder rec;
        const std::atomic<bool> stop{false};
        runLoopSearch(snd, requestOf(c, type, 2), table, stop, rec.callbacks());
        ASSERT_GE(rec.progress.size(), 2u);
        EXPECT_EQ(rec.progress[0].first, 0);
        const int32_t range = rec.progress[0].second;
        EXPECT_GT(range, 0);
        for (size_t i = 1; i < rec.progress.size(); ++i) {
            EXPECT_EQ(rec.progress[i].second, range);
            EXPECT_GT(rec.progress[i].first, rec.progress[i - 1].first);
            EXPECT_LE(rec.progress[i].first, range);
        }
    }
}

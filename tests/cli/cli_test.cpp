// End-to-end tests of ringtide-cli: the built tool runs on WAV files made
// here, and its output is checked against the core called directly and
// against properties of the synthetic tones.

#include "cli_test_support.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "document/load_sound.h"
#include "document/wav_reader.h"
#include "dsp/spectrum_analysis.h"
#include "loop/loop_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace clitest;

namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ringtide-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string tone(const std::string& name, const Tone& t)
    {
        writeBytes(dir + name, toneWav(t));
        return dir + name;
    }
    CliRun cli(const std::string& args) { return runCli(args, dir + "stderr.txt"); }

    std::string dir;
};

// The document as the window has it after opening `path` (the core, called
// directly): reader, automatic spectrum analysis, pitch update.
SampleBuffer openAsWindow(const std::string& path)
{
    SampleBuffer doc;
    doc.fileTitle = fs::path(path).stem().string();
    EXPECT_TRUE(loadSoundFile(doc, path).loaded);
    SpectrumAnalysis analysis;
    analyseSpectrum(doc, nullptr, analysis);
    updatePitch(doc);
    return doc;
}

struct CoreSolutions {
    std::vector<std::pair<int32_t, int32_t>> pairs; // slot order
    std::vector<double> scores;                     // improvement order
};

CoreSolutions coreSearch(const SampleBuffer& doc, int32_t a, int32_t b, int minPct, int maxPct, LoopType type)
{
    LoopSearchRequest request;
    request.selectionStart = a;
    request.selectionEnd = b;
    request.minPercent = minPct;
    request.maxPercent = maxPct;
    request.loopType = type;
    SolutionTable table;
    std::atomic<bool> stop{false};
    CoreSolutions out;
    LoopSearchCallbacks callbacks;
    callbacks.improvement = [&](const LoopImprovement& i) { out.scores.push_back(i.score); };
    const LoopSearchResult r = runLoopSearch(doc, request, table, stop, callbacks);
    EXPECT_EQ(r.outcome, LoopSearchOutcome::Completed);
    for (int s = 0; s < SolutionTable::kSolutions && table.hasLoop(s); ++s)
        out.pairs.emplace_back(table.loopStart[s], table.loopEnd[s]);
    return out;
}

// Distance of a length from the nearest whole number of periods.
double offWholePeriods(double length, double period)
{
    return std::fabs(length - std::round(length / period) * period);
}

} // namespace

TEST_F(CliTest, HelpExitsZeroAndExplainsEveryOption)
{
    const CliRun tool = cli("--help");
    EXPECT_EQ(tool.status, 0);
    for (const char* command : {"info", "search", "loop"})
        EXPECT_NE(tool.out.find(command), std::string::npos) << command;

    const CliRun loop = cli("loop --help");
    EXPECT_EQ(loop.status, 0);
    for (const char* option : {"--select", "--min", "--max", "--type", "--solution", "--crossfade", "--kind",
                               "--passes", "--note", "--no-tune", "--no-cut", "--no-unroll", "-o"})
        EXPECT_NE(loop.out.find(option), std::string::npos) << option;
    EXPECT_EQ(cli("search --help").status, 0);
    EXPECT_EQ(cli("info --help").status, 0);
    EXPECT_EQ(cli("help loop").out, loop.out);
}

TEST_F(CliTest, BadArgumentsExitTwoWithOneLineReason)
{
    const std::string wav = tone("a.wav", Tone{});
    fs::create_directory(dir + "folder");
    writeBytes(dir + "plainfile", {1, 2, 3});
    const std::vector<std::string> bad = {
        "",
        "frobnicate " + wav,
        "search",
        "search " + wav + " " + wav,
        "search " + wav + " --min 101",
        "search " + wav + " --min 60 --max 40",
        "search " + wav + " --type sideways",
        "search " + wav + " --select 500:100",
        "search " + wav + " --select 10",
        "search " + wav + " --select 20%:120%",
        "search " + wav + " --min",
        "search " + wav + " --crossfade 10",
        "info " + wav + " --min 5",
        "loop " + wav,
        "loop " + wav + " -o " + dir + "x.wav --crossfade -1",
        "loop " + wav + " -o " + dir + "x.wav --passes 5",
        "loop " + wav + " -o " + dir + "x.wav --note 128",
        "loop " + wav + " -o " + dir + "x.wav --solution 0",
        "loop " + wav + " -o " + dir + "x.wav --kind cubic",
        "loop " + wav + " -o " + dir + "x.wav --no-cut=1",
        "loop " + wav + " " + wav + " -o " + dir + "plainfile",
        // Two inputs that would be saved under one name in the folder.
        "loop " + wav + " " + dir + "folder/../a.wav -o " + dir + "folder",
    };
    for (const std::string& args : bad) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        ASSERT_FALSE(r.err.empty()) << args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << args << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir + "x.wav"));
}

TEST_F(CliTest, InfoReportsFormatLoopAndPitch)
{
    Tone mono;
    mono.periodSamples = 100.0; // 441 Hz at 44100
    mono.withLoop = true;
    mono.loopType = 1;
    mono.loopFirst = 1000;
    mono.loopLast = 5000;
    Tone stereo;
    stereo.channels = 2;
    stereo.rate = 22050;
    stereo.periodSamples = 75.0; // 294 Hz
    const std::string a = tone("mono.wav", mono), b = tone("stereo.wav", stereo);

    const CliRun r = cli("info " + a + " " + b);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 2u);
    const Json m = parseJson(out[0]);
    EXPECT_EQ(m["file"].text, a);
    EXPECT_EQ(m["rate"].integer(), 44100);
    EXPECT_EQ(m["bits"].integer(), 16);
    EXPECT_EQ(m["channels"].integer(), 1);
    EXPECT_EQ(m["frames"].integer(), 44100);
    EXPECT_EQ(m["loop_start"].integer(), 999); // the sample before the loop
    EXPECT_EQ(m["loop_end"].integer(), 5000);
    EXPECT_EQ(m["loop_type"].text, "alternate");
    EXPECT_NEAR(m["pitch_hz"].number, 441.0, 441.0 * 0.005);
    EXPECT_EQ(m["midi_note"].integer(), 69); // 441 Hz is 2 cents above A4
    EXPECT_FALSE(m.has("warnings"));

    const Json s = parseJson(out[1]);
    EXPECT_EQ(s["channels"].integer(), 2);
    EXPECT_EQ(s["rate"].integer(), 22050);
    EXPECT_EQ(s["loop_start"].integer(), -1);
    EXPECT_EQ(s["loop_end"].integer(), -1);
    EXPECT_EQ(s["loop_type"].kind, Json::Null);
    EXPECT_NEAR(s["pitch_hz"].number, 294.0, 294.0 * 0.005);
    EXPECT_EQ(s["midi_note"].integer(), 62); // 294 Hz: D4 (293.66 Hz)
    // The pitch is the window's: the core's analysis on the same file.
    EXPECT_EQ(s["pitch_hz"].number, openAsWindow(b).pitchHz);
}

TEST_F(CliTest, RefusedFilesGiveTheReadersMessageWhileOthersStillPrint)
{
    const std::string good = tone("good.wav", Tone{});
    writeBytes(dir + "text.wav", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'});
    std::vector<uint8_t> tiny = toneWav(Tone{100.0, 100}); // below 128 frames
    writeBytes(dir + "tiny.wav", tiny);
    Tone shortTone;
    shortTone.frames = 600; // loads, with the 1024-frame warning
    const std::string shortFile = tone("short.wav", shortTone);

    const std::vector<std::string> files = {good, dir + "text.wav", dir + "missing.wav", dir + "tiny.wav",
                                            shortFile};
    std::string args = "info";
    for (const std::string& f : files)
        args += " " + f;
    const CliRun r = cli(args);
    EXPECT_EQ(r.status, 1);
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const Json j = parseJson(out[i]);
        EXPECT_EQ(j["file"].text, files[i]);
        // What the reader itself says about the file.
        SampleBuffer doc;
        doc.fileTitle = fs::path(files[i]).stem().string();
        const LoadOutcome load = loadSoundFile(doc, files[i]);
        if (load.loaded) {
            EXPECT_FALSE(j.has("error"));
            EXPECT_EQ(j["frames"].integer(), doc.sampleCount);
        } else {
            ASSERT_TRUE(j.has("error")) << out[i];
            if (i != 2)
                EXPECT_EQ(j["error"].text, load.messages.back().text);
            EXPECT_EQ(j.fields.size(), 2u);
        }
    }
    // A file that cannot be opened is named by its full path, and so is a
    // folder given by mistake.
    EXPECT_EQ(parseJson(out[2])["error"].text, dir + "missing.wav could not be opened!");
    fs::create_directory(dir + "sub");
    const CliRun folder = cli("info " + dir + "sub/./");
    EXPECT_EQ(parseJson(lines(folder.out).at(0))["error"].text, dir + "sub could not be opened!");
    const Json s = parseJson(out[4]);
    ASSERT_TRUE(s.has("warnings"));
    ASSERT_EQ(s["warnings"].items.size(), 1u);
    EXPECT_EQ(s["warnings"][0].text, fewFramesWarningMessage().text);
}

TEST_F(CliTest, FileNamesAreEscapedIntoValidJson)
{
    const std::string name = std::string("odd \"name\" \\ tab\there\nline \x01 \xC3\xA9 \xFF.wav");
    writeBytes(dir + name, toneWav(Tone{}));
    const CliRun r = cli("info " + shellQuote(dir + name));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 1u) << "a raw newline escaped the string";
    const Json j = parseJson(r.out.substr(0, r.out.size() - 1));
    // Valid UTF-8 (the e acute) is kept; the stray 0xFF byte becomes U+FFFD.
    const std::string expected = dir + "odd \"name\" \\ tab\there\nline \x01 \xC3\xA9 \xEF\xBF\xBD.wav";
    EXPECT_EQ(j["file"].text, expected);
    EXPECT_EQ(j["frames"].integer(), 44100);
}

TEST_F(CliTest, SearchGivesTheCoreEnginesSolutions)
{
    Tone t;
    t.channels = 2;
    t.periodSamples = 98.5; // whole periods every 197 samples
    t.frames = 30000;
    const std::string wav = tone("t.wav", t);
    const SampleBuffer doc = openAsWindow(wav);

    struct Case {
        std::string args;
        int32_t a, b;
        int minPct, maxPct;
        LoopType type;
    };
    const int32_t n = t.frames;
    const std::vector<Case> cases = {
        {"--select 0:100%", 0, n, 50, 100, LoopType::Forward},
        {"--select 3000:20000 --min 20 --max 60", 3000, 20000, 20, 60, LoopType::Forward},
        {"--select 10%:90% --type alternate", int32_t(0.1 * n + 0.5), int32_t(0.9 * n + 0.5), 50, 100,
         LoopType::Alternate},
        {"--select=:5000 --min=0 --max=30", 0, 5000, 0, 30, LoopType::Forward},
    };
    for (const Case& c : cases) {
        const CliRun r = cli("search " + wav + " " + c.args);
        ASSERT_EQ(r.status, 0) << c.args << r.err;
        const Json j = parseJson(lines(r.out).at(0));
        EXPECT_EQ(j["select_start"].integer(), c.a) << c.args;
        EXPECT_EQ(j["select_end"].integer(), c.b) << c.args;
        EXPECT_EQ(j["pitch_hz"].number, doc.pitchHz);

        const CoreSolutions core = coreSearch(doc, c.a, c.b, c.minPct, c.maxPct, c.type);
        const Json& list = j["solutions"];
        ASSERT_EQ(list.items.size(), core.pairs.size()) << c.args;
        ASSERT_FALSE(core.pairs.empty());
        for (size_t i = 0; i < core.pairs.size(); ++i) {
            EXPECT_EQ(list[i]["start"].integer(), core.pairs[i].first) << c.args << " #" << i;
            EXPECT_EQ(list[i]["end"].integer(), core.pairs[i].second) << c.args << " #" << i;
            // Newest first: entry i is improvement (count - 1 - i), printed to round-trip.
            EXPECT_EQ(list[i]["score"].number, core.scores[core.scores.size() - 1 - i]) << c.args;
        }
        if (c.type == LoopType::Forward) {
            // The best forward loop of a steady tone spans whole periods.
            const double length = double(list[0]["end"].integer() - list[0]["start"].integer());
            EXPECT_LE(offWholePeriods(length, t.periodSamples), 1.0) << c.args << " length " << length;
        }
    }
}

TEST_F(CliTest, SearchRefusalsExitOne)
{
    const std::string wav = tone("a.wav", Tone{});
    // A frame selection beyond this file collapses to nothing.
    const CliRun beyond = cli("search " + wav + " --select 50000:60000");
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(parseJson(lines(beyond.out).at(0))["error"].text, "There must be a selected region!");

    std::vector<uint8_t> silent = toneWav(Tone{100.0, 4000});
    std::fill(silent.begin() + 44, silent.end(), 0);
    writeBytes(dir + "silent.wav", silent);
    const CliRun quiet = cli("search " + dir + "silent.wav");
    EXPECT_EQ(quiet.status, 1);
    EXPECT_TRUE(parseJson(lines(quiet.out).at(0)).has("error")) << quiet.out;
}

TEST_F(CliTest, LoopSavesAFileThatReadsBackWithItsLoopAndNote)
{
    Tone t;
    t.periodSamples = 100.0;
    t.frames = 44100;
    const std::string wav = tone("in.wav", t);
    const SampleBuffer doc = openAsWindow(wav);
    const CoreSolutions core = coreSearch(doc, 0, t.frames, 50, 100, LoopType::Forward);
    ASSERT_FALSE(core.pairs.empty());
    const auto [s, e] = core.pairs[0];

    // Without retuning: the rate stays; with cutting: the file ends at the loop end.
    const std::string out = dir + "out.wav";
    const CliRun r = cli("loop " + wav + " --select 0:100% -o " + out + " --note 62 --no-tune --crossfade 1 --kind exponential");
    ASSERT_EQ(r.status, 0) << r.err;
    const Json j = parseJson(lines(r.out).at(0));
    EXPECT_EQ(j["out"].text, out);
    EXPECT_EQ(j["loop_start"].integer(), s);
    EXPECT_EQ(j["loop_end"].integer(), e);
    EXPECT_EQ(j["midi_note"].integer(), 62);
    EXPECT_EQ(j["rate"].integer(), 44100);

    SampleBuffer back;
    back.fileTitle = "out";
    ASSERT_TRUE(loadSoundFile(back, out).loaded);
    EXPECT_EQ(back.loops.loopStart[0], s);
    EXPECT_EQ(back.loops.loopEnd[0], e);
    EXPECT_TRUE(back.loopForward);
    EXPECT_EQ(back.sampleRate, 44100);
    EXPECT_EQ(back.sampleCount, e + 1);
    EXPECT_EQ(unityNoteOf(readBytes(out)), 62);
    // Before the crossfade zone the samples are the input's own.
    for (int32_t i = 0; i <= s && i < back.sampleCount; ++i)
        ASSERT_EQ(back.samples[0][size_t(i)], doc.samples[0][size_t(i)]) << i;

    // With the defaults the detected note is written and the rate is retuned
    // so that the loop holds whole periods of that note (441 Hz -> 440 Hz).
    const CliRun tuned = cli("loop " + wav + " --select 0:100% -o " + dir + "tuned.wav");
    ASSERT_EQ(tuned.status, 0) << tuned.err;
    const Json tj = parseJson(lines(tuned.out).at(0));
    EXPECT_EQ(unityNoteOf(readBytes(dir + "tuned.wav")), 69);
    SampleBuffer tunedBack;
    ASSERT_TRUE(loadSoundFile(tunedBack, dir + "tuned.wav").loaded);
    EXPECT_EQ(tunedBack.sampleRate, tj["rate"].integer());
    EXPECT_NEAR(tunedBack.sampleRate, 44100.0 * 440.0 / 441.0, 3.0);
}

TEST_F(CliTest, AlternateLoopsAreUnrolledUnlessAskedNot)
{
    Tone t;
    t.periodSamples = 90.0;
    t.frames = 20000;
    const std::string wav = tone("alt.wav", t);
    const SampleBuffer doc = openAsWindow(wav);
    const CoreSolutions core = coreSearch(doc, 0, t.frames, 30, 60, LoopType::Alternate);
    ASSERT_FALSE(core.pairs.empty());
    const auto [s, e] = core.pairs[0];

    const CliRun unrolled =
        cli("loop " + wav + " --select 0:100% --type alternate --min 30 --max 60 --no-tune -o " + dir + "unrolled.wav");
    ASSERT_EQ(unrolled.status, 0) << unrolled.err;
    SampleBuffer u;
    ASSERT_TRUE(loadSoundFile(u, dir + "unrolled.wav").loaded);
    EXPECT_TRUE(u.loopForward);
    EXPECT_EQ(u.loops.loopStart[0], s);
    EXPECT_EQ(u.loops.loopEnd[0], 2 * e - s);
    EXPECT_EQ(u.sampleCount, 2 * e - s + 1);
    EXPECT_EQ(parseJson(lines(unrolled.out).at(0))["loop_end"].integer(), 2 * e - s);

    const CliRun kept = cli("loop " + wav + " --select 0:100% --type alternate --min 30 --max 60 --no-tune --no-unroll --no-cut -o " +
                         dir + "kept.wav");
    ASSERT_EQ(kept.status, 0) << kept.err;
    SampleBuffer k;
    ASSERT_TRUE(loadSoundFile(k, dir + "kept.wav").loaded);
    EXPECT_FALSE(k.loopForward);
    EXPECT_EQ(k.loops.loopStart[0], s);
    EXPECT_EQ(k.loops.loopEnd[0], e);
    EXPECT_EQ(k.sampleCount, t.frames);
}

TEST_F(CliTest, CrossfadeIsShortenedToTheLoopsRoomWithAWarning)
{
    Tone t;
    t.frames = 44100;
    const std::string wav = tone("in.wav", t);
    // A selection from 0.5 s keeps the loop start away from the beginning.
    const CliRun r = cli("loop " + wav + " --select 22050:44100 --min 20 --max 40 --crossfade 10000 -o " + dir +
                      "x.wav");
    ASSERT_EQ(r.status, 0) << r.err;
    const Json j = parseJson(lines(r.out).at(0));
    const int64_t s = j["loop_start"].integer(), e = j["loop_end"].integer();
    const int64_t room = std::min((s - 1) * 1000 / 44100, (e - s) * 1000 / 44100);
    EXPECT_EQ(j["crossfade_ms"].integer(), room);
    ASSERT_TRUE(j.has("warnings"));
    EXPECT_NE(j["warnings"][0].text.find("10000 ms"), std::string::npos);
}

TEST_F(CliTest, BatchWritesEveryGoodFileAndSummarisesFailures)
{
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i) {
        Tone t;
        t.periodSamples = 80.0 + 7 * i;
        t.channels = 1 + i % 2;
        t.frames = 20000;
        files.push_back(tone("tone" + std::to_string(i) + ".wav", t));
    }
    writeBytes(dir + "broken.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    files.insert(files.begin() + 2, dir + "broken.wav");

    std::string args = "loop";
    for (const std::string& f : files)
        args += " " + f;
    const CliRun r = cli(args + " -o " + dir + "out/new -j 3");
    EXPECT_EQ(r.status, 1);
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const Json j = parseJson(out[i]);
        EXPECT_EQ(j["file"].text, files[i]); // in the order given
        const std::string written = dir + "out/new/" + fs::path(files[i]).filename().string();
        if (files[i] == dir + "broken.wav") {
            EXPECT_TRUE(j.has("error"));
            EXPECT_FALSE(fs::exists(written));
        } else {
            EXPECT_EQ(j["out"].text, written);
            SampleBuffer back;
            EXPECT_TRUE(loadSoundFile(back, written).loaded);
            EXPECT_TRUE(back.loops.hasLoop(0));
        }
    }
    EXPECT_NE(r.err.find("5 of 6 files looped; 1 failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir + "broken.wav: "), std::string::npos) << r.err;

    // A trailing '/' makes OUT a folder for a single input too.
    const CliRun single = cli("loop " + files[0] + " -o " + dir + "single/");
    EXPECT_EQ(single.status, 0) << single.err;
    EXPECT_TRUE(fs::exists(dir + "single/tone0.wav"));

    // A solution the search did not find fails that file, and writes nothing
    // (the window's search on a steady tone improves fewer than ten times).
    const CliRun missing = cli("loop " + files[0] + " --select 0:100% --solution 10 -o " + dir + "ten.wav");
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(fs::exists(dir + "ten.wav"));
    EXPECT_NE(missing.err.find("Solution 10"), std::string::npos) << missing.err;
}

TEST_F(CliTest, OutputsThatAreInputsOrNotRegularFilesAreRefused)
{
    Tone t;
    t.frames = 20000;
    const std::string wav = tone("x.wav", t);
    const std::vector<uint8_t> original = readBytes(wav);
    fs::create_hard_link(wav, dir + "hard.wav");
    fs::create_symlink(wav, dir + "soft.wav");
    ASSERT_EQ(mkfifo((dir + "pipe.wav").c_str(), 0600), 0);

    // The same file under every name: the output itself, the folder it sits
    // in, a hard link, a symbolic link, a path through "..".
    for (const std::string& out : {wav, dir, dir + ".", dir + "hard.wav", dir + "soft.wav",
                                   dir + "../" + fs::path(dir).parent_path().filename().string() + "/x.wav"}) {
        const CliRun r = cli("loop " + wav + " -o " + out);
        EXPECT_EQ(r.status, 1) << out;
        const Json j = parseJson(lines(r.out).at(0));
        EXPECT_NE(j["error"].text.find(dir + "x.wav"), std::string::npos) << j["error"].text;
        EXPECT_NE(r.err.find(dir + "x.wav: "), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(wav), original) << out;
    }
    // An existing output that is not a regular file is left as it is.
    const CliRun pipe = cli("loop " + wav + " -o " + dir + "pipe.wav");
    EXPECT_EQ(pipe.status, 1);
    EXPECT_NE(parseJson(lines(pipe.out).at(0))["error"].text.find(dir + "pipe.wav"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(dir + "pipe.wav"));

    // --in-place lets a file replace itself: the whole input was read first,
    // so the file now holds the looped sound cut after its loop.
    const CliRun inPlace = cli("loop " + wav + " -o " + dir + " --in-place");
    ASSERT_EQ(inPlace.status, 0) << inPlace.err;
    const Json j = parseJson(lines(inPlace.out).at(0));
    SampleBuffer back;
    ASSERT_TRUE(loadSoundFile(back, wav).loaded);
    EXPECT_EQ(back.loops.loopEnd[0], j["loop_end"].integer());
    EXPECT_EQ(back.sampleCount, j["loop_end"].integer() + 1);

    // Never another file's input, even with --in-place: y/a.wav is a second
    // name of y/b.wav, which the batch has yet to read.
    fs::create_directory(dir + "y");
    const std::string b = tone("y/b.wav", t);
    const std::vector<uint8_t> bBytes = readBytes(b);
    fs::create_hard_link(b, dir + "y/a.wav");
    const std::string a = tone("a.wav", t);
    const CliRun cross = cli("loop " + a + " " + b + " -o " + dir + "y/ --in-place -j 1");
    EXPECT_EQ(cross.status, 1);
    const auto out = lines(cross.out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_NE(parseJson(out[0])["error"].text.find("another file"), std::string::npos) << out[0];
    EXPECT_FALSE(parseJson(out[1]).has("error")) << out[1];
}

TEST_F(CliTest, CutShortDataIsLoadedWithAWarningNamingTheFrameCounts)
{
    Tone t;
    t.frames = 20000;
    std::vector<uint8_t> bytes = toneWav(t);
    bytes.resize(44 + 2 * 12345); // the data chunk still declares 20000 frames
    writeBytes(dir + "cut.wav", bytes);
    for (const std::string& command : {std::string("info "), "loop --no-cut -o " + dir + "out.wav "}) {
        const CliRun r = cli(command + dir + "cut.wav");
        ASSERT_EQ(r.status, 0) << r.err;
        const Json j = parseJson(lines(r.out).at(0));
        ASSERT_TRUE(j.has("warning")) << r.out;
        const std::string& w = j["warning"].text;
        EXPECT_NE(w.find(dir + "cut.wav"), std::string::npos) << w;
        EXPECT_NE(w.find(" 20000 "), std::string::npos) << w;
        EXPECT_NE(w.find(" 12345 "), std::string::npos) << w;
    }
    SampleBuffer saved;
    ASSERT_TRUE(loadSoundFile(saved, dir + "out.wav").loaded);
    EXPECT_EQ(saved.sampleCount, 12345);
}

TEST_F(CliTest, LaterSolutionsAreTheOnesSavedCutAndTuned)
{
    Tone t;
    t.periodSamples = 100.0; // 441 Hz: note 69, retuned towards 440 Hz
    t.frames = 30000;
    // A decay and a little noise make the search improve several times.
    std::vector<uint8_t> bytes = toneWav(t);
    uint32_t noise = 12345;
    for (int32_t i = 0; i < t.frames; ++i) {
        const size_t at = 44 + 2 * size_t(i);
        const int16_t v = int16_t(bytes[at] | bytes[at + 1] << 8);
        noise = noise * 1664525u + 1013904223u;
        const int16_t w = int16_t(std::lround(v * (1.0 - 0.6 * i / t.frames)) + int(noise >> 24) - 128);
        bytes[at] = uint8_t(w);
        bytes[at + 1] = uint8_t(uint16_t(w) >> 8);
    }
    writeBytes(dir + "in.wav", bytes);
    const std::string wav = dir + "in.wav";
    const SampleBuffer doc = openAsWindow(wav);
    const CoreSolutions core = coreSearch(doc, 0, t.frames, 30, 90, LoopType::Forward);
    ASSERT_GE(core.pairs.size(), 3u);
    for (size_t n = 2; n <= core.pairs.size(); ++n) {
        const auto [s, e] = core.pairs[n - 1];
        const std::string out = dir + "s" + std::to_string(n) + ".wav";
        const CliRun r = cli("loop " + wav + " --select 0:100% --min 30 --max 90 --solution " + std::to_string(n) + " -o " + out);
        ASSERT_EQ(r.status, 0) << r.err;
        SampleBuffer back;
        ASSERT_TRUE(loadSoundFile(back, out).loaded);
        EXPECT_EQ(back.loops.loopStart[0], s) << n;
        EXPECT_EQ(back.loops.loopEnd[0], e) << n;
        EXPECT_EQ(back.sampleCount, e + 1) << n;
        // That loop holds round(L / 100) periods of 100 samples; at 440 Hz
        // each must last 44100 / 440 samples of the new rate.
        const double periods = std::round((e - s) / 100.0);
        EXPECT_NEAR(back.sampleRate, 440.0 * (e - s) / periods, 2.0) << n;
    }
}

TEST_F(CliTest, SearchAndLoopFindTheSustainByThemselves)
{
    // 2 s at 441 Hz with a 100 ms attack from silence and a 300 ms release.
    Tone t;
    t.frames = 88200;
    std::vector<uint8_t> wav = toneWav(t);
    const int32_t attackEnd = 4410, releaseStart = t.frames - 13230;
    for (int32_t i = 0; i < t.frames; ++i) {
        const double gain = std::min({1.0, double(i) / attackEnd, double(t.frames - i) / (t.frames - releaseStart)});
        const size_t at = 44 + 2 * size_t(i);
        const int16_t v = int16_t(uint16_t(wav[at] | wav[at + 1] << 8));
        const uint16_t scaled = uint16_t(int16_t(std::lround(v * gain)));
        wav[at] = uint8_t(scaled);
        wav[at + 1] = uint8_t(scaled >> 8);
    }
    writeBytes(dir + "asr.wav", wav);

    const CliRun r = cli("search " + dir + "asr.wav");
    ASSERT_EQ(r.status, 0) << r.err;
    const Json j = parseJson(lines(r.out).at(0));
    EXPECT_EQ(j["select"].text, "auto");
    EXPECT_FALSE(j["select_reason"].text.empty());
    EXPECT_FALSE(j.has("warnings")) << r.out;
    ASSERT_FALSE(j["solutions"].items.empty());
    for (const Json& s : j["solutions"].items) {
        EXPECT_GE(s["start"].integer(), attackEnd) << "a loop in the attack";
        EXPECT_LE(s["end"].integer(), releaseStart) << "a loop in the release";
    }
    // The best loop of the steady part spans whole periods and checks clean.
    EXPECT_EQ(j["solutions"][0]["check"]["verdict"].text, "clean");

    const CliRun whole = cli("search " + dir + "asr.wav --select 0:100%");
    const Json w = parseJson(lines(whole.out).at(0));
    EXPECT_EQ(w["select"].text, "given");
    EXPECT_EQ(w["select_start"].integer(), 0);
    EXPECT_EQ(w["select_end"].integer(), t.frames);

    const CliRun looped = cli("loop " + dir + "asr.wav -o " + dir + "out.wav");
    ASSERT_EQ(looped.status, 0) << looped.err;
    const Json l = parseJson(lines(looped.out).at(0));
    EXPECT_GE(l["loop_start"].integer(), attackEnd);
    EXPECT_LE(l["loop_end"].integer(), releaseStart);
}

TEST_F(CliTest, CheckGivesEachStoredLoopsVerdictAndExitsZeroOnlyWhenAllAreClean)
{
    // 100 frames per period; the stored loop starts at frame 1000 (phase 0).
    Tone clean;
    clean.withLoop = true;
    clean.loopFirst = 1000;
    clean.loopLast = 1000 + 100 * 100 - 1; // 100 whole periods
    Tone click = clean;
    click.loopLast += 50;                  // half a period more: the wave jumps
    Tone none;

    struct Case {
        const char* name;
        Tone tone;
        const char* verdict;
    };
    const Case cases[] = {{"clean.wav", clean, "clean"}, {"click.wav", click, "audible click"}, {"none.wav", none, "no loop"}};
    std::string all;
    for (const Case& c : cases) {
        const std::string path = tone(c.name, c.tone);
        all += " " + path;
        const CliRun r = cli("check " + path);
        const Json j = parseJson(lines(r.out).at(0));
        EXPECT_EQ(j["verdict"].text, c.verdict) << r.out;
        EXPECT_EQ(r.status, std::string(c.verdict) == "clean" ? 0 : 1) << c.name;
    }
    const CliRun clean1 = cli("check " + dir + "clean.wav");
    EXPECT_NEAR(parseJson(lines(clean1.out).at(0))["periods"].number, 100.0, 0.05);

    const CliRun batch = cli("check" + all + " -j 2");
    EXPECT_EQ(batch.status, 1);
    const std::vector<std::string> out = lines(batch.out);
    ASSERT_EQ(out.size(), 3u);
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(parseJson(out[i])["verdict"].text, cases[i].verdict) << "in the order given";
}

namespace {

std::vector<uint8_t> cliChunk(const char* id, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> b;
    putTag(b, id);
    put32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
    return b;
}

// Every chunk of a file as (id, body), in order.
std::vector<std::pair<std::string, std::vector<uint8_t>>> chunkList(const std::vector<uint8_t>& f)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    for (size_t p = 12; p + 8 <= f.size();) {
        const uint32_t n = get32(f, p + 4);
        out.emplace_back(std::string(f.begin() + p, f.begin() + p + 4),
                         std::vector<uint8_t>(f.begin() + p + 8, f.begin() + p + 8 + std::min<size_t>(n, f.size() - p - 8)));
        p += 8 + n + (n & 1);
    }
    return out;
}

} // namespace

// A library file with names, broadcast data, cue points with labels and three
// loops: info lists them all, and loop keeps them while it moves the first.
TEST_F(CliTest, InfoListsEveryLoopCueAndChunkAndLoopKeepsThem)
{
    Tone t;
    t.frames = 44100;
    std::vector<uint8_t> f = toneWav(t);
    const std::vector<uint8_t> info =
        cliChunk("LIST", {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 5, 0, 0, 0, 'F', 'l', 'u', 't', 'e', 0});
    const std::vector<uint8_t> bext = cliChunk("bext", std::vector<uint8_t>(257, 'b'));
    f.insert(f.begin() + 36, bext.begin(), bext.end());
    f.insert(f.begin() + 36, info.begin(), info.end());
    std::vector<uint8_t> cue, adtl = {'a', 'd', 't', 'l'}, smpl;
    put32(cue, 2);
    for (uint32_t id : {1u, 2u}) {
        for (uint32_t v : {id, id})
            put32(cue, v);
        putTag(cue, "data");
        for (uint32_t v : {0u, 0u, id * 15000})
            put32(cue, v);
    }
    std::vector<uint8_t> label = {1, 0, 0, 0, 'R', 'e', 'l', 'e', 'a', 's', 'e', 0};
    const std::vector<uint8_t> labl = cliChunk("labl", label);
    adtl.insert(adtl.end(), labl.begin(), labl.end());
    for (uint32_t v : {0u, 0u, 22676u, 69u, 0u, 0u, 0u, 3u, 0u})
        put32(smpl, v);
    const uint32_t loops[3][3] = {{0, 10000, 19999}, {1, 30000, 34999}, {2, 36000, 39999}};
    for (const auto& l : loops)
        for (uint32_t v : {0u, l[0], l[1], l[2], 0u, 0u})
            put32(smpl, v);
    for (const auto& c : {cliChunk("cue ", cue), cliChunk("LIST", adtl), cliChunk("smpl", smpl)})
        f.insert(f.end(), c.begin(), c.end());
    for (int i = 0; i < 4; ++i)
        f[4 + i] = uint8_t((f.size() - 8) >> (8 * i));
    const std::string in = dir + "library.wav";
    writeBytes(in, f);

    const CliRun r = cli("info " + in);
    ASSERT_EQ(r.status, 0) << r.err;
    const Json j = parseJson(lines(r.out).at(0));
    ASSERT_EQ(j["loops"].items.size(), 3u);
    const char* types[] = {"forward", "alternate", "backward"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(j["loops"][i]["first_frame"].integer(), loops[i][1]);
        EXPECT_EQ(j["loops"][i]["last_frame"].integer(), loops[i][2]);
        EXPECT_EQ(j["loops"][i]["type"].text, types[i]);
        EXPECT_EQ(j["loops"][i]["window"].flag, i == 0);
    }
    ASSERT_EQ(j["cues"].items.size(), 2u);
    EXPECT_EQ(j["cues"][0]["frame"].integer(), 15000);
    EXPECT_EQ(j["cues"][0]["label"].text, "Release");
    EXPECT_EQ(j["cues"][1]["label"].kind, Json::Null);
    ASSERT_EQ(j["chunks"].items.size(), 2u);
    EXPECT_EQ(j["chunks"][0]["id"].text, "LIST");
    EXPECT_EQ(j["chunks"][0]["list_type"].text, "INFO");
    EXPECT_EQ(j["chunks"][0]["size"].integer(), 18);
    EXPECT_EQ(j["chunks"][1]["id"].text, "bext");
    EXPECT_EQ(j["chunks"][1]["size"].integer(), 257);

    const std::string out = dir + "looped.wav";
    const CliRun l = cli("loop " + in + " --select 0:100% -o " + out + " --no-cut --no-tune");
    ASSERT_EQ(l.status, 0) << l.err;
    const auto before = chunkList(f), after = chunkList(readBytes(out));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].first, before[i].first) << i;
        if (after[i].first != "smpl" && after[i].first != "data") {
            EXPECT_EQ(after[i].second, before[i].second) << after[i].first;
        }
    }
    const std::vector<uint8_t>& s = after.back().second;
    ASSERT_EQ(get32(s, 28), 3u);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(get32(s, 36 + 24 * i + 4), loops[i][0]);
        EXPECT_EQ(get32(s, 36 + 24 * i + 8), loops[i][1]);
        EXPECT_EQ(get32(s, 36 + 24 * i + 12), loops[i][2]);
    }
}

// A chunk table broken before the data: the file is read by the byte scan,
// which keeps the sound and its first loop. The listing shows that loop, as
// the document holds it and a save writes it.
TEST_F(CliTest, InfoOfAByteScannedFileListsTheLoopASaveWrites)
{
    Tone t;
    t.frames = 20000;
    t.withLoop = true;
    t.loopFirst = 5000;
    t.loopLast = 8999;
    std::vector<uint8_t> f = toneWav(t);
    std::vector<uint8_t> junk;
    putTag(junk, "junk");
    put32(junk, 0xFFFFFF00u); // runs far past the end of the file
    f.insert(f.begin() + 36, junk.begin(), junk.end());
    for (int i = 0; i < 4; ++i)
        f[4 + i] = uint8_t((f.size() - 8) >> (8 * i));
    const std::string in = dir + "damaged.wav";
    writeBytes(in, f);

    const CliRun r = cli("info " + in);
    ASSERT_EQ(r.status, 0) << r.err;
    const Json j = parseJson(lines(r.out).at(0));
    EXPECT_EQ(j["loop_start"].integer(), 4999);
    EXPECT_EQ(j["loop_end"].integer(), 8999);
    ASSERT_EQ(j["loops"].items.size(), 1u) << r.out;
    EXPECT_EQ(j["loops"][0]["first_frame"].integer(), 5000);
    EXPECT_EQ(j["loops"][0]["last_frame"].integer(), 8999);
    EXPECT_EQ(j["loops"][0]["type"].text, "forward");
    EXPECT_TRUE(j["loops"][0]["window"].flag);

    const std::string out = dir + "saved.wav";
    const CliRun c = cli("convert --bits 24 -o " + out + " " + in);
    ASSERT_EQ(c.status, 0) << c.err;
    std::vector<uint8_t> smpl;
    for (const auto& chunk : chunkList(readBytes(out)))
        if (chunk.first == "smpl")
            smpl = chunk.second;
    ASSERT_GE(smpl.size(), 60u);
    EXPECT_EQ(get32(smpl, 28), 1u);    // one loop
    EXPECT_EQ(get32(smpl, 40), 0u);    // forward
    EXPECT_EQ(get32(smpl, 44), 5000u); // first frame
    EXPECT_EQ(get32(smpl, 48), 8999u); // last frame
}

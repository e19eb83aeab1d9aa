// ringtide-cli convert and --files-from, run as a user runs them: files built
// byte by byte, the tool's output files read back chunk by chunk here.

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace clitest;

namespace {

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ringtide-convert-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override { fs::remove_all(dir); }
    CliRun cli(const std::string& args) { return runCli(args, dir + "stderr.txt"); }

    std::string dir;
};

void putChunk(std::vector<uint8_t>& b, const char* id, const std::vector<uint8_t>& body)
{
    putTag(b, id);
    put32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
}

std::vector<uint8_t> riff(const std::vector<uint8_t>& chunks)
{
    std::vector<uint8_t> b;
    putTag(b, "RIFF");
    put32(b, uint32_t(4 + chunks.size()));
    putTag(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

std::vector<uint8_t> pcmFormat(int channels, uint32_t rate, int bits)
{
    std::vector<uint8_t> f;
    const int align = channels * bits / 8;
    put16(f, 1);
    put16(f, uint32_t(channels));
    put32(f, rate);
    put32(f, rate * uint32_t(align));
    put16(f, uint32_t(align));
    put16(f, uint32_t(bits));
    return f;
}

void put24(std::vector<uint8_t>& b, int32_t v)
{
    for (int i = 0; i < 3; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}
int32_t get24(const uint8_t* p)
{
    const int32_t v = int32_t(p[0]) | int32_t(p[1]) << 8 | int32_t(p[2]) << 16;
    return v >= 1 << 23 ? v - (1 << 24) : v;
}

// The chunks of a written file by id (the first of each), bodies only.
std::map<std::string, std::vector<uint8_t>> chunksOf(const std::vector<uint8_t>& file)
{
    std::map<std::string, std::vector<uint8_t>> out;
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::string id(file.begin() + long(at), file.begin() + long(at) + 4);
        const size_t size = get32(file, at + 4);
        if (size > file.size() - at - 8)
            break;
        out.emplace(id, std::vector<uint8_t>(file.begin() + long(at) + 8, file.begin() + long(at + 8 + size)));
        at += 8 + size + (size & 1);
    }
    return out;
}

// A 24-bit mono file of the given values.
std::vector<uint8_t> wav24(const std::vector<int32_t>& values, uint32_t rate = 44100)
{
    std::vector<uint8_t> data;
    for (int32_t v : values)
        put24(data, v);
    std::vector<uint8_t> chunks;
    putChunk(chunks, "fmt ", pcmFormat(1, rate, 24));
    putChunk(chunks, "data", data);
    return riff(chunks);
}

std::vector<int32_t> values24(const std::vector<uint8_t>& file)
{
    const auto chunks = chunksOf(file);
    std::vector<int32_t> v;
    const std::vector<uint8_t>& data = chunks.at("data");
    for (size_t i = 0; i + 3 <= data.size(); i += 3)
        v.push_back(get24(&data[i]));
    return v;
}

TEST_F(ConvertTest, RateScalesEveryLoopAndCueToTheNearestFrameOfItsExactPlace)
{
    // 44100 frames of a 441 Hz stereo tone at 44100 Hz, two loops and two
    // labelled cue points.
    const int32_t frames = 44100;
    std::vector<uint8_t> data;
    for (int32_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
            put16(data, uint32_t(int16_t(std::lround(8000 * std::sin(2 * M_PI * (i + 25 * c) / 100.0)))));
    std::vector<uint8_t> smpl;
    for (uint32_t v : {0u, 0u, 22676u, 69u, 0u, 0u, 0u, 2u, 0u})
        put32(smpl, v); // ... unity note 69, two loops, no sampler data
    for (uint32_t v : {1u, 0u, 1001u, 30000u, 0u, 0u}) // cue id, forward, first, last, fraction, endless
        put32(smpl, v);
    for (uint32_t v : {2u, 1u, 35000u, 40000u, 0u, 3u}) // alternate, played 3 times
        put32(smpl, v);
    std::vector<uint8_t> cue;
    put32(cue, 2);
    for (uint32_t id : {1u, 2u}) {
        const uint32_t frame = id == 1 ? 20000 : 41000;
        put32(cue, id);
        put32(cue, frame);
        putTag(cue, "data");
        put32(cue, 0);
        put32(cue, 0);
        put32(cue, frame);
    }
    std::vector<uint8_t> adtl;
    putTag(adtl, "adtl");
    for (const auto& [id, text] : {std::pair<uint32_t, std::string>{1, "Sustain"}, {2, "Release"}}) {
        std::vector<uint8_t> labl;
        put32(labl, id);
        labl.insert(labl.end(), text.begin(), text.end());
        labl.push_back(0);
        putChunk(adtl, "labl", labl);
    }
    std::vector<uint8_t> chunks;
    putChunk(chunks, "fmt ", pcmFormat(2, 44100, 16));
    putChunk(chunks, "data", data);
    putChunk(chunks, "smpl", smpl);
    putChunk(chunks, "cue ", cue);
    putChunk(chunks, "LIST", adtl);
    writeBytes(dir + "in.wav", riff(chunks));

    const CliRun r = cli("convert " + dir + "in.wav --rate 48000 -o " + dir + "out.wav");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = chunksOf(readBytes(dir + "out.wav"));
    EXPECT_EQ(get32(out.at("fmt "), 4), 48000u);
    EXPECT_EQ(out.at("data").size(), 48000u * 4);

    // p -> p * 160 / 147 rounded: 1001 -> 1089.52, 30000 -> 32653.06,
    // 35000 -> 38095.24, 40000 -> 43537.41; cues 20000 -> 21768.71, 41000 -> 44625.85.
    const std::vector<uint8_t>& s = out.at("smpl");
    ASSERT_EQ(get32(s, 28), 2u);
    EXPECT_EQ(get32(s, 12), 69u); // the file's own unity note
    EXPECT_EQ(get32(s, 8), uint32_t(1e9 / 48000 + 0.5));
    const uint32_t want[2][6] = {{1, 0, 1090, 32653, 0, 0}, {2, 1, 38095, 43537, 0, 3}};
    for (size_t l = 0; l < 2; ++l)
        for (size_t f = 0; f < 6; ++f)
            EXPECT_EQ(get32(s, 36 + 24 * l + 4 * f), want[l][f]) << "loop " << l << " field " << f;
    const std::vector<uint8_t>& c = out.at("cue ");
    ASSERT_EQ(get32(c, 0), 2u);
    EXPECT_EQ(get32(c, 4 + 20), 21769u); // sample offset of cue 1
    EXPECT_EQ(get32(c, 4 + 24 + 20), 44626u);
    const std::vector<uint8_t>& list = out.at("LIST");
    const std::string labels(list.begin(), list.end());
    EXPECT_NE(labels.find("Sustain"), std::string::npos);
    EXPECT_NE(labels.find("Release"), std::string::npos);

    // The same numbers in the tool's own line.
    const Json j = parseJson(lines(r.out).at(0));
    EXPECT_EQ(j["loops"][0]["first_frame"].integer(), 1090);
    EXPECT_EQ(j["cues"][1]["frame"].integer(), 44626);
    EXPECT_EQ(j["cues"][1]["label"].text, "Release");
}

TEST_F(ConvertTest, MoreBitsKeepEveryValueAndFewerRoundToTheNearestStep)
{
    // The extremes, the steps around zero and values whose low byte is
    // exactly half a 16-bit step.
    const std::vector<int32_t> values = {-8388608, 8388607, 0, 1, -1, 127, 128, -128, -129, 0x123456, -0x654321, 383};
    std::vector<int32_t> source = values;
    while (source.size() < 2000) // the reader wants a sound of some length
        source.push_back(int32_t((source.size() * 2654435761u) % 16777216u) - 8388608);
    writeBytes(dir + "a.wav", wav24(source));

    // 24 -> 32 -> 24 and 24 -> float -> 24 come back exactly.
    for (const std::string wide : {"32", "float"}) {
        ASSERT_EQ(cli("convert " + dir + "a.wav --bits " + wide + " -o " + dir + "w.wav").status, 0) << wide;
        ASSERT_EQ(cli("convert " + dir + "w.wav --bits 24 -o " + dir + "back.wav").status, 0) << wide;
        EXPECT_EQ(values24(readBytes(dir + "back.wav")), source) << "through " << wide;
        const auto w = chunksOf(readBytes(dir + "w.wav"));
        EXPECT_EQ(w.at("data").size(), source.size() * 4) << wide;
        EXPECT_EQ(get32(w.at("fmt "), 0) & 0xFFFF, wide == "float" ? 3u : 1u);
    }

    // 24 -> 16: floor(v / 256 + 1/2), clamped.
    ASSERT_EQ(cli("convert " + dir + "a.wav --bits 16 -o " + dir + "s.wav").status, 0);
    const std::vector<uint8_t> data = chunksOf(readBytes(dir + "s.wav")).at("data");
    const int16_t want[] = {-32768, 32767, 0, 0, 0, 0, 1, 0, -1, 0x1234, -0x6543, 1};
    for (size_t i = 0; i < std::size(want); ++i)
        EXPECT_EQ(int16_t(uint16_t(data[2 * i] | data[2 * i + 1] << 8)), want[i]) << values[i];
}

TEST_F(ConvertTest, ResamplingAWideFileKeepsItsResolution)
{
    // A 1 kHz tone of 1000 steps of 24 bits: at 16 bits it would be under
    // four steps, so anything that passed through 16 bits misses it by up
    // to 128.
    const double amplitude = 1000.0;
    std::vector<int32_t> tone(44100);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int32_t(std::lround(amplitude * std::sin(2 * M_PI * 1000.0 * double(i) / 44100.0)));
    writeBytes(dir + "t.wav", wav24(tone));
    const CliRun r = cli("convert " + dir + "t.wav --rate 48000 -o " + dir + "t48.wav");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int32_t> out = values24(readBytes(dir + "t48.wav"));
    ASSERT_EQ(out.size(), 48000u);
    // Away from the ends, every output is the tone at its own time: the
    // filter passes 1 kHz within 0.001 dB and its stop band is 80 dB down,
    // which with the rounding of input and output leaves about one step.
    double worst = 0.0;
    for (size_t m = 1000; m < out.size() - 1000; ++m)
        worst = std::max(worst, std::abs(out[m] - amplitude * std::sin(2 * M_PI * 1000.0 * double(m) / 48000.0)));
    EXPECT_LT(worst, 2.0);
}

TEST_F(ConvertTest, BadValuesAndUnsafeOutputsAreRefused)
{
    writeBytes(dir + "a.wav", wav24(std::vector<int32_t>(2000, 5)));
    const std::vector<uint8_t> original = readBytes(dir + "a.wav");
    const struct {
        std::string args;
        std::string message;
    } bad[] = {
        {"--rate 0", "--rate wants a whole number from 1 to 768000, not '0'"},
        {"--rate 48k", "--rate wants a whole number from 1 to 768000, not '48k'"},
        {"--bits 8", "--bits wants 16, 24, 32 or float, not '8'"},
        {"", "'convert' needs --rate HZ, --bits 16|24|32|float or both"},
    };
    for (const auto& b : bad) {
        const CliRun r = cli("convert " + dir + "a.wav -o " + dir + "b.wav " + b.args);
        EXPECT_EQ(r.status, 2) << b.args;
        EXPECT_EQ(r.err, "ringtide-cli: " + b.message + "\n") << b.args;
        EXPECT_FALSE(fs::exists(dir + "b.wav")) << b.args;
    }
    // Onto its own input: refused, unless --in-place, as for loop.
    const CliRun self = cli("convert " + dir + "a.wav --bits 16 -o " + dir);
    EXPECT_EQ(self.status, 1);
    EXPECT_NE(self.err.find(dir + "a.wav is the input " + dir + "a.wav itself"), std::string::npos) << self.err;
    EXPECT_EQ(readBytes(dir + "a.wav"), original);
    ASSERT_EQ(cli("convert " + dir + "a.wav --bits 16 -o " + dir + " --in-place").status, 0);
    EXPECT_EQ(chunksOf(readBytes(dir + "a.wav")).at("data").size(), 4000u);
}

TEST_F(ConvertTest, FilesFromReadsOneNamePerLineInItsPlaceAmongTheFiles)
{
    for (const char* name : {"a", "b", "c", "d"})
        writeBytes(dir + name + ".wav", wav24(std::vector<int32_t>(2000, 7)));
    // Standard input: blank and space-only lines skipped, a CRLF line end taken off.
    writeBytes(dir + "list.txt", {});
    {
        std::ofstream list(dir + "list.txt", std::ios::binary);
        list << dir << "b.wav\n\n   \n" << dir << "c.wav\r\n";
    }
    const CliRun r = cli("info " + dir + "a.wav --files-from - " + dir + "d.wav < " + shellQuote(dir + "list.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 4u) << r.out;
    const char* order[] = {"a", "b", "c", "d"};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(parseJson(out[i])["file"].text, dir + order[i] + ".wav");

    // A list that cannot be read stops the command before any file is touched.
    const CliRun missing = cli("convert --files-from " + dir + "nope.txt --bits 16 -o " + dir + "out/");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "ringtide-cli: the file list " + dir + "nope.txt could not be read: No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir + "out"));
    const CliRun empty = cli("check --files-from /dev/null");
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("the list holds no file names"), std::string::npos) << empty.err;
}

} // namespace

// A sample maker's file, assembled byte by byte: every chunk kind a sampler
// library carries, three loops of different types and two labelled cue
// points. Loaded, looped and saved, it must come back whole.

#include "temp_folder.h"
#include "wav_bytes.h"

#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "document/save_document.h"
#include "document/undo_history.h"
#include "document/wav_reader.h"
#include "processing/resample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#ifdef RINGTIDE_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace {

using wavbytes::put16;
using wavbytes::put32;
using wavbytes::putTag;

constexpr int32_t kFrames = 20000;

std::vector<uint8_t> text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> listChunk(const char* type, const std::vector<std::vector<uint8_t>>& entries)
{
    std::vector<uint8_t> body = text(type);
    for (const auto& e : entries)
        body.insert(body.end(), e.begin(), e.end());
    return wavbytes::chunk("LIST", body);
}

std::vector<uint8_t> labl(uint32_t cue, const std::string& label)
{
    std::vector<uint8_t> b;
    put32(b, cue);
    b.insert(b.end(), label.begin(), label.end());
    b.push_back(0);
    return wavbytes::chunk("labl", b);
}

struct Loop {
    uint32_t cueId, type, start, end, fraction, playCount;
};

std::vector<uint8_t> smpl(const std::vector<Loop>& loops, uint32_t claimedCount)
{
    std::vector<uint8_t> b;
    put32(b, 0x01000047); // manufacturer
    put32(b, 7);          // product
    put32(b, 22676);      // sample period
    put32(b, 60);         // unity note
    put32(b, 0x80000000); // pitch fraction: half a semitone
    put32(b, 25);         // SMPTE format
    put32(b, 0x01020304); // SMPTE offset
    put32(b, claimedCount);
    put32(b, 4); // sampler data
    for (const Loop& l : loops) {
        put32(b, l.cueId);
        put32(b, l.type);
        put32(b, l.start);
        put32(b, l.end);
        put32(b, l.fraction);
        put32(b, l.playCount);
    }
    b.insert(b.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    return wavbytes::chunk("smpl", b);
}

std::vector<uint8_t> cue(const std::vector<std::pair<uint32_t, uint32_t>>& points)
{
    std::vector<uint8_t> b;
    put32(b, static_cast<uint32_t>(points.size()));
    for (const auto& [id, frame] : points) {
        put32(b, id);
        put32(b, id); // play order
        putTag(b, "data");
        put32(b, 0);
        put32(b, 0);
        put32(b, frame);
    }
    return wavbytes::chunk("cue ", b);
}

// The parts of the file; tests break one of them.
struct Parts {
    std::vector<Loop> loops = {{0, 0, 4000, 9999, 0, 0}, {2, 1, 11000, 14999, 0, 3}, {0, 2, 15500, 17999, 0, 0}};
    uint32_t claimedLoops = 3;
    std::vector<std::pair<uint32_t, uint32_t>> cues = {{1, 2000}, {2, 12000}};
    std::vector<std::pair<uint32_t, std::string>> labels = {{1, "Release"}, {2, "Attack end"}};
};

std::vector<uint8_t> infoList()
{
    return listChunk("INFO", {wavbytes::chunk("INAM", text("Organ C4\0")), wavbytes::chunk("ICOP", text("CC-BY"))});
}

std::vector<uint8_t> sampleFile(const Parts& parts = Parts{})
{
    std::vector<uint8_t> b;
    putTag(b, "RIFF");
    put32(b, 0);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, 2);
    put32(b, 44100);
    put32(b, 44100 * 4);
    put16(b, 4);
    put16(b, 16);
    auto add = [&](const std::vector<uint8_t>& c) { b.insert(b.end(), c.begin(), c.end()); };
    add(infoList());
    std::vector<uint8_t> bext(603, 0);
    std::memcpy(bext.data(), "Field recording, stereo pair", 28);
    add(wavbytes::chunk("bext", bext));
    add(wavbytes::chunk("iXML", text("<BWFXML><PROJECT>Organ</PROJECT></BWFXML>")));
    add(wavbytes::chunk("data", wavbytes::pcm16(wavbytes::pattern16(kFrames, 2))));
    add(wavbytes::chunk("inst", {60, 0, 0, 0, 127, 1, 127}));
    std::vector<uint8_t> acid(24, 0);
    acid[0] = 1;
    add(wavbytes::chunk("acid", acid));
    add(cue(parts.cues));
    std::vector<std::vector<uint8_t>> entries;
    for (const auto& [id, label] : parts.labels)
        entries.push_back(labl(id, label));
    add(listChunk("adtl", entries));
    add(smpl(parts.loops, parts.claimedLoops));
    wavbytes::set32(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}

std::vector<uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// A naive walk of a well-formed file: id, body, in order. Fails the test when
// the sizes do not add up to the RIFF size exactly.
struct Chunk {
    std::string id;
    std::vector<uint8_t> body;
};
std::vector<Chunk> chunksOf(const std::vector<uint8_t>& file)
{
    std::vector<Chunk> out;
    EXPECT_GE(file.size(), 12u);
    EXPECT_EQ(u32(file, 4), file.size() - 8);
    size_t p = 12;
    while (p + 8 <= file.size()) {
        const uint32_t n = u32(file, p + 4);
        if (p + 8 + n > file.size()) {
            ADD_FAILURE() << "chunk past the end at " << p;
            break;
        }
        out.push_back({std::string(file.begin() + p, file.begin() + p + 4),
                       std::vector<uint8_t>(file.begin() + p + 8, file.begin() + p + 8 + n)});
        p += 8 + n + (n & 1);
    }
    EXPECT_EQ(p, file.size());
    return out;
}

const Chunk* find(const std::vector<Chunk>& chunks, const std::string& id, const std::string& listType = "")
{
    for (const Chunk& c : chunks)
        if (c.id == id && (listType.empty() || std::string(c.body.begin(), c.body.begin() + 4) == listType))
            return &c;
    return nullptr;
}

// The loop records of a smpl body as stored.
std::vector<Loop> loopsOf(const Chunk& smplChunk)
{
    std::vector<Loop> loops;
    const auto& b = smplChunk.body;
    for (uint32_t i = 0; i < u32(b, 28); ++i) {
        const size_t r = 36 + 24 * i;
        loops.push_back({u32(b, r), u32(b, r + 4), u32(b, r + 8), u32(b, r + 12), u32(b, r + 16), u32(b, r + 20)});
    }
    return loops;
}

bool sameLoop(const Loop& a, const Loop& b)
{
    return a.cueId == b.cueId && a.type == b.type && a.start == b.start && a.end == b.end &&
           a.fraction == b.fraction && a.playCount == b.playCount;
}

std::vector<int16_t> rightChannel()
{
    const std::vector<int16_t> both = wavbytes::pattern16(kFrames, 2);
    std::vector<int16_t> right;
    for (size_t i = 1; i < both.size(); i += 2)
        right.push_back(both[i]);
    return right;
}

class WholeFile : public ::testing::Test {
protected:
    LoadOutcome open(SampleBuffer& doc, const std::vector<uint8_t>& bytes, const std::string& name = "organ")
    {
        const std::string path = dir_.file(name + ".wav");
        EXPECT_TRUE(wavbytes::writeFile(path, bytes));
        doc.filePath = path;
        doc.fileFolder = dir_.file("");
        doc.fileTitle = name;
        const LoadOutcome out = loadSoundFile(doc, path);
        doc.tuneSampleRate = 0;
        doc.cutAfterLoop = 0;
        return out;
    }
    SaveOutcome saveAs(SampleBuffer& doc, const std::string& name)
    {
        doc.filePath = dir_.file(name + ".wav");
        doc.fileTitle = name;
        return saveDocument(doc, SaveSettings{});
    }
    TempFolder dir_;
};

} // namespace

TEST_F(WholeFile, ALoopedSaveKeepsEveryChunkInOrderAndTheOtherLoopsAndCues)
{
    const std::vector<uint8_t> original = sampleFile();
    SampleBuffer doc;
    const LoadOutcome load = open(doc, original);
    ASSERT_TRUE(load.loaded);
    EXPECT_TRUE(load.messages.empty()) << load.messages.front().text;
    // The first loop is the window's.
    EXPECT_EQ(doc.loops.loopStart[0], 3999);
    EXPECT_EQ(doc.loops.loopEnd[0], 9999);
    EXPECT_TRUE(doc.loopForward);

    // The window's loop moves; everything else stays.
    doc.loops.loopStart[0] = 4999;
    doc.loops.loopEnd[0] = 8999;
    ASSERT_TRUE(saveAs(doc, "looped").saved);

    const std::vector<Chunk> before = chunksOf(original);
    const std::vector<Chunk> after = chunksOf(readAll(doc.filePath));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        ASSERT_EQ(after[i].id, before[i].id) << i;
        const bool modelled = after[i].id == "smpl" || after[i].id == "data";
        if (!modelled) {
            EXPECT_EQ(after[i].body, before[i].body) << after[i].id << " at " << i;
        }
    }
    // The data differs only in the loop region the save wrote.
    const std::vector<Loop> loops = loopsOf(*find(after, "smpl"));
    ASSERT_EQ(loops.size(), 3u);
    EXPECT_TRUE(sameLoop(loops[0], {0, 0, 5000, 8999, 0, 0}));
    EXPECT_TRUE(sameLoop(loops[1], Parts{}.loops[1]));
    EXPECT_TRUE(sameLoop(loops[2], Parts{}.loops[2]));
    // The sampler chunk's own fields and data survive.
    const auto& s = find(after, "smpl")->body;
    const auto& s0 = find(before, "smpl")->body;
    EXPECT_TRUE(std::equal(s.begin(), s.begin() + 8, s0.begin()));          // manufacturer, product
    EXPECT_TRUE(std::equal(s.begin() + 16, s.begin() + 28, s0.begin() + 16)); // pitch fraction, SMPTE
    EXPECT_TRUE(std::equal(s.end() - 4, s.end(), s0.end() - 4));            // sampler data

#ifdef RINGTIDE_HAVE_SNDFILE
    SF_INFO info{};
    SNDFILE* f = sf_open(doc.filePath.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.frames, kFrames);
    SF_INSTRUMENT inst{};
    ASSERT_EQ(sf_command(f, SFC_GET_INSTRUMENT, &inst, sizeof inst), SF_TRUE);
    ASSERT_EQ(inst.loop_count, 3);
    const int modes[] = {SF_LOOP_FORWARD, SF_LOOP_ALTERNATING, SF_LOOP_BACKWARD};
    const unsigned starts[] = {5000, 11000, 15500};
    const unsigned ends[] = {8999, 14999, 17999};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(inst.loops[i].mode, modes[i]) << i;
        EXPECT_EQ(inst.loops[i].start, starts[i]) << i;
        // Reported exclusive by this libsndfile, as stored by older ones.
        EXPECT_TRUE(inst.loops[i].end == ends[i] + 1 || inst.loops[i].end == ends[i]) << i;
    }
    EXPECT_EQ(inst.loops[1].count, 3u);
    SF_CUES cues{};
    ASSERT_EQ(sf_command(f, SFC_GET_CUE, &cues, sizeof cues), SF_TRUE);
    ASSERT_EQ(cues.cue_count, 2u);
    EXPECT_EQ(cues.cue_points[0].indx, 1);
    EXPECT_EQ(cues.cue_points[0].sample_offset, 2000u);
    EXPECT_EQ(cues.cue_points[1].indx, 2);
    EXPECT_EQ(cues.cue_points[1].sample_offset, 12000u);
    sf_close(f);
#endif
}

TEST_F(WholeFile, CutOrUnrolledSavesNameWhatLiesPastTheirEnd)
{
    struct Case {
        const char* name;
        int32_t s, e;
        bool forward;
        const char* warning;
        size_t loopsKept, cuesKept;
    } cases[] = {
        {"cut", 3999, 9999, true,
         "Loop 2 (frames 11000\u201314999), loop 3 (frames 15500\u201317999) and cue 2 \u201cAttack end\u201d "
         "(frame 12000) were not kept: the saved sound ends at frame 9999 (cut after the loop).",
         1, 1},
        // Unrolled: 5000 head frames then 2 x 3000 loop frames end at frame 10999.
        {"unrolled", 4999, 7999, false,
         "Loop 2 (frames 11000\u201314999), loop 3 (frames 15500\u201317999) and cue 2 \u201cAttack end\u201d "
         "(frame 12000) were not kept: the saved sound ends at frame 10999 (alternate loop unrolled).",
         1, 1},
    };
    for (const Case& c : cases) {
        SampleBuffer doc;
        ASSERT_TRUE(open(doc, sampleFile()).loaded);
        doc.loops.loopStart[0] = c.s;
        doc.loops.loopEnd[0] = c.e;
        doc.loopForward = c.forward;
        doc.cutAfterLoop = 1;
        // The question before the first such save names them already.
        const std::string question = reshapedSaveQuestion(doc, saveReshape(doc, SaveSettings{})).text;
        EXPECT_NE(question.find("loop 3 (frames 15500\u201317999) and cue 2 \u201cAttack end\u201d (frame 12000) lie past "
                                "its end and would not be kept."),
                  std::string::npos)
            << question;
        const SaveOutcome out = saveAs(doc, c.name);
        ASSERT_TRUE(out.saved) << c.name;
        ASSERT_EQ(out.messages.size(), 1u) << c.name;
        EXPECT_EQ(out.messages[0].text, c.warning);

        // What was kept reads back where it was, and nothing is left that
        // points past the end.
        SampleBuffer back;
        const LoadOutcome reread = loadSoundFile(back, doc.filePath);
        ASSERT_TRUE(reread.loaded);
        EXPECT_TRUE(reread.messages.empty()) << c.name << ": " << reread.messages.front().text;
        ASSERT_EQ(back.marks.loops.size(), c.loopsKept) << c.name;
        EXPECT_EQ(back.marks.loops[0].start, c.s + 1);
        ASSERT_EQ(back.marks.cues.size(), c.cuesKept);
        EXPECT_EQ(back.marks.cues[0].position, 2000);
        EXPECT_EQ(back.marks.cues[0].label, "Release");
        // The other chunks are all still there.
        for (const char* id : {"bext", "iXML", "inst", "acid"})
            EXPECT_NE(find(chunksOf(readAll(doc.filePath)), id), nullptr) << c.name << " " << id;
    }
}

TEST_F(WholeFile, ResampleMovesMarksToTheNearestFrameAndUndoBringsThemBack)
{
    SampleBuffer doc;
    ASSERT_TRUE(open(doc, sampleFile()).loaded);
    UndoHistory undo;
    undo.pushUndo(doc);
    EXPECT_TRUE(resampleSound(doc, 44100, 48000).empty());
    // p * 48000 / 44100 rounded to the nearest frame, by hand.
    ASSERT_EQ(doc.marks.loops.size(), 3u);
    const int32_t expected[3][2] = {{4354, 10883}, {11973, 16325}, {16871, 19591}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(doc.marks.loops[i].start, expected[i][0]) << i;
        EXPECT_EQ(doc.marks.loops[i].end, expected[i][1]) << i;
    }
    ASSERT_EQ(doc.marks.cues.size(), 2u);
    EXPECT_EQ(doc.marks.cues[0].position, 2177);
    EXPECT_EQ(doc.marks.cues[1].position, 13061);
    ASSERT_TRUE(undo.undo(doc));
    EXPECT_EQ(doc.marks.loops[1].start, 11000);
    EXPECT_EQ(doc.marks.cues[1].position, 12000);
}

TEST(SamplerMarks, RescaledFrameRoundsHalvesUpwardExactly)
{
    struct Case {
        int32_t p, from, to;
        int64_t expected;
    } cases[] = {
        {1, 2, 1, 1},                        // 0.5 rounds up
        {3, 4, 2, 2},                        // 1.5
        {1, 3, 1, 0},                        // 0.333
        {2, 3, 1, 1},                        // 0.667
        {2147483647, 768000, 768000, 2147483647}, // no overflow on the way
        {2000000000, 44100, 48000, 2176870748},   // would not fit: clamped
    };
    for (const Case& c : cases) {
        const int64_t want = std::min<int64_t>(c.expected, INT32_MAX);
        EXPECT_EQ(rescaledFrame(c.p, c.from, c.to), want) << c.p << " " << c.from << " " << c.to;
    }
}

TEST_F(WholeFile, BrokenTablesLoadWhatIsSoundWarnOnceAndSaveCleanly)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* problem;
        size_t loops, cues;
    };
    std::vector<Case> cases;
    {
        Parts p;
        p.claimedLoops = 9; // holds 3
        cases.push_back({"count", sampleFile(p), "its smpl chunk claims 9 loops but holds 3", 3, 2});
    }
    {
        Parts p;
        p.loops[2].end = kFrames; // one past the last frame
        cases.push_back({"outside", sampleFile(p), "1 loop lies outside the sound", 2, 2});
    }
    {
        Parts p;
        p.cues[1].second = 50000;
        cases.push_back({"cue", sampleFile(p), "1 cue point lies outside the sound", 3, 1});
    }
    {
        Parts p;
        p.labels.push_back({7, "Nowhere"});
        cases.push_back({"labels", sampleFile(p), "its adtl list labels cue points that are not there", 3, 2});
    }
    {
        // A last chunk whose size runs past the file.
        std::vector<uint8_t> b = sampleFile();
        const std::vector<uint8_t> junk = wavbytes::chunk("JUNK", std::vector<uint8_t>(40, 7));
        b.insert(b.end(), junk.begin(), junk.end());
        wavbytes::set32(b, b.size() - 48 + 4, 100000);
        wavbytes::set32(b, 4, static_cast<uint32_t>(b.size() - 8));
        cases.push_back({"past", b, "its JUNK chunk runs past the end of the file", 3, 2});
    }
    for (const Case& c : cases) {
        SampleBuffer doc;
        const LoadOutcome load = open(doc, c.bytes, c.name);
        ASSERT_TRUE(load.loaded) << c.name;
        ASSERT_EQ(load.messages.size(), 1u) << c.name;
        EXPECT_NE(load.messages[0].text.find(c.problem), std::string::npos) << load.messages[0].text;
        EXPECT_EQ(doc.samples[1], rightChannel()) << c.name;
        EXPECT_EQ(doc.marks.loops.size(), c.loops) << c.name;
        EXPECT_EQ(doc.marks.cues.size(), c.cues) << c.name;

        // Saved, it reads back clean and the same.
        ASSERT_TRUE(saveAs(doc, std::string(c.name) + "-saved").saved);
        SampleBuffer back;
        const LoadOutcome reread = loadSoundFile(back, doc.filePath);
        ASSERT_TRUE(reread.loaded);
        EXPECT_TRUE(reread.messages.empty()) << c.name << ": " << reread.messages.front().text;
        EXPECT_EQ(back.marks.loops.size(), c.loops) << c.name;
        EXPECT_EQ(back.marks.cues.size(), c.cues) << c.name;
        chunksOf(readAll(doc.filePath)); // sizes add up
    }
}

// Truncations inside the chunk tables, every chunk given a size far past the
// file, and random bytes changed in the tables: the reader loads or refuses,
// and what a save then writes is read back by the program (and libsndfile)
// exactly as the document stood.
TEST_F(WholeFile, TruncatedAndOversizedTablesSaveWhatTheyLoad)
{
    const std::vector<uint8_t> full = sampleFile();
    std::vector<std::vector<uint8_t>> files;
    const size_t dataEnd = full.size() - 0x1A0; // well inside the tables after the data
    for (size_t n = 12; n < 1500; n += 29)
        files.emplace_back(full.begin(), full.begin() + n);
    for (size_t n = dataEnd - 200; n < full.size(); n += 3)
        files.emplace_back(full.begin(), full.begin() + n);
    // Each chunk's size field in turn set far past the end.
    size_t p = 12;
    while (p + 8 <= full.size()) {
        std::vector<uint8_t> b = full;
        wavbytes::set32(b, p + 4, 0xFFFFFFF0u);
        files.push_back(std::move(b));
        const uint32_t n = u32(full, p + 4);
        p += 8 + n + (n & 1);
    }

    // A few bytes changed at random in the header chunks or the tables after the data.
    std::mt19937 random(28);
    for (int k = 0; k < 120; ++k) {
        std::vector<uint8_t> b = full;
        const int changes = 1 + k % 4;
        for (int j = 0; j < changes; ++j) {
            const bool head = random() % 2 == 0;
            const size_t at = head ? 12 + random() % 1200 : dataEnd - 200 + random() % (full.size() - dataEnd + 200);
            b[at] = static_cast<uint8_t>(random());
        }
        files.push_back(std::move(b));
    }

    int loaded = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        SampleBuffer doc;
        if (!open(doc, files[i], "t").loaded)
            continue;
        ++loaded;
        // A damaged first loop can leave an alternate one as the window's:
        // saved as it stands, not unrolled.
        doc.simulateAlternate = 0;
        ASSERT_TRUE(saveAs(doc, "t-saved").saved) << i;
        const std::vector<uint8_t> saved = readAll(doc.filePath);
        chunksOf(saved);
        SampleBuffer back;
        const LoadOutcome reread = loadSoundFile(back, doc.filePath);
        ASSERT_TRUE(reread.loaded) << i;
        for (const UserMessage& m : reread.messages)
            EXPECT_EQ(m.text.find("kept whole"), std::string::npos) << i << ": " << m.text;
        ASSERT_EQ(back.sampleCount, doc.sampleCount) << i;
        EXPECT_EQ(back.samples[0], doc.samples[0]) << i;
        ASSERT_EQ(back.marks.loops.size(), doc.marks.loops.size()) << i;
        for (size_t k = 0; k < back.marks.loops.size(); ++k) {
            EXPECT_EQ(back.marks.loops[k].start, doc.marks.loops[k].start) << i;
            EXPECT_EQ(back.marks.loops[k].end, doc.marks.loops[k].end) << i;
            EXPECT_EQ(back.marks.loops[k].type, doc.marks.loops[k].type) << i;
        }
        ASSERT_EQ(back.marks.cues.size(), doc.marks.cues.size()) << i;
        for (size_t k = 0; k < back.marks.cues.size(); ++k) {
            EXPECT_EQ(back.marks.cues[k].position, doc.marks.cues[k].position) << i;
            EXPECT_EQ(back.marks.cues[k].label, doc.marks.cues[k].label) << i;
        }
        EXPECT_EQ(back.chunks.keptBytes(), doc.chunks.keptBytes()) << i;
#ifdef RINGTIDE_HAVE_SNDFILE
        SF_INFO info{};
        SNDFILE* f = sf_open(doc.filePath.c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << i << " " << sf_strerror(nullptr);
        EXPECT_EQ(info.frames, doc.sampleCount) << i;
        sf_close(f);
#endif
    }
    EXPECT_GT(loaded, 150);
}

// A 24-bit file saved from its own samples: the same one writer keeps its
// other chunks, rewrites fact with the frame count, and with no crossfade the
// frames are the file's own bytes.
TEST_F(WholeFile, WideFormatSavesKeepTheChunksAndTheFramesBytes)
{
    constexpr int32_t frames = 3001; // odd: the data chunk needs its pad byte
    std::vector<uint8_t> data;
    for (int32_t i = 0; i < frames * 2; ++i)
        for (int k = 0; k < 3; ++k)
            data.push_back(static_cast<uint8_t>(i * 7 + k * 101));
    std::vector<uint8_t> b;
    putTag(b, "RIFF");
    put32(b, 0);
    putTag(b, "WAVE");
    std::vector<uint8_t> fmt;
    put16(fmt, 1);
    put16(fmt, 2);
    put32(fmt, 48000);
    put32(fmt, 48000 * 6);
    put16(fmt, 6);
    put16(fmt, 24);
    std::vector<uint8_t> fact;
    put32(fact, 12345); // wrong on purpose: rewritten
    for (const auto& c : {wavbytes::chunk("fmt ", fmt), wavbytes::chunk("fact", fact), infoList(),
                          wavbytes::chunk("data", data), wavbytes::chunk("JUNK", std::vector<uint8_t>(7, 9)),
                          smpl({{0, 0, 100, 1999, 0, 0}, {0, 2, 2100, 2999, 0, 1}}, 2)})
        b.insert(b.end(), c.begin(), c.end());
    wavbytes::set32(b, 4, static_cast<uint32_t>(b.size() - 8));

    SampleBuffer doc;
    ASSERT_TRUE(open(doc, b, "wide").loaded);
    ASSERT_TRUE(doc.fullRes.present());
    ASSERT_TRUE(saveAs(doc, "wide-saved").saved);
    const std::vector<Chunk> before = chunksOf(b), after = chunksOf(readAll(doc.filePath));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].id, before[i].id) << i;
    EXPECT_EQ(find(after, "fmt ")->body, fmt);
    EXPECT_EQ(u32(find(after, "fact")->body, 0), uint32_t(frames));
    EXPECT_EQ(find(after, "LIST")->body, find(before, "LIST")->body);
    EXPECT_EQ(find(after, "JUNK")->body, find(before, "JUNK")->body);
    EXPECT_EQ(find(after, "data")->body, data);
    const std::vector<Loop> loops = loopsOf(*find(after, "smpl"));
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_TRUE(sameLoop(loops[0], {0, 0, 100, 1999, 0, 0}));
    EXPECT_TRUE(sameLoop(loops[1], {0, 2, 2100, 2999, 0, 1}));
}

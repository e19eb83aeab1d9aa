// Replays the fuzzer's seed corpus through the loader. Files named "bad_*"
// must be refused with one message; every other file must load, and those
// named "*loop*" must bring a valid loop into slot 0.
// tools/make_wav_corpus.py regenerates the corpus.

#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "document/wav_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

TEST(WavCorpus, EverySeedLoadsOrIsRefusedAsNamed)
{
    const fs::path dir = fs::path(RINGTIDE_TEST_DATA) / "wav_reader_corpus";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 12u);

    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        SampleBuffer doc;
        doc.fileTitle = file.stem().string();
        const LoadOutcome out = loadSoundFile(doc, file.string());
        if (name.rfind("bad_", 0) == 0) {
            EXPECT_FALSE(out.loaded) << name;
            EXPECT_EQ(out.messages.size(), 1u) << name;
            EXPECT_EQ(doc.channels, 0) << name;
            continue;
        }
        ASSERT_TRUE(out.loaded) << name;
        ASSERT_GE(doc.sampleCount, kMinimumFrames) << name;
        EXPECT_EQ(doc.samples[0].size(), size_t(doc.sampleCount)) << name;
        EXPECT_EQ(doc.samples[1].size(), doc.channels == 2 ? size_t(doc.sampleCount) : 0u) << name;
        if (name.find("loop") != std::string::npos) {
            EXPECT_TRUE(doc.loops.hasLoop(0)) << name;
            EXPECT_GE(doc.loops.loopStart[0], -1) << name;
            EXPECT_LT(doc.loops.loopStart[0], doc.loops.loopEnd[0]) << name;
            EXPECT_LT(doc.loops.loopEnd[0], doc.sampleCount) << name;
        }
        if (name.find("alternate") != std::string::npos) {
            EXPECT_FALSE(doc.loopForward) << name;
        }
    }
}

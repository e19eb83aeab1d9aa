// The profile displays' geometry, by hand from the drawing rules: frame j at
// x = trunc((j + 0.5) * hop / spp + 0.5) (+1 for the frequency profile), the
// clamp at width - 1, the horizontal run-on, the back channel first, and the
// read-outs. spp is a real number: a sound shorter than the display is spread
// over it instead of dividing by zero.

#include "views/profile_display.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Four frames of hop 40 over 200 samples, 1 or 2 channels; harmonic 1 holds
// the given cents and dB (channel 1: the negated cents, 20 dB lower).
std::shared_ptr<HarmonicProfiles> profiles(int channels, std::vector<double> cents, std::vector<double> db,
                                           int32_t sampleCount = 200, int hop = 40)
{
    auto p = std::make_shared<HarmonicProfiles>();
    p->channels = channels;
    p->frames = static_cast<int>(cents.size());
    p->hop = hop;
    p->frameSize = 64;
    p->sampleCount = sampleCount;
    p->sampleRate = 44100;
    p->durationMs = 1000;
    p->pitchHz = 261.6255653;
    for (int c = 0; c < channels; ++c) {
        p->frequency[c][0] = cents;
        p->amplitude[c][0] = db;
        if (c == 1)
            for (size_t j = 0; j < cents.size(); ++j) {
                p->frequency[1][0][j] = -cents[j];
                p->amplitude[1][0][j] = db[j] - 20.0;
            }
    }
    double largest = 0.0;
    for (double v : cents)
        largest = std::max(largest, std::abs(v));
    p->maxDeviation[0] = largest;
    return p;
}

std::vector<std::pair<int, int>> xy(const ProfileStroke& s)
{
    std::vector<std::pair<int, int>> out;
    for (const ProfilePoint& p : s.points)
        out.emplace_back(p.x, p.y);
    return out;
}

} // namespace

// 200 samples over 400 pixels: spp = 0.5, frames at x = 40, 120, 200, 280.
// Height 100, D = 9: S = 100 / 20 = 5 pixels per cent, y0 = 50.
TEST(ProfileDisplay, ShortSoundSpreadsOverTheDisplayAndRunsOnToTheEdge)
{
    ProfileDisplay frequency(ProfileKind::Frequency);
    frequency.setProfiles(profiles(1, {0.0, 9.0, -9.0, 1.5}, {0.0, -50.0, -100.0, -25.0}));
    EXPECT_TRUE(frequency.strokes(400, 100).empty()); // not ready yet
    frequency.setReady(true);
    const auto f = frequency.strokes(400, 100);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].pen, ProfilePen::MiddleLine);
    EXPECT_EQ(xy(f[0]), (std::vector<std::pair<int, int>>{{0, 50}, {400, 50}}));
    EXPECT_EQ(f[1].pen, ProfilePen::Front);
    // y = 50 - trunc(P * 5 + 0.5): 50, 5, 50 - trunc(-44.5) = 94, 50 - 8 = 42.
    EXPECT_EQ(xy(f[1]), (std::vector<std::pair<int, int>>{{0, 50}, {41, 50}, {121, 5}, {201, 94}, {281, 42}, {399, 42}}));

    ProfileDisplay amplitude(ProfileKind::Amplitude);
    amplitude.setProfiles(profiles(1, {0.0, 9.0, -9.0, 1.5}, {0.0, -50.0, -100.0, -25.0}));
    amplitude.setReady(true);
    const auto a = amplitude.strokes(400, 100);
    ASSERT_EQ(a.size(), 1u);
    // y = 100 - trunc((A + 100) + 0.5) - 1: -1, 49, 99, 24.
    EXPECT_EQ(xy(a[0]), (std::vector<std::pair<int, int>>{{1, -1}, {40, -1}, {120, 49}, {200, 99}, {280, 24}, {399, 24}}));
}

// A long sound: frames past the right edge are cut at width - 1, the curve
// ends there; stereo draws the back channel (grey) before the front one, and a
// click swaps them.
TEST(ProfileDisplay, ClampsAtTheEdgeAndDrawsBackChannelFirst)
{
    ProfileDisplay amplitude(ProfileKind::Amplitude);
    // 4 frames of hop 100 over 200 samples on 4 pixels: spp = 50, x = 1, 3, 5, 7.
    amplitude.setProfiles(profiles(2, {0.0, 0.0, 0.0, 0.0}, {-10.0, -10.0, -10.0, -10.0}, 200, 100));
    amplitude.setReady(true);
    auto s = amplitude.strokes(4, 100);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].pen, ProfilePen::Back);
    EXPECT_EQ(xy(s[0]), (std::vector<std::pair<int, int>>{{1, 29}, {1, 29}, {3, 29}})); // channel 1, -30 dB: 100 - 70 - 1
    EXPECT_EQ(s[1].pen, ProfilePen::Front);
    EXPECT_EQ(xy(s[1]), (std::vector<std::pair<int, int>>{{1, 9}, {1, 9}, {3, 9}}));    // channel 0, -10 dB: 100 - 90 - 1
    EXPECT_TRUE(amplitude.click());
    s = amplitude.strokes(4, 100);
    EXPECT_EQ(s[1].points[0].y, 29);

    ProfileDisplay mono(ProfileKind::Amplitude);
    mono.setProfiles(profiles(1, {0.0, 0.0, 0.0, 0.0}, {-10.0, -10.0, -10.0, -10.0}));
    mono.setReady(true);
    EXPECT_FALSE(mono.click());
    EXPECT_EQ(mono.frontChannel(), 0);
}

// The title rounds D; the read-outs follow the drawn scales.
TEST(ProfileDisplay, TitleAndReadouts)
{
    ProfileDisplay frequency(ProfileKind::Frequency);
    frequency.setProfiles(profiles(1, {0.0, 9.0, -9.0, 1.5}, {0.0, -50.0, -100.0, -25.0}));
    frequency.setHarmonicIndex(2);
    EXPECT_EQ(frequency.title(), "Frequency profile of the 3\xC2\xB0 harmonic");
    frequency.setHarmonicIndex(0);
    frequency.setReady(true);
    EXPECT_EQ(frequency.title(), "Frequency profile of the 1\xC2\xB0 harmonic: 261.626 Hz, +/- 9 cents");
    std::string time, value;
    // x = 100 of 400 over 1000 ms: 250 ms; y = 20 of 100 at S = 5: (50 - 20 - 1) / 5 = 5.8 -> 6.
    ASSERT_TRUE(frequency.readout(100, 20, 400, 100, time, value));
    EXPECT_EQ(time, "250 ms");
    EXPECT_EQ(value, "6 cents");

    ProfileDisplay amplitude(ProfileKind::Amplitude);
    amplitude.setProfiles(profiles(1, {0.0, 9.0, -9.0, 1.5}, {0.0, -50.0, -100.0, -25.0}));
    amplitude.setReady(true);
    ASSERT_TRUE(amplitude.readout(399, 75, 400, 100, time, value));
    EXPECT_EQ(time, "998 ms"); // trunc(399 * 1000 / 400 + 0.5) = trunc(998.0)
    EXPECT_EQ(value, "-74 dB"); // trunc(-75 + 0.5)
}

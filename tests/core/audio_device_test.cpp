#include "platform/audio_device.h"
#include "platform/null_audio_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The ring filled by hand through lock/unlock, as a client would.
void fillRing(AudioDevice& device, AudioDevice::BufferId id, const std::vector<int16_t>& data)
{
    LockedRegion region;
    ASSERT_EQ(device.lock(id, 0, static_cast<uint32_t>(data.size()), &region), LockResult::Ok);
    ASSERT_EQ(region.firstSamples, data.size());
    std::copy(data.begin(), data.end(), region.first);
    ASSERT_TRUE(device.unlock(id, region));
}

int16_t toSample(float v) { return static_cast<int16_t>(std::lround(v * 32768.0f)); }

} // namespace

TEST(PanGains, CentreHardSidesAndDecibels)
{
    float l, r;
    pan_gains(0, &l, &r);
    EXPECT_EQ(l, 1.0f);
    EXPECT_EQ(r, 1.0f);
    pan_gains(-10000, &l, &r);
    EXPECT_EQ(l, 1.0f);
    EXPECT_EQ(r, 0.0f);
    pan_gains(10000, &l, &r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 1.0f);
    // -6 dB on the right: 10^(-6/20).
    pan_gains(-600, &l, &r);
    EXPECT_EQ(l, 1.0f);
    EXPECT_NEAR(r, 0.501187, 1e-5);
    pan_gains(2000, &l, &r);
    EXPECT_NEAR(l, 0.1, 1e-6);
    EXPECT_EQ(r, 1.0f);
}

TEST(HermiteInterpolation, ExactOnSamplesAndOnQuadratics)
{
    EXPECT_EQ(interpolate_hermite4(3.0f, -7.0f, 11.0f, 2.0f, 0.0f), -7.0f);
    // Central differences are exact for a parabola, so the cubic through it is
    // the parabola itself: x(k) = k^2 at k = -1, 0, 1, 2.
    for (float t : {0.25f, 0.5f, 0.75f})
        EXPECT_NEAR(interpolate_hermite4(1.0f, 0.0f, 1.0f, 4.0f, t), t * t, 1e-6);
    // And for a straight line.
    EXPECT_NEAR(interpolate_hermite4(-2.0f, 1.0f, 4.0f, 7.0f, 0.4f), 2.2f, 1e-6);
}

TEST(NullAudioDevice, SameRateDeliversTheRingUnchangedWithPan)
{
    NullAudioDevice device(NullAudioDevice::Clock::Manual);
    ASSERT_TRUE(device.start());
    const uint32_t ring = 1000;
    const AudioDevice::BufferId left = device.createBuffer(22050, ring);
    const AudioDevice::BufferId right = device.createBuffer(22050, ring);
    ASSERT_GE(left, 0);
    ASSERT_GE(right, 0);
    EXPECT_EQ(device.outputRate(), 22050u);
    std::vector<int16_t> a(ring), b(ring);
    for (uint32_t k = 0; k < ring; ++k) {
        a[k] = static_cast<int16_t>(int(k * 97 % 65536) - 32768);
        b[k] = static_cast<int16_t>(32767 - int(k * 31 % 65536));
    }
    fillRing(device, left, a);
    fillRing(device, right, b);
    device.setPan(left, -10000);
    device.setPan(right, 10000);
    const AudioDevice::BufferId both[2] = {left, right};
    device.setRecording(true);
    ASSERT_TRUE(device.play(both, 2));
    device.advance(2500); // two and a half ring wraps
    const std::vector<float> out = device.takeRecording();
    ASSERT_EQ(out.size(), 2 * 2500u);
    for (uint32_t f = 0; f < 2500; ++f) {
        ASSERT_EQ(toSample(out[2 * f]), a[f % ring]) << f;
        ASSERT_EQ(toSample(out[2 * f + 1]), b[f % ring]) << f;
    }
    uint32_t playL, playR, write;
    device.getCurrentPosition(left, &playL, &write);
    device.getCurrentPosition(right, &playR, nullptr);
    EXPECT_EQ(playL, 500u);
    EXPECT_EQ(playR, 500u);
    // The write cursor lies one render block (plus the interpolator's
    // neighbours) ahead.
    EXPECT_EQ(write, 500u + device.blockFrames() + 3);

    ASSERT_TRUE(device.stop(both, 2));
    EXPECT_FALSE(device.isPlaying(left));
    device.advance(10);
    device.getCurrentPosition(left, &playL, nullptr);
    EXPECT_EQ(playL, 500u); // stop keeps the position
    for (float v : device.takeRecording())
        EXPECT_EQ(v, 0.0f);
}

TEST(NullAudioDevice, CentredBufferReachesBothSides)
{
    NullAudioDevice device(NullAudioDevice::Clock::Manual);
    const AudioDevice::BufferId id = device.createBuffer(8000, 64);
    std::vector<int16_t> a(64);
    for (int k = 0; k < 64; ++k)
        a[k] = static_cast<int16_t>(k * 500 - 16000);
    fillRing(device, id, a);
    device.setPan(id, 0);
    device.setCurrentPosition(id, 10);
    uint32_t play;
    device.getCurrentPosition(id, &play, nullptr);
    EXPECT_EQ(play, 10u);
    device.setRecording(true);
    device.play(&id, 1);
    device.advance(100);
    const std::vector<float> out = device.takeRecording();
    for (int f = 0; f < 100; ++f) {
        EXPECT_EQ(toSample(out[2 * f]), a[(10 + f) % 64]);
        EXPECT_EQ(toSample(out[2 * f + 1]), a[(10 + f) % 64]);
    }
}

TEST(NullAudioDevice, LockWrapsAtTheRingEndAndReportsLoss)
{
    NullAudioDevice device(NullAudioDevice::Clock::Manual);
    const AudioDevice::BufferId id = device.createBuffer(8000, 100);
    LockedRegion region;
    ASSERT_EQ(device.lock(id, 97, 10, &region), LockResult::Ok);
    EXPECT_EQ(region.firstSamples, 3u);
    ASSERT_NE(region.second, nullptr);
    EXPECT_EQ(region.secondSamples, 7u);
    EXPECT_EQ(region.second + 97, region.first);
    EXPECT_EQ(device.lock(id, 0, 101, &region), LockResult::Failed);
    EXPECT_EQ(device.lock(id + 1, 0, 10, &region), LockResult::Failed);

    device.loseBuffer(id);
    EXPECT_EQ(device.lock(id, 0, 10, &region), LockResult::BufferLost);
    EXPECT_TRUE(device.restore(id));
    EXPECT_EQ(device.lock(id, 0, 10, &region), LockResult::Ok);
}

TEST(NullAudioDevice, ResampledSineMatchesTheExactSine)
{
    // A 1 kHz sine stored at 44.1 kHz, played on a 48 kHz output: the
    // interpolated output is compared with the sine evaluated at the output
    // instants. Cubic Hermite interpolation of a sine at w = 2 pi 1000 / 44100
    // rad per sample errs by about w^3 / 16 of the amplitude (under 0.02 %),
    // far below the 1e-3 allowed here; the 16-bit source adds 1.5e-5.
    NullAudioDevice device(NullAudioDevice::Clock::Manual);
    const AudioDevice::BufferId id = device.createBuffer(48000, 44100);
    ASSERT_EQ(device.outputRate(), 48000u);
    device.setFrequency(id, 44100);
    const double amplitude = 20000.0;
    std::vector<int16_t> sine(44100); // exactly 1000 periods: the ring is seamless
    for (int k = 0; k < 44100; ++k)
        sine[k] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * 1000.0 * k / 44100.0)));
    fillRing(device, id, sine);
    device.setRecording(true);
    device.play(&id, 1);
    const int frames = 96000; // two seconds: the read head wraps the ring
    device.advance(frames);
    const std::vector<float> out = device.takeRecording();
    double worst = 0.0;
    for (int f = 0; f < frames; ++f) {
        const double exact = amplitude / 32768.0 * std::sin(2 * kPi * 1000.0 * f / 48000.0);
        worst = std::max(worst, std::fabs(out[2 * f] - exact));
    }
    EXPECT_LT(worst / (amplitude / 32768.0), 1e-3);

    // The same at half the output rate: every other output lies midway.
    NullAudioDevice half(NullAudioDevice::Clock::Manual);
    const AudioDevice::BufferId h = half.createBuffer(48000, 24000);
    half.setFrequency(h, 24000);
    std::vector<int16_t> slow(24000);
    for (int k = 0; k < 24000; ++k)
        slow[k] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * 500.0 * k / 24000.0)));
    fillRing(half, h, slow);
    half.setRecording(true);
    half.play(&h, 1);
    half.advance(4800);
    const std::vector<float> out2 = half.takeRecording();
    worst = 0.0;
    for (int f = 0; f < 4800; ++f) {
        const double exact = amplitude / 32768.0 * std::sin(2 * kPi * 500.0 * f / 48000.0);
        worst = std::max(worst, std::fabs(out2[2 * f] - exact));
    }
    EXPECT_LT(worst / (amplitude / 32768.0), 1e-3);
}

TEST(NullAudioDevice, PanChangeWhilePlayingGlidesWithoutAStep)
{
    NullAudioDevice device(NullAudioDevice::Clock::Manual);
    const AudioDevice::BufferId id = device.createBuffer(8000, 256);
    fillRing(device, id, std::vector<int16_t>(256, 16384)); // constant 0.5
    device.setRecording(true);
    device.play(&id, 1);
    device.advance(64);
    device.setPan(id, 10000); // the left side fades out
    device.advance(256);
    const std::vector<float> out = device.takeRecording();
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[2 * 319], 0.0f);
    EXPECT_EQ(out[2 * 319 + 1], 0.5f);
    for (size_t f = 1; f < out.size() / 2; ++f)
        EXPECT_LE(std::fabs(out[2 * f] - out[2 * f - 2]), 0.5f / 64 + 1e-6f) << f;
}

TEST(NullAudioDevice, RealTimeClockMovesTheCursor)
{
    NullAudioDevice device(NullAudioDevice::Clock::RealTime);
    const AudioDevice::BufferId id = device.createBuffer(8000, 16000);
    ASSERT_TRUE(device.start());
    EXPECT_TRUE(device.isRunning());
    device.play(&id, 1);
    // The clock ticks every 2 ms; a loaded machine may take much longer.
    uint32_t play = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (play == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        device.getCurrentPosition(id, &play, nullptr);
    }
    EXPECT_GT(play, 0u);
    EXPECT_GT(device.framesRendered(), 0u);
    device.releaseBuffer(id);
    EXPECT_FALSE(device.isPlaying(id));
}

TEST(AudioDeviceFactory, FallsBackToTheNullDeviceQuietly)
{
    testing::internal::CaptureStderr();
    AudioDeviceOpening opening = openAudioDevice();
    const std::string noise = testing::internal::GetCapturedStderr();
    ASSERT_NE(opening.device, nullptr);
    if (opening.portAudioOpened) {
        GTEST_SKIP() << "a sound card is present: " << opening.device->name();
    }
    EXPECT_NE(dynamic_cast<NullAudioDevice*>(opening.device.get()), nullptr);
    EXPECT_FALSE(opening.device->isAudible());
    EXPECT_FALSE(opening.detail.empty());
    EXPECT_EQ(noise, "");
    EXPECT_TRUE(opening.device->start());
    // Opening twice works: PortAudio is initialised and terminated in pairs.
    AudioDeviceOpening again = openAudioDevice();
    EXPECT_NE(again.device, nullptr);
}

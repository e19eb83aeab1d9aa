#include "views/profile_display.h"

#include "document/format.h"

#include <algorithm>
#include <cstdint>

bool ProfileDisplay::click()
{
    if (!isReady() || profiles_->channels != 2)
        return false;
    front_ = 1 - front_;
    return true;
}

double ProfileDisplay::centsScale(int heightPx) const
{
    const double d = profiles_ ? profiles_->maxDeviation[std::clamp(harmonicIndex_, 0, kProfileHarmonics - 1)] : 0.0;
    return heightPx / ((d + 1.0) * 2.0);
}

std::vector<ProfilePoint> ProfileDisplay::curve(int channel, int widthPx, int heightPx) const
{
    const HarmonicProfiles& p = *profiles_;
    const int k = std::clamp(harmonicIndex_, 0, kProfileHarmonics - 1);
    const bool frequency = kind_ == ProfileKind::Frequency;
    const std::vector<double>& values = frequency ? p.frequency[channel][k] : p.amplitude[channel][k];
    const double spp = static_cast<double>(p.sampleCount) / widthPx;
    const double scale = centsScale(heightPx);
    const int y0 = heightPx / 2;
    auto yOf = [&](double v) {
        if (frequency)
            return y0 - static_cast<int>(v * scale + 0.5);
        return heightPx - static_cast<int>((v + 100.0) * 0.01 * heightPx + 0.5) - 1;
    };
    const int last = widthPx - 1;
    std::vector<ProfilePoint> points;
    points.reserve(values.size() + 2);
    points.push_back({frequency ? 0 : 1, yOf(values[0])});
    for (size_t j = 0; j < values.size(); ++j) {
        const double x = (j + 0.5) * p.hop / spp + 0.5;
        int xj = static_cast<int>(std::min(x, static_cast<double>(INT32_MAX / 2))) + (frequency ? 1 : 0);
        const int yj = yOf(values[j]);
        if (xj >= last) {
            points.push_back({last, yj});
            return points;
        }
        points.push_back({xj, yj});
    }
    points.push_back({last, points.back().y});
    return points;
}

std::vector<ProfileStroke> ProfileDisplay::strokes(int widthPx, int heightPx) const
{
    std::vector<ProfileStroke> out;
    if (!isReady() || widthPx < 2 || heightPx < 1)
        return out;
    if (kind_ == ProfileKind::Frequency)
        out.push_back({ProfilePen::MiddleLine, {{0, heightPx / 2}, {widthPx, heightPx / 2}}});
    const int front = std::min(front_, profiles_->channels - 1);
    if (profiles_->channels == 2)
        out.push_back({ProfilePen::Back, curve((front + 1) % 2, widthPx, heightPx)});
    out.push_back({ProfilePen::Front, curve(front, widthPx, heightPx)});
    return out;
}

std::string ProfileDisplay::title() const
{
    const int h = std::clamp(harmonicIndex_, 0, kProfileHarmonics - 1) + 1;
    // Without a computation (running, or nothing to compute) the caption
    // still names the display; the numbers come with the profiles.
    if (!isReady())
        return "Frequency profile of the " + std::to_string(h) + "\xC2\xB0 harmonic";
    const double d = profiles_->maxDeviation[h - 1];
    return "Frequency profile of the " + std::to_string(h) + "\xC2\xB0 harmonic: " +
           formatSignificant(h * profiles_->pitchHz, 6) + " Hz, +/- " + std::to_string(static_cast<int>(d + 0.5)) +
           " cents";
}

bool ProfileDisplay::readout(int x, int y, int widthPx, int heightPx, std::string& time, std::string& value) const
{
    if (!isReady() || widthPx < 1 || heightPx < 1)
        return false;
    time = std::to_string(static_cast<int64_t>(static_cast<double>(x) * profiles_->durationMs / widthPx + 0.5)) + " ms";
    if (kind_ == ProfileKind::Frequency)
        value = std::to_string(static_cast<int>((heightPx / 2 - y - 1) / centsScale(heightPx) + 0.5)) + " cents";
    else
        value = std::to_string(static_cast<int>(-100.0 * y / heightPx + 0.5)) + " dB";
    return true;
}

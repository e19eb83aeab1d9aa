#pragma once
// Model of the two profile displays under the spectrum: the frequency profile
// (deviation in cents of the selected harmonic around its mean, about a middle
// line) and the amplitude profile (its level, -100 dB at the bottom to 0 dB at
// the top), over the whole sound, each channel a polyline; what to paint,
// which channel a click brings to the front, and the pointer read-outs. The
// window class only draws what this gives it and forwards the mouse.
//
// Pixel conventions: x runs 0 .. width-1 from the left of the client area, y
// 0 .. height-1 from its top. spp = sampleCount / width samples per pixel (a
// real number: a sound shorter than the display still spreads over it).
// Frame j is drawn at x_j = trunc((j + 0.5) * hop / spp + 0.5), plus 1 for the
// frequency profile, with the hop the profiles were computed with.
// - Frequency: S = height / ((D + 1) * 2) pixels per cent, D the harmonic's
//   largest deviation; y0 = height / 2; y_j = y0 - trunc(P_j * S + 0.5). The
//   curve starts at (0, y_0).
// - Amplitude: y_j = height - trunc((A_j + 100) * 0.01 * height + 0.5) - 1;
//   the curve starts at (1, y_0).
// A point at or right of width - 1 is drawn at width - 1 and ends the curve;
// a curve ending left of width - 1 runs on horizontally to width - 1. A stereo
// sound draws the back channel first, then the front channel.

#include "dsp/harmonic_profiles.h"

#include <memory>
#include <string>
#include <vector>

enum class ProfileKind { Frequency, Amplitude };
enum class ProfilePen { Front, Back, MiddleLine };

struct ProfilePoint {
    int x, y;
};

// One polyline (a line when it has two points).
struct ProfileStroke {
    ProfilePen pen;
    std::vector<ProfilePoint> points;
};

class ProfileDisplay {
public:
    explicit ProfileDisplay(ProfileKind kind) : kind_(kind) {}

    ProfileKind kind() const { return kind_; }
    // Results of a finished computation (shared with the other display and
    // with the synthesis); null forgets them. Does not touch the ready flag.
    void setProfiles(std::shared_ptr<const HarmonicProfiles> profiles) { profiles_ = std::move(profiles); }
    const HarmonicProfiles* profiles() const { return profiles_.get(); }
    // Cleared while a computation runs: only the background and the band show.
    void setReady(bool ready) { ready_ = ready; }
    bool isReady() const { return ready_ && profiles_ && profiles_->computed(); }

    // Harmonic index h - 1 (0 .. 31).
    void setHarmonicIndex(int index) { harmonicIndex_ = index; }
    int harmonicIndex() const { return harmonicIndex_; }
    int frontChannel() const { return front_; }
    // A click: swaps the front channel of a stereo sound; false (nothing
    // changes) for a mono sound or while nothing is shown.
    bool click();

    // The selection band in pixel columns, left inclusive, right exclusive
    // as the waveform view gives its band; empty when left >= right.
    void setBand(int left, int right)
    {
        bandLeft_ = left;
        bandRight_ = right;
    }
    int bandLeft() const { return bandLeft_; }
    int bandRight() const { return bandRight_; }

    // The lines of a paint, in drawing order; empty while not ready.
    std::vector<ProfileStroke> strokes(int widthPx, int heightPx) const;
    // Vertical scale S of the frequency profile, pixels per cent.
    double centsScale(int heightPx) const;
    // "Frequency profile of the h° harmonic: f Hz, +/- D cents"; while not
    // ready only "Frequency profile of the h° harmonic" (the frequency
    // display's title).
    std::string title() const;
    // "123 ms" and "-4 cents" or "-30 dB" under the pointer; false while not ready.
    bool readout(int x, int y, int widthPx, int heightPx, std::string& time, std::string& value) const;

private:
    std::vector<ProfilePoint> curve(int channel, int widthPx, int heightPx) const;

    ProfileKind kind_;
    std::shared_ptr<const HarmonicProfiles> profiles_;
    bool ready_ = false;
    int harmonicIndex_ = 0;
    int front_ = 0;
    int bandLeft_ = 0;
    int bandRight_ = 0;
};

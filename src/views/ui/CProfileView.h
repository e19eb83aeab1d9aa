#pragma once
// One of the two profile displays of the main window's profile area: the
// frequency profile (control 1048) or the amplitude profile (1047) of the
// selected harmonic. A click swaps the front channel of a stereo sound; the
// pointer reads out time and cents or dB. The computing lives in
// ProfileDisplay; this window only draws and forwards the mouse.

#include "views/profile_display.h"
#include "views/ui/CPictureView.h"

#include <functional>
#include <memory>

class CProfileView : public CPictureView {
public:
    CProfileView(wxWindow* parent, wxWindowID id, ProfileKind kind);

    ProfileDisplay& model() { return model_; }
    const ProfileDisplay& model() const { return model_; }

    // Clears or sets the ready flag and repaints.
    void setReady(bool ready);
    void setProfiles(std::shared_ptr<const HarmonicProfiles> profiles);
    void setHarmonicIndex(int index);
    // The waveform's band (same columns); repaints when it changed.
    void setBand(int left, int right);

    // The frequency display writes its title into this static at each paint.
    void setTitleControl(wxWindow* title) { title_ = title; }
    // Time ("123 ms") and value ("4 cents", "-30 dB") under the pointer.
    void setReadoutHook(std::function<void(const wxString& time, const wxString& value)> hook)
    {
        readoutHook_ = std::move(hook);
    }

    // Mouse handling with client coordinates, public for tests.
    void leftDown();
    void mouseMove(int x, int y);

private:
    void drawPicture(wxDC& dc, const wxSize& size) override;
    // The title follows the harmonic and the ready flag at each paint.
    void afterPaint() override { writeTitle(); }
    void writeTitle();

    ProfileDisplay model_;
    wxWindow* title_ = nullptr;
    std::function<void(const wxString&, const wxString&)> readoutHook_;
};

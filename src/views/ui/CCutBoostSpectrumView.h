#pragma once
// One spectrum of the cut/boost dialog (attack or sustain): a bar per pixel
// column for each channel of the working copies, with the peaking filter's
// outline filled over them, and a read-out of frequency and level under the
// pointer. What is drawn is computed in views/cutboost_spectrum.h.

#include "views/cutboost_spectrum.h"
#include "views/ui/CPictureView.h"

#include <cstdint>
#include <vector>

class CutBoostSession;
class wxStaticText;

class CCutBoostSpectrumView : public CPictureView {
public:
    CCutBoostSpectrumView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, bool attack);

    bool isAttack() const { return attack_; }
    // The working copies the spectra are taken from (kept, not owned).
    void setSource(const CutBoostSession* session) { session_ = session; }
    // Frame size N and first frame; the bars are forgotten until compute().
    void setFrame(int n, int32_t start);
    int frameSize() const { return n_; }
    int32_t frameStart() const { return start_; }
    // The bars of every channel from the copies as they are now; the view is
    // ready afterwards and repaints.
    void compute();
    bool ready() const { return ready_; }
    int computedChannels() const { return channels_; }
    const std::vector<int>& bars(int channel) const { return bars_[channel]; }

    // The filter outline (the same for both views); the union of the old and
    // the new outline's boxes is repainted.
    void setShape(const FilterShape& shape);
    const FilterShape& shape() const { return shape_; }

    // The two labels the pointer read-out writes (may be null).
    void setReadoutLabels(wxStaticText* hz, wxStaticText* db)
    {
        hzLabel_ = hz;
        dbLabel_ = db;
    }
    // Pointer at client (x, y); public for tests.
    void mouseMove(int x, int y);

private:
    void drawPicture(wxDC& dc, const wxSize& size) override;
    void onMotion(wxMouseEvent& event);
    void refreshBox(const FilterShape& shape);

    bool attack_ = false;
    const CutBoostSession* session_ = nullptr;
    int n_ = 0;
    int32_t start_ = 0;
    int channels_ = 0; // 0 until computed
    bool ready_ = false;
    std::vector<int> bars_[2];
    std::vector<Complex> frame_;
    FilterShape shape_;
    bool hasShape_ = false;
    wxStaticText* hzLabel_ = nullptr;
    wxStaticText* dbLabel_ = nullptr;
};

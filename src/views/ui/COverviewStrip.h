#pragma once
// The overview strip: a small min/max picture of channel arrays handed over by
// a dialog (the cut/boost dialog's working copies, the mixing dialog's
// sources), either plain on white or, on light grey, with one stretch of
// samples drawn in a second colour. The columns are computed when data arrive
// (or at the first paint) with real samples per pixel, so a sound shorter than
// the strip still spreads over it; later paints reuse them.

#include "views/waveform_columns.h"
#include "views/ui/CPictureView.h"

#include <wx/colour.h>

#include <cstdint>

// The trace shared by the overview and position strips: per channel the centre
// line, then one polyline from (0, centre) through each column's minimum and
// maximum, drawn with `stretchColour` over columns [xs, xe) and `traceColour`
// elsewhere; a divider across the middle after a second channel.
void drawStripTrace(wxDC& dc, const wxSize& size, const WaveformColumns& columns, int xs, int xe,
                    const wxColour& traceColour, const wxColour& stretchColour);

class COverviewStrip : public CPictureView {
public:
    COverviewStrip(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    // The arrays (kept, not copied; they must outlive the strip's use of
    // them) and their size. Recomputes the columns now when the strip has a
    // width, and repaints.
    void setData(int channels, int32_t frameCount, const int16_t* left, const int16_t* right);
    // The arrays changed in place (a filter ran over them).
    void dataChanged();
    // Plain: white, one colour. Marked: light grey, samples first .. last in
    // the stretch colour.
    void setPlain(bool plain);
    void setStretch(int32_t first, int32_t last);

    bool plain() const { return plain_; }
    int32_t stretchFirst() const { return first_; }
    int32_t stretchLast() const { return last_; }
    const WaveformColumns& columns() const { return columns_; }
    // The stretch's columns [xs, xe).
    int stretchLeft() const { return columnOfSample(first_, columns_.samplesPerPixel); }
    int stretchRight() const { return columnOfSample(last_, columns_.samplesPerPixel); }

private:
    void compute();
    void drawPicture(wxDC& dc, const wxSize& size) override;

    bool plain_ = true;
    int32_t first_ = 0;
    int32_t last_ = 0;
    int channels_ = 0;
    int32_t frames_ = 0;
    const int16_t* data_[2] = {nullptr, nullptr};
    WaveformColumns columns_;
};

#pragma once
// The FFT options dialog's position strip: the whole sound as a small min/max
// picture, with the analysed window (first .. last sample) drawn in a second
// colour. The picture is recomputed from the sound at every paint, so it
// follows any change at once.

#include "views/waveform_columns.h"
#include "views/ui/CPictureView.h"

#include <cstdint>

struct SampleBuffer;

class CPositionStrip : public CPictureView {
public:
    CPositionStrip(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    // Kept, not owned; null paints nothing.
    void setSound(const SampleBuffer* sound);
    void setStretch(int32_t first, int32_t last);
    int32_t stretchFirst() const { return first_; }
    int32_t stretchLast() const { return last_; }
    // The columns of the last paint (tests read the stretch's columns).
    const WaveformColumns& columns() const { return columns_; }

private:
    void drawPicture(wxDC& dc, const wxSize& size) override;

    const SampleBuffer* sound_ = nullptr;
    int32_t first_ = 0;
    int32_t last_ = 0;
    WaveformColumns columns_;
};

#pragma once
// The main window's large display: the whole sound as a min/max trace per
// pixel column, the selection band, the current loop with its crossfade zones,
// the play cursor, and the mouse handling that makes the selection.
//
// The view reads the sound through the pointer given to rebuild() and knows
// nothing of the main window: the loop points, the crossfade length and the
// loop type arrive through setters, and everything the view decides (a new
// selection, a change of the search-enabled flag, the read-outs, the
// fine-search and FFT-options requests) leaves through hooks.

#include "views/waveform_columns.h"

#include <wx/bitmap.h>
#include <wx/window.h>

#include <cstdint>
#include <functional>
#include <vector>

struct SampleBuffer;
class wxDC;

class WaveformView : public wxWindow {
public:
    WaveformView();
    WaveformView(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize, long style = wxBORDER_SUNKEN);
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxBORDER_SUNKEN);

    // --- the sound ---------------------------------------------------------
    // Recomputes the picture from `sound` (kept, not owned; null forgets the
    // sound) and invalidates the whole view. Every command that changes the
    // samples, the rate or the frame count calls it. A resize rebuilds too.
    void rebuild(const SampleBuffer* sound);
    const SampleBuffer* sound() const { return sound_; }

    // The current slot's loop (s, e), -1 / -1 for none. Repaints the whole
    // view when it changes.
    void setLoop(int32_t loopStart, int32_t loopEnd);
    int32_t loopStart() const { return loopStart_; }
    int32_t loopEnd() const { return loopEnd_; }
    // Crossfade length X in samples; repaints when it changes and a loop exists.
    void setCrossfadeLength(int32_t samples);
    int32_t crossfadeLength() const { return crossfadeLength_; }
    // Loop type: true = forward, false = alternate.
    void setLoopForward(bool forward) { loopForward_ = forward; }
    bool loopForward() const { return loopForward_; }
    // The "Cut the wave after loop" option lives in the sound; call this after
    // changing it to repaint the part after the loop.
    void cutOptionChanged();

    // --- selection -------------------------------------------------------------
    // The only ways the selection changes (sample indices; see
    // WaveformSelection for the rules). Each repaints only the stripes that
    // changed and does nothing while no sound is loaded.
    void setSelectionAnchor(int32_t s);
    void setSelectionStart(int32_t s);
    void setSelectionEnd(int32_t s);
    int32_t selectionStart() const { return selection_.start(); }
    int32_t selectionEnd() const { return selection_.end(); }
    int selectionBandLeft() const { return selection_.bandLeft(); }
    int selectionBandRight() const { return selection_.bandRight(); }

    // Whether Search may be used. The selection operations switch it and
    // report each switch through the search hook; the owner sets it directly
    // when something else switches it (a finished search, a new length).
    bool searchEnabled() const { return selection_.searchEnabled(); }
    void setSearchEnabled(bool on) { selection_.setSearchEnabled(on); }

    // --- play cursor -------------------------------------------------------
    // A one-column inverted stripe over the full height. Call on the window's
    // thread. advanceCursor wraps in loop play modes (3/5 forward, 4/6
    // alternate) as advancePlayCursor describes.
    void showCursor(int64_t sample);
    void advanceCursor(int64_t deltaSamples, int playMode);
    void hideCursor();
    bool cursorShown() const { return cursorShown_; }
    int64_t cursorSample() const { return cursor_; }
    int cursorColumn() const { return cursorColumn_; }

    // --- hooks -------------------------------------------------------------
    // After every selection operation: the new start and end.
    void setSelectionHook(std::function<void(int32_t start, int32_t end)> hook) { selectionHook_ = std::move(hook); }
    // The columns whose band changed (for the profile displays, whose bands
    // follow the same columns).
    void setBandHook(std::function<void(const std::vector<ColumnSpan>&)> hook) { bandHook_ = std::move(hook); }
    // Each switch of the search-enabled flag, in order.
    void setSearchEnabledHook(std::function<void(bool enabled)> hook) { searchHook_ = std::move(hook); }
    // Time ("123 ms") and level ("-6 dB", "-inf") under the pointer.
    void setReadoutHook(std::function<void(const wxString& time, const wxString& level)> hook)
    {
        readoutHook_ = std::move(hook);
    }
    // Or: two texts the view sets directly (may be null).
    void setReadoutControls(wxWindow* timeText, wxWindow* levelText)
    {
        timeText_ = timeText;
        levelText_ = levelText;
    }
    // Right click: the fine-search dialog, given the selection in ms; returns
    // true on OK with the new values in the two arguments.
    void setFineSearchHook(std::function<bool(int32_t& startMs, int32_t& endMs)> hook)
    {
        fineSearchHook_ = std::move(hook);
    }
    // A loop edge dragged and dropped (press within 3 pixels of a loop
    // marker): which edge, the sample it was dropped on, and whether the
    // owner should snap it to a rising zero crossing.
    void setLoopDragHook(std::function<void(bool startEdge, int32_t sample, bool snap)> hook)
    {
        loopDragHook_ = std::move(hook);
    }
    bool draggingLoopEdge() const { return edgeDrag_ != 0; }
    // Shift+Ctrl right click: the FFT options dialog.
    void setFftOptionsHook(std::function<void()> hook) { fftOptionsHook_ = std::move(hook); }

    // The tooltip of the file's loop or cue point drawn within 3 columns of x
    // (empty when none): shown while the pointer is there.
    wxString markTipAt(int x) const;

    // The picture exactly as painted (cursor included), at the client size.
    wxBitmap renderBitmap();
    const WaveformColumns& columns() const { return columns_; }

    // Mouse handling, public so that tests and other displays can drive it
    // with plain coordinates of the client area.
    void leftDown(int x);
    void mouseMove(int x, int y);
    // freeMove: a dragged loop edge lands where it is dropped instead of on
    // the nearest rising zero crossing (a modifier key held).
    void leftUp(bool freeMove = false);
    void leftDoubleClick();
    void rightUp(bool shift, bool control);

private:
    void init();
    void rebuildColumns();
    void drawPicture(wxDC& dc, const wxSize& size) const;
    void drawFileMarks(wxDC& dc, int height) const;
    void paintInto(wxBitmap& target);
    void applyEffects(const SelectionEffects& fx);
    void refreshColumn(int x);
    bool hasSound() const;

    void onPaint(wxPaintEvent& event);
    void onSize(wxSizeEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);
    void onLeftDClick(wxMouseEvent& event);
    void onRightUp(wxMouseEvent& event);
    void onCaptureLost(wxMouseCaptureLostEvent& event);

    const SampleBuffer* sound_ = nullptr;
    WaveformColumns columns_;
    WaveformSelection selection_;

    int32_t loopStart_ = -1;
    int32_t loopEnd_ = -1;
    int32_t crossfadeLength_ = 0;
    bool loopForward_ = true;

    bool captured_ = false;
    int anchorX_ = 0;
    int32_t anchorSample_ = 0;

    int64_t cursor_ = 0;
    int cursorMode_ = 0;
    int cursorColumn_ = -1;
    bool cursorShown_ = false;

    wxBitmap buffer_;

    std::function<void(int32_t, int32_t)> selectionHook_;
    std::function<void(const std::vector<ColumnSpan>&)> bandHook_;
    std::function<void(bool)> searchHook_;
    std::function<void(const wxString&, const wxString&)> readoutHook_;
    wxWindow* timeText_ = nullptr;
    wxWindow* levelText_ = nullptr;
    std::function<bool(int32_t&, int32_t&)> fineSearchHook_;
    std::function<void()> fftOptionsHook_;
    std::function<void(bool, int32_t, bool)> loopDragHook_;
    int edgeDrag_ = 0; // 1 start edge, 2 end edge being dragged
    int32_t dragStart_ = -1;
    int32_t dragEnd_ = -1;

    wxDECLARE_DYNAMIC_CLASS(WaveformView);
};

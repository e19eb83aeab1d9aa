#include "views/ui/WaveformView.h"

#include "document/SampleBuffer.h"
#include "views/file_marks_columns.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include <algorithm>

wxIMPLEMENT_DYNAMIC_CLASS(WaveformView, wxWindow);

namespace {

const wxColour kBackground(255, 255, 255);
const wxColour kSelection(220, 220, 255);
const wxColour kTrace(0, 0, 128);
const wxColour kLoop(200, 0, 64);
const wxColour kDivider(128, 128, 128);
const wxColour kMarker(128, 128, 128);
const wxColour kPreLoopCrossfade(128, 128, 196);
const wxColour kEndCrossfade(196, 128, 128);
const wxColour kCut(200, 200, 200);
// The file's other loops and its cue points: thin solid lines in colours of
// their own, with a small flag at the top, so that they never read as the
// current loop's dotted markers and crossfade zones.
const wxColour kFileLoop(0, 140, 70);
const wxColour kCuePoint(230, 120, 0);
constexpr int kFlag = 5; // pixels
// How near the pointer must come to a mark for its tooltip.
constexpr int kTipColumns = 3;

const wxColour& penColour(TracePen pen)
{
    switch (pen) {
    case TracePen::PreLoopCrossfade:
        return kPreLoopCrossfade;
    case TracePen::Loop:
        return kLoop;
    case TracePen::EndCrossfade:
        return kEndCrossfade;
    case TracePen::Cut:
        return kCut;
    case TracePen::Trace:
        break;
    }
    return kTrace;
}

} // namespace

WaveformView::WaveformView() { init(); }

WaveformView::WaveformView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
{
    init();
    Create(parent, id, pos, size, style);
}

bool WaveformView::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
{
    // The whole client area is painted every time: no background erase.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxWindow::Create(parent, id, pos, size, style | wxFULL_REPAINT_ON_RESIZE))
        return false;
    Bind(wxEVT_PAINT, &WaveformView::onPaint, this);
    Bind(wxEVT_SIZE, &WaveformView::onSize, this);
    Bind(wxEVT_LEFT_DOWN, &WaveformView::onLeftDown, this);
    Bind(wxEVT_LEFT_UP, &WaveformView::onLeftUp, this);
    Bind(wxEVT_MOTION, &WaveformView::onMotion, this);
    Bind(wxEVT_LEFT_DCLICK, &WaveformView::onLeftDClick, this);
    Bind(wxEVT_RIGHT_UP, &WaveformView::onRightUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &WaveformView::onCaptureLost, this);
    return true;
}

void WaveformView::init() {}

bool WaveformView::hasSound() const { return sound_ != nullptr && !columns_.empty(); }

// --- the sound -----------------------------------------------------------------

void WaveformView::rebuild(const SampleBuffer* sound)
{
    sound_ = sound;
    rebuildColumns();
    Refresh(false);
}

void WaveformView::rebuildColumns()
{
    const wxSize size = GetClientSize();
    if (sound_ == nullptr) {
        columns_ = WaveformColumns();
        selection_.setGeometry(0, 0.0);
        return;
    }
    rebuildWaveformColumns(*sound_, size.x, size.y, columns_);
    selection_.setGeometry(columns_.frameCount, columns_.samplesPerPixel);
    if (cursorShown_)
        cursorColumn_ = columnOfSample(shownCursorSample(cursor_, cursorMode_, loopStart_, loopEnd_), columns_.samplesPerPixel);
}

void WaveformView::setLoop(int32_t loopStart, int32_t loopEnd)
{
    if (loopStart == loopStart_ && loopEnd == loopEnd_)
        return;
    // Repaint also when the loop goes away, or its marks would stay on screen.
    loopStart_ = loopStart;
    loopEnd_ = loopEnd;
    Refresh(false);
}

void WaveformView::setCrossfadeLength(int32_t samples)
{
    if (samples == crossfadeLength_)
        return;
    crossfadeLength_ = samples;
    if (loopEnd_ > 0)
        Refresh(false);
}

void WaveformView::cutOptionChanged()
{
    if (loopEnd_ > 0)
        Refresh(false);
}

// --- painting ------------------------------------------------------------------

void WaveformView::drawPicture(wxDC& dc, const wxSize& size) const
{
    const int height = size.y;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(kBackground));
    dc.DrawRectangle(0, 0, size.x, size.y);
    if (selection_.bandLeft() < selection_.bandRight()) {
        dc.SetBrush(wxBrush(kSelection));
        dc.DrawRectangle(selection_.bandLeft(), 0, selection_.bandRight() - selection_.bandLeft(), height);
    }
    if (!hasSound())
        return;

    const int width = std::min(size.x, columns_.width);
    const int32_t crossfade = crossfadeLength_;
    const LoopColumns lc = loopColumns(columns_.samplesPerPixel, loopStart_, loopEnd_, crossfade,
                                       sound_->cutAfterLoop != 0);
    const wxPen markerPen(kMarker, 1, wxPENSTYLE_DOT);
    std::vector<wxPoint> points;
    points.reserve(static_cast<size_t>(2 * width + 1));

    for (int c = 0; c < columns_.channelCount; ++c) {
        const int centre = columns_.centreY[c];
        if (lc.startMarker()) {
            dc.SetPen(markerPen);
            dc.DrawLine(lc.xS, 0, lc.xS, height);
            if (lc.endMarker())
                dc.DrawLine(lc.xE, 0, lc.xE, height);
        }
        dc.SetPen(wxPen(kTrace, 1));
        dc.DrawLine(0, centre, size.x, centre);

        // One polyline from (0, centre) through each column's minimum and
        // maximum; the pen changes where the column range changes.
        const std::vector<int16_t>& mins = columns_.minY[c];
        const std::vector<int16_t>& maxs = columns_.maxY[c];
        points.clear();
        points.emplace_back(0, centre);
        TracePen current = width > 0 ? lc.penAt(0) : TracePen::Trace;
        for (int x = 0; x < width; ++x) {
            const TracePen pen = lc.penAt(x);
            if (pen != current) {
                dc.SetPen(wxPen(penColour(current), 1));
                dc.DrawLines(static_cast<int>(points.size()), points.data());
                const wxPoint last = points.back();
                points.clear();
                points.push_back(last);
                current = pen;
            }
            points.emplace_back(x, mins[x]);
            points.emplace_back(x, maxs[x]);
        }
        if (points.size() > 1) {
            dc.SetPen(wxPen(penColour(current), 1));
            dc.DrawLines(static_cast<int>(points.size()), points.data());
        }
        if (c == 1) {
            dc.SetPen(wxPen(kDivider, 1));
            dc.DrawLine(0, height / 2, size.x, height / 2);
        }
    }
    drawFileMarks(dc, height);
}

void WaveformView::drawFileMarks(wxDC& dc, int height) const
{
    for (const MarkColumn& m : fileMarkColumns(sound_->marks, columns_.samplesPerPixel, columns_.width)) {
        const wxColour& colour = m.kind == MarkKind::Cue ? kCuePoint : kFileLoop;
        dc.SetPen(wxPen(colour, 1));
        dc.SetBrush(wxBrush(colour));
        dc.DrawLine(m.x, 0, m.x, height);
        // A loop's flags point into the loop; a cue's hangs down from the top.
        wxPoint flag[3];
        if (m.kind == MarkKind::LoopStart)
            flag[0] = {m.x, 0}, flag[1] = {m.x + kFlag, kFlag / 2}, flag[2] = {m.x, kFlag};
        else if (m.kind == MarkKind::LoopEnd)
            flag[0] = {m.x, 0}, flag[1] = {m.x - kFlag, kFlag / 2}, flag[2] = {m.x, kFlag};
        else
            flag[0] = {m.x - kFlag / 2 - 1, 0}, flag[1] = {m.x + kFlag / 2 + 1, 0}, flag[2] = {m.x, kFlag};
        dc.DrawPolygon(3, flag);
    }
}

wxString WaveformView::markTipAt(int x) const
{
    if (!hasSound())
        return wxString();
    const std::vector<MarkColumn> marks = fileMarkColumns(sound_->marks, columns_.samplesPerPixel, columns_.width);
    const MarkColumn* near = markNearColumn(marks, x, kTipColumns);
    return near ? wxString::FromUTF8(near->tip) : wxString();
}

// Draws the picture into `target` (resized to the client area) and inverts the
// play cursor's column over the full height.
void WaveformView::paintInto(wxBitmap& target)
{
    const wxSize size = GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    if (!target.IsOk() || target.GetSize() != size)
        target.Create(size.x, size.y, 24);
    {
        wxMemoryDC dc(target);
        // Hairlines on whole pixels, as the colour ranges are tested pixel by pixel.
        if (wxGraphicsContext* gc = dc.GetGraphicsContext())
            gc->SetAntialiasMode(wxANTIALIAS_NONE);
        drawPicture(dc, size);
    }
    if (cursorShown_ && cursorColumn_ >= 0 && cursorColumn_ < size.x) {
        wxImage column = target.GetSubBitmap(wxRect(cursorColumn_, 0, 1, size.y)).ConvertToImage();
        unsigned char* rgb = column.GetData();
        const size_t bytes = static_cast<size_t>(size.y) * 3;
        for (size_t i = 0; i < bytes; ++i)
            rgb[i] = static_cast<unsigned char>(255 - rgb[i]);
        wxMemoryDC dc(target);
        dc.DrawBitmap(wxBitmap(column), cursorColumn_, 0);
    }
}

wxBitmap WaveformView::renderBitmap()
{
    wxBitmap out;
    paintInto(out);
    return out;
}

void WaveformView::onPaint(wxPaintEvent&)
{
    paintInto(buffer_);
    wxAutoBufferedPaintDC dc(this);
    if (buffer_.IsOk())
        dc.DrawBitmap(buffer_, 0, 0);
}

void WaveformView::onSize(wxSizeEvent& event)
{
    if (sound_ != nullptr)
        rebuildColumns();
    Refresh(false);
    event.Skip();
}

// --- selection -------------------------------------------------------------------

void WaveformView::applyEffects(const SelectionEffects& fx)
{
    const int height = GetClientSize().y;
    for (const ColumnSpan& span : fx.dirty)
        RefreshRect(wxRect(span.left, 0, span.right - span.left + 1, height), false);
    if (bandHook_ && !fx.dirty.empty())
        bandHook_(fx.dirty);
    if (selectionHook_)
        selectionHook_(selection_.start(), selection_.end());
    if (searchHook_)
        for (bool on : fx.searchTransitions)
            searchHook_(on);
}

void WaveformView::setSelectionAnchor(int32_t s)
{
    SelectionEffects fx;
    if (selection_.setAnchor(s, fx))
        applyEffects(fx);
}

void WaveformView::setSelectionStart(int32_t s)
{
    SelectionEffects fx;
    if (selection_.setStart(s, fx))
        applyEffects(fx);
}

void WaveformView::setSelectionEnd(int32_t s)
{
    SelectionEffects fx;
    if (selection_.setEnd(s, fx))
        applyEffects(fx);
}

// --- mouse -------------------------------------------------------------------------

void WaveformView::leftDown(int x)
{
    if (!hasSound())
        return;
    // A press within a few pixels of a loop edge drags that edge instead of
    // starting a selection (the end wins where both are that close).
    edgeDrag_ = 0;
    if (loopDragHook_ && loopEnd_ > 0 && loopStart_ >= 0) {
        constexpr int kGrab = 3;
        const double spp = columns_.samplesPerPixel;
        if (std::abs(x - markColumn(loopEnd_, spp)) <= kGrab)
            edgeDrag_ = 2;
        else if (std::abs(x - markColumn(loopStart_, spp)) <= kGrab)
            edgeDrag_ = 1;
    }
    if (edgeDrag_ != 0) {
        dragStart_ = loopStart_;
        dragEnd_ = loopEnd_;
        if (!HasCapture())
            CaptureMouse();
        captured_ = true;
        return;
    }
    anchorX_ = x;
    anchorSample_ = static_cast<int32_t>(sampleAtColumn(x, columns_.samplesPerPixel));
    setSelectionAnchor(anchorSample_);
    if (!HasCapture())
        CaptureMouse();
    captured_ = true;
}

void WaveformView::mouseMove(int x, int y)
{
    if (!hasSound())
        return;
    if (captured_ && edgeDrag_ != 0) {
        // The marker follows the pointer; the loop changes on release.
        const int64_t d = std::clamp<int64_t>(sampleAtColumn(x, columns_.samplesPerPixel), 0,
                                              columns_.frameCount - 1);
        if (edgeDrag_ == 1)
            setLoop(static_cast<int32_t>(d), dragEnd_);
        else
            setLoop(dragStart_, static_cast<int32_t>(d));
    } else if (captured_) {
        const int64_t d = std::min<int64_t>(sampleAtColumn(x, columns_.samplesPerPixel), columns_.frameCount);
        if (d >= 0) {
            SelectionEffects fx;
            selection_.dragTo(static_cast<int32_t>(d), x > anchorX_, anchorSample_, fx);
            applyEffects(fx);
        }
    }
    const wxSize size = GetClientSize();
    if (x < 0 || y < 0 || x >= size.x || y >= size.y)
        return;
    const wxString tip = markTipAt(x);
    if (tip != GetToolTipText()) {
        if (tip.empty())
            UnsetToolTip();
        else
            SetToolTip(tip);
    }
    const wxString time = timeReadout(x, columns_.frameCount, sound_->sampleRate, columns_.width);
    const wxString level = levelReadout(y, size.y, columns_.channelCount);
    if (readoutHook_)
        readoutHook_(time, level);
    if (timeText_ != nullptr)
        timeText_->SetLabel(time);
    if (levelText_ != nullptr)
        levelText_->SetLabel(level);
}

void WaveformView::leftUp(bool freeMove)
{
    captured_ = false;
    if (HasCapture())
        ReleaseMouse();
    if (edgeDrag_ == 0)
        return;
    const bool startEdge = edgeDrag_ == 1;
    edgeDrag_ = 0;
    const int32_t sample = startEdge ? loopStart_ : loopEnd_;
    // The owner applies the move or puts the loop back (setLoop).
    setLoop(dragStart_, dragEnd_);
    if ((startEdge ? dragStart_ : dragEnd_) != sample && loopDragHook_)
        loopDragHook_(startEdge, sample, !freeMove);
}

void WaveformView::leftDoubleClick()
{
    if (!hasSound())
        return;
    // The second press of a double click starts no drag.
    leftUp();
    setSelectionStart(0);
    setSelectionEnd(columns_.frameCount);
}

void WaveformView::rightUp(bool shift, bool control)
{
    if (!hasSound())
        return;
    if (shift && control) {
        if (fftOptionsHook_)
            fftOptionsHook_();
        return;
    }
    if (shift || control || !fineSearchHook_)
        return;
    const int32_t rate = sound_->sampleRate;
    int32_t startMs = sampleToMs(selection_.start(), rate);
    int32_t endMs = sampleToMs(selection_.end(), rate);
    if (!fineSearchHook_(startMs, endMs))
        return;
    setSelectionStart(msToSample(startMs, rate));
    setSelectionEnd(msToSample(endMs, rate));
}

void WaveformView::onLeftDown(wxMouseEvent& event)
{
    leftDown(event.GetX());
    event.Skip();
}

void WaveformView::onLeftUp(wxMouseEvent& event)
{
    leftUp(event.ShiftDown() || event.ControlDown() || event.AltDown());
    event.Skip();
}

void WaveformView::onMotion(wxMouseEvent& event) { mouseMove(event.GetX(), event.GetY()); }

void WaveformView::onLeftDClick(wxMouseEvent& event)
{
    leftDoubleClick();
    event.Skip();
}

void WaveformView::onRightUp(wxMouseEvent& event) { rightUp(event.ShiftDown(), event.ControlDown()); }

void WaveformView::onCaptureLost(wxMouseCaptureLostEvent&)
{
    captured_ = false;
    if (edgeDrag_ != 0) {
        edgeDrag_ = 0;
        setLoop(dragStart_, dragEnd_);
    }
}

// --- play cursor ---------------------------------------------------------------------

void WaveformView::refreshColumn(int x)
{
    if (x >= 0)
        RefreshRect(wxRect(x, 0, 1, GetClientSize().y), false);
}

void WaveformView::showCursor(int64_t sample)
{
    if (!hasSound())
        return;
    if (cursorShown_)
        refreshColumn(cursorColumn_);
    cursor_ = sample;
    cursorMode_ = 0;
    cursorColumn_ = columnOfSample(sample, columns_.samplesPerPixel);
    cursorShown_ = true;
    refreshColumn(cursorColumn_);
}

void WaveformView::advanceCursor(int64_t deltaSamples, int playMode)
{
    if (!hasSound())
        return;
    if (cursorShown_)
        refreshColumn(cursorColumn_);
    cursorMode_ = playMode;
    cursor_ = advancePlayCursor(cursor_, deltaSamples, playMode, loopStart_, loopEnd_);
    cursorColumn_ = columnOfSample(shownCursorSample(cursor_, playMode, loopStart_, loopEnd_),
                                   columns_.samplesPerPixel);
    cursorShown_ = true;
    refreshColumn(cursorColumn_);
}

void WaveformView::hideCursor()
{
    if (!cursorShown_)
        return;
    cursorShown_ = false;
    refreshColumn(cursorColumn_);
}

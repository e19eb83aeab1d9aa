// Construction, start-up and the enabling helpers of the main window.

#include "app/CMainDlg.h"
#include "playback/PlaybackEngine.h"

#include "platform/ui/CBitmapButton.h"
#include "app/CSplashWnd.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/images.h"
#include "platform/ui/MessageBox.h"

#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tooltip.h>

CMainDlg::CMainDlg(bool showSplash)
    : wxFrame(nullptr, wxID_ANY, "Ringtide", wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxMINIMIZE_BOX),
      showSplash_(showSplash)
{
    panel_ = new wxPanel(this, wxID_ANY, wxPoint(0, 0), wxDefaultSize, wxTAB_TRAVERSAL);
    // The layout is given in dialog units of one pinned font, so that the
    // window looks the same whatever the desktop's default font is.
    panel_->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_SWISS).FaceName("DejaVu Sans")));
    createMenu();
    createControls();
    bindCommands();
    connectViews();
    installLoopHooks();
    attachProfileViews();
    DragAcceptFiles(true);
    OnInitDialog();
}

// The splash, a child window, goes with the main window and takes its input
// filter with it. A profile run still going is stopped before anything it
// reports to is taken down.
CMainDlg::~CMainDlg()
{
    profileState.worker.stopAndWait();
}

void CMainDlg::OnInitDialog()
{
    // 1. A system-menu item for About exists on some desktops only; on GTK
    //    Help > About is the way in (ID_SYSMENU_ABOUT is routed all the same).

    // 2. Window icons.
    SetIcons(programIcons());

    // 3. Loop type, crossfade kind, solutions.
    static_cast<wxChoice*>(control(ID_LOOP_TYPE))->SetSelection(0);
    static_cast<wxChoice*>(control(ID_CROSSFADE_KIND))->SetSelection(0);
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    solutions->SetSelection(wxNOT_FOUND);
    solutions->Disable();

    // 4. Splash window.
    if (showSplash_)
        showSplash();

    // 5. Empty document, idle playback.
    doc = SampleBuffer();
    searchEnabled = true;

    // 6. Spin ranges and positions, progress bar, crossfade slider.
    upDown(ID_MIN_LOOP_SPIN)->setRange(0, 100);
    upDown(ID_MIN_LOOP_SPIN)->setPosition(minLoopLength);
    upDown(ID_MAX_LOOP_SPIN)->setRange(0, 100);
    upDown(ID_MAX_LOOP_SPIN)->setPosition(maxLoopLength);
    upDown(ID_HARMONIC_SPIN)->setRange(1, 32);
    upDown(ID_HARMONIC_SPIN)->setPosition(1);
    upDown(ID_ENHANCE_SPIN)->setRange(-18, 18);
    upDown(ID_ENHANCE_SPIN)->setPosition(0);
    upDown(ID_OVERLAP_SPIN)->setRange(0, 90);
    upDown(ID_OVERLAP_SPIN)->setPosition(50);
    static_cast<wxChoice*>(control(ID_FFT_WINDOW))->SetSelection(4); // 2048
    auto* progress = static_cast<wxGauge*>(control(ID_PROGRESS));
    progress->SetRange(10);
    progress->SetValue(0);
    progress->Hide();
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    setCrossfadeMaximum(10000);
    slider->SetLineSize(10);
    slider->SetPageSize(100);
    slider->SetValue(0);

    // 7. Menus: only New, Open, Exit, Crossfade options and Help stay enabled.
    wxMenuBar* bar = GetMenuBar();
    for (int i = 0; i < 6; ++i)
        menus_[i] = bar->GetMenu(i);
    for (int id : {ID_SAVE, ID_SAVE_AS, ID_SEARCH, ID_AUTO_LOOP, ID_UNDO, ID_REDO, ID_SAVE_OPTIONS, ID_FFT_OPTIONS,
                   ID_INHARMONIC_EXTRACTION, ID_HARMONIC_EXTRACTION, ID_BPM_SET})
        enableMenuItem(id, false);
    for (wxMenuItem* item : menus_[2]->GetMenuItems())
        if (!item->IsSeparator())
            item->Enable(false);

    // 8. Toolbar: NEW and LOAD only; Enhance/Smooth and the crossfade slider off.
    for (wxWindow* child : panel_->GetChildren())
        if (auto* button = dynamic_cast<CBitmapButton*>(child))
            button->Enable(button->GetId() == ID_NEW || button->GetId() == ID_LOAD);
    for (int id : {ID_ENHANCE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        disableControl(id);
    undoAvailable = redoAvailable = false;

    // 9. Read-outs emptied.
    for (int id : {ID_LOOP_START_TEXT, ID_LOOP_LENGTH_TEXT, ID_DURATION_TEXT, ID_CROSSFADE_VALUE, ID_WAVE_PROPERTIES,
                   ID_FREQUENCY_TITLE, ID_PITCH_TEXT, ID_AMPLITUDE_TITLE, ID_HARMONIC_OF, ID_MOUSE_X, ID_MOUSE_Y})
        setText(id, "");

    // 10. Save options on, nothing to save, no search running.
    doc.tuneSampleRate = doc.cutAfterLoop = doc.simulateAlternate = 1;
    doc.isSaved = true;
    searching = false;

    // 11. Sound output; the program goes on without sound when it fails.
    if (!initPlaybackDevice())
        showMessage(this, PlaybackEngine::noSoundOutputText());

    // 12. Tooltips.
    setUpToolTips();
    wxToolTip::Enable(true);

    // 13. The window starts shorter than its layout, hiding the profile area.
    const wxSize full = panel_->GetSize();
    SetClientSize(full.x, full.y - profileAreaHeight_);
    SetSizeHints(GetSize(), GetSize());
}

void CMainDlg::showSplash()
{
    auto* splash = new CSplashWnd(this);
    splash->Show();
    splash->Update();
    splash_ = splash;
    // The main window is shown after this: bring the picture back in front.
    CallAfter([this] {
        if (splash_)
            splash_->Raise();
    });
}

void CMainDlg::setUpToolTips()
{
    setToolTipText(ID_MOUSE_X, "X coordinate of the mouse position");
    setToolTipText(ID_MOUSE_Y, "Y coordinate of the mouse position");
    setToolTipText(ID_LOOP_START_TEXT, "Start loop");
    setToolTipText(ID_LOOP_LENGTH_TEXT, "Loop length");
    setToolTipText(ID_DURATION_TEXT, "Total duration");
    setToolTipText(ID_WAVE_PROPERTIES, "Wave properties");
    setToolTipText(ID_PITCH_TEXT, "Pitch");
}

// ---- enabling and text helpers ------------------------------------------------

wxWindow* CMainDlg::control(int id) const
{
    return panel_->FindWindow(id);
}

CBitmapButton* CMainDlg::toolbarButton(int id) const
{
    return dynamic_cast<CBitmapButton*>(panel_->FindWindow(id));
}

CUpDownCtrl* CMainDlg::upDown(int id) const
{
    return dynamic_cast<CUpDownCtrl*>(panel_->FindWindow(id));
}

void CMainDlg::enableControl(int id)
{
    if (wxWindow* w = control(id)) {
        w->Enable(true);
        w->Refresh();
        w->Update();
    }
}

void CMainDlg::disableControl(int id)
{
    if (wxWindow* w = control(id)) {
        w->Enable(false);
        w->Refresh();
        w->Update();
    }
}

void CMainDlg::enableMenuItem(int id, bool enabled)
{
    if (GetMenuBar()->FindItem(id))
        GetMenuBar()->Enable(id, enabled);
}

bool CMainDlg::isMenuItemEnabled(int id) const
{
    return GetMenuBar()->FindItem(id) && GetMenuBar()->IsEnabled(id);
}

void CMainDlg::setText(int id, const std::string& text)
{
    wxWindow* w = control(id);
    if (!w)
        return;
    const wxString value = wxString::FromUTF8(text);
    if (auto* edit = dynamic_cast<wxTextCtrl*>(w))
        edit->ChangeValue(value);
    else if (auto* c = dynamic_cast<wxControl*>(w); c && c->GetLabelText() != value)
        c->SetLabelText(value); // "&" in a file name is text, not an access key
}

std::string CMainDlg::text(int id) const
{
    wxWindow* w = control(id);
    if (!w)
        return {};
    if (auto* edit = dynamic_cast<wxTextCtrl*>(w))
        return edit->GetValue().ToStdString(wxConvUTF8);
    if (auto* c = dynamic_cast<wxControl*>(w))
        return c->GetLabelText().ToStdString(wxConvUTF8);
    return w->GetLabel().ToStdString(wxConvUTF8);
}

void CMainDlg::setToolTipText(int id, const std::string& tip)
{
    if (wxWindow* w = control(id))
        w->SetToolTip(wxString::FromUTF8(tip.substr(0, 79)));
}

void CMainDlg::focusDefaultButton()
{
    if (wxWindow* def = control(ID_DEFAULT_BUTTON))
        def->SetFocus();
}

// The main window's menu and controls, placed in dialog units on the panel.

#include "platform/ui/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/images.h"
#include "document/format.h"
#include "views/ui/CSpectrumView.h"
#include "views/ui/CCrossfadePicture.h"
#include "views/ui/WaveformView.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace {

struct ToolbarEntry {
    int id;
    const char* bitmap;
    int xDlu;
    const char* tip;
};

const ToolbarEntry kToolbar[] = {
    {ID_NEW, "NEW", 4, "New by FFT mixing..."},
    {ID_LOAD, "LOAD", 18, "Open..."},
    {ID_SAVE, "SAVE", 32, "Save"},
    {ID_SAVE_AS, "SAVE_AS", 46, "Save as..."},
    {ID_UNDO, "UNDO", 64, "Undo"},
    {ID_REDO, "REDO", 78, "Redo"},
    {ID_VOLUME, "VOLUME", 96, "Volume..."},
    {ID_NORMALIZE, "NORMALIZE", 110, "Normalize..."},
    {ID_RESAMPLE, "RESAMPLE", 124, "Resample..."},
    {ID_PITCH, "PITCH", 138, "Pitch shift..."},
    {ID_HIPASS, "HIPASS", 152, "Clean low frequencies.. (Zero out all frequencies below the first harmonic)"},
    {ID_CUTBOOST, "CUTBOOST", 166, "Cut/Boost..."},
    {ID_TUNE, "TUNE", 180, "Tune"},
    {ID_REFINE_PITCH, "REFINE_PITCH", 194, "Manual pitch detection..."},
    {ID_PLAY, "PLAY", 212, "Play one shot"},
    {ID_PLAY_CL, "PLAY_CL", 226, "Play sample"},
    {ID_PLAY_LOOP, "PLAY_LOOP", 240, "Play loop alone"},
    {ID_PLAY_SA, "PLAY_SA", 254, "Play selected harmonic alone"},
    {ID_SEARCH, "SEARCH", 272, "Search loop"},
};

// Layout height and the top of the profile area, in dialog units.
constexpr int kLayoutHeightDlu = 393;
constexpr int kProfileAreaTopDlu = 289;

} // namespace

wxRect CMainDlg::dialogRect(int x, int y, int w, int h) const
{
    const wxPoint pos = panel_->ConvertDialogToPixels(wxPoint(x, y));
    const wxSize size = panel_->ConvertDialogToPixels(wxSize(w, h));
    return wxRect(pos, size);
}

void CMainDlg::createMenu()
{
    auto* file = new wxMenu;
    file->Append(ID_NEW, "New...");
    file->Append(ID_LOAD, "&Open...");
    file->Append(ID_SAVE, "&Save");
    file->Append(ID_SAVE_AS, "Save &As...");
    file->AppendSeparator();
    file->Append(ID_EXIT, "E&xit");

    auto* operations = new wxMenu;
    operations->Append(ID_SEARCH, "&Search loop");
    operations->Append(ID_AUTO_LOOP, "&Auto loop");
    operations->AppendSeparator();
    operations->Append(ID_KEEP_LOOP, "&Keep loop in the file");
    operations->Append(ID_REMOVE_LOOP, "Re&move the file's loop at the cursor");
    operations->Append(ID_PLACE_CUE, "Place a &cue at the selection");
    operations->AppendSeparator();
    operations->Append(ID_UNDO, "&Undo");
    operations->Append(ID_REDO, "&Redo");

    auto* audio = new wxMenu;
    audio->Append(ID_REFINE_PITCH, "&Manual pitch detection...");
    audio->Append(ID_CUTBOOST, "&Cut/Boost...");
    audio->Append(ID_ENHANCE, "&Enhance/Smooth");
    audio->Append(ID_HIPASS, "Clean low &frequencies");
    audio->Append(ID_VOLUME, "&Volume...");
    audio->Append(ID_NORMALIZE, "&Normalize...");
    audio->Append(ID_RESAMPLE, "&Resample...");
    audio->Append(ID_PITCH, "&Pitch shift...");
    audio->AppendSeparator();
    audio->Append(ID_CHANGE_RATE, "Change &sample rate...");

    auto* extraction = new wxMenu;
    extraction->Append(ID_INHARMONIC_EXTRACTION, "&Inharmonic extraction...");
    extraction->Append(ID_HARMONIC_EXTRACTION, "&Harmonic extraction...");

    auto* bpm = new wxMenu;
    bpm->Append(ID_BPM_SET, "&Set...");

    auto* options = new wxMenu;
    options->Append(ID_CROSSFADE_OPTIONS, "&Crossfade options...");
    options->Append(ID_SAVE_OPTIONS, "&Save options...");
    options->Append(ID_FFT_OPTIONS, "&FFT options...");

    auto* help = new wxMenu;
    help->Append(ID_HELP_MANUAL, "Ringtide's &Manual...");
    help->AppendSeparator();
    help->Append(ID_ABOUT, "&About Ringtide...");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(operations, "&Operations");
    bar->Append(audio, "&Audio functions");
    bar->Append(extraction, "Harm./Inharm. &extraction");
    bar->Append(bpm, "Loop &BPM machine");
    bar->Append(options, "O&ptions");
    bar->Append(help, "&Help");
    SetMenuBar(bar);
}

void CMainDlg::createToolbar()
{
    static const char* const kSuffix[4] = {"U", "D", "F", "X"};
    for (const ToolbarEntry& entry : kToolbar) {
        const bool wide = entry.id == ID_SEARCH;
        const wxSize size(wide ? 43 : 21, 21);
        wxBitmapBundle images[4];
        for (int i = 0; i < 4; ++i)
            images[i] = svgBundle(std::string("toolbar/") + entry.bitmap + kSuffix[i] + ".svg", size);
        const wxRect cell = dialogRect(entry.xDlu, 0, wide ? 28 : 13, 13);
        // Each button is its bitmap's size, centred in its cell of the layout.
        const wxPoint at(cell.x + (cell.width - size.x) / 2, cell.y + std::max(1, (cell.height - size.y) / 2));
        auto* button = new CBitmapButton(panel_, entry.id, at, images, size);
        button->SetName(entry.bitmap);
        button->SetToolTip(entry.tip);
    }
}

void CMainDlg::createControls()
{
    auto place = [this](wxWindow* w, int x, int y, int width, int height) {
        w->SetSize(dialogRect(x, y, width, height));
        return w;
    };
    // GTK draws some controls no smaller than their natural height: such a
    // control keeps its row's centre and grows to that height.
    auto placeAtLeast = [this](wxWindow* w, int x, int y, int width, int height) {
        wxRect r = dialogRect(x, y, width, height);
        const int natural = w->GetBestSize().y;
        if (natural > r.height) {
            r.y -= (natural - r.height) / 2;
            r.height = natural;
        }
        w->SetSize(r);
        return w;
    };
    auto label = [&](const char* text, int x, int y, int w, int id = wxID_ANY, long style = 0) {
        auto* t = new wxStaticText(panel_, id, text, wxDefaultPosition, wxDefaultSize, wxST_NO_AUTORESIZE | style);
        place(t, x, y, w, 8);
        return t;
    };
    auto readout = [&](int id, int x, int y, int w) {
        auto* t = new wxStaticText(panel_, id, "", wxDefaultPosition, wxDefaultSize,
                                   wxST_NO_AUTORESIZE | wxBORDER_SUNKEN);
        place(t, x, y, w, 10);
        return t;
    };
    // An edit with its up-down control inside the right end of its rectangle,
    // as an auto-buddy spin sits beside a shortened edit.
    auto spinEdit = [&](int editId, int spinId, int x, int y, int w, int h, int lo, int hi, int start) {
        constexpr int kSpinDlu = 8;
        auto* edit = new wxTextCtrl(panel_, editId, "", wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
        place(edit, x, y, w - kSpinDlu, h);
        auto* spin = new CUpDownCtrl(panel_, spinId, wxDefaultPosition, wxDefaultSize);
        place(spin, x + w - kSpinDlu, y, kSpinDlu, h);
        spin->setBuddy(edit);
        spin->setRange(lo, hi);
        spin->setPosition(start);
        return spin;
    };
    auto choice = [&](int id, int x, int y, int w, std::initializer_list<const char*> entries) {
        auto* c = new wxChoice(panel_, id);
        for (const char* e : entries)
            c->Append(e);
        placeAtLeast(c, x, y, w, 12);
        return c;
    };
    auto display = [&](int id, int x, int y, int w, int h) {
        // Placeholder until the real self-painted display is attached (replaceView).
        auto* view = new wxPanel(panel_, id, wxDefaultPosition, wxDefaultSize, wxBORDER_SUNKEN);
        view->SetBackgroundColour(*wxWHITE);
        place(view, x, y, w, h);
        return view;
    };

    createToolbar();

    // Default push button that takes the focus after a toolbar click: kept
    // shown (a hidden window cannot hold the focus on GTK) but outside the
    // visible area.
    auto* def = new wxButton(panel_, ID_DEFAULT_BUTTON, "", wxPoint(-200, -200), wxSize(60, 40));
    def->SetDefault();

    // Loop-length row.
    label("Min loop length:", 7, 25, 60);
    spinEdit(ID_MIN_LOOP_EDIT, ID_MIN_LOOP_SPIN, 68, 23, 35, 12, 0, 100, 50);
    label("%", 105, 25, 10);
    label("Max loop length:", 125, 25, 60);
    spinEdit(ID_MAX_LOOP_EDIT, ID_MAX_LOOP_SPIN, 186, 23, 35, 12, 0, 100, 100);
    label("%", 223, 25, 10);
    label("Loop type:", 246, 25, 35);
    choice(ID_LOOP_TYPE, 281, 23, 63, {"Loop forward", "Loop alternate"});

    // Crossfade-kind row.
    label("Kind of crossfade:", 7, 42, 60);
    choice(ID_CROSSFADE_KIND, 68, 40, 154, {"Linear", "Exponential", "Inverse exponential"});
    crossfadePicture_ = new CCrossfadePicture(panel_, ID_CROSSFADE_PICTURE);
    place(crossfadePicture_, 225, 42, 12, 9);
    label("MIDI note:", 245, 42, 36);
    auto* notes = choice(ID_MIDI_NOTE, 281, 39, 63, {});
    for (int n = 0; n < 128; ++n)
        notes->Append(midiNoteName(n));

    // Crossfade-length row.
    label("Crossfade length:", 7, 59, 54, ID_CROSSFADE_LABEL);
    placeAtLeast(new wxSlider(panel_, ID_CROSSFADE_SLIDER, 0, 0, 10000), 61, 58, 164, 11);
    label("", 227, 59, 40, ID_CROSSFADE_VALUE);
    choice(ID_SOLUTIONS, 281, 55, 63, {});

    waveformView_ = new WaveformView(panel_, ID_WAVEFORM_VIEW);
    place(waveformView_, 3, 74, 341, 103);

    // Harmonic row.
    place(new wxButton(panel_, ID_SHOW_PROFILES, "Show profiles >>"), 4, 177, 69, 13);
    label("Select harmonic:", 74, 180, 56);
    spinEdit(ID_HARMONIC_EDIT, ID_HARMONIC_SPIN, 130, 178, 24, 12, 1, 32, 1);
    place(new wxButton(panel_, ID_ENHANCE, "Enhance/Smooth"), 164, 178, 70, 13);
    label("", 235, 180, 66, ID_HARMONIC_OF, wxALIGN_RIGHT);
    spinEdit(ID_ENHANCE_EDIT, ID_ENHANCE_SPIN, 302, 178, 28, 13, -18, 18, 0);
    label(" dB", 331, 180, 13);

    spectrumView_ = new CSpectrumView(panel_, ID_SPECTRUM_VIEW);
    place(spectrumView_, 3, 192, 341, 51);

    // Read-outs.
    readout(ID_PITCH_TEXT, 4, 245, 45);
    readout(ID_LOOP_START_TEXT, 49, 245, 54);
    readout(ID_LOOP_LENGTH_TEXT, 103, 245, 54);
    readout(ID_WAVE_PROPERTIES, 261, 245, 83);
    readout(ID_MOUSE_X, 4, 255, 45);
    readout(ID_MOUSE_Y, 49, 255, 54);
    readout(ID_DURATION_TEXT, 103, 255, 54);
    place(new wxButton(panel_, ID_EXIT, "Exit"), 261, 255, 83, 13);

    place(new wxGauge(panel_, ID_PROGRESS, 10), 4, 269, 338, 12);

    createDevelopmentControls();

    // Profile area, hidden below the window's bottom edge until shown.
    place(new wxButton(panel_, ID_RECALCULATE, "Recalculate"), 4, 292, 43, 10);
    label("", 49, 292, 210, ID_FREQUENCY_TITLE);
    label("FFT window:", 263, 292, 43);
    auto* fftWindow = choice(ID_FFT_WINDOW, 307, 289, 38, {"128", "256", "512", "1024", "2048", "4096", "8192", "16384"});
    // Grown downwards only: nothing of the profile area may show above it.
    fftWindow->Move(fftWindow->GetPosition().x, dialogRect(0, kProfileAreaTopDlu, 0, 0).y);
    display(ID_FREQUENCY_PROFILE, 3, 302, 341, 37);
    readout(ID_PROFILE_READOUT, 4, 340, 45);
    label("", 49, 341, 210, ID_AMPLITUDE_TITLE);
    label("Overlap:", 274, 341, 32);
    spinEdit(ID_OVERLAP_EDIT, ID_OVERLAP_SPIN, 307, 339, 26, 12, 0, 90, 50);
    label("%", 335, 341, 8);
    display(ID_AMPLITUDE_PROFILE, 3, 351, 341, 37);
    createJunctionArea();

    const wxSize full = panel_->ConvertDialogToPixels(wxSize(347, kLayoutHeightDlu));
    panel_->SetSize(full);
    profileAreaHeight_ = full.y - panel_->ConvertDialogToPixels(wxSize(0, kProfileAreaTopDlu)).y;
}

void CMainDlg::createDevelopmentControls()
{
    auto place = [this](wxWindow* w, int x, int width) {
        wxRect r = dialogRect(x, 281, width, 8);
        const int natural = w->GetBestSize().y;
        if (natural > r.height) {
            r.y -= (natural - r.height) / 2;
            r.height = natural;
        }
        w->SetSize(r);
        w->Hide();
    };
    place(new wxButton(panel_, ID_DEV_RS, "RS", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT), 4, 14);
    place(new wxButton(panel_, ID_DEV_TRAK, "Trak", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT), 19, 14);
    place(new wxButton(panel_, ID_DEV_CH, "Ch", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT), 34, 11);
    place(new wxButton(panel_, ID_DEV_SL, "Sl", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT), 46, 11);
    place(new wxCheckBox(panel_, ID_INVERT_CHIFF, "Invert chiff"), 58, 47);
    place(new wxCheckBox(panel_, ID_EXPORT_TXT, "Export txt files"), 106, 64);
    place(new wxCheckBox(panel_, ID_TUNE_CICLIC31, "Tune Ciclic31"), 200, 60);
}

void CMainDlg::replaceView(int id, wxWindow* view)
{
    wxWindow* old = panel_->FindWindow(id);
    if (!view || view == old)
        return;
    if (old) {
        view->SetSize(old->GetRect());
        old->Destroy();
    }
    view->SetId(id);
}

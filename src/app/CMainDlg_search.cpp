// The Search command: one worker thread per run, its reports turned into
// updates of the solutions list and the progress bar on the window's thread,
// and the end of a run (list restored after a stop, "No loop", first entry
// selected, commands unlocked, beep). Auto loop runs the same way: the
// automatic loop of the whole sound, which ends with the range it looked in
// selected and its best loop as the first solution.

#include "platform/ui/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "loop/auto_loop.h"
#include "loop/loop_search.h"
#include "loop/solution_table.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "views/ui/WaveformView.h"

#include <wx/menu.h>
#include <wx/choice.h>
#include <wx/gauge.h>

#include <algorithm>
#include <atomic>
#include <thread>

// Everything one run owns. The worker reads only `sound` and `request` and
// writes only `table` and `result`; the window's thread reads those two after
// joining the thread. The sound is the worker's own copy of what the search
// reads, so that nothing the window does meanwhile (a dropped file, a closing
// window releasing the document) can pull the samples from under it.
class CMainDlg::SearchRun {
public:
    SearchRun() : serial(++lastSerial) {}
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;
    // A run that is still going when its window is destroyed is stopped and
    // waited for: the search sees the flag within 100 ms.
    ~SearchRun()
    {
        stop = true;
        join();
    }
    void join()
    {
        if (thread.joinable())
            thread.join();
    }

    const unsigned serial;
    std::atomic<bool> stop{false};
    std::thread thread;
    SampleBuffer sound;
    LoopSearchRequest request;
    bool automatic = false; // Auto loop: `range` is what it looked in
    AutoLoopRequest range;
    SolutionTable table;
    LoopSearchResult result;

private:
    static inline unsigned lastSerial = 0;
};

bool CMainDlg::searchStopRequested() const
{
    return searchRun_ && searchRun_->stop.load();
}

void CMainDlg::onSearch()
{
    focusDefaultButton();
    if (searching) {
        // Stop: the worker ends by itself at its next look at the flag.
        if (searchRun_)
            searchRun_->stop = true;
        if (CBitmapButton* button = toolbarButton(ID_SEARCH))
            button->setPressed(false);
        enableMenuItem(ID_SEARCH, false);
        disableControl(ID_SEARCH);
        return;
    }

    if (!exchangeLoopLengths())
        return;
    LoopSearchRequest request;
    request.selectionStart = waveform()->selectionStart();
    request.selectionEnd = waveform()->selectionEnd();
    request.minPercent = minLoopLength;
    request.maxPercent = maxLoopLength;
    const int type = static_cast<wxChoice*>(control(ID_LOOP_TYPE))->GetSelection();
    request.loopType = type == 1 ? LoopType::Alternate : LoopType::Forward;
    if (const auto problem = checkLoopSearchRequest(doc, request)) {
        showMessage(this, *problem);
        return;
    }
    startSearchRun(request, false);
}

void CMainDlg::onAutoLoop()
{
    focusDefaultButton();
    LoopSearchRequest whole;
    whole.selectionEnd = doc.sampleCount;
    if (searching)
        return;
    if (const auto problem = checkLoopSearchRequest(doc, whole)) {
        showMessage(this, *problem);
        return;
    }
    startSearchRun(whole, true);
}

void CMainDlg::startSearchRun(const LoopSearchRequest& request, bool automatic)
{
    searching = true;
    // Auto loop may still be refused in the worker (a sustain too short for
    // a loop): its snapshot is taken when it hands back its loops.
    if (automatic)
        stopPlayback();
    else
        pushUndo();
    discardTracker();
    lockCommands(ID_SEARCH);

    auto run = std::make_shared<SearchRun>();
    run->request = request;
    run->automatic = automatic;
    run->table = doc.loops;
    run->sound.sampleCount = doc.sampleCount;
    run->sound.sampleRate = doc.sampleRate;
    run->sound.channels = doc.channels;
    run->sound.bitsPerSample = doc.bitsPerSample;
    run->sound.blockAlign = doc.blockAlign;
    run->sound.samples[0] = doc.samples[0];
    run->sound.samples[1] = doc.samples[1];
    run->sound.channelPitch[0] = doc.channelPitch[0];
    run->sound.channelPitch[1] = doc.channelPitch[1];
    run->sound.pitchHz = doc.pitchHz;

    // The list fills again from the run's improvements; its old entries come
    // back if the run is stopped.
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    solutions->Clear();
    solutions->Disable();

    // The Search command is the run's Stop (Auto loop starts without a selection).
    enableMenuItem(ID_SEARCH, true);
    enableControl(ID_SEARCH);
    if (CBitmapButton* button = toolbarButton(ID_SEARCH))
        button->setPressed(true);
    setToolTipText(ID_SEARCH, "Stop searching");
    GetMenuBar()->SetLabel(ID_SEARCH, "&Stop searching");

    // The reports reach the window through its own event queue (CallAfter is
    // safe from any thread). Queued events die with the window, and the window
    // joins the worker before it goes, so no report can outlive it.
    const unsigned serial = run->serial;
    SearchRun* worker = run.get();
    searchRun_ = run;
    worker->thread = std::thread([this, worker, serial] {
        LoopSearchCallbacks callbacks;
        callbacks.progress = [this, serial](int32_t position, int32_t range) {
            CallAfter([this, serial, position, range] { showSearchProgress(serial, position, range); });
        };
        callbacks.improvement = [this, serial](const LoopImprovement& improvement) {
            const int count = improvement.solutionCount;
            CallAfter([this, serial, count] { appendSolutionLabel(serial, count); });
        };
        if (worker->automatic) {
            AutoLoopCallbacks autoCallbacks;
            autoCallbacks.progress = callbacks.progress;
            const AutoLoopRun found = autoLoopSound(worker->sound, worker->stop, autoCallbacks);
            worker->range = found.range;
            worker->result.outcome = found.result.outcome;
            worker->result.message = found.result.message;
            if (found.result.outcome == LoopSearchOutcome::Completed)
                storeAutoLoops(found.result, worker->table);
        } else {
            worker->result = runLoopSearch(worker->sound, worker->request, worker->table, worker->stop, callbacks);
        }
        CallAfter([this, serial] { finishSearch(serial); });
    });
}

void CMainDlg::showSearchProgress(unsigned serial, int32_t position, int32_t range)
{
    if (!searchRun_ || searchRun_->serial != serial)
        return;
    auto* progress = static_cast<wxGauge*>(control(ID_PROGRESS));
    const int top = std::max<int32_t>(range, 1);
    if (progress->GetRange() != top)
        progress->SetRange(top);
    progress->SetValue(std::clamp<int32_t>(position, 0, top));
    if (!progress->IsShown())
        progress->Show();
}

void CMainDlg::appendSolutionLabel(unsigned serial, int solutionCount)
{
    if (!searchRun_ || searchRun_->serial != serial)
        return;
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    const int shown = static_cast<int>(solutions->GetCount());
    if (shown < SolutionTable::kSolutions && shown < solutionCount)
        solutions->Append(wxString::FromUTF8(solutionLabel(shown)));
}

void CMainDlg::fillSolutionList(int solutionCount)
{
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    solutions->Clear();
    for (const std::string& entry : solutionListEntries(solutionCount))
        solutions->Append(wxString::FromUTF8(entry));
}

void CMainDlg::showSolutionsOfSlots()
{
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    const int filled = doc.loops.firstEmptySlot();
    if (filled == 0) {
        solutions->Clear();
        disableControl(ID_SOLUTIONS);
        return;
    }
    fillSolutionList(filled);
    enableControl(ID_SOLUTIONS);
    if (doc.loops.currentSolution >= 0 && doc.loops.currentSolution <= filled)
        solutions->SetSelection(doc.loops.currentSolution);
}

void CMainDlg::finishSearch(unsigned serial)
{
    if (!searchRun_ || searchRun_->serial != serial)
        return;
    // Keep the run alive here: the worker may still be between its last
    // report and its return.
    const std::shared_ptr<SearchRun> run = std::move(searchRun_);
    run->join();
    const LoopSearchResult& result = run->result;

    if (closing_) {
        searching = false;
        return;
    }

    // Progress bar back to rest.
    auto* progress = static_cast<wxGauge*>(control(ID_PROGRESS));
    progress->SetValue(0);
    progress->Hide();

    // The table comes back to the window: this run's solutions, or the old
    // ones as they were after a stop; then "No loop" and entry 0. Loop points belong to the samples they were found in: should another
    // sound have come in meanwhile (a file dropped on the window), its own
    // loops stay and the run counts as stopped.
    const bool sameSound = doc.sampleCount == run->sound.sampleCount && doc.channels == run->sound.channels &&
                           doc.samples[0] == run->sound.samples[0] && doc.samples[1] == run->sound.samples[1];
    if (run->automatic && result.outcome == LoopSearchOutcome::Completed && sameSound)
        pushUndo();
    if (result.outcome != LoopSearchOutcome::Refused && sameSound)
        doc.loops = run->table;
    doc.loops.currentSolution = 0;
    const bool completed = result.outcome == LoopSearchOutcome::Completed && sameSound;
    if (run->automatic && completed)
        showAutoLoopRange(run->range.from, run->range.to);
    const bool savedBefore = doc.isSaved;
    fillSolutionList(doc.loops.firstEmptySlot());
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    solutions->Enable();
    solutions->SetSelection(0);
    onSolutionSelected();

    // Before the unlock, which enables Save from it: choosing entry 0 marks
    // the sound modified, but a run that did not complete leaves the
    // document as it was.
    doc.isSaved = completed ? false : savedBefore;

    // Search stays off until the selection or a parameter changes.
    searchEnabled = false;
    waveform()->setSearchEnabled(false);
    unlockCommands();
    if (CBitmapButton* button = toolbarButton(ID_SEARCH))
        button->setPressed(false);
    setToolTipText(ID_SEARCH, "Search loop");
    GetMenuBar()->SetLabel(ID_SEARCH, "&Search loop");
    enableMenuItem(ID_SEARCH, false);
    disableControl(ID_SEARCH);

    searching = false;
    if (result.outcome == LoopSearchOutcome::Refused && !result.message.text.empty())
        showMessage(this, result.message);
    defaultBeep();
}

void CMainDlg::showAutoLoopRange(int32_t from, int32_t to)
{
    // The automatic loops are forward loops.
    static_cast<wxChoice*>(control(ID_LOOP_TYPE))->SetSelection(0);
    doc.loopForward = true;
    waveform()->setLoopForward(true);
    waveform()->setSelectionStart(from);
    waveform()->setSelectionEnd(to);
}

void CMainDlg::stopSearchAndWait()
{
    if (!searchRun_)
        return;
    searchRun_->stop = true;
    finishSearch(searchRun_->serial);
}

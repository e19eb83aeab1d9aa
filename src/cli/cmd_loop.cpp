// ringtide-cli loop: search, crossfade and save a batch of files, each as the
// window's Save would write it.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "document/save_document.h"
#include "document/wav_writer.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct LoopJob {
    std::string input;
    std::string output;
    std::string error; // why the file failed; empty on success (set early when the output is refused)
};

// A file's identity: the device and inode stat() finds, links followed, so
// two names of one file (hard or symbolic links, "./x.wav" and "x.wav")
// compare equal.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const FileId& o) const { return device != o.device ? device < o.device : inode < o.inode; }
};

bool statOf(const std::string& path, struct stat& st)
{
    return ::stat(path.c_str(), &st) == 0;
}

std::string fileNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Loops one file; returns its JSON line and sets job.error on failure.
std::string loopOne(LoopJob& job, const CliOptions& options, int searchThreads)
{
    JsonWriter json;
    json.beginObject().field("file", job.input);
    auto failWith = [&](const std::string& why) {
        job.error = why;
        json.field("error", why).endObject();
        return json.text();
    };

    if (!job.error.empty())
        return failWith(job.error);

    SampleBuffer doc;
    const LoadedSound load = loadLikeWindow(doc, job.input);
    if (!load.loaded)
        return failWith(load.error);
    std::vector<std::string> warnings = load.warnings;

    const SearchRun run = searchLikeWindow(doc, options, searchThreads);
    if (run.autoSelected && !run.sustain.warning.empty())
        warnings.push_back(run.sustain.warning);
    if (!run.ok())
        return failWith(run.error);
    if (run.solutions.empty())
        return failWith("The search found no loop within the limits.");
    if (options.solution > static_cast<int>(run.solutions.size()))
        return failWith("Solution " + std::to_string(options.solution) + " was asked for but the search found " +
                        std::to_string(run.solutions.size()) + ".");

    const int slot = options.solution - 1;
    doc.loops.currentSolution = static_cast<int16_t>(slot);
    const SolutionEntry& chosen = run.solutions[static_cast<size_t>(slot)];

    // The slider cannot pass the loop's room; the CLI shortens likewise.
    const int32_t limitMs = crossfadeLimitMs(doc, chosen.start, chosen.end, doc.loopForward);
    int32_t crossfadeMs = options.crossfadeMs;
    if (crossfadeMs > limitMs) {
        warnings.push_back("Crossfade shortened from " + std::to_string(crossfadeMs) + " ms to " +
                           std::to_string(limitMs) + " ms, the room this loop leaves.");
        crossfadeMs = limitMs;
    }

    if (options.note >= 0)
        doc.midiNote = static_cast<int16_t>(options.note);
    doc.tuneSampleRate = options.tune ? 1 : 0;
    doc.cutAfterLoop = options.cut ? 1 : 0;
    doc.simulateAlternate = options.unroll ? 1 : 0;

    SaveSettings settings;
    settings.crossfade.kind = options.crossfadeKind;
    settings.crossfade.passes = options.passes;
    settings.crossfade.lengthSamples = crossfadeLengthSamples(crossfadeMs, doc.sampleRate);

    const bool unrolled = chooseWaveWriter(doc) == WaveWriterKind::Unrolled;
    const int32_t analysedRate = doc.sampleRate; // the rate the pitch was measured at
    setFileIdentity(doc, job.output);
    const SaveOutcome saved = saveDocument(doc, settings);
    if (!saved.saved)
        return failWith("The file " + fullPath(job.output) + " could not be saved" +
                        (saved.messages.empty() ? std::string(".") : ": " + saved.messages.front().text));
    // Loops and cue points the cut or the unrolling left out.
    for (const UserMessage& m : saved.messages)
        warnings.push_back(m.text);

    // The check of the loop in the saved sound (crossfade committed), at the
    // rate its pitch in Hz belongs to: retuning changes the rate, not the
    // period in frames.
    const int32_t writtenRate = doc.sampleRate;
    doc.sampleRate = analysedRate;
    const LoopCheck check = checkLoop(doc, chosen.start, chosen.end, doc.loopForward);
    doc.sampleRate = writtenRate;

    // The loop as the file holds it: an unrolled alternate loop runs forward
    // from s + 1 to 2e - s.
    const int32_t fileLoopEnd = unrolled ? 2 * chosen.end - chosen.start : chosen.end;
    const bool fileForward = doc.loopForward || doc.simulateAlternate;
    json.field("out", job.output)
        .field("solution", int32_t(options.solution))
        .field("loop_start", chosen.start)
        .field("loop_end", fileLoopEnd)
        .field("loop_type", fileForward ? "forward" : "alternate")
        .field("score", chosen.score)
        .field("rate", doc.sampleRate)
        .field("pitch_hz", doc.pitchHz)
        .field("midi_note", int32_t(doc.midiNote))
        .field("crossfade_ms", crossfadeMs)
        .field("select", run.autoSelected ? "auto" : "given")
        .field("select_start", run.selectionStart)
        .field("select_end", run.selectionEnd);
    if (run.autoSelected)
        json.field("select_reason", run.sustain.reason);
    json.key("check").beginObject();
    writeLoopCheck(json, check);
    json.endObject();
    writeLoadWarnings(json, load.damage, warnings);
    json.endObject();
    return json.text();
}

// Marks the jobs whose output must not be written: one that exists and is
// not a regular file (a device such as /dev/full, a folder, a pipe: the
// temporary-and-rename write would replace the node itself), and one that is
// an input of the batch. Replacing a file's own input is allowed with
// --in-place (the input is read whole before its output is written);
// replacing another job's input never is (also when one file is given under
// two names), since that job may not have read it yet.
void refuseUnsafeOutputs(const CliOptions& options, std::vector<LoopJob>& jobs)
{
    struct Readers {
        size_t first = 0; // the first job that reads the file
        size_t count = 0; // jobs that read it (one file given under two names)
    };
    std::map<FileId, Readers> inputs;
    for (size_t i = 0; i < jobs.size(); ++i) {
        struct stat st;
        if (!statOf(jobs[i].input, st))
            continue;
        Readers& r = inputs.emplace(FileId{st.st_dev, st.st_ino}, Readers{i, 0}).first->second;
        ++r.count;
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        LoopJob& job = jobs[i];
        struct stat st;
        if (!statOf(job.output, st))
            continue; // a new file (or one the save will report it cannot create)
        const std::string out = fullPath(job.output);
        if (!S_ISREG(st.st_mode)) {
            job.error = out + " exists and is not a regular file: nothing was written to it";
            continue;
        }
        const auto same = inputs.find(FileId{st.st_dev, st.st_ino});
        if (same == inputs.end())
            continue;
        const std::string in = fullPath(jobs[same->second.first].input);
        struct stat own;
        const bool ownInput = statOf(job.input, own) && own.st_dev == st.st_dev && own.st_ino == st.st_ino;
        if (!ownInput || same->second.count > 1)
            job.error = out + " is the input " + in + " of another file of this batch: it was not replaced";
        else if (!options.inPlace)
            job.error = out + " is the input " + in + " itself: it was not replaced (--in-place allows it)";
    }
}

// Works out each input's output path. False (with a reason) for a command line
// that cannot work: several inputs and OUT an existing file, or two inputs
// that would be saved under one name.
bool planOutputs(const CliOptions& options, std::vector<LoopJob>& jobs, std::string& error, bool& folderFailed)
{
    std::error_code ec;
    // A trailing '/' names a folder even for one input.
    const bool outIsFolder = fs::is_directory(options.output, ec);
    const bool single = options.files.size() == 1 && options.output.back() != '/';
    if (!single && !outIsFolder) {
        if (fs::exists(options.output, ec)) {
            error = "-o " + fullPath(options.output) + " is a file, but a folder is needed (several inputs, or a trailing /)";
            return false;
        }
        if (!fs::create_directories(options.output, ec) && ec) {
            error = "the folder " + fullPath(options.output) + " could not be created: " + ec.message();
            folderFailed = true;
            return false;
        }
    }
    std::string folder = options.output;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';

    std::map<std::string, std::string> taken;
    for (const std::string& input : options.files) {
        LoopJob job;
        job.input = input;
        job.output = (single && !outIsFolder) ? options.output : folder + fileNameOf(input);
        const std::string canonical = fs::weakly_canonical(job.output, ec).string();
        const std::string& key = ec ? job.output : canonical;
        const auto [it, fresh] = taken.emplace(key, input);
        if (!fresh) {
            error = fullPath(input) + " and " + fullPath(it->second) + " would both be saved as " + fullPath(job.output);
            return false;
        }
        jobs.push_back(std::move(job));
    }
    refuseUnsafeOutputs(options, jobs);
    return true;
}

} // namespace

int runLoop(const CliOptions& options)
{
    std::vector<LoopJob> jobs;
    std::string planError;
    bool folderFailed = false;
    if (!planOutputs(options, jobs, planError, folderFailed)) {
        std::fprintf(stderr, "ringtide-cli: %s\n", planError.c_str());
        return folderFailed ? 1 : 2;
    }

    const size_t count = jobs.size();
    const int workers = batchWorkers(count, options.jobs);
    // One file alone gets every core for its search; a batch runs one file
    // per core instead, which keeps every core busy without oversubscribing.
    const int searchThreads = workers == 1 ? options.jobs : 1;
    OrderedPrinter printer(count, stdout, stderrIsTerminal());
    runBatch(count, workers, [&](size_t i) {
        std::string line = loopOne(jobs[i], options, searchThreads);
        printer.finish(i, std::move(line), jobs[i].input);
    });
    printer.close();

    size_t failed = 0;
    for (const LoopJob& job : jobs)
        failed += job.error.empty() ? 0 : 1;
    if (failed == 0) {
        std::fprintf(stderr, "ringtide-cli: %zu of %zu file%s looped\n", count, count, count == 1 ? "" : "s");
        return 0;
    }
    std::fprintf(stderr, "ringtide-cli: %zu of %zu file%s looped; %zu failed:\n", count - failed, count,
                 count == 1 ? "" : "s", failed);
    for (const LoopJob& job : jobs)
        if (!job.error.empty())
            std::fprintf(stderr, "  %s: %s\n", fullPath(job.input).c_str(), job.error.c_str());
    return 1;
}

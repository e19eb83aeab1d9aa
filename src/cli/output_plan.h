#pragma once
// Where the outputs of a batch that writes files (loop, convert) go, and
// which of them must not be written.
//
// OUT is the output file for one input, or a folder for several (or for one
// given with a trailing '/'); a missing folder is created. An output is
// refused when it exists and is not a regular file (a device, a folder, a
// pipe: the temporary-and-rename write would replace the node itself), and
// when it is an input of the batch: its own input only with --in-place (that
// input is read whole before its output replaces it), another job's input
// never (that job may not have read it yet), also when one file is given
// under two names or reached through links.

#include "cli/cli_args.h"
#include "cli/json.h"

#include <functional>
#include <string>
#include <vector>

struct FileJob {
    std::string input;
    std::string output;
    std::string error; // why the file failed; empty on success (set early when the output is refused)
};

// One job's JSON line, opened with {"file": input}. fail(why) records the
// job's error, closes the line with it and returns the text.
class JobLine {
public:
    explicit JobLine(FileJob& job) : job_(job) { json.beginObject().field("file", job.input); }
    std::string fail(const std::string& why)
    {
        job_.error = why;
        json.field("error", why).endObject();
        return json.text();
    }
    JsonWriter json;

private:
    FileJob& job_;
};

enum class PlanStatus {
    Ok,
    BadCommandLine, // several inputs and OUT a file, or two inputs saved under one name (exit 2)
    FolderFailed,   // the output folder could not be created (exit 1)
};

// One job per input, in order; refused outputs carry their error already.
PlanStatus planOutputs(const CliOptions& options, std::vector<FileJob>& jobs, std::string& error);

// The summary on standard error ("3 of 4 files looped; 1 failed:" and one
// line per failure naming the full path) and the exit status: 0 when every
// job succeeded, else 1. `done` is the verb: "looped", "converted".
int reportJobs(const std::vector<FileJob>& jobs, const char* done);

// A whole writing command: plans the outputs (exit 2, or 1 for a folder that
// could not be made, on a refusal), runs one(job, threadsPerFile) for every
// job on batchWorkers(files, -j) workers, prints each job's line in input
// order, then the summary. threadsPerFile is -j for a single file and 1 in a
// batch (one file per core). The exit status.
int runFileJobs(const CliOptions& options, const char* done,
                const std::function<std::string(FileJob& job, int threadsPerFile)>& one);

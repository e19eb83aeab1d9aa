#include "cli/output_plan.h"

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

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

void refuseUnsafeOutputs(const CliOptions& options, std::vector<FileJob>& jobs)
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
        FileJob& job = jobs[i];
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

} // namespace

PlanStatus planOutputs(const CliOptions& options, std::vector<FileJob>& jobs, std::string& error)
{
    std::error_code ec;
    // A trailing '/' names a folder even for one input.
    const bool outIsFolder = fs::is_directory(options.output, ec);
    const bool single = options.files.size() == 1 && options.output.back() != '/';
    if (!single && !outIsFolder) {
        if (fs::exists(options.output, ec)) {
            error = "-o " + fullPath(options.output) + " is a file, but a folder is needed (several inputs, or a trailing /)";
            return PlanStatus::BadCommandLine;
        }
        if (!fs::create_directories(options.output, ec) && ec) {
            error = "the folder " + fullPath(options.output) + " could not be created: " + ec.message();
            return PlanStatus::FolderFailed;
        }
    }
    std::string folder = options.output;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';

    std::map<std::string, std::string> taken;
    jobs.reserve(options.files.size());
    for (const std::string& input : options.files) {
        FileJob job;
        job.input = input;
        job.output = (single && !outIsFolder) ? options.output : folder + fileNameOf(input);
        const std::string canonical = fs::weakly_canonical(job.output, ec).string();
        const std::string& key = ec ? job.output : canonical;
        const auto [it, fresh] = taken.emplace(key, input);
        if (!fresh) {
            error = fullPath(input) + " and " + fullPath(it->second) + " would both be saved as " + fullPath(job.output);
            return PlanStatus::BadCommandLine;
        }
        jobs.push_back(std::move(job));
    }
    refuseUnsafeOutputs(options, jobs);
    return PlanStatus::Ok;
}

int reportJobs(const std::vector<FileJob>& jobs, const char* done)
{
    const size_t count = jobs.size();
    size_t failed = 0;
    for (const FileJob& job : jobs)
        failed += job.error.empty() ? 0 : 1;
    const char* plural = count == 1 ? "" : "s";
    if (failed == 0) {
        std::fprintf(stderr, "ringtide-cli: %zu of %zu file%s %s\n", count, count, plural, done);
        return 0;
    }
    std::fprintf(stderr, "ringtide-cli: %zu of %zu file%s %s; %zu failed:\n", count - failed, count, plural, done,
                 failed);
    for (const FileJob& job : jobs)
        if (!job.error.empty())
            std::fprintf(stderr, "  %s: %s\n", fullPath(job.input).c_str(), job.error.c_str());
    return 1;
}

int runFileJobs(const CliOptions& options, const char* done,
                const std::function<std::string(FileJob& job, int threadsPerFile)>& one)
{
    std::vector<FileJob> jobs;
    std::string planError;
    const PlanStatus plan = planOutputs(options, jobs, planError);
    if (plan != PlanStatus::Ok) {
        std::fprintf(stderr, "ringtide-cli: %s\n", planError.c_str());
        return plan == PlanStatus::FolderFailed ? 1 : 2;
    }
    const size_t count = jobs.size();
    const int workers = batchWorkers(count, options.jobs);
    const int threadsPerFile = workers == 1 ? options.jobs : 1;
    OrderedPrinter printer(count, stdout, stderrIsTerminal());
    runBatch(count, workers, [&](size_t i) {
        std::string line = one(jobs[i], threadsPerFile);
        printer.finish(i, std::move(line), jobs[i].input);
    });
    printer.close();
    return reportJobs(jobs, done);
}

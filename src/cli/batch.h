#pragma once
// Running one task per file on a small pool of threads, and printing each
// file's line in the order the files were given, as soon as every earlier
// file is done.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <istream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The file names of a list, one per line, appended to `paths` in order.
// Blank lines (nothing but spaces and tabs) are skipped and a line's
// trailing '\r' (a list written on Windows) is dropped; everything else is
// the name exactly, leading spaces included.
void readPathList(std::istream& in, std::vector<std::string>& paths);

// Number of worker threads for `count` files: `requested` when above 0, else
// one per core; never more than the files, never below 1.
int batchWorkers(size_t count, int requested);

// Calls task(i) once for every i in 0 .. count-1, on `workers` threads (the
// calling thread is one of them). Tasks must not throw.
void runBatch(size_t count, int workers, const std::function<void(size_t index)>& task);

// One line per file, printed in the files' order as with OrderedPrinter:
// lineFor(path, ok) runs once for every path on batchWorkers(files, jobs)
// threads, with ok false on entry. Returns 0 when every call set ok, else 1.
int printFileLines(const std::vector<std::string>& files, int jobs, bool progress,
                   const std::function<std::string(const std::string& path, bool& ok)>& lineFor);

// Collects the lines of a batch and writes them to `out` in index order.
// With progress on, a "[done/total] name" line is kept up to date on stderr
// (cleared before anything is printed to stdout, in case both are the
// terminal).
class OrderedPrinter {
public:
    OrderedPrinter(size_t count, std::FILE* out, bool progress);
    // Stores line `index` (without its newline), prints whatever is now in
    // order and updates the progress line with `name`. Thread-safe.
    void finish(size_t index, std::string line, const std::string& name);
    // Ends the progress line, if one was shown.
    void close();

private:
    std::mutex mutex_;
    std::vector<std::optional<std::string>> lines_;
    size_t next_ = 0;
    size_t done_ = 0;
    std::FILE* out_;
    bool progress_;
    bool progressShown_ = false;
};

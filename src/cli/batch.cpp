#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <thread>

void readPathList(std::istream& in, std::vector<std::string>& paths)
{
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos)
            paths.push_back(line);
    }
}

int batchWorkers(size_t count, int requested)
{
    size_t workers = requested > 0 ? static_cast<size_t>(requested) : std::thread::hardware_concurrency();
    workers = std::min(workers, count);
    return static_cast<int>(std::max<size_t>(workers, 1));
}

void runBatch(size_t count, int workers, const std::function<void(size_t)>& task)
{
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1))
            task(i);
    };
    std::vector<std::thread> pool;
    for (int w = 1; w < workers; ++w)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
}

OrderedPrinter::OrderedPrinter(size_t count, std::FILE* out, bool progress)
    : lines_(count), out_(out), progress_(progress)
{
}

void OrderedPrinter::finish(size_t index, std::string line, const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    lines_[index] = std::move(line);
    ++done_;
    bool printed = false;
    while (next_ < lines_.size() && lines_[next_]) {
        if (!printed && progressShown_) {
            std::fputs("\r\033[K", stderr);
            progressShown_ = false;
        }
        std::fputs(lines_[next_]->c_str(), out_);
        std::fputc('\n', out_);
        lines_[next_].reset(); // a batch of hundreds keeps no finished text
        ++next_;
        printed = true;
    }
    if (printed)
        std::fflush(out_);
    if (progress_) {
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done_, lines_.size(), name.c_str());
        std::fflush(stderr);
        progressShown_ = true;
    }
}

void OrderedPrinter::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (progressShown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        progressShown_ = false;
    }
}

int printFileLines(const std::vector<std::string>& files, int jobs, bool progress,
                   const std::function<std::string(const std::string& path, bool& ok)>& lineFor)
{
    const size_t count = files.size();
    OrderedPrinter printer(count, stdout, progress);
    std::atomic<bool> allOk{true};
    runBatch(count, batchWorkers(count, jobs), [&](size_t i) {
        bool ok = false;
        std::string line = lineFor(files[i], ok);
        if (!ok)
            allOk = false;
        printer.finish(i, std::move(line), files[i]);
    });
    printer.close();
    return allOk ? 0 : 1;
}

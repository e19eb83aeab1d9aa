#include "dsp/progress.h"

#include <utility>

namespace {
// Per thread, so a filter running on a worker never reports to the display
// that a command opened on the window's thread.
thread_local ProgressDisplay* currentDisplay = nullptr;
} // namespace

ProgressDisplay::ProgressDisplay(int range, ProgressCallback report)
    : range_(range), report_(std::move(report)), previous_(currentDisplay)
{
    currentDisplay = this;
    if (report_)
        report_(0, range_);
}

ProgressDisplay::~ProgressDisplay()
{
    currentDisplay = previous_;
    if (report_)
        report_(0, range_);
}

void ProgressDisplay::advance()
{
    if (report_)
        report_(counter_, range_);
    ++counter_;
}

ProgressDisplay* progress_bar()
{
    return currentDisplay;
}

void progress_advance()
{
    if (currentDisplay)
        currentDisplay->advance();
}

ProgressBlock progress_block(int32_t count, int block)
{
    const int32_t size = count / kProgressBlocks;
    if (block >= kProgressBlocks)
        return {kProgressBlocks * size, count};
    return {block * size, (block + 1) * size};
}

#pragma once
// The progress display that the filter engines advance while a command runs.
//
// A command opens one display for its whole run (range 100 x channels, one
// hundred steps per channel) and closes it after the last channel. While it
// is open on a thread, every filter run on that thread reports before each of
// its blocks: 100 blocks of count / 100 frames (integer division) and a last
// block with the remainder. Engines running while no display is open on their
// thread report nothing, so a worker thread never reaches the window's bar.
//
// The display knows no widget: it hands (position, range) to a callback that
// the window wraps around its progress bar.

#include <cstdint>
#include <functional>

// Receives the position of the step about to run (0-based, counted on across
// channels and passes) and the display's range. Closing reports position 0.
using ProgressCallback = std::function<void(int position, int range)>;

// Blocks per filter run, not counting the remainder block.
constexpr int kProgressBlocks = 100;

class ProgressDisplay {
public:
    // Opens the display on the calling thread: counter 0, and this display
    // becomes progress_bar() until it is destroyed. Displays nest: the inner
    // one is current until it closes.
    ProgressDisplay(int range, ProgressCallback report);
    // Closes: reports position 0 and withdraws the display.
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    // Sends the counter to the callback, then increments it.
    void advance();

    int range() const { return range_; }
    int position() const { return counter_; }

private:
    int range_;
    int counter_ = 0;
    ProgressCallback report_;
    ProgressDisplay* previous_;
};

// The display open on the calling thread, or nullptr.
ProgressDisplay* progress_bar();

// advance() on the open display; nothing when none is open.
void progress_advance();

// Frames of one block of a run over `count` frames: blocks 0 .. 99 start at
// block * (count / 100); block 100 takes the remainder up to count.
struct ProgressBlock {
    int32_t begin;
    int32_t end;
};
ProgressBlock progress_block(int32_t count, int block);

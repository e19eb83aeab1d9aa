#pragma once
// A virtual sound card for tests: a private JACK server with its dummy backend
// (real time, no hardware) and a capture client that records whatever the
// program's PortAudio stream sends to it.
//
// The server runs synchronously: it waits for every client before it ends a
// cycle, so on a loaded machine the virtual card's clock slows down instead of
// repeating or dropping a client's block, as an asynchronous server would.
// The server is started under a name of its own and JACK_DEFAULT_SERVER is set
// to it, so PortAudio's JACK host API (which opens the default server) finds it
// and makes it the default output device. The capture client connects its two
// inputs to the first two audio outputs of any other client: PortAudio's
// stream. Recording is lock-free: the JACK thread appends to preallocated
// arrays and publishes the count with release; readers acquire it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

class JackRig {
public:
    // Starts jackd at rateHz and the capture client, with room for
    // maxSeconds of stereo audio. On failure ok() is false and why() says why.
    JackRig(uint32_t rateHz, double maxSeconds);
    ~JackRig();
    JackRig(const JackRig&) = delete;
    JackRig& operator=(const JackRig&) = delete;

    bool ok() const { return ok_; }
    const std::string& why() const { return why_; }
    uint32_t rate() const { return rate_; }

    // Connects the capture inputs to the stream's outputs once they exist
    // (waits up to timeout). False when no other client's outputs appear.
    bool connectToPlayer(std::chrono::milliseconds timeout);
    // Clears the recording and starts counting from now.
    void startRecording();
    // Frames recorded so far.
    size_t recordedFrames() const { return recorded_.load(std::memory_order_acquire); }
    // Waits until at least `frames` have been recorded (or the timeout).
    bool waitForFrames(size_t frames, std::chrono::milliseconds timeout) const;
    // A copy of what was recorded on side 0 (left) or 1 (right), as samples
    // scaled by 32768 and rounded.
    std::vector<int32_t> side(int which) const;
    // Seconds from `since` to when the first non-zero frame was heard (-1: none yet).
    double firstSoundAfter(std::chrono::steady_clock::time_point since) const;
    // Cycles the server reported late since startRecording: a client (ours or
    // the program's stream) missed its deadline and JACK played silence for it.
    // On a machine too loaded to keep real time a recording has gaps that say
    // nothing about the program.
    int xruns() const { return xruns_.load(std::memory_order_acquire); }
    // Stops the server the way an unplugged card vanishes.
    void killServer();

private:
    static int process(uint32_t frames, void* self);
    static int xrun(void* self);
    bool startServer();

    uint32_t rate_;
    bool ok_ = false;
    std::string why_;
    std::string serverName_;
    int serverPid_ = -1;
    jack_client_t* client_ = nullptr;
    jack_port_t* in_[2] = {nullptr, nullptr};
    std::vector<float> data_[2];
    std::atomic<size_t> recorded_{0};
    std::atomic<bool> recording_{false};
    std::atomic<int64_t> firstSoundNs_{-1};
    std::atomic<int> xruns_{0};
};

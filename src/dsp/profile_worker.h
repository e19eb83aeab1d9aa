#pragma once
// Runs the harmonic-profile computation on a worker thread, one run at a
// time. Each run owns its copy of the samples and its own results, so a run
// never reads or writes the arrays of another: starting a run while one is
// going stops that one and waits for its thread before the new one begins
// (the old run's results are dropped). The owner reads a run's results once
// its finished callback has named it, from its own thread.
//
// Callbacks are called on the worker thread and must only hand the news on
// (the window posts them to its own thread). They carry the run's serial
// number, so that news of a replaced run can be told apart and ignored.

#include "dsp/harmonic_profiles.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

struct ProfileRun {
    unsigned serial = 0;
    ProfileSettings settings;   // as asked; results.frameSize is the size used
    ProfileOutcome outcome = ProfileOutcome::Nothing;
    HarmonicProfiles results;
};

struct ProfileJob {
    std::vector<int16_t> samples[2]; // the worker's own copy
    int channels = 0;
    int32_t sampleCount = 0;
    int32_t sampleRate = 0;
    double pitchHz = 0.0;
    ProfileSettings settings;
};

// The body of one run's thread: the computation over the job's own samples
// into run.results, then done; progress as the computation reports it.
void profileRefreshWorker(const ProfileJob& job, ProfileRun& run, const std::atomic<bool>& stop,
                          const std::function<void(int position, int range)>& progress);

class ProfileWorker {
public:
    using Progress = std::function<void(unsigned serial, int position, int range)>;
    using Finished = std::function<void(unsigned serial)>;

    ProfileWorker() = default;
    ProfileWorker(const ProfileWorker&) = delete;
    ProfileWorker& operator=(const ProfileWorker&) = delete;
    // Stops and joins a run still going.
    ~ProfileWorker();

    // Stops and joins the running one, if any, then starts `job`; returns the
    // new run's serial. `finished` is called once, after the run's results
    // are complete (also when it computed nothing or was stopped).
    unsigned start(ProfileJob job, Progress progress, Finished finished);
    // Stops the running run (if any) and waits for its thread.
    void stopAndWait();
    // Waits for the running run to end by itself.
    void wait();
    // The run with this serial once it has finished (its thread joined), or
    // null when it is not the latest run or is still going. Ownership passes
    // to the caller.
    std::shared_ptr<ProfileRun> take(unsigned serial);
    bool running() const { return thread_.joinable() && !done_.load(); }
    unsigned latestSerial() const { return serial_; }

private:
    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::shared_ptr<ProfileRun> run_;
    std::atomic<bool> done_{true};
    unsigned serial_ = 0;
};

// What the main window keeps of the profiles: the settings of the profile
// area (frame size, overlap), the last finished computation and the worker.
struct HarmonicProfileState {
    ProfileSettings settings;
    // Null until a computation has finished; replaced, never changed, so a
    // display or a synthesis holding it is never written under.
    std::shared_ptr<const HarmonicProfiles> results;
    ProfileWorker worker;
};

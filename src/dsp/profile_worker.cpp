#include "dsp/profile_worker.h"

void profileRefreshWorker(const ProfileJob& job, ProfileRun& run, const std::atomic<bool>& stop,
                          const std::function<void(int, int)>& progress)
{
    ProfileSource source;
    source.channels = job.channels;
    source.sampleCount = job.sampleCount;
    source.sampleRate = job.sampleRate;
    source.pitchHz = job.pitchHz;
    for (int c = 0; c < 2 && c < job.channels; ++c)
        source.samples[c] =
            job.samples[c].size() >= static_cast<size_t>(job.sampleCount) ? job.samples[c].data() : nullptr;
    run.outcome = compute_harmonic_profiles(source, job.settings, run.results, stop, progress);
}

ProfileWorker::~ProfileWorker()
{
    stopAndWait();
}

void ProfileWorker::stopAndWait()
{
    if (stop_)
        stop_->store(true);
    if (thread_.joinable())
        thread_.join();
}

void ProfileWorker::wait()
{
    if (thread_.joinable())
        thread_.join();
}

unsigned ProfileWorker::start(ProfileJob job, Progress progress, Finished finished)
{
    stopAndWait();
    const unsigned serial = ++serial_;
    auto run = std::make_shared<ProfileRun>();
    run->serial = serial;
    run->settings = job.settings;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    run_ = run;
    stop_ = stop;
    done_.store(false);
    // The thread holds the run, the job and the flag itself: nothing it
    // touches belongs to another run or to the owner.
    thread_ = std::thread([this, run, stop, serial, job = std::move(job), progress = std::move(progress),
                           finished = std::move(finished)] {
        std::function<void(int, int)> report;
        if (progress)
            report = [&progress, serial](int position, int range) { progress(serial, position, range); };
        profileRefreshWorker(job, *run, *stop, report);
        done_.store(true);
        if (finished)
            finished(serial);
    });
    return serial;
}

std::shared_ptr<ProfileRun> ProfileWorker::take(unsigned serial)
{
    if (!run_ || run_->serial != serial || !done_.load())
        return nullptr;
    if (thread_.joinable())
        thread_.join();
    return std::move(run_);
}

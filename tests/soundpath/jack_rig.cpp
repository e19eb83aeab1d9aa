#include "jack_rig.h"

#include <jack/jack.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

JackRig::JackRig(uint32_t rateHz, double maxSeconds) : rate_(rateHz)
{
    serverName_ = "ringtide-test-" + std::to_string(getpid());
    // PortAudio and our own client both open the default server.
    setenv("JACK_DEFAULT_SERVER", serverName_.c_str(), 1);
    unsetenv("JACK_NO_START_SERVER");
    for (auto& d : data_)
        d.assign(static_cast<size_t>(maxSeconds * rateHz), 0.0f);
    if (!startServer())
        return;

    // The server takes a moment to come up: retry without auto-starting one.
    jack_status_t status{};
    for (int attempt = 0; attempt < 100 && !client_; ++attempt) {
        client_ = jack_client_open("ringtide-capture", JackNoStartServer, &status);
        if (!client_)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!client_) {
        why_ = "jackd started but no client could connect to it (status " + std::to_string(status) + ")";
        return;
    }
    if (jack_get_sample_rate(client_) != rateHz) {
        why_ = "the JACK server runs at " + std::to_string(jack_get_sample_rate(client_)) + " Hz";
        return;
    }
    for (int ch = 0; ch < 2; ++ch) {
        const std::string name = "in_" + std::to_string(ch + 1);
        in_[ch] = jack_port_register(client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    }
    jack_set_process_callback(client_, &JackRig::process, this);
    jack_set_xrun_callback(client_, &JackRig::xrun, this);
    if (!in_[0] || !in_[1] || jack_activate(client_) != 0) {
        why_ = "the capture client could not register its ports";
        return;
    }
    ok_ = true;
}

JackRig::~JackRig()
{
    if (client_) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
    killServer();
}

bool JackRig::startServer()
{
    const std::string rate = std::to_string(rate_);
    const char* argv[] = {"jackd", "--no-realtime", "--sync", "-n", serverName_.c_str(), "-d", "dummy",
                          "-r", rate.c_str(), "-p", "256", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The server's banner and xrun notes would bury the test output.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "jackd", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        why_ = std::string("jackd could not be started: ") + std::strerror(rc) + " (Debian package jackd2)";
        return false;
    }
    serverPid_ = pid;
    // A server that fails (a name in use, no shared memory) exits at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int status = 0;
    if (waitpid(serverPid_, &status, WNOHANG) == serverPid_) {
        serverPid_ = -1;
        why_ = "jackd exited at start (status " + std::to_string(status) + ")";
        return false;
    }
    return true;
}

void JackRig::killServer()
{
    if (serverPid_ <= 0)
        return;
    kill(serverPid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(serverPid_, &status, WNOHANG) == serverPid_) {
            serverPid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(serverPid_, SIGKILL);
    waitpid(serverPid_, &status, 0);
    serverPid_ = -1;
}

bool JackRig::connectToPlayer(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string own = std::string(jack_get_client_name(client_)) + ":";
    while (std::chrono::steady_clock::now() < deadline) {
        const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        std::vector<std::string> player;
        for (int i = 0; ports && ports[i]; ++i) {
            const std::string name = ports[i];
            // The dummy backend's capture ports are outputs too: skip them.
            if (name.rfind("system:", 0) != 0 && name.rfind(own, 0) != 0)
                player.push_back(name);
        }
        if (ports)
            jack_free(ports);
        if (player.size() >= 2) {
            for (int ch = 0; ch < 2; ++ch)
                jack_connect(client_, player[ch].c_str(), jack_port_name(in_[ch]));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void JackRig::startRecording()
{
    recording_.store(false, std::memory_order_release);
    // Let a callback that is under way finish before the count is reset.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    recorded_.store(0, std::memory_order_release);
    firstSoundNs_.store(-1, std::memory_order_release);
    xruns_.store(0, std::memory_order_release);
    recording_.store(true, std::memory_order_release);
}

int JackRig::xrun(void* self)
{
    static_cast<JackRig*>(self)->xruns_.fetch_add(1, std::memory_order_acq_rel);
    return 0;
}

int JackRig::process(uint32_t frames, void* self)
{
    auto* rig = static_cast<JackRig*>(self);
    if (!rig->recording_.load(std::memory_order_acquire))
        return 0;
    const float* in[2];
    for (int ch = 0; ch < 2; ++ch)
        in[ch] = static_cast<const float*>(jack_port_get_buffer(rig->in_[ch], frames));
    const size_t at = rig->recorded_.load(std::memory_order_relaxed);
    const size_t room = rig->data_[0].size() - at;
    const size_t n = std::min<size_t>(frames, room);
    for (int ch = 0; ch < 2; ++ch)
        std::memcpy(rig->data_[ch].data() + at, in[ch], n * sizeof(float));
    if (rig->firstSoundNs_.load(std::memory_order_relaxed) < 0) {
        for (size_t k = 0; k < n; ++k) {
            if (in[0][k] != 0.0f || in[1][k] != 0.0f) {
                // The block is heard from now on; frame k of it k samples later.
                const int64_t offset = static_cast<int64_t>(k) * 1000000000 / rig->rate_;
                rig->firstSoundNs_.store(nowNs() + offset, std::memory_order_relaxed);
                break;
            }
        }
    }
    rig->recorded_.store(at + n, std::memory_order_release);
    return 0;
}

bool JackRig::waitForFrames(size_t frames, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (recordedFrames() < frames) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<int32_t> JackRig::side(int which) const
{
    const size_t n = recordedFrames();
    std::vector<int32_t> out(n);
    for (size_t k = 0; k < n; ++k)
        out[k] = static_cast<int32_t>(std::lround(data_[which & 1][k] * 32768.0f));
    return out;
}

double JackRig::firstSoundAfter(std::chrono::steady_clock::time_point since) const
{
    const int64_t first = firstSoundNs_.load(std::memory_order_acquire);
    if (first < 0)
        return -1.0;
    const int64_t sinceNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(since.time_since_epoch()).count();
    return static_cast<double>(first - sinceNs) / 1e9;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "limitedprocess.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cuaderno {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

int environmentNumber(const char* name, int fallback, int low, int high)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value >= low && value <= high ? value : fallback;
}

// CPU time just over the deadline: the wall clock normally ends a child first, the kernel
// ends it even if the parent cannot watch.
int cpuSeconds(const ProcessLimits& limits)
{
    return limits.deadlineMs / 1000 + 2;
}

// AddressSanitizer reserves terabytes of address space, so an address-space limit would stop
// every child; its own resident-memory limit stands in for it.
std::vector<std::string> childEnvironment(const ProcessLimits& limits)
{
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    if (addressSanitizer) {
        const std::string limit = "hard_rss_limit_mb=" + std::to_string(limits.memoryMb);
        const auto options = std::find_if(environment.begin(), environment.end(),
                                          [](auto& e) { return e.rfind("ASAN_OPTIONS=", 0) == 0; });
        if (options == environment.end())
            environment.push_back("ASAN_OPTIONS=" + limit);
        else
            *options += ':' + limit;
    }
    return environment;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the child with the pipe's writing end as its answer descriptor; -1 if it cannot.
pid_t spawn(const QString& program, const QStringList& arguments, const ProcessLimits& limits,
            int answerWrite)
{
    std::vector<std::string> argv{QFile::encodeName(program).toStdString(),
                                  std::to_string(getpid()), std::to_string(limits.memoryMb),
                                  std::to_string(cpuSeconds(limits))};
    for (const QString& argument : arguments)
        argv.push_back(QFile::encodeName(argument).toStdString());
    std::vector<std::string> environment = childEnvironment(limits);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The answer first: the pipe may have been given descriptor 0 or 1 if those were closed.
    posix_spawn_file_actions_adddup2(&actions, answerWrite, answerDescriptor);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // Signals the caller ignores or blocks (a broken pipe, say) are the child's to die of.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGXCPU, SIGXFSZ, SIGSEGV, SIGBUS, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = -1;
    const int error = posix_spawn(&child, argv.front().c_str(), &actions, &attributes,
                                  pointersTo(argv).data(), pointersTo(environment).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? child : -1;
}

// Kills the child and waits for its end, so that no zombie is left; returns end.
LimitedRun killed(pid_t child, LimitedRun::End end)
{
    ::kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return {end, {}};
}

class AnswerReader {
public:
    AnswerReader(int descriptor, qint64 limit) : descriptor_(descriptor), limit_(limit)
    {
        fcntl(descriptor_, F_SETPIPE_SZ, 1 << 20); // fewer wake-ups for big answers
    }
    ~AnswerReader() { ::close(descriptor_); }
    bool atEnd() const { return atEnd_; }
    bool tooLong() const { return answer_.size() > limit_; }
    QByteArray take() { return std::move(answer_); }

    // Reads what is there, waiting at most waitMs for it.
    void readSome(int waitMs)
    {
        pollfd ready{descriptor_, POLLIN, 0};
        if (poll(&ready, 1, waitMs) <= 0)
            return;
        // Read straight into the answer's free end, which grows by doubling.
        constexpr qsizetype chunk = 1 << 20;
        const qsizetype size = answer_.size();
        if (answer_.capacity() < size + chunk)
            answer_.reserve(std::max(2 * answer_.capacity(), size + chunk));
        answer_.resize(size + chunk);
        const ssize_t count = ::read(descriptor_, answer_.data() + size, chunk);
        answer_.resize(size + std::max<ssize_t>(count, 0));
        if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN))
            atEnd_ = true;
    }

private:
    int descriptor_;
    qint64 limit_;
    bool atEnd_ = false;
    QByteArray answer_;
};

qint64 residentBytes(pid_t process)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(process));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readLine(64).split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// The running children's resident memory, shared by the threads that watch them.
class ResidentWatch {
public:
    // Records the child's size; true when two or more children together are over budget and
    // this one is the largest.
    bool overBudget(pid_t child, qint64 bytes, qint64 budget)
    {
        const std::lock_guard lock(mutex_);
        sizes_[child] = bytes;
        qint64 total = 0, largest = 0;
        for (const auto& [process, size] : sizes_) {
            total += size;
            largest = std::max(largest, size);
        }
        return sizes_.size() > 1 && total > budget && bytes == largest;
    }
    void forget(pid_t child)
    {
        const std::lock_guard lock(mutex_);
        sizes_.erase(child);
    }

private:
    std::mutex mutex_;
    std::map<pid_t, qint64> sizes_;
};

ResidentWatch residentWatch;

bool stopAsked(const std::atomic_bool* stop, const std::atomic_bool* otherStop)
{
    return (stop != nullptr && stop->load()) || (otherStop != nullptr && otherStop->load());
}

constexpr int tickMs = 10; // how often the stop flags and the memory are looked at

// Children run side by side; one that must run alone waits for those running to end and keeps
// new ones from starting until it has run.
class RunGate {
public:
    // False if a stop flag was set while waiting.
    bool enter(bool alone, const std::atomic_bool* stop, const std::atomic_bool* otherStop)
    {
        std::unique_lock lock(mutex_);
        waitingAlone_ += alone ? 1 : 0;
        const auto mayEnter = [&] {
            return !aloneRunning_ && (alone ? sideBySide_ == 0 : waitingAlone_ == 0);
        };
        while (!mayEnter()) {
            if (stopAsked(stop, otherStop)) {
                waitingAlone_ -= alone ? 1 : 0;
                changed_.notify_all();
                return false;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(tickMs));
        }
        waitingAlone_ -= alone ? 1 : 0;
        (alone ? aloneRunning_ : sideBySide_) += 1;
        return true;
    }
    void leave(bool alone)
    {
        const std::lock_guard lock(mutex_);
        (alone ? aloneRunning_ : sideBySide_) -= 1;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int sideBySide_ = 0, waitingAlone_ = 0, aloneRunning_ = 0;
};

RunGate runGate;

// Reads the child's answer until it ends, killing it at the deadline, on a stop, when its answer
// is too long or when it is the largest of children over their shared memory (crowded).
LimitedRun watch(pid_t child, AnswerReader& reader, const ProcessLimits& limits,
                 const std::atomic_bool* stop, const std::atomic_bool* otherStop, bool& crowded)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 sharedBytes = qint64(limits.sharedResidentMb) << 20;
    while (!reader.atEnd()) {
        const qint64 left = limits.deadlineMs - clock.elapsed();
        if (stopAsked(stop, otherStop))
            return killed(child, LimitedRun::End::Stopped);
        crowded =
            !addressSanitizer && residentWatch.overBudget(child, residentBytes(child), sharedBytes);
        if (left <= 0 || reader.tooLong() || crowded)
            return killed(child, LimitedRun::End::Failed);
        reader.readSome(int(std::min<qint64>(left, tickMs)));
    }
    // The answer is complete; the child only has to exit now, within the same deadline.
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 && clock.elapsed() < limits.deadlineMs &&
           !stopAsked(stop, otherStop))
        usleep(1000);
    if (ended == 0)
        return killed(child, stopAsked(stop, otherStop) ? LimitedRun::End::Stopped
                                                        : LimitedRun::End::Failed);
    if (ended == child && WIFEXITED(status) && WEXITSTATUS(status) == cannotRunStatus)
        return {LimitedRun::End::NotRun, {}};
    const bool exited = ended == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return exited ? LimitedRun{LimitedRun::End::Answered, reader.take()} : LimitedRun{};
}

LimitedRun runOnce(const QString& program, const QStringList& arguments,
                   const ProcessLimits& limits, qint64 maxAnswerBytes, const std::atomic_bool* stop,
                   const std::atomic_bool* otherStop, bool& crowded)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return {};
    const pid_t child = spawn(program, arguments, limits, ends[1]);
    ::close(ends[1]);
    AnswerReader reader(ends[0], maxAnswerBytes);
    if (child < 0)
        return {LimitedRun::End::NotRun, {}};
    LimitedRun run = watch(child, reader, limits, stop, otherStop, crowded);
    residentWatch.forget(child);
    return run;
}

} // namespace

ProcessLimits processLimits()
{
    ProcessLimits limits;
    limits.deadlineMs =
        environmentNumber("CUADERNO_WORKER_DEADLINE_MS", limits.deadlineMs, 100, 3600000);
    limits.memoryMb = environmentNumber("CUADERNO_WORKER_MEMORY_MB", limits.memoryMb, 64, 65536);
    limits.sharedResidentMb =
        environmentNumber("CUADERNO_WORKER_SHARED_MB", limits.sharedResidentMb, 16, 65536);
    return limits;
}

LimitedRun runLimited(const QString& program, const QStringList& arguments,
                      const ProcessLimits& limits, qint64 maxAnswerBytes,
                      const std::atomic_bool* stop, const std::atomic_bool* otherStop)
{
    // Only what fails alone is too large: a child killed for the others' memory runs again.
    for (const bool alone : {false, true}) {
        if (!runGate.enter(alone, stop, otherStop))
            return {LimitedRun::End::Stopped, {}};
        bool crowded = false;
        LimitedRun run =
            runOnce(program, arguments, limits, maxAnswerBytes, stop, otherStop, crowded);
        runGate.leave(alone);
        if (!crowded)
            return run;
    }
    return {};
}

int limitThisProcess(int argc, char* argv[])
{
    if (argc < 4)
        return -1;
    // Killed with the parent; a parent gone before this line is seen as a new parent.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (std::strtol(argv[1], nullptr, 10) != long(getppid()))
        return -1;
    const rlim_t memoryMb = std::strtoul(argv[2], nullptr, 10);
    const rlim_t cpu = std::strtoul(argv[3], nullptr, 10);
    if (memoryMb == 0 || cpu == 0)
        return -1;
    const rlimit noCore{0, 0};
    const rlimit cpuTime{cpu, cpu + 1}; // SIGXCPU, then SIGKILL a second later
    const rlimit addressSpace{memoryMb << 20, memoryMb << 20};
    if (setrlimit(RLIMIT_CORE, &noCore) != 0 || setrlimit(RLIMIT_CPU, &cpuTime) != 0 ||
        (!addressSanitizer && setrlimit(RLIMIT_AS, &addressSpace) != 0))
        return -1;
    // Descriptors the parent left open (locks, sockets) are not the child's business.
    close_range(answerDescriptor + 1, ~0U, 0);
    return 4;
}

} // namespace cuaderno

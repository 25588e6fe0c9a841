// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A helper program run under limits, for work on untrusted input that may crash, loop or take
// the machine's memory. The child limits itself before it reads anything (address space, CPU
// time, no core file, killed with its parent); the parent reads the child's answer up to a
// bound and kills the child at a wall-clock deadline or when asked to stop.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

namespace cuaderno {

struct ProcessLimits {
    int deadlineMs = 15000; // wall clock, from the start to the child's end
    int memoryMb = 1024;    // address space (resident memory under AddressSanitizer)
    // Resident memory of all the running children together, watched by the parent: when two or
    // more pass it, the largest is killed and run again alone, under its own limit only.
    // Several address-space limits at once would let a batch of bad pictures take gigabytes;
    // this keeps the whole process tree small.
    int sharedResidentMb = 320;
};

// The defaults, or those of the environment (CUADERNO_WORKER_DEADLINE_MS,
// CUADERNO_WORKER_MEMORY_MB, CUADERNO_WORKER_SHARED_MB), which tests and administrators may lower.
ProcessLimits processLimits();

struct LimitedRun {
    enum class End {
        Answered, // exited with status 0; answer holds what it wrote
        Failed,   // killed by a limit, a signal or the deadline, exited with another status,
                  // or answered more than allowed
        Stopped,  // killed because one of the stop flags was set
        NotRun,   // could not be started, or exited with cannotRunStatus
    };
    End end = End::Failed;
    QByteArray answer;
};

// Runs program with arguments under limits and waits for it; its standard input and output
// are /dev/null, its answer is what it writes to file descriptor 3, its standard error the
// caller's. The child is killed if the calling thread ends first, so the caller waits here.
// A child killed by the shared memory rule is run again once, alone.
LimitedRun runLimited(const QString& program, const QStringList& arguments,
                      const ProcessLimits& limits, qint64 maxAnswerBytes,
                      const std::atomic_bool* stop = nullptr,
                      const std::atomic_bool* otherStop = nullptr);

// The first call of the helper's main(): applies the limits runLimited put on its command line
// and returns the index of the first argument of its own, or -1 (its parent is gone, or the
// command line is not runLimited's).
int limitThisProcess(int argc, char* argv[]);

// Where the helper writes its answer.
inline constexpr int answerDescriptor = 3;
// The status of a helper that cannot run: the dynamic loader's when a library is missing, and
// the helper's own when its command line is not what it understands.
inline constexpr int cannotRunStatus = 127;

} // namespace cuaderno

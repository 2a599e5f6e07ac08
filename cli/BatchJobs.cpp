#include "cli/BatchJobs.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "cli/WorkerMessages.h"
#include "cli/WorkerProcess.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <pthread.h>
#endif

namespace mshtool {
namespace {

struct WorkerState {
    bool isWorker = false;
    WorkerPipe parent;
    std::vector<std::string> commandLine; ///< without the program's name
};

WorkerState& workerState() {
    static WorkerState state;
    return state;
}

void runHere(const std::vector<std::string>& files, const FileLoop& loop) {
    for (size_t i = 0; i < files.size(); ++i) {
        loop.starting(i);
        loop.done(i, loop.convert(i));
    }
}

// A worker's share: ask, convert what the parent hands out, send back the outcome and what
// was printed, until the parent has no file left (or is gone).
void runAsWorker(const std::vector<std::string>& files, const FileLoop& loop) {
    WorkerPipe& parent = workerState().parent;
    WorkerReport report;
    for (;;) {
        std::string frame;
        uint64_t index = noFileLeft;
        if (!parent.send(encodeReport(report)) || !parent.receive(frame) ||
            !decodeNextFile(frame, index) || index >= files.size())
            return;
        takeCapturedOutput(); // printed between files: the parent prints its own
        FileOutcome outcome = loop.convert(size_t(index));
        report.kind = WorkerReport::result;
        report.index = index;
        report.code = outcome.code;
        report.record = outcome.record;
        report.output = takeCapturedOutput();
    }
}

// The parent's side: one thread per worker answers its requests and keeps its results, and
// the calling thread prints them in input order.
class BatchParent {
public:
    BatchParent(const std::vector<std::string>& batchFiles, const FileLoop& batchLoop)
        : files(batchFiles), loop(batchLoop), slots(batchFiles.size()) {}

    ~BatchParent() { stopWorkers(); }

    /// False when not one worker could be started.
    bool start(unsigned jobs) {
        for (unsigned i = 0; i < jobs; ++i) {
            auto worker = std::make_unique<WorkerProcess>();
            std::string error;
            if (!worker->start(workerState().commandLine, error)) {
                printWarning("mshtool: " + error + "; the batch goes on with " +
                             std::to_string(workers.size()) + " processes");
                break;
            }
            workers.push_back(std::move(worker));
        }
        if (workers.empty())
            return false;
        alive = workers.size();
        for (auto& worker : workers)
            threads.emplace_back(&BatchParent::serve, this, worker.get());
        return true;
    }

    void printInOrder() {
        for (size_t i = 0; i < files.size(); ++i) {
            loop.starting(i);
            Slot slot = awaitSlot(i);
            printCaptured(slot.output);
            if (slot.outcome.code == workerStopped)
                printMessage("mshtool: " + files[i] + ": not done: " + slot.stoppedBy);
            loop.done(i, slot.outcome);
        }
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
        stagingFolders.clear(); // each worker removed its own
    }

private:
    struct Slot {
        bool arrived = false;
        FileOutcome outcome;
        std::vector<CapturedText> output;
        std::string stoppedBy;
    };

    Slot awaitSlot(size_t i) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!slots[i].arrived) {
            if (int signal = interruptNoted()) {
                lock.unlock();
                stopWorkers();
                throw BatchInterrupted{signal};
            }
            arrival.wait_for(lock, std::chrono::milliseconds(50));
        }
        Slot slot = std::move(slots[i]);
        slots[i].output.clear();
        return slot;
    }

    void serve(WorkerProcess* worker) {
#ifndef _WIN32
        // A worker that is gone makes writing to it fail here, not end the batch.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
#endif
        uint64_t inFlight = noFileLeft;
        std::string frame;
        WorkerReport report;
        while (worker->pipe().receive(frame) && decodeReport(frame, report)) {
            std::unique_lock<std::mutex> lock(mutex);
            if (report.kind == WorkerReport::staging) {
                stagingFolders.push_back(report.stagingFolder);
                continue;
            }
            if (report.kind == WorkerReport::result) {
                if (report.index != inFlight)
                    break;
                Slot& slot = slots[size_t(inFlight)];
                slot.outcome.code = report.code;
                slot.outcome.record = std::move(report.record);
                slot.output = std::move(report.output);
                slot.arrived = true;
                inFlight = noFileLeft;
                arrival.notify_all();
            }
            uint64_t next = nextFile < files.size() ? nextFile++ : noFileLeft;
            inFlight = next;
            lock.unlock();
            if (!worker->pipe().send(encodeNextFile(next)) || next == noFileLeft)
                break;
        }
        std::string ending = worker->wait();
        std::lock_guard<std::mutex> lock(mutex);
        if (inFlight != noFileLeft)
            markStopped(size_t(inFlight), "its worker process ended (" +
                                              (ending.empty() ? "exit code 0" : ending) + ")");
        if (--alive == 0)
            while (nextFile < files.size())
                markStopped(nextFile++, "no worker process was left to do it");
        arrival.notify_all();
    }

    void markStopped(size_t i, const std::string& why) {
        if (slots[i].arrived)
            return;
        slots[i].arrived = true;
        slots[i].outcome.code = workerStopped;
        slots[i].stoppedBy = why;
    }

    // At once, then what they staged is removed: nothing is left of an interrupted batch.
    void stopWorkers() {
        for (auto& worker : workers)
            worker->kill();
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
        std::error_code code;
        for (const std::string& folder : stagingFolders)
            std::filesystem::remove_all(pathOf(folder), code);
        stagingFolders.clear();
    }

    const std::vector<std::string>& files;
    const FileLoop& loop;
    std::vector<std::unique_ptr<WorkerProcess>> workers;
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable arrival;
    std::vector<Slot> slots;
    size_t nextFile = 0;
    size_t alive = 0;
    std::vector<std::string> stagingFolders;
};

// Restores the process's own handling of interrupts however the batch ends.
struct NotedInterrupts {
    NotedInterrupts() { noteInterrupts(); }
    ~NotedInterrupts() { stopNotingInterrupts(); }
};

} // namespace

void addJobsOption(CLI::App& command, unsigned& jobs) {
    command
        .add_option("-j,--jobs", jobs,
                    "Work on N files at once, each process taking the next file (default: one "
                    "process per core; 1: all in this one)")
        ->type_name("N")
        ->check(CLI::Range(1u, 1024u));
}

unsigned jobsFor(unsigned requested, size_t files) {
    unsigned jobs = requested;
    if (jobs == 0)
        jobs = std::max(1u, std::thread::hardware_concurrency());
    if (jobs > files)
        jobs = unsigned(files);
    return std::max(1u, jobs);
}

void runFiles(const std::vector<std::string>& files, unsigned jobs, const FileLoop& loop) {
    if (workerState().isWorker)
        return runAsWorker(files, loop);
    if (jobs <= 1 || files.size() <= 1)
        return runHere(files, loop);
    NotedInterrupts interrupts;
    BatchParent parent(files, loop);
    if (!parent.start(jobs))
        return runHere(files, loop);
    parent.printInOrder();
}

bool prepareBatchWorkers(std::vector<std::string>& args) {
    WorkerState& state = workerState();
    if (args.size() > 2 && args[1] == workerOption && state.parent.openFromOption(args[2])) {
        args.erase(args.begin() + 1, args.begin() + 3);
        state.isWorker = true;
        captureOutput();
        ignoreTerminalInterrupts();
    }
    state.commandLine.assign(args.begin() + (args.empty() ? 0 : 1), args.end());
    return state.isWorker;
}

void noteStagingFolder(const std::string& folder) {
    if (!workerState().isWorker)
        return;
    WorkerReport report;
    report.kind = WorkerReport::staging;
    report.stagingFolder = folder;
    workerState().parent.send(encodeReport(report));
}

} // namespace mshtool

#include "cli/BatchJobs.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "cli/WorkerMessages.h"
#include "cli/WorkerProcess.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <memory>

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

// Lines printed while it lives are kept, not written, until taken; printed at once when an
// exception ends the conversion early, so that what it said is not lost.
class CapturedLines {
public:
    CapturedLines() { captureOutput(); }
    ~CapturedLines() {
        stopCapturing();
        if (!taken)
            printCaptured(takeCapturedOutput());
    }
    CapturedLines(const CapturedLines&) = delete;
    CapturedLines& operator=(const CapturedLines&) = delete;

    std::vector<CapturedText> take() {
        stopCapturing();
        taken = true;
        return takeCapturedOutput();
    }

private:
    bool taken = false;
};

// The parent's side, in one thread: it answers each worker's requests with the next file,
// keeps the results that arrive early, and prints them in input order.
class BatchParent {
public:
    BatchParent(const std::vector<std::string>& batchFiles, const FileLoop& batchLoop)
        : files(batchFiles), loop(batchLoop), slots(batchFiles.size()) {}

    ~BatchParent() { stopWorkers(); }

    /// `jobs` processes in all: this one converts too. False when not one worker could be
    /// started.
    bool start(unsigned jobs) {
        for (unsigned i = 1; i < jobs; ++i) {
            Worker worker;
            worker.process = std::make_unique<WorkerProcess>();
            std::string error;
            if (!worker.process->start(workerState().commandLine, error)) {
                printWarning("mshtool: " + error + "; the batch goes on with " +
                             std::to_string(workers.size() + 1) + " processes");
                break;
            }
            workers.push_back(std::move(worker));
        }
        // Their first files wait in their pipes, so they begin as soon as they are up, even
        // while this process is at work on a file of its own.
        for (Worker& worker : workers)
            if (!handOut(worker))
                worker.process->stop();
        return !workers.empty();
    }

    void printInOrder() {
        for (size_t i = 0; i < files.size(); ++i) {
            loop.starting(i);
            while (!slots[i].arrived) {
                if (int signal = interruptNoted()) {
                    stopWorkers();
                    printDoneFrom(i);
                    throw BatchInterrupted{signal};
                }
                // Every worker that asked holds its files: a file left is this process's.
                serveWorkers(filesLeft() > 0 ? 0 : 50);
                if (!slots[i].arrived && filesLeft() > 0)
                    convertHere(size_t(takeNextFile()));
            }
            Slot slot = std::move(slots[i]);
            slots[i] = Slot();
            if (slot.outcome.code == redoInParent) {
                loop.done(i, redoHere(i));
                continue;
            }
            printCaptured(slot.output);
            if (slot.outcome.code == workerStopped)
                printMessage("mshtool: " + files[i] + ": not done: " + slot.stoppedBy);
            loop.done(i, slot.outcome);
        }
        while (liveWorkers() > 0)
            serveWorkers(50);
        waitForAll();
        stagingFolders.clear(); // each worker removed its own
    }

private:
    // Every file before it is in place now, as in a batch of one process; the other workers
    // go on, so a try can meet their output again. Only the last try's lines are printed.
    FileOutcome redoHere(size_t i) {
        FileOutcome outcome;
        std::vector<CapturedText> output;
        for (int attempt = 0; attempt < 8; ++attempt) {
            outcome = convertQuietly(i, output);
            if (outcome.code != redoInParent)
                break;
        }
        printCaptured(output);
        return outcome;
    }

    struct Slot {
        bool arrived = false;
        FileOutcome outcome;
        std::vector<CapturedText> output;
        std::string stoppedBy;
    };

    struct Worker {
        std::unique_ptr<WorkerProcess> process;
        std::deque<uint64_t> inFlight; ///< handed out, in the order it does them
        bool live = true;              ///< still to be heard: files in flight, or asking
        bool toldDone = false;         ///< told that no file is left
        bool waited = false;           ///< its end is seen
    };

    size_t liveWorkers() const {
        size_t live = 0;
        for (const Worker& worker : workers)
            live += worker.live;
        return live;
    }

    // Once told no file is left a worker ends by itself; it is waited for at the end.
    void waitForAll() {
        for (Worker& worker : workers)
            if (!worker.waited) {
                worker.process->wait();
                worker.waited = true;
            }
    }

    // One file in this process, its lines kept for their turn as a worker's are.
    void convertHere(size_t file) {
        Slot& slot = slots[file];
        slot.outcome = convertQuietly(file, slot.output);
        slot.arrived = true;
    }

    FileOutcome convertQuietly(size_t file, std::vector<CapturedText>& output) {
        CapturedLines lines;
        FileOutcome outcome = loop.convert(file);
        output = lines.take();
        return outcome;
    }

    // Waits up to `milliseconds` for workers to say something, and answers what they said.
    void serveWorkers(int milliseconds) {
        std::vector<const WorkerPipe*> pipes;
        std::vector<Worker*> listening;
        for (Worker& worker : workers)
            if (worker.live) {
                pipes.push_back(&worker.process->pipe());
                listening.push_back(&worker);
            }
        for (size_t ready : readablePipes(pipes, milliseconds))
            if (!hear(*listening[ready]))
                end(*listening[ready]);
    }

    // One message of a worker; false when it is gone or done.
    bool hear(Worker& worker) {
        std::string frame;
        WorkerReport report;
        if (!worker.process->pipe().receive(frame) || !decodeReport(frame, report))
            return false;
        if (report.kind == WorkerReport::staging) {
            stagingFolders.push_back(report.stagingFolder);
            return true;
        }
        if (report.kind == WorkerReport::result) {
            if (worker.inFlight.empty() || report.index != worker.inFlight.front())
                return false;
            takeResult(worker, report);
        }
        return handOut(worker);
    }

    void takeResult(Worker& worker, WorkerReport& report) {
        worker.inFlight.pop_front();
        Slot& slot = slots[size_t(report.index)];
        slot.outcome.code = report.code;
        slot.outcome.record = std::move(report.record);
        slot.output = std::move(report.output);
        slot.arrived = true;
    }

    // A worker holds its next file before it is done with this one, so that it never waits
    // for the parent between files; near the end one at a time, so that none is left with
    // two while another has nothing. Once no file is left it is told so, and ends when done.
    bool handOut(Worker& worker) {
        size_t depth = filesLeft() > workers.size() ? 2 : 1;
        while (!worker.toldDone && worker.inFlight.size() < depth) {
            uint64_t next = takeNextFile();
            if (!worker.process->pipe().send(encodeNextFile(next))) {
                if (next != noFileLeft) // it never reached the worker: another takes it
                    returned.push_front(next);
                return false;
            }
            if (next == noFileLeft)
                worker.toldDone = true;
            else
                worker.inFlight.push_back(next);
        }
        worker.live = !worker.toldDone || !worker.inFlight.empty();
        return true;
    }

    void end(Worker& worker) {
        std::string ending = worker.process->wait();
        worker.live = false;
        worker.waited = true;
        // It was at work on the first; the others it held go to the workers left.
        if (!worker.inFlight.empty())
            markStopped(size_t(worker.inFlight.front()),
                        "its worker process ended (" + (ending.empty() ? "exit code 0" : ending) +
                            ")");
        for (size_t i = 1; i < worker.inFlight.size(); ++i)
            returned.push_back(worker.inFlight[i]);
        worker.inFlight.clear();
    }

    size_t filesLeft() const { return returned.size() + (files.size() - nextFile); }

    uint64_t takeNextFile() {
        if (!returned.empty()) {
            uint64_t next = returned.front();
            returned.pop_front();
            return next;
        }
        return nextFile < files.size() ? nextFile++ : noFileLeft;
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
        for (Worker& worker : workers)
            if (!worker.waited)
                worker.process->stop();
        // What they said before they stopped: staging folders, and files done and in place.
        for (Worker& worker : workers)
            while (!worker.waited && hearWhileStopping(worker)) {
            }
        waitForAll();
        std::error_code code;
        for (const std::string& folder : stagingFolders)
            std::filesystem::remove_all(pathOf(folder), code);
        stagingFolders.clear();
    }

    bool hearWhileStopping(Worker& worker) {
        std::string frame;
        WorkerReport report;
        if (!worker.process->pipe().receive(frame) || !decodeReport(frame, report))
            return false;
        if (report.kind == WorkerReport::staging)
            stagingFolders.push_back(report.stagingFolder);
        else if (report.kind == WorkerReport::result && !worker.inFlight.empty() &&
                 report.index == worker.inFlight.front())
            takeResult(worker, report);
        return true;
    }

    // An interrupted batch still shows the lines of the files in place whose turn has come:
    // those done from `first` on, in order, up to the first not done.
    void printDoneFrom(size_t first) {
        for (size_t i = first; i < files.size() && slots[i].arrived; ++i) {
            if (slots[i].outcome.code < 0)
                break;
            printCaptured(slots[i].output);
        }
    }

    const std::vector<std::string>& files;
    const FileLoop& loop;
    std::vector<Worker> workers;
    std::vector<Slot> slots;
    size_t nextFile = 0;
    std::deque<uint64_t> returned; ///< handed to a worker that ended before it began them
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
        jobs = std::max(1u, processorCount());
    if (jobs > files)
        jobs = unsigned(files);
    return std::max(1u, jobs);
}

void runFiles(const std::vector<std::string>& files, unsigned jobs, const FileLoop& loop) {
    if (workerState().isWorker)
        return runAsWorker(files, loop);
    if (jobs <= 1 || files.size() <= 1)
        return runHere(files, loop);
    BatchParent parent(files, loop);
    {
        NotedInterrupts noted;
        if (parent.start(jobs))
            return parent.printInOrder();
    }
    runHere(files, loop); // the interrupts are the process's own again
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

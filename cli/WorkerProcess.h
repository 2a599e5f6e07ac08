#pragma once
// A batch's worker processes: mshtool itself, started again with the same command line and
// a hidden first option naming the two pipe ends it talks to its parent through. Messages on
// the pipes are frames: a 32-bit little-endian length, then that many bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace mshtool {

/// The hidden option; main takes it off a worker's command line before parsing the rest.
extern const char* const workerOption;

/// One side of a parent-worker link: the pipe end it reads and the one it writes.
class WorkerPipe {
public:
    WorkerPipe() = default;
    WorkerPipe(const WorkerPipe&) = delete;
    WorkerPipe& operator=(const WorkerPipe&) = delete;
    ~WorkerPipe() { close(); }

    /// In a worker: the ends named by the hidden option's value; false when it names none.
    bool openFromOption(const std::string& value);
    bool send(const std::string& frame);
    /// False at the other side's end or on a broken pipe.
    bool receive(std::string& frame);
    void close();

    std::intptr_t readEnd = -1, writeEnd = -1;
};

/// The processors this program may run on; 0 when unknown.
unsigned processorCount();

/// The places in `pipes` of those with something to read, or whose other side is gone;
/// empty when none is within `milliseconds`.
std::vector<size_t> readablePipes(const std::vector<const WorkerPipe*>& pipes, int milliseconds);

class WorkerProcess {
public:
    WorkerProcess() = default;
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;
    ~WorkerProcess();

    /// Starts this program as a worker running `args` (the command line after the program's
    /// name); false with `error` saying why.
    bool start(const std::vector<std::string>& args, std::string& error);
    WorkerPipe& pipe() { return link; }
    /// Stops it (an interrupted batch): on Linux as SIGTERM does, so that it removes what it
    /// staged and puts back a commit under way; on Windows at once.
    void stop();
    /// Waits for it to end: empty when it exited with 0, else what ended it.
    std::string wait();

private:
    WorkerPipe link;
    std::intptr_t process = -1;
    bool waited = false;
};

} // namespace mshtool

#pragma once
// A command's files, one after another in this process (-j 1), or shared between it and
// worker processes that each take the next file from it until none is left, so that a
// batch of small files pays mshtool's start-up once per worker. Either way the parent prints
// each file's output and takes its outcome in input order: the batch reads and ends as with
// -j 1. Workers are this program run again with the same command line (WorkerProcess.h).

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace mshtool {

/// The outcome of one file of a batch.
struct FileOutcome {
    int code = 0;       ///< the command's own; `workerStopped` when its worker ended on it
    std::string record; ///< the command's data for the file, as text (its JSON)
};
const int workerStopped = -1;
/// A file whose output met another's (a texture name two workers both chose): the batch's
/// parent does it again itself, in its turn, until it gets a name of its own; its output is
/// that of the last try. In a batch of one process it is a failure.
const int redoInParent = -2;

struct FileLoop {
    std::function<void(size_t)> starting;                 ///< before file i: its progress line
    std::function<FileOutcome(size_t)> convert;           ///< file i's work; prints on Console
    std::function<void(size_t, const FileOutcome&)> done; ///< in input order, after its output
};

/// `-j N`/`--jobs N` on a command that takes several files; 0 stays when it is not given.
void addJobsOption(CLI::App& command, unsigned& jobs);
/// Processes for `files` files: -j's `requested`, or one per core when 0, never more than
/// the files and at least one.
unsigned jobsFor(unsigned requested, size_t files);

/// An interrupt stopped the batch: its workers are stopped and their staging removed.
struct BatchInterrupted {
    int signal;
};

/// Runs `loop` over `files` in `jobs` processes, this one and `jobs` - 1 workers; in a
/// worker, does the files its parent hands out. Throws BatchInterrupted.
void runFiles(const std::vector<std::string>& files, unsigned jobs, const FileLoop& loop);

/// main: remembers the command line workers run, after taking the hidden worker option off
/// it; true when this process is a worker (its output is captured from now on).
bool prepareBatchWorkers(std::vector<std::string>& args);
/// In a worker, tells the parent of a staging folder it made, for the parent to remove when
/// the batch is interrupted; elsewhere nothing.
void noteStagingFolder(const std::string& folder);
} // namespace mshtool

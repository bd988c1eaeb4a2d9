// Batch jobs, and the guard that turns a fault inside
// the compiler into one diagnostic line and exit status 3.
//
// Scripts of a batch are compiled in separate processes, not threads: a
// script's consts section adds its constants to the shared built-in class
// record, and the reference counts of the shared records are not atomic, so
// two compilations in one address space would see each other's constants
// and race on the counts. A child forked after the library is built gets a
// pristine copy of it for free, so the library is still built once.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

struct CJobOutcome {
    std::string output;  // everything the job printed to standard output
    int status = 0;      // its exit status
    bool crashed = false;  // killed by a signal, or could not be started
};

// True where RunJobs gives each job a process of its own; elsewhere the jobs
// run one after the other in this process (see CConstantsSnapshot).
bool JobsRunInChildren();

// Runs job(i) for every i below count, at most `parallel` at a time, each in
// its own process with standard output captured. done(i, outcome) is called
// in the parent in index order, as soon as job i and all before it ended.
void RunJobs(size_t count, int parallel, const std::function<int(size_t)>& job,
             const std::function<void(size_t, const CJobOutcome&)>& done);

// From now on a crash prints `line` (already formatted, with its line feed)
// and ends the process with status 3. Output is line-buffered so that what
// was printed before the fault is not lost.
void InstallFaultGuard();
void SetFaultLine(const std::string& line);
// Prints the prepared line (for faults caught as exceptions).
void PrintFaultLine();

// For tests of the guard: when ORVELC_FAULT_INJECT is set and `source` ends
// with its value, the compiler faults on purpose ("!NAME": it is killed).
void InjectFaultFor(const std::string& source);

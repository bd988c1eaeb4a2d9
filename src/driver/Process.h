// Batch jobs, and the guard that turns a fault inside
// the compiler into one diagnostic line and exit status 3.
//
// Scripts of a batch are compiled in separate processes where the system has
// them, so that a fault inside the compiler ends only the script that met
// it: that script reports the internal-error line and the batch goes on.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

struct CJobOutcome {
    std::string output;  // everything the job printed to standard output
    int status = 0;      // its exit status
    bool crashed = false;  // killed by a signal, or could not be started
};

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

// Runs a built program as a child process and measures it: wall time from
// just before the spawn to its end, and its peak resident memory.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ChildRun {
    bool started = false;  // false: the program could not be spawned
    int exitStatus = -1;   // the child's exit status, -1 when it did not exit normally
    double seconds = 0.0;  // spawn to end, wall clock
    double cpuSeconds = 0.0;  // processor time of the child, user and system
    long peakKiB = 0;      // peak resident set of the child (getrusage of the child)
    std::string output;    // what the child wrote to its standard output
};

// Runs `program` with `arguments`; its standard output goes to `outputFile`
// and is read back into the result.
ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& outputFile);

}  // namespace bench

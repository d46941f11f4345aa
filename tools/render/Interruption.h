#pragma once
// Signals that would end a command-line tool: the first one is noted, the
// tool stops at its next check and removes its temporary files on the way
// out, then says what stopped it and exits with 128 + the signal's number.

#include <csignal>
#include <string>

namespace veltrax {

// The number of the first ending signal caught; 0 until then.
// [set by the signal handler; read by the tool's own thread]
extern volatile std::sig_atomic_t endingSignal;

// Catches every signal whose default action ends the process, except those
// that report a fault in the process itself (it cannot go on after those).
// [main thread, before any work]
void CatchEndingSignals();

// Prints "TOOL: interrupted (SIGNAL); WHAT" on stderr and returns 128 + the
// signal's number, the conventional status of a process a signal ended.
int ReportInterruption(const char* tool, const std::string& what);

// Waits until `fd` has input (or its end) to read; false once an ending
// signal has arrived, even one that came just before the wait.
// [main thread, while it is the only one: the signal mask is per thread]
bool WaitForInput(int fd);

// Test hook: with VELTRAX_TEST_STOP_AT=PLACE in the environment the process
// stops itself (SIGSTOP) the first time it reaches PLACE ("temporary" once
// its first temporary file exists, "audio" after the first block of audio),
// so a test can send its signal at that point and then let the tool go on.
void TestStopPoint(const char* place);

}  // namespace veltrax

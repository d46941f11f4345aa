#include "Interruption.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace veltrax {

volatile std::sig_atomic_t endingSignal = 0;

namespace {

void NoteSignal(int signal) {
  if (!endingSignal) endingSignal = signal;
}

}  // namespace

void CatchEndingSignals() {
  const int signals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGPIPE, SIGALRM, SIGTERM,   SIGUSR1, SIGUSR2,
                         SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGSTKFLT, SIGPWR};
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a read blocked on a pipe returns, so the signal is seen.
  action.sa_flags = 0;
  auto catchOne = [&action](int signal) {
    struct sigaction previous {};
    // A signal the caller ignores (nohup, a background job) stays ignored.
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
    sigaction(signal, &action, nullptr);
  };
  for (int signal : signals) catchOne(signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) catchOne(signal);
}

int ReportInterruption(const char* tool, const std::string& what) {
  const int signal = endingSignal;
  std::fprintf(stderr, "%s: interrupted (%s); %s\n", tool, strsignal(signal), what.c_str());
  return 128 + signal;
}

void TestStopPoint(const char* place) {
  static bool stopped = false;
  const char* wanted = std::getenv("VELTRAX_TEST_STOP_AT");
  if (stopped || !wanted || std::strcmp(wanted, place) != 0) return;
  stopped = true;
  raise(SIGSTOP);
}

}  // namespace veltrax

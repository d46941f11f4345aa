#include "Interruption.h"

#include <poll.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace veltrax {

volatile std::sig_atomic_t endingSignal = 0;

namespace {

sigset_t caughtSignals;

void NoteSignal(int signal) {
  if (!endingSignal) endingSignal = signal;
}

}  // namespace

void CatchEndingSignals() {
  const int signals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGPIPE, SIGALRM, SIGTERM,   SIGUSR1, SIGUSR2,
                         SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGSTKFLT, SIGPWR};
  sigemptyset(&caughtSignals);
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a read blocked on a pipe returns, so the signal is seen.
  action.sa_flags = 0;
  auto catchOne = [&action](int signal) {
    struct sigaction previous {};
    // A signal the caller ignores (nohup, a background job) stays ignored.
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
    if (sigaction(signal, &action, nullptr) == 0) sigaddset(&caughtSignals, signal);
  };
  for (int signal : signals) catchOne(signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) catchOne(signal);
}

int ReportInterruption(const char* tool, const std::string& what) {
  const int signal = endingSignal;
  std::fprintf(stderr, "%s: interrupted (%s); %s\n", tool, strsignal(signal), what.c_str());
  return 128 + signal;
}

bool WaitForInput(int fd) {
  // The caught signals are held back except inside ppoll, so one that comes
  // between the check and the wait still ends the wait.
  sigset_t previous;
  sigprocmask(SIG_BLOCK, &caughtSignals, &previous);
  bool ready = false;
  while (!endingSignal) {
    struct pollfd wanted {fd, POLLIN, 0};
    if (ppoll(&wanted, 1, nullptr, &previous) > 0) {
      ready = true;
      break;
    }
    if (errno != EINTR) {
      // Not pollable: let the read itself report.
      ready = true;
      break;
    }
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return ready && !endingSignal;
}

void TestStopPoint(const char* place) {
  static bool stopped = false;
  const char* wanted = std::getenv("VELTRAX_TEST_STOP_AT");
  if (stopped || !wanted || std::strcmp(wanted, place) != 0) return;
  stopped = true;
  raise(SIGSTOP);
}

}  // namespace veltrax

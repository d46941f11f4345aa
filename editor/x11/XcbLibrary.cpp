#include "XcbLibrary.h"

#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <time.h>

namespace veltrax {
namespace xcb {

const Functions* Library() {
  // Function statics are built once even when two editors open at once.
  static const Functions* const functions = []() -> const Functions* {
    void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Functions loaded;
    bool complete = true;
#define VELTRAX_XCB_RESOLVE(name)                                            \
  loaded.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name)); \
  complete = complete && loaded.name != nullptr;
    VELTRAX_XCB_FUNCTIONS(VELTRAX_XCB_RESOLVE)
#undef VELTRAX_XCB_RESOLVE
    if (!complete) {
      dlclose(library);
      return nullptr;
    }
    return &loaded;
  }();
  return functions;
}

namespace {

sigset_t OnlySigpipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  return set;
}

bool SigpipePending() {
  sigset_t pending;
  return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

}  // namespace

SigpipeGuard::SigpipeGuard() {
  const sigset_t pipe = OnlySigpipe();
  pendingBefore = SigpipePending();
  blocked = pthread_sigmask(SIG_BLOCK, &pipe, &previousMask) == 0;
}

SigpipeGuard::~SigpipeGuard() {
  if (!blocked) return;
  // One that was pending already is somebody else's: left alone.
  if (!pendingBefore && SigpipePending()) {
    const sigset_t pipe = OnlySigpipe();
    const timespec now{0, 0};
    while (sigtimedwait(&pipe, nullptr, &now) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

}  // namespace xcb
}  // namespace veltrax

// The Windows sides of the two locks: PlugLock and the creation lock of the
// entry point are critical sections here.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ModuleLoader.h"
#include "PlugLock.h"
#include "VstAbi.h"

namespace veltrax {

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

intptr_t VST_CALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The owner may take it again; another thread gets it only after the last
// release.
TEST(PlatformLocks, PlugLockIsRecursiveAndExcludesOtherThreads) {
  PlugLock lock;
  std::atomic<bool> otherHolds{false};
  lock.Lock();
  lock.Lock();
  std::thread other([&] {
    PlugLockGuard guard(lock);
    otherHolds = true;
  });
  lock.Unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(otherHolds) << "another thread entered while the owner still held the lock once";
  lock.Unlock();
  other.join();
  EXPECT_TRUE(otherHolds);
}

// Hosts may create instances from several threads at once.
TEST(PlatformLocks, ConcurrentEntryCallsMakeDistinctWorkingInstances) {
  std::string error;
  void* module = OpenModule(VELTRAX_PLUGIN_PATH, error);
  ASSERT_NE(module, nullptr) << error;
  auto entry = reinterpret_cast<PluginEntry>(ModuleSymbol(module, "VSTPluginMain"));
  ASSERT_NE(entry, nullptr);

  constexpr int kThreads = 8;
  std::vector<AEffect*> effects(kThreads, nullptr);
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      effects[i] = entry(&QuietHost);
    });
  go = true;
  for (std::thread& t : threads) t.join();

  for (int i = 0; i < kThreads; ++i) {
    ASSERT_NE(effects[i], nullptr);
    EXPECT_EQ(effects[i]->magic, kEffectMagic);
    EXPECT_EQ(effects[i]->numPrograms, 1);
    for (int j = 0; j < i; ++j) EXPECT_NE(effects[i]->object, effects[j]->object);
  }
  for (AEffect* e : effects) {
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  }
  CloseModule(module);
}

}  // namespace

}  // namespace veltrax

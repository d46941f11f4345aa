// The module's factory: one class, the Veltrax component (its own edit
// controller). One factory at a time; every GetPluginFactory is a reference
// of the caller's, and the last release deletes it.

#include <cstring>
#include <memory>
#include <new>

#include "EffectFactory.h"
#include "EffectVST3.h"
#include "PluginModule.h"
#include "TextCopy.h"
#include "Vst3Identity.h"
#include "Vst3Text.h"

namespace veltrax {

using namespace vst3;

namespace {

constexpr Tuid kClassId = makeTuid(vst3id::kClassIdWords[0], vst3id::kClassIdWords[1],
                                   vst3id::kClassIdWords[2], vst3id::kClassIdWords[3]);

// The fields the three class-info records share, the rest zero: false for
// any class but the one.
template <class Info>
bool StartClassInfo(int32_t index, Info* info) {
  if (info == nullptr || index != 0) return false;
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->cid, kClassId.bytes, sizeof(TUID));
  info->cardinality = PClassInfo::kManyInstances;
  CopyTextBounded(info->category, kVstAudioEffectClass);
  return true;
}

class Vst3Factory final : public IClassFactory3 {
 public:
  // [any thread; no lock]
  tresult VST3_CALL queryInterface(const TUID interfaceId, void** obj) override {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (interfaceId == nullptr) return kInvalidArgument;
    if (!tuidsEqual(interfaceId, FUnknown::iid) && !tuidsEqual(interfaceId, IClassFactory::iid) &&
        !tuidsEqual(interfaceId, IClassFactory2::iid) && !tuidsEqual(interfaceId, IClassFactory3::iid))
      return kNoInterface;
    *obj = static_cast<IClassFactory3*>(this);
    addRef();
    return kResultOk;
  }
  // [any thread; takes the creation lock, which also guards the module's factory]
  uint32_t VST3_CALL addRef() override;
  uint32_t VST3_CALL release() override;

  // [any thread; no lock] Constant answers.
  tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) override {
    if (info == nullptr) return kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    CopyTextBounded(info->vendor, vst3id::kVendor);
    CopyTextBounded(info->url, vst3id::kVendorUrl);
    CopyTextBounded(info->email, vst3id::kVendorEmail);
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
  }
  int32_t VST3_CALL countClasses() override { return 1; }
  tresult VST3_CALL getClassInfo(int32_t index, PClassInfo* info) override {
    if (!StartClassInfo(index, info)) return kInvalidArgument;
    CopyTextBounded(info->name, vst3id::kClassName);
    return kResultOk;
  }
  tresult VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) override {
    if (!StartClassInfo(index, info)) return kInvalidArgument;
    CopyTextBounded(info->name, vst3id::kClassName);
    info->classFlags = 0;  // component and controller are one object: not distributable
    CopyTextBounded(info->subCategories, vst3id::kSubCategories);
    CopyTextBounded(info->vendor, vst3id::kVendor);
    CopyTextBounded(info->version, vst3id::kVersion);
    CopyTextBounded(info->sdkVersion, vst3id::kInterfaceVersion);
    return kResultOk;
  }
  tresult VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) override {
    if (!StartClassInfo(index, info)) return kInvalidArgument;
    Utf8ToUtf16(vst3id::kClassName, info->name, PClassInfo::kNameSize);
    info->classFlags = 0;
    CopyTextBounded(info->subCategories, vst3id::kSubCategories);
    Utf8ToUtf16(vst3id::kVendor, info->vendor, PClassInfo2::kVendorSize);
    Utf8ToUtf16(vst3id::kVersion, info->version, PClassInfo2::kVersionSize);
    Utf8ToUtf16(vst3id::kInterfaceVersion, info->sdkVersion, PClassInfo2::kVersionSize);
    return kResultOk;
  }
  // [any host thread; takes the creation lock for the construction]
  tresult VST3_CALL createInstance(FIDString cid, FIDString interfaceId, void** obj) override {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || interfaceId == nullptr) return kInvalidArgument;
    if (!tuidsEqual(cid, kClassId)) return kNoInterface;
    IEffectVST3* component = nullptr;
    {
      CreationLockGuard creation;
      try {
        component = CreateVst3Instance();
      } catch (...) {
        // Nothing may unwind into the host: a failed construction is no instance.
        component = nullptr;
      }
    }
    if (component == nullptr) return kOutOfMemory;
    const tresult result = component->queryInterface(interfaceId, obj);
    component->release();  // the caller's reference is the one the query added
    return result;
  }
  // [UI thread; no lock] Nothing of the host's context is needed.
  tresult VST3_CALL setHostContext(FUnknown* /*context*/) override { return kResultOk; }

 private:
  uint32_t references = 1;  // under the creation lock
};

Vst3Factory* moduleFactory = nullptr;  // under the creation lock

uint32_t Vst3Factory::addRef() {
  CreationLockGuard creation;
  return ++references;
}

uint32_t Vst3Factory::release() {
  CreationLockGuard creation;
  const uint32_t left = --references;
  if (left == 0) {
    if (moduleFactory == this) moduleFactory = nullptr;
    delete this;
  }
  return left;
}

}  // namespace

IEffectVST3* CreateVst3Instance() {
  // The effect is the caller's until the adapter has taken it whole: an
  // adapter that cannot be made (no memory, or its construction throws)
  // leaves it to be deleted here.
  std::unique_ptr<IEffectBase> plug(CreateHostedEffect());
  if (plug == nullptr) return nullptr;
  auto* adapter = new (std::nothrow) IEffectVST3(plug.get());
  if (adapter != nullptr) plug.release();  // the adapter's now
  return adapter;
}

// [any host thread; takes the creation lock] The module's factory with a
// reference for the caller; none when it cannot be made.
IClassFactory* ModuleFactory() {
  CreationLockGuard creation;
  if (moduleFactory != nullptr) {
    moduleFactory->addRef();  // recursive: the creation lock is taken again
    return moduleFactory;
  }
  moduleFactory = new (std::nothrow) Vst3Factory();
  return moduleFactory;
}

}  // namespace veltrax

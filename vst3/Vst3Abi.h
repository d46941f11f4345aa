#pragma once
// The VST 3 plug-in binary interface as hosts see it: COM-style interfaces
// (abstract classes whose vtables are the contract, each with a 16-byte
// interface id), the result codes, and the records hosts and plug-ins
// exchange. Written from the published interface; only what this plug-in
// implements or calls is declared, and the ids its tests and hosts ask
// for; records passed only by pointer are declared by name. Layouts are
// checked against the x86-64 sizes and offsets (the same on Linux and
// Windows) at the end of the file.
//
// The module exports `GetPluginFactory` (GetFactoryProc); Linux modules also
// export `ModuleEntry` and `ModuleExit`, Windows ones may export `InitDll`
// and `ExitDll`.
//
// The class names are this project's own: hosts match an interface by its
// id and its vtable, never by name.
//
// Rules for the classes below: single inheritance only, no virtual
// destructor, no overloaded virtual methods, so that every compiler lays the
// vtable out as the methods are declared.

#include <cstddef>
#include <cstdint>

namespace veltrax {
namespace vst3 {

// The COM calling convention. x86-64 has a single convention on each OS, so
// this only spells out which one the vtables use.
#if defined(_WIN32)
#define VST3_CALL __stdcall
#define VST3_COM_COMPATIBLE 1
#else
#define VST3_CALL
#define VST3_COM_COMPATIBLE 0
#endif

// ---------------------------------------------------------------- basic types

using tresult = int32_t;
using TBool = uint8_t;
using char8 = char;
using char16 = char16_t;  // UTF-16 code unit on every platform
using TChar = char16;
using String128 = TChar[128];
using FIDString = const char8*;
using TUID = char[16];

// On Windows hosts read results as HRESULTs, so there they take the COM values.
#if VST3_COM_COMPATIBLE
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = kResultOk;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = kResultOk;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// ---------------------------------------------------------------- interface ids

// A TUID held by value, so that ids can be built in constant expressions and
// passed wherever a TUID is expected.
struct Tuid {
  char bytes[16];
  constexpr operator const char*() const { return bytes; }
};

// Builds an id from the four 32-bit words of its published text form. On
// Windows the bytes are in COM GUID order (first word, then two 16-bit
// halves, each little-endian, then the last eight bytes as written), so that
// hosts can treat ids as GUIDs; elsewhere all sixteen bytes are as written.
constexpr Tuid makeTuid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
  Tuid id{};
  const uint32_t words[4] = {l1, l2, l3, l4};
  for (int i = 0; i < 16; ++i) {
    id.bytes[i] = static_cast<char>(words[i / 4] >> (24 - 8 * (i % 4)));
  }
#if VST3_COM_COMPATIBLE
  // Data1 (4 bytes) and Data2, Data3 (2 bytes each) little-endian.
  const int order[8] = {3, 2, 1, 0, 5, 4, 7, 6};
  char head[8] = {};
  for (int i = 0; i < 8; ++i) head[i] = id.bytes[order[i]];
  for (int i = 0; i < 8; ++i) id.bytes[i] = head[i];
#endif
  return id;
}

// All sixteen bytes: ids may hold zero bytes anywhere, so no string compare.
constexpr bool tuidsEqual(const char* a, const char* b) {
  for (int i = 0; i < 16; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// ---------------------------------------------------------------- FUnknown

class FUnknown {
 public:
  virtual tresult VST3_CALL queryInterface(const TUID interfaceId, void** obj) = 0;
  virtual uint32_t VST3_CALL addRef() = 0;
  virtual uint32_t VST3_CALL release() = 0;

  static constexpr Tuid iid = makeTuid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
};

class IModulePart : public FUnknown {
 public:
  virtual tresult VST3_CALL initialize(FUnknown* context) = 0;
  virtual tresult VST3_CALL terminate() = 0;

  static constexpr Tuid iid = makeTuid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
};

// ---------------------------------------------------------------- streams

class IBStream : public FUnknown {
 public:
  // Each result pointer may be null.
  virtual tresult VST3_CALL read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
  virtual tresult VST3_CALL write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
  virtual tresult VST3_CALL seek(int64_t pos, int32_t mode, int64_t* result) = 0;
  virtual tresult VST3_CALL tell(int64_t* pos) = 0;

  static constexpr Tuid iid = makeTuid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
};

// ---------------------------------------------------------------- factory

struct PFactoryInfo {
  enum FactoryFlags : int32_t {
    kNoFlags = 0,
    kClassesDiscardable = 1 << 0,
    kLicenseCheck = 1 << 1,
    kComponentNonDiscardable = 1 << 3,
    kUnicode = 1 << 4,  // the factory answers getClassInfoUnicode
  };
  enum : int32_t { kURLSize = 256, kEmailSize = 128, kNameSize = 64 };

  char8 vendor[kNameSize];
  char8 url[kURLSize];
  char8 email[kEmailSize];
  int32_t flags;
};

struct PClassInfo {
  enum ClassCardinality : int32_t { kManyInstances = 0x7FFFFFFF };
  enum : int32_t { kCategorySize = 32, kNameSize = 64 };

  TUID cid;
  int32_t cardinality;
  char8 category[kCategorySize];
  char8 name[kNameSize];
};

struct PClassInfo2 {
  enum : int32_t { kVendorSize = 64, kVersionSize = 64, kSubCategoriesSize = 128 };

  TUID cid;
  int32_t cardinality;
  char8 category[PClassInfo::kCategorySize];
  char8 name[PClassInfo::kNameSize];
  uint32_t classFlags;
  char8 subCategories[kSubCategoriesSize];  // "|"-separated
  char8 vendor[kVendorSize];
  char8 version[kVersionSize];
  char8 sdkVersion[kVersionSize];
};

struct PClassInfoW {
  TUID cid;
  int32_t cardinality;
  char8 category[PClassInfo::kCategorySize];
  char16 name[PClassInfo::kNameSize];
  uint32_t classFlags;
  char8 subCategories[PClassInfo2::kSubCategoriesSize];
  char16 vendor[PClassInfo2::kVendorSize];
  char16 version[PClassInfo2::kVersionSize];
  char16 sdkVersion[PClassInfo2::kVersionSize];
};

// PClassInfo::category of an audio processor.
inline constexpr char kVstAudioEffectClass[] = "Audio Module Class";

class IClassFactory : public FUnknown {
 public:
  virtual tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32_t VST3_CALL countClasses() = 0;
  virtual tresult VST3_CALL getClassInfo(int32_t index, PClassInfo* info) = 0;
  virtual tresult VST3_CALL createInstance(FIDString cid, FIDString interfaceId, void** obj) = 0;

  static constexpr Tuid iid = makeTuid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
};

class IClassFactory2 : public IClassFactory {
 public:
  virtual tresult VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) = 0;

  static constexpr Tuid iid = makeTuid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
};

class IClassFactory3 : public IClassFactory2 {
 public:
  virtual tresult VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
  virtual tresult VST3_CALL setHostContext(FUnknown* context) = 0;

  static constexpr Tuid iid = makeTuid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
};

// Entry points the module exports.
using GetFactoryProc = IClassFactory*(VST3_CALL*)();
using ModuleEntryProc = bool (*)(void* sharedLibraryHandle);  // Linux
using ModuleExitProc = bool (*)();                           // Linux
using InitDllProc = bool (*)();                              // Windows
using ExitDllProc = bool (*)();                              // Windows

// ---------------------------------------------------------------- component

using MediaType = int32_t;
using BusDirection = int32_t;
using BusType = int32_t;
using IoMode = int32_t;
using UnitID = int32_t;
using ParamID = uint32_t;
using ParamValue = double;
using Speaker = uint64_t;
using SpeakerArrangement = uint64_t;  // one bit per speaker
using SampleRate = double;
using Sample32 = float;
using Sample64 = double;

enum MediaTypes : int32_t { kAudio = 0, kEvent = 1, kNumMediaTypes = 2 };
enum BusDirections : int32_t { kInput = 0, kOutput = 1 };
enum BusTypes : int32_t { kMain = 0, kAux = 1 };
enum IoModes : int32_t { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

constexpr Speaker kSpeakerL = Speaker{1} << 0;
constexpr Speaker kSpeakerR = Speaker{1} << 1;
constexpr Speaker kSpeakerM = Speaker{1} << 19;

namespace SpeakerArr {
constexpr SpeakerArrangement kEmpty = 0;
constexpr SpeakerArrangement kMono = kSpeakerM;
constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;
}  // namespace SpeakerArr

struct BusInfo {
  enum BusFlags : uint32_t {
    kDefaultActive = 1 << 0,
    kIsControlVoltage = 1 << 1,
  };

  MediaType mediaType;
  BusDirection direction;
  int32_t channelCount;
  String128 name;
  BusType busType;
  uint32_t flags;
};

struct RoutingInfo {
  MediaType mediaType;
  int32_t busIndex;
  int32_t channel;
};

class IComponent : public IModulePart {
 public:
  virtual tresult VST3_CALL getControllerClassId(TUID classId) = 0;
  virtual tresult VST3_CALL setIoMode(IoMode mode) = 0;
  virtual int32_t VST3_CALL getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus) = 0;
  virtual tresult VST3_CALL getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
  virtual tresult VST3_CALL activateBus(MediaType type, BusDirection dir, int32_t index, TBool state) = 0;
  virtual tresult VST3_CALL setActive(TBool state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;

  static constexpr Tuid iid = makeTuid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
};

// ---------------------------------------------------------------- parameter changes

// The points of one parameter within a block, in sample-offset order.
class IParamValueQueue : public FUnknown {
 public:
  virtual ParamID VST3_CALL getParameterId() = 0;
  virtual int32_t VST3_CALL getPointCount() = 0;
  virtual tresult VST3_CALL getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
  virtual tresult VST3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;

  static constexpr Tuid iid = makeTuid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
};

class IParameterChanges : public FUnknown {
 public:
  virtual int32_t VST3_CALL getParameterCount() = 0;
  virtual IParamValueQueue* VST3_CALL getParameterData(int32_t index) = 0;
  virtual IParamValueQueue* VST3_CALL addParameterData(const ParamID& id, int32_t& index) = 0;

  static constexpr Tuid iid = makeTuid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
};

// ---------------------------------------------------------------- events

// The plug-in takes no events; the list is declared for the process
// record, its id for hosts that ask.
struct Event;

class IEventList : public FUnknown {
 public:
  virtual int32_t VST3_CALL getEventCount() = 0;
  virtual tresult VST3_CALL getEvent(int32_t index, Event& e) = 0;
  virtual tresult VST3_CALL addEvent(Event& e) = 0;

  static constexpr Tuid iid = makeTuid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
};

// ---------------------------------------------------------------- audio processing

enum ProcessModes : int32_t { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
enum SymbolicSampleSizes : int32_t { kSample32 = 0, kSample64 = 1 };

constexpr uint32_t kNoTail = 0;
constexpr uint32_t kInfiniteTail = 0xFFFFFFFFu;

struct ProcessSetup {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t maxSamplesPerBlock;
  SampleRate sampleRate;
};

struct AudioBusBuffers {
  int32_t numChannels;
  uint64_t silenceFlags;  // bit n: channel n is silent
  union {
    Sample32** channelBuffers32;
    Sample64** channelBuffers64;
  };
};

// The transport; the plug-in does not read it.
struct ProcessContext;

struct ProcessData {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t numSamples;
  int32_t numInputs;
  int32_t numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
 public:
  virtual tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                               SpeakerArrangement* outputs, int32_t numOuts) = 0;
  virtual tresult VST3_CALL getBusArrangement(BusDirection dir, int32_t index, SpeakerArrangement& arr) = 0;
  virtual tresult VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) = 0;
  virtual uint32_t VST3_CALL getLatencySamples() = 0;
  virtual tresult VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
  virtual tresult VST3_CALL setProcessing(TBool state) = 0;
  virtual tresult VST3_CALL process(ProcessData& data) = 0;
  virtual uint32_t VST3_CALL getTailSamples() = 0;

  static constexpr Tuid iid = makeTuid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
};

// ---------------------------------------------------------------- views

inline constexpr char kPlatformTypeHWND[] = "HWND";
inline constexpr char kPlatformTypeX11EmbedWindowID[] = "X11EmbedWindowID";

namespace ViewType {
inline constexpr char kEditor[] = "editor";
}  // namespace ViewType

struct ViewRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

  constexpr int32_t getWidth() const { return right - left; }
  constexpr int32_t getHeight() const { return bottom - top; }
};

class IEditorView;

class IEditorFrame : public FUnknown {
 public:
  virtual tresult VST3_CALL resizeView(IEditorView* view, ViewRect* newSize) = 0;

  static constexpr Tuid iid = makeTuid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
};

class IEditorView : public FUnknown {
 public:
  virtual tresult VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
  virtual tresult VST3_CALL attached(void* parent, FIDString type) = 0;
  virtual tresult VST3_CALL removed() = 0;
  virtual tresult VST3_CALL onWheel(float distance) = 0;
  virtual tresult VST3_CALL onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult VST3_CALL onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult VST3_CALL getSize(ViewRect* size) = 0;
  virtual tresult VST3_CALL onSize(ViewRect* newSize) = 0;
  virtual tresult VST3_CALL onFocus(TBool state) = 0;
  virtual tresult VST3_CALL setFrame(IEditorFrame* frame) = 0;
  virtual tresult VST3_CALL canResize() = 0;
  virtual tresult VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;

  static constexpr Tuid iid = makeTuid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
};

class IEditorViewContentScale : public FUnknown {
 public:
  using ScaleFactor = float;
  virtual tresult VST3_CALL setContentScaleFactor(ScaleFactor factor) = 0;

  static constexpr Tuid iid = makeTuid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
};

// The host's run loop on Linux: a view gets it from its IEditorFrame and has
// its timers and file descriptors served on the host's UI thread.
using FileDescriptor = int;
using TimerInterval = uint64_t;  // milliseconds

class IEventHandler : public FUnknown {
 public:
  virtual void VST3_CALL onFDIsSet(FileDescriptor fd) = 0;

  static constexpr Tuid iid = makeTuid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
};

class ITimerHandler : public FUnknown {
 public:
  virtual void VST3_CALL onTimer() = 0;

  static constexpr Tuid iid = makeTuid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
};

class IRunLoop : public FUnknown {
 public:
  virtual tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
  virtual tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
  virtual tresult VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;

  static constexpr Tuid iid = makeTuid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
};

// ---------------------------------------------------------------- edit controller

struct ParameterInfo {
  enum ParameterFlags : int32_t {
    kNoFlags = 0,
    kCanAutomate = 1 << 0,
    kIsReadOnly = 1 << 1,
    kIsWrapAround = 1 << 2,
    kIsList = 1 << 3,
    kIsHidden = 1 << 4,
    kIsProgramChange = 1 << 15,
    kIsBypass = 1 << 16,
  };

  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32_t stepCount;  // 0: continuous
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  int32_t flags;
};

constexpr UnitID kRootUnitId = 0;

class IComponentHandler : public FUnknown {
 public:
  virtual tresult VST3_CALL beginEdit(ParamID id) = 0;
  virtual tresult VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
  virtual tresult VST3_CALL endEdit(ParamID id) = 0;
  virtual tresult VST3_CALL restartComponent(int32_t flags) = 0;

  static constexpr Tuid iid = makeTuid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
};

class IEditController : public IModulePart {
 public:
  virtual tresult VST3_CALL setComponentState(IBStream* state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
  virtual int32_t VST3_CALL getParameterCount() = 0;
  virtual tresult VST3_CALL getParameterInfo(int32_t paramIndex, ParameterInfo& info) = 0;
  virtual tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
  virtual tresult VST3_CALL getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
  virtual ParamValue VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
  virtual ParamValue VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
  virtual ParamValue VST3_CALL getParamNormalized(ParamID id) = 0;
  virtual tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
  virtual tresult VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
  virtual IEditorView* VST3_CALL createView(FIDString name) = 0;

  static constexpr Tuid iid = makeTuid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
};

// What hosts ask a component for to connect it to a separate controller:
// the plug-in keeps both in one object and has none.
class IMessage;

class IConnectionPoint : public FUnknown {
 public:
  virtual tresult VST3_CALL connect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL disconnect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL notify(IMessage* message) = 0;

  static constexpr Tuid iid = makeTuid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
};

// ---------------------------------------------------------------- host

class IHostApplication : public FUnknown {
 public:
  virtual tresult VST3_CALL getName(String128 name) = 0;
  virtual tresult VST3_CALL createInstance(TUID cid, TUID interfaceId, void** obj) = 0;

  static constexpr Tuid iid = makeTuid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
};

// ---------------------------------------------------------------- layout checks

static_assert(sizeof(TUID) == 16 && sizeof(Tuid) == 16, "TUID layout");
static_assert(sizeof(char16) == 2 && sizeof(String128) == 256, "UTF-16 strings");
static_assert(sizeof(TBool) == 1, "TBool layout");

#if defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(FUnknown) == sizeof(void*), "an interface is one vtable pointer");
static_assert(sizeof(PFactoryInfo) == 452, "PFactoryInfo layout");
static_assert(offsetof(PFactoryInfo, url) == 64, "PFactoryInfo layout");
static_assert(offsetof(PFactoryInfo, email) == 320, "PFactoryInfo layout");
static_assert(offsetof(PFactoryInfo, flags) == 448, "PFactoryInfo layout");
static_assert(sizeof(PClassInfo) == 116, "PClassInfo layout");
static_assert(offsetof(PClassInfo, cardinality) == 16, "PClassInfo layout");
static_assert(offsetof(PClassInfo, category) == 20, "PClassInfo layout");
static_assert(offsetof(PClassInfo, name) == 52, "PClassInfo layout");
static_assert(sizeof(PClassInfo2) == 440, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, cardinality) == 16, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, category) == 20, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, name) == 52, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, classFlags) == 116, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, subCategories) == 120, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, vendor) == 248, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, version) == 312, "PClassInfo2 layout");
static_assert(offsetof(PClassInfo2, sdkVersion) == 376, "PClassInfo2 layout");
static_assert(sizeof(PClassInfoW) == 696, "PClassInfoW layout");
static_assert(offsetof(PClassInfoW, name) == 52, "PClassInfoW layout");
static_assert(offsetof(PClassInfoW, classFlags) == 180, "PClassInfoW layout");
static_assert(offsetof(PClassInfoW, subCategories) == 184, "PClassInfoW layout");
static_assert(offsetof(PClassInfoW, vendor) == 312, "PClassInfoW layout");
static_assert(offsetof(PClassInfoW, version) == 440, "PClassInfoW layout");
static_assert(offsetof(PClassInfoW, sdkVersion) == 568, "PClassInfoW layout");
static_assert(sizeof(BusInfo) == 276, "BusInfo layout");
static_assert(offsetof(BusInfo, name) == 12, "BusInfo layout");
static_assert(offsetof(BusInfo, busType) == 268, "BusInfo layout");
static_assert(offsetof(BusInfo, flags) == 272, "BusInfo layout");
static_assert(sizeof(RoutingInfo) == 12, "RoutingInfo layout");
static_assert(sizeof(ProcessSetup) == 24, "ProcessSetup layout");
static_assert(offsetof(ProcessSetup, symbolicSampleSize) == 4, "ProcessSetup layout");
static_assert(offsetof(ProcessSetup, maxSamplesPerBlock) == 8, "ProcessSetup layout");
static_assert(offsetof(ProcessSetup, sampleRate) == 16, "ProcessSetup layout");
static_assert(sizeof(AudioBusBuffers) == 24, "AudioBusBuffers layout");
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8, "AudioBusBuffers layout");
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16, "AudioBusBuffers layout");
static_assert(offsetof(AudioBusBuffers, channelBuffers64) == 16, "AudioBusBuffers layout");
static_assert(sizeof(ProcessData) == 80, "ProcessData layout");
static_assert(offsetof(ProcessData, symbolicSampleSize) == 4, "ProcessData layout");
static_assert(offsetof(ProcessData, numSamples) == 8, "ProcessData layout");
static_assert(offsetof(ProcessData, numInputs) == 12, "ProcessData layout");
static_assert(offsetof(ProcessData, numOutputs) == 16, "ProcessData layout");
static_assert(offsetof(ProcessData, inputs) == 24, "ProcessData layout");
static_assert(offsetof(ProcessData, outputs) == 32, "ProcessData layout");
static_assert(offsetof(ProcessData, inputParameterChanges) == 40, "ProcessData layout");
static_assert(offsetof(ProcessData, outputParameterChanges) == 48, "ProcessData layout");
static_assert(offsetof(ProcessData, inputEvents) == 56, "ProcessData layout");
static_assert(offsetof(ProcessData, outputEvents) == 64, "ProcessData layout");
static_assert(offsetof(ProcessData, processContext) == 72, "ProcessData layout");
static_assert(sizeof(ParameterInfo) == 792, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, title) == 4, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, shortTitle) == 260, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, units) == 516, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, stepCount) == 772, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, unitId) == 784, "ParameterInfo layout");
static_assert(offsetof(ParameterInfo, flags) == 788, "ParameterInfo layout");
static_assert(sizeof(ViewRect) == 16, "ViewRect layout");
#endif

}  // namespace vst3
}  // namespace veltrax

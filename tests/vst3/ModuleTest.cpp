// The module as a host first meets it: factory, class, moduleinfo.json,
// interfaces and reference counts, the parameter contract against the VST 2
// plug-in, buses, the view's fixed facts and hosts that call out of turn.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>

#include "PluginHost.h"
#include "Vst3Host.h"

namespace veltrax::vst3 {
namespace {

std::string Narrow(const char16* text, int size) {
  std::string out;
  for (int i = 0; i < size && text[i] != 0; ++i) out += static_cast<char>(text[i]);
  return out;
}

// The class id in its published text form (on Windows the bytes are a GUID's).
std::string IdText(const TUID id) {
  int order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
#if defined(_WIN32)
  const int guid[8] = {3, 2, 1, 0, 5, 4, 7, 6};
  for (int i = 0; i < 8; ++i) order[i] = guid[i];
#endif
  std::string text;
  char hex[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(id[order[i]]));
    text += hex;
  }
  return text;
}

TEST(Module, TheFactoryDescribesOneClassAsModuleInfoDoes) {
  ASSERT_NE(Module().getFactory, nullptr) << Module().error;
  IClassFactory* factory = Module().getFactory();
  IClassFactory3* factory3 = nullptr;
  ASSERT_EQ(factory->queryInterface(IClassFactory3::iid, reinterpret_cast<void**>(&factory3)), kResultOk);

  PFactoryInfo info{};
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Quillmarsh");
  EXPECT_STREQ(info.url, "https://quillmarsh.example");
  EXPECT_STREQ(info.email, "support@quillmarsh.example");
  EXPECT_EQ(info.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);
  ASSERT_EQ(factory->countClasses(), 1);

  PClassInfo2 info2{};
  PClassInfoW infoW{};
  ASSERT_EQ(factory3->getClassInfo2(0, &info2), kResultOk);
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &infoW), kResultOk);
  EXPECT_STREQ(info2.category, "Audio Module Class");
  EXPECT_STREQ(info2.name, "Veltrax");
  EXPECT_STREQ(info2.subCategories, "Fx|Distortion");
  EXPECT_STREQ(info2.vendor, "Quillmarsh");
  EXPECT_EQ(info2.cardinality, PClassInfo::kManyInstances);
  EXPECT_EQ(Narrow(infoW.name, 64), "Veltrax");
  EXPECT_EQ(Narrow(infoW.version, 64), info2.version);
  EXPECT_TRUE(tuidsEqual(infoW.cid, info2.cid));
  // The version is the VST 2 plug-in's (10000 there).
  veltrax::Instance vst2;
  ASSERT_TRUE(vst2);
  const intptr_t v = vst2.Dispatch(effGetVendorVersion);
  EXPECT_EQ(std::string(info2.version), std::to_string(v / 10000) + "." +
                                            std::to_string(v / 100 % 100) + "." +
                                            std::to_string(v % 100));

  EXPECT_EQ(factory->getClassInfo(1, reinterpret_cast<PClassInfo*>(&info2)), kInvalidArgument);
  void* object = &info;
  EXPECT_EQ(factory->createInstance(IComponent::iid, IComponent::iid, &object), kNoInterface);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->createInstance(info2.cid, IEditorView::iid, &object), kNoInterface);
  EXPECT_EQ(object, nullptr);

  std::ifstream file(VELTRAX_VST3_MODULE_INFO);
  ASSERT_TRUE(file) << VELTRAX_VST3_MODULE_INFO;
  std::stringstream json;
  json << file.rdbuf();
  for (const std::string& expected :
       {"\"CID\": \"" + IdText(info2.cid) + "\"", std::string("\"Name\": \"Veltrax\""),
        std::string("\"Category\": \"Audio Module Class\""), "\"Version\": \"" + std::string(info2.version) + "\"",
        std::string("\"Vendor\": \"Quillmarsh\""), std::string("\"Sub Categories\": [\"Fx\", \"Distortion\"]")})
    EXPECT_NE(json.str().find(expected), std::string::npos) << expected;

  EXPECT_EQ(factory3->release(), 1u);
  EXPECT_EQ(factory->release(), 0u);
}

// Every reference a query or a view adds is given back; the last release
// answers 0 (and deletes, which the sanitizer lanes check).
TEST(Module, ReferencesBalanceDownToZero) {
  IClassFactory* factory = Module().getFactory();
  PClassInfo info{};
  factory->getClassInfo(0, &info);
  FUnknown* unknown = nullptr;
  ASSERT_EQ(factory->createInstance(info.cid, FUnknown::iid, reinterpret_cast<void**>(&unknown)), kResultOk);
  EXPECT_EQ(factory->release(), 0u);

  IComponent* component = nullptr;
  IAudioProcessor* processor = nullptr;
  IEditController* controller = nullptr;
  IModulePart* base = nullptr;
  ASSERT_EQ(unknown->queryInterface(IComponent::iid, reinterpret_cast<void**>(&component)), kResultOk);
  ASSERT_EQ(unknown->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&processor)), kResultOk);
  ASSERT_EQ(processor->queryInterface(IEditController::iid, reinterpret_cast<void**>(&controller)), kResultOk);
  ASSERT_EQ(controller->queryInterface(IModulePart::iid, reinterpret_cast<void**>(&base)), kResultOk);
  void* none = &info;
  EXPECT_EQ(unknown->queryInterface(IConnectionPoint::iid, &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(unknown->queryInterface(IComponent::iid, nullptr), kInvalidArgument);
  HostApplication application;
  ASSERT_EQ(base->initialize(&application), kResultOk);
  EXPECT_EQ(application.references, 1u);  // asked, not kept

  RecordingHandler handler;
  controller->setComponentHandler(&handler);
  EXPECT_EQ(handler.references, 2u);
  IEditorView* view = controller->createView("editor");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(controller->createView("editor"), nullptr);  // one view at a time
  EXPECT_EQ(controller->createView("other"), nullptr);
  // The view: one size, the platform's window type, no content scaling.
  ViewRect size{10, 10, 900, 900};
  EXPECT_EQ(view->checkSizeConstraint(&size), kResultTrue);
  EXPECT_EQ(size.getWidth(), 700);
  EXPECT_EQ(size.getHeight(), 160);
  EXPECT_EQ(view->canResize(), kResultFalse);
#if defined(_WIN32)
  const char* const types[2] = {kPlatformTypeHWND, kPlatformTypeX11EmbedWindowID};
#else
  const char* const types[2] = {kPlatformTypeX11EmbedWindowID, kPlatformTypeHWND};
#endif
  EXPECT_EQ(view->isPlatformTypeSupported(types[0]), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported(types[1]), kResultFalse);
  EXPECT_EQ(view->attached(nullptr, types[0]), kInvalidArgument);
  EXPECT_EQ(view->removed(), kResultFalse);  // never attached
  void* scaling = nullptr;
  ASSERT_EQ(view->queryInterface(IEditorViewContentScale::iid, &scaling), kResultOk);
  EXPECT_EQ(static_cast<IEditorViewContentScale*>(scaling)->release(), 1u);
  EXPECT_EQ(component->addRef(), 7u);  // four interfaces, the view's and this one
  EXPECT_EQ(component->release(), 6u);
  EXPECT_EQ(view->release(), 0u);

  EXPECT_EQ(base->terminate(), kResultOk);
  EXPECT_EQ(handler.references, 1u);
  EXPECT_EQ(base->release(), 4u);
  EXPECT_EQ(controller->release(), 3u);
  EXPECT_EQ(processor->release(), 2u);
  EXPECT_EQ(component->release(), 1u);
  EXPECT_EQ(unknown->release(), 0u);
}

// Ids, titles, steps and defaults as the VST 2 plug-in's indices, names and
// fresh values; Power is no bypass.
TEST(Parameters, AreTheVst2PluginsHostParameters) {
  Plugin plug;
  veltrax::Instance vst2;
  ASSERT_TRUE(plug && vst2);
  const struct {
    ParamID id;
    const char* units;
    int32_t steps;
  } expected[] = {{0, "%", 0}, {1, "%", 0}, {2, "", 4}, {3, "", 1}, {7, "", 1}};
  ASSERT_EQ(plug.controller->getParameterCount(), 5);
  for (int i = 0; i < 5; ++i) {
    ParameterInfo info{};
    ASSERT_EQ(plug.controller->getParameterInfo(i, info), kResultOk);
    const int index = static_cast<int>(expected[i].id);
    EXPECT_EQ(info.id, expected[i].id);
    EXPECT_EQ(Narrow(info.title, 128), vst2.ParamName(index));
    EXPECT_EQ(Narrow(info.units, 128), expected[i].units) << index;
    EXPECT_EQ(info.stepCount, expected[i].steps) << index;
    EXPECT_EQ(static_cast<float>(info.defaultNormalizedValue), vst2.Get(index)) << index;
    EXPECT_EQ(plug.controller->getParamNormalized(info.id), info.defaultNormalizedValue);
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate) << index;
  }
  ParameterInfo info{};
  plug.controller->getParameterInfo(0, info);
  EXPECT_EQ(info.defaultNormalizedValue, std::sqrt(0.5));
  EXPECT_EQ(plug.controller->getParameterInfo(5, info), kInvalidArgument);
  EXPECT_EQ(plug.controller->getParameterInfo(-1, info), kInvalidArgument);
  EXPECT_EQ(plug.controller->setParamNormalized(4, 0.5), kInvalidArgument);  // a meter
  EXPECT_EQ(plug.controller->getParamNormalized(4), 0.0);
}

// Texts for any position are what the VST 2 plug-in shows after taking it,
// and read back to a position that shows the same text.
TEST(Parameters, TextsAreTheVst2DisplayTextsBothWays) {
  Plugin plug;
  veltrax::Instance vst2;
  ASSERT_TRUE(plug && vst2);
  EXPECT_EQ(plug.Text(0, std::sqrt(0.5)), "100.00");
  EXPECT_EQ(plug.Text(3, 1.0), "on");
  EXPECT_EQ(plug.Text(7, 0.0), "off");
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const ParamID id = std::vector<ParamID>{0, 1, 2, 3, 7}[round % 5];
    const float position = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    vst2.Set(static_cast<int>(id), position);
    const std::string text = plug.Text(id, position);
    ASSERT_EQ(text, vst2.ParamDisplay(static_cast<int>(id))) << id << " at " << position;

    std::u16string wide(text.begin(), text.end());
    ParamValue back = -1.0;
    ASSERT_EQ(plug.controller->getParamValueByString(id, wide.data(), back), kResultOk) << text;
    EXPECT_EQ(plug.Text(id, back), text);
  }
  std::u16string words[] = {u"abc", u"nan", u"inf", u"maybe"};
  ParamValue value = 0.25;
  EXPECT_EQ(plug.controller->getParamValueByString(3, words[3].data(), value), kResultFalse);
  EXPECT_EQ(plug.controller->getParamValueByString(0, words[1].data(), value), kResultFalse);
  EXPECT_EQ(plug.controller->getParamValueByString(0, words[2].data(), value), kResultFalse);
  EXPECT_EQ(plug.controller->getParamValueByString(1, words[0].data(), value), kResultFalse);
  EXPECT_EQ(plug.controller->getParamValueByString(5, words[0].data(), value), kInvalidArgument);
  EXPECT_EQ(value, 0.25);
  EXPECT_EQ(plug.controller->getParamStringByValue(0, std::nan(""), nullptr), kInvalidArgument);
  EXPECT_EQ(plug.controller->normalizedParamToPlain(2, 0.5), 3.0);
  EXPECT_EQ(plug.controller->plainParamToNormalized(2, 3.0), 0.5);
}

TEST(Buses, StereoOrMonoEachWayAndNothingElse) {
  Plugin plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug.component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(plug.component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(plug.component->getBusCount(kEvent, kInput), 0);
  BusInfo bus{};
  ASSERT_EQ(plug.component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
  EXPECT_EQ(bus.channelCount, 2);
  EXPECT_EQ(bus.busType, kMain);
  EXPECT_EQ(plug.component->getBusInfo(kAudio, kOutput, 1, bus), kInvalidArgument);
  EXPECT_EQ(plug.component->getBusInfo(kEvent, kInput, 0, bus), kInvalidArgument);

  SpeakerArrangement stereo = SpeakerArr::kStereo, mono = SpeakerArr::kMono;
  SpeakerArrangement surround = SpeakerArr::kStereo | (SpeakerArrangement{1} << 2);
  SpeakerArrangement pair[2] = {stereo, stereo};
  IAudioProcessor* p = plug.processor;
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&surround, 1, &surround, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(pair, 2, pair, 2), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(nullptr, 0, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(nullptr, 1, nullptr, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  SpeakerArrangement now = 0;
  ASSERT_EQ(p->getBusArrangement(kOutput, 0, now), kResultOk);
  EXPECT_EQ(now, mono);
  plug.component->getBusInfo(kAudio, kInput, 0, bus);
  EXPECT_EQ(bus.channelCount, 1);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(2), kResultFalse);
  plug.Start(44100.0, 64, kSample32);
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);  // active
}

// Calls out of turn and records a host got wrong answer with an error
// code and change nothing.
TEST(BadHosts, GetErrorCodesAndNoCrash) {
  Plugin plug(false);
  ASSERT_TRUE(plug);
  float left[8] = {}, right[8] = {};
  void* channels[2] = {left, right};
  EXPECT_EQ(plug.component->setActive(true), kNotInitialized);  // before initialize
  EXPECT_EQ(plug.component->terminate(), kResultFalse);
  ASSERT_EQ(plug.component->initialize(&plug.application), kResultOk);
  plug.initialised = true;
  EXPECT_EQ(plug.Process(channels, channels, 2, 8, kSample32), kNotInitialized);
  EXPECT_EQ(plug.processor->setProcessing(true), kNotInitialized);

  for (ProcessSetup setup : {ProcessSetup{kRealtime, kSample32, 0, 44100.0},
                             ProcessSetup{kRealtime, kSample32, 64, 0.0},
                             ProcessSetup{kRealtime, kSample32, 64, std::nan("")},
                             ProcessSetup{kRealtime, 5, 64, 44100.0}})
    EXPECT_EQ(plug.processor->setupProcessing(setup), kInvalidArgument);
  plug.Start(44100.0, 8, kSample32);
  EXPECT_EQ(plug.component->setActive(true), kResultFalse);  // already
  ProcessSetup setup{kRealtime, kSample32, 8, 44100.0};
  EXPECT_EQ(plug.processor->setupProcessing(setup), kResultFalse);

  EXPECT_EQ(plug.Process(channels, channels, 2, -1, kSample32), kInvalidArgument);
  EXPECT_EQ(plug.Process(channels, channels, 2, 8, 3), kInvalidArgument);
  EXPECT_EQ(plug.Process(channels, channels, 1, 8, kSample32), kInvalidArgument);  // one of two
  EXPECT_EQ(plug.Process(nullptr, nullptr, 2, 8, kSample32), kInvalidArgument);
  ProcessData data{};
  data.numSamples = 8;
  data.numOutputs = 2;
  EXPECT_EQ(plug.processor->process(data), kInvalidArgument);
  data.numOutputs = 1;  // and no buffers
  EXPECT_EQ(plug.processor->process(data), kInvalidArgument);
  EXPECT_EQ(plug.Process(channels, channels, 2, 8, kSample32), kResultOk);

  EXPECT_EQ(plug.component->setState(nullptr), kInvalidArgument);
  EXPECT_EQ(plug.component->getState(nullptr), kInvalidArgument);
  EXPECT_EQ(plug.controller->setComponentState(nullptr), kInvalidArgument);
  EXPECT_EQ(plug.component->getBusInfo(kAudio, 7, 0, *std::make_unique<BusInfo>()), kInvalidArgument);
  EXPECT_EQ(plug.component->activateBus(kAudio, kInput, 3, true), kInvalidArgument);
  EXPECT_EQ(plug.controller->createView(nullptr), nullptr);
  EXPECT_EQ(plug.component->queryInterface(nullptr, nullptr), kInvalidArgument);
}

}  // namespace
}  // namespace veltrax::vst3

#pragma once
// A plug-in base with the host side stubbed out, configured like the
// effect it carries: 8 parameters, "1-1 2-2", one preset filled "-".

#include <tuple>
#include <utility>
#include <vector>

#include "EffectBase.h"

namespace veltrax {

class StubEffect : public IEffectBase {
 public:
  explicit StubEffect(const char* channelIO = "1-1 2-2", int parameterCount = 8,
                      int presetCount = 1, const char* effectName = "Veltrax")
      : IEffectBase(parameterCount, channelIO, presetCount, effectName, "", "Quillmarsh",
                    0x00010000, 0x566C7478, 0x516D7368, false, false) {
    // The test's thread plays the host's dispatcher thread throughout, so
    // operations that need the lock held can be called directly.
    Lock().Lock();
  }
  ~StubEffect() override { Lock().Unlock(); }

  // While it lives the test's thread plays the editor's input thread instead,
  // which holds no lock: what it tells the host goes out without PlugLock.
  class AsEditorThread {
   public:
    explicit AsEditorThread(StubEffect& effect) : effect(effect) { effect.Lock().Unlock(); }
    ~AsEditorThread() { effect.Lock().Lock(); }
    AsEditorThread(const AsEditorThread&) = delete;
    AsEditorThread& operator=(const AsEditorThread&) = delete;

   private:
    StubEffect& effect;
  };

  // The effect's parameters and its single preset.
  void ConfigureLikeVeltrax() {
    ParamAt(0)->InitNumber("Gain Left", 100.0, 0.0, 200.0, 0.01, "%", "", 1.0);
    ParamAt(0)->SetCurve(2.0);
    ParamAt(1)->InitNumber("Gain Right", 100.0, 0.0, 200.0, 0.01, "%", "", 1.0);
    ParamAt(1)->SetCurve(2.0);
    ParamAt(2)->type = Int;
    ParamAt(2)->InitNumber("Equalizer", 1.0, 1.0, 5.0, 1.0, "%", "", 1.0);
    ParamAt(3)->InitToggle("Power On/Off", true, "%", "");
    ParamAt(7)->InitToggle("Headphones On/Off", false, "%", "");
    FillEmptyPresets("-", 1);
  }

  void ParameterChanged(int index) override {
    changed.push_back(index);
    IEffectBase::ParameterChanged(index);
  }
  void ProgramChanged() override { ++programChanges; }

  void BeginParameterEdit(int) override {}
  void NotifyHostParam(int index, double normalised) override {
    notified.emplace_back(index, normalised);
  }
  void EndParameterEdit(int) override {}
  void NotifyHostDisplay() override {}
  int32_t QuerySamplePosition() override { return 0; }
  double QueryTempo() override { return 120.0; }
  void QueryTimeSignature(int32_t*, int32_t*) override {}
  void QueryTimeInfo(TimeInfo*) override {}
  void EditorResized() override {}
  bool MidiMessageOut(const MidiMessage& message) override {
    midiOut.push_back(message);
    return true;
  }

  double** Inputs() const { return InputChannels(); }
  double** Outputs() const { return OutputChannels(); }

  std::vector<int> changed;
  std::vector<std::pair<int, double>> notified;
  std::vector<MidiMessage> midiOut;
  int programChanges = 0;
};

// Records what the base does to an attached editor.
class FakeEditor : public IEditorLink {
 public:
  struct Control {
    int param;
    int auxParam;  // first aux binding is index 0 when set
    double value = -1.0;
    double aux = -1.0;
  };
  explicit FakeEditor(std::vector<Control> list, bool* deletedFlag = nullptr)
      : controls(std::move(list)), deleted(deletedFlag) {}
  ~FakeEditor() override {
    if (deleted) *deleted = true;
  }

  int Width() const override { return 700; }
  int Height() const override { return 160; }
  int ControlCount() const override { return static_cast<int>(controls.size()); }
  int ControlParamIndex(int position) const override { return controls[position].param; }
  int ControlAuxBindingFor(int position, int param) const override {
    return controls[position].auxParam == param ? 0 : -1;
  }
  void SetValueFromPlug(int position, double normalised) override {
    controls[position].value = normalised;
  }
  void SetAuxValueFromPlug(int position, int binding, double normalised) override {
    if (binding == 0) controls[position].aux = normalised;
  }
  void SetParameterFromPlug(int param, double value, bool normalised) override {
    fromPlug.emplace_back(param, value, normalised);
  }
  void PrepareSurface() override { prepared = true; }
  void* OpenWindow(void*, IHostRunLoop*) override { return nullptr; }
  void CloseWindow() override {}

  std::vector<Control> controls;
  std::vector<std::tuple<int, double, bool>> fromPlug;
  bool prepared = false;
  bool* deleted;
};

}  // namespace veltrax

// Mouse and key events on the front panel in any order, as a window would
// deliver them, with host parameter changes, audio blocks and redraws in
// between. Checks: no crash, every control value and every parameter within
// 0..1, each edit heard as begin, values, end (no value outside an edit, no
// end without its begin), at most one edit open at a time and none left
// open once the window has closed (EndOpenGesture), and the host never told
// about a parameter outside 0..1.

#include "Controls.h"
#include "EffectVST.h"
#include "FuzzSupport.h"
#include "IGraphics.h"

using namespace veltrax;
using namespace veltrax::fuzz;

namespace {

constexpr int kParams = 8;

// What the host heard: which parameters are inside an edit.
struct EditLog {
  bool open[kParams] = {};
  int openCount = 0;
};
EditLog editLog;

intptr_t VST_CALLBACK EditorHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*,
                                 float opt) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterBeginEdit:
      FUZZ_CHECK(index >= 0 && index < kParams);
      FUZZ_CHECK(!editLog.open[index]);
      // A new gesture ends the one before it: never two edits at once.
      FUZZ_CHECK(editLog.openCount == 0);
      editLog.open[index] = true;
      ++editLog.openCount;
      return 1;
    case audioMasterEndEdit:
      FUZZ_CHECK(index >= 0 && index < kParams);
      FUZZ_CHECK(editLog.open[index]);
      editLog.open[index] = false;
      --editLog.openCount;
      return 1;
    case audioMasterAutomate:
      FUZZ_CHECK(index >= 0 && index < kParams);
      FUZZ_CHECK(editLog.open[index]);
      FUZZ_CHECK(opt >= 0.0f && opt <= 1.0f);
      return 1;
    default:
      return 0;
  }
}

// One instance for the whole run: building the panel for every input would
// spend the fuzzer's time on construction.
struct Panel {
  Panel() {
    effect = VSTPluginMain(EditorHost);
    FUZZ_CHECK(effect != nullptr);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, 64, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    editor = dynamic_cast<IGraphics*>(static_cast<IEffectVST*>(effect->object)->Plugin()->Editor());
    FUZZ_CHECK(editor != nullptr);
  }
  AEffect* effect = nullptr;
  IGraphics* editor = nullptr;
};

void ProcessBlock(AEffect* effect, int frames) {
  static float inputs[2][64];
  static float outputs[2][64];
  for (int i = 0; i < frames; ++i) inputs[0][i] = inputs[1][i] = (i & 8) ? 0.9f : -0.7f;
  float* in[2] = {inputs[0], inputs[1]};
  float* out[2] = {outputs[0], outputs[1]};
  effect->processReplacing(effect, in, out, frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Panel panel;
  IGraphics* editor = panel.editor;
  ByteReader bytes(data, size);
  while (!bytes.Empty()) {
    const uint8_t kind = bytes.U8();
    // Positions over the panel and a margin around it, where a grabbed
    // pointer may go.
    const int x = static_cast<int>(bytes.U16() % 900) - 100;
    const int y = static_cast<int>(bytes.U16() % 360) - 100;
    const uint8_t flags = bytes.U8();
    MouseModifiers modifiers;
    modifiers.left = flags & 1;
    modifiers.right = flags & 2;
    modifiers.shift = flags & 4;
    modifiers.control = flags & 8;
    modifiers.alt = flags & 16;
    switch (kind % 11) {
      case 0: editor->HandleMouseDown(x, y, modifiers); break;
      case 1: editor->HandleMouseUp(x, y, modifiers); break;
      case 2:
      case 3: editor->HandleMouseDrag(x, y, modifiers); break;
      case 4: editor->HandleDoubleClick(x, y, modifiers); break;
      case 5: editor->HandleWheel(x, y, modifiers, static_cast<int8_t>(bytes.U8())); break;
      case 6: editor->HandleKeyDown(x, y, bytes.U8() % 48); break;
      case 7:
        editor->HandleMouseOver(x, y, modifiers);
        if (flags & 32) editor->HandleMouseOut();
        break;
      case 8: {
        Rect dirty{};
        if (editor->CollectDirty(dirty)) editor->Redraw(dirty);
        break;
      }
      case 9: panel.effect->setParameter(panel.effect, bytes.U8() % kParams, bytes.Float()); break;
      case 10: ProcessBlock(panel.effect, 1 + bytes.U8() % 64); break;
    }
  }
  // The window closes: whatever gesture is open ends for the host.
  editor->EndOpenGesture();
  FUZZ_CHECK(editLog.openCount == 0);
  for (int i = 0; i < editor->ControlCount(); ++i) {
    const double value = editor->GetControl(i)->Value();
    FUZZ_CHECK(value >= 0.0 && value <= 1.0);
  }
  for (int i = 0; i < kParams; ++i) {
    const float value = panel.effect->getParameter(panel.effect, i);
    FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
  }
  return 0;
}

#pragma once
// Helpers for the editor tests: a Veltrax instance made the way the binary's
// entry point makes it, with a host callback that records what the plug-in
// tells the host; the panel composed from the six image files with the
// raster layer's own Blit; and pixel comparison.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EffectVST.h"
#include "IGraphics.h"
#include "RasterBitmap.h"

namespace veltrax {

struct HostEvent {
  int32_t opcode;
  int32_t index;
  float value;
};

// One Veltrax through CreateVstInstance under the creation lock, as
// VSTPluginMain does, then opened as a host opens it. The test drives it
// through its effect record; the editor is reached through the instance, as
// a window would reach it. Events recorded since construction or Clear().
class PanelInstance {
 public:
  PanelInstance();
  ~PanelInstance();
  PanelInstance(const PanelInstance&) = delete;
  PanelInstance& operator=(const PanelInstance&) = delete;

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  void SetParameter(int index, float value) { effect->setParameter(effect, index, value); }
  float GetParameter(int index) { return effect->getParameter(effect, index); }
  // One stereo block of a sine at amplitude through processReplacing.
  void ProcessBlock(int frames, double amplitude);
  // Every control drawn afresh into the surface.
  void RedrawAll();
  double ControlValue(int position) const;

  std::vector<HostEvent> Events() const;
  void ClearEvents();

  AEffect* effect = nullptr;
  IEffectVST* plug = nullptr;
  IGraphics* graphics = nullptr;
};

// Frames (1-based) shown by the nine controls, in list order 1..8.
struct PanelFrames {
  int gainLeft = 29;
  int gainRight = 29;
  int equaliser = 1;
  int power = 2;
  int meterLeft = 1;
  int meterRight = 1;
  int lamp = 1;
  int headphones = 1;
};

// The busy state: gains 0 and 200 %, equaliser 3, power off, headphones on,
// meters at 0.5 and 1.0, lamp lit.
inline PanelFrames BusyPanelFrames() {
  PanelFrames busy;
  busy.gainLeft = 1;
  busy.gainRight = 40;
  busy.equaliser = 3;
  busy.power = 1;
  busy.headphones = 2;
  busy.meterLeft = 26;
  busy.meterRight = 50;
  busy.lamp = 2;
  return busy;
}

// The panel as it should look: background, then each control's frame at its
// place from the layout table, blended with the image's alpha; at scale 2
// from the images drawn for twice the size, at twice the places.
std::unique_ptr<MemBitmap> ComposePanel(const PanelFrames& frames, int scale = 1);

// Empty when equal; otherwise where and how the first difference shows.
std::string FirstDifference(const RasterBitmap& actual, const RasterBitmap& expected);

}  // namespace veltrax

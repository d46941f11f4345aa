#include "EditorTestSupport.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "Blit.h"
#include "Controls.h"
#include "PluginModule.h"
#include "PngImage.h"

namespace veltrax {

namespace {

std::mutex eventMutex;
std::vector<HostEvent> hostEvents;

intptr_t VST_CALLBACK RecordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*,
                                    float opt) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
      opcode == audioMasterEndEdit) {
    std::lock_guard<std::mutex> guard(eventMutex);
    hostEvents.push_back(HostEvent{opcode, index, opt});
  }
  return 0;
}

std::string ImagePath(const char* name, int scale = 1) {
  std::string path = std::string(VELTRAX_IMAGE_DIR) + (scale == 2 ? "@2x/" : "/") + name;
#if defined(_WIN32)
  if (path[0] == '/') path = "Z:" + path;  // the build machine's root under Wine
#endif
  return path;
}

struct Placement {
  const char* file;
  int frames;
  int x;
  int y;
};

// The layout table, by list position 1..8.
const Placement kPlacements[8] = {
    {"orvoreclevelknob.png", 40, 95, 45},  {"orvoreclevelknob.png", 40, 280, 45},
    {"orvoeqknob.png", 5, 195, 55},        {"orvopowerswitch.png", 2, 630, 80},
    {"orvoVUmeter.png", 50, 390, 45},      {"orvoVUmeter.png", 50, 485, 45},
    {"orvolight.png", 2, 465, -5},         {"orvopowerswitch.png", 2, 630, 30},
};

}  // namespace

PanelInstance::PanelInstance() {
  ClearEvents();
  {
    CreationLockGuard creation;
    plug = CreateVstInstance(&RecordingHost);
  }
  if (!plug) return;
  effect = plug->Effect();
  graphics = dynamic_cast<IGraphics*>(plug->Plugin()->Editor());
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  Dispatch(effSetBlockSize, 0, 512);
  Dispatch(effMainsChanged, 0, 1);
}

PanelInstance::~PanelInstance() {
  if (!effect) return;
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effClose);
}

intptr_t PanelInstance::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PanelInstance::ProcessBlock(int frames, double amplitude) {
  std::vector<float> left(frames), right(frames), outLeft(frames), outRight(frames);
  for (int i = 0; i < frames; ++i) {
    left[i] = right[i] = static_cast<float>(amplitude * std::sin(0.05 * i));
  }
  float* inputs[2] = {left.data(), right.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  effect->processReplacing(effect, inputs, outputs, frames);
}

void PanelInstance::RedrawAll() {
  graphics->MarkAllDirty();
  Rect dirty{};
  graphics->CollectDirty(dirty);
  graphics->Redraw(dirty);
}

double PanelInstance::ControlValue(int position) const {
  return graphics->GetControl(position)->Value();
}

std::vector<HostEvent> PanelInstance::Events() const {
  std::lock_guard<std::mutex> guard(eventMutex);
  return hostEvents;
}

void PanelInstance::ClearEvents() {
  std::lock_guard<std::mutex> guard(eventMutex);
  hostEvents.clear();
}

std::unique_ptr<MemBitmap> ComposePanel(const PanelFrames& frames, int scale) {
  auto panel = std::make_unique<MemBitmap>(700 * scale, 160 * scale);
  std::unique_ptr<MemBitmap> background(LoadPngFile(ImagePath("orvoback.png", scale).c_str()));
  if (!background) return nullptr;
  Blit(panel.get(), background.get(), 0, 0, nullptr, 1.0f, BlendCopy);
  const int shown[8] = {frames.gainLeft,  frames.gainRight,  frames.equaliser, frames.power,
                        frames.meterLeft, frames.meterRight, frames.lamp,      frames.headphones};
  for (int i = 0; i < 8; ++i) {
    const Placement& place = kPlacements[i];
    std::unique_ptr<MemBitmap> image(LoadPngFile(ImagePath(place.file, scale).c_str()));
    if (!image) return nullptr;
    const int frameHeight = image->Height() / place.frames;
    const Rect frame{0, (shown[i] - 1) * frameHeight, image->Width(), shown[i] * frameHeight};
    Blit(panel.get(), image.get(), place.x * scale, place.y * scale, &frame, 1.0f,
         BlendCopy | BlendUseSourceAlpha);
  }
  return panel;
}

std::string FirstDifference(const RasterBitmap& actual, const RasterBitmap& expected) {
  if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
    return "size " + std::to_string(actual.Width()) + " x " + std::to_string(actual.Height()) +
           ", expected " + std::to_string(expected.Width()) + " x " +
           std::to_string(expected.Height());
  }
  int differing = 0;
  std::string first;
  for (int y = 0; y < actual.Height(); ++y) {
    const Pixel* a = actual.Row(y);
    const Pixel* e = expected.Row(y);
    for (int x = 0; x < actual.Width(); ++x) {
      if (a[x] == e[x]) continue;
      if (differing++ == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X", x, y,
                      static_cast<unsigned>(a[x]), static_cast<unsigned>(e[x]));
        first = text;
      }
    }
  }
  return differing == 0 ? "" : first + " (" + std::to_string(differing) + " pixels differ)";
}

}  // namespace veltrax

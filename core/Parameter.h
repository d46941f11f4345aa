#pragma once
// One automatable parameter: its plain value, range, step, curve and display
// texts, and the conversions to and from the normalised position 0..1 that
// host and editor exchange. No lock of its own: the plug-in's PlugLock
// serialises its readers and writers.

#include <cstdint>

#include "GrowBuffer.h"

namespace veltrax {

enum ParamType : int32_t {
  None = 0,    // constructed, never initialised
  Bool = 1,
  Int = 2,
  Enum = 3,
  Double = 4,  // the only kind that escapes step snapping
};

// Truncation toward zero that stays defined for any double: values beyond the
// int32 range are clamped, NaN counts as 0.
int32_t TruncateToInt32(double v);

struct DisplayText {
  int32_t value;
  char text[32];
};

class Parameter {
 public:
  static constexpr int kTextSize = 32;  // name, label, group, display texts

  Parameter() = default;
  Parameter(const Parameter&) = delete;
  Parameter& operator=(const Parameter&) = delete;

  void InitNumber(const char* name, double defaultValue, double min, double max, double step,
                  const char* label = "", const char* group = "", double curve = 1.0);
  void InitToggle(const char* name, bool defaultOn, const char* label = "", const char* group = "");
  void AddDisplayText(int32_t value, const char* text);
  void SetCurve(double exponent) { curve = exponent; }

  // A non-finite x, or one whose mapping is not a number, keeps the value.
  void SetFromNormalized(double x) { value = ValueForPosition(x); }
  // The value SetFromNormalized(x) stores (stepped kinds snapped), or the
  // current one where it would keep it.
  double ValueForPosition(double x) const;
  // v is clamped into [min, max] first (NaN counts as min); an empty range gives 0.
  double Normalize(double v) const;
  double Denormalize(double x) const;

  // Writes the text for v into out, which holds at least outSize bytes.
  void FormatValue(double v, bool isNormalized, char* out, int outSize, bool useDisplayTexts) const;
  void FormatCurrent(char* out, int outSize) const { FormatValue(value, false, out, outSize, true); }
  // The text of the value the parameter takes from position x (held to
  // 0..1): a stepped parameter shows the step it lands on, a switch "on" or
  // "off". x must be finite.
  void FormatPosition(double x, char* out, int outSize) const {
    FormatValue(ValueForPosition(x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x)), false, out, outSize, true);
  }
  const char* LabelForHost() const;
  // The plain value a display text names: one of the display texts exactly
  // (for a parameter that has them), or else a number, negated for a display
  // shown negated. False when it names nothing: no display text matches, or
  // the number read is not finite.
  bool ValueFromText(const char* text, double* plain) const {
    return ParseText(text, plain, false);
  }
  // As ValueFromText, but a text without digits names nothing either (the
  // VST 2 text entry reads "loud" as 0; the formats that can refuse a text do).
  bool ValueFromHostText(const char* text, double* plain) const {
    return ParseText(text, plain, true);
  }
  // Whether hosts see it as a parameter of their own (CLAP, VST3): an
  // initialised, named one. The unnamed indices that only give editor
  // controls a place are not.
  bool IsForHost() const { return type != None && name[0] != '\0'; }

  int DisplayTextCount() const;
  const DisplayText* DisplayTextAt(int index) const;
  // First entry whose value equals v truncated toward zero, or none.
  const DisplayText* DisplayTextFor(double v) const;

  ParamType type = None;
  double value = 0.0;
  double min = 0.0;
  double max = 1.0;
  double step = 1.0;
  double curve = 1.0;
  double defaultValue = 0.0;
  int32_t displayPrecision = 0;
  char name[kTextSize] = "";
  char label[kTextSize] = "";
  char group[kTextSize] = "";
  bool negateDisplay = false;
  GrowBuffer displayTexts{4096};

 private:
  bool ParseText(const char* text, double* plain, bool needDigits) const;
};

}  // namespace veltrax

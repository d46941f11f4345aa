#include "Parameter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TextCopy.h"

namespace veltrax {

namespace {
constexpr int kMaxDisplayPrecision = 6;
}  // namespace

int32_t TruncateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void Parameter::InitNumber(const char* newName, double newDefault, double newMin, double newMax,
                           double newStep, const char* newLabel, const char* newGroup,
                           double newCurve) {
  if (type == None) type = Double;
  CopyTextBounded(name, newName, sizeof name);
  CopyTextBounded(label, newLabel, sizeof label);
  CopyTextBounded(group, newGroup, sizeof group);

  min = newMin;
  value = newDefault;
  max = newMin + newStep > newMax ? newMin + newStep : newMax;
  step = newStep;
  defaultValue = newDefault;

  // As many decimals as the step needs, at most six.
  displayPrecision = 0;
  double s = step;
  while (s != std::floor(s) && displayPrecision < kMaxDisplayPrecision) {
    ++displayPrecision;
    s *= 10.0;
  }

  if (newCurve != 0.0) curve = newCurve;
}

void Parameter::InitToggle(const char* newName, bool defaultOn, const char* newLabel,
                           const char* newGroup) {
  if (type == None) type = Bool;
  InitNumber(newName, defaultOn ? 1.0 : 0.0, 0.0, 1.0, 1.0, newLabel, newGroup, 1.0);
  AddDisplayText(0, "off");
  AddDisplayText(1, "on");
}

void Parameter::AddDisplayText(int32_t textValue, const char* text) {
  // Appended even when the value already has a text: the earlier entry keeps
  // winning the lookups.
  DisplayText entry{};
  entry.value = textValue;
  CopyTextBounded(entry.text, text, sizeof entry.text);
  displayTexts.Append(&entry, static_cast<int32_t>(sizeof entry));
}

double Parameter::ValueForPosition(double x) const {
  // A non-finite position (or one so far outside 0..1 that the mapping is
  // undefined) keeps the previous value: NaN and infinities never reach value.
  if (!std::isfinite(x)) return value;
  double v = Denormalize(x);
  // A step that is not positive cannot be snapped to; such values pass as they are.
  if (type != Double && step > 0.0) v = std::floor(v / step + 0.5) * step;
  if (std::isnan(v)) return value;
  v = v < max ? v : max;
  return std::isfinite(v) ? v : value;
}

double Parameter::Normalize(double v) const {
  if (std::isnan(v) || v < min) {
    v = min;
  } else if (v > max) {
    v = max;
  }
  const double range = max - min;
  // An empty range has no position but its start.
  if (range == 0.0) return 0.0;
  return std::pow((v - min) / range, 1.0 / curve);
}

double Parameter::Denormalize(double x) const { return min + (max - min) * std::pow(x, curve); }

void Parameter::FormatValue(double v, bool isNormalized, char* out, int outSize,
                            bool useDisplayTexts) const {
  if (!out || outSize <= 0) return;
  if (isNormalized) v = Denormalize(v);
  if (useDisplayTexts) {
    const DisplayText* text = DisplayTextFor(v);
    if (text && text->text[0] != '\0') {
      CopyTextBounded(out, text->text, static_cast<size_t>(outSize));
      return;
    }
  }
  if (negateDisplay) v = -v;
  if (displayPrecision == 0) {
    std::snprintf(out, static_cast<size_t>(outSize), "%d", static_cast<int>(TruncateToInt32(v)));
  } else {
    std::snprintf(out, static_cast<size_t>(outSize), "%.*f", static_cast<int>(displayPrecision), v);
  }
}

bool Parameter::ParseText(const char* text, double* plain, bool needDigits) const {
  if (!text || !plain) return false;
  if (DisplayTextCount() > 0) {
    for (int i = 0; i < DisplayTextCount(); ++i) {
      const DisplayText* entry = DisplayTextAt(i);
      if (std::strcmp(entry->text, text) == 0) {
        *plain = entry->value;
        return true;
      }
    }
    return false;
  }
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (needDigits && end == text) return false;
  // strtod reads "nan", "inf" and overflowing numbers; none of them may
  // reach the signal path, so such a text names nothing.
  if (!std::isfinite(v)) return false;
  if (negateDisplay) v = -v;
  *plain = v;
  return true;
}

const char* Parameter::LabelForHost() const {
  const DisplayText* text = DisplayTextFor(value);
  return text && text->text[0] != '\0' ? "" : label;
}

int Parameter::DisplayTextCount() const {
  return displayTexts.Size() / static_cast<int32_t>(sizeof(DisplayText));
}

const DisplayText* Parameter::DisplayTextAt(int index) const {
  if (index < 0 || index >= DisplayTextCount()) return nullptr;
  return static_cast<const DisplayText*>(displayTexts.Data()) + index;
}

const DisplayText* Parameter::DisplayTextFor(double v) const {
  const int32_t key = TruncateToInt32(v);
  const int count = DisplayTextCount();
  for (int i = 0; i < count; ++i) {
    const DisplayText* entry = DisplayTextAt(i);
    if (entry->value == key) return entry;
  }
  return nullptr;
}

}  // namespace veltrax

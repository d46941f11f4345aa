#include "ParameterSettings.h"

#include <cstdlib>

#include "PluginHost.h"

namespace veltrax {

namespace {

std::string DisplayName(PluginHost& host, int index) {
  std::string name = host.ParameterName(index);
  return name.empty() ? "#" + std::to_string(index) : name;
}

std::string DescribeSetting(PluginHost& host, int index) {
  std::string text = DisplayName(host, index) + " = " + host.ParameterDisplay(index);
  std::string label = host.ParameterLabel(index);
  if (!label.empty()) text += " " + label;
  return text;
}

bool StartsWithNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  std::strtod(begin, &end);
  return end != begin;
}

std::string ValidParameterList(PluginHost& host) {
  std::string text;
  for (int i = 0; i < host.NumParams(); ++i) {
    std::string name = host.ParameterName(i);
    text += "\n  " + std::to_string(i) + "  " + (name.empty() ? "(unnamed)" : name);
  }
  return text;
}

}  // namespace

bool ApplyParameterSettings(PluginHost& host, const std::vector<ParameterSetting>& settings,
                            std::vector<std::string>* applied, std::string& error) {
  for (const ParameterSetting& setting : settings) {
    int index = host.FindParameter(setting.name);
    if (index < 0) {
      error = "unknown parameter \"" + setting.name + "\"; give one of these names or indices:" +
              ValidParameterList(host);
      return false;
    }
    if (!host.SetParameterFromText(index, setting.value)) {
      error = "the plug-in refused the value \"" + setting.value + "\" for parameter \"" +
              DisplayName(host, index) + "\" (it stays at \"" + host.ParameterDisplay(index) +
              "\")";
      return false;
    }
    // A plug-in reads text that is not a number as 0; a typo such as
    // "Gain Left=loud" would otherwise silence the channel without a word.
    if (!StartsWithNumber(setting.value) && host.ParameterDisplay(index) != setting.value) {
      error = "\"" + setting.value + "\" is not a number for parameter \"" +
              DisplayName(host, index) + "\" (the plug-in read it as \"" +
              host.ParameterDisplay(index) + "\")";
      return false;
    }
    if (applied) applied->push_back(DescribeSetting(host, index));
  }
  return true;
}

}  // namespace veltrax

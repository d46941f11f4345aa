#pragma once
// --set NAME=VALUE for the command-line tools: a parameter found by name
// (exact, then ignoring case) or index, set from text through the plug-in's
// own effString2Parameter, and refused with a message that says what the
// plug-in took instead.

#include <string>
#include <vector>

#include "Options.h"

namespace veltrax {

class PluginHost;

// Applies the settings in order; on the first one the plug-in does not take,
// false with the message. applied (when given) receives each setting as the
// plug-in now displays it ("Gain Left = 150.00 %").
bool ApplyParameterSettings(PluginHost& host, const std::vector<ParameterSetting>& settings,
                            std::vector<std::string>* applied, std::string& error);

}  // namespace veltrax

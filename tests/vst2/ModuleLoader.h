#pragma once
// Opens the built plug-in binary the way a host does: dlopen on Linux,
// LoadLibrary on Windows. One implementation per platform (posix/, win32/).

#include <string>

namespace veltrax {

// Loads the binary at path (as the build names it); none on failure, with the
// system's reason in error. The module stays loaded until CloseModule.
void* OpenModule(const char* path, std::string& error);
void* ModuleSymbol(void* module, const char* name);
void CloseModule(void* module);

}  // namespace veltrax

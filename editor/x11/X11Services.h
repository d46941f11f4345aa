#pragma once
// The editor's services on Linux: folders, clipboard text and links. Menus,
// dialogs and text entry answer as if the user cancelled: the plug-in brings
// no user-interface toolkit into the host's process, and no control of
// Veltrax opens them (its right-click prompt is disabled).

#include "OffscreenGraphics.h"

namespace veltrax {

class X11Services : public NoServices {
 public:
  // module: the plug-in's own binary, for its folder.
  explicit X11Services(ModuleHandle module) : module(module) {}

  // [any thread; no lock] Host and plug-in folders end with '/'; empty when
  // unknown.
  void HostFolder(GrowString& out) override;
  void PluginFolder(GrowString& out) override;
  // The XDG desktop folder (user-dirs.dirs, else ~/Desktop).
  void DesktopFolder(GrowString& out) override;
  // XDG_DATA_HOME (~/.local/share), or the first of XDG_DATA_DIRS for all users.
  void AppDataFolder(GrowString& out, bool allUsers) override;
  // [any thread; no lock] http, https and mailto addresses only, handed to
  // xdg-open; false for anything else and when a confirmation was asked
  // for, since there is no message box to ask with.
  bool OpenUrl(const char* url, const char* caption, const char* confirmText,
               const char* errorText) override;
  // [any thread; no lock] The CLIPBOARD selection as UTF-8, asked for on a
  // connection of its own; false when there is none within half a second.
  bool ReadClipboardText(GrowString& out) override;

 private:
  ModuleHandle module;
};

}  // namespace veltrax

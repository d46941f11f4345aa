// The services on Linux: folders, clipboard text and links.

#include <dlfcn.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "X11Services.h"
#include "XcbLibrary.h"

extern char** environ;

namespace veltrax {

namespace {

// out := the folder part of path, ending with '/'; empty without one.
void SetFolderOf(GrowString& out, const char* path) {
  out.Clear();
  const char* slash = path ? std::strrchr(path, '/') : nullptr;
  if (slash != nullptr) out.Set(path, static_cast<int32_t>(slash - path + 1));
}

// An environment folder only when it is absolute, as XDG requires.
const char* AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : nullptr;
}

void SetHomeRelative(GrowString& out, const char* rest) {
  out.Clear();
  if (const char* home = AbsoluteEnv("HOME")) {
    out.Set(home);
    out.Append(rest);
  }
}

// The XDG_DESKTOP_DIR line of user-dirs.dirs: "$HOME/Desktop" or an absolute
// path in double quotes. False when there is none.
bool ReadUserDesktopDir(GrowString& out) {
  GrowString file;
  if (const char* config = AbsoluteEnv("XDG_CONFIG_HOME")) {
    file.Set(config);
    file.Append("/user-dirs.dirs");
  } else {
    SetHomeRelative(file, "/.config/user-dirs.dirs");
  }
  if (file.Length() == 0) return false;
  std::FILE* dirs = std::fopen(file.Get(), "re");
  if (dirs == nullptr) return false;
  char line[1024];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, dirs) != nullptr) {
    static const char kKey[] = "XDG_DESKTOP_DIR=\"";
    if (std::strncmp(line, kKey, sizeof kKey - 1) != 0) continue;
    const char* value = line + sizeof kKey - 1;
    const char* end = std::strchr(value, '"');
    if (end == nullptr) break;
    static const char kHome[] = "$HOME";
    if (std::strncmp(value, kHome, sizeof kHome - 1) == 0) {
      SetHomeRelative(out, "");
      if (out.Length() == 0) break;
      value += sizeof kHome - 1;
    } else if (value[0] != '/') {
      break;
    } else {
      out.Clear();
    }
    out.Append(value, static_cast<int32_t>(end - value));
    found = true;
  }
  std::fclose(dirs);
  return found;
}

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
    if (c != *prefix) return false;
  }
  return true;
}

// Web and mail addresses only, without blanks or control characters: what
// xdg-open gets can never be a file, a command or an option.
bool IsOpenableUrl(const char* url) {
  if (url == nullptr) return false;
  if (!StartsWithIgnoringCase(url, "http://") && !StartsWithIgnoringCase(url, "https://") &&
      !StartsWithIgnoringCase(url, "mailto:")) {
    return false;
  }
  size_t length = 0;
  for (const char* c = url; *c != '\0'; ++c, ++length) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte <= 0x20 || byte == 0x7F || length > 4096) return false;
  }
  return true;
}

}  // namespace

void X11Services::HostFolder(GrowString& out) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  path[length > 0 ? length : 0] = '\0';
  SetFolderOf(out, path);
}

void X11Services::PluginFolder(GrowString& out) {
  Dl_info info{};
  void* address = module != nullptr ? module : reinterpret_cast<void*>(&SetFolderOf);
  SetFolderOf(out, dladdr(address, &info) != 0 ? info.dli_fname : nullptr);
}

void X11Services::DesktopFolder(GrowString& out) {
  if (!ReadUserDesktopDir(out)) SetHomeRelative(out, "/Desktop");
}

void X11Services::AppDataFolder(GrowString& out, bool allUsers) {
  if (!allUsers) {
    if (const char* data = AbsoluteEnv("XDG_DATA_HOME")) {
      out.Set(data);
    } else {
      SetHomeRelative(out, "/.local/share");
    }
    return;
  }
  const char* dirs = AbsoluteEnv("XDG_DATA_DIRS");
  if (dirs == nullptr) {
    out.Set("/usr/local/share");
    return;
  }
  const char* colon = std::strchr(dirs, ':');
  out.Set(dirs, colon != nullptr ? static_cast<int32_t>(colon - dirs) : -1);
}

bool X11Services::OpenUrl(const char* url, const char* /*caption*/, const char* confirmText,
                           const char* /*errorText*/) {
  // Without a message box there is no asking: a link that needs a yes stays shut.
  if (confirmText != nullptr || !IsOpenableUrl(url)) return false;
  // The shell starts xdg-open in the background and ends at once, so no
  // child is left for the host to reap; the address is an argument, never
  // part of the command text.
  const char* script = "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
                       "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
  char* const argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                        const_cast<char*>(script), const_cast<char*>("sh"),
                        const_cast<char*>(url), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The host's descriptors (our X connection among them) stay out of the browser.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t child = 0;
  const int failed = posix_spawn(&child, "/bin/sh", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  int status = 0;
  // A host that ignores SIGCHLD leaves nothing to wait for: taken as started.
  if (waitpid(child, &status, 0) != child) return true;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool X11Services::ReadClipboardText(GrowString& out) {
  out.Clear();
  const xcb::Functions* x = xcb::Library();
  if (x == nullptr) return false;
  // A connection of its own: the answer is waited for here without taking
  // the window's events, from whichever thread asks.
  const xcb::SigpipeGuard noSigpipe;
  xcb_connection_t* connection = x->xcb_connect(nullptr, nullptr);
  bool read = false;
  if (!x->xcb_connection_has_error(connection)) {
    const xcb_screen_t* screen = x->xcb_setup_roots_iterator(x->xcb_get_setup(connection)).data;
    const xcb_window_t requestor = x->xcb_generate_id(connection);
    x->xcb_create_window_checked(connection, XCB_COPY_FROM_PARENT, requestor, screen->root, 0, 0,
                                 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0,
                                 nullptr);
    const char* names[] = {"CLIPBOARD", "UTF8_STRING", "VELTRAX_CLIPBOARD", "INCR"};
    xcb_intern_atom_cookie_t cookies[4];
    for (int i = 0; i < 4; ++i) {
      cookies[i] = x->xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(names[i])),
                                      names[i]);
    }
    xcb_atom_t atoms[4] = {};
    for (int i = 0; i < 4; ++i) {
      if (xcb_intern_atom_reply_t* reply = x->xcb_intern_atom_reply(connection, cookies[i], nullptr)) {
        atoms[i] = reply->atom;
        std::free(reply);
      }
    }
    if (atoms[0] != 0 && atoms[1] != 0 && atoms[2] != 0) {
      x->xcb_convert_selection(connection, requestor, atoms[0], atoms[1], atoms[2],
                               XCB_CURRENT_TIME);
      x->xcb_flush(connection);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
      xcb_atom_t property = XCB_ATOM_NONE;
      bool answered = false;
      while (!answered && !x->xcb_connection_has_error(connection)) {
        if (xcb_generic_event_t* event = x->xcb_poll_for_event(connection)) {
          if ((event->response_type & 0x7F) == XCB_SELECTION_NOTIFY) {
            property = reinterpret_cast<xcb_selection_notify_event_t*>(event)->property;
            answered = true;
          }
          std::free(event);
          continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{x->xcb_get_file_descriptor(connection), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
      }
      if (answered && property != XCB_ATOM_NONE) {
        // Up to 1 MiB of text, read in one go; the owner's incremental
        // transfer for larger texts is not followed.
        xcb_get_property_reply_t* reply = x->xcb_get_property_reply(
            connection,
            x->xcb_get_property(connection, 1, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                (1u << 20) / 4),
            nullptr);
        if (reply != nullptr && reply->type != atoms[3] && reply->format == 8) {
          const int length = x->xcb_get_property_value_length(reply);
          read = out.Set(static_cast<const char*>(x->xcb_get_property_value(reply)), length);
        }
        std::free(reply);
      }
    }
  }
  x->xcb_disconnect(connection);
  return read;
}

}  // namespace veltrax

// The services of the editor on Windows: choice menus, message boxes, the
// well-known folders, file and colour dialogs, opening a link and reading the
// clipboard. See WinServices.h for what a modal call may meet.

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "WinServices.h"
#include "WinWindowLink.h"

namespace veltrax {

namespace {

// Numbers the ids of a menu tree: each menu takes one id per item, then its
// submenus follow in item order, depth first.
HMENU BuildNativeMenu(const ChoiceMenu& menu, int& nextId) {
  HMENU native = CreatePopupMenu();
  if (!native) return nullptr;
  const int firstId = nextId;
  nextId += menu.ItemCount();
  for (int i = 0; i < menu.ItemCount(); ++i) {
    const ChoiceMenuItem* item = menu.ItemAt(i);
    if (item->flags & ChoiceItemSeparator) {
      AppendMenuA(native, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::vector<char> label(static_cast<size_t>(item->text.Length()) + 16);
    menu.ItemLabel(i, label.data(), static_cast<int>(label.size()));
    if (item->submenu) {
      HMENU sub = BuildNativeMenu(*item->submenu, nextId);
      if (sub) AppendMenuA(native, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), label.data());
      continue;
    }
    UINT flags = MF_STRING;
    if (item->flags & ChoiceItemGreyed) flags |= MF_GRAYED;
    if (item->flags & ChoiceItemDisabled) flags |= MF_DISABLED;
    if (item->flags & ChoiceItemChecked) flags |= MF_CHECKED;
    AppendMenuA(native, flags, static_cast<UINT_PTR>(firstId + i), label.data());
  }
  return native;
}

// Walks the tree in the numbering order; the menu whose block holds id gets
// its chosenIndex and is returned.
ChoiceMenu* MenuHoldingId(ChoiceMenu& menu, int id, int& nextId) {
  const int firstId = nextId;
  nextId += menu.ItemCount();
  if (id >= firstId && id < nextId) {
    menu.chosenIndex = id - firstId;
    return &menu;
  }
  for (int i = 0; i < menu.ItemCount(); ++i) {
    ChoiceMenuItem* item = menu.ItemAt(i);
    if (item->flags & ChoiceItemSeparator || !item->submenu) continue;
    if (ChoiceMenu* found = MenuHoldingId(*item->submenu, id, nextId)) return found;
  }
  return nullptr;
}

// The folder of a path, ending with its last backslash; empty without one or
// when the path ends with it.
void FolderOf(const char* path, GrowString& out) {
  out.Clear();
  const char* cut = path ? std::strrchr(path, '\\') : nullptr;
  if (!cut || cut[1] == '\0') return;
  out.Set(path, static_cast<int32_t>(cut - path + 1));
}

// The module's file name, whatever its length; empty when it cannot be read.
std::string ModuleFileName(HMODULE module) {
  std::vector<char> name(MAX_PATH);
  while (name.size() <= 32768) {
    const DWORD length = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return std::string();
    // A name that filled the buffer may have been cut: read it again, larger.
    if (length < name.size() - 1) return std::string(name.data(), length);
    name.resize(name.size() * 2);
  }
  return std::string();
}

// Links go to the browser or the mail program; anything else handed to the
// shell could start a program.
bool IsWebOrMailAddress(const char* url) {
  static const char* const kSchemes[] = {"http:", "https:", "mailto:"};
  for (const char* scheme : kSchemes) {
    if (_strnicmp(url, scheme, std::strlen(scheme)) == 0) {
      for (const char* c = url; *c; ++c) {
        // Control characters have no place in an address.
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) return false;
      }
      return url[std::strlen(scheme)] != '\0';
    }
  }
  return false;
}

UINT_PTR CALLBACK ColourDialogHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const CHOOSECOLORA* request = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    const char* prompt = request ? reinterpret_cast<const char*>(request->lCustData) : nullptr;
    if (prompt && prompt[0]) SetWindowTextA(dialog, prompt);
  }
  return 0;
}

struct WindowSearch {
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND candidate, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(candidate, &owner);
  if (owner != search->processId) return TRUE;
  char name[257] = "";
  GetClassNameA(candidate, name, sizeof name);
  if (std::strcmp(name, search->className) != 0) return TRUE;
  search->found = candidate;
  return FALSE;
}

}  // namespace

WinServices::WinServices(WinWindow* ownerWindow, ModuleHandle newModule)
    : window(ownerWindow), module(newModule), alive(std::make_shared<std::atomic<bool>>(true)) {}

WinServices::~WinServices() {
  if (alive) alive->store(false);
  delete[] customColours;
  customColours = nullptr;
}

void* WinServices::OwnerWindow() const { return window ? window->Handle() : nullptr; }

// ---------------------------------------------------------------------------
// Menus and message boxes

ChoiceMenu* WinServices::ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) {
  if (!OwnerWindow()) return nullptr;
  HWND hwnd = AsWindow(OwnerWindow());
  int nextId = 0;
  HMENU native = BuildNativeMenu(menu, nextId);
  if (!native) return nullptr;

  POINT corner = {rect.left, rect.bottom};
  ClientToScreen(hwnd, &corner);
  std::shared_ptr<std::atomic<bool>> token = alive;
  window->SetMenuActive(true);
  const BOOL tracked = TrackPopupMenu(native, 0, corner.x, corner.y, 0, hwnd, nullptr);
  DestroyMenu(native);
  if (!token->load()) return nullptr;
  window->SetMenuActive(false);

  ChoiceMenu* chosen = nullptr;
  MSG command = {};
  // The choice arrives as a command message to the window, posted by the menu.
  if (tracked && OwnerWindow() == hwnd && PeekMessageA(&command, hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE) &&
      HIWORD(command.wParam) == 0) {
    int walkId = 0;
    chosen = MenuHoldingId(menu, LOWORD(command.wParam), walkId);
  }
  if (OwnerWindow()) {
    RECT whole = {0, 0, window->Editor().Width(), window->Editor().Height()};
    InvalidateRect(hwnd, &whole, FALSE);
  }
  return chosen;
}

int WinServices::ShowMessageBox(const char* text, const char* caption, int type) {
  return MessageBoxA(AsWindow(FindHostTopWindow()), text, caption, static_cast<UINT>(type));
}

void* WinServices::FindHostTopWindow() {
  if (hostTopWindow) return hostTopWindow;
  if (void* parent = window ? window->ParentWindow() : nullptr) {
    HWND top = AsWindow(parent);
    while (HWND up = GetParent(top)) top = up;
    hostTopWindow = top;
    GetClassNameA(top, hostWindowClass, sizeof hostWindowClass);
    return hostTopWindow;
  }
  if (hostWindowClass[0] != '\0') {
    processId = GetCurrentProcessId();
    WindowSearch search = {processId, hostWindowClass, nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    hostTopWindow = search.found;
  }
  return hostTopWindow;
}

// ---------------------------------------------------------------------------
// Text entry: the box is a child of the window

void WinServices::BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                                 const char* initialText, Parameter* parameter) {
  if (window) window->BeginTextEntry(control, style, rect, initialText, parameter);
}

void WinServices::CancelTextEntry() {
  if (window) window->CancelTextEntry();
}

// ---------------------------------------------------------------------------
// Folders

void WinServices::HostFolder(GrowString& out) {
  FolderOf(ModuleFileName(nullptr).c_str(), out);
}

void WinServices::PluginFolder(GrowString& out) {
  FolderOf(ModuleFileName(static_cast<HMODULE>(module)).c_str(), out);
}

void WinServices::DesktopFolder(GrowString& out) {
  char path[MAX_PATH + 1] = "";
  out.Clear();
  if (SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOP, FALSE)) {
    path[MAX_PATH] = '\0';
    out.Set(path);
  }
}

void WinServices::AppDataFolder(GrowString& out, bool allUsers) {
  char path[MAX_PATH + 1] = "";
  out.Clear();
  const int folder = allUsers ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA;
  if (SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, 0, path))) {
    path[MAX_PATH] = '\0';
    out.Set(path);
  }
}

// ---------------------------------------------------------------------------
// Dialogs

void WinServices::PromptForFile(GrowString& fileName, int action, GrowString& directory,
                                const char* extensions) {
  if (!OwnerWindow()) {
    fileName.Clear();
    return;
  }
  // Room for any path the dialog can give; a proposed name that does not
  // fit starts the dialog empty rather than cut.
  std::vector<char> chosen(32768, '\0');
  if (static_cast<size_t>(fileName.Length()) < chosen.size()) {
    std::memcpy(chosen.data(), fileName.Get(), static_cast<size_t>(fileName.Length()));
  }
  if (directory.Length() == 0) DesktopFolder(directory);

  // "png jpg" becomes the pattern "*.png;*.jpg", shown as its own
  // description; the first word is the default extension.
  std::string pattern;
  std::string firstWord;
  for (const char* c = extensions ? extensions : ""; *c;) {
    while (*c == ' ') ++c;
    const char* start = c;
    while (*c && *c != ' ') ++c;
    if (c == start) break;
    if (firstWord.empty()) firstWord.assign(start, c);
    if (!pattern.empty()) pattern += ';';
    pattern += "*.";
    pattern.append(start, c);
  }
  std::string filter;
  if (!pattern.empty()) {
    filter = pattern;
    filter += '\0';
    filter += pattern;
    filter += '\0';
  }

  OPENFILENAMEA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = AsWindow(OwnerWindow());
  request.hInstance = static_cast<HINSTANCE>(module);
  request.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  request.lpstrFile = chosen.data();
  request.nMaxFile = static_cast<DWORD>(chosen.size());
  request.lpstrInitialDir = directory.Get();
  request.lpstrDefExt = firstWord.empty() ? nullptr : firstWord.c_str();
  std::shared_ptr<std::atomic<bool>> token = alive;
  BOOL ok;
  if (action == 1) {
    request.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    ok = GetSaveFileNameA(&request);
  } else {
    request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    ok = GetOpenFileNameA(&request);
  }
  // The strings may have gone with the editor while the dialog ran.
  if (!token->load()) return;
  chosen.back() = '\0';
  if (!ok) {
    fileName.Clear();
    return;
  }
  fileName.Set(chosen.data());
  GrowString folder;
  FolderOf(chosen.data(), folder);
  if (folder.Length() > 0) directory.Set(folder.Get());
}

bool WinServices::PromptForColour(EditorColour& colour, const char* prompt) {
  if (!OwnerWindow()) return false;
  if (!customColours) {
    customColours = new (std::nothrow) unsigned long[16]();
    if (!customColours) return false;
  }
  CHOOSECOLORA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = AsWindow(OwnerWindow());
  request.rgbResult = RGB(colour.red, colour.green, colour.blue);
  request.lpCustColors = reinterpret_cast<COLORREF*>(customColours);
  request.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR | CC_SOLIDCOLOR | CC_ENABLEHOOK;
  request.lCustData = reinterpret_cast<LPARAM>(prompt);
  request.lpfnHook = ColourDialogHook;
  std::shared_ptr<std::atomic<bool>> token = alive;
  const BOOL ok = ChooseColorA(&request);
  if (!token->load() || !ok) return false;
  colour.red = GetRValue(request.rgbResult);
  colour.green = GetGValue(request.rgbResult);
  colour.blue = GetBValue(request.rgbResult);
  return true;
}

// ---------------------------------------------------------------------------
// Links and clipboard

bool WinServices::OpenUrl(const char* url, const char* caption, const char* confirmText,
                          const char* errorText) {
  if (!url || !IsWebOrMailAddress(url)) {
    if (errorText) MessageBoxA(AsWindow(OwnerWindow()), errorText, caption, MB_OK);
    return false;
  }
  if (confirmText) {
    std::shared_ptr<std::atomic<bool>> token = alive;
    const int answer = MessageBoxA(AsWindow(OwnerWindow()), confirmText, caption, MB_YESNO);
    if (!token->load() || answer != IDYES) return false;
  }
  DWORD connection = 0;
  if (InternetGetConnectedState(&connection, 0)) {
    const HINSTANCE started = ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) > 32) return true;
  }
  if (errorText) MessageBoxA(nullptr, errorText, caption, MB_OK);
  return false;
}

bool WinServices::ReadClipboardText(GrowString& out) {
  out.Clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(AsWindow(OwnerWindow()))) return false;
  bool read = false;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const wchar_t* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  if (text) {
    // The block need not hold a terminator: never read past its end.
    const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
    size_t length = 0;
    while (length < capacity && text[length] != L'\0') ++length;
    const int wide = static_cast<int>(length);
    const int bytes = wide > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr) : 0;
    if (wide == 0) {
      read = true;
    } else if (bytes > 0) {
      std::vector<char> utf8(static_cast<size_t>(bytes) + 1, '\0');
      if (WideCharToMultiByte(CP_UTF8, 0, text, wide, utf8.data(), bytes, nullptr, nullptr) == bytes) {
        read = out.Set(utf8.data(), bytes);
      }
    }
    GlobalUnlock(data);
  }
  CloseClipboard();
  if (!read) out.Clear();
  return read;
}

}  // namespace veltrax

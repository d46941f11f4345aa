// The in-place text entry and the tooltips of the editor window on Windows.
// The entry is a system edit box over the control, redirected to our own
// handler for Enter, Escape, focus and character filtering; the timer of the
// editor window commits or cancels it (see TimerTick).

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Controls.h"
#include "Parameter.h"
#include "WinWindow.h"
#include "WinWindowLink.h"

namespace veltrax {

namespace {

constexpr int kEntryBoxId = 99;

LRESULT CALLBACK EntryBoxWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return WinWindow::EntryBoxProc(hwnd, message, wParam, lParam);
}

// Whether a typed character may enter a box for a parameter of this type.
bool CharacterAllowed(ParamType type, WPARAM character) {
  if (type == None) return true;
  const bool sign = character == '+' || character == '-';
  const bool digit = character >= '0' && character <= '9';
  if (type == Double) return sign || digit || character == '.';
  return sign || digit;
}

}  // namespace

void WinWindow::BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                               const char* initialText, Parameter* parameter) {
  if (!control || entryBox || !window) return;
  DWORD boxStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | ES_LEFT;
  if (style.alignment == 2) {
    boxStyle |= ES_RIGHT;
  } else if (style.alignment != 0) {
    boxStyle |= ES_CENTER;
  }
  HWND box = CreateWindowExA(0, "EDIT", initialText ? initialText : "", boxStyle, rect.left, rect.top,
                             rect.right - rect.left + 1, rect.bottom - rect.top + 1, AsWindow(window),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryBoxId)),
                             static_cast<HINSTANCE>(module), nullptr);
  // No box, no entry: the editor stays as it was.
  if (!box) return;

  // A font that cannot be made leaves the box with the system's.
  HFONT font = CreateFontA(style.size, 0, 0, 0, style.style == 1 ? FW_BOLD : 0, style.style == 2, FALSE,
                           FALSE, 0, 0, 0, 0, 0, style.face);
  if (font) SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  entryFont = font;
  SendMessageA(box, EM_LIMITTEXT, static_cast<WPARAM>(control->textEntryLimit), 0);
  SendMessageA(box, EM_SETSEL, 0, -1);

  entryBox = box;
  entryControl = control;
  entryParameter = parameter;
  entryBackground = style.entryBackground;
  entryText = style.entryText;
  entryPreviousHandler =
      SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryBoxWindowProc));
  // Focus last: the redirected handler sees it and the state becomes EntryFocused.
  SetFocus(box);
}

void WinWindow::CancelTextEntry() { entryState = EntryCancel; }

intptr_t WinWindow::EntryBoxProc(void* handle, unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND box = AsWindow(handle);
  // The window object, through its window's link, as the window procedure reaches it.
  auto* link = reinterpret_cast<WindowLink*>(GetWindowLongPtrA(GetParent(box), GWLP_USERDATA));
  return WindowLink::Deliver(link, box, message, wParam, lParam, [&](WinWindow& owner) {
    return owner.entryBox == handle ? owner.HandleEntryBoxMessage(message, wParam, lParam)
                                    : DefWindowProcA(box, message, wParam, lParam);
  });
}

intptr_t WinWindow::HandleEntryBoxMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND box = AsWindow(entryBox);
  WNDPROC previous = reinterpret_cast<WNDPROC>(entryPreviousHandler);
  HideTooltip();
  switch (message) {
    case WM_SETFOCUS:
      entryState = EntryFocused;
      break;
    case WM_KILLFOCUS:
      entryState = EntryCommit;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        entryState = EntryCommit;
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        entryState = EntryCancel;
        return 0;
      }
      break;
    case WM_GETDLGCODE: {
      const LRESULT answer = CallWindowProcA(previous, box, message, wParam, lParam);
      const MSG* pending = reinterpret_cast<const MSG*>(lParam);
      if (!entryParameter && pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) {
        return answer | DLGC_WANTALLKEYS;
      }
      return answer;
    }
    case WM_CHAR:
      // Enter and Escape were taken as keys; their characters would only
      // add a line break or a beep to a one-line entry.
      if (wParam == '\r' || wParam == 27) return 0;
      if (entryParameter && wParam != '\b' && !CharacterAllowed(entryParameter->type, wParam)) return 0;
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == 1) {  // an accelerator
        entryState = EntryCommit;
        return 0;
      }
      break;
    default:
      break;
  }
  return CallWindowProcA(previous, box, message, wParam, lParam);
}

void WinWindow::CommitTextEntry() {
  if (!entryBox || !entryControl) return;
  HWND box = AsWindow(entryBox);
  // The whole text, however long the control lets it grow.
  const LRESULT length = SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  SendMessageA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.back() = '\0';

  if (!entryParameter) {
    entryControl->TextEntered(text.data());
    return;
  }
  double plain = 0.0;
  if (entryParameter->type == Bool || entryParameter->type == Enum) {
    for (int i = 0; i < entryParameter->DisplayTextCount(); ++i) {
      const DisplayText* entry = entryParameter->DisplayTextAt(i);
      if (entry && std::strcmp(entry->text, text.data()) == 0) {
        plain = entry->value;
        break;
      }
    }
  } else {
    plain = std::strtod(text.data(), nullptr);
    if (entryParameter->negateDisplay) plain = -plain;
  }
  entryControl->SetValueFromUser(entryParameter->Normalize(plain));
}

void WinWindow::CloseTextEntry() {
  if (entryBox) {
    HWND box = AsWindow(entryBox);
    SetWindowLongPtrA(box, GWLP_WNDPROC, entryPreviousHandler);
    // The keyboard goes back to the editor rather than to nobody.
    if (GetFocus() == box && window) SetFocus(AsWindow(window));
    DestroyWindow(box);
  }
  if (entryFont) DeleteObject(static_cast<HFONT>(entryFont));
  entryFont = nullptr;
  entryBox = nullptr;
  entryParameter = nullptr;
  entryControl = nullptr;
  entryPreviousHandler = 0;
  entryState = EntryIdle;
}

// ---------------------------------------------------------------------------
// Tooltips

namespace {

// The one tool: the whole editor window, named by its handle.
TOOLINFOA ToolFor(HWND editor, const char* text) {
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = editor;
  tool.uId = reinterpret_cast<UINT_PTR>(editor);
  tool.lpszText = const_cast<char*>(text);
  return tool;
}

}  // namespace

void WinWindow::CreateTooltips() {
  INITCOMMONCONTROLSEX init = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  HWND tips = nullptr;
  if (InitCommonControlsEx(&init)) {
    tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, AsWindow(window),
                           nullptr, static_cast<HINSTANCE>(module), nullptr);
  }
  if (tips) {
    SetWindowPos(tips, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TOOLINFOA tool = ToolFor(AsWindow(window), nullptr);
    if (!SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
      DestroyWindow(tips);
      tips = nullptr;
    }
  }
  // No tooltips for this editor rather than a broken window.
  if (!tips) editor.tooltipsEnabled = false;
  tooltipWindow = tips;
}

void WinWindow::DestroyTooltips() {
  if (tooltipWindow) DestroyWindow(AsWindow(tooltipWindow));
  tooltipWindow = nullptr;
  tooltipShown = false;
  tooltipIndex = -1;
}

void WinWindow::ShowTooltip(const char* text) {
  if (!tooltipWindow || !window) return;
  TOOLINFOA tool = ToolFor(AsWindow(window), text ? text : "");
  SendMessageA(AsWindow(tooltipWindow), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void WinWindow::HideTooltip() {
  if (!tooltipShown) return;
  ShowTooltip(nullptr);
  tooltipShown = false;
}

}  // namespace veltrax

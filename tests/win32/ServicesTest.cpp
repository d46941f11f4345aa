// The editor window's services and text entry, each through its real Win32
// call: an editor with WinWindow and WinServices linked into this program on
// a stub plug-in, with test controls whose value prompt is enabled (the
// product's keep it disabled).
// Modal menus and dialogs are answered by a helper thread, as a user would.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "../core/StubEffect.h"
#include "Controls.h"
#include "WinServices.h"
#include "WinWindow.h"
#include "WindowDriver.h"

using namespace veltrax;
using namespace veltrax::wintest;

namespace {

enum TestParam { kLevel = 0, kSteps = 1, kMode = 2, kSwitch = 3, kUntyped = 4 };

class EditCountingStub : public StubEffect {
 public:
  void BeginParameterEdit(int) override { ++begins; }
  void EndParameterEdit(int) override { ++ends; }
  int begins = 0;
  int ends = 0;
};

// A plain control whose right click prompts for its parameter's value.
class PromptControl : public IControl {
 public:
  PromptControl(IEffectBase* plugin, const Rect& rect, int param) : IControl(plugin, rect, param) {
    promptDisabled = false;
    textEntryLimit = 16;
  }
  bool Draw(IGraphics*) override { return true; }
  void TextEntered(const char* text) override { entered = text; }
  std::string entered;
};

// An editor with the Windows window and services, as the product makes it.
IGraphics* MakeEditor(IEffectBase* plugin, int width, int height, HMODULE module, WinWindow** window) {
  auto* graphics = new IGraphics(plugin, width, height, 25, module);
  *window = new WinWindow(*graphics, module);
  graphics->SetPlatform(*window, new WinServices(*window, module));
  return graphics;
}

HWND HostFrame() {
  static HWND host = CreateHostWindow(60, 60, 420, 160);
  return host;
}

std::string TextOf(void* window) {
  char text[256] = "";
  GetWindowTextA(static_cast<HWND>(window), text, sizeof text);
  return text;
}

// The first visible window of this process with the class name, waited for
// up to timeoutMs. [helper thread]
HWND WaitForWindow(const char* className, int timeoutMs = 3000) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    HWND found = FindWindowA(className, nullptr);
    DWORD process = 0;
    if (found) GetWindowThreadProcessId(found, &process);
    if (found && IsWindowVisible(found) && process == GetCurrentProcessId()) return found;
    Sleep(10);
  }
  return nullptr;
}

void PressKeys(std::initializer_list<WORD> keys) {
  for (WORD key : keys) {
    Key(key, true);
    Key(key, false);
  }
}

class Services : public ::testing::Test {
 protected:
  void SetUp() override {
    host = HostFrame();
    ASSERT_NE(host, nullptr);
    SetForegroundWindow(host);
    stub = new EditCountingStub();
    stub->ParamAt(kLevel)->InitNumber("Level", 0.0, -10.0, 10.0, 0.01);
    stub->ParamAt(kSteps)->type = Int;
    stub->ParamAt(kSteps)->InitNumber("Steps", 5.0, 0.0, 100.0, 1.0);
    stub->ParamAt(kMode)->type = Enum;
    stub->ParamAt(kMode)->InitNumber("Mode", 0.0, 0.0, 2.0, 1.0);
    stub->ParamAt(kMode)->AddDisplayText(0, "soft");
    stub->ParamAt(kMode)->AddDisplayText(1, "hard");
    stub->ParamAt(kSwitch)->InitToggle("Switch", false);
    graphics = MakeEditor(stub, 400, 140, GetModuleHandleA(nullptr), &window);
    for (int i = 0; i < 5; ++i) {
      controls[i] = new PromptControl(stub, Rect{20 + 70 * i, 40, 80 + 70 * i, 80}, i);
      graphics->AttachControl(controls[i]);
    }
    freeText = new PromptControl(stub, Rect{20, 100, 380, 130}, -1);
    graphics->AttachControl(freeText);
    stub->AttachEditor(graphics);  // the stub owns the editor from here
    editor = static_cast<HWND>(graphics->OpenWindow(host, nullptr));
    ASSERT_NE(editor, nullptr);
    WatchEditor(editor);
    ASSERT_TRUE(PumpTicks(1));
  }

  void TearDown() override {
    delete stub;
    PumpPending();
  }

  // Opens an entry over control i and waits until the box has the keyboard.
  HWND BeginEntry(int i, Parameter* parameter, const char* initial = "") {
    const Rect& r = controls[i]->GetRect();
    graphics->BeginTextEntry(i == 5 ? freeText : controls[i], controls[i]->Text(), r, initial, parameter);
    PumpUntil([&] { return window->EntryState() == EntryFocused; });
    return static_cast<HWND>(window->EntryBox());
  }

  bool EntryClosed() {
    return PumpUntil([&] { return window->EntryBox() == nullptr; });
  }

  double Plain(int param) const { return stub->ParamAt(param)->value; }

  HWND host = nullptr;
  HWND editor = nullptr;
  EditCountingStub* stub = nullptr;
  IGraphics* graphics = nullptr;  // owned by stub
  WinWindow* window = nullptr;    // owned by graphics
  PromptControl* controls[5] = {};
  PromptControl* freeText = nullptr;
};

TEST_F(Services, RightClickOpensTheEntryAndEnterCommitsWithinATick) {
  const Rect& r = controls[kLevel]->GetRect();
  const POINT at = ScreenPoint(editor, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  MoveMouse(at.x, at.y);
  MouseButton(true, true);
  MouseButton(false, true);
  ASSERT_TRUE(PumpUntil([&] { return window->EntryState() == EntryFocused; }));
  HWND box = static_cast<HWND>(window->EntryBox());
  RECT frame = {};
  GetWindowRect(box, &frame);
  EXPECT_EQ(frame.right - frame.left, 41);  // the 40 x 16 box, both edges included
  EXPECT_EQ(frame.bottom - frame.top, 17);
  EXPECT_EQ(TextOf(box), "0.00");

  TypeText(L"-3.5abc");
  PumpPending();
  EXPECT_EQ(TextOf(box), "-3.5");
  PressKeys({VK_RETURN});
  ASSERT_TRUE(EntryClosed());
  EXPECT_DOUBLE_EQ(Plain(kLevel), -3.5);
  EXPECT_EQ(GetFocus(), editor);
  // The right click's press and release framed an edit, and the typed value
  // is one of its own; the mouse is free again.
  EXPECT_EQ(stub->begins, 2);
  EXPECT_EQ(stub->ends, 2);
  EXPECT_EQ(GetCapture(), nullptr);

  // A display that shows the value negated takes the typed text negated.
  stub->ParamAt(kLevel)->negateDisplay = true;
  BeginEntry(kLevel, stub->ParamAt(kLevel));
  TypeText(L"-3.5");
  PressKeys({VK_RETURN});
  ASSERT_TRUE(EntryClosed());
  EXPECT_DOUBLE_EQ(Plain(kLevel), 3.5);
}

TEST_F(Services, EscapeOrAClickOnTheEditorCancelsLosingFocusCommits) {
  BeginEntry(kSteps, stub->ParamAt(kSteps));
  TypeText(L"42");
  PressKeys({VK_ESCAPE});
  ASSERT_TRUE(EntryClosed());
  EXPECT_EQ(Plain(kSteps), 5.0);

  BeginEntry(kSteps, stub->ParamAt(kSteps));
  TypeText(L"42");
  Click(editor, 390, 10);
  ASSERT_TRUE(EntryClosed());
  EXPECT_EQ(Plain(kSteps), 5.0);

  BeginEntry(kSteps, stub->ParamAt(kSteps));
  TypeText(L"42");
  PumpPending();
  SetFocus(host);  // the user clicks into the host
  ASSERT_TRUE(EntryClosed());
  EXPECT_EQ(Plain(kSteps), 42.0);
}

TEST_F(Services, TypedCharactersAreFilteredByParameterType) {
  struct Case {
    int control;
    Parameter* parameter;
    const char* shown;
  } cases[] = {
      {kSwitch, stub->ParamAt(kSwitch), "+-15"},   {kSteps, stub->ParamAt(kSteps), "+-15"},
      {kMode, stub->ParamAt(kMode), "+-15"},       {kLevel, stub->ParamAt(kLevel), "+-1.5"},
      {kUntyped, stub->ParamAt(kUntyped), "+-1.5e x"}, {5, nullptr, "+-1.5e x"},
  };
  for (const Case& c : cases) {
    HWND box = BeginEntry(c.control, c.parameter);
    ASSERT_NE(box, nullptr);
    TypeText(L"+-1.5e x");
    PumpPending();
    EXPECT_EQ(TextOf(box), c.shown) << "control " << c.control;
    PressKeys({VK_ESCAPE});
    ASSERT_TRUE(EntryClosed());
  }
  // Free text reaches the control whole.
  BeginEntry(5, nullptr);
  TypeText(L"Tape, 15 ips");
  PressKeys({VK_RETURN});
  ASSERT_TRUE(EntryClosed());
  EXPECT_EQ(freeText->entered, "Tape, 15 ips");
}

TEST_F(Services, ChoiceMenusNumberTheirItemsAndMapTheChosenId) {
  ChoiceMenu menu;
  menu.prefixKind = 2;
  for (const char* text : {"One", "Two", "Three", "Four", "Five", "Six"}) menu.AddItem(text);
  std::string thirdLabel;
  std::thread user([&] {
    HWND popup = WaitForWindow("#32768");
    if (!popup) return;
    HMENU shown = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    char label[64] = "";
    GetMenuStringA(shown, 2, label, sizeof label, MF_BYPOSITION);
    thirdLabel = label;
    PressKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  });
  ChoiceMenu* chosen = graphics->ShowChoiceMenu(menu, controls[0]->GetRect());
  user.join();
  EXPECT_EQ(thirdLabel, "03: Three");
  ASSERT_EQ(chosen, &menu);
  EXPECT_EQ(menu.chosenIndex, 3);

  // Outer items take ids 0..2, the submenu the next block: its second item
  // is id 4 and answers as the submenu's index 1.
  ChoiceMenu outer;
  ChoiceMenu* sub = new ChoiceMenu();
  sub->AddItem("X");
  sub->AddItem("Y");
  outer.AddItem("A");
  outer.AddItem("B", 0, sub);
  outer.AddItem("C");
  std::thread user2([] {
    if (!WaitForWindow("#32768")) return;
    PressKeys({VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
  });
  chosen = graphics->ShowChoiceMenu(outer, controls[0]->GetRect());
  user2.join();
  EXPECT_EQ(chosen, sub);
  EXPECT_EQ(sub->chosenIndex, 1);
  EXPECT_EQ(outer.chosenIndex, -1);
}

// Presses a button in every dialog box of this process until stopped; counts them.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(int button) : thread([this, button] {
      while (!stop) {
        HWND dialog = FindWindowA("#32770", nullptr);
        DWORD process = 0;
        if (dialog) GetWindowThreadProcessId(dialog, &process);
        if (dialog && process == GetCurrentProcessId() && IsWindowVisible(dialog) && dialog != last) {
          last = dialog;
          owner = GetWindow(dialog, GW_OWNER);
          ++seen;
          PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        }
        Sleep(10);
      }
    }) {}
  ~DialogAnswerer() {
    stop = true;
    thread.join();
  }
  std::atomic<int> seen{0};
  std::atomic<HWND> owner{nullptr};

 private:
  std::atomic<bool> stop{false};
  HWND last = nullptr;
  std::thread thread;
};

TEST_F(Services, MessageBoxesAndLinkConfirmationsAreAnswered) {
  {
    DialogAnswerer user(IDYES);
    EXPECT_EQ(graphics->ShowMessageBox("Reset the deck?", "Veltrax", MB_YESNO), IDYES);
    EXPECT_EQ(user.seen, 1);
    EXPECT_EQ(user.owner.load(), host);
  }
  {
    DialogAnswerer user(IDNO);
    EXPECT_FALSE(graphics->OpenUrl("https://example.invalid/manual", "Veltrax", "Open the manual?", nullptr));
    EXPECT_EQ(user.seen, 1);
  }
  // Anything but a web or mail address never reaches the shell, nor a question.
  DialogAnswerer user(IDYES);
  for (const char* url : {"C:\\windows\\system32\\notepad.exe", "file:///C:/windows/notepad.exe",
                          "javascript:alert(1)", "http:", "https://a\nb"}) {
    EXPECT_FALSE(graphics->OpenUrl(url, "Veltrax", "Open it?", nullptr)) << url;
  }
  EXPECT_EQ(user.seen, 0);
}

TEST_F(Services, FoldersAreWholePathsEndingWithTheirSeparator) {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  std::string expected = program;
  expected.erase(expected.rfind('\\') + 1);
  GrowString folder;
  graphics->HostFolder(folder);
  EXPECT_EQ(std::string(folder.Get()), expected);
  graphics->PluginFolder(folder);
  EXPECT_EQ(std::string(folder.Get()), expected);
  graphics->DesktopFolder(folder);
  EXPECT_GT(folder.Length(), 3);
  graphics->AppDataFolder(folder, false);
  EXPECT_GT(folder.Length(), 3);
  graphics->UserAppDataFolder(folder);
  EXPECT_GT(folder.Length(), 3);

  // A module deeper than the old 256-byte buffer: its whole folder, or nothing.
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  std::wstring deep = L"\\\\?\\" + std::wstring(temp, temp + std::strlen(temp)) + L"veltrax-long";
  CreateDirectoryW(deep.c_str(), nullptr);
  while (deep.size() < 300) {
    deep += L"\\a-rather-long-folder-name-for-a-plug-in";
    CreateDirectoryW(deep.c_str(), nullptr);
  }
  const std::wstring copy = deep + L"\\copy.exe";
  const std::wstring source(program, program + std::strlen(program));
  if (!CopyFileW(source.c_str(), copy.c_str(), FALSE)) GTEST_SKIP() << "no file at a path this long here";
  HMODULE loaded = LoadLibraryExW(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!loaded) GTEST_SKIP() << "no module at a path this long here";
  WinWindow* deepWindow = nullptr;
  std::unique_ptr<IGraphics> deepEditor(MakeEditor(stub, 10, 10, loaded, &deepWindow));
  deepEditor->PluginFolder(folder);
  const std::string got = folder.Get();
  FreeLibrary(loaded);
  EXPECT_TRUE(got.empty() || (got.size() > 300 && got.back() == '\\' && got.find("a-rather-long") != std::string::npos))
      << got;
}

TEST_F(Services, DialogsWithoutAWindowAnswerNothing) {
  graphics->CloseWindow();
  GrowString fileName;
  fileName.Set("take.wav");
  GrowString directory;
  graphics->PromptForFile(fileName, 1, directory, "wav aiff");
  EXPECT_EQ(fileName.Length(), 0);
  EditorColour colour;
  EXPECT_FALSE(graphics->PromptForColour(colour, "Lamp colour"));
  ChoiceMenu menu;
  menu.AddItem("One");
  EXPECT_EQ(graphics->ShowChoiceMenu(menu, Rect{0, 0, 10, 10}), nullptr);
}

bool PutClipboard(UINT format, const void* bytes, size_t size) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  bool put = true;
  if (bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    put = SetClipboardData(format, block) != nullptr;
  }
  CloseClipboard();
  return put;
}

TEST_F(Services, ClipboardTextRoundTripsAsUtf8) {
  const wchar_t wide[] = L"B\u00e4nder \u2013 \u78c1\u5e26 \u2713";
  ASSERT_TRUE(PutClipboard(CF_UNICODETEXT, wide, sizeof wide));
  GrowString text;
  ASSERT_TRUE(graphics->ReadClipboardText(text));
  EXPECT_STREQ(text.Get(), "B\xc3\xa4nder \xe2\x80\x93 \xe7\xa3\x81\xe5\xb8\xa6 \xe2\x9c\x93");

  // Text without a terminator is read within its block (Wine puts one in
  // the block's last character itself; Windows leaves the block as it is).
  ASSERT_TRUE(PutClipboard(CF_UNICODETEXT, L"abc", 3 * sizeof(wchar_t)));
  ASSERT_TRUE(graphics->ReadClipboardText(text));
  const std::string unterminated = text.Get();
  EXPECT_TRUE(unterminated == "abc" || unterminated == "ab") << unterminated;

  ASSERT_TRUE(PutClipboard(CF_UNICODETEXT, nullptr, 0));
  text.Set("stale");
  EXPECT_FALSE(graphics->ReadClipboardText(text));
  EXPECT_EQ(text.Length(), 0);
}

TEST_F(Services, ClosingDuringAnEntryOrAHeldButtonLeavesNothingBehind) {
  HWND box = BeginEntry(kLevel, stub->ParamAt(kLevel));
  ASSERT_NE(box, nullptr);
  graphics->CloseWindow();
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(window->EntryBox(), nullptr);
  PumpPending();

  editor = static_cast<HWND>(graphics->OpenWindow(host, nullptr));
  ASSERT_NE(editor, nullptr);
  const POINT at = ScreenPoint(editor, 50, 60);
  MoveMouse(at.x, at.y);
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return GetCapture() == editor; }));
  graphics->CloseWindow();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(stub->begins, 1);
  EXPECT_EQ(stub->ends, 1);
  MouseButton(false);
  PumpPending();
  EXPECT_EQ(stub->ends, 1);
  WNDCLASSA registered;
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "IEffectWndClass", &registered));
}

TEST_F(Services, ClosingFromAnotherThreadEndsAMenuInProgress) {
  ChoiceMenu menu;
  menu.AddItem("One");
  menu.AddItem("Two");
  std::thread host2([this] {
    if (WaitForWindow("#32768")) graphics->CloseWindow();
  });
  EXPECT_EQ(graphics->ShowChoiceMenu(menu, controls[0]->GetRect()), nullptr);
  host2.join();
  EXPECT_EQ(graphics->WindowHandle(), nullptr);
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(FindWindowA("#32768", nullptr) != nullptr && IsWindowVisible(FindWindowA("#32768", nullptr)), false);
}

EditCountingStub* doomed = nullptr;

TEST_F(Services, DestroyingTheInstanceDuringAMenuTouchesNothingAfterwards) {
  ChoiceMenu menu;
  menu.AddItem("One");
  doomed = stub;
  // The host destroys the instance from its own timer while the menu is up.
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    delete doomed;
    doomed = nullptr;
  });
  IGraphics* editorObject = graphics;
  EXPECT_EQ(editorObject->ShowChoiceMenu(menu, controls[0]->GetRect()), nullptr);
  EXPECT_EQ(doomed, nullptr);
  EXPECT_FALSE(IsWindow(editor));
  stub = nullptr;  // gone already
}

}  // namespace

namespace {

TEST_F(Services, TooltipsAreMadeOnlyWhenEnabledAndGoWithTheWindow) {
  EXPECT_EQ(window->TooltipWindow(), nullptr);
  graphics->CloseWindow();
  graphics->tooltipsEnabled = true;
  editor = static_cast<HWND>(graphics->OpenWindow(host, nullptr));
  ASSERT_NE(editor, nullptr);
  HWND tips = static_cast<HWND>(window->TooltipWindow());
  ASSERT_NE(tips, nullptr);
  char name[64] = "";
  GetClassNameA(tips, name, sizeof name);
  EXPECT_STREQ(name, "tooltips_class32");
  graphics->CloseWindow();
  EXPECT_FALSE(IsWindow(tips));
}

TEST_F(Services, ResizeGrowsTheWindowAndTheHostsChildFrames) {
  // host > frame (a plain child, as hosts nest them) > editor: the window
  // and its parent and grandparent grow by the difference.
  HWND frame = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 140, host, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(frame, nullptr);
  graphics->CloseWindow();
  editor = static_cast<HWND>(graphics->OpenWindow(frame, nullptr));
  ASSERT_NE(editor, nullptr);
  RECT hostBefore = {};
  GetWindowRect(host, &hostBefore);
  graphics->Resize(420, 150);  // the stub builds no controls again
  RECT r = {};
  GetWindowRect(editor, &r);
  EXPECT_EQ(r.right - r.left, 420);
  EXPECT_EQ(r.bottom - r.top, 150);
  GetWindowRect(frame, &r);
  EXPECT_EQ(r.right - r.left, 420);
  EXPECT_EQ(r.bottom - r.top, 150);
  // The frame's parent grows too: the host's window around its frame.
  GetWindowRect(host, &r);
  EXPECT_EQ(r.right - r.left, hostBefore.right - hostBefore.left + 20);
  EXPECT_EQ(r.bottom - r.top, hostBefore.bottom - hostBefore.top + 10);
  graphics->CloseWindow();
  DestroyWindow(frame);
  SetWindowPos(host, nullptr, 0, 0, hostBefore.right - hostBefore.left, hostBefore.bottom - hostBefore.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// The services on Linux, without a window.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "EditorTypes.h"
#include "X11Services.h"
#include "XcbLibrary.h"

namespace veltrax {
namespace {

class LinuxServices : public ::testing::Test {
 protected:
  X11Services graphics{nullptr};
  GrowString text;
};

TEST_F(LinuxServices, OpenUrlTakesWebAndMailAddressesOnly) {
  for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/true",
                              "--help", "http://a b", "http://a\nb", "ftp://example.org", ""}) {
    EXPECT_FALSE(graphics.OpenUrl(refused, nullptr, nullptr, nullptr)) << refused;
  }
  // Nothing can ask for the confirmation, so nothing opens.
  EXPECT_FALSE(graphics.OpenUrl("https://example.org", "Veltrax", "Open?", nullptr));
  // Whether it opens depends on xdg-open being there; it must not hang or crash.
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(graphics.OpenUrl("HTTPS://example.org", nullptr, nullptr, nullptr));
  setenv("PATH", path.c_str(), 1);
}

TEST_F(LinuxServices, FoldersFollowXdg) {
  graphics.HostFolder(text);
  EXPECT_EQ(text.Get()[text.Length() - 1], '/');
  graphics.PluginFolder(text);  // this program, linked statically
  EXPECT_EQ(text.Get()[text.Length() - 1], '/');
  setenv("XDG_DATA_HOME", "/tmp/veltrax-data", 1);
  setenv("XDG_DATA_DIRS", "/opt/share:/usr/share", 1);
  graphics.AppDataFolder(text, false);
  EXPECT_STREQ(text.Get(), "/tmp/veltrax-data");
  graphics.AppDataFolder(text, true);
  EXPECT_STREQ(text.Get(), "/opt/share");
  setenv("XDG_DATA_HOME", "relative", 1);  // XDG ignores relative paths
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
  graphics.AppDataFolder(text, false);
  EXPECT_STREQ(text.Get(), "/home/someone/.local/share");
  graphics.DesktopFolder(text);
  EXPECT_STREQ(text.Get(), "/home/someone/Desktop");
}

// Owns CLIPBOARD on a connection of its own and answers one request with
// UTF-8 text, as a desktop application does.
void ServeClipboard(const char* text, std::atomic<bool>& ready) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t owner = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  auto atom = [&](const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply->atom;
    std::free(reply);
    return a;
  };
  const xcb_atom_t clipboard = atom("CLIPBOARD");
  xcb_set_selection_owner(c, owner, clipboard, XCB_CURRENT_TIME);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  ready.store(true);
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    const bool request = (event->response_type & 0x7F) == XCB_SELECTION_REQUEST;
    if (request) {
      const auto* r = reinterpret_cast<xcb_selection_request_event_t*>(event);
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, r->target, 8,
                          static_cast<uint32_t>(std::strlen(text)), text);
      xcb_selection_notify_event_t notify{};
      notify.response_type = XCB_SELECTION_NOTIFY;
      notify.requestor = r->requestor;
      notify.selection = r->selection;
      notify.target = r->target;
      notify.property = r->property;
      xcb_send_event(c, 0, r->requestor, 0, reinterpret_cast<const char*>(&notify));
      // A round trip before leaving: the server may drop what a closing
      // client sent but it had not read yet.
      std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    std::free(event);
    if (request) break;
  }
  xcb_disconnect(c);
}

TEST_F(LinuxServices, ClipboardTextArrivesAsUtf8) {
  std::atomic<bool> ready{false};
  std::thread owner(ServeClipboard, "Gr\xC3\xBC\xC3\x9F" "e 24 dB", std::ref(ready));
  while (!ready.load()) std::this_thread::yield();
  EXPECT_TRUE(graphics.ReadClipboardText(text));
  EXPECT_STREQ(text.Get(), "Gr\xC3\xBC\xC3\x9F" "e 24 dB");
  owner.join();
  // Nobody owns it now: false, and quickly.
  EXPECT_FALSE(graphics.ReadClipboardText(text));
  EXPECT_EQ(text.Length(), 0);
}

// A write to a dropped connection fails instead of ending the process, and
// leaves neither the signal nor a changed mask behind.
TEST(SigpipeGuard, AWriteToAClosedPeerFailsQuietly) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  sigset_t before, after, pending;
  pthread_sigmask(SIG_SETMASK, nullptr, &before);
  {
    const xcb::SigpipeGuard guard;
    const char byte = 0;
    EXPECT_EQ(write(ends[1], &byte, 1), -1);
    EXPECT_EQ(errno, EPIPE);
  }
  close(ends[1]);
  pthread_sigmask(SIG_SETMASK, nullptr, &after);
  EXPECT_EQ(sigismember(&after, SIGPIPE), sigismember(&before, SIGPIPE));
  ASSERT_EQ(sigpending(&pending), 0);
  EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

}  // namespace
}  // namespace veltrax

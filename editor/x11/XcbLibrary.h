#pragma once
// The X client library, loaded when the first editor window opens rather
// than linked: Veltrax.so then needs no X library to load, so headless
// renderers and servers without X run the plug-in as before, and a machine
// without libxcb only loses the panel. Only the files of this folder include
// it.

#include <signal.h>
#include <xcb/xcb.h>

namespace veltrax {
namespace xcb {

// One entry per libxcb function the editor uses, typed from its declaration.
#define VELTRAX_XCB_FUNCTIONS(X)              \
  X(xcb_connect)                              \
  X(xcb_disconnect)                           \
  X(xcb_connection_has_error)                 \
  X(xcb_get_setup)                            \
  X(xcb_get_file_descriptor)                  \
  X(xcb_get_maximum_request_length)           \
  X(xcb_generate_id)                          \
  X(xcb_flush)                                \
  X(xcb_poll_for_event)                       \
  X(xcb_request_check)                        \
  X(xcb_setup_roots_iterator)                 \
  X(xcb_screen_next)                          \
  X(xcb_screen_allowed_depths_iterator)       \
  X(xcb_depth_next)                           \
  X(xcb_depth_visuals_iterator)               \
  X(xcb_visualtype_next)                      \
  X(xcb_setup_pixmap_formats_iterator)        \
  X(xcb_format_next)                          \
  X(xcb_get_geometry)                         \
  X(xcb_get_geometry_reply)                   \
  X(xcb_create_window_checked)                \
  X(xcb_create_colormap)                      \
  X(xcb_free_colormap)                        \
  X(xcb_map_window)                           \
  X(xcb_change_window_attributes)             \
  X(xcb_query_tree)                           \
  X(xcb_query_tree_reply)                     \
  X(xcb_destroy_window)                       \
  X(xcb_configure_window)                     \
  X(xcb_create_gc)                            \
  X(xcb_put_image)                            \
  X(xcb_get_input_focus)                      \
  X(xcb_get_input_focus_reply)                \
  X(xcb_intern_atom)                          \
  X(xcb_intern_atom_reply)                    \
  X(xcb_convert_selection)                    \
  X(xcb_get_property)                         \
  X(xcb_get_property_reply)                   \
  X(xcb_get_property_value)                   \
  X(xcb_get_property_value_length)

struct Functions {
#define VELTRAX_XCB_POINTER(name) decltype(&::name) name = nullptr;
  VELTRAX_XCB_FUNCTIONS(VELTRAX_XCB_POINTER)
#undef VELTRAX_XCB_POINTER
};

// [any thread; no lock] The library's functions, or none when libxcb cannot
// be loaded. Loaded once and kept for the life of the process: unloading
// it under a connection another instance still holds would crash.
const Functions* Library();

// A write to a connection the server has dropped raises SIGPIPE, whose
// default action ends the host. While one of these lives, the calling
// thread holds SIGPIPE back, and one raised meanwhile is taken off before
// the thread's mask is restored, so the write just fails and the
// connection reports its error. Other threads' signals are untouched.
// [any thread; no lock]
class SigpipeGuard {
 public:
  SigpipeGuard();
  ~SigpipeGuard();
  SigpipeGuard(const SigpipeGuard&) = delete;
  SigpipeGuard& operator=(const SigpipeGuard&) = delete;

 private:
  sigset_t previousMask;
  bool blocked = false;
  bool pendingBefore = false;
};

}  // namespace xcb
}  // namespace veltrax

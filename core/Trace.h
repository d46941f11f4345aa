#pragma once

namespace veltrax {
// Trace points of the core operations. The hook records nothing; it keeps the
// call sites (operation, line, printf-style format) in one recognisable shape.

inline void TraceHook(const char* /*operation*/, int /*line*/, const char* /*format*/, ...) {}

#define VELTRAX_TRACE(operation, ...) TraceHook(operation, __LINE__, __VA_ARGS__)

}  // namespace veltrax

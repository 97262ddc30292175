#pragma once

namespace tesselor::graphics {

// [UI thread] Opens `url` in the user's browser with the desktop's `xdg-open`, found on PATH and
// started without a shell. Returns as soon as xdg-open runs (the browser it starts may run for
// hours): true then; false for an empty url, one starting with '-' (xdg-open would take it for an
// option), or when xdg-open is missing or cannot be started. Leaves no child process behind.
bool OpenWithXdgOpen(const char* url);

}  // namespace tesselor::graphics

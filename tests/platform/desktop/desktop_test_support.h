// Helpers for tests that drive the real toolkit on the virtual display.
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace duskmere::test {

// A generous bound: only a broken build waits this long.
constexpr std::chrono::milliseconds kEventLimit{20000};

// Runs the UI thread's loop until `done` is true or `limit` has passed; true when done.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kEventLimit);

// The first toplevel window that `match` accepts, or null.
GtkWindow* findToplevel(const std::function<bool(GtkWindow*)>& match);

// Runs `action` from inside the loop each time it turns, until it returns true; for dialogs
// that run their own loop. Gives up after `limit`.
void whenLoopTurns(std::function<bool()> action, std::chrono::milliseconds limit = kEventLimit);

// The real pointer, moved and pressed through the X server's test extension, so the events
// take the same way as a user's.
void movePointer(GtkWidget* widget, int rootX, int rootY);
void primaryButton(GtkWidget* widget, bool down);

std::string fileUri(const std::filesystem::path& path);

}  // namespace duskmere::test

// The UI thread's event loop: the toolkit, one message handler standing in for the main
// window's procedure, thread-safe posts of (message, wParam, lParam) and periodic timers.
#pragma once

#include <cstdint>
#include <functional>

namespace duskmere::platform {

// The message id a timer tick arrives with; wParam carries the timer's id, lParam is 0.
constexpr unsigned kTimerMessage = 0x0113;
// First id of the application's private messages.
constexpr unsigned kAppMessageBase = 0x8000;

struct Message {
  unsigned id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

using MessageHandler = std::function<void(const Message& message)>;

// Initialises the windowing toolkit once per process; false when no display can be opened.
// Call it on the thread that will run the loop, before any window exists.
bool initToolkit();

// Opens the message queue for the next run of the loop: posts are accepted from now on and
// delivered, one at a time and in the order they were posted, to `handler` on the UI thread.
// A message left undelivered when the loop ends goes to `discarded` (may be empty), so that
// whoever owns a payload carried in lParam can free it. UI thread only.
void openMessageQueue(MessageHandler handler, MessageHandler discarded = {});

// Queues a message for the handler. Callable from any thread. True when the message was
// queued: only then does it reach the handler or the discarded hook. False when no queue is
// open (before openMessageQueue, or once the loop has ended).
bool postMessage(unsigned id, std::uintptr_t wParam, std::intptr_t lParam);

// Runs the loop until quitMainLoop and returns its exit code. When it returns, the queue is
// closed, every timer is stopped and undelivered messages have gone to the discarded hook.
// A quit requested before the loop runs makes it return at once. UI thread only.
int runMainLoop();

// Ends the running loop (or the next one to run) with `exitCode`. UI thread only.
void quitMainLoop(int exitCode);

// Starts, or restarts with a new period, the timer `id`; each tick reaches the handler as
// kTimerMessage with wParam = id. UI thread only.
void startTimer(unsigned id, unsigned periodMs);

// Stops the timer `id`; an unknown id is no error. UI thread only.
void stopTimer(unsigned id);

}  // namespace duskmere::platform

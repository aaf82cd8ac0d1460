#include "platform/main_loop.h"

#include <gtk/gtk.h>

#include <deque>
#include <map>
#include <mutex>
#include <optional>

namespace duskmere::platform {
namespace {

// Every post goes through this one queue and one source, so messages keep their order
// whatever thread posted them; GLib's idle and invoke helpers use different priorities.
struct MessageQueue {
  std::mutex lock;
  std::deque<Message> messages;
  bool open = false;
};

MessageQueue& queue() {
  static MessageQueue instance;
  return instance;
}

struct LoopState {
  MessageHandler handler;
  MessageHandler discarded;
  GSource* source = nullptr;
  GMainLoop* loop = nullptr;
  std::optional<int> quitCode;
  std::map<unsigned, guint> timers;  // timer id -> GLib source id
};

LoopState& state() {
  static LoopState instance;
  return instance;
}

bool queueHasMessages() {
  std::lock_guard guard(queue().lock);
  return !queue().messages.empty();
}

gboolean prepareMessages(GSource*, gint* timeout) {
  *timeout = -1;
  return queueHasMessages();
}

gboolean checkMessages(GSource*) {
  return queueHasMessages();
}

// One message per dispatch, so input and drawing interleave with a burst of posts.
gboolean dispatchMessages(GSource*, GSourceFunc, gpointer) {
  Message message;
  {
    std::lock_guard guard(queue().lock);
    if (queue().messages.empty())
      return G_SOURCE_CONTINUE;
    message = queue().messages.front();
    queue().messages.pop_front();
  }
  // A copy: the handler may open the queue for another run from inside a nested loop.
  if (MessageHandler handler = state().handler)
    handler(message);
  return G_SOURCE_CONTINUE;
}

GSourceFuncs messageSourceFuncs = {prepareMessages, checkMessages, dispatchMessages,
                                   nullptr,         nullptr,       nullptr};

void attachMessageSource() {
  if (state().source != nullptr)
    return;
  GSource* source = g_source_new(&messageSourceFuncs, sizeof(GSource));
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  // Modal dialogs run nested loops from inside a handler; messages keep flowing there.
  g_source_set_can_recurse(source, TRUE);
  g_source_set_name(source, "duskmere messages");
  g_source_attach(source, g_main_context_default());
  state().source = source;
}

gboolean timerTick(gpointer data) {
  const auto id = static_cast<unsigned>(GPOINTER_TO_UINT(data));
  if (MessageHandler handler = state().handler)
    handler(Message{kTimerMessage, id, 0});
  return G_SOURCE_CONTINUE;
}

void stopAllTimers() {
  for (const auto& [id, source] : state().timers)
    g_source_remove(source);
  state().timers.clear();
}

}  // namespace

bool initToolkit() {
  static const bool initialised = gtk_init_check(nullptr, nullptr);
  return initialised;
}

void openMessageQueue(MessageHandler handler, MessageHandler discarded) {
  attachMessageSource();
  state().handler = std::move(handler);
  state().discarded = std::move(discarded);
  std::lock_guard guard(queue().lock);
  queue().open = true;
}

bool postMessage(unsigned id, std::uintptr_t wParam, std::intptr_t lParam) {
  {
    std::lock_guard guard(queue().lock);
    if (!queue().open)
      return false;
    queue().messages.push_back(Message{id, wParam, lParam});
  }
  g_main_context_wakeup(g_main_context_default());
  return true;
}

int runMainLoop() {
  LoopState& loopState = state();
  if (!loopState.quitCode) {
    loopState.loop = g_main_loop_new(g_main_context_default(), FALSE);
    g_main_loop_run(loopState.loop);
    g_main_loop_unref(loopState.loop);
    loopState.loop = nullptr;
  }
  const int exitCode = loopState.quitCode.value_or(0);
  loopState.quitCode.reset();

  stopAllTimers();
  std::deque<Message> left;
  {
    std::lock_guard guard(queue().lock);
    queue().open = false;
    left.swap(queue().messages);
  }
  const MessageHandler discarded = std::move(loopState.discarded);
  loopState.handler = nullptr;
  loopState.discarded = nullptr;
  if (discarded) {
    for (const Message& message : left)
      discarded(message);
  }
  return exitCode;
}

void quitMainLoop(int exitCode) {
  LoopState& loopState = state();
  if (!loopState.quitCode)
    loopState.quitCode = exitCode;
  if (loopState.loop != nullptr)
    g_main_loop_quit(loopState.loop);
}

void startTimer(unsigned id, unsigned periodMs) {
  stopTimer(id);
  state().timers[id] = g_timeout_add(periodMs, timerTick, GUINT_TO_POINTER(id));
}

void stopTimer(unsigned id) {
  auto found = state().timers.find(id);
  if (found == state().timers.end())
    return;
  g_source_remove(found->second);
  state().timers.erase(found);
}

}  // namespace duskmere::platform

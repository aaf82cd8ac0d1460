// The embedded web view that fills the main window and shows the launcher page. The page
// talks to the host with window.chrome.webview.postMessage(object); the host answers by
// running script text. Which navigations may proceed is the caller's decision.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/main_window.h"

namespace duskmere::platform {

struct WebViewEvents {
  // The JSON text of an object the page posted.
  std::function<void(const std::string& json)> messageReceived;
  // A navigation of the page to `uri`; true lets it proceed, false cancels it.
  std::function<bool(const std::string& uri)> navigationStarting;
  // The page asked for a new window (window.open or a link with a target). No window is
  // ever created; the caller may open `uri` elsewhere.
  std::function<void(const std::string& uri)> newWindowRequested;
};

struct WebView;
struct WebViewDeleter {
  void operator()(WebView* view) const;
};
// Destroying the handle closes the view; no event arrives after that.
using WebViewHandle = std::unique_ptr<WebView, WebViewDeleter>;

// Creates the view inside `window`, with the browser profile (cache, cookies, storage) under
// `profileFolder`. No context menu, no zoom, developer tools available. Elements whose
// computed `--app-region` is `drag` (and not `no-drag` nearer the target) move the window on
// a primary-button press. Nothing when the view cannot be created.
WebViewHandle createWebView(MainWindow& window, const std::filesystem::path& profileFolder,
                            WebViewEvents events);

void loadUrl(WebView& view, const std::string& url);
// Runs `script` in the page; its result is not awaited.
void runScript(WebView& view, const std::string& script);
void setWebViewVisible(WebView& view, bool visible);
void focusWebView(WebView& view);

}  // namespace duskmere::platform

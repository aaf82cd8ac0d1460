#include "platform/webview.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <system_error>

#include "platform/linux/desktop/main_window_gtk.h"

namespace duskmere::platform {

struct WebView {
  MainWindow* window = nullptr;
  GtkWidget* view = nullptr;                    // our own reference
  WebKitUserContentManager* content = nullptr;  // our own reference
  WebViewEvents events;
};

namespace {

constexpr const char* kPageChannel = "duskmere";
constexpr const char* kWindowChannel = "duskmereWindow";

// Injected into the page before its own scripts: the page posts through
// window.chrome.webview.postMessage, and a press on a drag region moves the window. The
// object is turned into JSON here so the host sees exactly what JSON.stringify makes of it.
constexpr const char* kHostScript = R"JS((() => {
  const host = window.webkit.messageHandlers;
  const chrome = window.chrome || (window.chrome = {});
  const webview = chrome.webview || (chrome.webview = {});
  webview.postMessage = (message) => {
    const json = JSON.stringify(message);
    host.duskmere.postMessage(json === undefined ? 'null' : json);
  };
  window.addEventListener('mousedown', (event) => {
    if (event.button !== 0) return;
    for (let node = event.target; node instanceof Element; node = node.parentElement) {
      const region = getComputedStyle(node).getPropertyValue('--app-region').trim();
      if (region === 'no-drag') return;
      if (region === 'drag') {
        host.duskmereWindow.postMessage('move');
        return;
      }
    }
  }, true);
})();)JS";

std::string requestUri(WebKitNavigationAction* action) {
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  return uri != nullptr ? uri : "";
}

void onPageMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* view = static_cast<WebView*>(data);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (value == nullptr || !jsc_value_is_string(value) || !view->events.messageReceived)
    return;
  char* json = jsc_value_to_string(value);
  if (json == nullptr)
    return;
  const std::string text = json;
  g_free(json);
  view->events.messageReceived(text);
}

void onWindowMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer data) {
  beginMainWindowMove(*static_cast<WebView*>(data)->window);
}

gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                        WebKitPolicyDecisionType type, gpointer data) {
  auto* view = static_cast<WebView*>(data);
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
    return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const std::string uri = requestUri(action);
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    if (view->events.newWindowRequested)
      view->events.newWindowRequested(uri);
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  const bool allow = !view->events.navigationStarting || view->events.navigationStarting(uri);
  if (allow)
    webkit_policy_decision_use(decision);
  else
    webkit_policy_decision_ignore(decision);
  return TRUE;
}

// window.open: no view is ever made for it.
GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
  auto* view = static_cast<WebView*>(data);
  if (view->events.newWindowRequested)
    view->events.newWindowRequested(requestUri(action));
  return nullptr;
}

// Runs before the view handles the button, so a drag request from the page finds it.
gboolean onButtonEvent(GtkWidget*, GdkEventButton* event, gpointer data) {
  recordPointerButton(*static_cast<WebView*>(data)->window, *event);
  return FALSE;
}

gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                       gpointer) {
  return TRUE;
}

}  // namespace

void WebViewDeleter::operator()(WebView* view) const {
  if (view == nullptr)
    return;
  g_signal_handlers_disconnect_by_data(view->content, view);
  g_signal_handlers_disconnect_by_data(view->view, view);
  webkit_user_content_manager_unregister_script_message_handler(view->content, kPageChannel);
  webkit_user_content_manager_unregister_script_message_handler(view->content, kWindowChannel);
  gtk_widget_destroy(view->view);
  g_object_unref(view->view);
  g_object_unref(view->content);
  delete view;
}

WebViewHandle createWebView(MainWindow& window, const std::filesystem::path& profileFolder,
                            WebViewEvents events) {
  // The window holds one view; a new one needs the old one gone first.
  if (gtk_bin_get_child(GTK_BIN(window.window)) != nullptr)
    return nullptr;
  std::error_code error;
  std::filesystem::create_directories(profileFolder, error);
  const std::string dataFolder = profileFolder.string();
  const std::string cacheFolder = (profileFolder / "cache").string();
  WebKitWebsiteDataManager* dataManager =
      webkit_website_data_manager_new("base-data-directory", dataFolder.c_str(),
                                      "base-cache-directory", cacheFolder.c_str(), nullptr);
  WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(dataManager);
  g_object_unref(dataManager);
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  GtkWidget* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                              "user-content-manager", content, nullptr));
  g_object_unref(context);
  if (widget == nullptr) {
    g_object_unref(content);
    return nullptr;
  }

  WebViewHandle view(new WebView);
  view->window = &window;
  view->view = GTK_WIDGET(g_object_ref_sink(widget));
  view->content = content;
  view->events = std::move(events);

  WebKitWebView* webView = WEBKIT_WEB_VIEW(widget);
  WebKitSettings* settings = webkit_web_view_get_settings(webView);
  webkit_settings_set_enable_developer_extras(settings, TRUE);
  webkit_web_view_set_background_color(webView, &window.background);

  g_signal_connect(content, "script-message-received::duskmere", G_CALLBACK(onPageMessage),
                   view.get());
  g_signal_connect(content, "script-message-received::duskmereWindow", G_CALLBACK(onWindowMessage),
                   view.get());
  if (!webkit_user_content_manager_register_script_message_handler(content, kPageChannel) ||
      !webkit_user_content_manager_register_script_message_handler(content, kWindowChannel))
    return nullptr;
  WebKitUserScript* script =
      webkit_user_script_new(kHostScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);

  g_signal_connect(widget, "decide-policy", G_CALLBACK(onDecidePolicy), view.get());
  g_signal_connect(widget, "create", G_CALLBACK(onCreate), view.get());
  g_signal_connect(widget, "context-menu", G_CALLBACK(onContextMenu), view.get());
  g_signal_connect(widget, "button-press-event", G_CALLBACK(onButtonEvent), view.get());
  g_signal_connect(widget, "button-release-event", G_CALLBACK(onButtonEvent), view.get());

  gtk_container_add(GTK_CONTAINER(window.window), widget);
  gtk_widget_show(widget);
  return view;
}

void loadUrl(WebView& view, const std::string& url) {
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view.view), url.c_str());
}

void runScript(WebView& view, const std::string& script) {
  webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view.view), script.c_str(),
                                      static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
}

void setWebViewVisible(WebView& view, bool visible) {
  gtk_widget_set_visible(view.view, visible);
}

void focusWebView(WebView& view) {
  gtk_widget_grab_focus(view.view);
}

}  // namespace duskmere::platform

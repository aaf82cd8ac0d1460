#include "platform/webview.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/desktop/desktop_test_support.h"
#include "platform/linux/desktop/main_window_gtk.h"
#include "platform/main_loop.h"
#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

// The page posts once loaded and on every press, after the host's own press handling.
constexpr const char* kPage = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"><title>test page</title><style>
  body { margin: 0; }
  #bar { --app-region: drag; height: 200px; background: #203040; }
  #button { --app-region: no-drag; width: 100px; height: 100px; }
</style></head><body>
<div id="bar"><button id="button">x</button></div>
<a id="blank" href="https://example.invalid/blank" target="_blank">blank</a>
<a id="away" href="https://example.invalid/away">away</a>
<script>
  document.addEventListener('mousedown', (event) => {
    window.chrome.webview.postMessage({pressed: event.target.id});
  });
  window.chrome.webview.postMessage({cmd: "uiReady", payload: {text: "Zwölf — ✓ \"q\"", n: 1}});
</script></body></html>)HTML";

class WebViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(initToolkit());
    test::writeFile(root / "app/ui/launcher.html", kPage);
    pageUrl = test::fileUri(root / "app/ui/launcher.html");
    window = createMainWindow(MainWindowLook{}, true, {});
    ASSERT_TRUE(window);
    view = createWebView(*window, root / "profile",
                         {[this](const std::string& json) { messages.push_back(json); },
                          [this](const std::string& uri) {
                            navigations.push_back(uri);
                            return uri.rfind("file://", 0) == 0;
                          },
                          [this](const std::string& uri) { newWindows.push_back(uri); }});
    ASSERT_TRUE(view);
    loadUrl(*view, pageUrl);
    ASSERT_TRUE(nextMessage());
  }

  void TearDown() override {
    view.reset();
    window.reset();
  }

  // Waits for the next posted message and returns it.
  std::optional<std::string> nextMessage() {
    const std::size_t seen = consumed;
    if (!test::pumpUntil([&] { return messages.size() > seen; }))
      return std::nullopt;
    return messages[consumed++];
  }

  // Runs a script that posts back, so that everything it caused before has arrived.
  std::optional<std::string> scriptAnswer(const std::string& script) {
    runScript(*view, script);
    return nextMessage();
  }

  test::TempFolder root;
  std::string pageUrl;
  MainWindowHandle window;
  WebViewHandle view;
  std::vector<std::string> messages, navigations, newWindows;
  std::size_t consumed = 0;
};

TEST_F(WebViewTest, PagePostsArriveAsTheirJsonText) {
  EXPECT_EQ(messages.at(0), R"({"cmd":"uiReady","payload":{"text":"Zwölf — ✓ \"q\"","n":1}})");
  const struct {
    const char* posted;
    const char* json;
  } cases[] = {{"'text'", R"("text")"},
               {"[1, 2.5, null, true]", "[1,2.5,null,true]"},
               {"{cmd: 'play', payload: {}}", R"({"cmd":"play","payload":{}})"},
               {"undefined", "null"}};
  for (const auto& post : cases) {
    EXPECT_EQ(scriptAnswer(std::string("window.chrome.webview.postMessage(") + post.posted + ")"),
              post.json);
  }
}

TEST_F(WebViewTest, HostScriptsChangeThePage) {
  EXPECT_EQ(scriptAnswer("window.LauncherUI = {setGamePath: (p) => { document.title = p; }};"
                         "LauncherUI.setGamePath(\"C:\\\\Games\");"
                         "window.chrome.webview.postMessage({title: document.title})"),
            R"({"title":"C:\\Games"})");
}

TEST_F(WebViewTest, NavigationsAreDecidedByTheHost) {
  ASSERT_FALSE(navigations.empty());
  EXPECT_EQ(navigations.front(), pageUrl);
  navigations.clear();

  EXPECT_EQ(scriptAnswer("document.getElementById('away').click();"
                         "setTimeout(() => window.chrome.webview.postMessage(location.href), 0)"),
            "\"" + pageUrl + "\"");
  runScript(*view, "location.href = 'https://example.invalid/script'");
  ASSERT_TRUE(test::pumpUntil([&] { return navigations.size() == 2; }));
  EXPECT_EQ(navigations, (std::vector<std::string>{"https://example.invalid/away",
                                                   "https://example.invalid/script"}));
  // Cancelled: the page is still ours.
  EXPECT_EQ(scriptAnswer("window.chrome.webview.postMessage(location.href)"),
            "\"" + pageUrl + "\"");
  EXPECT_TRUE(newWindows.empty());
}

TEST_F(WebViewTest, NewWindowsAreReportedAndNeverCreated) {
  const auto toplevels = [] {
    GList* windows = gtk_window_list_toplevels();
    const guint count = g_list_length(windows);
    g_list_free(windows);
    return count;
  };
  const guint before = toplevels();
  EXPECT_EQ(scriptAnswer("const opened = window.open('https://example.invalid/popup');"
                         "window.chrome.webview.postMessage({opened: opened === null})"),
            R"({"opened":true})");
  runScript(*view, "document.getElementById('blank').click()");
  ASSERT_TRUE(test::pumpUntil([&] { return newWindows.size() == 2; }));
  EXPECT_EQ(newWindows, (std::vector<std::string>{"https://example.invalid/popup",
                                                  "https://example.invalid/blank"}));
  EXPECT_EQ(scriptAnswer("window.chrome.webview.postMessage(location.href)"),
            "\"" + pageUrl + "\"");
  EXPECT_EQ(toplevels(), before);
  EXPECT_EQ(navigations.size(), 1u);  // only the page itself
}

std::pair<int, int> windowPosition(GtkWidget* widget) {
  int x = 0, y = 0;
  gdk_window_get_root_origin(gtk_widget_get_window(widget), &x, &y);
  return {x, y};
}

TEST_F(WebViewTest, APressOnADragRegionMovesTheWindowAndNoDragStopsIt) {
  GtkWidget* toplevel = window->window;
  ASSERT_TRUE(test::pumpUntil([&] { return gtk_widget_get_mapped(toplevel); }));
  const struct {
    int x, y;  // in the page
    const char* pressed;
    bool moves;
  } presses[] = {{50, 50, R"({"pressed":"button"})", false},
                 {600, 100, R"({"pressed":"bar"})", true},
                 {600, 400, R"({"pressed":""})", false}};
  for (const auto& press : presses) {
    SCOPED_TRACE(press.pressed);
    const auto [left, top] = windowPosition(toplevel);
    test::movePointer(toplevel, left + press.x, top + press.y);
    test::primaryButton(toplevel, true);
    // The page's own message comes after the host script's, so a move has begun by then.
    EXPECT_EQ(nextMessage(), press.pressed);
    test::movePointer(toplevel, left + press.x + 40, top + press.y + 30);
    if (press.moves) {
      EXPECT_TRUE(test::pumpUntil(
          [&] { return windowPosition(toplevel) == std::make_pair(left + 40, top + 30); }));
    }
    test::primaryButton(toplevel, false);
    EXPECT_EQ(scriptAnswer("window.chrome.webview.postMessage('released')"), "\"released\"");
    if (!press.moves) {
      EXPECT_EQ(windowPosition(toplevel), std::make_pair(left, top));
    }
  }
}

TEST_F(WebViewTest, AWindowHoldsOneViewAndAClosedViewSendsNothing) {
  EXPECT_FALSE(createWebView(*window, root / "profile", {}));
  runScript(*view, "setTimeout(() => window.chrome.webview.postMessage('late'), 0)");
  view.reset();
  // A fresh view in the same window works and the old one's message never comes.
  view = createWebView(*window, root / "profile",
                       {[this](const std::string& json) { messages.push_back(json); }, {}, {}});
  ASSERT_TRUE(view);
  loadUrl(*view, pageUrl);
  ASSERT_TRUE(nextMessage());
  for (const auto& message : messages)
    EXPECT_NE(message, "\"late\"");
}

// The owner may destroy its members in either order; a fault here shows as a crash or a
// use after free in the sanitised build.
TEST_F(WebViewTest, TheWindowMayGoBeforeItsView) {
  runScript(*view, "setTimeout(() => window.chrome.webview.postMessage('late'), 0)");
  window.reset();
  // Whatever the view still had under way comes in now.
  test::pumpUntil([] { return false; }, std::chrono::milliseconds(200));
  view.reset();
  test::pumpUntil([] { return false; }, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace duskmere::platform

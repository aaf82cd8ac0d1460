// The desktop's shell: opening web addresses, message boxes and the folder picker.
//
// For tests, each can record instead of acting: $DUSKMERE_OPEN_URI_LOG names a file to which
// openUri appends the URI as a line, $DUSKMERE_MESSAGE_LOG a file to which showMessageBox
// appends its text and a line feed, and $DUSKMERE_PICK_FOLDER the folder pickFolder returns
// (set but empty: the dialog is cancelled).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace duskmere::platform {

struct MainWindow;

// Opens `uri` with the desktop's default handler; false when nothing could open it.
bool openUri(const std::string& uri);

enum class MessageIcon { Error, Information };

// A modal message box with an OK button, over `owner` when it is not null. Returns when the
// user has closed it.
void showMessageBox(MainWindow* owner, const std::string& caption, const std::string& text,
                    MessageIcon icon);

// A modal folder chooser titled `title`; the chosen folder, or nothing when cancelled.
std::optional<std::filesystem::path> pickFolder(MainWindow* owner, const std::string& title);

}  // namespace duskmere::platform

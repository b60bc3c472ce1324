#pragma once
// Showing a file in the system's file manager. One half per system
// (show_in_folder_posix.cpp, show_in_folder_win.cpp).

#include <QString>

namespace tkq::gui {

// Opens the folder of `path` in the file manager, with the file selected
// where the system's file manager can be told to (Explorer); elsewhere
// the folder alone.
void ShowFileInFolder(const QString& path);

}  // namespace tkq::gui

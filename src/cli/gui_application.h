#pragma once
// The application object Qt's drawing needs, for the commands that draw
// (print, plot) with no display.

namespace tkq::cli {

// Makes a QApplication on the offscreen platform the first time a command
// draws; the process keeps it, so every command run in the same process
// shares it. A QApplication rather than a QGuiApplication: the chart is a
// widget.
void EnsureGuiApplication();

}  // namespace tkq::cli

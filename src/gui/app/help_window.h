#pragma once
// The program's own help: Russian pages shipped inside the program, shown
// in one help window with a contents list.

#include <QString>

#include "gui/base/help_topics.h"

class QWidget;

namespace tkq::gui {

// Shows the help window at `topic` (creating it the first time, raising
// it afterwards). False when the topic's page cannot be shown; the caller
// then says "Вызов справки невозможен.".
bool ShowHelp(const QString& topic, QWidget* parent = nullptr);

// The topic the help window shows; empty while it is hidden or has not
// been opened.
QString ShownHelpTopic();

// The page of a topic as HTML, empty when there is none (for tests).
QString HelpPage(const QString& topic);

}  // namespace tkq::gui

#pragma once
// Which page of the help belongs to what the user points at — a document
// window, a dialog, a menu command, a toolbar button — and the mode in
// which the next click chooses it (Shift+F1 and the toolbar's help
// button): the cursor shows a question mark, and the click opens the help
// instead of acting. Escape leaves the mode.

#include <QObject>
#include <QString>

#include "gui/app/commands.h"

class QAction;
class QWidget;

namespace tkq::gui {

// The topic of `widget`, of the window it lies in or of its dialog; the
// contents when nothing more particular belongs to it.
QString HelpTopicOf(const QWidget* widget);

// The topic of a command (its identifier, as the actions carry it).
QString HelpTopicOfCommand(ECommand id);

// F1: the help of the dialog that runs, else of `activeView` (a document
// window, or null), over `parent`; "Вызов справки невозможен." when the
// help cannot be shown. And "Вызов справки": the contents.
void ShowHelpOf(QWidget* activeView, QWidget* parent);
void ShowHelpContents(QWidget* parent);

class CContextHelpMode : public QObject {
  Q_OBJECT
 public:
  // Enters the mode (once: a second call while it lasts does nothing).
  static void Start();
  static bool IsActive();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  CContextHelpMode();
  void Finish(const QString& topic);
};

}  // namespace tkq::gui

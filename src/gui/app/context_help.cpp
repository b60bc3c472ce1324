#include "gui/app/context_help.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPrintDialog>
#include <QToolButton>

#include "gui/app/dialogs.h"
#include "gui/app/help_window.h"
#include "gui/app/journal_window.h"
#include "gui/app/main_frame.h"
#include "gui/base/messages.h"
#include "gui/app/read_progress.h"
#include "gui/base/ui_services.h"
#include "gui/output/print_command.h"
#include "gui/views/view_commands.h"
#include "gui/output/print_preview.h"
#include "gui/output/print_setup_dialog.h"
#include "gui/output/protocol_command.h"
#include "gui/dialogs/requisites_dialog.h"

namespace tkq::gui {
namespace {

QPointer<CContextHelpMode> g_mode;

// The command of an action of the main window (none: 0, no command).
ECommand CommandOf(const QAction* action) {
  return static_cast<ECommand>(action != nullptr ? action->data().toInt() : 0);
}

}  // namespace

QString HelpTopicOfCommand(ECommand id) {
  const CCommand* command = FindCommand(id);
  return command != nullptr ? *command->helpTopic : help::kContents;
}

void ShowHelpOf(QWidget* activeView, QWidget* parent) {
  QString topic = help::kContents;
  if (QWidget* modal = QApplication::activeModalWidget()) {
    topic = HelpTopicOf(modal);
  } else if (auto* view = dynamic_cast<CViewCommands*>(activeView)) {
    topic = view->HelpTopic();
  }
  if (!ShowHelp(topic, parent)) AppMessage(parent, kMsgHelpUnavailable);
}

void ShowHelpContents(QWidget* parent) {
  if (!ShowHelp(help::kContents, parent)) AppMessage(parent, kMsgHelpUnavailable);
}

QString HelpTopicOf(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (const auto* view = dynamic_cast<const CViewCommands*>(w)) return view->HelpTopic();
    if (const auto* button = qobject_cast<const QToolButton*>(w); button != nullptr && button->defaultAction()) {
      return HelpTopicOfCommand(CommandOf(button->defaultAction()));
    }
    if (qobject_cast<const CSearchDialog*>(w) != nullptr) return help::kSearch;
    if (qobject_cast<const CProtocolDialog*>(w) != nullptr || qobject_cast<const CRequisitesDialog*>(w) != nullptr) {
      return help::kProtocol;
    }
    if (qobject_cast<const CJournalWindow*>(w) != nullptr) return help::kJournal;
    if (qobject_cast<const CPortSettings*>(w) != nullptr) return help::kConnection;
    if (qobject_cast<const CInputREadObjDialog*>(w) != nullptr ||
        qobject_cast<const CReadProgressDialog*>(w) != nullptr) {
      return help::kReading;
    }
    if (qobject_cast<const CListVersionsDialog*>(w) != nullptr) return help::kVersions;
    if (qobject_cast<const CSaveChartDialog*>(w) != nullptr) return help::kChart;
    if (qobject_cast<const CInstrumentContentsDialog*>(w) != nullptr) return help::kReading;
    if (qobject_cast<const CEditDescDialog*>(w) != nullptr) return help::kSettingsView;
    if (qobject_cast<const CPreviewWindow*>(w) != nullptr || qobject_cast<const CPrintSetupDialog*>(w) != nullptr ||
        qobject_cast<const CPrintingDialog*>(w) != nullptr || qobject_cast<const CPrintFileDialog*>(w) != nullptr ||
        qobject_cast<const QPrintDialog*>(w) != nullptr) {
      return help::kPrinting;
    }
    if (qobject_cast<const QFileDialog*>(w) != nullptr) return help::kSaving;
    if (w->isWindow()) break;
  }
  return help::kContents;
}

// --- the mode ---

CContextHelpMode::CContextHelpMode() : QObject(qApp) {}

void CContextHelpMode::Start() {
  if (g_mode) return;
  g_mode = new CContextHelpMode;
  qApp->installEventFilter(g_mode);
  QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

bool CContextHelpMode::IsActive() { return !g_mode.isNull(); }

void CContextHelpMode::Finish(const QString& topic) {
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
  deleteLater();
  g_mode = nullptr;
  if (topic.isEmpty()) return;
  // The popup menu that was open goes first.
  while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  if (!ShowHelp(topic, QApplication::activeModalWidget())) {
    AppMessage(QApplication::activeWindow(), kMsgHelpUnavailable);
  }
}

bool CContextHelpMode::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        e->accept();
        Finish(QString());
        return true;
      }
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      // The menu bar opens its menus as usual; a command is chosen in them.
      if (qobject_cast<QMenuBar*>(watched) != nullptr || qobject_cast<QMenu*>(watched) != nullptr) return false;
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget == nullptr) return false;
      Finish(HelpTopicOf(widget));
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* menu = qobject_cast<QMenu*>(watched);
      if (menu == nullptr) return qobject_cast<QWidget*>(watched) != nullptr && !qobject_cast<QMenuBar*>(watched);
      QAction* action = menu->actionAt(static_cast<QMouseEvent*>(e)->position().toPoint());
      if (action == nullptr || action->menu() != nullptr || action->isSeparator()) return true;
      Finish(HelpTopicOfCommand(CommandOf(action)));
      return true;
    }
    default: return false;
  }
}

}  // namespace tkq::gui

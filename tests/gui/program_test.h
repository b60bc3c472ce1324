#pragma once
// What the program's test suites share: a fresh working folder (the
// current folder, for "TarvikKQ.def") and profile per test, the scripted
// user, the program itself, and finding its windows.

#include <QDir>
#include <QObject>
#include <QTemporaryDir>
#include <memory>

#include "child.h"
#include "fake_ui.h"
#include "gui/app/application.h"
#include "gui/app/main_frame.h"

namespace tkq::gui::test {

class CProgramTest : public QObject {
 protected:
  // Call from the suite's init() and cleanup().
  void Begin() {
    m_work = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(m_work->path());
    m_ui = CFakeUi{};
    SetUi(&m_ui);
  }
  void End() {
    m_app.reset();
    SetUi(nullptr);
    QDir::setCurrent(QDir::tempPath());
    m_work.reset();
  }

  // The program started with a profile of its own in the working folder,
  // its survey journal there too (never the user's documents).
  CTRV_KQ_VRApp& Start() {
    m_app = std::make_unique<CTRV_KQ_VRApp>(m_work->filePath("profile.ini"));
    if (m_app->Settings().value(profile_key::kJournalFolder).toString().isEmpty()) {
      m_app->Profile().SetJournalFolder(JournalFolder());
    }
    m_app->InitInstance();
    return *m_app;
  }

  // The first open window showing a `View`, or null.
  template <class View>
  View* Find() {
    for (CChildFrame* frame : m_app->MainFrame()->Documents()) {
      if (auto* view = qobject_cast<View*>(frame->widget())) return view;
    }
    return nullptr;
  }

  QString JournalFolder() const { return m_work->filePath("Журнал"); }

  std::unique_ptr<QTemporaryDir> m_work;
  CFakeUi m_ui;
  std::unique_ptr<CTRV_KQ_VRApp> m_app;
};

}  // namespace tkq::gui::test

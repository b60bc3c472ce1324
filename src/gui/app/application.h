#pragma once
// The application object: builds the program's parts (the profile, the
// device description, the archive document, the read controller, the main
// window and the windows of an archive) and connects the main window's
// commands to them. What it carries out itself is small: opening and
// saving the document, and the help and printing commands of the active
// window.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "core/journal/survey_journal.h"
#include "gui/app/read_controller.h"
#include "gui/base/archive_document.h"
#include "gui/base/profile.h"
#include "gui/base/program_name.h"

class QPrinter;
class QSettings;

namespace tkq::gui {

class CArchiveWindows;
class CJournalWindow;
class CMainFrame;
struct CPrintContext;

class CTRV_KQ_VRApp : public QObject {
  Q_OBJECT
 public:
  // Loads the device description ("TarvikKQ.def" in the current folder, or
  // the built-in one with the message and the file written; started in the
  // home folder or the program's own folder without one there, the file in
  // the user's data folder instead). `settingsFile` names the profile file;
  // empty for the user's usual one.
  explicit CTRV_KQ_VRApp(const QString& settingsFile = QString(), QObject* parent = nullptr);
  ~CTRV_KQ_VRApp() override;

  // Start-up: the main window with menus, toolbar and status bar, shown;
  // the connection settings read from the profile and given to the link;
  // the column switches. `file`, if not empty, is opened as "Открыть"
  // would open it.
  bool InitInstance(const QString& file = QString());

  CMainFrame* MainFrame() const;
  CProfile& Profile() { return m_profile; }
  QSettings& Settings() { return m_profile.Settings(); }
  CArchiveDocument& Document() { return m_document; }
  const CReadParamClass& Description() const { return m_description; }
  CReadController& Reader() { return m_reader; }
  CTrvKqModbusWithFlFiles& Link() { return m_reader.Link(); }
  // Whether a read from the instrument runs now.
  bool IsReading() const { return m_reader.IsReading(); }

  // The survey journal in the profile's folder, opened at the first need;
  // null when it cannot be opened there (the user was told why, and the
  // next need tries again).
  CSurveyJournal* Journal();
  // Moves the journal to `folder`, kept in the profile; one that cannot be
  // opened there is said and leaves the journal where it was (false).
  bool SetJournalFolder(const QString& folder);
  // "Журнал обследований": its window, shown, raised and listed anew.
  void ShowJournal();
  // The window, or null while it was never shown.
  CJournalWindow* JournalWindow() const;

  // The journal's survey the current archive is: just read and kept,
  // opened from the journal, or a file of the journal's folder; none for
  // any other (the journal is not opened for it).
  std::optional<int64_t> CurrentSurvey();

  // The printer of the program: the system's default printer (a PDF file
  // when there is none) until "Настройка печати..." or the print dialog
  // chooses another; the choice lasts while the program runs.
  QPrinter& Printer();
  // What the printing commands work with: the document, the profile, the
  // printer and the main window.
  CPrintContext PrintContext();

  // Opens `path` as "Открыть" does after its dialog (tests, the command line).
  bool OpenArchiveFile(const QString& path);
  // The recent files, the latest first, as the profile keeps them.
  QStringList RecentFiles() { return m_profile.RecentFiles(); }

  // A new name only once the file under it is complete: a failed save
  // leaves the document's name, title and recent files as they were.
  bool SaveArchive();
  bool SaveArchiveAs();
  // Before the current object is closed: an archive read from the
  // instrument and not saved since (neither kept in the journal) asks
  // «Сохранить архив объекта N?»;
  // "Да" saves it (as "Сохранить" does). False when it is to stay: "Отмена",
  // or the save was cancelled or failed. True at once for anything else.
  bool QuerySaveRead();

  // --- commands the application carries out ---
  void OnReadArchive();         // "Чтение архива с прибора"
  void OnInstrumentContents();  // "Содержимое прибора..."
  void OnFileOpen();            // "Открыть"
  // A numbered item of the "Файл" menu: opens that file; one that is no
  // longer there, or does not open, leaves the list.
  void OnOpenRecent(int index);

 private:
  void ConnectCommands();
  void OnSaveDescription();  // writes the description file
  // Reads object `number` and makes it current, kept in the journal.
  void ReadObject(int number);
  // Keeps `object`, just read, in the journal when reads are kept there;
  // none when they are not, or the journal or its file failed (said).
  std::optional<CKeptSurvey> KeepRead(const CObjectDefinition& object);
  // Writes `object` over the kept survey `id`; false when that failed (said).
  bool UpdateKept(int64_t id, const CObjectDefinition& object);
  // Writes `object` to `path`; through the journal when the file is one of
  // its surveys, so that its index follows. Throws as a save does.
  void WriteArchive(const QString& path, const CObjectDefinition& object);
  // The journal window lists the surveys anew, when it is open.
  void RefreshJournalWindow();
  // Makes `object` current for good: the previous one goes with all its
  // windows, the new windows open.
  void MakeCurrent(std::unique_ptr<CObjectDefinition> object);
  void AddRecentFile(const QString& path);
  void SetRecentFiles(const QStringList& files);
  // Whether the main window may close now.
  bool CanClose();

  CProfile m_profile;
  CReadParamClass m_description;
  QString m_descriptionFile;  // absolute: the file loaded at start
  CArchiveDocument m_document;
  CReadController m_reader;
  QPointer<CMainFrame> m_mainFrame;
  std::unique_ptr<CArchiveWindows> m_windows;
  std::unique_ptr<QPrinter> m_printer;
  std::unique_ptr<CSurveyJournal> m_journal;
  QPointer<CJournalWindow> m_journalWindow;
};

}  // namespace tkq::gui

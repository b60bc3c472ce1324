#include "gui/app/application.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>
#include <QStatusBar>

#include "core/archive/saved_archive.h"
#include "core/base/system_errors.h"
#include "gui/app/archive_windows.h"
#include "gui/app/context_help.h"
#include "gui/app/dialogs.h"
#include "gui/app/journal_window.h"
#include "gui/app/main_frame.h"
#include "gui/base/messages.h"
#include "gui/base/ui_services.h"
#include "gui/dialogs/requisites_dialog.h"
#include "gui/output/print_command.h"
#include "gui/output/print_preview.h"
#include "gui/output/protocol_command.h"
#include "gui/output/report_command.h"
#include "gui/views/view_commands.h"
#include "render/fs_path.h"

namespace tkq::gui {
using render::FsPath;
using render::QtPath;
namespace {

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

// Whether `path` lies in `folder` or below it.
bool IsUnder(const QString& path, const QString& folder) {
  const QString inside = QDir(folder).canonicalPath();
  const QString file = QFileInfo(path).canonicalFilePath();
  return !inside.isEmpty() && file.startsWith(inside + QLatin1Char('/'), Qt::CaseInsensitive);
}

// The description file of this start: "TarvikKQ.def" in the current folder.
// In the home folder, where the desktop menu starts the program, and in the
// program's own folder, where a Windows shortcut starts it (under Program
// Files, which users may not write), one that is not there already goes to
// the user's data folder instead (~/.local/share/Tarvik KQ, or
// %LOCALAPPDATA%\Tarvik KQ), so that neither folder gets a file of ours.
QString DescriptionFileAtStart() {
  const QString name = QString::fromLatin1(kDescriptionFileName.data(), kDescriptionFileName.size());
  const QDir current = QDir::current();
  const QString here = current.canonicalPath();
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const bool startFolder = here == QDir(QDir::homePath()).canonicalPath() ||
                           here == QDir(QCoreApplication::applicationDirPath()).canonicalPath();
  if (here.isEmpty() || !startFolder || current.exists(name) || data.isEmpty()) {
    return current.absoluteFilePath(name);
  }
  const QDir folder(data + QStringLiteral("/Tarvik KQ"));
  folder.mkpath(QStringLiteral("."));
  return folder.absoluteFilePath(name);
}

}  // namespace

CTRV_KQ_VRApp::CTRV_KQ_VRApp(const QString& settingsFile, QObject* parent)
    : QObject(parent), m_profile(settingsFile), m_reader(m_profile, m_description) {
  // The description is loaded once; later saves of it go to the same file
  // whatever folder the file dialogs visited.
  m_descriptionFile = DescriptionFileAtStart();
  m_description.LoadAtStart(FsPath(m_descriptionFile), [](std::string_view message) {
    Ui().Message(nullptr, QString::fromUtf8(message.data(), static_cast<int>(message.size())), QMessageBox::Critical);
  });
}

CTRV_KQ_VRApp::~CTRV_KQ_VRApp() {
  m_windows.reset();
  delete m_mainFrame;
  m_document.SetObject(nullptr);
  m_printer.reset();
}

CMainFrame* CTRV_KQ_VRApp::MainFrame() const { return m_mainFrame; }

bool CTRV_KQ_VRApp::InitInstance(const QString& file) {
  QApplication::setApplicationName(kAppName);
  m_mainFrame = new CMainFrame;
  m_windows = std::make_unique<CArchiveWindows>(*m_mainFrame, m_document, m_profile);
  m_reader.SetWindow(m_mainFrame);
  ConnectCommands();
  m_mainFrame->show();

  m_reader.ApplyConnection(m_profile.Connection());
  m_mainFrame->ShowRecentFiles(m_profile.RecentFiles());
  CColumnSwitches columns;
  columns.m_bShowNumber = false;
  m_document.SetColumns(columns);

  if (!file.isEmpty()) OpenArchiveFile(file);
  return true;
}

void CTRV_KQ_VRApp::ConnectCommands() {
  CMainFrame& frame = *m_mainFrame;
  // What the document's windows ask of the others.
  connect(&m_document, &CArchiveDocument::ViewSettingsChanged, this, [this] { m_windows->RefreshArchiveView(); });
  connect(&m_document, &CArchiveDocument::ArchiveRowShown, this, [this](int row) { m_windows->ShowArchiveRow(row); });
  connect(&frame, &CMainFrame::RecentFileChosen, this, &CTRV_KQ_VRApp::OnOpenRecent);
  frame.SetCloseGuard([this] { return CanClose(); });

  frame.OnCommand(ECommand::kReadArchive, [this] { OnReadArchive(); });
  frame.OnCommand(ECommand::kInstrumentContents, [this] { OnInstrumentContents(); });
  frame.OnCommand(ECommand::kOpen, [this] { OnFileOpen(); });
  frame.OnCommand(ECommand::kSave, [this] { SaveArchive(); });
  frame.OnCommand(ECommand::kSaveAs, [this] { SaveArchiveAs(); });
  frame.OnCommand(ECommand::kPrint, [this] { PrintCommand(PrintContext(), m_mainFrame->ActiveView()); });
  frame.OnCommand(ECommand::kPrintPreview, [this] { PreviewCommand(PrintContext(), m_mainFrame->ActiveView()); });
  frame.OnCommand(ECommand::kPrintSetup, [this] { Ui().AskPrintSetup(m_mainFrame, Printer()); });
  frame.OnCommand(ECommand::kExportWorkbook, [this] { ExportWorkbookCommand(m_document, m_profile, m_mainFrame); });
  frame.OnCommand(ECommand::kPortSettings, [this] { m_reader.OnPortSettings(); });
  frame.OnCommand(ECommand::kFindInstrument, [this] { m_reader.OnFindInstrument(); });
  frame.OnCommand(ECommand::kChart, [this] { m_windows->ShowChart(); });
  frame.OnCommand(ECommand::kSummary, [this] { m_windows->ShowSummary(); });
  frame.OnCommand(ECommand::kReport, [this] {
    auto* view = dynamic_cast<CViewCommands*>(m_mainFrame->ActiveView());
    if (view != nullptr && view->HandlesReport()) view->OnReport();
  });
  frame.OnCommand(ECommand::kHelpContents, [this] { ShowHelpContents(m_mainFrame); });
  frame.OnCommand(ECommand::kHelp, [this] { ShowHelpOf(m_mainFrame->ActiveView(), m_mainFrame); });
  frame.OnCommand(ECommand::kContextHelp, [] { CContextHelpMode::Start(); });
  frame.OnCommand(ECommand::kVersions, [this] {
    CListVersionsDialog dialog(m_description.VersionNames(), m_mainFrame);
    dialog.exec();
  });
  frame.OnCommand(ECommand::kAbout, [this] {
    CAboutDlg dialog(m_mainFrame);
    dialog.exec();
  });
  frame.OnCommand(ECommand::kSaveDescription, [this] { OnSaveDescription(); });
  frame.OnCommand(ECommand::kJournal, [this] { ShowJournal(); });
  frame.OnCommand(ECommand::kProtocol, [this] {
    const CJournalAccess journal = [this] { return Journal(); };
    ProtocolCommand(PrintContext(), journal, CurrentSurvey(), m_mainFrame);
  });
  frame.OnCommand(ECommand::kRequisites, [this] { EditRequisites(m_profile, m_mainFrame); });
}

bool CTRV_KQ_VRApp::CanClose() {
  if (m_reader.IsReading()) {
    // The read stops first, within a fraction of a second; then the
    // window closes.
    m_reader.StopReadAndClose();
    return false;
  }
  // An archive just read and not saved exists nowhere else.
  if (!QuerySaveRead()) return false;
  // The journal window goes with the main one (and notes its size).
  if (m_journalWindow) m_journalWindow->close();
  return true;
}

// --- reading ---

void CTRV_KQ_VRApp::OnReadArchive() {
  int number = 0;
  if (Ui().AskObjectNumber(m_mainFrame, number)) ReadObject(number);
}

void CTRV_KQ_VRApp::OnInstrumentContents() {
  if (const int number = m_reader.ChooseObjectOnInstrument(); number > 0) ReadObject(number);
}

void CTRV_KQ_VRApp::ReadObject(int number) {
  // Asked before the read: the read itself replaces the object.
  if (!QuerySaveRead()) return;
  std::unique_ptr<CObjectDefinition> object = m_reader.ReadObject(number);
  // A failed read leaves the previous object and its windows as they were.
  if (!object) return;
  // Kept before anything else is asked: the instrument may be left on site.
  const std::optional<CKeptSurvey> kept = KeepRead(*object);
  // The previous object goes, and its windows before it.
  m_mainFrame->CloseAllDocuments();
  m_document.SetObject(nullptr);
  // A survey kept before keeps its description unless another is given.
  if (kept && kept->alreadyKept) {
    if (const CSurveyJournal* journal = m_journal.get()) {
      if (const std::optional<CSurveyEntry> entry = journal->Find(kept->id)) object->m_strDescription = entry->description;
    }
  }
  const std::string before = object->m_strDescription;
  QString description = ToQ(before);
  if (Ui().EditDescription(m_mainFrame, description)) object->m_strDescription = description.toStdString();
  bool saved = kept.has_value();
  if (kept && object->m_strDescription != before) saved = UpdateKept(kept->id, *object);
  // "Сохранить" writes to the kept file, and the index follows.
  m_document.SetArchivePath(kept ? QtPath(kept->path) : QString());
  MakeCurrent(std::move(object));
  m_document.SetUnsavedRead(!saved);
  if (kept) {
    const QString path = QDir::toNativeSeparators(QtPath(kept->path));
    m_mainFrame->statusBar()->showMessage(kept->alreadyKept ? QStringLiteral("Архив уже есть в журнале: %1").arg(path)
                                                            : QStringLiteral("Архив сохранен в журнале: %1").arg(path));
    RefreshJournalWindow();
  }
  // A read that succeeded may still have found nothing to show.
  m_reader.ReportReadOutcome(*m_document.Object());
}

std::optional<CKeptSurvey> CTRV_KQ_VRApp::KeepRead(const CObjectDefinition& object) {
  if (!m_profile.KeepsReads()) return std::nullopt;
  CSurveyJournal* journal = Journal();
  if (journal == nullptr) return std::nullopt;
  std::optional<CKeptSurvey> kept;
  try {
    if (!WriteOfferingRetry(m_mainFrame, [&] { kept = journal->Keep(object); })) return std::nullopt;
  } catch (const std::exception& e) {
    // The read's windows open all the same, with the archive unsaved.
    AppMessage(m_mainFrame, kMsgNotKept, QMessageBox::Warning, QMessageBox::Ok, ToQ(ErrorDetail(e)));
    return std::nullopt;
  }
  return kept;
}

bool CTRV_KQ_VRApp::UpdateKept(int64_t id, const CObjectDefinition& object) {
  try {
    if (!WriteOfferingRetry(m_mainFrame, [&] { m_journal->Update(id, object); })) return false;
  } catch (const std::exception& e) {
    AppMessage(m_mainFrame, kMsgNotKept, QMessageBox::Warning, QMessageBox::Ok, ToQ(ErrorDetail(e)));
    return false;
  }
  return true;
}

void CTRV_KQ_VRApp::MakeCurrent(std::unique_ptr<CObjectDefinition> object) {
  // The windows of the previous object go before the object does.
  m_mainFrame->CloseAllDocuments();
  m_document.SetObject(std::move(object));
  m_windows->OpenAll();
}

// --- open and save ---

void CTRV_KQ_VRApp::OnFileOpen() {
  const QString& current = m_document.ArchivePath();
  const QString folder = m_profile.RememberedFolder();
  const QString start = current.isEmpty() ? folder : QFileInfo(QDir(folder), current).filePath();
  const QString path = Ui().OpenFileName(m_mainFrame, "Открыть", start);
  if (!path.isEmpty()) OpenArchiveFile(path);
}

bool CTRV_KQ_VRApp::OpenArchiveFile(const QString& path) {
  std::unique_ptr<CObjectDefinition> loaded;
  try {
    loaded = LoadSavedArchive(FsPath(path), m_description);
  } catch (const CLoadError& e) {
    // The document stays what it was, under its own name: "Сохранить"
    // must not write it over the file that failed. What was wrong goes
    // under the message, for whoever looks into it.
    AppMessage(m_mainFrame, QString::fromUtf8(e.UserMessage()), QMessageBox::Critical, QMessageBox::Ok, ToQ(e.what()));
    return false;
  }
  // The file is good: only now may it replace an archive just read.
  if (!QuerySaveRead()) return false;
  m_document.SetArchivePath(path);
  MakeCurrent(std::move(loaded));
  AddRecentFile(path);
  return true;
}

void CTRV_KQ_VRApp::AddRecentFile(const QString& path) {
  const QStringList files = m_profile.AddRecentFile(path);
  if (m_mainFrame) m_mainFrame->ShowRecentFiles(files);
}

void CTRV_KQ_VRApp::SetRecentFiles(const QStringList& files) {
  m_profile.SetRecentFiles(files);
  if (m_mainFrame) m_mainFrame->ShowRecentFiles(files);
}

void CTRV_KQ_VRApp::OnOpenRecent(int index) {
  QStringList files = m_profile.RecentFiles();
  if (index < 0 || index >= files.size()) return;
  const QString path = files[index];
  if (!QFileInfo(path).isFile()) {
    files.removeAt(index);
    SetRecentFiles(files);
    // Said as a failed «Открыть» says it.
    AppMessage(m_mainFrame, kMsgCannotOpen, QMessageBox::Critical, QMessageBox::Ok,
               QStringLiteral("Файл не найден: %1").arg(QDir::toNativeSeparators(path)));
    return;
  }
  if (!OpenArchiveFile(path)) {
    // Said by the opening; the file leaves the list.
    files.removeAll(path);
    SetRecentFiles(files);
  }
}

bool CTRV_KQ_VRApp::SaveArchiveAs() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return false;
  // An archive just read is proposed a name of its own in the folder last
  // used; what the user types gets no extension added.
  const QString& current = m_document.ArchivePath();
  const QString start =
      current.isEmpty() ? QDir(m_profile.RememberedFolder()).filePath(m_document.FileStem() + ".sav") : current;
  const QString path = Ui().SaveFileName(m_mainFrame, "Сохранить как", start);
  if (path.isEmpty()) return false;
  m_profile.RememberFolder(path);
  try {
    if (!WriteOfferingRetry(m_mainFrame, [&] { WriteArchive(path, *object); })) return false;
  } catch (const std::exception& e) {
    // The document keeps its name: nothing of it is under the new one.
    Ui().Message(nullptr, kMsgCannotOpen, QMessageBox::NoIcon, kMsgErrorCaption, QMessageBox::Ok,
                 ToQ(ErrorDetail(e)));
    return false;
  }
  m_document.SetArchivePath(path);
  m_document.SetUnsavedRead(false);
  AddRecentFile(path);
  return true;
}

bool CTRV_KQ_VRApp::SaveArchive() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return false;
  const QString path = m_document.ArchivePath();
  if (path.isEmpty()) return SaveArchiveAs();
  m_profile.RememberFolder(path);
  try {
    // Through a temporary file renamed over the old one: a failing save
    // never destroys the previous file.
    if (!WriteOfferingRetry(m_mainFrame, [&] { WriteArchive(path, *object); })) return false;
  } catch (const std::exception& e) {
    AppMessage(m_mainFrame, kMsgCannotSave, QMessageBox::Critical, QMessageBox::Ok, ToQ(ErrorDetail(e)));
    return false;
  }
  m_document.SetUnsavedRead(false);
  return true;
}

bool CTRV_KQ_VRApp::QuerySaveRead() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || !m_document.IsUnsavedRead()) return true;
  const QString question = QStringLiteral("Сохранить архив объекта %1?").arg(object->GetObjectNumber());
  switch (AppMessage(m_mainFrame, question, QMessageBox::Question,
                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return SaveArchive();
    case QMessageBox::No: return true;
    default: return false;
  }
}

void CTRV_KQ_VRApp::WriteArchive(const QString& path, const CObjectDefinition& object) {
  // Only a file in the journal's folder is looked up: any other save
  // leaves the journal closed.
  if (m_journal || IsUnder(path, m_profile.JournalFolder())) {
    if (CSurveyJournal* journal = Journal()) {
      if (const std::optional<CSurveyEntry> survey = journal->FindByPath(FsPath(path))) {
        journal->Update(survey->id, object);
        RefreshJournalWindow();
        return;
      }
    }
  }
  SaveSavedArchive(FsPath(path), object);
}

// --- the journal ---

CSurveyJournal* CTRV_KQ_VRApp::Journal() {
  if (!m_journal) {
    try {
      m_journal = std::make_unique<CSurveyJournal>(FsPath(m_profile.JournalFolder()), m_description);
    } catch (const std::exception& e) {
      AppMessage(m_mainFrame, kMsgJournalUnavailable, QMessageBox::Critical, QMessageBox::Ok, ToQ(ErrorDetail(e)));
      return nullptr;
    }
  }
  return m_journal.get();
}

bool CTRV_KQ_VRApp::SetJournalFolder(const QString& folder) {
  std::unique_ptr<CSurveyJournal> journal;
  try {
    journal = std::make_unique<CSurveyJournal>(FsPath(folder), m_description);
  } catch (const std::exception& e) {
    AppMessage(m_journalWindow ? static_cast<QWidget*>(m_journalWindow) : m_mainFrame, kMsgJournalUnavailable,
               QMessageBox::Critical, QMessageBox::Ok, ToQ(ErrorDetail(e)));
    return false;
  }
  m_journal = std::move(journal);
  m_profile.SetJournalFolder(folder);
  RefreshJournalWindow();
  return true;
}

void CTRV_KQ_VRApp::ShowJournal() {
  if (!m_journalWindow) m_journalWindow = new CJournalWindow(*this, m_mainFrame);
  // Shown, it lists the surveys; one already shown lists them again.
  if (m_journalWindow->isVisible()) m_journalWindow->Refresh();
  m_journalWindow->show();
  m_journalWindow->raise();
  m_journalWindow->activateWindow();
}

std::optional<int64_t> CTRV_KQ_VRApp::CurrentSurvey() {
  const QString& path = m_document.ArchivePath();
  if (m_document.Object() == nullptr || path.isEmpty()) return std::nullopt;
  if (!m_journal && !IsUnder(path, m_profile.JournalFolder())) return std::nullopt;
  CSurveyJournal* journal = Journal();
  if (journal == nullptr) return std::nullopt;
  try {
    if (const std::optional<CSurveyEntry> survey = journal->FindByPath(FsPath(path))) return survey->id;
  } catch (const CJournalError&) {
    // An index that fails now leaves the protocol without the survey's fields.
  }
  return std::nullopt;
}

CJournalWindow* CTRV_KQ_VRApp::JournalWindow() const { return m_journalWindow; }

void CTRV_KQ_VRApp::RefreshJournalWindow() {
  if (m_journalWindow && m_journalWindow->isVisible()) m_journalWindow->Refresh();
}

// --- the rest ---

void CTRV_KQ_VRApp::OnSaveDescription() {
  std::string error;
  if (m_description.SaveDescription(FsPath(m_descriptionFile), &error)) return;
  AppMessage(m_mainFrame, kMsgCannotSave, QMessageBox::Critical, QMessageBox::Ok,
             QDir::toNativeSeparators(m_descriptionFile) + "\n" + ToQ(error));
}

QPrinter& CTRV_KQ_VRApp::Printer() {
  if (!m_printer) m_printer = MakeInitialPrinter();
  return *m_printer;
}

CPrintContext CTRV_KQ_VRApp::PrintContext() { return {m_document, m_profile, Printer(), m_mainFrame}; }

}  // namespace tkq::gui

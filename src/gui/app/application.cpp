#include "gui/app/application.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>
#include <QStandardPaths>

#include "core/archive/archive_read.h"
#include "core/archive/instrument_contents.h"
#include "core/archive/saved_archive.h"
#include "core/link/port_advice.h"
#include "core/link/read_status.h"
#include "core/link/serial_ports.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"
#include "gui/app/context_help.h"
#include "gui/app/dialogs.h"
#include "gui/app/help_window.h"
#include "gui/app/main_frame.h"
#include "gui/app/messages.h"
#include "gui/app/read_progress.h"
#include "gui/app/ui_services.h"
#include "gui/output/print_command.h"
#include "gui/views/abnormal_view.h"
#include "gui/views/archive_view.h"
#include "gui/views/chart_view.h"
#include "gui/views/param_tree_view.h"
#include "gui/views/settings_view.h"
#include "render/fs_path.h"

namespace tkq::gui {
using render::FsPath;
namespace {

CTRV_KQ_VRApp* g_app = nullptr;

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

CTRV_KQ_VRApp* App() { return g_app; }

CMainFrame* CTRV_KQ_VRApp::MainFrame() const { return m_pMainFrame; }

namespace {

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

CTRV_KQ_VRApp::CTRV_KQ_VRApp(const QString& settingsFile, QObject* parent) : QObject(parent), m_profile(settingsFile) {
  g_app = this;
  // What the document's windows ask of the application.
  connect(&m_document, &CArchiveDocument::ViewSettingsChanged, this, &CTRV_KQ_VRApp::RefreshArchiveView);
  connect(&m_document, &CArchiveDocument::ArchiveRowShown, this, &CTRV_KQ_VRApp::ShowArchiveRow);
  // The description is loaded once; later saves of it go to the same file
  // whatever folder the file dialogs visited.
  m_descriptionFile = DescriptionFileAtStart();
  m_description.LoadAtStart(FsPath(m_descriptionFile), [](std::string_view message) {
    Ui().Message(nullptr, QString::fromUtf8(message.data(), static_cast<int>(message.size())), QMessageBox::Critical);
  });
}

CTRV_KQ_VRApp::~CTRV_KQ_VRApp() {
  delete m_pMainFrame;
  m_document.m_pCurrentObject.reset();
  m_printer.reset();
  if (g_app == this) g_app = nullptr;
}

bool CTRV_KQ_VRApp::InitInstance(const QString& file) {
  QApplication::setApplicationName("MONITOR Tarvik KQ");
  m_pMainFrame = new CMainFrame;
  m_pMainFrame->show();

  QSettings& s = Settings();
  s.beginGroup(kProfileSection);
  m_nComIndex = s.value("ComIndex", 1).toInt();
  m_nComBoudRate = s.value("ComBoudRate", 3).toInt();
  m_nDevAddress = s.value("DeviceAddress", 1).toInt();
  m_strPortName = s.value("PortName").toString();
  s.endGroup();
  // Values from an older or edited profile outside their lists fall back
  // to the defaults.
  if (m_nComIndex < 0 || m_nComIndex >= static_cast<int>(kStandardPorts.size())) {
    m_nComIndex = m_strPortName.isEmpty() ? 1 : -1;
  }
  if (!m_strPortName.isEmpty() && StandardPortIndex(m_strPortName.toStdString()) < 0) m_nComIndex = -1;
  if (m_nComBoudRate < 0 || m_nComBoudRate >= kBaudRates.size()) m_nComBoudRate = 3;
  if (m_nDevAddress < 0 || m_nDevAddress > 255) m_nDevAddress = 1;
  ApplyConnectionSettings();
  m_pMainFrame->ShowRecentFiles(RecentFiles());

  CColumnSwitches columns;
  columns.m_bShowNumber = false;
  m_document.SetColumns(columns);

  if (!file.isEmpty()) OpenArchiveFile(file);
  return true;
}

QString CTRV_KQ_VRApp::PortName() const {
  return m_nComIndex >= 0 ? ToQ(std::string(kStandardPorts[m_nComIndex])) : m_strPortName;
}

void CTRV_KQ_VRApp::ApplyConnectionSettings() {
  m_link.SetConnection(PortName().toStdString(), static_cast<uint8_t>(m_nDevAddress));
  m_link.m_nBaudRate = kBaudRates[m_nComBoudRate].toUInt();
}

void CTRV_KQ_VRApp::WriteProfile() {
  QSettings& s = Settings();
  s.beginGroup(kProfileSection);
  s.setValue("ComIndex", m_nComIndex >= 0 ? m_nComIndex : s.value("ComIndex", 1).toInt());
  s.setValue("ComBoudRate", m_nComBoudRate);
  s.setValue("DeviceAddress", m_nDevAddress);
  s.setValue("PortName", m_nComIndex >= 0 ? QString() : m_strPortName);
  s.endGroup();
  s.sync();
}

// --- connection settings ---

void CTRV_KQ_VRApp::OnPortSettings() {
  CPortSettings dialog(PortName(), m_nComBoudRate, m_nDevAddress, m_pMainFrame);
  dialog.m_onConfirmed = [this](CPortSettings& d) {
    m_link.SetConnection(d.PortName().toStdString(), static_cast<uint8_t>(d.Address()));
    m_link.m_nBaudRate = d.Baud();
    m_nComBoudRate = d.BaudIndex();
    m_nDevAddress = d.Address();
    if (m_link.OpenPort()) {
      m_link.ClosePort();
      m_nComIndex = d.PortIndex();
      m_strPortName = d.PortIndex() >= 0 ? QString() : d.PortName();
    } else {
      // The link keeps the new port; the stored one stays as it was.
      QString text = ToQ(ReadStatusText(kReadPortBusy));
      const std::string advice = PortAdvice(m_link.m_strPortName, m_link.LastOpenError());
      if (!advice.empty()) text += "\n" + ToQ(advice);
      AppMessage(&d, text, QMessageBox::Critical);
    }
  };
  dialog.exec();
  WriteProfile();
}

// --- reading ---

void CTRV_KQ_VRApp::OnReadArchive() {
  int number = 0;
  if (!Ui().AskObjectNumber(m_pMainFrame, number)) return;
  ReadObject(number);
}

void CTRV_KQ_VRApp::ReportReadFailure(uint8_t code, const QString& status) {
  QString text = status;
  if (code == kReadPortBusy) {
    const std::string advice = PortAdvice(m_link.m_strPortName, m_link.LastOpenError());
    if (!advice.empty()) text += "\n" + ToQ(advice);
  }
  Ui().Message(m_pMainFrame, text, QMessageBox::Critical, kAppName);
}

bool CTRV_KQ_VRApp::RunOnLink(const std::function<bool()>& job, int objectNumber, bool& closing) {
  m_bReading = true;
  const bool done = RunLinkJob(job, objectNumber, m_link, m_cancelRead, m_pMainFrame);
  m_bReading = false;
  closing = m_bCloseAfterRead;
  if (m_bCloseAfterRead) {
    // The program was closed meanwhile: nothing more to say.
    m_bCloseAfterRead = false;
    if (m_pMainFrame) m_pMainFrame->close();
  }
  return done;
}

void CTRV_KQ_VRApp::OnInstrumentContents() {
  CInstrumentContents contents;
  bool closing = false;
  const uint32_t baud = m_link.m_nBaudRate;
  const bool read =
      RunOnLink([this, baud, &contents] { return ReadInstrumentContents(m_link, baud, contents); }, 0, closing);
  if (closing) return;
  if (!read) {
    ReportReadFailure(contents.readStatus, ToQ(ReadStatusText(contents.readStatus)));
    return;
  }
  const int number = Ui().ChooseObject(m_pMainFrame, contents, m_link.m_nBaudRate);
  if (number > 0) ReadObject(number);
}

void CTRV_KQ_VRApp::ReadObject(int number) {
  // Asked before the read: the read itself replaces the object.
  if (!QuerySaveRead()) return;
  // The worker thread fills these two and reads the description; nothing
  // else is shared with it.
  CArchiveRead read(static_cast<uint8_t>(number));
  std::unique_ptr<CObjectDefinition> object;
  const CReadParamClass& versions = m_description;
  bool closing = false;
  RunOnLink(
      [this, &versions, &read, &object] {
        object = ReadArchive(m_link, versions, read);
        return object != nullptr;
      },
      number, closing);
  if (closing) return;
  if (!object) {
    std::string status;
    const uint8_t code = read.GetReadStatus(status);
    // The previous object and its windows stay as they were.
    ReportReadFailure(code, ToQ(status));
    return;
  }
  // The previous object goes, and its windows before it.
  m_pMainFrame->CloseAllDocuments();
  m_document.SetObject(nullptr);
  QString description;
  if (Ui().EditDescription(m_pMainFrame, description)) object->m_strDescription = description.toStdString();
  m_document.m_strArchivePath.clear();
  MakeCurrent(std::move(object));
  m_document.SetUnsavedRead(true);

  // A read that succeeded may still have found nothing to show.
  const CObjectDefinition& current = *m_document.Object();
  std::string status;
  const uint8_t code = current.GetReadStatus(status);
  if (code == kReadUnknownVersion) {
    AppMessage(m_pMainFrame,
               ToQ(status) + "\nПараметры прибора не расшифрованы: версия «" + ToQ(current.m_strDeviceId) +
                   "» отсутствует в описании версий.",
               QMessageBox::Information);
  } else if (code == kReadArchiveEmpty) {
    AppMessage(m_pMainFrame, ToQ(status), QMessageBox::Information);
  }
}

void CTRV_KQ_VRApp::StopReadAndClose() {
  m_bCloseAfterRead = true;
  m_cancelRead = true;
  // The progress window says that the read is stopping.
  if (auto* progress = qobject_cast<CReadProgressDialog*>(QApplication::activeModalWidget())) progress->reject();
}

void CTRV_KQ_VRApp::MakeCurrent(std::unique_ptr<CObjectDefinition> object) {
  // The windows of the previous object go before the object does.
  m_pMainFrame->CloseAllDocuments();
  m_document.SetObject(std::move(object));
  // The four windows, in this order: the settings form first, as it hands
  // its initial choices to the object before the archive table is filled.
  m_pMainFrame->OpenDocument(new CObjViewSettings(m_document), "Настройка просмотра");
  m_pMainFrame->OpenDocument(new CTRV_KQ_VRView(m_document, m_profile), "Архив измерений");
  m_pMainFrame->OpenDocument(new CErrorListView(m_document, m_profile), "Архив нештатных ситуаций");
  m_pMainFrame->OpenDocument(new CParamTreeView(m_document, m_profile), "Параметры");
  if (m_profile.ChartWasOpen()) m_pMainFrame->OpenDocument(new CChartView(m_document, m_profile), kChartTitle);
  m_pMainFrame->ArrangeDocuments();
  if (!m_pMainFrame->Documents().isEmpty()) m_pMainFrame->MdiArea()->setActiveSubWindow(m_pMainFrame->Documents()[1]);
}

void CTRV_KQ_VRApp::RefreshArchiveView() {
  bool table = false;
  for (CChildFrame* frame : m_pMainFrame->Documents()) {
    if (auto* view = qobject_cast<CTRV_KQ_VRView*>(frame->widget()); view != nullptr && !table) {
      view->FillList();
      table = true;
    } else if (auto* chart = qobject_cast<CChartView*>(frame->widget())) {
      // The chart follows the table.
      chart->FillChart();
    }
  }
  if (!table) m_pMainFrame->OpenDocument(new CTRV_KQ_VRView(m_document, m_profile), "Архив измерений");
}

void CTRV_KQ_VRApp::ShowArchiveRow(int row) {
  for (CChildFrame* frame : m_pMainFrame->Documents()) {
    if (auto* view = qobject_cast<CTRV_KQ_VRView*>(frame->widget())) {
      const QModelIndex index = view->model()->index(row, 0);
      if (!index.isValid()) return;
      view->selectRow(row);
      view->scrollTo(index, QAbstractItemView::PositionAtCenter);
      return;
    }
  }
}

// --- the workbook ---

void CTRV_KQ_VRApp::OnExportWorkbook() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return;
  const QString name = QString("Объект %1.xlsx").arg(object->GetObjectNumber(), 2, 10, QChar('0'));
  const QString path =
      Ui().SaveFileName(m_pMainFrame, "Экспорт в Excel (XLSX)", QDir(m_profile.RememberedFolder()).filePath(name));
  if (path.isEmpty()) return;
  m_profile.RememberFolder(path);
  try {
    // Written beside the file and renamed when complete: a failure leaves
    // an older file of that name as it was.
    WriteOfferingRetry(m_pMainFrame, [&] {
      WriteArchiveWorkbook(FsPath(path), *object, m_document.Columns(),
                           {kProgramName.toStdString(), kProgramVersion.toStdString()});
    });
  } catch (const std::exception& e) {
    Ui().Message(nullptr, kMsgCannotOpen, QMessageBox::NoIcon, kMsgErrorCaption, QMessageBox::Ok, ToQ(e.what()));
  }
}

// --- the chart ---

void CTRV_KQ_VRApp::OnChart() {
  if (!m_document.Object() || !m_pMainFrame) return;
  m_profile.RememberChartOpen(true);
  for (CChildFrame* frame : m_pMainFrame->Documents()) {
    if (qobject_cast<CChartView*>(frame->widget()) != nullptr) {
      m_pMainFrame->MdiArea()->setActiveSubWindow(frame);
      return;
    }
  }
  CChildFrame* frame = m_pMainFrame->OpenDocument(new CChartView(m_document, m_profile), kChartTitle);
  if (m_pMainFrame->Documents().size() == 5) {
    m_pMainFrame->ArrangeDocuments();
  } else {
    frame->resize(m_pMainFrame->MdiArea()->viewport()->size() * 2 / 3);
  }
  m_pMainFrame->MdiArea()->setActiveSubWindow(frame);
}

// --- open and save ---

void CTRV_KQ_VRApp::OnFileOpen() {
  const QString& current = m_document.m_strArchivePath;
  const QString folder = m_profile.RememberedFolder();
  const QString start = current.isEmpty() ? folder : QFileInfo(QDir(folder), current).filePath();
  const QString path = Ui().OpenFileName(m_pMainFrame, "Открыть", start);
  if (path.isEmpty()) return;
  OpenArchiveFile(path);
}

bool CTRV_KQ_VRApp::OpenArchiveFile(const QString& path) {
  std::unique_ptr<CObjectDefinition> loaded;
  try {
    loaded = LoadSavedArchive(FsPath(path), m_description);
  } catch (const CLoadError& e) {
    // The document stays what it was, under its own name: "Сохранить"
    // must not write it over the file that failed. What was wrong goes
    // under the message, for whoever looks into it.
    AppMessage(m_pMainFrame, QString::fromUtf8(e.UserMessage()), QMessageBox::Critical, QMessageBox::Ok, ToQ(e.what()));
    return false;
  }
  // The file is good: only now may it replace an archive just read.
  if (!QuerySaveRead()) return false;
  m_document.m_strArchivePath = path;
  MakeCurrent(std::move(loaded));
  AddRecentFile(path);
  return true;
}

// --- recent files ---

QStringList CTRV_KQ_VRApp::RecentFiles() {
  QStringList files;
  QSettings& s = Settings();
  for (int i = 1; i <= kRecentFiles; ++i) {
    const QString file = s.value(QString("Recent File List/File%1").arg(i)).toString();
    if (!file.isEmpty() && !files.contains(file)) files << file;
  }
  return files;
}

void CTRV_KQ_VRApp::WriteRecentFiles(const QStringList& files) {
  QSettings& s = Settings();
  for (int i = 1; i <= kRecentFiles; ++i) {
    const QString key = QString("Recent File List/File%1").arg(i);
    if (i <= files.size()) {
      s.setValue(key, files[i - 1]);
    } else {
      s.remove(key);
    }
  }
  s.sync();
  if (m_pMainFrame) m_pMainFrame->ShowRecentFiles(files);
}

void CTRV_KQ_VRApp::AddRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList files = RecentFiles();
  files.removeAll(absolute);
  files.prepend(absolute);
  WriteRecentFiles(files.mid(0, kRecentFiles));
}

void CTRV_KQ_VRApp::OnOpenRecent(int index) {
  QStringList files = RecentFiles();
  if (index < 0 || index >= files.size()) return;
  const QString path = files[index];
  if (!QFileInfo(path).isFile()) {
    files.removeAt(index);
    WriteRecentFiles(files);
    // Said as a failed «Открыть» says it.
    AppMessage(m_pMainFrame, kMsgCannotOpen, QMessageBox::Critical, QMessageBox::Ok,
               QStringLiteral("Файл не найден: %1").arg(QDir::toNativeSeparators(path)));
    return;
  }
  if (!OpenArchiveFile(path)) {
    // Said by the opening; the file leaves the list.
    files.removeAll(path);
    WriteRecentFiles(files);
  }
}

bool CTRV_KQ_VRApp::SaveArchiveAs() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return false;
  const QString& current = m_document.m_strArchivePath;
  const QString start = current.isEmpty() ? m_profile.RememberedFolder() : current;
  const QString path = Ui().SaveFileName(m_pMainFrame, "Сохранить как", start);
  if (path.isEmpty()) return false;
  m_profile.RememberFolder(path);
  try {
    if (!WriteOfferingRetry(m_pMainFrame, [&] { SaveSavedArchive(FsPath(path), *object); })) return false;
  } catch (const std::exception& e) {
    // The document keeps its name: nothing of it is under the new one.
    Ui().Message(nullptr, kMsgCannotOpen, QMessageBox::NoIcon, kMsgErrorCaption, QMessageBox::Ok, ToQ(e.what()));
    return false;
  }
  m_document.m_strArchivePath = path;
  m_document.SetUnsavedRead(false);
  AddRecentFile(path);
  return true;
}

bool CTRV_KQ_VRApp::SaveArchive() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return false;
  const QString path = m_document.m_strArchivePath;
  if (path.isEmpty()) return SaveArchiveAs();
  m_profile.RememberFolder(path);
  try {
    // Through a temporary file renamed over the old one: a failing save
    // never destroys the previous file.
    if (!WriteOfferingRetry(m_pMainFrame, [&] { SaveSavedArchive(FsPath(path), *object); })) return false;
  } catch (const std::exception& e) {
    AppMessage(m_pMainFrame, kMsgCannotSave, QMessageBox::Critical, QMessageBox::Ok, ToQ(e.what()));
    return false;
  }
  m_document.SetUnsavedRead(false);
  return true;
}

bool CTRV_KQ_VRApp::QuerySaveRead() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || !m_document.IsUnsavedRead()) return true;
  const QString question = QStringLiteral("Сохранить архив объекта %1?").arg(object->GetObjectNumber());
  switch (AppMessage(m_pMainFrame, question, QMessageBox::Question,
                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return SaveArchive();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

// --- the rest ---

void CTRV_KQ_VRApp::OnAbout() {
  CAboutDlg dialog(m_pMainFrame);
  dialog.exec();
}

void CTRV_KQ_VRApp::OnListVersions() {
  CListVersionsDialog dialog(m_description.VersionNames(), m_pMainFrame);
  dialog.exec();
}

void CTRV_KQ_VRApp::OnSaveDescription() {
  std::string error;
  if (m_description.SaveDescription(FsPath(m_descriptionFile), &error)) return;
  AppMessage(m_pMainFrame, kMsgCannotSave, QMessageBox::Critical, QMessageBox::Ok,
             QDir::toNativeSeparators(m_descriptionFile) + "\n" + ToQ(error));
}

void CTRV_KQ_VRApp::OnHelpContents() {
  if (!ShowHelp(help::kContents, m_pMainFrame)) AppMessage(m_pMainFrame, kMsgHelpUnavailable);
}

void CTRV_KQ_VRApp::OnHelp() {
  QString topic = help::kContents;
  // The topic of the dialog that runs, else of the active window.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    topic = HelpTopicOf(modal);
  } else if (auto* view = dynamic_cast<CViewCommands*>(m_pMainFrame->ActiveView())) {
    topic = view->HelpTopic();
  }
  if (!ShowHelp(topic, m_pMainFrame)) AppMessage(m_pMainFrame, kMsgHelpUnavailable);
}

void CTRV_KQ_VRApp::OnContextHelp() { CContextHelpMode::Start(); }

QPrinter& CTRV_KQ_VRApp::Printer() {
  if (!m_printer) {
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QString name = InitialPrinterName(QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName());
    if (name.isEmpty()) {
      m_printer->setOutputFormat(QPrinter::PdfFormat);
    } else {
      m_printer->setPrinterName(name);
    }
    m_printer->setPageSize(QPageSize(QPageSize::A4));
  }
  return *m_printer;
}

void CTRV_KQ_VRApp::OnFilePrint() {
  if (m_pMainFrame) PrintCommand(*this, m_pMainFrame->ActiveView());
}

void CTRV_KQ_VRApp::OnFilePrintPreview() {
  if (m_pMainFrame) PreviewCommand(*this, m_pMainFrame->ActiveView());
}

void CTRV_KQ_VRApp::OnPrintSetup() { Ui().AskPrintSetup(m_pMainFrame, Printer()); }

}  // namespace tkq::gui

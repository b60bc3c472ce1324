#pragma once
// The application object: the one device link, the device description,
// the archive document (the current measurement object with its file and
// column switches), the user's profile with the connection settings, and
// the commands that the application itself carries out.

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "core/link/flash_files.h"
#include "gui/app/archive_document.h"
#include "gui/app/profile.h"
#include "tkq_version.h"

class QPrinter;
class QSettings;
class QWidget;

namespace tkq::gui {

class CMainFrame;

// Texts of the program.
inline const QString kProgramName = QStringLiteral("Монитор Тарвик КУ (пользовательская версия)");
inline const QString kProgramVersion = QStringLiteral(TKQ_VERSION_TEXT);
inline const QString kMainTitle = kProgramName + " " + kProgramVersion;
inline const QString kChartTitle = QStringLiteral("График");

class CTRV_KQ_VRApp : public QObject {
  Q_OBJECT
 public:
  // Creates the link with its defaults ("COM2", 9600 baud, address 1) and
  // loads the device description ("TarvikKQ.def" in the current folder, or
  // the built-in one with the message and the file written; started in the
  // home folder without one there, the file in ~/.local/share/Tarvik KQ
  // instead). `settingsFile`
  // names the profile file; empty for the user's usual one.
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

  // --- commands of the application ---
  void OnReadArchive();  // "Чтение архива с прибора"
  // "Содержимое прибора...": the objects on the instrument; the one chosen
  // is read as "Чтение архива с прибора" reads it.
  void OnInstrumentContents();
  void OnFileOpen();         // "Открыть"
  void OnPortSettings();     // "Параметры связи"
  void OnAbout();            // "О программе"
  void OnListVersions();     // "Поддерживаемые версии ПО прибора"
  void OnSaveDescription();  // writes the description file
  void OnHelpContents();
  void OnHelp();              // F1: the topic of the active window
  void OnContextHelp();       // Shift+F1
  void OnFilePrint();         // "Печать...": the active window
  void OnFilePrintPreview();  // "Предварительный просмотр": the active window
  void OnPrintSetup();        // "Настройка печати..."
  void OnChart();             // "График": opens the chart window or brings it up
  void OnExportWorkbook();    // "Экспорт в Excel (XLSX)...": the whole archive as a workbook

  // The printer of the program: the system's default printer (a PDF file
  // when there is none) until "Настройка печати..." or the print dialog
  // chooses another; the choice lasts while the program runs.
  QPrinter& Printer();

  // Opens `path` as "Открыть" does after its dialog (tests, the command line).
  bool OpenArchiveFile(const QString& path);

  // The recent files, the latest first (at most kRecentFiles), as the
  // profile keeps them; each archive opened or saved goes first.
  static constexpr int kRecentFiles = 3;
  QStringList RecentFiles();
  void AddRecentFile(const QString& path);
  // A numbered item of the "Файл" menu: opens that file; one that is no
  // longer there, or does not open, leaves the list.
  void OnOpenRecent(int index);

  // --- the document ---
  // A new name only once the file under it is complete: a failed save
  // leaves the document's name, title and recent files as they were.
  bool SaveArchive();
  bool SaveArchiveAs();
  // Before the current object is closed: an archive read from the
  // instrument and not saved since asks «Сохранить архив объекта N?»;
  // "Да" saves it (as "Сохранить" does). False when it is to stay: "Отмена",
  // or the save was cancelled or failed. True at once for anything else.
  bool QuerySaveRead();
  // Rebuilds the measurement archive window, or opens a new one when it
  // has been closed; the chart follows. The document asks for it when the
  // view settings change.
  void RefreshArchiveView();
  // Selects row `row` of the measurement archive table and scrolls to it.
  void ShowArchiveRow(int row);

  // --- state ---
  CTrvKqModbusWithFlFiles m_link;
  CReadParamClass m_description;
  CArchiveDocument m_document;
  int m_nComIndex = 1;     // "COM1".."COM4" by index; -1 when m_strPortName holds another port
  QString m_strPortName;   // a port other than COM1..COM4
  int m_nComBoudRate = 3;  // index into 1200 .. 38400
  int m_nDevAddress = 1;
  // Set while a read runs; the progress window's "Отмена" sets it.
  std::atomic<bool> m_cancelRead{false};

  // Whether a read from the instrument runs now.
  bool IsReading() const { return m_bReading; }
  // Closing the program during a read: the read stops (the port closes),
  // and then the main window closes.
  void StopReadAndClose();

 private:
  // Makes `object` current for good: the previous one goes with all its
  // windows, four new windows open.
  void MakeCurrent(std::unique_ptr<CObjectDefinition> object);
  // Runs `job` on the link with the progress window for `objectNumber`
  // (0: the instrument's contents); `closing` tells that the program was
  // closed meanwhile (and its window now is).
  bool RunOnLink(const std::function<bool()>& job, int objectNumber, bool& closing);
  // Reads object `number` from the instrument with the progress window,
  // then asks for the description and opens its windows.
  void ReadObject(int number);
  // Says why the link could not do what was asked (`status` is the read's).
  void ReportReadFailure(uint8_t code, const QString& status);
  void ApplyConnectionSettings();
  void WriteRecentFiles(const QStringList& files);
  void WriteProfile();
  QString PortName() const;

  CProfile m_profile;
  QString m_descriptionFile;  // absolute: the file loaded at start
  QPointer<CMainFrame> m_pMainFrame;
  std::unique_ptr<QPrinter> m_printer;
  bool m_bReading = false;
  bool m_bCloseAfterRead = false;
};

// The one application object.
CTRV_KQ_VRApp* App();

}  // namespace tkq::gui

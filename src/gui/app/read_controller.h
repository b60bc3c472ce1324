#pragma once
// The link to the instrument and what the program does over it: the
// connection settings handed to the link and "Параметры связи", reading an
// object or the instrument's contents with the progress window, and what
// the user is told when a read fails.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "core/link/flash_files.h"

namespace tkq::gui {

class CProfile;
struct CConnection;

class CReadController {
 public:
  // Reads are described by `description`; the link starts with the
  // defaults ("COM2", 9600 baud, address 1) until ApplyConnection.
  CReadController(CProfile& profile, const CReadParamClass& description);
  ~CReadController();

  // The window the dialogs and messages belong to; closed when the
  // program was closed during a read.
  void SetWindow(QWidget* window) { m_window = window; }

  CTrvKqModbusWithFlFiles& Link() { return m_link; }
  // Hands the settings to the link (nothing is opened).
  void ApplyConnection(const CConnection& connection);
  // "Параметры связи": the dialog; a port that opens is stored in the
  // profile, one that does not stays with the link only, with a message.
  void OnPortSettings();
  // "Поиск прибора": the search dialog; a result applied there becomes the
  // connection (ApplyFound). Nothing changes otherwise.
  void OnFindInstrument();
  // Takes `found` as "Параметры связи" takes a confirmed choice: the link
  // gets it, and the profile too when its port opens.
  void ApplyFound(const CLinkSettings& found);

  // Reads object `number` with the progress window. Null when it failed
  // (the user has been told) or the program is being closed.
  std::unique_ptr<CObjectDefinition> ReadObject(int number);
  // "Содержимое прибора...": the objects on the instrument; the number of
  // the one the user chose to read, or 0.
  int ChooseObjectOnInstrument();
  // After a read that succeeded: tells the user when it found nothing to
  // show (an unknown version, an empty archive).
  void ReportReadOutcome(const CObjectDefinition& object);

  // Whether a read runs now.
  bool IsReading() const { return m_reading; }
  // Closing the program during a read: the read stops (the port closes),
  // and then the window closes.
  void StopReadAndClose();

 private:
  // Runs `job` on the link with the progress window for `objectNumber`
  // (0: the instrument's contents); `closing` tells that the program was
  // closed meanwhile (and its window now is).
  bool RunOnLink(const std::function<bool()>& job, int objectNumber, bool& closing);
  // Hands `at` to the link and into `stored`; the port into `stored` only
  // when it opens, else the user is told over `parent`.
  void ApplyChoice(const CLinkSettings& at, CConnection& stored, QWidget* parent);
  // Says why the link could not do what was asked (`status` is the read's).
  void ReportReadFailure(ReadStatus code, const QString& status);

  CProfile& m_profile;
  const CReadParamClass& m_description;
  CTrvKqModbusWithFlFiles m_link;
  QPointer<QWidget> m_window;
  // Set while a read runs; the progress window's "Отмена" sets it.
  std::atomic<bool> m_cancelRead{false};
  bool m_reading = false;
  bool m_closeAfterRead = false;
  // The link's port is one the user chose (not the default).
  bool m_portChosen = false;
};

}  // namespace tkq::gui

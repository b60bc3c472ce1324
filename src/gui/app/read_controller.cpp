#include "gui/app/read_controller.h"

#include <QApplication>
#include <algorithm>

#include "core/archive/archive_read.h"
#include "core/archive/instrument_contents.h"
#include "core/link/port_advice.h"
#include "core/link/read_status.h"
#include "core/link/serial_ports.h"
#include "gui/app/dialogs.h"
#include "gui/app/read_progress.h"
#include "gui/base/messages.h"
#include "gui/base/profile.h"
#include "gui/base/ui_services.h"

namespace tkq::gui {
namespace {

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

CReadController::CReadController(CProfile& profile, const CReadParamClass& description)
    : m_profile(profile), m_description(description) {}

CReadController::~CReadController() = default;

void CReadController::ApplyConnection(const CConnection& connection) {
  m_link.SetConnection({connection.Port().toStdString(), connection.Baud(), static_cast<uint8_t>(connection.address)});
  m_portChosen = connection.portChosen;
}

void CReadController::OnPortSettings() {
  CConnection stored = m_profile.Connection();
  CPortSettings dialog(stored.Port(), stored.baudIndex, stored.address, m_window);
  dialog.SetDescription(&m_description);
  dialog.SetPortChosen(stored.portChosen);
  dialog.SetOnConfirmed([this, &stored](CPortSettings& d) {
    ApplyChoice({d.PortName().toStdString(), d.Baud(), static_cast<uint8_t>(d.Address())}, stored, &d);
  });
  dialog.exec();
  m_profile.SetConnection(stored);
}

void CReadController::ApplyChoice(const CLinkSettings& at, CConnection& stored, QWidget* parent) {
  m_link.SetConnection(at);
  m_portChosen = true;
  const int baudIndex = kBaudRates.indexOf(QString::number(at.baudRate));
  if (baudIndex >= 0) stored.baudIndex = baudIndex;
  stored.address = at.address;
  if (m_link.OpenPort()) {
    m_link.ClosePort();
    const int portIndex = StandardPortIndex(at.port);
    stored.comIndex = portIndex;
    stored.portName = portIndex >= 0 ? QString() : ToQ(at.port);
    stored.portChosen = true;
  } else {
    // The link keeps the new port; the stored one stays as it was.
    QString text = ToQ(ReadStatusText(ReadStatus::kReadPortBusy));
    const std::string advice = PortAdvice(m_link.Settings().port, m_link.LastOpenError());
    if (!advice.empty()) text += "\n" + ToQ(advice);
    AppMessage(parent, text, QMessageBox::Critical);
  }
}

void CReadController::OnFindInstrument() {
  // The search opens ports of its own; the link is not touched.
  CSearchDialog dialog(m_link.Settings(), m_portChosen, &m_description, m_window);
  if (dialog.exec() == QDialog::Accepted) ApplyFound(dialog.Chosen());
}

void CReadController::ApplyFound(const CLinkSettings& found) {
  CConnection stored = m_profile.Connection();
  ApplyChoice(found, stored, m_window);
  m_profile.SetConnection(stored);
}

void CReadController::ReportReadFailure(ReadStatus code, const QString& status) {
  QString text = status;
  if (code == ReadStatus::kReadPortBusy) {
    const std::string advice = PortAdvice(m_link.Settings().port, m_link.LastOpenError());
    if (!advice.empty()) text += "\n" + ToQ(advice);
  } else if (code == ReadStatus::kReadNoConnection) {
    text += "\n" + kMsgFindInstrumentHint;
  }
  Ui().Message(m_window, text, QMessageBox::Critical, kAppName);
}

bool CReadController::RunOnLink(const std::function<bool()>& job, int objectNumber, bool& closing) {
  m_reading = true;
  const bool done = RunLinkJob(job, objectNumber, m_link, m_cancelRead, m_window);
  m_reading = false;
  closing = m_closeAfterRead;
  if (m_closeAfterRead) {
    // The program was closed meanwhile: nothing more to say.
    m_closeAfterRead = false;
    if (m_window) m_window->close();
  }
  return done;
}

int CReadController::ChooseObjectOnInstrument() {
  CInstrumentContents contents;
  bool closing = false;
  const uint32_t baud = m_link.Settings().baudRate;
  const bool read =
      RunOnLink([this, baud, &contents] { return ReadInstrumentContents(m_link, baud, contents); }, 0, closing);
  if (closing) return 0;
  if (!read) {
    ReportReadFailure(contents.readStatus, ToQ(ReadStatusText(contents.readStatus)));
    return 0;
  }
  return std::max(0, Ui().ChooseObject(m_window, contents, m_link.Settings().baudRate));
}

std::unique_ptr<CObjectDefinition> CReadController::ReadObject(int number) {
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
  if (closing) return nullptr;
  if (!object) {
    std::string status;
    const ReadStatus code = read.GetReadStatus(status);
    ReportReadFailure(code, ToQ(status));
  }
  return object;
}

void CReadController::ReportReadOutcome(const CObjectDefinition& object) {
  std::string status;
  const ReadStatus code = object.GetReadStatus(status);
  if (code == ReadStatus::kReadUnknownVersion) {
    AppMessage(m_window,
               ToQ(status) + "\nПараметры прибора не расшифрованы: версия «" + ToQ(object.m_strDeviceId) +
                   "» отсутствует в описании версий.",
               QMessageBox::Information);
  } else if (code == ReadStatus::kReadArchiveEmpty) {
    AppMessage(m_window, ToQ(status), QMessageBox::Information);
  }
}

void CReadController::StopReadAndClose() {
  m_closeAfterRead = true;
  m_cancelRead = true;
  // The progress window says that the read is stopping.
  if (auto* progress = qobject_cast<CReadProgressDialog*>(QApplication::activeModalWidget())) progress->reject();
}

}  // namespace tkq::gui

#include "gui/app/read_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>
#include <thread>

#include "core/base/read_rate.h"
#include "gui/base/ui_services.h"

namespace tkq::gui {
namespace {

QString Kilobytes(quint64 bytes) { return QString::fromStdString(KilobytesText(bytes)); }

// A rate is shown once the bytes have come for this long.
constexpr double kRateAfterSeconds = 0.3;

// How often the window looks at the read: often enough for a smooth bar,
// and the read's end is seen within this.
constexpr int kPollMs = 40;

// Shows what the state gathered; beeps for each failed attempt.
void Show(CLinkJobState::Snapshot s, CReadProgressDialog& dialog) {
  if (s.newStage) dialog.SetStage(s.stage, QString::fromStdString(s.file), s.fileBytes);
  if (s.haveBytes) dialog.SetBytes(s.done, s.total);
  for (; s.failedAttempts > 0; --s.failedAttempts) Ui().Beep();
}

}  // namespace

// --- the state the two threads share ---

void CLinkJobState::OnStage(EReadStage stage, const std::string& file, uint64_t fileBytes) {
  const std::lock_guard lock(m_mutex);
  m_pending.newStage = true;
  m_pending.stage = stage;
  m_pending.file = file;
  m_pending.fileBytes = fileBytes;
}

void CLinkJobState::OnBytes(uint64_t done, uint64_t total) {
  const std::lock_guard lock(m_mutex);
  m_pending.haveBytes = true;
  m_pending.done = done;
  m_pending.total = total;
}

void CLinkJobState::CountFailedAttempt() {
  const std::lock_guard lock(m_mutex);
  ++m_pending.failedAttempts;
}

CLinkJobState::Snapshot CLinkJobState::Take() {
  const std::lock_guard lock(m_mutex);
  Snapshot taken = m_pending;
  m_pending.newStage = false;
  m_pending.haveBytes = false;
  m_pending.failedAttempts = 0;
  return taken;
}

// --- the window ---

CReadProgressDialog::CReadProgressDialog(int objectNumber, std::atomic<bool>& cancel, QWidget* parent)
    : QDialog(parent), m_cancelFlag(cancel) {
  setWindowTitle("Чтение архива с прибора");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  if (objectNumber == 0) setWindowTitle("Содержимое прибора");
  auto* title = new QLabel(
      objectNumber > 0 ? QString("Чтение объекта № %1").arg(objectNumber) : QString("Чтение каталога прибора"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  m_stage = new QLabel("Соединение с прибором", this);
  layout->addWidget(m_stage);
  m_bar = new QProgressBar(this);
  m_bar->setRange(0, 0);  // busy until the sizes are known
  m_bar->setMinimumWidth(fontMetrics().horizontalAdvance(QString(60, 'x')));
  layout->addWidget(m_bar);
  m_figures = new QLabel(" ", this);
  layout->addWidget(m_figures);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  m_cancel = new QPushButton("Отмена", this);
  m_cancel->setObjectName(QStringLiteral("cancel"));
  buttons->addWidget(m_cancel);
  layout->addLayout(buttons);
  connect(m_cancel, &QPushButton::clicked, this, [this] { Cancel(); });
  m_clock.start();
}

void CReadProgressDialog::SetStage(EReadStage stage, const QString& file, quint64 bytes) {
  switch (stage) {
    case EReadStage::kIdentification: m_stage->setText("Идентификация прибора"); break;
    case EReadStage::kDirectory: m_stage->setText("Чтение каталога файлов"); break;
    case EReadStage::kFile: m_stage->setText(QString("Чтение файла %1 (%2 байт)").arg(file).arg(bytes)); break;
  }
}

void CReadProgressDialog::SetBytes(quint64 done, quint64 total) {
  if (!m_started && done > 0) {
    m_started = true;
    m_clock.restart();
  }
  total = std::max(total, done);
  m_bar->setRange(0, 1000);
  m_bar->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
  QString text = Kilobytes(done) + " из " + Kilobytes(total);
  const double seconds = m_clock.elapsed() / 1000.0;
  const std::optional<CTransferRate> rate = TransferRate(done, total, seconds, kRateAfterSeconds);
  if (m_started && rate) {
    text += QString::fromStdString("  ·  " + RateText(*rate) + "  ·  " + TimeLeftText(*rate));
  }
  m_figures->setText(text);
}

void CReadProgressDialog::Cancel() {
  m_cancelFlag = true;
  m_cancel->setEnabled(false);
  m_stage->setText("Остановка чтения...");
}

void CReadProgressDialog::reject() { Cancel(); }

bool RunLinkJob(const std::function<bool()>& job, int objectNumber, CTrvKqModbusWithFlFiles& link,
                std::atomic<bool>& cancel, QWidget* parent) {
  cancel = false;
  CReadProgressDialog dialog(objectNumber, cancel, parent);
  CLinkJobState state;
  link.SetProgress(&state);
  link.SetCancelFlag(&cancel);
  std::function<void()> beep = link.Modbus().SetOnFailedAttempt([&state] { state.CountFailedAttempt(); });
  bool ok = false;
  std::thread worker([&] {
    ok = job();
    state.m_finished = true;
  });
  // The timer runs in the window's event loop, so the window closes only
  // once it is shown.
  QTimer poll;
  poll.setInterval(kPollMs);
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
    Show(state.Take(), dialog);
    if (state.m_finished) dialog.accept();
  });
  poll.start();
  dialog.exec();
  poll.stop();
  // The window can also go because the program is ending (its event
  // loops all stop): then the read stops too, instead of running on to
  // its time-outs.
  if (!state.m_finished) cancel = true;
  worker.join();
  link.SetProgress(nullptr);
  link.Modbus().SetOnFailedAttempt(std::move(beep));
  Show(state.Take(), dialog);  // the beeps of the last moments
  return ok;
}

}  // namespace tkq::gui

#include "gui/app/read_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace tkq::gui {
namespace {

QString Kilobytes(quint64 bytes) { return QString::number(bytes / 1024.0, 'f', 1).replace('.', ',') + " КБ"; }

// Passes the read's progress from the worker thread to the window.
class CQueuedProgress : public CReadProgress {
 public:
  explicit CQueuedProgress(CReadProgressDialog* dialog) : m_dialog(dialog) {}
  void OnStage(const std::string& stage, uint64_t bytes) override {
    const QString text = QString::fromStdString(stage);
    QMetaObject::invokeMethod(m_dialog, [d = m_dialog, text, bytes] { d->SetStage(text, bytes); },
                              Qt::QueuedConnection);
  }
  void OnBytes(uint64_t done, uint64_t total) override {
    QMetaObject::invokeMethod(m_dialog, [d = m_dialog, done, total] { d->SetBytes(done, total); },
                              Qt::QueuedConnection);
  }

 private:
  CReadProgressDialog* m_dialog;
};

}  // namespace

CReadProgressDialog::CReadProgressDialog(int objectNumber, std::atomic<bool>& cancel, QWidget* parent)
    : QDialog(parent), m_cancelFlag(cancel) {
  setWindowTitle("Чтение архива с прибора");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  if (objectNumber == 0) setWindowTitle("Содержимое прибора");
  auto* title = new QLabel(objectNumber > 0 ? QString("Чтение объекта № %1").arg(objectNumber)
                                            : QString("Чтение каталога прибора"),
                           this);
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
  buttons->addWidget(m_cancel);
  layout->addLayout(buttons);
  connect(m_cancel, &QPushButton::clicked, this, [this] { Cancel(); });
  m_clock.start();
}

void CReadProgressDialog::SetStage(const QString& stage, quint64 bytes) {
  if (stage == "identification") {
    m_stage->setText("Идентификация прибора");
  } else if (stage == "directory") {
    m_stage->setText("Чтение каталога файлов");
  } else {
    m_stage->setText(QString("Чтение файла %1 (%2 байт)").arg(stage).arg(bytes));
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
  if (m_started && done > 0 && seconds > 0.3) {
    const double rate = done / seconds;
    const auto left = static_cast<qint64>((total - done) / std::max(rate, 1.0));
    text += QString("  ·  %1/с  ·  осталось %2:%3")
                .arg(Kilobytes(static_cast<quint64>(rate)))
                .arg(left / 60)
                .arg(left % 60, 2, 10, QChar('0'));
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
  CQueuedProgress progress(&dialog);
  link.SetProgress(&progress);
  link.SetCancelFlag(&cancel);
  bool ok = false;
  QThread* worker = QThread::create([&] { ok = job(); });
  // Queued to this thread, so the window closes only once it is shown.
  QObject::connect(worker, &QThread::finished, &dialog, &QDialog::accept, Qt::QueuedConnection);
  worker->start();
  dialog.exec();
  // The window can also go because the program is ending (its event
  // loops all stop): then the read stops too, instead of running on to
  // its time-outs.
  if (!worker->isFinished()) cancel = true;
  worker->wait();
  delete worker;
  link.SetProgress(nullptr);
  return ok;
}

}  // namespace tkq::gui

#pragma once
// A read from the instrument off the user-interface thread, with a window
// that shows what is being read (file, bytes, rate, time left) and a
// button that stops it. The main window stays responsive meanwhile.

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <functional>

#include "core/archive/object_definition.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tkq::gui {

class CReadProgressDialog : public QDialog {
  Q_OBJECT
 public:
  // `objectNumber` 0: reading what is on the instrument, not an object.
  CReadProgressDialog(int objectNumber, std::atomic<bool>& cancel, QWidget* parent = nullptr);

  void SetStage(const QString& stage, quint64 bytes);
  void SetBytes(quint64 done, quint64 total);

  QPushButton* m_cancel = nullptr;

  // Escape and the close box stop the read instead of hiding the window.
  void reject() override;

 private:
  void Cancel();

  std::atomic<bool>& m_cancelFlag;
  QLabel* m_stage = nullptr;
  QLabel* m_figures = nullptr;
  QProgressBar* m_bar = nullptr;
  QElapsedTimer m_clock;
  bool m_started = false;
};

// Runs `job` (a read over `link`) on a worker thread while the progress
// window for `objectNumber` (0: what is on the instrument) is shown modally
// over `parent`; returns the job's result. `cancel` is cleared first and set
// by the window's "Отмена".
bool RunLinkJob(const std::function<bool()>& job, int objectNumber, CTrvKqModbusWithFlFiles& link,
                std::atomic<bool>& cancel, QWidget* parent);

}  // namespace tkq::gui

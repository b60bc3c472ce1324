#pragma once
// A read from the instrument off the user-interface thread, with a window
// that shows what is being read (file, bytes, rate, time left) and a
// button that stops it. The main window stays responsive meanwhile.
//
// The worker thread touches only the link, the job's own data and a small
// state guarded by a mutex (CLinkJobState); the window reads that state on
// a timer. No Qt object crosses the threads.

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "core/link/flash_files.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tkq::gui {

// What the worker thread reports and the window shows.
class CLinkJobState : public CReadProgress {
 public:
  struct Snapshot {
    bool newStage = false;  // a stage began since the last snapshot
    EReadStage stage = EReadStage::kIdentification;
    std::string file;
    uint64_t fileBytes = 0;
    bool haveBytes = false;  // bytes were counted since the last snapshot
    uint64_t done = 0;
    uint64_t total = 0;
    int failedAttempts = 0;  // since the last snapshot
  };

  void OnStage(EReadStage stage, const std::string& file, uint64_t fileBytes) override;
  void OnBytes(uint64_t done, uint64_t total) override;
  void CountFailedAttempt();
  // What changed since the last call.
  Snapshot Take();

  std::atomic<bool> m_finished{false};

 private:
  std::mutex m_mutex;
  Snapshot m_pending;
};

class CReadProgressDialog : public QDialog {
  Q_OBJECT
 public:
  // `objectNumber` 0: reading what is on the instrument, not an object.
  CReadProgressDialog(int objectNumber, std::atomic<bool>& cancel, QWidget* parent = nullptr);

  void SetStage(EReadStage stage, const QString& file, quint64 bytes);
  void SetBytes(quint64 done, quint64 total);

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

  QPushButton* m_cancel = nullptr;
};

// Runs `job` (a read over `link`) on a worker thread while the progress
// window for `objectNumber` (0: what is on the instrument) is shown modally
// over `parent`; returns the job's result. `cancel` is cleared first and set
// by the window's "Отмена". Each failed attempt of a transaction beeps.
bool RunLinkJob(const std::function<bool()>& job, int objectNumber, CTrvKqModbusWithFlFiles& link,
                std::atomic<bool>& cancel, QWidget* parent);

}  // namespace tkq::gui

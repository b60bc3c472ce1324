#pragma once
// "Поиск прибора": the ports, baud rates and addresses at which instruments
// answer, found by identification requests alone, with one to choose.
//
// The search runs on a worker thread; it reports to a small state guarded
// by a mutex (CSearchState), which the dialog reads on a timer. No Qt
// object crosses the threads. The search opens ports of its own: the
// program's link and its settings stay as they are.

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/archive/instrument_search.h"
#include "core/link/serial_ports.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tkq {
class CReadParamClass;
}

namespace tkq::gui {

// Where searches look and how they reach the lines; tests put scripted
// lines in place of the machine's ports.
struct CSearchHooks {
  std::function<CSerialPorts()> findPorts;  // null: FindSerialPorts()
  ChannelFactory makeChannel;               // null: MakeSerialChannel
  int probeWaitMs = kDefaultProbeWaitMs;
};
// Installs `hooks` for the searches started afterwards; null restores the
// machine's own.
void SetSearchHooks(const CSearchHooks* hooks);

// What the search's workers report and the dialog shows.
class CSearchState : public CSearchObserver {
 public:
  struct Snapshot {
    bool probed = false;  // a probe went out since the last snapshot
    CLinkSettings at;
    uint64_t tried = 0;
    uint64_t total = 0;
    std::vector<CFoundInstrument> found;              // since the last snapshot
    std::vector<std::pair<std::string, int>> failed;  // port, open error; since the last snapshot
  };

  void OnProbe(const CLinkSettings& at, uint64_t tried, uint64_t total) override;
  void OnFound(const CFoundInstrument& found) override;
  void OnPortFailed(const std::string& port, int openError) override;
  // What came since the last call.
  Snapshot Take();

  std::atomic<bool> m_finished{false};

 private:
  std::mutex m_mutex;
  Snapshot m_pending;
};

class CSearchDialog : public QDialog {
  Q_OBJECT
 public:
  // `configured`: the settings in use, tried first (its port too when it
  // is not among the ports found). `description` (may be null) tells
  // whether each version found is known.
  CSearchDialog(const CLinkSettings& configured, const CReadParamClass* description, QWidget* parent = nullptr);
  ~CSearchDialog() override;

  // The instruments found so far, in the table's order.
  const std::vector<CFoundInstrument>& Found() const { return m_found; }
  // The instrument of the selected row, valid after "Применить".
  CLinkSettings Chosen() const { return m_chosen; }
  bool IsSearching() const { return m_searching; }
  // Processes events until the search has ended, at most `timeoutMs`;
  // false if it still runs.
  bool WaitForEnd(int timeoutMs);
  // The ports the search goes over.
  const std::vector<std::string>& Ports() const { return m_plan.ports; }

  QLabel* m_status = nullptr;  // the probe under way, then the outcome
  QProgressBar* m_bar = nullptr;
  QTableWidget* m_table = nullptr;
  QPlainTextEdit* m_failed = nullptr;  // the ports that did not open
  QPushButton* m_full = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_apply = nullptr;
  QPushButton* m_close = nullptr;

  // "Применить", "Отмена", Escape and the close box: a running search
  // stops first (within a fraction of a second).
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Start(bool full);
  void Poll();
  void Finish();
  void Stop();
  void EndWorker();
  void Apply();
  void AddRow(const CFoundInstrument& found);
  void UpdateButtons();
  QString PortText(const std::string& port) const;

  const CReadParamClass* m_description;
  CSearchHooks m_hooks;
  std::vector<CSerialPort> m_portList;  // as found, for their descriptions
  CSearchPlan m_plan;
  std::vector<CFoundInstrument> m_found;
  CLinkSettings m_chosen;
  std::shared_ptr<CSearchState> m_state;
  std::atomic<bool> m_cancel{false};
  std::thread m_worker;
  QTimer m_poll;
  bool m_started = false;
  bool m_searching = false;
  bool m_fullRunning = false;  // the search under way is a full one
  bool m_stopped = false;      // the user stopped the last search
  bool m_quickDone = false;    // the quick part ran to its end
  bool m_fullDone = false;     // the full part ran to its end
};

}  // namespace tkq::gui

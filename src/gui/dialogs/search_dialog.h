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
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tkq {
class CReadParamClass;
}

namespace tkq::gui {

class CDialogUnits;

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
    bool probed = false;                 // a probe went out since the last snapshot
    std::vector<CLinkSettings> current;  // the probe under way on each port still searched
    uint64_t tried = 0;
    uint64_t total = 0;
    std::vector<CFoundInstrument> found;              // since the last snapshot
    std::vector<std::pair<std::string, int>> failed;  // port, open error; since the last snapshot
  };

  void OnProbe(const CLinkSettings& at, uint64_t tried, uint64_t total) override;
  void OnFound(const CFoundInstrument& found) override;
  void OnPortFailed(const std::string& port, int openError) override;
  void OnPortDone(const std::string& port) override;
  // What came since the last call.
  Snapshot Take();

  std::atomic<bool> m_finished{false};

 private:
  std::mutex m_mutex;
  Snapshot m_pending;
};

// The ports typed in the port field: separated by commas, semicolons or
// spaces; empty when none is.
std::vector<std::string> TypedPorts(const QString& text);

class CSearchDialog : public QDialog {
  Q_OBJECT
 public:
  // `configured`: the settings in use, tried first. Its port is searched
  // with the ports the machine has when it is among them, or else when the
  // user named it (`portNamed`: typed or chosen, not a fresh profile's
  // default, which need not exist). `description` (may be null) tells
  // whether each version found is known.
  CSearchDialog(const CLinkSettings& configured, bool portNamed, const CReadParamClass* description,
                QWidget* parent = nullptr);
  ~CSearchDialog() override;

  // The instruments found so far, in the table's order.
  const std::vector<CFoundInstrument>& Found() const { return m_found; }
  // The instrument of the selected row, valid after "Применить".
  CLinkSettings Chosen() const { return m_chosen; }
  bool IsSearching() const { return m_searching; }
  // Processes events until the search has ended, at most `timeoutMs`;
  // false if it still runs.
  bool WaitForEnd(int timeoutMs);
  // The ports the next search goes over: those typed in the port field,
  // else the machine's (with the configured one, as above).
  const std::vector<std::string>& Ports() const { return m_plan.ports; }

  // "Применить", "Отмена", Escape and the close box: a running search
  // stops first (within a fraction of a second).
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  // Enter in the port field searches; elsewhere it is the default button's.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The table of the instruments found: port, rate, address, instrument.
  void BuildTable(const CDialogUnits& du);
  // The buttons', the field's, the table's and the poll timer's signals.
  void ConnectControls();
  void MakePlan();
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
  CLinkSettings m_configured;
  bool m_portNamed;
  std::vector<CSerialPort> m_portList;     // as found, for their descriptions
  CSearchPlan m_plan;                      // what the field asks for
  CSearchPlan m_runPlan;                   // what the last search tried
  std::vector<std::string> m_failedPorts;  // of the last search
  int m_planNumber = 0;                    // counts the field's changes
  int m_runPlanNumber = 0;                 // m_planNumber when the last search began
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

  QLineEdit* m_portField = nullptr;  // empty: the machine's ports
  QLabel* m_status = nullptr;        // the probes under way, then the outcome
  QProgressBar* m_bar = nullptr;
  QTableWidget* m_table = nullptr;
  QPlainTextEdit* m_failed = nullptr;  // the ports that did not open
  QPushButton* m_find = nullptr;       // the quick search again, over the field's ports
  QPushButton* m_full = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_apply = nullptr;
  QPushButton* m_close = nullptr;
};

}  // namespace tkq::gui

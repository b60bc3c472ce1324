#include "gui/dialogs/search_dialog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <algorithm>

#include "core/link/port_advice.h"
#include "core/link/read_status.h"
#include "gui/dialogs/dialog_layout.h"

namespace tkq::gui {
namespace {

// How often the dialog looks at the search: the end is seen within this.
constexpr int kPollMs = 40;

const CSearchHooks* g_hooks = nullptr;

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

// A range such as "1–247" kept on one line: a line may otherwise end after
// its dash.
QString Unbroken(const std::string& s) { return ToQ(s).replace(QStringLiteral("–"), QStringLiteral("\u2060–\u2060")); }

const std::string kFullSearchHint = "Можно запустить полный поиск (все адреса 1–247).";

}  // namespace

void SetSearchHooks(const CSearchHooks* hooks) { g_hooks = hooks; }

// --- the state the threads share ---

std::vector<std::string> TypedPorts(const QString& text) {
  std::vector<std::string> ports;
  static const QRegularExpression kSeparators(QStringLiteral("[,;\\s]+"));
  for (const QString& port : text.split(kSeparators, Qt::SkipEmptyParts)) {
    if (std::find(ports.begin(), ports.end(), port.toStdString()) == ports.end()) ports.push_back(port.toStdString());
  }
  return ports;
}

void CSearchState::OnProbe(const CLinkSettings& at, uint64_t tried, uint64_t total) {
  const std::lock_guard lock(m_mutex);
  m_pending.probed = true;
  const auto it = std::find_if(m_pending.current.begin(), m_pending.current.end(),
                               [&](const CLinkSettings& c) { return c.port == at.port; });
  if (it == m_pending.current.end()) {
    m_pending.current.push_back(at);
  } else {
    *it = at;
  }
  m_pending.tried = tried;
  m_pending.total = total;
}

void CSearchState::OnFound(const CFoundInstrument& found) {
  const std::lock_guard lock(m_mutex);
  m_pending.found.push_back(found);
}

void CSearchState::OnPortFailed(const std::string& port, int openError) {
  const std::lock_guard lock(m_mutex);
  m_pending.failed.emplace_back(port, openError);
}

void CSearchState::OnPortDone(const std::string& port) {
  const std::lock_guard lock(m_mutex);
  std::erase_if(m_pending.current, [&](const CLinkSettings& c) { return c.port == port; });
}

CSearchState::Snapshot CSearchState::Take() {
  const std::lock_guard lock(m_mutex);
  Snapshot taken = std::move(m_pending);
  m_pending = Snapshot{};
  m_pending.current = taken.current;
  m_pending.tried = taken.tried;
  m_pending.total = taken.total;
  return taken;
}

// --- the dialog ---

CSearchDialog::CSearchDialog(const CLinkSettings& configured, bool portNamed, const CReadParamClass* description,
                             QWidget* parent)
    : QDialog(parent), m_description(description), m_configured(configured), m_portNamed(portNamed) {
  if (g_hooks != nullptr) m_hooks = *g_hooks;
  if (!m_hooks.findPorts) m_hooks.findPorts = [] { return FindSerialPorts(); };
  if (!m_hooks.makeChannel) m_hooks.makeChannel = MakeSerialChannel;

  // The ports of the machine that are there (a node kept for a UART the
  // machine lacks leads nowhere).
  for (const CSerialPort& port : m_hooks.findPorts().ports) {
    if (port.exists && port.kind != EPortKind::kEmptySlot) m_portList.push_back(port);
  }

  setWindowTitle(QStringLiteral("Поиск прибора"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 320, 229);

  m_portField = new QLineEdit(this);
  m_portField->setObjectName(QStringLiteral("ports"));
  m_portField->setPlaceholderText(QStringLiteral("все порты компьютера"));
  m_portField->setToolTip(
      QStringLiteral("Порт, на котором искать прибор, например COM5, или несколько через запятую; "
                     "порт проверяется, даже если система его не показывает. Пусто: все порты компьютера."));
  m_portField->setGeometry(du.X(34), du.Y(7), du.X(279), ControlHeight(du, 12, m_portField));
  AddLabel(this, QStringLiteral("Порт:"), du.Rect(7, 9, 26, 8), m_portField);

  // Four lines: the outcome names what was tried, in a font of any width.
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("status"));
  m_status->setWordWrap(true);
  m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_status->setGeometry(du.Rect(7, 24, 306, 34));
  m_bar = new QProgressBar(this);
  m_bar->setObjectName(QStringLiteral("bar"));
  m_bar->setRange(0, 1000);
  m_bar->setValue(0);
  m_bar->setTextVisible(false);
  m_bar->setGeometry(du.X(7), du.Y(61), du.X(306), ControlHeight(du, 10, m_bar));

  BuildTable(du);

  m_failed = new QPlainTextEdit(this);
  m_failed->setObjectName(QStringLiteral("failed"));
  m_failed->setReadOnly(true);
  m_failed->setGeometry(du.Rect(7, 167, 306, 34));

  m_find = AddButton(this, QStringLiteral("Найти"), du.Rect(7, 208, 50, 14));
  m_find->setObjectName(QStringLiteral("find"));
  m_full = AddButton(this, QStringLiteral("Полный поиск"), du.Rect(61, 208, 64, 14));
  m_full->setObjectName(QStringLiteral("full"));
  m_stop = AddButton(this, QStringLiteral("Стоп"), du.Rect(129, 208, 50, 14));
  m_stop->setObjectName(QStringLiteral("stop"));
  m_apply = AddButton(this, QStringLiteral("Применить"), du.Rect(209, 208, 50, 14));
  m_apply->setObjectName(QStringLiteral("apply"));
  m_close = AddButton(this, QStringLiteral("Отмена"), du.Rect(263, 208, 50, 14));
  m_close->setObjectName(QStringLiteral("close"));
  m_apply->setDefault(true);
  MakePlan();

  ConnectControls();
  UpdateButtons();
}

void CSearchDialog::BuildTable(const CDialogUnits& du) {
  m_table = new QTableWidget(0, 4, this);
  m_table->setObjectName(QStringLiteral("table"));
  m_table->setHorizontalHeaderLabels(
      {QStringLiteral("Порт"), QStringLiteral("Скорость"), QStringLiteral("Адрес"), QStringLiteral("Прибор")});
  m_table->verticalHeader()->hide();
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The port, rate and address as wide as they need; the instrument's
  // text takes the rest.
  for (int column = 0; column < 3; ++column) {
    m_table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
  m_table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
  m_table->setGeometry(du.Rect(7, 75, 306, 88));
}

void CSearchDialog::ConnectControls() {
  // Other ports make another search: what the last one tried through says
  // nothing of them.
  connect(m_portField, &QLineEdit::textChanged, this, [this] {
    MakePlan();
    m_quickDone = false;
    m_fullDone = false;
    UpdateButtons();
  });
  connect(m_find, &QPushButton::clicked, this, [this] { Start(false); });
  connect(m_full, &QPushButton::clicked, this, [this] { Start(true); });
  connect(m_stop, &QPushButton::clicked, this, [this] { Stop(); });
  connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
  connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { Apply(); });
  connect(m_table, &QTableWidget::currentCellChanged, this, [this] { UpdateButtons(); });
  m_poll.setInterval(kPollMs);
  connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
}

CSearchDialog::~CSearchDialog() { EndWorker(); }

void CSearchDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!m_started) {
    m_started = true;
    Start(false);
  }
}

void CSearchDialog::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_portField->hasFocus()) {
    Start(false);
    return;
  }
  QDialog::keyPressEvent(event);
}

void CSearchDialog::MakePlan() {
  std::vector<std::string> ports = TypedPorts(m_portField->text());
  if (ports.empty()) {
    for (const CSerialPort& port : m_portList) ports.push_back(port.name);
    // The configured port first when it is not among them, if the user
    // named it: a default names a port that need not exist.
    if (m_portNamed && !m_configured.port.empty() &&
        std::find(ports.begin(), ports.end(), m_configured.port) == ports.end()) {
      ports.insert(ports.begin(), m_configured.port);
    }
  }
  m_plan = MakeSearchPlan(ports, m_configured, false);
  m_plan.probeWaitMs = m_hooks.probeWaitMs;
  ++m_planNumber;
}

void CSearchDialog::Start(bool full) {
  if (m_searching) return;
  CSearchPlan plan = m_plan;
  if (full) {
    // The ports that answered are left, as a search leaves them; the
    // quick combinations are not tried again once tried through.
    std::erase_if(plan.ports, [this](const std::string& port) {
      return std::any_of(m_found.begin(), m_found.end(), [&](const CFoundInstrument& f) { return f.at.port == port; });
    });
    plan.quick = !m_quickDone;
    plan.full = true;
  }
  m_runPlan = plan;
  m_runPlanNumber = m_planNumber;
  m_failedPorts.clear();
  m_cancel = false;
  m_stopped = false;
  m_searching = true;
  m_bar->setValue(0);
  m_failed->clear();
  m_status->setText(QString());
  m_state = std::make_shared<CSearchState>();
  // The worker has its own copies of everything but the cancel flag and
  // the description, which outlive it (the dialog joins it before either
  // goes).
  m_worker = std::thread(
      [state = m_state, plan, description = m_description, factory = m_hooks.makeChannel, cancel = &m_cancel] {
        SearchInstruments(plan, description, *state, cancel, factory);
        state->m_finished = true;
      });
  m_fullRunning = full;
  m_poll.start();
  UpdateButtons();
}

void CSearchDialog::Poll() {
  if (!m_state) return;
  // Everything reported before the end is in the snapshot taken after it.
  const bool finished = m_state->m_finished;
  CSearchState::Snapshot s = m_state->Take();
  if (s.probed) {
    m_bar->setValue(s.total > 0 ? static_cast<int>(std::min(s.tried, s.total) * 1000 / s.total) : 0);
    // The ports in the search's order, whichever probed first.
    const auto place = [this](const CLinkSettings& at) {
      return std::find(m_runPlan.ports.begin(), m_runPlan.ports.end(), at.port) - m_runPlan.ports.begin();
    };
    std::stable_sort(s.current.begin(), s.current.end(),
                     [&](const CLinkSettings& a, const CLinkSettings& b) { return place(a) < place(b); });
    if (!m_stopped && !s.current.empty())
      m_status->setText(QStringLiteral("Проверяется: ") + ToQ(ProbesText(s.current)));
  }
  for (const auto& [port, error] : s.failed) {
    m_failedPorts.push_back(port);
    m_failed->appendPlainText(ToQ(port) + ": " + ToQ(ReadStatusText(ReadStatus::kReadPortBusy)));
    if (const std::string advice = PortAdvice(port, error); !advice.empty()) m_failed->appendPlainText(ToQ(advice));
  }
  for (const CFoundInstrument& found : s.found) AddRow(found);
  if (finished) Finish();
}

void CSearchDialog::Finish() {
  m_poll.stop();
  if (m_worker.joinable()) m_worker.join();
  m_searching = false;
  if (!m_stopped) m_bar->setValue(1000);
  // (A field changed meanwhile asks for another search.)
  if (!m_stopped && m_runPlanNumber == m_planNumber) {
    // A full search tried the quick combinations too, or had before.
    m_quickDone = true;
    if (m_fullRunning) m_fullDone = true;
  }
  std::string text = m_stopped ? "Поиск остановлен. " : "";
  // The ports that opened: those the search tried.
  std::vector<std::string> tried = m_runPlan.ports;
  std::erase_if(tried, [this](const std::string& port) {
    return std::find(m_failedPorts.begin(), m_failedPorts.end(), port) != m_failedPorts.end();
  });
  if (!m_found.empty()) {
    text += "Найдено приборов: " + std::to_string(m_found.size());
  } else if (m_stopped) {
    text += m_fullDone ? "Прибор не найден." : "Прибор не найден. " + kFullSearchHint;
  } else if (tried.empty()) {
    text += m_runPlan.ports.empty() ? "Прибор не найден: последовательных портов нет."
                                    : "Прибор не найден: ни один порт не открылся.";
  } else {
    text += "Прибор не найден. " + SearchTriedText(m_runPlan, tried) + ".";
    if (!m_fullDone) text += " " + kFullSearchHint;
  }
  m_status->setText(Unbroken(text));
  UpdateButtons();
}

void CSearchDialog::Stop() {
  if (!m_searching) return;
  m_cancel = true;
  m_stopped = true;
  m_stop->setEnabled(false);
}

void CSearchDialog::EndWorker() {
  if (!m_worker.joinable()) return;
  // The search returns within a fraction of a second of the flag.
  m_cancel = true;
  m_worker.join();
  m_poll.stop();
  m_searching = false;
}

void CSearchDialog::done(int result) {
  EndWorker();
  QDialog::done(result);
}

void CSearchDialog::Apply() {
  const int row = m_table->currentRow();
  if (row < 0 || row >= static_cast<int>(m_found.size())) return;
  m_chosen = m_found[static_cast<size_t>(row)].at;
  accept();
}

void CSearchDialog::AddRow(const CFoundInstrument& found) {
  // A port a full search went over again may answer as before.
  if (std::any_of(m_found.begin(), m_found.end(), [&](const CFoundInstrument& f) { return f.at == found.at; })) return;
  m_found.push_back(found);
  const int row = m_table->rowCount();
  m_table->insertRow(row);
  QString instrument = ToQ(found.identification);
  if (!found.versionKnown) instrument += QStringLiteral(" (версия не описана)");
  const QStringList cells = {PortText(found.at.port), QString::number(found.at.baudRate),
                             QString::number(found.at.address), instrument};
  for (int column = 0; column < cells.size(); ++column) {
    auto* item = new QTableWidgetItem(cells[column]);
    item->setToolTip(cells[column]);
    item->setTextAlignment((column == 1 || column == 2) ? (Qt::AlignRight | Qt::AlignVCenter)
                                                        : (Qt::AlignLeft | Qt::AlignVCenter));
    m_table->setItem(row, column, item);
  }
  if (row == 0) m_table->selectRow(0);
  UpdateButtons();
}

QString CSearchDialog::PortText(const std::string& port) const {
  for (const CSerialPort& p : m_portList) {
    if (p.name != port) continue;
    const std::string description = PortDescription(p);
    return description.empty() ? ToQ(port) : ToQ(port + " (" + description + ")");
  }
  return ToQ(port);
}

void CSearchDialog::UpdateButtons() {
  const int row = m_table->currentRow();
  m_apply->setEnabled(row >= 0 && row < static_cast<int>(m_found.size()));
  m_stop->setEnabled(m_searching && !m_cancel);
  m_find->setEnabled(m_started && !m_searching);
  const bool portsLeft = std::any_of(m_plan.ports.begin(), m_plan.ports.end(), [this](const std::string& port) {
    return std::none_of(m_found.begin(), m_found.end(), [&](const CFoundInstrument& f) { return f.at.port == port; });
  });
  m_full->setEnabled(m_started && !m_searching && !m_fullDone && portsLeft);
}

bool CSearchDialog::WaitForEnd(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (m_searching && clock.elapsed() < timeoutMs) {
    // The poll timer wakes the loop while the search runs.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return !m_searching;
}

}  // namespace tkq::gui

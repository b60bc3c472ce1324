#include "gui/app/help_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStringList>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/base/program_name.h"

// The pages live in the GUI's static library, where nothing else refers to
// them; registering them here pulls them into every program that shows help.
// (At global scope: the macro declares the registration function.)
static void RegisterHelpPages() { Q_INIT_RESOURCE(help); }

namespace tkq::gui {
namespace {

const QString kHelpTitle = QStringLiteral("Справка — ") + kProgramShortName;

// The topics in the order of the contents list.
const QStringList& Topics() {
  static const QStringList topics = {help::kContents,     help::kConnection,  help::kSearch,       help::kReading,
                                     help::kSettingsView, help::kArchiveView, help::kAbnormalView, help::kParamsView,
                                     help::kChart,        help::kSummary,     help::kSaving,       help::kJournal,
                                     help::kPrinting,     help::kReports,
                                     help::kExport,       help::kProtocol,       help::kSimulator,   help::kVersions};
  return topics;
}

void EnsurePagesRegistered() {
  static const bool registered = (RegisterHelpPages(), true);
  (void)registered;
}

// A topic is a page name: lower-case letters, digits, '-' and '_' only, so
// that no topic reaches outside the help's folder of the resources.
bool IsTopicName(const QString& topic) {
  static const QRegularExpression name(QStringLiteral("^[a-z0-9_-]+$"));
  return name.match(topic).hasMatch();
}

QUrl PageUrl(const QString& topic) { return QUrl(QStringLiteral("qrc:/help/%1.html").arg(topic)); }

// The topic of a help page's address; empty for any other address.
QString TopicOf(const QUrl& url) {
  static const QRegularExpression page(QStringLiteral("^/help/([a-z0-9_-]+)\\.html$"));
  if (url.scheme() != QLatin1String("qrc")) return {};
  const QRegularExpressionMatch m = page.match(url.path());
  return m.hasMatch() ? m.captured(1) : QString();
}

QString PageTitle(const QString& html) {
  QTextDocument document;
  document.setHtml(html);
  return document.metaInformation(QTextDocument::DocumentTitle).trimmed();
}

// The one help window: the contents on the left, the page on the right,
// buttons to go back, forward and to the contents above them.
class CHelpWindow final : public QWidget {
 public:
  CHelpWindow();

  void ShowTopic(const QString& topic);
  // Makes the window a window of `host` (a modal dialog, so that the help
  // stays usable while the dialog runs), or a window of its own for null.
  void Host(QWidget* host);
  // Sets the first position: centred over `parent`'s window, on its screen.
  void PlaceNear(QWidget* parent);
  // The topic of the page shown.
  QString Topic() const { return TopicOf(m_browser->source()); }

  bool m_placed = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FollowLink(const QUrl& link);
  void SelectInContents(const QUrl& url);

  QListWidget* m_contents = nullptr;
  QTextBrowser* m_browser = nullptr;
  QPushButton* m_back = nullptr;
  QPushButton* m_forward = nullptr;
  QPushButton* m_home = nullptr;
  QPointer<QWidget> m_host;
};

CHelpWindow::CHelpWindow() : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(kHelpTitle);
  // An open help window does not keep the program running once its main
  // window has closed.
  setAttribute(Qt::WA_QuitOnClose, false);

  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  m_back = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Назад"), this);
  m_back->setObjectName(QStringLiteral("helpBack"));
  m_back->setToolTip(QStringLiteral("Предыдущая страница (Alt+Влево)"));
  m_forward = new QPushButton(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Вперед"), this);
  m_forward->setObjectName(QStringLiteral("helpForward"));
  m_forward->setToolTip(QStringLiteral("Следующая страница (Alt+Вправо)"));
  m_home = new QPushButton(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Содержание"), this);
  m_home->setObjectName(QStringLiteral("helpContentsButton"));
  m_back->setEnabled(false);
  m_forward->setEnabled(false);
  buttons->addWidget(m_back);
  buttons->addWidget(m_forward);
  buttons->addWidget(m_home);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  m_contents = new QListWidget(splitter);
  m_contents->setObjectName(QStringLiteral("helpContents"));
  for (const QString& topic : Topics()) {
    const QString title = PageTitle(HelpPage(topic));
    if (title.isEmpty()) continue;
    auto* item = new QListWidgetItem(title, m_contents);
    item->setData(Qt::UserRole, topic);
    item->setToolTip(title);
  }
  m_browser = new QTextBrowser(splitter);
  m_browser->setObjectName(QStringLiteral("helpBrowser"));
  // Every link goes through FollowLink: help pages here, the rest outside.
  m_browser->setOpenLinks(false);
  splitter->addWidget(m_contents);
  splitter->addWidget(m_browser);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setChildrenCollapsible(false);
  m_contents->setSpacing(1);
  layout->addWidget(splitter, 1);
  resize(900, 650);
  // The contents as wide as their longest title, within a third of the window.
  int widest = 0;
  for (int row = 0; row < m_contents->count(); ++row) {
    widest = std::max(widest, m_contents->fontMetrics().horizontalAdvance(m_contents->item(row)->text()));
  }
  const int contentsWidth = std::min(widest + 2 * m_contents->frameWidth() + 16, width() / 3);
  splitter->setSizes({contentsWidth, width() - contentsWidth});

  connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
  connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
  connect(m_home, &QPushButton::clicked, this, [this] { ShowTopic(help::kContents); });
  connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QPushButton::setEnabled);
  connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QPushButton::setEnabled);
  connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { FollowLink(link); });
  connect(m_browser, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { SelectInContents(url); });
  connect(m_contents, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item != nullptr) ShowTopic(item->data(Qt::UserRole).toString());
  });

  auto* back = new QShortcut(QKeySequence::Back, this);
  connect(back, &QShortcut::activated, m_browser, &QTextBrowser::backward);
  auto* forward = new QShortcut(QKeySequence::Forward, this);
  connect(forward, &QShortcut::activated, m_browser, &QTextBrowser::forward);
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
}

void CHelpWindow::ShowTopic(const QString& topic) {
  const QUrl url = PageUrl(topic);
  if (m_browser->source() != url) m_browser->setSource(url);
  SelectInContents(m_browser->source());
}

void CHelpWindow::FollowLink(const QUrl& link) {
  const QUrl target = m_browser->source().resolved(link);
  if (target.scheme() == QLatin1String("qrc")) {
    // A page of the help (a link to one that does not exist goes nowhere).
    if (QFile::exists(QLatin1Char(':') + target.path())) m_browser->setSource(target);
    return;
  }
  QDesktopServices::openUrl(target);
}

void CHelpWindow::SelectInContents(const QUrl& url) {
  const QString topic = TopicOf(url);
  const QSignalBlocker blocker(m_contents);
  for (int row = 0; row < m_contents->count(); ++row) {
    if (m_contents->item(row)->data(Qt::UserRole).toString() == topic) {
      m_contents->setCurrentRow(row);
      return;
    }
  }
  m_contents->setCurrentRow(-1);
}

void CHelpWindow::Host(QWidget* host) {
  if (host == parentWidget()) return;
  if (m_host) m_host->removeEventFilter(this);
  const bool visible = isVisible();
  const QRect place = geometry();
  setParent(host, Qt::Window);  // hides the window
  if (m_placed) setGeometry(place);
  m_host = host;
  if (host != nullptr) host->installEventFilter(this);
  if (visible) show();
}

bool CHelpWindow::eventFilter(QObject* watched, QEvent* event) {
  // The modal dialog that holds the help goes away: the help stays, a
  // window of the next modal dialog up the chain or of its own.
  const bool leaving =
      (event->type() == QEvent::Hide && !event->spontaneous()) || event->type() == QEvent::DeferredDelete;
  if (watched == m_host && leaving) {
    QWidget* next = nullptr;
    for (QWidget* w = m_host->parentWidget(); w != nullptr; w = w->parentWidget()) {
      w = w->window();
      if (w->isModal() && w->isVisible()) {
        next = w;
        break;
      }
    }
    Host(next);
  }
  return QWidget::eventFilter(watched, event);
}

void CHelpWindow::PlaceNear(QWidget* parent) {
  QWidget* anchor = parent != nullptr ? parent->window() : nullptr;
  QScreen* screen = anchor != nullptr ? anchor->screen() : QGuiApplication::primaryScreen();
  m_placed = true;
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  QRect place(QPoint(0, 0), size().boundedTo(area.size()));
  place.moveCenter(anchor != nullptr && anchor->isVisible() ? anchor->frameGeometry().center() : area.center());
  place.moveLeft(std::clamp(place.left(), area.left(), area.right() - place.width() + 1));
  place.moveTop(std::clamp(place.top(), area.top(), area.bottom() - place.height() + 1));
  setGeometry(place);
}

QPointer<CHelpWindow>& TheHelpWindow() {
  static QPointer<CHelpWindow> window;
  return window;
}

}  // namespace

QString HelpPage(const QString& topic) {
  EnsurePagesRegistered();
  if (!IsTopicName(topic)) return {};
  QFile file(QStringLiteral(":/help/%1.html").arg(topic));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QString ShownHelpTopic() {
  const QPointer<CHelpWindow>& window = TheHelpWindow();
  if (!window || !window->isVisible()) return {};
  return window->Topic();
}

bool ShowHelp(const QString& topic, QWidget* parent) {
  if (HelpPage(topic).isEmpty()) return false;
  QPointer<CHelpWindow>& window = TheHelpWindow();
  if (!window) window = new CHelpWindow;
  // While a modal dialog runs, only its own windows take input.
  window->Host(QApplication::activeModalWidget());
  window->ShowTopic(topic);
  if (!window->m_placed) window->PlaceNear(parent);
  if (window->isMinimized()) {
    window->showNormal();
  } else {
    window->show();
  }
  window->raise();
  window->activateWindow();
  return true;
}

}  // namespace tkq::gui

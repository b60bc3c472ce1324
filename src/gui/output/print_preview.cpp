#include "gui/output/print_preview.h"

#include <qcustomplot.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "gui/base/archive_document.h"
#include "gui/base/program_name.h"
#include "gui/base/ui_services.h"
#include "gui/output/print_command.h"
#include "gui/views/view_commands.h"

namespace tkq::gui {
namespace {

constexpr int kGap = 12;                            // screen pixels around and between the pages
constexpr double kZoomFactors[] = {1.0, 2.0, 3.5};  // of the whole-page scale
constexpr int kMaxZoom = 2;

}  // namespace

// --- the desk ---

CPreviewArea::CPreviewArea(CPreviewWindow& window) : QAbstractScrollArea(&window), m_window(window) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setBackgroundRole(QPalette::Dark);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
}

double CPreviewArea::Scale() const {
  const QRectF paper = m_window.m_paper;
  if (paper.isEmpty()) return 1.0;
  const int pages = m_window.ShownPages();
  const QSize room = maximumViewportSize();
  const double fitWidth = (room.width() - (pages + 1) * kGap) / (pages * paper.width());
  const double fitHeight = (room.height() - 2 * kGap) / paper.height();
  const double fit = std::max(0.01, std::min(fitWidth, fitHeight));
  return fit * kZoomFactors[m_window.m_zoom];
}

void CPreviewArea::UpdateScrollBars() {
  const double scale = Scale();
  const int pages = m_window.ShownPages();
  const int width = static_cast<int>(std::ceil(pages * m_window.m_paper.width() * scale)) + (pages + 1) * kGap;
  const int height = static_cast<int>(std::ceil(m_window.m_paper.height() * scale)) + 2 * kGap;
  const QSize view = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, width - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  verticalScrollBar()->setRange(0, std::max(0, height - view.height()));
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setSingleStep(std::max(20, view.height() / 20));
  const Qt::ScrollBarPolicy policy = m_window.m_zoom == 0 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
  setHorizontalScrollBarPolicy(policy);
  setVerticalScrollBarPolicy(policy);
}

void CPreviewArea::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void CPreviewArea::paintEvent(QPaintEvent*) {
  if (!m_window.IsValid() || m_window.PageCount() == 0) return;
  QCPPainter painter(viewport());
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const double scale = Scale();
  const int pages = m_window.ShownPages();
  const QSizeF sheet = m_window.m_paper.size() * scale;
  const double total = pages * sheet.width() + (pages - 1) * kGap;
  // Centred when smaller than the window, else scrolled.
  const double left = total + 2 * kGap <= viewport()->width() ? (viewport()->width() - total) / 2.0
                                                              : kGap - horizontalScrollBar()->value();
  const double top = sheet.height() + 2 * kGap <= viewport()->height() ? (viewport()->height() - sheet.height()) / 2.0
                                                                       : kGap - verticalScrollBar()->value();
  for (int i = 0; i < pages; ++i) {
    const int number = m_window.m_page + i;
    const QRectF place(left + i * (sheet.width() + kGap), top, sheet.width(), sheet.height());
    painter.fillRect(place.translated(3, 3), QColor(0, 0, 0, 90));
    painter.fillRect(place, Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(place);
    painter.save();
    painter.setClipRect(place);
    painter.translate(place.topLeft());
    painter.scale(scale, scale);
    painter.translate(m_window.m_printable);
    if (m_window.m_painted) {
      m_window.m_painted->PaintPage(painter, number);
    } else {
      render::PaintPrintPage(painter, m_window.Page(number), *m_window.m_font);
    }
    painter.restore();
  }
}

void CPreviewArea::wheelEvent(QWheelEvent* e) {
  const int steps = e->angleDelta().y() / 120;
  if (steps == 0) return;
  if (e->modifiers() & Qt::ControlModifier) {
    steps > 0 ? m_window.ZoomIn() : m_window.ZoomOut();
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  const bool scrolls = m_window.m_zoom > 0 && bar->maximum() > 0;
  if (scrolls && ((steps < 0 && bar->value() < bar->maximum()) || (steps > 0 && bar->value() > 0))) {
    bar->setValue(bar->value() - steps * bar->singleStep() * 3);
    return;
  }
  // A page turn; zoomed in, the next page shows from its top, the previous
  // one from its bottom.
  if (steps < 0 && m_window.m_page + m_window.ShownPages() <= m_window.PageCount()) {
    m_window.NextPage();
    bar->setValue(0);
  } else if (steps > 0 && m_window.m_page > 1) {
    m_window.PreviousPage();
    bar->setValue(bar->maximum());
  }
}

void CPreviewArea::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // A click magnifies around the point clicked; at the largest size it
  // shows the whole page again.
  const QPointF at = e->position();
  const double before = Scale();
  const QPointF content(at.x() + horizontalScrollBar()->value(), at.y() + verticalScrollBar()->value());
  if (m_window.m_zoom == kMaxZoom) {
    m_window.m_zoom = 0;
    m_window.UpdateControls();
    return;
  }
  m_window.ZoomIn();
  const double ratio = Scale() / before;
  horizontalScrollBar()->setValue(static_cast<int>(content.x() * ratio - at.x()));
  verticalScrollBar()->setValue(static_cast<int>(content.y() * ratio - at.y()));
}

// --- the window ---

CPreviewWindow::CPreviewWindow(const CPrintContext& context, QWidget* view, std::unique_ptr<CPrintLines> lines,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_view(view), m_lines(std::move(lines)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  // The keys that turn pages reach the window, not a button.
  setFocusPolicy(Qt::StrongFocus);
  setWindowTitle(kMainTitle + " - " + DocumentTitle(view));
  setWhatsThis(QStringLiteral("Предварительный просмотр: страницы такими, какими их напечатает выбранный принтер."));

  QPrinter& printer = context.printer;
  render::SetPrintMargins(printer);
  m_font = std::make_unique<render::CPrintFont>(printer);
  m_paper = printer.paperRect(QPrinter::DevicePixel);
  m_printable = render::PrintableArea(printer).topLeft() - m_paper.topLeft();
  m_paper.moveTo(0, 0);
  const CObjectDefinition* object = context.document.Object();
  if (m_lines && object != nullptr) {
    m_layout = std::make_unique<CPageLayout>(*m_lines, PrintTitle(*object), render::MeasurePrintPage(printer, *m_font));
  } else if (auto* commands = dynamic_cast<CViewCommands*>(view); commands != nullptr && object != nullptr) {
    m_painted = commands->PaintedPages(printer);
  }

  BuildWindow(parent);
}

CPreviewWindow::CPreviewWindow(const CPrintContext& context, CPagesFactory factory, const QString& title,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_factory(std::move(factory)), m_title(title) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  setFocusPolicy(Qt::StrongFocus);
  setWindowTitle(kMainTitle + " - " + title);
  setWhatsThis(QStringLiteral("Предварительный просмотр: страницы такими, какими их напечатает выбранный принтер."));

  QPrinter& printer = context.printer;
  // The user's page set-up for the other printouts stays as it was.
  const QPageLayout before = printer.pageLayout();
  m_painted = m_factory ? m_factory(printer) : nullptr;
  m_paper = printer.paperRect(QPrinter::DevicePixel);
  m_printable = render::PrintableArea(printer).topLeft() - m_paper.topLeft();
  m_paper.moveTo(0, 0);
  printer.setPageLayout(before);
  BuildWindow(parent);
}

void CPreviewWindow::BuildWindow(QWidget* parent) {
  auto button = [this](const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
  };
  m_print = button(QStringLiteral("&Печать..."));
  m_print->setObjectName(QStringLiteral("print"));
  m_next = button(QStringLiteral("Следующая"));
  m_next->setObjectName(QStringLiteral("next"));
  m_previous = button(QStringLiteral("Предыдущая"));
  m_previous->setObjectName(QStringLiteral("previous"));
  m_pages = button(QStringLiteral("Две страницы"));
  m_pages->setObjectName(QStringLiteral("pages"));
  m_zoomIn = button(QStringLiteral("Крупнее"));
  m_zoomIn->setObjectName(QStringLiteral("zoomIn"));
  m_zoomOut = button(QStringLiteral("Мельче"));
  m_zoomOut->setObjectName(QStringLiteral("zoomOut"));
  m_close = button(QStringLiteral("Закрыть"));
  m_close->setObjectName(QStringLiteral("close"));
  connect(m_print, &QPushButton::clicked, this, &CPreviewWindow::Print);
  connect(m_next, &QPushButton::clicked, this, &CPreviewWindow::NextPage);
  connect(m_previous, &QPushButton::clicked, this, &CPreviewWindow::PreviousPage);
  connect(m_pages, &QPushButton::clicked, this, &CPreviewWindow::TogglePages);
  connect(m_zoomIn, &QPushButton::clicked, this, &CPreviewWindow::ZoomIn);
  connect(m_zoomOut, &QPushButton::clicked, this, &CPreviewWindow::ZoomOut);
  connect(m_close, &QPushButton::clicked, this, &QWidget::close);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 4);
  for (QPushButton* b : {m_print, m_next, m_previous, m_pages, m_zoomIn, m_zoomOut, m_close}) bar->addWidget(b);
  bar->addStretch(1);
  m_indicator = new QLabel(this);
  m_indicator->setObjectName(QStringLiteral("indicator"));
  m_indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  m_indicator->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Страниц 00000-00000")) + 12);
  m_area = new CPreviewArea(*this);
  m_area->setObjectName(QStringLiteral("pageArea"));
  auto* status = new QHBoxLayout;
  status->setContentsMargins(4, 2, 4, 2);
  status->addWidget(m_indicator);
  status->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(bar);
  layout->addWidget(m_area, 1);
  layout->addLayout(status);

  // Over the main window, as large as it is.
  if (parent != nullptr)
    setGeometry(parent->geometry());
  else
    resize(1000, 760);
  // A new current object takes the lines away.
  connect(&m_context.document, &CArchiveDocument::ObjectReplaced, this, &QWidget::close);
  UpdateControls();
}

CPreviewWindow::~CPreviewWindow() = default;

int CPreviewWindow::ShownPages() const { return m_twoPages && m_zoom == 0 && m_page + 1 <= PageCount() ? 2 : 1; }

QString CPreviewWindow::IndicatorText() const {
  if (ShownPages() == 2) return QStringLiteral("Страниц %1-%2").arg(m_page).arg(m_page + 1);
  return QStringLiteral("Страница %1").arg(m_page);
}

const CPrintPage& CPreviewWindow::Page(int page) {
  auto it = m_built.find(page);
  if (it != m_built.end()) return it->second;
  // Only the pages on the screen are kept.
  for (auto i = m_built.begin(); i != m_built.end();) {
    i = i->first < m_page || i->first >= m_page + 2 ? m_built.erase(i) : std::next(i);
  }
  ++m_pagesBuilt;
  return m_built.emplace(page, m_layout->Page(page)).first->second;
}

void CPreviewWindow::ShowPage(int page) {
  const int last = std::max(1, PageCount());
  m_page = std::clamp(page, 1, last);
  UpdateControls();
}

void CPreviewWindow::NextPage() { ShowPage(m_page + ShownPages()); }

void CPreviewWindow::PreviousPage() { ShowPage(m_page - (m_twoPages && m_zoom == 0 ? 2 : 1)); }

void CPreviewWindow::TogglePages() {
  m_twoPages = !m_twoPages;
  m_zoom = 0;
  UpdateControls();
}

void CPreviewWindow::ZoomIn() {
  if (m_zoom < kMaxZoom) ++m_zoom;
  UpdateControls();
}

void CPreviewWindow::ZoomOut() {
  if (m_zoom > 0) --m_zoom;
  UpdateControls();
}

void CPreviewWindow::Print() {
  QPointer<QWidget> view = m_view;
  const CPrintContext context = m_context;
  if (m_factory) {
    const CPagesFactory factory = m_factory;
    const QString title = m_title;
    close();
    PrintPagesCommand(context, factory, title);
    return;
  }
  close();
  if (view) PrintCommand(context, view);
}

void CPreviewWindow::UpdateControls() {
  const int count = PageCount();
  m_pages->setText(m_twoPages ? QStringLiteral("&Одна страница") : QStringLiteral("Две страницы"));
  m_pages->setEnabled(m_zoom == 0 && (count > 1 || m_twoPages));
  m_next->setEnabled(m_page + ShownPages() <= count);
  m_previous->setEnabled(m_page > 1);
  m_zoomIn->setEnabled(m_zoom < kMaxZoom);
  m_zoomOut->setEnabled(m_zoom > 0);
  m_indicator->setText(IndicatorText());
  m_area->UpdateScrollBars();
  m_area->viewport()->update();
}

void CPreviewWindow::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_PageDown: NextPage(); break;
    case Qt::Key_PageUp: PreviousPage(); break;
    case Qt::Key_Home: ShowPage(1); break;
    case Qt::Key_End: ShowPage(m_twoPages && m_zoom == 0 ? std::max(1, PageCount() - 1) : PageCount()); break;
    case Qt::Key_Plus: ZoomIn(); break;
    case Qt::Key_Minus: ZoomOut(); break;
    case Qt::Key_Escape: close(); break;
    case Qt::Key_Down: m_area->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Up: m_area->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
}

bool PreviewPagesCommand(const CPrintContext& context, const CPagesFactory& factory, const QString& document) {
  auto* preview = new CPreviewWindow(context, factory, document, context.frame);
  if (!preview->IsValid() || preview->PageCount() == 0) {
    AppMessage(context.frame, QString::fromUtf8(kPageTooSmall), QMessageBox::Warning);
    delete preview;
    return false;
  }
  preview->show();
  preview->activateWindow();
  preview->setFocus();
  return true;
}

void PreviewCommand(const CPrintContext& context, QWidget* view) {
  std::unique_ptr<CPrintLines> lines = LinesOf(view);
  // A window that draws its pages gives them to the preview itself.
  if (context.document.Object() == nullptr || (!lines && !PaintedPagesOf(view, context.printer))) return;
  auto* preview = new CPreviewWindow(context, view, std::move(lines), context.frame);
  if (!CheckPageCount(context.frame, preview->IsValid(), preview->PageCount())) {
    delete preview;
    return;
  }
  preview->show();
  preview->activateWindow();
  preview->setFocus();
}

}  // namespace tkq::gui

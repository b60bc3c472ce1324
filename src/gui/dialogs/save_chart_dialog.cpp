#include "gui/dialogs/save_chart_dialog.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "gui/base/ui_services.h"
#include "gui/dialogs/dialog_layout.h"
#include "render/chart_image.h"

namespace tkq::gui {

CSaveChartDialog::CSaveChartDialog(const QString& file, QSize size, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Сохранить график");
  m_file = new QLineEdit(file, this);
  m_file->setObjectName(QStringLiteral("file"));
  auto* browse = new QPushButton("Обзор...", this);
  connect(browse, &QPushButton::clicked, this, &CSaveChartDialog::Browse);
  m_width = new QSpinBox(this);
  m_width->setObjectName(QStringLiteral("width"));
  m_height = new QSpinBox(this);
  m_height->setObjectName(QStringLiteral("height"));
  for (QSpinBox* box : {m_width, m_height}) {
    box->setRange(100, 10000);
    box->setSingleStep(100);
  }
  m_width->setValue(size.width());
  m_height->setValue(size.height());
  QPushButton* ok = AddButton(this, QStringLiteral("OK"), QRect());
  ok->setDefault(true);
  QPushButton* cancel = AddButton(this, QStringLiteral("Отмена"), QRect());
  connect(ok, &QPushButton::clicked, this, &CSaveChartDialog::Confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  Arrange(browse, ok, cancel);
}

void CSaveChartDialog::Browse() {
  QStringList filters;
  for (const QString& format : render::ChartImageFormats()) {
    filters << (format == "pdf" ? QStringLiteral("Документ PDF (*.pdf)")
                                : QStringLiteral("Рисунок %1 (*.%2)").arg(format.toUpper(), format));
  }
  const QString chosen = QFileDialog::getSaveFileName(this, "Сохранить график", m_file->text(), filters.join(";;"));
  if (!chosen.isEmpty()) m_file->setText(chosen);
}

void CSaveChartDialog::Confirm() {
  if (!render::IsChartImageName(File())) {
    AppMessage(this, "Укажите файл с расширением " + render::ChartImageFormatsText(render::EImageFormatNames::kSuffixes));
    return;
  }
  accept();
}

void CSaveChartDialog::Arrange(QPushButton* browse, QPushButton* ok, QPushButton* cancel) {
  const CDialogUnits du(font());
  // Two rows, the captions in a column as wide as the wider of them: the
  // file (a field of 48 characters) with "Обзор..." beside it, and the
  // size; OK and Отмена under them at the right.
  const int margin = du.X(7);
  const int gap = du.X(4);
  // A label as wide as its text, `x` from the left, on the row of `control`.
  const auto label = [this](const QString& text, int x, const QWidget* control) {
    QLabel* added = AddLabel(this, text, QRect(x, 0, 0, 0), control);
    added->resize(added->sizeHint().width(), added->height());
    return added;
  };
  QLabel* fileCaption = label("Файл (" + render::ChartImageFormatsText() + "):", margin, m_file);
  QLabel* sizeCaption = label(QStringLiteral("Размер:"), margin, m_width);
  const int fields = margin + std::max(fileCaption->width(), sizeCaption->width()) + gap;

  const int fileTop = du.Y(7);
  const int editHeight = ControlHeight(du, 12, m_file);
  const int browseHeight = ControlHeight(du, 14, browse);
  const int fileRow = std::max(editHeight, browseHeight);
  m_file->setGeometry(fields, fileTop + (fileRow - editHeight) / 2,
                      fontMetrics().horizontalAdvance(QString(48, QChar('x'))), editHeight);
  browse->setGeometry(m_file->geometry().right() + 1 + gap, fileTop + (fileRow - browseHeight) / 2, du.X(50),
                      browseHeight);
  fileCaption->setGeometry(margin, m_file->y(), fileCaption->width(), m_file->height());

  const int sizeTop = fileTop + fileRow + du.Y(5);
  const int spinHeight = ControlHeight(du, 12, m_width);
  const int spinWidth = std::max(du.X(40), m_width->sizeHint().width());
  m_width->setGeometry(fields, sizeTop, spinWidth, spinHeight);
  QLabel* times = label(QStringLiteral("×"), m_width->geometry().right() + 1 + gap, m_width);
  m_height->setGeometry(times->geometry().right() + 1 + gap, sizeTop, spinWidth, spinHeight);
  QLabel* points = label(QStringLiteral("точек"), m_height->geometry().right() + 1 + gap, m_height);
  sizeCaption->setGeometry(margin, m_width->y(), sizeCaption->width(), m_width->height());

  const int right = std::max(browse->geometry().right(), points->geometry().right()) + 1;
  const int buttonTop = sizeTop + spinHeight + du.Y(10);
  const int buttonWidth = du.X(50);
  const int buttonHeight = ControlHeight(du, 14, ok);
  ok->setGeometry(right - 2 * buttonWidth - gap, buttonTop, buttonWidth, buttonHeight);
  cancel->setGeometry(right - buttonWidth, buttonTop, buttonWidth, buttonHeight);
  SetDialogSize(this, QSize(right + margin, buttonTop + buttonHeight + du.Y(7)));
}

QString CSaveChartDialog::File() const { return m_file->text().trimmed(); }
QSize CSaveChartDialog::Size() const { return {m_width->value(), m_height->value()}; }

}  // namespace tkq::gui

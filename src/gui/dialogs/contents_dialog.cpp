#include "gui/dialogs/contents_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <string>

#include "core/archive/instrument_contents.h"
#include "gui/dialogs/dialog_layout.h"

namespace tkq::gui {

CInstrumentContentsDialog::CInstrumentContentsDialog(const CInstrumentContents& contents, uint32_t baud,
                                                     QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Содержимое прибора");
  auto* device = new QLabel("Прибор: " + QString::fromStdString(contents.deviceId), this);
  m_table = new QTableWidget(static_cast<int>(contents.objects.size()), 4, this);
  m_table->setObjectName(QStringLiteral("objects"));
  m_table->setHorizontalHeaderLabels({"Объект", "Записей", QString("Чтение (%1 бод)").arg(baud), "Файлы, байт"});
  m_table->verticalHeader()->hide();
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->horizontalHeader()->setStretchLastSection(true);
  FillTable(contents);
  m_table->resizeColumnsToContents();
  QLabel* none = contents.objects.empty() ? new QLabel("Объектов на приборе нет", this) : nullptr;
  m_read = new QPushButton("Читать", this);
  m_read->setObjectName(QStringLiteral("read"));
  m_read->setDefault(true);
  m_read->setEnabled(false);
  auto* close = new QPushButton("Закрыть", this);

  Arrange(device, none, close);

  connect(m_read, &QPushButton::clicked, this, &CInstrumentContentsDialog::Choose);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { Choose(); });
  connect(m_table, &QTableWidget::currentCellChanged, this, [this](int current) {
    m_read->setEnabled(current >= 0 && current < static_cast<int>(m_objects.size()) && m_objects[current] > 0);
  });
  // The first object that can be read is ready to go.
  for (size_t i = 0; i < m_objects.size(); ++i) {
    if (m_objects[i] > 0) {
      m_table->selectRow(static_cast<int>(i));
      break;
    }
  }
}

void CInstrumentContentsDialog::FillTable(const CInstrumentContents& contents) {
  int row = 0;
  for (const CObjectContents& object : contents.objects) {
    QString files;
    for (const CObjectFileInfo& file : object.files) {
      files += (files.isEmpty() ? "" : ", ") + QString::fromStdString(file.name) + " " + QString::number(file.size);
    }
    const std::string obstacle = UnreadableReason(object);
    if (!obstacle.empty()) files += "; не будет прочитан: " + QString::fromStdString(obstacle);
    const QStringList cells = {QString::number(object.object), QString::number(object.records),
                               object.readable ? QString::fromStdString(ReadTimeText(object.readSeconds)) : "—", files};
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setTextAlignment(column < 3 ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
      if (!object.readable) item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
      m_table->setItem(row, column, item);
    }
    m_objects.push_back(object.readable ? object.object : 0);
    ++row;
  }
}

void CInstrumentContentsDialog::Arrange(QLabel* device, QLabel* none, QPushButton* close) {
  // One column: the instrument, the table as wide as its columns (at most
  // 1000 pixels) and tall enough for a dozen objects without scrolling,
  // then the buttons at the right.
  const CDialogUnits du(font());
  const int margin = du.X(7);
  const int buttonWidth = du.X(50);
  const int buttonGap = du.X(4);
  int width = std::min(m_table->horizontalHeader()->length() + 30, 1000);
  width = std::max({width, device->sizeHint().width(), 2 * buttonWidth + buttonGap});
  if (none != nullptr) width = std::max(width, none->sizeHint().width());
  int y = du.Y(7);
  device->setGeometry(margin, y, width, device->sizeHint().height());
  y += device->height() + du.Y(4);
  const int rows = std::clamp(m_table->rowCount(), 4, 12);
  const int rowHeight = m_table->verticalHeader()->defaultSectionSize();
  m_table->setGeometry(margin, y, width,
                       m_table->horizontalHeader()->sizeHint().height() + rows * rowHeight + 2 * m_table->frameWidth());
  y += m_table->height() + du.Y(4);
  if (none != nullptr) {
    none->setGeometry(margin, y, width, none->sizeHint().height());
    y += none->height() + du.Y(4);
  }
  y += du.Y(3);
  const int buttonHeight = ControlHeight(du, 14, m_read);
  m_read->setGeometry(margin + width - 2 * buttonWidth - buttonGap, y, buttonWidth, buttonHeight);
  close->setGeometry(margin + width - buttonWidth, y, buttonWidth, buttonHeight);
  SetDialogSize(this, QSize(width + 2 * margin, y + buttonHeight + du.Y(7)));
}

void CInstrumentContentsDialog::Choose() {
  const int row = m_table->currentRow();
  if (row < 0 || row >= static_cast<int>(m_objects.size()) || m_objects[row] == 0) return;
  m_chosen = m_objects[row];
  accept();
}

}  // namespace tkq::gui

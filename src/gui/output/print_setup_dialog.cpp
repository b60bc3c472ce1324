#include "gui/output/print_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tkq::gui {

QList<QPageSize::PageSizeId> OfferedPaperSizes() {
  return {QPageSize::A4, QPageSize::A3, QPageSize::A5, QPageSize::B5, QPageSize::Letter, QPageSize::Legal};
}

CPrintSetupDialog::CPrintSetupDialog(const QPrinter& printer, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Настройка печати"));
  setWhatsThis(
      QStringLiteral("Выбор принтера, размера бумаги и ориентации страницы для печати и "
                     "предварительного просмотра."));

  auto* printerBox = new QGroupBox(QStringLiteral("Принтер"), this);
  m_printer = new QComboBox(printerBox);
  m_printer->setObjectName(QStringLiteral("printer"));
  for (const QString& name : QPrinterInfo::availablePrinterNames()) m_printer->addItem(name, name);
  m_printer->addItem(QStringLiteral("Печать в файл (PDF)"), QString());
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
  const int current = toFile ? m_printer->count() - 1 : m_printer->findData(printer.printerName());
  m_printer->setCurrentIndex(current >= 0 ? current : 0);
  auto* printerForm = new QFormLayout(printerBox);
  printerForm->addRow(QStringLiteral("&Имя:"), m_printer);

  auto* paperBox = new QGroupBox(QStringLiteral("Бумага"), this);
  m_paper = new QComboBox(paperBox);
  m_paper->setObjectName(QStringLiteral("paper"));
  for (QPageSize::PageSizeId id : OfferedPaperSizes()) m_paper->addItem(QPageSize::name(id), static_cast<int>(id));
  const int paper = m_paper->findData(static_cast<int>(printer.pageLayout().pageSize().id()));
  m_paper->setCurrentIndex(paper >= 0 ? paper : 0);
  auto* paperForm = new QFormLayout(paperBox);
  paperForm->addRow(QStringLiteral("&Размер:"), m_paper);

  auto* orientationBox = new QGroupBox(QStringLiteral("Ориентация"), this);
  m_portrait = new QRadioButton(QStringLiteral("&Книжная"), orientationBox);
  m_portrait->setObjectName(QStringLiteral("portrait"));
  m_landscape = new QRadioButton(QStringLiteral("&Альбомная"), orientationBox);
  m_landscape->setObjectName(QStringLiteral("landscape"));
  (printer.pageLayout().orientation() == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
  auto* orientationLayout = new QVBoxLayout(orientationBox);
  orientationLayout->addWidget(m_portrait);
  orientationLayout->addWidget(m_landscape);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* lower = new QHBoxLayout;
  lower->addWidget(paperBox, 1);
  lower->addWidget(orientationBox);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printerBox);
  layout->addLayout(lower);
  layout->addWidget(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 56);
}

void CPrintSetupDialog::Apply(QPrinter& printer) const {
  const QString name = m_printer->currentData().toString();
  if (name.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
  } else {
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setOutputFileName(QString());
    printer.setPrinterName(name);
  }
  printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(m_paper->currentData().toInt())));
  printer.setPageOrientation(m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
}

}  // namespace tkq::gui

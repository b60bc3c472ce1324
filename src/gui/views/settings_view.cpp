#include "gui/views/settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextEdit>

#include "core/output/text_forms.h"
#include "gui/base/archive_document.h"
#include "gui/base/dialog_units.h"
#include "gui/base/help_topics.h"
#include "gui/base/ui_services.h"

namespace tkq::gui {
namespace {

void Fill(QComboBox* box, const std::vector<std::string>& items) {
  const QSignalBlocker block(box);
  box->clear();
  for (const auto& item : items) box->addItem(QString::fromStdString(item));
  box->setCurrentIndex(items.empty() ? -1 : 0);
}

uint8_t Selected(const QComboBox* box) { return static_cast<uint8_t>(std::max(box->currentIndex(), 0)); }

// The form's pieces.
void AddGroup(QWidget* form, const char* title, const QRect& place) {
  auto* box = new QGroupBox(QString::fromUtf8(title), form);
  box->setGeometry(place);
}
// A label is given its text's height and two pixels more.
void AddCaption(QWidget* form, const CDialogUnits& u, const char* text, int x, int y, int w, int h) {
  auto* l = new QLabel(QString::fromUtf8(text), form);
  l->setGeometry(u.Rect(x, y, w, h + 2));
}
// A drop-down list is as high as its closed box; the rest of the given
// height is its list.
QComboBox* AddCombo(QWidget* form, const CDialogUnits& u, const char* name, int x, int y, int w) {
  auto* c = new QComboBox(form);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(QRect(u.X(x), u.Y(y), u.X(w), std::max(c->sizeHint().height(), u.Y(14))));
  return c;
}
QCheckBox* AddCheck(QWidget* form, const char* name, const char* text, const QRect& place) {
  auto* c = new QCheckBox(QString::fromUtf8(text), form);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(place);
  return c;
}

}  // namespace

CObjViewSettings::CObjViewSettings(CArchiveDocument& document, QWidget* parent)
    : QScrollArea(parent), m_document(document) {
  setWidgetResizable(false);
  setFrameShape(QFrame::NoFrame);
  BuildForm();
  InitialUpdate();
}

void CObjViewSettings::BuildForm() {
  auto* form = new QWidget;
  const CDialogUnits u(form->font());
  form->setFixedSize(u.Size(330, 231));
  // Group frames first, so that the controls over them stay on top.
  AddGroup(form, "Первый параметр", u.Rect(15, 75, 145, 80));
  AddGroup(form, "Второй параметр", u.Rect(167, 75, 145, 80));
  AddGroup(form, "Отображаемые параметры", u.Rect(17, 168, 296, 56));
  BuildDescription(form, u);
  BuildOutputTypes(form, u);
  BuildColumnSwitches(form, u);
  form->setWhatsThis("Настройка просмотра: что показывают столбцы архива измерений и какие столбцы видны.");
  setWidget(form);
  ConnectControls();
}

void CObjViewSettings::BuildDescription(QWidget* form, const CDialogUnits& u) {
  m_title = new QLineEdit(form);
  m_title->setObjectName(QStringLiteral("title"));
  m_title->setReadOnly(true);
  m_title->setAlignment(Qt::AlignCenter);
  m_title->setGeometry(u.Rect(53, 7, 224, 14));
  m_description = new QTextEdit(form);
  m_description->setObjectName(QStringLiteral("description"));
  m_description->setReadOnly(true);
  m_description->setGeometry(u.Rect(16, 28, 296, 25));
  m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_editButton = new QPushButton("Редактирование описания", form);
  m_editButton->setObjectName(QStringLiteral("editDescription"));
  m_editButton->setGeometry(u.Rect(115, 56, 98, 14));
}

void CObjViewSettings::BuildOutputTypes(QWidget* form, const CDialogUnits& u) {
  AddCaption(form, u, "Тип вывода:", 21, 89, 133, 8);
  m_outputType1 = AddCombo(form, u, "outputType1", 19, 103, 136);
  AddCaption(form, u, "Размерность:", 70, 118, 48, 8);
  m_unit1 = AddCombo(form, u, "unit1", 71, 131, 48);
  AddCaption(form, u, "Тип вывода:", 172, 89, 128, 8);
  m_outputType2 = AddCombo(form, u, "outputType2", 171, 102, 136);
  AddCaption(form, u, "Размерность:", 222, 118, 50, 8);
  m_unit2 = AddCombo(form, u, "unit2", 222, 132, 48);
}

void CObjViewSettings::BuildColumnSwitches(QWidget* form, const CDialogUnits& u) {
  m_result = AddCheck(form, "result", "Просмотр результирующего параметра", u.Rect(86, 158, 158, 12));
  m_showFirst = AddCheck(form, "showFirst", "Первый параметр", u.Rect(25, 181, 97, 12));
  m_showSecond = AddCheck(form, "showSecond", "Второй параметр", u.Rect(25, 194, 102, 12));
  m_showTime = AddCheck(form, "showTime", "Время архивирования", u.Rect(25, 208, 93, 12));
  m_showStart = AddCheck(form, "showStart", "Начало интервала", u.Rect(139, 182, 77, 12));
  m_showEnd = AddCheck(form, "showEnd", "Конец интервала", u.Rect(139, 195, 76, 12));
  m_showAbnormal = AddCheck(form, "showAbnormal", "Нештатная ситуация", u.Rect(139, 208, 88, 12));
  m_showNumber = AddCheck(form, "showNumber", "Порядковый номер", u.Rect(227, 183, 78, 12));
}

void CObjViewSettings::ConnectControls() {
  connect(m_editButton, &QPushButton::clicked, this, [this] { EditDescription(); });
  connect(m_result, &QCheckBox::clicked, this, [this] {
    FillOutputTypes();
    FillUnits();
    AfterChange();
  });
  for (QComboBox* outputType : {m_outputType1, m_outputType2}) {
    connect(outputType, &QComboBox::currentIndexChanged, this, [this] {
      FillUnits();
      AfterChange();
    });
  }
  for (QComboBox* unit : {m_unit1, m_unit2}) {
    connect(unit, &QComboBox::currentIndexChanged, this, [this] { AfterChange(); });
  }
  for (QCheckBox* box : {m_showFirst, m_showSecond, m_showTime, m_showStart, m_showEnd, m_showAbnormal, m_showNumber}) {
    connect(box, &QCheckBox::clicked, this, [this] { AfterChange(); });
  }
}

void CObjViewSettings::InitialUpdate() {
  const CObjectDefinition* object = m_document.Object();
  if (object != nullptr) {
    m_title->setText(QString::fromStdString(ObjectTitle(object->GetObjectNumber(), object->m_tRead)));
    m_description->setPlainText(QString::fromStdString(object->m_strDescription));
    m_description->setAlignment(Qt::AlignCenter);
  }
  for (QCheckBox* box : {m_showFirst, m_showSecond, m_showTime, m_showStart, m_showEnd, m_showAbnormal, m_showNumber}) {
    box->setChecked(true);
  }
  m_result->setChecked(false);
  m_result->setEnabled(object != nullptr && object->IsResultAvailable());
  FillOutputTypes();
  ApplyOutputTypes();
}

void CObjViewSettings::FillOutputTypes() {
  std::vector<std::string> list1, list2;
  if (const CObjectDefinition* object = m_document.Object()) {
    object->GetOutputTypeNames(m_result->isChecked(), list1, list2);
  }
  Fill(m_outputType1, list1);
  Fill(m_outputType2, list2);
  FillUnits();
}

void CObjViewSettings::FillUnits() {
  std::vector<std::string> units1, units2;
  if (const CObjectDefinition* object = m_document.Object()) {
    object->GetUnitNames(false, Selected(m_outputType1), units1);
    object->GetUnitNames(true, Selected(m_outputType2), units2);
  }
  Fill(m_unit1, units1);
  Fill(m_unit2, units2);
  ReadColumnSwitches();
  update();
}

void CObjViewSettings::ApplyOutputTypes() {
  m_document.SetOutputTypes(Selected(m_outputType1), Selected(m_unit1), Selected(m_outputType2), Selected(m_unit2),
                            m_result->isChecked() ? 1 : 0);
}

void CObjViewSettings::ReadColumnSwitches() {
  CColumnSwitches c = m_document.Columns();
  c.m_bShowAbnormal = m_showAbnormal->isChecked();
  c.m_bShowIntervalEnd = m_showEnd->isChecked();
  c.m_bShowFirst = m_showFirst->isChecked();
  c.m_bShowSecond = m_showSecond->isChecked();
  c.m_bShowIntervalStart = m_showStart->isChecked();
  c.m_bShowArchivingTime = m_showTime->isChecked();
  c.m_bShowNumber = m_showNumber->isChecked();
  m_document.SetColumns(c);
}

void CObjViewSettings::AfterChange() {
  ApplyOutputTypes();
  ReadColumnSwitches();
  m_document.ViewSettingsComplete();
}

void CObjViewSettings::EditDescription() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return;
  // The object's own text: the form shows it with its non-breaking spaces
  // as spaces.
  const QString before = QString::fromStdString(object->m_strDescription);
  QString text = before;
  if (!Ui().EditDescription(this, text) || text == before) return;
  m_document.SetDescription(text.toStdString());
  m_description->setPlainText(text);
  m_description->setAlignment(Qt::AlignCenter);
}

QSize CObjViewSettings::sizeHint() const {
  if (widget() == nullptr) return QScrollArea::sizeHint();
  return widget()->size() + QSize(2 * frameWidth(), 2 * frameWidth());
}

QString CObjViewSettings::HelpTopic() const { return help::kSettingsView; }

}  // namespace tkq::gui

#include "gui/dialogs/requisites_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/base/profile.h"
#include "gui/base/ui_services.h"
#include "render/protocol_profile.h"

namespace tkq::gui {
namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }
std::string Utf8(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

// Why the picture at `path` does not load; empty when it does.
QString LogoProblem(const QString& path) {
  if (!QFileInfo(path).isFile()) return QStringLiteral("Файл не найден.");
  QImageReader reader(path);
  if (!reader.canRead()) return QStringLiteral("Это не изображение или его формат не поддерживается.");
  return {};
}

}  // namespace

CRequisitesDialog::CRequisitesDialog(const CProtocolRequisites& requisites, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Реквизиты"));
  setWhatsThis(
      QStringLiteral("Реквизиты протокола обследования: организация, ее логотип, исполнитель и его "
                     "должность. Вводятся один раз и хранятся в настройках программы."));

  m_organisation = new QLineEdit(Text(requisites.organisation), this);
  m_organisation->setObjectName(QStringLiteral("organisation"));
  m_organisation->setPlaceholderText(QStringLiteral("например: ООО «Теплоучет»"));
  m_logo = new QLineEdit(QDir::toNativeSeparators(Text(requisites.logoPath)), this);
  m_logo->setObjectName(QStringLiteral("logo"));
  m_logo->setPlaceholderText(QStringLiteral("без логотипа"));
  m_browse = new QPushButton(QStringLiteral("&Обзор..."), this);
  m_browse->setObjectName(QStringLiteral("browse"));
  m_clearLogo = new QPushButton(QStringLiteral("&Убрать"), this);
  m_clearLogo->setObjectName(QStringLiteral("clearLogo"));
  for (QPushButton* b : {m_browse, m_clearLogo}) b->setAutoDefault(false);
  m_logoState = new QLabel(this);
  m_logoState->setObjectName(QStringLiteral("logoState"));
  m_logoState->setWordWrap(true);
  m_technician = new QLineEdit(Text(requisites.technician), this);
  m_technician->setObjectName(QStringLiteral("technician"));
  m_technician->setPlaceholderText(QStringLiteral("фамилия и инициалы"));
  m_position = new QLineEdit(Text(requisites.position), this);
  m_position->setObjectName(QStringLiteral("position"));
  m_position->setPlaceholderText(QStringLiteral("например: инженер"));

  auto* logoRow = new QHBoxLayout;
  logoRow->addWidget(m_logo, 1);
  logoRow->addWidget(m_browse);
  logoRow->addWidget(m_clearLogo);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Организация:"), m_organisation);
  // A row of several controls: its label names the field.
  auto* logoLabel = new QLabel(QStringLiteral("&Логотип:"), this);
  logoLabel->setBuddy(m_logo);
  form->addRow(logoLabel, logoRow);
  form->addRow(QString(), m_logoState);
  form->addRow(QStringLiteral("&Исполнитель:"), m_technician);
  form->addRow(QStringLiteral("&Должность:"), m_position);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_browse, &QPushButton::clicked, this, &CRequisitesDialog::BrowseLogo);
  connect(m_clearLogo, &QPushButton::clicked, this, [this] { m_logo->clear(); });
  connect(m_logo, &QLineEdit::textChanged, this, &CRequisitesDialog::CheckLogo);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 100);
  CheckLogo();
}

CProtocolRequisites CRequisitesDialog::Requisites() const {
  CProtocolRequisites r;
  r.organisation = Utf8(m_organisation);
  r.logoPath = QDir::fromNativeSeparators(m_logo->text().trimmed()).toStdString();
  r.technician = Utf8(m_technician);
  r.position = Utf8(m_position);
  return r;
}

void CRequisitesDialog::BrowseLogo() {
  const QString named = QDir::fromNativeSeparators(m_logo->text().trimmed());
  const QString chosen = Ui().OpenImageName(this, QStringLiteral("Логотип"), named);
  if (!chosen.isEmpty()) m_logo->setText(QDir::toNativeSeparators(chosen));
}

void CRequisitesDialog::CheckLogo() {
  const QString path = QDir::fromNativeSeparators(m_logo->text().trimmed());
  m_clearLogo->setEnabled(!path.isEmpty());
  const QString problem = path.isEmpty() ? QString() : LogoProblem(path);
  m_logoState->setText(problem);
  m_logoState->setVisible(!problem.isEmpty());
}

void CRequisitesDialog::accept() {
  // A logo that does not load would be left out of every protocol.
  const QString path = QDir::fromNativeSeparators(m_logo->text().trimmed());
  if (!path.isEmpty()) {
    if (const QString problem = LogoProblem(path); !problem.isEmpty()) {
      AppMessage(this, QStringLiteral("Логотип %1 не загружается.\n%2").arg(QDir::toNativeSeparators(path), problem),
                 QMessageBox::Warning);
      m_logo->setFocus();
      return;
    }
  }
  QDialog::accept();
}

bool EditRequisites(CProfile& profile, QWidget* parent) {
  CRequisitesDialog dialog(render::LoadRequisites(profile.Settings()), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  render::SaveRequisites(profile.Settings(), dialog.Requisites());
  return true;
}

}  // namespace tkq::gui

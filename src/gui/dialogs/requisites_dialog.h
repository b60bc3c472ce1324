#pragma once
// «Реквизиты»: who makes the survey protocols (the organisation and its
// logo, the technician and the position), typed once and kept in the
// profile.

#include <QDialog>

#include "core/output/protocol.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tkq::gui {

class CProfile;

class CRequisitesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CRequisitesDialog(const CProtocolRequisites& requisites, QWidget* parent = nullptr);

  // What the fields hold now (trimmed).
  CProtocolRequisites Requisites() const;
  // «Обзор...»: a picture file, starting from the one named.
  void BrowseLogo();
  // Says under the logo's field whether the picture loads.
  void CheckLogo();
  void accept() override;

 private:
  QLineEdit* m_organisation = nullptr;
  QLineEdit* m_logo = nullptr;
  QPushButton* m_browse = nullptr;
  QPushButton* m_clearLogo = nullptr;
  QLabel* m_logoState = nullptr;
  QLineEdit* m_technician = nullptr;
  QLineEdit* m_position = nullptr;
};

// «Настройка › Реквизиты...»: the dialog over the profile's requisites,
// stored on "OK". False when cancelled.
bool EditRequisites(CProfile& profile, QWidget* parent);

}  // namespace tkq::gui

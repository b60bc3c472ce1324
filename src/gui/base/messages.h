#pragma once
// The program's message texts, each written once. The file messages shared
// with the tool are the core's (core/base/messages.h); here as the windows
// take them.

#include <QString>

#include "core/base/messages.h"

namespace tkq::gui {

inline const QString kMsgCannotOpen = QString::fromUtf8(kMessageCannotOpen);
inline const QString kMsgFileBusy = QString::fromUtf8(kMessageFileBusy);
inline const QString kMsgCannotSave = QString::fromUtf8(kMessageCannotSave);
inline const QString kMsgErrorCaption = QString::fromUtf8(kMessageErrorCaption);
// A read that could not be kept in the survey journal (the reason under it).
inline const QString kMsgNotKept =
    QStringLiteral("Архив не сохранен в журнале обследований. Сохраните его командой «Файл › Сохранить как...».");
// A journal folder that cannot be used (the reason under it).
inline const QString kMsgJournalUnavailable = QStringLiteral("Журнал обследований недоступен.");
inline const QString kMsgHelpUnavailable = QStringLiteral("Вызов справки невозможен.");
// Under "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ": where the right settings are found.
inline const QString kMsgFindInstrumentHint =
    QStringLiteral("Порт, скорость и адрес прибора можно найти командой «Настройка › Поиск прибора».");

}  // namespace tkq::gui

#pragma once
// The texts the program and the tool show the user about files, each
// written once (UTF-8). The read's texts are link/read_status.h's, the
// link's link/link_status.h's.

namespace tkq {

// A file that cannot be opened, created or written (file dialogs'
// commands: open, save as, reports, the workbook, the chart).
inline constexpr const char* kMessageCannotOpen = "Ошибка открытия файла";
// A file to be replaced that another program holds open (Windows), in
// place of kMessageCannotOpen; the program offers to try again.
inline constexpr const char* kMessageFileBusy = "Файл открыт в другой программе. Закройте его там и повторите.";
// "Сохранить" to the document's own file that cannot be written.
inline constexpr const char* kMessageCannotSave = "ОШИБКА ОТКРЫТИЯ ФАЙЛА";
// A file that opened but is no saved archive.
inline constexpr const char* kMessageBadFormat = "Неверный формат файла";
// The caption of the file messages that are not the program's own boxes.
inline constexpr const char* kMessageErrorCaption = "Ошибка";
// The device description file that did not load.
inline constexpr const char* kMessageDescriptionFile = "НЕВОЗМОЖНО ОТКРЫТЬ ФАЙЛ НАСТРОЕК ВЕРСИЙ ПРИБОРОВ";

}  // namespace tkq

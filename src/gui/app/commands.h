#pragma once
// The commands of the main window (menu items, toolbar buttons and keys),
// its two menu sets, and the one table that says everything shown of a
// command: the frame builds its menus, tool bar and keys from the table,
// and the context help reads a command's topic from it. A new command is a
// row here and a handler where the commands are connected.

#include <QString>

#include "gui/base/help_topics.h"

namespace tkq::gui {

enum class ECommand : int {
  kReadArchive = 1,     // "Чтение архива с прибора"
  kInstrumentContents,  // "Содержимое прибора..."
  kOpen,                // "Открыть"
  kSave,                // "Сохранить"
  kSaveAs,              // "Сохранить как..."
  kPrint,               // "Печать..."
  kPrintPreview,        // "Предварительный просмотр"
  kPrintSetup,          // "Настройка печати..."
  kReport,              // "Формирование отчета"
  kExportWorkbook,      // "Экспорт в Excel (XLSX)..."
  kExit,                // "Выход"
  kToolbar,             // "Панель инструментов"
  kStatusBar,           // "Строка состояния"
  kPortSettings,        // "Параметры связи"
  kFactoryNumber,       // "Заводской номер" without a document
  kFactoryNumberDoc,    // "Заводской номер" with one
  kCascade,             // "Каскадное"
  kTile,                // "Заголовки"
  kArrangeIcons,        // "Упорядочить значки"
  kHelpContents,        // "Вызов справки"
  kVersions,            // "Поддерживаемые версии ПО прибора"
  kAbout,               // "О программе"
  kHelp,                // F1
  kContextHelp,         // Shift+F1
  kSaveDescription,     // writes the description file (no menu item)
  kChart,               // "График"
  kFindInstrument,      // "Поиск прибора..."
  kSummary,             // "Сводка"
  kJournal,             // "Журнал обследований"
  kProtocol,            // "Протокол обследования..."
  kRequisites,          // "Реквизиты..."
  kCount,               // the end: every command lies before it
};

// Which menus the menu bar shows.
enum class EMenuSet {
  kNoDocument,  // no document window open
  kDocument,    // a document window open
};

// The menus of the menu bar, in its order; kNone for a command with no
// menu item (a key or a tool bar button only).
enum class EMenu { kNone, kFile, kView, kSetup, kWindow, kHelp };

struct CMenuTitle {
  EMenu menu;
  const char* title;
};
inline constexpr CMenuTitle kMenuTitles[] = {
    {EMenu::kFile, "Файл"},   {EMenu::kView, "Вид"},    {EMenu::kSetup, "Настройка"},
    {EMenu::kWindow, "Окно"}, {EMenu::kHelp, "Помощь"},
};

// The menu sets a command's item is in.
enum class EMenuSets { kNeither, kNoDocument, kDocument, kBoth };

constexpr bool InMenuSet(EMenuSets sets, EMenuSet set) {
  return sets == EMenuSets::kBoth ||
         (set == EMenuSet::kNoDocument ? sets == EMenuSets::kNoDocument : sets == EMenuSets::kDocument);
}

// When a command can be chosen: the frame asks again whenever the document
// windows or the active one change.
enum class EEnabled {
  kAlways,
  kNever,        // nothing carries it out
  kActiveView,   // a document window is active
  kViewReport,   // the active window writes a report
  kViewPrint,    // the active window prints
  kAnyDocument,  // a document window is open
};

// One command as the user meets it. A command written differently in the
// two menu sets has a row for each ("Открыть"); its key then belongs to
// the item of the set shown.
struct CCommand {
  ECommand id;
  const char* text;                // the menu item; its key's name after a tab
  const char* prompt;              // the status bar's, also "what's this"
  const char* toolTip;             // empty: the text before the tab
  const char* icon = nullptr;      // a ToolIcon name
  const char* shortcut = nullptr;  // a QKeySequence in its portable text
  EMenu menu = EMenu::kNone;
  EMenuSets sets = EMenuSets::kNeither;
  // Begins a group of its menu: a separator before the group's first item
  // shown in a set, when items come before it.
  bool groupStart = false;
  // The place on the tool bar, tens for the group (a separator between
  // groups) and units for the place in it; 0: no button.
  int toolBar = 0;
  EEnabled enabled = EEnabled::kAlways;
  bool checkable = false;  // shown checked at first
  const QString* helpTopic = &help::kContents;
};

// The commands in the order of their menus (a menu's items in the order of
// its rows), then those with no menu item.
// clang-format off
inline constexpr CCommand kCommands[] = {
    // "Файл"
    {.id = ECommand::kReadArchive, .text = "Чтение архива с прибора", .prompt = "Чтение архива с прибора",
     .toolTip = " Чтение с прибора", .icon = "read", .menu = EMenu::kFile, .sets = EMenuSets::kBoth,
     .toolBar = 11, .helpTopic = &help::kReading},
    {.id = ECommand::kInstrumentContents, .text = "Содержимое прибора...",
     .prompt = "Объекты на приборе: записи, файлы и время чтения каждого", .toolTip = "",
     .menu = EMenu::kFile, .sets = EMenuSets::kBoth, .helpTopic = &help::kReading},
    {.id = ECommand::kOpen, .text = "Открыть ... \tCtrl+O", .prompt = "Открытие сохраненного архива",
     .toolTip = "Открыть", .icon = "open", .shortcut = "Ctrl+O", .menu = EMenu::kFile,
     .sets = EMenuSets::kNoDocument, .toolBar = 12, .helpTopic = &help::kSaving},
    {.id = ECommand::kOpen, .text = "Открыть...\tCtrl+O", .prompt = "Открытие сохраненного архива",
     .toolTip = "Открыть", .icon = "open", .shortcut = "Ctrl+O", .menu = EMenu::kFile,
     .sets = EMenuSets::kDocument, .helpTopic = &help::kSaving},
    {.id = ECommand::kJournal, .text = "Журнал обследований\tCtrl+J",
     .prompt = "Все считанные архивы: поиск, открытие, добавление и удаление", .toolTip = "Журнал обследований",
     .icon = "journal", .shortcut = "Ctrl+J", .menu = EMenu::kFile, .sets = EMenuSets::kBoth, .toolBar = 13,
     .helpTopic = &help::kJournal},
    {.id = ECommand::kSave, .text = "Сохранить\tCtrl+S", .prompt = "Сохранение архива на диске",
     .toolTip = "Сохранить", .icon = "save", .shortcut = "Ctrl+S", .menu = EMenu::kFile,
     .sets = EMenuSets::kDocument, .toolBar = 14, .enabled = EEnabled::kActiveView, .helpTopic = &help::kSaving},
    {.id = ECommand::kSaveAs, .text = "Сохранить как...", .prompt = "Сохранить архив под новым именем",
     .toolTip = "Сохранить как", .menu = EMenu::kFile, .sets = EMenuSets::kDocument,
     .enabled = EEnabled::kActiveView, .helpTopic = &help::kSaving},
    {.id = ECommand::kPrint, .text = "Печать...\tCtrl+P", .prompt = "Печать активного документа",
     .toolTip = "Печать", .icon = "print", .shortcut = "Ctrl+P", .menu = EMenu::kFile,
     .sets = EMenuSets::kDocument, .groupStart = true, .toolBar = 21, .enabled = EEnabled::kViewPrint,
     .helpTopic = &help::kPrinting},
    {.id = ECommand::kPrintPreview, .text = "Предварительный просмотр",
     .prompt = "Предварительный просмотр перед печатью", .toolTip = "Предварительный просмотр",
     .menu = EMenu::kFile, .sets = EMenuSets::kDocument, .enabled = EEnabled::kViewPrint,
     .helpTopic = &help::kPrinting},
    {.id = ECommand::kPrintSetup, .text = "Настройка печати...", .prompt = "Настройка параметров печати",
     .toolTip = "Настройка печати", .menu = EMenu::kFile, .sets = EMenuSets::kBoth,
     .helpTopic = &help::kPrinting},
    {.id = ECommand::kReport, .text = "Формирование отчета", .prompt = "Формирование отчета для открытия в Excel",
     .toolTip = "Перенос в Excel", .icon = "report", .menu = EMenu::kFile, .sets = EMenuSets::kDocument,
     .toolBar = 22, .enabled = EEnabled::kViewReport, .helpTopic = &help::kReports},
    {.id = ECommand::kExportWorkbook, .text = "Экспорт в Excel (XLSX)...",
     .prompt = "Запись архива в книгу Excel: числа, даты и время как в таблицах",
     .toolTip = "Экспорт в Excel (XLSX)", .icon = "workbook", .menu = EMenu::kFile, .sets = EMenuSets::kDocument,
     .toolBar = 23, .enabled = EEnabled::kAnyDocument, .helpTopic = &help::kExport},
    {.id = ECommand::kProtocol, .text = "Протокол обследования...",
     .prompt = "Протокол обследования для потребителя: PDF, ODT, просмотр и печать",
     .toolTip = "Протокол обследования", .menu = EMenu::kFile, .sets = EMenuSets::kDocument,
     .enabled = EEnabled::kAnyDocument, .helpTopic = &help::kProtocol},
    // The recent files come before it.
    {.id = ECommand::kExit, .text = "Выход", .prompt = "Завершение работы программы", .toolTip = "Выход",
     .menu = EMenu::kFile, .sets = EMenuSets::kBoth, .groupStart = true},
    // "Вид"
    {.id = ECommand::kToolbar, .text = "Панель инструментов", .prompt = "Показать или убрать панель инструментов",
     .toolTip = "Переключение панели инструментов", .menu = EMenu::kView, .sets = EMenuSets::kBoth,
     .checkable = true},
    {.id = ECommand::kStatusBar, .text = "Строка состояния", .prompt = "Показать или убрать строку состояния",
     .toolTip = "Переключение строки состояния", .menu = EMenu::kView, .sets = EMenuSets::kBoth,
     .checkable = true},
    {.id = ECommand::kChart, .text = "График", .prompt = "Значения архива измерений во времени",
     .toolTip = "График", .icon = "chart", .menu = EMenu::kView, .sets = EMenuSets::kDocument, .groupStart = true,
     .toolBar = 41, .enabled = EEnabled::kAnyDocument, .helpTopic = &help::kChart},
    {.id = ECommand::kSummary, .text = "Сводка",
     .prompt = "Итоги архива измерений за все время, по суткам и по месяцам", .toolTip = "Сводка",
     .icon = "summary", .menu = EMenu::kView, .sets = EMenuSets::kDocument, .toolBar = 42,
     .enabled = EEnabled::kAnyDocument, .helpTopic = &help::kSummary},
    // "Настройка"
    {.id = ECommand::kPortSettings, .text = "Параметры связи", .prompt = "Настройка параметров связи с блоком",
     .toolTip = "", .menu = EMenu::kSetup, .sets = EMenuSets::kBoth, .helpTopic = &help::kConnection},
    {.id = ECommand::kFindInstrument, .text = "Поиск прибора...",
     .prompt = "Поиск порта, скорости и адреса, на которых отвечает прибор", .toolTip = "Поиск прибора",
     .menu = EMenu::kSetup, .sets = EMenuSets::kBoth, .helpTopic = &help::kSearch},
    // Nothing carries it out, and F2 does nothing; the item names no key.
    {.id = ECommand::kFactoryNumber, .text = "Заводской номер", .prompt = "", .toolTip = "",
     .menu = EMenu::kSetup, .sets = EMenuSets::kNoDocument, .enabled = EEnabled::kNever},
    {.id = ECommand::kFactoryNumberDoc, .text = "Заводской номер", .prompt = "", .toolTip = "",
     .menu = EMenu::kSetup, .sets = EMenuSets::kDocument, .enabled = EEnabled::kNever},
    {.id = ECommand::kRequisites, .text = "Реквизиты...",
     .prompt = "Организация, логотип, исполнитель и должность для протоколов обследования",
     .toolTip = "Реквизиты", .menu = EMenu::kSetup, .sets = EMenuSets::kBoth, .groupStart = true,
     .helpTopic = &help::kProtocol},
    // "Окно": the list of the document windows follows.
    {.id = ECommand::kCascade, .text = "Каскадное", .prompt = "Расположить окна с перекрытием",
     .toolTip = "Каскадное расположение", .menu = EMenu::kWindow, .sets = EMenuSets::kDocument,
     .enabled = EEnabled::kAnyDocument},
    {.id = ECommand::kTile, .text = "Заголовки", .prompt = "Расположить окна без перекрытия",
     .toolTip = "Без перекрытия", .menu = EMenu::kWindow, .sets = EMenuSets::kDocument,
     .enabled = EEnabled::kAnyDocument},
    {.id = ECommand::kArrangeIcons, .text = "Упорядочить значки", .prompt = "Выстроить значки свернутых окон внизу окна",
     .toolTip = "Упорядочить значки", .menu = EMenu::kWindow, .sets = EMenuSets::kDocument,
     .enabled = EEnabled::kAnyDocument},
    // "Помощь"
    {.id = ECommand::kHelpContents, .text = "Вызов справки", .prompt = "Список разделов справки",
     .toolTip = "Разделы справки", .menu = EMenu::kHelp, .sets = EMenuSets::kBoth},
    {.id = ECommand::kVersions, .text = "Поддерживаемые версии ПО прибора",
     .prompt = "Версии ПО приборов, для которых существует их описание", .toolTip = "", .menu = EMenu::kHelp,
     .sets = EMenuSets::kBoth, .groupStart = true, .helpTopic = &help::kVersions},
    {.id = ECommand::kAbout, .text = "О программе", .prompt = "Отображение информации о программе",
     .toolTip = "О программе", .icon = "about", .menu = EMenu::kHelp, .sets = EMenuSets::kBoth,
     .groupStart = true, .toolBar = 31},
    // Keys and buttons only.
    {.id = ECommand::kHelp, .text = "Справка", .prompt = "Справка о текущем окне или команде", .toolTip = "Справка",
     .shortcut = "F1"},
    {.id = ECommand::kContextHelp, .text = "Справка по элементу",
     .prompt = "Щелкните кнопку, команду меню или окно, чтобы получить справку о них",
     .toolTip = "Справка по элементу", .icon = "context_help", .shortcut = "Shift+F1", .toolBar = 32},
    {.id = ECommand::kSaveDescription, .text = "", .prompt = "Сохранение файла описаний версий приборов",
     .toolTip = ""},
};
// clang-format on

// The first row of `id`; null for none.
constexpr const CCommand* FindCommand(ECommand id) {
  for (const CCommand& command : kCommands) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

}  // namespace tkq::gui

#pragma once
// The commands of the main window (menu items, toolbar buttons and keys)
// and its two menu sets.

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
};

// Which menus the menu bar shows.
enum class EMenuSet {
  kNoDocument,  // no document window open
  kDocument,    // a document window open
};

}  // namespace tkq::gui

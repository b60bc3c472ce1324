#pragma once
// --journal DIR of the commands that keep or look up surveys, and the
// survey journal it names (by default the one in the documents folder,
// which the desktop program uses too).

#include <iosfwd>
#include <memory>
#include <string>

#include "core/journal/survey_journal.h"

namespace CLI {
class App;
}

namespace tkq::cli {

// Adds --journal DIR to `command`.
void AddJournalOption(CLI::App& command, std::string& folder);

// Opens the journal in `folder` (UTF-8), or in the default folder when it
// is empty. A journal that cannot be used is said on `err` and gives null.
std::unique_ptr<CSurveyJournal> OpenJournal(const std::string& folder, const CReadParamClass& description,
                                            std::ostream& err);

}  // namespace tkq::cli

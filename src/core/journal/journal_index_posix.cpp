// The index on POSIX systems: SQLite's default file system layer.

#include "core/journal/journal_index.h"

namespace tkq {

const char* JournalIndexVfs() { return ""; }

}  // namespace tkq

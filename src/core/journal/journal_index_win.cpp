// The index on Windows: the layer that takes the extended-length names
// LibraryFileName gives, so that a journal however deep opens.

#include "core/journal/journal_index.h"

namespace tkq {

const char* JournalIndexVfs() { return "win32-longpath"; }

}  // namespace tkq

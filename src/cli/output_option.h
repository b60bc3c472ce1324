#pragma once
// -o FILE of a command that writes one file, of a kind its name's ending
// says.

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace tkq::cli {

// Adds -o FILE, required, to `command`. `take(path)` keeps a name whose
// ending it knows and says whether it did; a name it refuses stops the
// command line with "-o: the file's name must end in <endings>, not
// "<path>"" (`endings`: ".xlsx or .csv").
void AddOutputFileOption(CLI::App& command, const std::string& endings, std::function<bool(const std::string&)> take,
                         const std::string& description);

}  // namespace tkq::cli

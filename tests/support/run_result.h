#pragma once
// Running the tools in the tests: tarvik-kq's commands in-process with the
// streams caught, or a program through the shell in a folder.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/test_support.h"

namespace tkq::test {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// tarvik-kq with `args`, in-process.
inline Result Cli(const std::vector<std::string>& args, bool errIsTerminal = false) {
  std::ostringstream out, err;
  cli::CliContext context{out, err, errIsTerminal};
  Result r;
  r.status = cli::RunCli(args, context);
  r.out = out.str();
  r.err = err.str();
  return r;
}

// `program args` through the shell in `cwd` (`args` may redirect). POSIX
// only: the tests that run a shell do not run on Windows.
Result Shell(const std::filesystem::path& cwd, const std::string& program, const std::string& args);

// The text of a PDF through pdftotext, page by page; `layout` keeps the
// columns where they are printed.
inline std::vector<std::string> PdfPages(const std::filesystem::path& pdf, bool layout = false) {
  std::stringstream all(
      Shell(".", "pdftotext", std::string(layout ? "-layout " : "") + "'" + pdf.string() + "' -").out);
  std::vector<std::string> pages;
  std::string page;
  while (std::getline(all, page, '\f')) {
    if (!page.empty()) pages.push_back(page);
  }
  return pages;
}

}  // namespace tkq::test

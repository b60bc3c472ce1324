#pragma once
// The errors of a stored file that did not load, and of the instrument's
// parameter files that do not decode: each caught where the file is loaded
// (a saved archive, the files of a read or an import).

#include <stdexcept>
#include <string>

#include "core/base/messages.h"

namespace tkq {

// Why a stored file did not load: the user's message and, in what(), the
// detail, in Russian as well ("файл обрывается на байте 1234").
class CLoadError : public std::runtime_error {
 public:
  enum class EKind { kCannotOpen, kBadFormat };
  CLoadError(EKind kind, const std::string& detail) : std::runtime_error(detail), m_kind(kind) {}
  EKind GetKind() const { return m_kind; }
  const char* UserMessage() const { return m_kind == EKind::kCannotOpen ? kMessageCannotOpen : kMessageBadFormat; }

 private:
  EKind m_kind;
};

// The instrument's parameter or system file does not decode with the
// device description: a file too short for its version, or a description
// that does not hold together (no such parameter set, row or number
// format; a number format asking for more than one number). A file in a
// bad format, with the detail in what() ("Param_3.par обрывается на
// байте 12 ...").
class CParamDecodeError : public CLoadError {
 public:
  explicit CParamDecodeError(const std::string& detail) : CLoadError(EKind::kBadFormat, detail) {}
};

}  // namespace tkq

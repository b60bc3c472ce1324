#pragma once
// The saved archive file: one measurement object stored with the archive
// stream, reopened later without the instrument.

#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "archive/object_definition.h"

namespace tkq {

class CReadParamClass;

inline constexpr const char* kMessageCannotOpen = "Ошибка открытия файла";
inline constexpr const char* kMessageBadFormat = "Неверный формат файла";

// Why a stored file did not load: the user's message and, in what(), the
// detail ("unexpected end of file at byte 1234").
class CLoadError : public std::runtime_error {
 public:
  enum Kind { kCannotOpen, kBadFormat };
  CLoadError(Kind kind, const std::string& detail) : std::runtime_error(detail), m_kind(kind) {}
  Kind GetKind() const { return m_kind; }
  const char* UserMessage() const { return m_kind == kCannotOpen ? kMessageCannotOpen : kMessageBadFormat; }

 private:
  Kind m_kind;
};

// The file's bytes for `object`.
std::string StoreSavedArchive(const CObjectDefinition& object);

// Writes the file through a temporary file renamed over `path`, so a
// failed save leaves any previous file intact. Throws std::system_error.
void SaveSavedArchive(const std::filesystem::path& path, const CObjectDefinition& object);

// Loads a saved archive into a new object attached to `description` and
// `link`, decoding its parameter files again. Throws CLoadError.
std::unique_ptr<CObjectDefinition> LoadSavedArchive(std::span<const uint8_t> bytes, CReadParamClass* description,
                                                    CTrvKqModbusWithFlFiles* link);
std::unique_ptr<CObjectDefinition> LoadSavedArchive(const std::filesystem::path& path, CReadParamClass* description,
                                                    CTrvKqModbusWithFlFiles* link);

}  // namespace tkq

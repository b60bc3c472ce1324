// The survey journal where file systems are strict: the names it gives its
// files, the SQLite layer its index is opened with, and a journal folder
// deeper than Windows' plain 260 characters.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/journal/journal_index.h"
#include "core/journal/survey_journal.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

namespace tkq {
namespace {

constexpr char kPlatformVersion[] = "TARVIK 59.11.03.04";

// The UTF-16 length of valid UTF-8 `text`; npos when it is not valid.
size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return std::string::npos;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return std::string::npos;
    }
    units += length == 4 ? 2 : 1;
    i += length;
  }
  return units;
}

// Why Windows would refuse `name` as a file name; empty when it takes it.
std::string WindowsRefuses(const std::string& name) {
  if (name.empty()) return "empty";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      return "the character " + std::to_string(static_cast<unsigned char>(c));
    }
  }
  if (name.back() == '.' || name.back() == ' ') return "a dot or space at its end";
  const size_t units = Utf16Length(name);
  if (units == std::string::npos) return "not UTF-8";
  if (units > 255) return "longer than 255 characters";
  // A device's name before the first dot, whatever follows.
  std::string device = name.substr(0, name.find('.'));
  while (!device.empty() && device.back() == ' ') device.pop_back();
  for (char& c : device) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  for (const char* reserved : {"CON", "PRN", "AUX", "NUL"}) {
    if (device == reserved) return "the device " + device;
  }
  if (device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) && device[3] >= '1' &&
      device[3] <= '9') {
    return "the device " + device;
  }
  return {};
}

TEST(JournalPlatform, FileNamesOfAwkwardIdentificationsAreTakenEverywhere) {
  auto description = test::BuiltInDescription();
  auto object = test::MakeObject(*description, kPlatformVersion, 0, 1, 3);
  object->SetObjectNumber(1);
  object->m_tRead = 1765000000;
  std::string longCyrillic;
  for (int i = 0; i < 20; ++i) longCyrillic += "Прибор учёта тепла ";
  const std::vector<std::string> tails = {
      "SN <1>:2\"3/4\\5|6?7*8", "SN\t12\r\n\x01\x7f", "SN 12. . .", " ... ", "", "CON", "nul.1", "com1 ",
      "LPT9. узел", "Aux", std::string(300, 'x'), longCyrillic, "Ёж №5 — «тепло»", "\xF0\x9F\x94\xA5 SN 7"};
  test::TempDir dir;
  for (const std::string& tail : tails) {
    object->m_strDeviceId = std::string(kPlatformVersion) + (tail.empty() ? "" : " " + tail);
    const std::string name = SurveyFileName(*object);
    SCOPED_TRACE(name);
    EXPECT_EQ(WindowsRefuses(name), "");
    EXPECT_TRUE(name.ends_with(".sav"));
    EXPECT_NE(name.find(" Объект 01 "), std::string::npos);
    // The system takes it: written, and read back under the same name.
    WriteFileAtomically(dir / name, "survey");
    EXPECT_EQ(test::ReadText(dir / name), "survey");
  }
}

TEST(JournalPlatform, TheIndexOpensThroughALayerThatTakesLongNames) {
  const std::string layer = JournalIndexVfs();
#ifdef _WIN32
  // The layer that takes the extended-length names LibraryFileName gives.
  EXPECT_EQ(layer, "win32-longpath");
#else
  EXPECT_EQ(layer, "");
#endif
  // The SQLite linked in has it.
  EXPECT_NE(sqlite3_vfs_find(layer.empty() ? nullptr : layer.c_str()), nullptr);
}

// A journal made, reopened (its folder listed again), added to by hand and
// removed from, in a folder far past Windows' plain names.
TEST(JournalPlatform, AJournalDeeperThanWindowsPlainNames) {
  test::TempDir dir;
  std::filesystem::path folder = dir.Path();
  while (folder.native().size() < 300) folder /= PathFromUtf8("Узел учёта №1");
  folder /= PathFromUtf8("Журнал");  // made by the journal
  auto description = test::BuiltInDescription();
  auto first = test::MakeObject(*description, kPlatformVersion, 0, 1, 24);
  first->SetObjectNumber(1);
  first->m_strDeviceId = std::string(kPlatformVersion) + " SN 0001234";
  first->m_tRead = 1765000000;
  auto second = test::MakeObject(*description, kPlatformVersion, 0, 1, 48);
  second->SetObjectNumber(2);
  second->m_strDeviceId = first->m_strDeviceId;

  CKeptSurvey kept;
  {
    CSurveyJournal journal(folder, *description);
    kept = journal.Keep(*first);
    ASSERT_FALSE(kept.alreadyKept);
    EXPECT_TRUE(journal.Keep(*first).alreadyKept);
  }
  ASSERT_GT(kept.path.native().size(), 300u);
  EXPECT_EQ(LoadSavedArchive(kept.path, *description)->GetObjectNumber(), 1);
  const auto byHand = folder / PathFromUtf8("Записан вручную.sav");
  WriteFileAtomically(byHand, StoreSavedArchive(*second));

  CSurveyJournal journal(folder, *description);
  ASSERT_EQ(journal.List().size(), 2u);
  ASSERT_TRUE(journal.Find(kept.id).has_value());
  EXPECT_EQ(journal.PathOf(*journal.Find(kept.id)), kept.path);
  const auto found = journal.FindByPath(byHand);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->objectNumber, 2);
  EXPECT_FALSE(found->damaged) << found->damage;

  journal.Remove(kept.id);
  EXPECT_EQ(journal.List().size(), 1u);
  const auto removed = folder / PathFromUtf8(kJournalRemovedFolder) / kept.path.filename();
  EXPECT_EQ(LoadSavedArchive(removed, *description)->m_strDeviceId, first->m_strDeviceId);
}

}  // namespace
}  // namespace tkq

// Writes starting inputs for the fuzz targets into <dir>/<target>/.

#include <filesystem>
#include <fstream>
#include <string>

#include "core/archive/archive_read.h"
#include "core/archive/saved_archive.h"
#include "core/description/read_param_class.h"
#include "simulator/instrument.h"
#include "support/fake_channel.h"
#include "support/test_support.h"

using namespace tkq;

namespace {

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string AsString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

// A description of two versions with a few rows, groups and texts each,
// a small start for the fuzzer beside the whole built-in one: every 8th row
// of built-in sets 0 and 4, so the rows span the groups and value types.
std::string SmallDescription(const CReadParamClass& builtIn) {
  CReadParamClass small;
  small.m_formats = builtIn.m_formats;
  const std::pair<size_t, int32_t> versions[] = {{0, 0}, {17, 4}};
  for (const auto& [version, set] : versions) {
    const CVersionDef& v = *builtIn.m_versions[version];
    auto rows = std::make_unique<CParamSet>();
    const CParamSet& all = *builtIn.m_paramSets[static_cast<size_t>(set)];
    for (size_t r = 0; r < all.GetSize() && rows->GetSize() < 14; r += 8) {
      rows->Add(std::make_unique<CParamDef>(*all[r]));
    }
    const auto count = static_cast<int32_t>(rows->GetSize());
    small.m_versions.Add(std::make_unique<CVersionDef>(v.m_strName, static_cast<int32_t>(small.m_paramSets.GetSize()),
                                                       count, 3, static_cast<uint8_t>(count - 2),
                                                       static_cast<uint8_t>(count - 1)));
    small.m_paramSets.Add(std::move(rows));
    const auto& captions = builtIn.m_groupCaptions[static_cast<size_t>(set)];
    small.m_groupCaptions.emplace_back(captions.begin(), captions.begin() + 3);
    const auto& texts = builtIn.m_enumTexts[static_cast<size_t>(set)];
    small.m_enumTexts.emplace_back(texts.begin(), texts.begin() + 20);
  }
  return small.StoreToBytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path dir = argv[1];
  auto description = test::BuiltInDescription();
  Write(dir / "fuzz_description" / "builtin.def", description->StoreToBytes());
  Write(dir / "fuzz_description" / "small.def", SmallDescription(*description));

  test::Bytes err;
  test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
  test::AppendAbnormal(err, 1328090400 + 9000, 1328090400 + 9100, 9);
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 12, err);
  object->m_strDescription = "Объект";
  Write(dir / "fuzz_saved_archive" / "set4.sav", StoreSavedArchive(*object));
  auto old = test::MakeObject(*description, "TARVIK 59.11.00.02", 2, 3, 3);
  Write(dir / "fuzz_saved_archive" / "set0.sav", StoreSavedArchive(*old));

  for (size_t v : {0u, 5u, 8u, 17u}) {
    const std::string name = description->m_versions[v]->m_strName;
    const auto files = test::MakeParamFiles(*description, name, 1, 0);
    std::string seed;
    seed += static_cast<char>(v);
    seed += static_cast<char>(files.par.size() & 0xFF);
    seed += static_cast<char>(files.par.size() >> 8);
    seed += static_cast<char>(0);
    Write(dir / "fuzz_decoding" / ("params" + std::to_string(v)), seed + AsString(files.par) + AsString(files.dev));
  }
  test::Bytes arc;
  for (uint32_t i = 0; i < 8; ++i) test::AppendMeasurement(arc, i * 3600 + (i == 5 ? 7 : 0), 1.0f * i, 2.0f, i != 3);
  std::string records = std::string("\x00", 1) + static_cast<char>(arc.size()) + '\0' + static_cast<char>(130);
  Write(dir / "fuzz_decoding" / "records", records + AsString(arc) + AsString(err));
  Write(dir / "fuzz_decoding" / "format", std::string("\x00\x00\x00\xF0", 4) + "% 8.2f");

  // A whole read as the instrument answers it, each answer behind its length.
  const auto folder = dir / "instrument";
  sim::GenerateOptions options;
  options.objects = {5};
  options.records = 20;
  options.end = 1700000000;
  std::string error;
  sim::Generate(folder, options, error);
  sim::CInstrument instrument(1, "", "");
  instrument.LoadFolder(folder, error);
  std::string conversation;
  auto channel = std::make_unique<test::CScriptedChannel>([&](std::span<const uint8_t> request) {
    std::vector<uint8_t> answer = instrument.Answer(request);
    if (answer.size() > 255) answer.resize(255);
    conversation += static_cast<char>(answer.size());
    conversation += AsString(answer);
    return answer;
  });
  CTrvKqModbusWithFlFiles link(std::move(channel));
  CArchiveRead read(5);
  ReadArchive(link, *description, read);
  Write(dir / "fuzz_link" / "read", conversation);
  std::filesystem::remove_all(folder);
  return 0;
}

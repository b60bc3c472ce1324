// The instrument model behind tarvik-kq-sim.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <fstream>

#include "core/archive/records.h"
#include "core/description/read_param_class.h"
#include "core/link/crc16.h"
#include "simulator/instrument.h"
#include "support/test_support.h"

namespace tkq::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using test::TempDir;

Bytes Frame(Bytes head) {
  head.resize(head.size() + 2);
  PutCrc16(head.data(), head.size() - 2);
  return head;
}

// Function 69 requests as the program sends them (leftover bytes 0).
Bytes Sub(uint8_t sub) { return Frame({1, 0x45, sub, 0, 0}); }
Bytes Read(uint8_t n) { return Frame({1, 0x45, 8, n, 0, 0}); }
Bytes Open(const std::string& name8, const std::string& ext3, uint8_t mode = 1) {
  Bytes b = {1, 0x45, 3, 12};
  b.insert(b.end(), name8.begin(), name8.end());
  b.insert(b.end(), ext3.begin(), ext3.end());
  b.insert(b.end(), {mode, 0, 0});
  return Frame(b);
}
const Bytes kIdentify = {0x01, 0x11, 0xC0, 0x2C};

uint32_t U32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

FlashFile File(const std::string& name8, const std::string& ext3, size_t size) {
  FlashFile f{name8, ext3, Bytes(size)};
  for (size_t i = 0; i < size; ++i) f.data[i] = static_cast<uint8_t>(i * 7 + 3);
  return f;
}

CInstrument Instrument() {
  CInstrument inst(1, "TARVIK 59.11.03.04", "SN 1");
  inst.AddFile(File("Obj05_0 ", "arc", 300));
  inst.AddFile(File("System_0", "dev", 55));
  inst.AddFile(File("Obj05_0 ", "ads", 0));
  return inst;
}

// The program's transfer of an open file: control block, then pieces of
// `piece` bytes until the size is reached; checks every answer's frame.
Bytes Transfer(CInstrument& inst, uint8_t piece = 128) {
  const Bytes fcb = inst.Answer(Sub(14));
  EXPECT_EQ(fcb.size(), 58u);
  if (fcb.size() != 58) return {};
  EXPECT_EQ(Crc16(fcb), 0);
  const uint32_t size = U32(fcb, 5 + 19);
  Bytes data;
  while (data.size() < size) {
    const Bytes a = inst.Answer(Read(piece));
    EXPECT_EQ(a.size(), a[4] + 7u);
    EXPECT_EQ(Crc16(a), 0);
    if (a.size() < 7 || a[3] != 0 || a[4] == 0) return data;
    data.insert(data.end(), a.begin() + 5, a.end() - 2);
  }
  return data;
}

Bytes ReadFile(CInstrument& inst, const std::string& name8, const std::string& ext3) {
  inst.Answer(Sub(1));
  const Bytes opened = inst.Answer(Open(name8, ext3));
  if (opened.size() != 6 || opened[3] != 0) return {};
  return Transfer(inst);
}

TEST(RequestLength, EveryFrameKindAndPartialFrames) {
  auto len = [](Bytes b) { return RequestLength(b); };
  EXPECT_EQ(len({}), 0u);
  EXPECT_EQ(len({0x01}), 0u);
  EXPECT_EQ(len({0x01, 0x11}), 4u);
  EXPECT_EQ(len({0x01, 0x45}), 0u);
  EXPECT_EQ(len({0x01, 0x45, 1}), 7u);
  EXPECT_EQ(len({0x01, 0x45, 12}), 7u);
  EXPECT_EQ(len({0x01, 0x45, 14}), 7u);
  EXPECT_EQ(len({0x01, 0x45, 3}), 20u);
  EXPECT_EQ(len({0x01, 0x45, 8, 128}), 8u);
  EXPECT_EQ(len({0x01, 0x45, 2}), SIZE_MAX);
  EXPECT_EQ(len({0x01, 0x03, 0, 0}), SIZE_MAX);
  // The address plays no part: frames for other instruments are skipped whole.
  EXPECT_EQ(len({0x07, 0x45, 3}), 20u);
  EXPECT_EQ(len(Open("Obj05_0 ", "arc")), Open("Obj05_0 ", "arc").size());
}

TEST(Identification, TwoTextsEachEndedByZero) {
  CInstrument inst = Instrument();
  const Bytes a = inst.Answer(kIdentify);
  const std::string texts = std::string("TARVIK 59.11.03.04") + '\0' + "SN 1" + '\0';
  ASSERT_EQ(a.size(), 3 + texts.size() + 2);
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a[1], 0x11);
  EXPECT_EQ(a[2], texts.size());
  EXPECT_EQ(std::string(a.begin() + 3, a.end() - 2), texts);
  EXPECT_EQ(Crc16(a), 0);

  inst.id1.clear();
  inst.id2.clear();
  EXPECT_EQ(inst.Answer(kIdentify), Frame({1, 0x11, 0}));

  // Texts too long for one frame are cut to fit 256 bytes.
  inst.id1 = std::string(300, 'A');
  inst.id2 = "B";
  const Bytes longAnswer = inst.Answer(kIdentify);
  EXPECT_LE(longAnswer.size(), 256u);
  EXPECT_EQ(Crc16(longAnswer), 0);
  EXPECT_EQ(longAnswer[2], longAnswer.size() - 5);
}

TEST(FileAccess, ReadsAFileOf300BytesIn128_128_44) {
  CInstrument inst = Instrument();
  EXPECT_EQ(inst.Answer(Sub(1)), Frame({1, 0x45, 1, 0}));
  EXPECT_EQ(inst.Answer(Open("Obj05_0 ", "arc")), Frame({1, 0x45, 3, 0}));

  const Bytes fcb = inst.Answer(Sub(14));
  ASSERT_EQ(fcb.size(), 58u);
  EXPECT_EQ(Bytes(fcb.begin(), fcb.begin() + 5), (Bytes{1, 0x45, 14, 0, 0x33}));
  EXPECT_EQ(std::string(fcb.begin() + 6, fcb.begin() + 17), "Obj05_0 arc");
  EXPECT_EQ(U32(fcb, 5 + 19), 300u);
  EXPECT_EQ(Crc16(fcb), 0);

  Bytes data;
  for (size_t expected : {128u, 128u, 44u, 0u}) {
    const Bytes a = inst.Answer(Read(128));
    ASSERT_EQ(a.size(), expected + 7);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 5), (Bytes{1, 0x45, 8, 0, static_cast<uint8_t>(expected)}));
    EXPECT_EQ(Crc16(a), 0);
    data.insert(data.end(), a.begin() + 5, a.end() - 2);
  }
  EXPECT_EQ(data, inst.Files()[0].data);

  // Opening again starts from the beginning; an empty file reads as such.
  EXPECT_EQ(ReadFile(inst, "Obj05_0 ", "arc"), inst.Files()[0].data);
  EXPECT_EQ(ReadFile(inst, "System_0", "dev").size(), 55u);
  inst.Answer(Open("Obj05_0 ", "ads"));
  EXPECT_EQ(U32(inst.Answer(Sub(14)), 5 + 19), 0u);
  EXPECT_EQ(inst.Answer(Read(128)), Frame({1, 0x45, 8, 0, 0}));
}

TEST(FileAccess, RefusesMissingFilesAndRequestsWithNothingOpen) {
  CInstrument inst = Instrument();
  const Bytes refusedFcb = Frame({1, 0x45, 14, 1});
  const Bytes refusedRead = Frame({1, 0x45, 8, 1});
  EXPECT_EQ(inst.Answer(Sub(14)), refusedFcb);
  EXPECT_EQ(inst.Answer(Read(10)), refusedRead);

  // Names compare exactly, case included; a failed open leaves nothing open.
  inst.Answer(Open("Obj05_0 ", "arc"));
  EXPECT_EQ(inst.Answer(Open("obj05_0 ", "arc")), Frame({1, 0x45, 3, 1}));
  EXPECT_EQ(inst.Answer(Read(10)), refusedRead);
  EXPECT_EQ(inst.Answer(Open("Obj05_0 ", "err")), Frame({1, 0x45, 3, 1}));
  // Only reading is allowed.
  EXPECT_EQ(inst.Answer(Open("Obj05_0 ", "arc", 2)), Frame({1, 0x45, 3, 1}));

  // Begin closes the open file.
  inst.Answer(Open("Obj05_0 ", "arc"));
  inst.Answer(Sub(1));
  EXPECT_EQ(inst.Answer(Sub(14)), refusedFcb);
}

TEST(FileAccess, DirectoryEntriesAndTheRootReadAsAFile) {
  CInstrument inst = Instrument();
  const Bytes dir = DirectoryBytes(inst.Files());
  ASSERT_EQ(dir.size(), 3 * 32u);
  for (size_t i = 0; i < 3; ++i) {
    const uint8_t* e = dir.data() + 32 * i;
    const FlashFile& f = inst.Files()[i];
    EXPECT_EQ(e[0], 0x20);
    EXPECT_EQ(std::string(e + 1, e + 9), f.name8);
    EXPECT_EQ(std::string(e + 9, e + 12), f.ext3);
    EXPECT_EQ(e[12], 0);
    EXPECT_EQ(U32(dir, 32 * i + 19), f.data.size());
    EXPECT_EQ(Bytes(e + 23, e + 32), Bytes(9, 0));
  }

  inst.Answer(Sub(1));
  EXPECT_EQ(inst.Answer(Sub(12)), Frame({1, 0x45, 12, 0}));
  const Bytes fcb = inst.Answer(Sub(14));
  ASSERT_EQ(fcb.size(), 58u);
  EXPECT_EQ(std::string(fcb.begin() + 6, fcb.begin() + 17), "ROOT       ");
  inst.Answer(Sub(12));
  EXPECT_EQ(Transfer(inst), dir);

  CInstrument empty(1, "", "");
  empty.Answer(Sub(12));
  EXPECT_EQ(U32(empty.Answer(Sub(14)), 5 + 19), 0u);
  EXPECT_EQ(empty.Answer(Read(128)), Frame({1, 0x45, 8, 0, 0}));

  // The control block of an open file begins with its directory entry.
  inst.Answer(Open("System_0", "dev"));
  const Bytes block = inst.Answer(Sub(14));
  ASSERT_EQ(block.size(), 58u);
  EXPECT_EQ(Bytes(block.begin() + 5, block.begin() + 5 + 23), Bytes(dir.begin() + 32, dir.begin() + 32 + 23));
  EXPECT_EQ(Bytes(block.begin() + 5 + 33, block.end() - 2), Bytes(18, 0));
}

TEST(Frames, SilenceForBadCrcOtherAddressAndScraps) {
  CInstrument inst = Instrument();
  Bytes bad = kIdentify;
  bad[3] ^= 1;
  EXPECT_TRUE(inst.Answer(bad).empty());
  EXPECT_TRUE(inst.Answer(Frame({2, 0x11})).empty());
  EXPECT_TRUE(inst.Answer(Bytes{1, 0x11}).empty());
  EXPECT_TRUE(inst.Answer(Bytes{}).empty());
  EXPECT_EQ(inst.RequestCount(), 4);
  EXPECT_FALSE(inst.Answer(kIdentify).empty());
}

TEST(Frames, ExceptionsForUnknownFunctionsAndBadData) {
  CInstrument inst = Instrument();
  EXPECT_EQ(inst.Answer(Frame({1, 0x03, 0, 0, 0, 1})), Frame({1, 0x83, 1}));
  EXPECT_EQ(inst.Answer(Sub(2)), Frame({1, 0xC5, 1}));
  inst.Answer(Open("Obj05_0 ", "arc"));
  EXPECT_EQ(inst.Answer(Read(0)), Frame({1, 0xC5, 3}));
  EXPECT_EQ(inst.Answer(Read(243)), Frame({1, 0xC5, 3}));
  EXPECT_EQ(inst.Answer(Read(242)).size(), 242u + 7);
  // A frame of the wrong length for its subfunction.
  EXPECT_EQ(inst.Answer(Frame({1, 0x45, 1})), Frame({1, 0xC5, 3}));
}

TEST(Faults, SilentAndSilentFirstCountEveryRequest) {
  CInstrument inst = Instrument();
  inst.faults.silent = true;
  EXPECT_TRUE(inst.Answer(kIdentify).empty());

  CInstrument late = Instrument();
  late.faults.silentFirst = 2;
  Bytes bad = kIdentify;
  bad[2] ^= 1;
  EXPECT_TRUE(late.Answer(bad).empty());
  EXPECT_TRUE(late.Answer(kIdentify).empty());
  EXPECT_FALSE(late.Answer(kIdentify).empty());
  EXPECT_EQ(late.RequestCount(), 3);
}

TEST(Faults, BadCrcCountsOnlyAnswersSent) {
  CInstrument inst = Instrument();
  inst.faults.silentFirst = 1;
  inst.faults.badCrcAt = 2;
  EXPECT_TRUE(inst.Answer(kIdentify).empty());
  EXPECT_EQ(Crc16(inst.Answer(kIdentify)), 0);
  const Bytes corrupt = inst.Answer(Sub(1));
  ASSERT_EQ(corrupt.size(), 6u);
  EXPECT_NE(Crc16(corrupt), 0);
  EXPECT_EQ(Bytes(corrupt.begin(), corrupt.begin() + 4), (Bytes{1, 0x45, 1, 0}));
  EXPECT_EQ(Crc16(inst.Answer(Sub(1))), 0);
}

TEST(Faults, WrongAddressKeepsTheCrcRight) {
  CInstrument inst = Instrument();
  inst.faults.wrongAddress = true;
  const Bytes a = inst.Answer(Sub(1));
  EXPECT_EQ(a, Frame({2, 0x45, 1, 0}));
}

TEST(Faults, ExceptionFromTheNthRequest) {
  CInstrument inst = Instrument();
  inst.faults.exceptionCode = 6;
  inst.faults.exceptionFrom = 3;
  EXPECT_EQ(inst.Answer(kIdentify)[1], 0x11);
  EXPECT_EQ(inst.Answer(Sub(1)), Frame({1, 0x45, 1, 0}));
  EXPECT_EQ(inst.Answer(kIdentify), Frame({1, 0x91, 6}));
  EXPECT_EQ(inst.Answer(Sub(12)), Frame({1, 0xC5, 6}));
}

TEST(Faults, RefusedSubfunctionHasNoEffect) {
  CInstrument inst = Instrument();
  inst.faults.refuseSubfunction = 3;
  EXPECT_EQ(inst.Answer(Open("Obj05_0 ", "arc")), Frame({1, 0x45, 3, 1}));
  EXPECT_EQ(inst.Answer(Sub(14)), Frame({1, 0x45, 14, 1}));

  CInstrument reads = Instrument();
  reads.faults.refuseSubfunction = 8;
  reads.Answer(Open("Obj05_0 ", "arc"));
  EXPECT_EQ(reads.Answer(Read(128)), Frame({1, 0x45, 8, 1}));
  EXPECT_EQ(reads.Answer(Sub(14)).size(), 58u);
}

TEST(Faults, BadControlBlockLengthKeepsTheFrameValid) {
  CInstrument inst = Instrument();
  inst.faults.badControlBlockLength = true;
  inst.Answer(Open("Obj05_0 ", "arc"));
  const Bytes a = inst.Answer(Sub(14));
  ASSERT_EQ(a.size(), 58u);
  EXPECT_EQ(a[3], 0);
  EXPECT_EQ(a[4], 0x32);
  EXPECT_EQ(Crc16(a), 0);
}

TEST(Faults, ShortPiecesAdvanceByWhatWasDelivered) {
  CInstrument inst = Instrument();
  inst.faults.shortPieces = true;
  inst.Answer(Open("Obj05_0 ", "arc"));
  const Bytes& data = inst.Files()[0].data;
  const Bytes first = inst.Answer(Read(128));
  ASSERT_EQ(first[4], 64);
  const Bytes second = inst.Answer(Read(128));
  ASSERT_EQ(second[4], 64);
  EXPECT_EQ(Bytes(second.begin() + 5, second.end() - 2), Bytes(data.begin() + 64, data.begin() + 128));
  EXPECT_EQ(inst.Answer(Read(1))[4], 1);
}

TEST(LoadFolder, ServesEvery83FileInNameOrderWithItsIdentification) {
  TempDir dir;
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  };
  write("System_0.dev", "SYS");
  write("Obj05_0.arc", "ARCHIVE");
  write("Obj05_0.par", "");
  write("identification.txt", "TARVIK 59.11.03.04\r\nЗав. 12\n");
  write("a_long_name.arc", "x");
  write("notes.text", "x");
  std::filesystem::create_directory(dir / "Obj06_0.arc");

  CInstrument inst(1, "old", "old");
  std::string error;
  ASSERT_TRUE(inst.LoadFolder(dir.Path(), error)) << error;
  ASSERT_EQ(inst.Files().size(), 3u);
  EXPECT_EQ(inst.Files()[0].name8 + inst.Files()[0].ext3, "Obj05_0 arc");
  EXPECT_EQ(inst.Files()[1].name8 + inst.Files()[1].ext3, "Obj05_0 par");
  EXPECT_EQ(inst.Files()[2].name8 + inst.Files()[2].ext3, "System_0dev");
  EXPECT_EQ(inst.id1, "TARVIK 59.11.03.04");
  EXPECT_EQ(inst.id2, "\xC7\xE0\xE2. 12");  // code page 1251
  EXPECT_EQ(ReadFile(inst, "Obj05_0 ", "arc"), Bytes({'A', 'R', 'C', 'H', 'I', 'V', 'E'}));

  EXPECT_FALSE(inst.LoadFolder(dir / "missing", error));
  EXPECT_NE(error.find("missing"), std::string::npos);
}

// --- generated folders ---

GenerateOptions Options(const std::string& version, size_t records = 2000) {
  GenerateOptions o;
  o.version = version;
  o.objects = {3};
  o.records = records;
  o.period = 3600;
  o.end = 1700000000 / 3600 * 3600;
  return o;
}

Bytes Load(const std::filesystem::path& path) {
  const std::string text = test::ReadText(path);
  return Bytes(text.begin(), text.end());
}

TEST(Generate, WritesTheFilesOfTheVersion) {
  for (const auto& [version, parSize, devSize] :
       {std::tuple{"TARVIK 59.11.03.04", 272u, 55u}, std::tuple{"TARVIK 59.11.00.02", 228u, 36u}}) {
    SCOPED_TRACE(version);
    TempDir dir;
    std::string error;
    ASSERT_TRUE(Generate(dir.Path(), Options(version), error)) << error;
    EXPECT_EQ(test::ReadText(dir / "identification.txt"), std::string(version) + "\nSN 0001234\n");
    EXPECT_EQ(Load(dir / "Obj03_0.par").size(), parSize);
    EXPECT_EQ(Load(dir / "System_0.dev").size(), devSize);
    EXPECT_FALSE(Load(dir / "Obj03_0.ads").empty());

    const Bytes arc = Load(dir / "Obj03_0.arc");
    ASSERT_EQ(arc.size(), 2000u * 13);
    const Bytes err = Load(dir / "Obj03_0.err");
    ASSERT_EQ(err.size() % 10, 0u);
    EXPECT_GE(err.size() / 10, 2u);

    size_t gaps = 0;
    for (size_t i = 0; i < 2000; ++i) {
      EXPECT_EQ(MeasurementCheckByte(&arc[13 * i]), arc[13 * i + 12]) << "record " << i;
      if (i > 0) {
        const uint32_t step = U32(arc, 13 * i) - U32(arc, 13 * (i - 1));
        EXPECT_EQ(step % 3600, 0u);
        EXPECT_GT(step, 0u);
        gaps += step > 3600;
      }
    }
    EXPECT_EQ(U32(arc, 13 * 1999), 1700000000u / 3600 * 3600);
    EXPECT_GE(gaps, 1u);

    uint32_t last = 0;
    for (size_t i = 0; i < err.size(); i += 10) {
      EXPECT_GE(U32(err, i), last);
      EXPECT_LT(U32(err, i), U32(err, i + 4));
      EXPECT_GE(err[i + 8], 1);
      EXPECT_LE(err[i + 8], 6);
      last = U32(err, i + 4);
    }
  }
}

TEST(Generate, ParameterFilesDecodeWithTheChosenQuantities) {
  TempDir dir;
  GenerateOptions o = Options("TARVIK 59.11.02.00", 100);
  o.firstType = 3;
  o.secondType = 2;
  o.period = 600;
  std::string error;
  ASSERT_TRUE(Generate(dir.Path(), o, error)) << error;

  CReadParamClass description;
  description.LoadBuiltIn();
  ASSERT_TRUE(description.SelectVersion(o.version));
  CParamTree tree;
  uint8_t first = 0xFF, second = 0xFF;
  ASSERT_TRUE(description.FillTree(Load(dir / "Obj03_0.par"), Load(dir / "System_0.dev"), tree, first, second));
  EXPECT_EQ(first, 3);
  EXPECT_EQ(second, 2);
  std::string all;
  for (const auto& group : tree.Items()) {
    for (const auto& line : group.children) all += line.text + "\n";
  }
  EXPECT_NE(all.find("Период архива, с   600"), std::string::npos) << all;
  EXPECT_NE(all.find("9600"), std::string::npos) << all;

  // Flow speed and speed of sound are momentary values of a plausible size.
  const Bytes arc = Load(dir / "Obj03_0.arc");
  for (size_t i = 0; i < arc.size(); i += 13) {
    const float speed = std::bit_cast<float>(U32(arc, i + 4));
    const float sound = std::bit_cast<float>(U32(arc, i + 8));
    EXPECT_TRUE(speed >= 0.0f && speed < 5.0f) << speed;
    EXPECT_TRUE(sound == 0.0f || (sound > 1.4f && sound < 1.6f)) << sound;
  }
}

TEST(Generate, VolumesGrowAndTheSeedDecides) {
  TempDir a, b, c;
  GenerateOptions o = Options("TARVIK 59.11.03.04", 3000);
  o.objects = {1, 2};
  std::string error;
  ASSERT_TRUE(Generate(a.Path(), o, error)) << error;
  ASSERT_TRUE(Generate(b.Path(), o, error)) << error;
  o.seed = 2;
  o.corruptRecord = true;
  ASSERT_TRUE(Generate(c.Path(), o, error)) << error;

  const Bytes arc = Load(a / "Obj01_0.arc");
  EXPECT_EQ(arc, Load(b / "Obj01_0.arc"));
  EXPECT_EQ(Load(a / "Obj02_0.err"), Load(b / "Obj02_0.err"));
  EXPECT_NE(arc, Load(c / "Obj01_0.arc"));
  EXPECT_NE(arc, Load(a / "Obj02_0.arc"));

  float forward = 0, backward = 0;
  for (size_t i = 0; i < arc.size(); i += 13) {
    EXPECT_GE(std::bit_cast<float>(U32(arc, i + 4)), forward);
    EXPECT_GE(std::bit_cast<float>(U32(arc, i + 8)), backward);
    forward = std::bit_cast<float>(U32(arc, i + 4));
    backward = std::bit_cast<float>(U32(arc, i + 8));
  }
  const Bytes corrupt = Load(c / "Obj01_0.arc");
  size_t bad = 0;
  for (size_t i = 0; i < corrupt.size(); i += 13) bad += MeasurementCheckByte(&corrupt[i]) != corrupt[i + 12];
  EXPECT_EQ(bad, 1u);
}

TEST(Generate, RefusesImpossibleFolders) {
  TempDir dir;
  std::string error;
  auto fails = [&](GenerateOptions o, const std::string& what) {
    error.clear();
    EXPECT_FALSE(Generate(dir.Path(), o, error));
    EXPECT_NE(error.find(what), std::string::npos) << error;
  };
  GenerateOptions o = Options("TARVIK 59.11.03.04", 10);
  fails(
      [&] {
        auto x = o;
        x.version = "TARVIK 99";
        return x;
      }(),
      "unknown version");
  fails(
      [&] {
        auto x = o;
        x.objects = {21};
        return x;
      }(),
      "1 to 20");
  fails(
      [&] {
        auto x = o;
        x.objects = {};
        return x;
      }(),
      "no objects");
  fails(
      [&] {
        auto x = o;
        x.period = 0;
        return x;
      }(),
      "period");
  fails(
      [&] {
        auto x = o;
        x.firstType = 7;
        return x;
      }(),
      "types");
  fails(
      [&] {
        auto x = o;
        x.records = 100000000;
        return x;
      }(),
      "records");
  fails(
      [&] {
        auto x = o;
        x.end = 3600;
        return x;
      }(),
      "1970");
}

TEST(Generate, TheInstrumentServesAGeneratedFolder) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(Generate(dir.Path(), Options("TARVIK 59.11.03.04", 50), error)) << error;
  CInstrument inst(1, "", "");
  ASSERT_TRUE(inst.LoadFolder(dir.Path(), error)) << error;
  const Bytes id = inst.Answer(kIdentify);
  EXPECT_EQ(std::string(id.begin() + 3, id.begin() + 21), "TARVIK 59.11.03.04");
  EXPECT_EQ(ReadFile(inst, "Obj03_0 ", "par"), Load(dir / "Obj03_0.par"));
  EXPECT_EQ(ReadFile(inst, "Obj03_0 ", "arc"), Load(dir / "Obj03_0.arc"));
}

}  // namespace
}  // namespace tkq::sim

// What is on the instrument, from its identification and directory, and
// the estimate of each object's read held against the reads themselves,
// in-process against the instrument model.

#include <gtest/gtest.h>

#include "archive/instrument_contents.h"
#include "archive/object_definition.h"
#include "description/read_param_class.h"
#include "fake_channel.h"
#include "instrument.h"
#include "link/link_status.h"
#include "link/read_status.h"
#include "test_support.h"

namespace tkq {
namespace {

using test::TempDir;

// A generated instrument folder with objects 3, 7 and 20.
struct Folder {
  Folder() {
    sim::GenerateOptions options;
    options.objects = {3, 7, 20};
    options.records = 300;
    options.end = 1700000000;
    std::string error;
    EXPECT_TRUE(sim::Generate(dir.Path(), options, error)) << error;
  }
  uint32_t Size(const std::string& name) const { return static_cast<uint32_t>(test::ReadText(dir / name).size()); }
  TempDir dir;
};

// A link to the model of a folder, over a scripted line.
struct ModelLink {
  explicit ModelLink(const Folder& folder) : instrument(1, "", "") {
    std::string error;
    EXPECT_TRUE(instrument.LoadFolder(folder.dir.Path(), error)) << error;
    auto channel = std::make_unique<test::CScriptedChannel>(
        [this](std::span<const uint8_t> request) { return instrument.Answer(request); });
    fake = channel.get();
    link = std::make_unique<CTrvKqModbusWithFlFiles>(std::move(channel));
  }
  // What a read of `object` put on the line, and whether it succeeded.
  bool Read(uint8_t object, CLineTraffic& traffic) {
    CReadParamClass description;
    description.LoadBuiltIn();
    CObjectDefinition read;
    read.SetLink(link.get());
    read.SetVersionList(&description);
    read.SetObjectNumber(object);
    const CLineCounters before = link->Counters();
    const bool ok = read.ReadArchive();
    const CLineCounters& after = link->Counters();
    traffic.transactions = after.requests - before.requests;
    traffic.bytes = after.bytesSent + after.bytesReceived - before.bytesSent - before.bytesReceived;
    return ok;
  }
  sim::CInstrument instrument;
  test::CScriptedChannel* fake = nullptr;
  std::unique_ptr<CTrvKqModbusWithFlFiles> link;
};

TEST(InstrumentContents, TheObjectsPresentAndTheTrafficOfTheirReads) {
  Folder folder;
  ModelLink model(folder);
  CInstrumentContents contents;
  ASSERT_TRUE(ReadInstrumentContents(*model.link, 9600, contents));
  EXPECT_EQ(contents.deviceId, "TARVIK 59.11.03.04 SN 0001234");
  EXPECT_EQ(contents.systemFileSize, folder.Size("System_0.dev"));
  EXPECT_FALSE(model.link->IsPortOpen());
  // Only the identification and the directory (pieces of 128 bytes) were
  // asked for.
  const size_t directory = 32 * model.instrument.Files().size();
  EXPECT_EQ(contents.directoryBytes, directory);
  EXPECT_EQ(model.instrument.RequestCount(), static_cast<int>(1 + 3 + (directory + 127) / 128));

  ASSERT_EQ(contents.objects.size(), 3u);
  const uint8_t numbers[] = {3, 7, 20};
  for (size_t i = 0; i < 3; ++i) {
    const CObjectContents& object = contents.objects[i];
    EXPECT_EQ(object.object, numbers[i]);
    const std::string stem = numbers[i] < 10 ? "Obj0" + std::to_string(numbers[i]) : "Obj" + std::to_string(numbers[i]);
    ASSERT_EQ(object.files.size(), 4u);
    uint64_t bytes = folder.Size("System_0.dev");
    const char* exts[] = {"arc", "err", "ads", "par"};
    for (size_t f = 0; f < 4; ++f) {
      const std::string name = stem + "_0." + exts[f];
      EXPECT_EQ(object.files[f].name, name);
      EXPECT_EQ(object.files[f].size, folder.Size(name)) << name;
      bytes += folder.Size(name);
    }
    EXPECT_EQ(object.records, 300u);
    EXPECT_EQ(object.bytes, bytes);
    EXPECT_TRUE(object.readable);
    EXPECT_TRUE(object.missing.empty());

    // The estimate is what the read really puts on the line, request for
    // request and byte for byte.
    CLineTraffic real;
    ASSERT_TRUE(model.Read(numbers[i], real));
    EXPECT_EQ(object.traffic.transactions, real.transactions) << +numbers[i];
    EXPECT_EQ(object.traffic.bytes, real.bytes) << +numbers[i];
    EXPECT_DOUBLE_EQ(object.readSeconds, LineSeconds(real, 9600));
  }
  // 10 bits a byte and two gaps of 3.5 characters a transaction.
  EXPECT_DOUBLE_EQ(LineSeconds({2, 960}, 9600), 1.0 + 2 * 2 * 35.0 / 9600);
  EXPECT_DOUBLE_EQ(LineSeconds({2, 0}, 38400), 2 * 2 * 0.00175);
}

// Without its parameter file (or the system file) an object is still
// listed, marked as one whose read fails, and the estimate stops where
// that read stops.
TEST(InstrumentContents, FilesTheReadNeedsThatAreMissing) {
  Folder folder;
  std::filesystem::remove(folder.dir / "Obj07_0.par");
  std::filesystem::remove(folder.dir / "Obj20_0.arc");
  std::filesystem::remove(folder.dir / "Obj20_0.err");
  std::filesystem::remove(folder.dir / "Obj20_0.ads");
  ModelLink model(folder);
  CInstrumentContents contents;
  ASSERT_TRUE(ReadInstrumentContents(*model.link, 1200, contents));
  ASSERT_EQ(contents.objects.size(), 3u);
  const CObjectContents& seven = contents.objects[1];
  EXPECT_EQ(seven.files.size(), 3u);
  EXPECT_EQ(seven.missing, std::vector<std::string>{"Obj07_0.par"});
  EXPECT_FALSE(seven.readable);
  CLineTraffic real;
  EXPECT_FALSE(model.Read(7, real));
  EXPECT_EQ(seven.traffic.transactions, real.transactions);
  EXPECT_EQ(seven.traffic.bytes, real.bytes);

  const CObjectContents& twenty = contents.objects[2];  // only its parameter file
  EXPECT_EQ(twenty.records, 0u);
  EXPECT_TRUE(twenty.readable);
  ASSERT_TRUE(model.Read(20, real));
  EXPECT_EQ(twenty.traffic.bytes, real.bytes);

  std::filesystem::remove(folder.dir / "System_0.dev");
  ModelLink bare(folder);
  ASSERT_TRUE(ReadInstrumentContents(*bare.link, 1200, contents));
  EXPECT_EQ(contents.systemFileSize, 0u);
  EXPECT_EQ(contents.objects[0].missing, std::vector<std::string>{"System_0.dev"});
  EXPECT_EQ(contents.objects[1].missing, (std::vector<std::string>{"Obj07_0.par", "System_0.dev"}));
  EXPECT_FALSE(bare.Read(3, real));
  EXPECT_EQ(contents.objects[0].traffic.bytes, real.bytes);
}

// A directory announcing a file of 4 GB: listed with that size, marked
// unreadable, estimated as the read that gives up at its control block.
TEST(InstrumentContents, AnAbsurdSizeInTheDirectory) {
  Folder folder;
  ModelLink model(folder);
  CInstrumentContents contents;
  ASSERT_TRUE(ReadInstrumentContents(*model.link, 9600, contents));
  const CLineTraffic sound = contents.objects[0].traffic;
  std::vector<uint8_t>& root = model.link->m_root.m_data;
  size_t at = 0;
  while (at < root.size() && std::string(root.begin() + at + 1, root.begin() + at + 12) != "Obj03_0 arc") at += 32;
  ASSERT_LT(at, root.size());
  for (size_t i = 19; i < 23; ++i) root[at + i] = 0xFF;
  ASSERT_TRUE(model.link->ParseDirectory());
  const std::vector<CObjectContents> objects = ObjectsInDirectory(*model.link, 9600);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].files[0].size, 0xFFFFFFFFu);
  EXPECT_EQ(objects[0].records, 0xFFFFFFFFu / 13);
  EXPECT_FALSE(objects[0].readable);
  EXPECT_TRUE(objects[0].missing.empty());
  EXPECT_LT(objects[0].traffic.transactions, sound.transactions);
  EXPECT_TRUE(objects[1].readable);
}

TEST(InstrumentContents, WhyItCannotBeRead) {
  Folder folder;
  struct Case {
    const char* what;
    std::function<void(ModelLink&)> set;
    uint8_t readStatus;
    int linkStatus;
  };
  const Case cases[] = {
      {"directory refused", [](ModelLink& m) { m.instrument.faults.refuseSubfunction = 12; }, kReadFileError,
       kLinkOk},
      {"silent", [](ModelLink& m) { m.instrument.faults.silent = true; }, kReadNoConnection, kLinkNoAnswer},
      {"bad CRC in the directory", [](ModelLink& m) { m.instrument.faults.badCrcAt = 3; }, kReadNoConnection,
       kLinkCrcError},
      {"port", [](ModelLink& m) { m.fake->failOpen = true; }, kReadPortBusy, kLinkPortError},
      {"short pieces of the directory", [](ModelLink& m) { m.instrument.faults.shortPieces = true; }, kReadFileError,
       kLinkOk},
  };
  for (const Case& c : cases) {
    ModelLink model(folder);
    c.set(model);
    CInstrumentContents contents;
    contents.deviceId = "stale";
    contents.objects.resize(2);
    EXPECT_FALSE(ReadInstrumentContents(*model.link, 9600, contents)) << c.what;
    EXPECT_EQ(contents.readStatus, c.readStatus) << c.what;
    EXPECT_EQ(contents.linkStatus, c.linkStatus) << c.what;
    EXPECT_TRUE(contents.objects.empty()) << c.what;
    EXPECT_FALSE(model.link->IsPortOpen()) << c.what;
  }
  ModelLink stopped(folder);
  std::atomic<bool> cancel{true};
  stopped.link->SetCancelFlag(&cancel);
  CInstrumentContents contents;
  EXPECT_FALSE(ReadInstrumentContents(*stopped.link, 9600, contents));
  EXPECT_EQ(contents.readStatus, kReadCancelled);
  EXPECT_EQ(stopped.instrument.RequestCount(), 0);
}

TEST(InstrumentContents, ReadTimeText) {
  EXPECT_EQ(ReadTimeText(0.0), "< 1 с");
  EXPECT_EQ(ReadTimeText(0.49), "< 1 с");
  EXPECT_EQ(ReadTimeText(59.4), "59 с");
  EXPECT_EQ(ReadTimeText(83.0), "1 мин 23 с");
  EXPECT_EQ(ReadTimeText(3600.0), "1 ч 0 мин");
}

}  // namespace
}  // namespace tkq

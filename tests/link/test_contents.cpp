// What is on the instrument, from its identification and directory, and
// each object's estimate held against its read, in-process against the
// instrument model.

#include <gtest/gtest.h>

#include "core/archive/archive_read.h"
#include "core/archive/instrument_contents.h"
#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "core/link/link_status.h"
#include "core/link/read_status.h"
#include "simulator/instrument.h"
#include "support/fake_channel.h"
#include "support/test_support.h"

namespace tkq {
namespace {

// The model of a generated folder with objects 3, 7 and 20 on a scripted line.
struct ModelLink {
  explicit ModelLink(const std::function<void(const std::filesystem::path&)>& edit = {}) : instrument(1, "", "") {
    sim::GenerateOptions options;
    options.objects = {3, 7, 20};
    options.records = 300;
    std::string error;
    EXPECT_TRUE(sim::Generate(dir.Path(), options, error)) << error;
    if (edit) edit(dir.Path());
    EXPECT_TRUE(instrument.LoadFolder(dir.Path(), error)) << error;
    auto channel = std::make_unique<test::CScriptedChannel>(
        [this](std::span<const uint8_t> request) { return instrument.Answer(request); });
    fake = channel.get();
    link = std::make_unique<CTrvKqModbusWithFlFiles>(std::move(channel));
  }
  uint32_t Size(const std::string& name) const { return static_cast<uint32_t>(test::ReadText(dir / name).size()); }
  // What a read of `object` put on the line, and whether it succeeded.
  bool Read(uint8_t object, CLineTraffic& traffic) {
    CReadParamClass description;
    description.LoadBuiltIn();
    CArchiveRead read(object);
    const CLineCounters before = link->Counters();
    const bool ok = ReadArchive(*link, description, read) != nullptr;
    const CLineCounters& after = link->Counters();
    traffic = {after.requests - before.requests,
               after.bytesSent + after.bytesReceived - before.bytesSent - before.bytesReceived};
    return ok;
  }
  test::TempDir dir;
  sim::CInstrument instrument;
  test::CScriptedChannel* fake = nullptr;
  std::unique_ptr<CTrvKqModbusWithFlFiles> link;
};

// The entries match the files, and each estimate is what that read really
// puts on the line, request for request and byte for byte, also where a
// missing file stops the read.
TEST(InstrumentContents, TheObjectsPresentAndTheTrafficOfTheirReads) {
  ModelLink model([](const std::filesystem::path& dir) {
    std::filesystem::remove(dir / "Obj07_0.par");
    std::filesystem::remove(dir / "Obj20_0.arc");
  });
  CInstrumentContents contents;
  ASSERT_TRUE(ReadInstrumentContents(*model.link, 9600, contents));
  EXPECT_EQ(contents.deviceId, "TARVIK 59.11.03.04 SN 0001234");
  EXPECT_FALSE(model.link->IsPortOpen());
  // Only the identification and the directory (pieces of 128 bytes).
  const size_t directory = 32 * model.instrument.Files().size();
  EXPECT_EQ(model.instrument.RequestCount(), static_cast<int>(1 + 3 + (directory + 127) / 128));

  ASSERT_EQ(contents.objects.size(), 3u);
  const CObjectContents& three = contents.objects[0];
  EXPECT_EQ(three.object, 3);
  ASSERT_EQ(three.files.size(), 4u);
  EXPECT_EQ(three.files[0].name, "Obj03_0.arc");
  EXPECT_EQ(three.files[0].size, model.Size("Obj03_0.arc"));
  EXPECT_EQ(three.files[3].name, "Obj03_0.par");
  EXPECT_EQ(three.records, 300u);
  EXPECT_EQ(three.bytes, model.Size("Obj03_0.arc") + model.Size("Obj03_0.err") + model.Size("Obj03_0.ads") +
                             model.Size("Obj03_0.par") + model.Size("System_0.dev"));
  EXPECT_EQ(contents.objects[1].missing, std::vector<std::string>{"Obj07_0.par"});
  EXPECT_EQ(contents.objects[2].records, 0u);

  for (const CObjectContents& object : contents.objects) {
    CLineTraffic real;
    EXPECT_EQ(model.Read(object.object, real), object.readable) << +object.object;
    EXPECT_EQ(object.traffic.transactions, real.transactions) << +object.object;
    EXPECT_EQ(object.traffic.bytes, real.bytes) << +object.object;
    EXPECT_DOUBLE_EQ(object.readSeconds, LineSeconds(real, 9600));
  }
  // 10 bits a byte, two gaps of 3.5 characters (1.75 ms above 19200 baud)
  // a transaction.
  EXPECT_DOUBLE_EQ(LineSeconds({2, 960}, 9600), 1.0 + 2 * 2 * 35.0 / 9600);
  EXPECT_DOUBLE_EQ(LineSeconds({2, 0}, 38400), 2 * 2 * 0.00175);
  EXPECT_EQ(ReadTimeText(83.0), "1 мин 23 с");
}

// A directory announcing a file of 4 GB: listed with that size, marked
// unreadable, estimated as the read that gives up at its control block.
TEST(InstrumentContents, AnAbsurdSizeInTheDirectory) {
  ModelLink model;
  CInstrumentContents contents;
  ASSERT_TRUE(ReadInstrumentContents(*model.link, 9600, contents));
  std::vector<uint8_t>& root = model.link->Root().m_data;
  size_t at = 0;
  while (at < root.size() && std::string(root.begin() + at + 1, root.begin() + at + 12) != "Obj03_0 arc") at += 32;
  ASSERT_LT(at, root.size());
  std::fill(root.begin() + at + 19, root.begin() + at + 23, 0xFF);
  ASSERT_TRUE(model.link->ParseDirectory());
  const std::vector<CObjectContents> objects = ObjectsInDirectory(*model.link, 9600);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].records, 0xFFFFFFFFu / 13);
  EXPECT_FALSE(objects[0].readable);
  EXPECT_LT(objects[0].traffic.transactions, contents.objects[0].traffic.transactions);
  EXPECT_TRUE(objects[1].readable);
}

// A directory lost to the line is a failed connection with the link's
// reason; a stopped one asks nothing more.
TEST(InstrumentContents, WhyItCannotBeRead) {
  ModelLink model;
  model.instrument.faults.badCrcAt = 3;
  CInstrumentContents contents;
  contents.objects.resize(2);
  EXPECT_FALSE(ReadInstrumentContents(*model.link, 9600, contents));
  EXPECT_EQ(contents.readStatus, ReadStatus::kReadNoConnection);
  EXPECT_EQ(contents.linkStatus, LinkStatus::kLinkCrcError);
  EXPECT_TRUE(contents.objects.empty());
  EXPECT_FALSE(model.link->IsPortOpen());

  ModelLink stopped;
  std::atomic<bool> cancel{true};
  stopped.link->SetCancelFlag(&cancel);
  EXPECT_FALSE(ReadInstrumentContents(*stopped.link, 9600, contents));
  EXPECT_EQ(contents.readStatus, ReadStatus::kReadCancelled);
  EXPECT_EQ(stopped.instrument.RequestCount(), 0);
}

}  // namespace
}  // namespace tkq

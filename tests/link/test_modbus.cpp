// The Modbus master over a scripted line: request frames byte for byte,
// the judging of answers, retries, and the file requests.

#include <gtest/gtest.h>

#include "core/link/flash_files.h"
#include "core/link/modbus_frames.h"
#include "support/fake_channel.h"

namespace tkq {
namespace {

using test::CScriptedChannel;
using test::WithCrc;
using Bytes = std::vector<uint8_t>;

// A link whose instrument answers every request with `answer(request)`.
struct Line {
  explicit Line(CScriptedChannel::Responder responder) {
    auto channel = std::make_unique<CScriptedChannel>(std::move(responder));
    fake = channel.get();
    link = std::make_unique<CTrvKqModbusWithFlFiles>(std::move(channel));
    link->Modbus().SetOnFailedAttempt([this] { ++beeps; });
    link->OpenPort();
  }
  CScriptedChannel* fake = nullptr;
  std::unique_ptr<CTrvKqModbusWithFlFiles> link;
  int beeps = 0;
};

// The line at another speed; its port, closed by the change, opened again.
void AtBaud(Line& line, uint32_t baud) {
  CLinkSettings settings = line.link->Settings();
  settings.baudRate = baud;
  line.link->SetConnection(settings);
  line.link->OpenPort();
}

Bytes Answer(std::initializer_list<uint8_t> bytes) { return WithCrc(Bytes(bytes)); }

TEST(Transact, IdentificationFrameAndText) {
  Line line([](std::span<const uint8_t>) { return Answer({1, 0x11, 6, 'T', 'K', 0, 'S', 'N', 0}); });
  std::string text;
  ASSERT_TRUE(line.link->ReadIdentification(text));
  EXPECT_EQ(text, "TK SN");
  ASSERT_EQ(line.fake->writes.size(), 1u);
  EXPECT_EQ(line.fake->writes[0], (Bytes{0x01, 0x11, 0xC0, 0x2C}));
  EXPECT_EQ(line.fake->timeouts, 0);  // ended by its byte count, not by the time-out
  EXPECT_EQ(line.beeps, 0);
}

TEST(Transact, ASilentInstrumentCostsThreeAttemptsAndThreeBeeps) {
  Line line([](std::span<const uint8_t>) { return Bytes{}; });
  std::string text = "unchanged";
  EXPECT_FALSE(line.link->ReadIdentification(text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(line.fake->writes.size(), 3u);
  EXPECT_EQ(line.beeps, 3);
  std::string status;
  EXPECT_EQ(line.link->GetStatusText(status), LinkStatus::kLinkNoAnswer);
  EXPECT_EQ(status, "Устройство не отвечает на запрос");
}

TEST(Transact, AnotherAddressIsRetriedThenNoAnswer) {
  Line line([](std::span<const uint8_t>) { return Answer({2, 0x45, 1, 0}); });
  EXPECT_FALSE(line.link->FileRequests().FsBegin());
  EXPECT_EQ(line.fake->writes.size(), 3u);
  EXPECT_EQ(line.beeps, 3);
  EXPECT_EQ(line.link->Status(), LinkStatus::kLinkNoAnswer);

  int calls = 0;
  Line second([&](std::span<const uint8_t>) {
    return ++calls == 1 ? Answer({2, 0x45, 1, 0}) : Answer({1, 0x45, 1, 0});
  });
  EXPECT_TRUE(second.link->FileRequests().FsBegin());
  EXPECT_EQ(second.beeps, 1);
  EXPECT_EQ(second.link->Status(), LinkStatus::kLinkOk);
}

TEST(Transact, CrcErrorsAndExceptionsFailAtOnce) {
  Line crc([](std::span<const uint8_t>) {
    Bytes a = Answer({1, 0x45, 1, 0});
    a.back() ^= 0xFF;
    return a;
  });
  EXPECT_FALSE(crc.link->FileRequests().FsBegin());
  EXPECT_EQ(crc.link->Status(), LinkStatus::kLinkCrcError);
  EXPECT_EQ(crc.fake->writes.size(), 1u);
  EXPECT_EQ(crc.beeps, 0);

  const std::pair<uint8_t, LinkStatus> codes[] = {{1, LinkStatus::kLinkFunctionNotSupported},
                                                  {2, LinkStatus::kLinkAddressFieldError},
                                                  {3, LinkStatus::kLinkDataFieldError},
                                                  {4, LinkStatus::kLinkOk},
                                                  {5, LinkStatus::kLinkRequestAcknowledged},
                                                  {6, LinkStatus::kLinkDeviceBusy},
                                                  {9, LinkStatus::kLinkOk}};
  for (const auto& [code, status] : codes) {
    Line ex([code = code](std::span<const uint8_t>) { return Answer({1, 0xC5, code}); });
    EXPECT_FALSE(ex.link->FileRequests().FsBegin()) << int(code);
    EXPECT_EQ(ex.link->Status(), status) << int(code);
    EXPECT_EQ(ex.fake->writes.size(), 1u);
    EXPECT_EQ(ex.fake->timeouts, 0);  // an exception ends the read at once
    EXPECT_EQ(ex.beeps, 0);
  }
  // An exception from another address keeps the address status for codes
  // without their own.
  Line other([](std::span<const uint8_t>) { return Answer({7, 0xC5, 4}); });
  EXPECT_FALSE(other.link->FileRequests().FsBegin());
  EXPECT_EQ(other.link->Status(), LinkStatus::kLinkNoAnswer);
}

TEST(Transact, ClosedOrFailingPortsAreStatus8) {
  Line line([](std::span<const uint8_t>) { return Answer({1, 0x45, 1, 0}); });
  line.link->ClosePort();
  EXPECT_FALSE(line.link->FileRequests().FsBegin());
  EXPECT_EQ(line.link->Status(), LinkStatus::kLinkPortError);
  EXPECT_TRUE(line.fake->writes.empty());

  line.link->OpenPort();
  line.fake->failWrite = true;
  EXPECT_FALSE(line.link->FileRequests().FsBegin());
  EXPECT_EQ(line.link->Status(), LinkStatus::kLinkPortError);
  line.fake->failWrite = false;
  line.fake->failRead = true;
  EXPECT_FALSE(line.link->FileRequests().FsBegin());
  EXPECT_EQ(line.link->Status(), LinkStatus::kLinkPortError);
  EXPECT_EQ(line.beeps, 0);

  line.fake->failOpen = true;
  EXPECT_FALSE(line.link->OpenPort());
  EXPECT_EQ(line.link->Status(), LinkStatus::kLinkPortError);
}

TEST(Transact, TheReadTimeOutCoversTheLineTime) {
  Line line([](std::span<const uint8_t>) { return Bytes{}; });
  AtBaud(line, 1200);
  uint8_t delivered = 0;
  uint8_t buf[128];
  line.link->FileRequests().FsReadNext(128, delivered, buf);
  // 8 request bytes and 135 answer bytes at 1200 baud: 1192 ms on the line.
  EXPECT_GE(line.fake->lastTimeoutMs, 1000 + 1191);
  AtBaud(line, 38400);
  line.link->FileRequests().FsReadNext(128, delivered, buf);
  EXPECT_LE(line.fake->lastTimeoutMs, 1000 + 40);
}

TEST(FileRequests, FramesAndLengths) {
  Bytes lastRequest;
  Line line([&](std::span<const uint8_t> request) {
    lastRequest.assign(request.begin(), request.end());
    return Bytes{};
  });
  line.link->FileRequests().FsBegin();
  EXPECT_EQ(lastRequest.size(), 7u);
  EXPECT_EQ(Bytes(lastRequest.begin(), lastRequest.begin() + 3), (Bytes{1, 0x45, 0x01}));
  line.link->FileRequests().FsOpenRoot();
  EXPECT_EQ(lastRequest[2], 0x0C);
  line.link->FileRequests().FsOpenFile("Obj07_0 ", "arc", 1);
  ASSERT_EQ(lastRequest.size(), 20u);
  EXPECT_EQ(std::string(lastRequest.begin() + 4, lastRequest.begin() + 15), "Obj07_0 arc");
  EXPECT_EQ(lastRequest[3], 12);
  EXPECT_EQ(lastRequest[15], 1);
  line.link->FileRequests().FsOpenFile("System_0xx", "d", 1);  // cut and padded
  EXPECT_EQ(std::string(lastRequest.begin() + 4, lastRequest.begin() + 15), "System_0d  ");
  CFlFile::CFCB fcb;
  line.link->FileRequests().FsGetControlBlock(fcb);
  EXPECT_EQ(lastRequest.size(), 7u);
  EXPECT_EQ(lastRequest[2], 0x0E);

  uint8_t delivered = 0;
  uint8_t buf[256];
  line.link->FileRequests().FsReadNext(242, delivered, buf);
  EXPECT_EQ(lastRequest.size(), 8u);
  EXPECT_EQ(lastRequest[3], 242);
  EXPECT_EQ(line.fake->lastTimeoutMs, 1000 + (8 + 249) * 10 * 1000 / 9600 + 1);  // 249 bytes expected
  const size_t before = line.fake->writes.size();
  const LinkStatus statusBefore = line.link->Status();
  EXPECT_FALSE(line.link->FileRequests().FsReadNext(243, delivered, buf));
  EXPECT_EQ(line.fake->writes.size(), before);  // nothing sent
  EXPECT_EQ(line.link->Status(), statusBefore);
}

TEST(FileRequests, UnsetParameterBytesGoOutAsEarlierFramesLeftThem) {
  Line line([](std::span<const uint8_t> r) {
    return r[1] == 0x11 ? Answer({1, 0x11, 2, 'T', 0}) : Answer({1, 0x45, r[2], 0});
  });
  std::string text;
  ASSERT_TRUE(line.link->ReadIdentification(text));
  ASSERT_TRUE(line.link->FileRequests().FsBegin());
  ASSERT_TRUE(line.link->FileRequests().FsOpenFile("Obj07_0 ", "arc", 1));
  ASSERT_TRUE(line.link->FileRequests().FsBegin());
  uint8_t delivered = 0;
  uint8_t buf[16];
  line.link->FileRequests().FsReadNext(16, delivered, buf);
  const std::vector<Bytes>& w = line.fake->writes;
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(w[0], (Bytes{0x01, 0x11, 0xC0, 0x2C}));
  EXPECT_EQ(w[1], WithCrc({1, 0x45, 0x01, 0x2C, 0}));  // byte 3: the identification's CRC
  EXPECT_EQ(w[3], WithCrc({1, 0x45, 0x01, 12, 'O'}));  // bytes 3 and 4: the open request's
  // Byte 5: the low byte of the CRC of the request before.
  EXPECT_EQ(w[4], WithCrc({1, 0x45, 0x08, 16, 'O', w[3][5]}));
}

TEST(FileRequests, RefusalsAndLiesLeaveStatus0) {
  Line refuse([](std::span<const uint8_t> r) { return Answer({1, 0x45, r[2], 1}); });
  EXPECT_FALSE(refuse.link->FileRequests().FsBegin());
  EXPECT_EQ(refuse.link->Status(), LinkStatus::kLinkOk);
  EXPECT_EQ(refuse.fake->timeouts, 0);

  Line badLength([](std::span<const uint8_t>) {
    Bytes a = {1, 0x45, 0x0E, 0, 50};
    a.resize(5 + 51, 0);
    return WithCrc(a);
  });
  CFlFile::CFCB fcb;
  EXPECT_FALSE(badLength.link->FileRequests().FsGetControlBlock(fcb));
  EXPECT_EQ(badLength.link->Status(), LinkStatus::kLinkOk);

  // A piece that claims more bytes than came before its CRC.
  Line liar([](std::span<const uint8_t>) { return Answer({1, 0x45, 0x08, 0, 0, 9}); });
  uint8_t delivered = 0;
  uint8_t buf[16];
  EXPECT_FALSE(liar.link->FileRequests().FsReadNext(16, delivered, buf));
  Line tooShort([](std::span<const uint8_t>) { return Answer({1, 0x45}); });
  EXPECT_FALSE(tooShort.link->FileRequests().FsBegin());
}

// An instrument with one open file of `size` bytes (byte i is i % 251),
// delivering pieces as asked, or `shortBy` fewer.
CScriptedChannel::Responder FileOf(uint32_t size, std::vector<uint8_t>* asked, int shortBy = 0) {
  auto pos = std::make_shared<uint32_t>(0);
  return [=](std::span<const uint8_t> r) -> Bytes {
    if (r[1] != 0x45) return {};
    if (r[2] == 0x0E) {
      Bytes a = {1, 0x45, 0x0E, 0, 51};
      Bytes fcb(51, 0);
      for (int i = 0; i < 4; ++i) fcb[19 + i] = static_cast<uint8_t>(size >> (8 * i));
      a.insert(a.end(), fcb.begin(), fcb.end());
      return WithCrc(a);
    }
    if (r[2] == 0x08) {
      if (asked != nullptr) asked->push_back(r[3]);
      const uint32_t n = std::min<uint32_t>(r[3], size - *pos) - (shortBy > 0 ? std::min<uint32_t>(shortBy, r[3]) : 0);
      Bytes a = {1, 0x45, 0x08, 0, static_cast<uint8_t>(n)};
      for (uint32_t i = 0; i < n; ++i) a.push_back(static_cast<uint8_t>((*pos + i) % 251));
      *pos += n;
      return WithCrc(a);
    }
    return WithCrc({1, 0x45, r[2], 0});
  };
}

TEST(Transfer, PiecesOf128) {
  std::vector<uint8_t> asked;
  Line line(FileOf(300, &asked));
  CFlFile file;
  ASSERT_TRUE(line.link->FileRequests().TransferContents(file));
  EXPECT_EQ(asked, (std::vector<uint8_t>{128, 128, 44}));
  ASSERT_EQ(file.m_data.size(), 300u);
  EXPECT_EQ(file.m_data[299], 299 % 251);
  EXPECT_EQ(line.fake->timeouts, 0);

  std::vector<uint8_t> none;
  Line empty(FileOf(0, &none));
  CFlFile nothing;
  ASSERT_TRUE(empty.link->FileRequests().TransferContents(nothing));
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(nothing.m_data.empty());
}

TEST(Transfer, ShortPiecesAndHugeSizesFail) {
  Line shortPieces(FileOf(300, nullptr, 1));
  CFlFile file;
  EXPECT_FALSE(shortPieces.link->FileRequests().TransferContents(file));
  EXPECT_EQ(shortPieces.link->Status(), LinkStatus::kLinkOk);

  Line huge(FileOf(0xFFFFFFF0u, nullptr));
  EXPECT_FALSE(huge.link->FileRequests().TransferContents(file));
  EXPECT_EQ(huge.link->Status(), LinkStatus::kLinkOk);
  EXPECT_LE(file.m_data.capacity(), 300u);  // nothing allocated for it
}

TEST(Directory, ParsedIntoEntriesOf32Bytes) {
  CTrvKqModbusWithFlFiles link;
  link.Root().m_data.assign(64, 0);
  const char* names[] = {"Obj07_0 arc", "Obj07_0 arc"};
  for (int e = 0; e < 2; ++e) {
    std::copy_n(names[e], 11, link.Root().m_data.begin() + e * 32 + 1);
    link.Root().m_data[e * 32 + 19] = static_cast<uint8_t>(10 + e);
  }
  ASSERT_TRUE(link.ParseDirectory());
  ASSERT_EQ(link.Files().size(), 2u);
  CFlFile* found = link.FindFile("Obj07_0 ", "arc");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->m_fcb.m_descriptor.m_size, 10u);  // the first of two equal names
  EXPECT_EQ(link.FindFile("obj07_0 ", "arc"), nullptr);
  EXPECT_EQ(link.FindFile("Obj07_0", "arc"), nullptr);

  link.Root().m_data.resize(65);
  EXPECT_FALSE(link.ParseDirectory());
  EXPECT_TRUE(link.Files().empty());
  link.Root().m_data.clear();
  EXPECT_TRUE(link.ParseDirectory());
}

TEST(Cancel, StopsBeforeTheNextTransaction) {
  std::atomic<bool> cancel{false};
  int requests = 0;
  Line line([&](std::span<const uint8_t>) {
    if (++requests == 2) cancel = true;
    return Bytes{};
  });
  line.link->SetCancelFlag(&cancel);
  EXPECT_FALSE(line.link->FileRequests().FsBegin());
  EXPECT_EQ(requests, 2);  // the third attempt is never made
  EXPECT_TRUE(line.link->IsCancelled());
}

}  // namespace
}  // namespace tkq

// The archive stream: the encoding of every stored file, byte for byte,
// and the damage a reader must refuse.

#include <gtest/gtest.h>

#include <functional>

#include "core/archive/records.h"
#include "core/base/cp1251.h"
#include "core/storage/archive_stream.h"

namespace tkq {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Stored(const std::function<void(CArchiveStream&)>& write) {
  CArchiveStream ar;
  write(ar);
  return ToBytes(ar.Data());
}

Bytes Prefix(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<ptrdiff_t>(n)); }

TEST(ArchiveStream, StringLengthPrefixes) {
  for (size_t len : {0u, 1u, 254u, 255u, 300u, 0xFFFDu, 0xFFFEu, 70000u}) {
    const std::string text(len, 'x');
    const Bytes b = Stored([&](CArchiveStream& ar) { ar.WriteString(text); });
    Bytes expected;
    if (len <= 254) {
      expected = {static_cast<uint8_t>(len)};
    } else if (len <= 0xFFFD) {
      expected = {0xFF, static_cast<uint8_t>(len), static_cast<uint8_t>(len >> 8)};
    } else {
      expected = {
          0xFF, 0xFF, 0xFF, static_cast<uint8_t>(len), static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len >> 16),
          0};
    }
    ASSERT_EQ(b.size(), expected.size() + len) << len;
    EXPECT_EQ(Prefix(b, expected.size()), expected) << len;

    CArchiveStream in(b);
    EXPECT_EQ(in.ReadString(), text);
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST(ArchiveStream, StringsAreCodePage1251OnDisk) {
  const Bytes b = Stored([](CArchiveStream& ar) { ar.WriteString("Скорость передачи:"); });
  ASSERT_EQ(b.size(), 19u);
  EXPECT_EQ(b[0], 18);
  EXPECT_EQ(b[1], 0xD1);  // С
  EXPECT_EQ(b[18], ':');
  CArchiveStream in(b);
  EXPECT_EQ(in.ReadString(), "Скорость передачи:");
}

TEST(ArchiveStream, ReadsWideStrings) {
  // FF FE FF, then a length of 3 code units, then UTF-16LE "Юg€".
  const Bytes b = {0xFF, 0xFE, 0xFF, 0x03, 0x2E, 0x04, 0x67, 0x00, 0xAC, 0x20};
  CArchiveStream in(b);
  EXPECT_EQ(in.ReadString(), "Юg€");
  // A wide string with a long length prefix, and one whose units the code
  // page lacks.
  const Bytes longForm = {0xFF, 0xFE, 0xFF, 0xFF, 0x02, 0x00, 0x41, 0x00, 0x3A, 0x26};
  CArchiveStream in2(longForm);
  EXPECT_EQ(in2.ReadString(), "A?");
}

TEST(ArchiveStream, EveryByteSurvivesTheCodePageRoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
  EXPECT_EQ(Utf8ToCp1251("漢字 ok"), "?? ok");
  EXPECT_EQ(Utf8ToCp1251(std::string("\xD0", 1)), "?");  // cut-off sequence
}

TEST(ArchiveStream, Counts) {
  EXPECT_EQ(Stored([](CArchiveStream& ar) { ar.WriteCount(3); }), (Bytes{0x03, 0x00}));
  EXPECT_EQ(Stored([](CArchiveStream& ar) { ar.WriteCount(0xFFFE); }), (Bytes{0xFE, 0xFF}));
  EXPECT_EQ(Stored([](CArchiveStream& ar) { ar.WriteCount(70000); }), (Bytes{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
}

TEST(ArchiveStream, NumbersAreLittleEndian) {
  const Bytes b = Stored([](CArchiveStream& ar) {
    ar.WriteU16(0x1234);
    ar.WriteI32(-2);
    ar.WriteI64(0x0102030405060708);
    ar.WriteF32(1.0f);
  });
  EXPECT_EQ(b, (Bytes{0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1, 0x00, 0x00, 0x80, 0x3F}));
}

TEST(ArchiveStream, ClassRecordsAndTagsShareOneCounter) {
  CErrArcElem a(1, 2, 3), b(4, 5, 6), c(7, 8, 9);
  CObjArcElem other;
  const Bytes bytes = Stored([&](CArchiveStream& ar) {
    ar.WriteObject(&a);
    ar.WriteObject(&b);
    ar.WriteObject(&c);
    ar.WriteObject(&other);
    ar.WriteObject(&other);  // the writer never repeats an object; the tag is what matters here
    ar.WriteObject(nullptr);
  });
  size_t pos = 0;
  auto expect = [&](const Bytes& want) {
    EXPECT_EQ(
        Bytes(bytes.begin() + static_cast<ptrdiff_t>(pos), bytes.begin() + static_cast<ptrdiff_t>(pos + want.size())),
        want)
        << "at " << pos;
    pos += want.size();
  };
  expect({0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00, 'C', 'E', 'r', 'r', 'A', 'r', 'c', 'E', 'l', 'e', 'm'});
  pos += 9;
  expect({0x01, 0x80});
  pos += 9;
  expect({0x01, 0x80});
  pos += 9;
  expect({0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00, 'C', 'O', 'b', 'j', 'A', 'r', 'c', 'E', 'l', 'e', 'm'});
  pos += 17;
  expect({0x05, 0x80});  // the second class got number 5
  pos += 17;
  expect({0x00, 0x00});
  EXPECT_EQ(pos, bytes.size());

  CArchiveStream in(bytes);
  for (uint8_t code : {3, 6, 9}) {
    auto r = in.ReadObject<CErrArcElem>();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->m_nCode, code);
  }
  EXPECT_TRUE(in.ReadObject<CObjArcElem>());
  EXPECT_TRUE(in.ReadObject<CObjArcElem>());
  EXPECT_FALSE(in.ReadObject<CObjArcElem>());
}

Bytes NewClassRecord(const std::string& name, uint16_t schema) {
  std::string s = "\xFF\xFF";
  s += static_cast<char>(schema);
  s += static_cast<char>(schema >> 8);
  s += static_cast<char>(name.size());
  s += static_cast<char>(name.size() >> 8);
  return ToBytes(s + name);
}

TEST(ArchiveStream, AcceptsAnySchemaOfARegisteredClass) {
  Bytes b = NewClassRecord("CErrArcElem", 2);
  b.insert(b.end(), {1, 0, 0, 0, 2, 0, 0, 0, 4});
  CArchiveStream in(b);
  auto r = in.ReadObject<CErrArcElem>();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->m_nEnd, 2u);
  EXPECT_EQ(r->m_nCode, 4);
}

void ExpectDamage(const Bytes& b, const std::string& fragment) {
  CArchiveStream in(b);
  try {
    in.ReadObject<CErrArcElem>();
    ADD_FAILURE() << "no error; expected " << fragment;
  } catch (const CArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
  }
}

TEST(ArchiveStream, RefusesDamagedReferences) {
  ExpectDamage(NewClassRecord("CMyHackedClass", 1), "неизвестный класс «CMyHackedClass» на байте 0");
  ExpectDamage(NewClassRecord(std::string(64, 'C'), 1), "имя класса из 64 символов");
  ExpectDamage(NewClassRecord("CObjArcElem", 1), "объект класса «CObjArcElem» вместо «CErrArcElem»");
  ExpectDamage({0x01, 0x80}, "номер класса 1 вне допустимых пределов");             // no class record yet
  ExpectDamage({0xFF, 0x7F, 0x05, 0x00, 0x00, 0x80}, "номер класса 5");  // long tag, no such class
  ExpectDamage({0x07, 0x00}, "номер объекта 7 вне допустимых пределов");

  // A reference back to an object read before would make two slots share
  // one record.
  Bytes back = NewClassRecord("CErrArcElem", 1);
  back.insert(back.end(), {1, 0, 0, 0, 2, 0, 0, 0, 4});
  Bytes twice = back;
  twice.insert(twice.end(), {0x02, 0x00});
  CArchiveStream in2(twice);
  in2.ReadObject<CErrArcElem>();
  EXPECT_THROW(in2.ReadObject<CErrArcElem>(), CArchiveError);

  // A tag naming an object where a class is required.
  Bytes objAsClass = back;
  objAsClass.insert(objAsClass.end(), {0x02, 0x80});
  CArchiveStream in3(objAsClass);
  in3.ReadObject<CErrArcElem>();
  EXPECT_THROW(in3.ReadObject<CErrArcElem>(), CArchiveError);
}

TEST(ArchiveStream, CutOffValuesFailWithTheirOffset) {
  const Bytes b = Stored([](CArchiveStream& ar) {
    ar.WriteU8(7);
    ar.WriteString("a string of some length");
  });
  for (size_t cut = 1; cut < b.size(); ++cut) {
    const Bytes part = Prefix(b, cut);
    CArchiveStream in(part);
    in.ReadU8();
    try {
      in.ReadString();
      ADD_FAILURE() << "cut at " << cut;
    } catch (const CArchiveError& e) {
      EXPECT_EQ(e.Offset(), 1u);
    }
  }
  CArchiveStream empty(std::span<const uint8_t>{});
  EXPECT_THROW(empty.ReadU16(), CArchiveError);
}

TEST(ArchiveStream, CountsThatTheFileCannotHoldAreDamage) {
  // 0x7FFFFFFF byte array elements promised by a 6-byte file.
  const Bytes hugeBytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2};
  CArchiveStream in(hugeBytes);
  EXPECT_THROW(in.ReadByteArray(), CArchiveError);

  // Each slot of an object array takes at least two bytes.
  const Bytes slots = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  CArchiveStream ok(slots);
  CMyObArrayWithDelete<CErrArcElem> array;
  array.Serialize(ok);
  EXPECT_EQ(array.GetSize(), 3u);
  const Bytes tooFew = {0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  CArchiveStream bad(tooFew);
  EXPECT_THROW(array.Serialize(bad), CArchiveError);

  // A string whose length runs past the end.
  const Bytes longString = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10, 'a'};
  CArchiveStream s(longString);
  EXPECT_THROW(s.ReadString(), CArchiveError);
}

TEST(ArchiveStream, ArraysStoreEmptySlotsAsEmptyReferences) {
  CMyObArrayWithDelete<CObjArcElem> array;
  array.SetSize(1);
  const Bytes b = Stored([&](CArchiveStream& ar) { array.Serialize(ar); });
  EXPECT_EQ(b, (Bytes{0x01, 0x00, 0x00, 0x00}));
  CArchiveStream in(b);
  CMyObArrayWithDelete<CObjArcElem> loaded;
  loaded.Serialize(in);
  ASSERT_EQ(loaded.GetSize(), 1u);
  EXPECT_EQ(loaded.GetAt(0), nullptr);
}

}  // namespace
}  // namespace tkq

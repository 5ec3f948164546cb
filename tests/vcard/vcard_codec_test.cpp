// The vCard codec: every field survives a write and a read whatever it holds, cards of the
// three versions other programs write read into the right fields, what no field maps survives,
// and malformed text is refused with a reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "handheld/vcard/vcard_reader.h"
#include "handheld/vcard/vcard_writer.h"

namespace velmora::handheld::vcard {
namespace {

using ::testing::HasSubstr;

std::string& F(Card& card, int number) {
  return card.contact.fields[static_cast<std::size_t>(number - 1)];
}

Card ReadOne(const std::string& text) {
  std::string why;
  auto cards = ReadCards(text, &why);
  EXPECT_TRUE(cards) << why << "\n" << text;
  if (!cards || cards->size() != 1) return {};
  return cards->front();
}

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(VcardRoundTrip, EveryFieldComesBackExactlyWhateverItHolds) {
  const std::string hostile[] = {
      "plain",
      "comma, semicolon; backslash \\ and \\n literally",
      "non-BMP \xF0\x9F\x98\x80 \xF0\x9D\x84\x9E and \xC3\xA9",
      "CRLF\r\nbreaks\r\n",
      "mixed\nLF\r\nCRLF\rlone CR",
      "  blanks around \t",
      ":colon;=\"quote\"=0D=0A",
      Repeat("\xC3\xA9", 40) + Repeat("\xF0\x9F\x98\x80", 40) + Repeat("x", 77),
      "2024-02-29",
  };
  for (const auto& value : hostile) {
    Card card;
    // Each field its own value, so that a value landing in the wrong slot shows.
    for (int n = 1; n <= kContactFields; ++n) F(card, n) = value + "#" + std::to_string(n);
    F(card, 40) = value;  // the Categories text, commas and all
    const std::string text = WriteCard(card);
    for (std::string_view rest = text; !rest.empty();) {
      const auto end = rest.find("\r\n");
      ASSERT_NE(end, std::string_view::npos);
      EXPECT_LE(end, 75u) << rest.substr(0, end);
      rest.remove_prefix(end + 2);
    }
    EXPECT_EQ(ReadOne(text), card) << text;
  }
}

TEST(VcardRoundTrip, SecondSlotsStayPutAndUnmappedPropertiesSurvive) {
  Card card;
  card.uid = "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1";
  F(card, 10) = "work 2";
  F(card, 12) = "home 2";
  F(card, 22) = "third@example.org";
  F(card, 45) = "1985-04-15";
  F(card, 46) = "2010-06-01";
  card.kept = {"PHOTO;ENCODING=b;TYPE=JPEG:" + Repeat("QUJD", 60), "REV:2024-01-01T10:00:00Z",
               "X-CUSTOM;X-P=\"a,b\":value"};
  const std::string text = WriteCards({card, Card{}});
  EXPECT_THAT(text, HasSubstr("\r\nBDAY:1985-04-15\r\nX-ANNIVERSARY:2010-06-01\r\n"));
  std::string why;
  const auto cards = ReadCards(text, &why);
  ASSERT_TRUE(cards) << why;
  ASSERT_EQ(cards->size(), 2u);
  EXPECT_EQ((*cards)[0], card);
  EXPECT_EQ((*cards)[1], Card{});
  EXPECT_EQ(WriteCards(*cards), text);
}

struct Expect {
  int field;
  const char* value;
};

TEST(VcardReader, ReadsCardsOfOtherProgramsIntoTheirFields) {
  const struct {
    const char* name;
    std::string text;
    std::vector<Expect> fields;
    std::vector<std::string> kept;
  } cases[] = {
      {"2.1 with quoted-printable, a charset and bare types",
       "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen;;Dr.\r\n"
       "N:M\xC3\xBCller;J\xC3\xBCrgen\r\n"
       "TEL;WORK;VOICE:+49 30 1\r\nTEL;WORK;FAX:+49 30 2\r\nTEL;CELL:+49 170 3\r\n"
       "TEL;PAGER:4\r\nTEL;CAR:5\r\nTEL;HOME:6\r\nTEL;HOME:7\r\nTEL;HOME:8\r\n"
       "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:first=0D=0Asecond =\r\nline\r\n"
       "ADR;HOME:;;Hauptstra\\;e 1;Berlin;;10115;DE\r\n"
       "X-OWN;QUOTED-PRINTABLE:a=0Ab\r\nEND:VCARD\r\n",
       {{4, "Müller"},
        {2, "Jürgen"},
        {1, "Dr."},
        {9, "+49 30 1"},
        {16, "+49 30 2"},
        {13, "+49 170 3"},
        {14, "4"},
        {15, "5"},
        {11, "6"},
        {12, "7"},
        {44, "first\r\nsecond line"},
        {30, "Hauptstra;e 1"},
        {31, "Berlin"},
        {33, "10115"},
        {34, "DE"}},
       {"N:M\xC3\xBCller;J\xC3\xBCrgen", "TEL;HOME:8", "X-OWN:a\\nb"}},
      {"3.0 as address books write it",
       "BEGIN:VCARD\nVERSION:3.0\nFN:Ann Lee\nN:Lee;Ann;;;\nORG:;\nTEL;TYPE=WORK:\n"
       "ORG:Acme\\, Inc.;Sales;East\n"
       "item1.EMAIL;type=INTERNET;type=pref:ann@example.org\nitem1.X-ABLabel:_$!<Other>!$_\n"
       "EMAIL;TYPE=INTERNET,WORK:a2@example.org\nTEL;TYPE=\"work,voice\":1\nTEL:untyped\n"
       "CATEGORIES:VIP,Friends\\, close\nCATEGORIES:Golf\nBDAY:19700102\n"
       "ADR;TYPE=POSTAL:Box 5;;Main St;Town;ST;12345;US\nX-EVOLUTION-SPOUSE:Bo\n"
       "NOTE:folded \n line\nADR;TYPE=HOME:;;1;2;3;4;5;6\nEND:VCARD\n",
       {{2, "Ann"},
        {4, "Lee"},
        {8, "Acme, Inc."},
        {7, "Sales;East"},
        {20, "ann@example.org"},
        {21, "a2@example.org"},
        {9, "1"},
        {40, "VIP,Friends, close,Golf"},
        {45, "1970-01-02"},
        {35, "Box 5\nMain St"},
        {36, "Town"},
        {37, "ST"},
        {38, "12345"},
        {39, "US"},
        {42, "Bo"},
        {44, "folded line"}},
       {"item1.X-ABLabel:_$!<Other>!$_", "TEL:untyped", "ADR;TYPE=HOME:;;1;2;3;4;5;6"}},
      {"4.0 with URIs, ANNIVERSARY and no N",
       "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Solo\r\nTEL;VALUE=uri;TYPE=\"cell,voice\":tel:+1-555-"
       "0100\r\n"
       "ANNIVERSARY:20090808T000000Z\r\nBDAY:--0415\r\nUID:urn:uuid:1\r\nKIND:individual\r\n"
       "END:VCARD\r\n",
       {{2, "Solo"}, {13, "+1-555-0100"}, {46, "2009-08-08"}},
       {"BDAY:--0415", "KIND:individual"}},
  };
  for (const auto& c : cases) {
    Card expected;
    for (const auto& e : c.fields) F(expected, e.field) = e.value;
    Card card = ReadOne(c.text);
    for (int n = 1; n <= kContactFields; ++n) {
      EXPECT_EQ(F(card, n), F(expected, n)) << c.name << ", field " << n;
    }
    EXPECT_EQ(card.kept, c.kept) << c.name;
    EXPECT_EQ(ReadOne(WriteCard(card)), card) << c.name;
  }
}

TEST(VcardReader, RefusesMalformedTextWithItsLine) {
  const struct {
    std::string text;
    const char* why;
  } cases[] = {
      {"", "holds no vCard"},
      {"\r\n \r\n", "holds no vCard"},
      {"hello", "line 1: not a vCard content line"},
      {"FN:x\r\n", "line 1: text outside a card"},
      {"BEGIN:VCARD\r\nFN:x\r\n", "line 1: the card has no END:VCARD"},
      {"BEGIN:VCARD\r\nVERSION:5.0\r\nEND:VCARD\r\n", "line 2: VERSION 5.0"},
      {"BEGIN:VCARD\r\nFN x\r\nEND:VCARD\r\n", "line 2: not a vCard content line"},
      {"BEGIN:VCARD\r\nTEL;TYPE=\"open:1\r\nEND:VCARD\r\n", "line 2: not a vCard content line"},
      {"BEGIN:VCARD\r\nBEGIN:VCARD\r\nEND:VCARD\r\n", "line 2: a card inside a card"},
      {"BEGIN:VCARD\r\nNOTE:\xC3\r\nEND:VCARD\r\n", "line 2: the line is not UTF-8"},
      {"BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;CHARSET=NO-SUCH:x\r\nEND:VCARD\r\n",
       "line 3: the value is not in its CHARSET"},
      {"BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE:\xFF\r\nEND:VCARD\r\n",
       "line 3: the value is not UTF-8"},
      {"BEGIN:VCARD\r\nEND:VCARD\r\nstray\r\n", "line 3: not a vCard content line"},
      {std::string("BEGIN:VCARD\r\nNOTE:a\0b\r\nEND:VCARD\r\n", 30), "line 2: a NUL byte"},
      {"BEGIN:VCARD\r\nVERSION:2.1\r\nX-A;QUOTED-PRINTABLE:=00\r\nEND:VCARD\r\n",
       "line 3: a NUL byte"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(ReadCards(c.text, &why)) << c.text;
    EXPECT_THAT(why, HasSubstr(c.why)) << c.text;
  }
}

}  // namespace
}  // namespace velmora::handheld::vcard

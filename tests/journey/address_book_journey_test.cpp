// A handheld bound to an address book on a Radicale server, through the real programs: a
// profile of each direction made in the desktop manager's wizard, the handheld connected with
// `velmora-device connect --wait` as a timer does, and the values checked where they land: in
// the address book, read back with curl (not with the store's own reader), and in the table.
#include <gtest/gtest.h>

#include <string>

#include "profile/sync_settings.h"
#include "tests/journey/journey_world.h"
#include "tests/support/dav_server.h"

namespace velmora::journey {
namespace {

using testing::DavServer;

// vCard text unescaped: \n, \, \; and \\ (RFC 6350 3.4).
std::string Unescaped(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      ++i;
      out += value[i] == 'n' || value[i] == 'N' ? '\n' : value[i];
    } else {
      out += value[i];
    }
  }
  return out;
}

// The components of a structured value, split at each unescaped ";".
std::vector<std::string> Components(const std::string& value) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      parts.back() += value.substr(i++, 2);
    } else if (value[i] == ';') {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  return parts;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// First, Last, E-mail and Work tel of a card's text: N, the first EMAIL, the TEL whose types
// say work and not fax.
Person PersonOfCard(const std::string& text) {
  std::string unfolded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "\r\n ") == 0 || text.compare(i, 3, "\r\n\t") == 0) {
      i += 2;
    } else {
      unfolded += text[i];
    }
  }
  Person person;
  std::size_t start = 0;
  while (start < unfolded.size()) {
    std::size_t end = unfolded.find("\r\n", start);
    if (end == std::string::npos) end = unfolded.size();
    const std::string line = unfolded.substr(start, end - start);
    start = end + 2;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string head = Upper(line.substr(0, colon));
    const std::string value = line.substr(colon + 1);
    const std::string name = head.substr(0, head.find(';'));
    if (name == "N") {
      const auto parts = Components(value);
      person[0] = Unescaped(parts.size() > 1 ? parts[1] : "");
      person[1] = Unescaped(parts[0]);
    } else if (name == "EMAIL" && person[2].empty()) {
      person[2] = Unescaped(value);
    } else if (name == "TEL" && head.find("WORK") != std::string::npos &&
               head.find("FAX") == std::string::npos) {
      person[3] = Unescaped(value);
    }
  }
  return person;
}

People PeopleInBook(const DavServer& server) {
  People people;
  for (const std::string& card : server.Cards()) people.push_back(PersonOfCard(card));
  return Sorted(people);
}

// A card as another program writes it, not through Velmora's writer.
std::string CardOf(const Person& p, int number) {
  auto escaped = [](const std::string& text) {
    std::string out;
    for (const char c : text) {
      if (c == ',' || c == ';' || c == '\\') out += '\\';
      out += c;
    }
    return out;
  };
  std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:journey-" + std::to_string(number) +
                     "\r\nFN:" + escaped(p[0] + " " + p[1]) + "\r\nN:" + escaped(p[1]) + ";" +
                     escaped(p[0]) + ";;;\r\n";
  if (!p[2].empty()) card += "EMAIL;TYPE=INTERNET:" + escaped(p[2]) + "\r\n";
  if (!p[3].empty()) card += "TEL;TYPE=WORK,VOICE:" + escaped(p[3]) + "\r\n";
  return card + "END:VCARD\r\n";
}

class AddressBookJourney : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server_.Available()) GTEST_SKIP() << server_.SkipReason();
    phone_ = world_.data() / "phone";
    const ProgramRun made =
        Device({"create", phone_.string(), "--owner", kUser, "--carddav", server_.BookUrl(),
                "--user", server_.User(), "--password-file", server_.PasswordFile()});
    ASSERT_TRUE(made.succeeded) << made.output;
  }

  WizardChoices Profile(int sync_type, const std::string& name) {
    WizardChoices choices;
    choices.sync_type = sync_type;
    choices.name = name;
    choices.file = MakeSqlitePeople(world_.data());
    choices.table = "people";
    choices.columns = kFancyColumns;
    return choices;
  }

  DavServer server_{DavServer::Kind::kRadicale, true};
  JourneyWorld world_;
  std::filesystem::path phone_;
};

TEST_F(AddressBookJourney, DesktopPeopleReplaceTheCardsOfTheBook) {
  const WizardChoices choices = Profile(profile::kDesktopOverwritesDevice, "To the book");
  ASSERT_NE(world_.MakeProfile(choices).find("created successfully"), std::string::npos);
  for (std::size_t i = 0; i < HandheldPeople().size(); ++i) {
    ASSERT_TRUE(
        server_.PutCard("old" + std::to_string(i) + ".vcf", CardOf(HandheldPeople()[i], i)));
  }
  EXPECT_EQ(ConnectHandheld(phone_), 0) << world_.ConduitLog();
  EXPECT_EQ(PeopleInBook(server_), Sorted(DesktopPeople())) << world_.ConduitLog();
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(DesktopPeople()));
}

TEST_F(AddressBookJourney, TheCardsOfTheBookReplaceTheRowsOfTheTable) {
  const WizardChoices choices = Profile(profile::kDeviceOverwritesDesktop, "From the book");
  ASSERT_NE(world_.MakeProfile(choices).find("created successfully"), std::string::npos);
  for (std::size_t i = 0; i < HandheldPeople().size(); ++i) {
    ASSERT_TRUE(
        server_.PutCard("card" + std::to_string(i) + ".vcf", CardOf(HandheldPeople()[i], i)));
  }
  EXPECT_EQ(ConnectHandheld(phone_), 0) << world_.ConduitLog();
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(HandheldPeople())) << world_.ConduitLog();
  EXPECT_EQ(PeopleInBook(server_), Sorted(HandheldPeople()));

  // The server gone: the run ends with its error ending, which a timer sees.
  server_.Stop();
  const ProgramRun run = Device({"connect", phone_.string(), "--wait"});
  EXPECT_FALSE(run.succeeded) << run.output;
  EXPECT_NE(run.output.find("ended with exit status 1"), std::string::npos) << run.output;
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(HandheldPeople()));
}

}  // namespace
}  // namespace velmora::journey

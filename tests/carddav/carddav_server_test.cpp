// The address-book handheld against real CardDAV servers started on loopback: every request
// code, with and without basic authentication, a card changed on the server meanwhile and the
// server stopping half way. What the book holds is read back with the curl command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "handheld/carddav/carddav_store.h"
#include "tests/carddav/bound_handheld.h"
#include "tests/support/dav_server.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;
using Kind = DavServer::Kind;

struct ServerCase {
  const char* name;
  Kind kind;
  bool auth;
  bool from_root;  // the binding names the server, not the collection
};

const ServerCase kServers[] = {
    {"RadicaleOpen", Kind::kRadicale, false, false},
    {"RadicaleBasicAuth", Kind::kRadicale, true, true},
    {"Xandikos", Kind::kXandikos, false, true},
};

std::string OldCard(const std::string& uid, const std::string& first, const std::string& category) {
  return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + first + " Old\r\nN:Old;" + first +
         ";;;\r\nCATEGORIES:" + category + "\r\nX-KEPT-BY-OTHERS:yes\r\nEND:VCARD\r\n";
}

// Which of `names` each card of the book holds, sorted.
std::vector<std::string> Holding(const std::vector<std::string>& cards,
                                 const std::vector<std::string>& names) {
  std::vector<std::string> found;
  for (const auto& card : cards) {
    for (const auto& name : names) {
      if (card.find(name) != std::string::npos) found.push_back(name);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

const std::vector<std::string> kNames = {"Olga", "Oscar", "Ann", "Bob", "Cid", "Dee", "Eve"};

class CardDavServerTest : public ::testing::TestWithParam<ServerCase> {
 protected:
  void SetUp() override {
    if (!server_.Available()) GTEST_SKIP() << server_.SkipReason();
    ASSERT_TRUE(server_.PutCard("olga.vcf", OldCard("olga", "Olga", "Work")));
    ASSERT_TRUE(server_.PutCard("oscar.vcf", OldCard("oscar", "Oscar", "Home")));
  }
  carddav::Binding Binding() const {
    carddav::Binding binding{GetParam().from_root ? server_.RootUrl() : server_.BookUrl(),
                             server_.User(), std::nullopt, std::nullopt};
    if (GetParam().auth) binding.password_file = server_.PasswordFile();
    return binding;
  }
  std::vector<std::string> Book() const { return Holding(server_.Cards(), kNames); }

  DavServer server_{GetParam().kind, GetParam().auth};
};

TEST_P(CardDavServerTest, EveryRequestCodeWorksOnTheBook) {
  BoundHandheld handheld(Binding());
  ASSERT_TRUE(handheld.ok());
  using V = std::vector<std::string>;

  handheld.Send({Person("Ann", "Lee"), Person("Bob", "Ray")});
  ASSERT_EQ(handheld.Run(3), 1u) << handheld.Log();
  EXPECT_EQ(Book(), (V{"Ann", "Bob", "Olga", "Oscar"}));

  ASSERT_EQ(handheld.Run(2), 1u) << handheld.Log();
  EXPECT_EQ(handheld.ExportedNames(), (V{"Ann Lee", "Bob Ray", "Olga Old", "Oscar Old"}));

  // Overwrite within a category: only the cards of that category give way.
  handheld.Send({Person("Cid", "Fox")}, "Work");
  ASSERT_EQ(handheld.Run(1), 1u) << handheld.Log();
  EXPECT_EQ(Book(), (V{"Ann", "Bob", "Cid", "Oscar"}));
  for (const auto& card : server_.Cards()) {
    if (card.find("Cid") != std::string::npos) {
      EXPECT_THAT(card, HasSubstr("Work"));
    }
  }

  handheld.Send({Person("Dee", "Kay")});
  ASSERT_EQ(handheld.Run(4), 1u) << handheld.Log();
  EXPECT_EQ(Book(), (V{"Dee"}));
  ASSERT_EQ(handheld.Run(5), 1u) << handheld.Log();
  EXPECT_EQ(handheld.ExportedNames(), (V{"Dee Kay"}));

  handheld.Send({Person("Eve", "Moe"), Person("Ann", "Lee")});
  ASSERT_EQ(handheld.Run(1), 1u) << handheld.Log();
  EXPECT_EQ(Book(), (V{"Ann", "Eve"}));
}

TEST_P(CardDavServerTest, AnOverwriteLeavesACardItWouldMakeAgainAsItWas) {
  BoundHandheld handheld(Binding());
  handheld.Send({Person("Olga", "Old", "Work"), Person("Ann", "Lee")});
  ASSERT_EQ(handheld.Run(1), 1u) << handheld.Log();
  EXPECT_EQ(Book(), (std::vector<std::string>{"Ann", "Olga"}));
  const auto cards = server_.Cards();
  EXPECT_THAT(cards[0] + cards[1], HasSubstr("X-KEPT-BY-OTHERS:yes"));
  EXPECT_THAT(cards[0] + cards[1], HasSubstr("UID:olga"));
}

TEST_P(CardDavServerTest, ACardChangedMeanwhileFailsTheChangeAndKeepsTheOldSet) {
  std::string why;
  auto store = carddav::CardDavStore::Open(Binding(), {}, &why);
  ASSERT_TRUE(store) << why;
  // Another client edits a card after the store read the book.
  ASSERT_TRUE(server_.PutCard("olga.vcf", OldCard("olga", "Olga", "Edited")));
  handheld::ContactChange change;
  change.remove_all = true;
  change.add = {Person("Ann", "Lee")};
  EXPECT_FALSE(store->Apply(change));
  EXPECT_THAT(store->Why(), HasSubstr("412"));
  EXPECT_THAT(store->Why(), HasSubstr("the old cards are kept"));
  EXPECT_EQ(Book(), (std::vector<std::string>{"Olga", "Oscar"}));
  EXPECT_THAT(server_.Cards()[0] + server_.Cards()[1], HasSubstr("Edited"));
}

TEST_P(CardDavServerTest, AServerThatStopsLeavesTheOldSetAndAFailedRequest) {
  std::string why;
  auto store = carddav::CardDavStore::Open(Binding(), {}, &why);
  ASSERT_TRUE(store) << why;
  BoundHandheld handheld(Binding());
  server_.Stop();
  handheld::ContactChange change;
  change.remove_all = true;
  change.add = {Person("Ann", "Lee")};
  EXPECT_FALSE(store->Apply(change));
  handheld.Send({Person("Bob", "Ray")});
  EXPECT_EQ(handheld.Run(1), 2u);
  EXPECT_THAT(handheld.Log(), HasSubstr("request 1 (overwrite): the address book"));
  EXPECT_EQ(handheld.Run(2), 2u);
  EXPECT_FALSE(handheld.ExportExists());
  ASSERT_TRUE(server_.Start());
  EXPECT_EQ(Book(), (std::vector<std::string>{"Olga", "Oscar"}));
}

INSTANTIATE_TEST_SUITE_P(Servers, CardDavServerTest, ::testing::ValuesIn(kServers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CardDavCredentialsTest, AWrongPasswordIsAFailedRequestThatSaysSo) {
  DavServer server(Kind::kRadicale, true);
  if (!server.Available()) GTEST_SKIP() << server.SkipReason();
  TempDir dir;
  WriteFileBytes(dir / "wrong", "not it\n");
  std::filesystem::permissions(dir / "wrong", std::filesystem::perms::owner_read);
  BoundHandheld handheld({server.BookUrl(), server.User(), dir / "wrong", std::nullopt});
  ASSERT_TRUE(handheld.ok());
  EXPECT_EQ(handheld.Run(2), 2u);
  EXPECT_THAT(handheld.Log(), HasSubstr("401 (not authorised"));
  EXPECT_THAT(handheld.Log(), ::testing::Not(HasSubstr("not it")));
}

TEST(CardDavTrustTest, ACertificateIsVerifiedUnlessItsAuthorityIsGiven) {
  DavServer server(Kind::kRadicale, true, /*tls=*/true);
  if (!server.Available()) GTEST_SKIP() << server.SkipReason();
  const carddav::Binding untrusted{server.RootUrl(), server.User(), server.PasswordFile(),
                                   std::nullopt};
  BoundHandheld refused(untrusted);
  ASSERT_TRUE(refused.ok());
  EXPECT_EQ(refused.Run(2), 2u);
  EXPECT_THAT(refused.Log(), HasSubstr("certificate"));

  carddav::Binding trusted = untrusted;
  trusted.ca_file = server.CertificateFile();
  BoundHandheld handheld(trusted);
  ASSERT_TRUE(handheld.ok());
  handheld.Send({Person("Ann", "Lee")});
  ASSERT_EQ(handheld.Run(3), 1u) << handheld.Log();
  EXPECT_EQ(Holding(server.Cards(), kNames), (std::vector<std::string>{"Ann"}));
}

}  // namespace
}  // namespace velmora::testing

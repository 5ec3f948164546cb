// The address-book handheld against a server that misbehaves: every fault ends the request
// with the failure outcome and a reason in the handheld's log, writes no export, and leaves
// the book with its old card.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/carddav/bound_handheld.h"
#include "tests/carddav/hostile_server.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;
using Fault = HostileServer::Fault;

struct HostileCase {
  const char* name;
  Fault fault;
  const char* method;
  int status;
  std::uint32_t code;  // the request the agent runs
  const char* logged;  // part of the reason in the agent's log
};

const HostileCase kCases[] = {
    {"Unauthorised", Fault::kStatus, "PROPFIND", 401, 2, "401 (not authorised"},
    {"Forbidden", Fault::kStatus, "PROPFIND1", 403, 1, "403 (forbidden)"},
    {"ServerErrorOnListing", Fault::kStatus, "REPORT", 503, 2, "503 (a fault of the server)"},
    {"PreconditionFailedOnUpload", Fault::kStatus, "PUT", 412, 1, "412 (the card was changed"},
    {"ServerErrorOnUpload", Fault::kStatus, "PUT", 500, 4, "the old cards are kept"},
    {"ServerErrorOnDelete", Fault::kStatus, "DELETE", 500, 1, "the old cards are kept"},
    {"HugeResponse", Fault::kHuge, "REPORT", 0, 2, "longer than"},
    {"EndlessResponse", Fault::kEndless, "PROPFIND1", 0, 1, "longer than"},
    {"MalformedXml", Fault::kMalformedXml, "PROPFIND1", 0, 2, "not well-formed XML"},
    {"EntityBomb", Fault::kEntityBomb, "REPORT", 0, 2, "REPORT"},
    {"NotAVCard", Fault::kNotVCard, "REPORT", 0, 2, "is not a vCard"},
    {"RedirectToAnotherHost", Fault::kRedirectAway, "PROPFIND", 0, 2, "another host"},
    {"CutMidResponse", Fault::kCutMidResponse, "REPORT", 0, 1, "REPORT http"},
};

class CardDavHostileTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(CardDavHostileTest, TheRequestFailsCleanlyAndTheBookKeepsItsOldCard) {
  const HostileCase& c = GetParam();
  HostileServer server(c.fault, c.method, c.status);
  BoundHandheld handheld({server.Url(), "", std::nullopt, std::nullopt});
  ASSERT_TRUE(handheld.ok());
  handheld.Send({Person("Ann", "Lee"), Person("Bob", "Ray"), Person("Cid", "Fox")});
  EXPECT_EQ(handheld.Run(c.code), 2u);
  EXPECT_THAT(handheld.Log(), HasSubstr(c.logged));
  EXPECT_FALSE(handheld.ExportExists());
  EXPECT_EQ(server.Cards(), (std::set<std::string>{"/book/old.vcf"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, CardDavHostileTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::testing

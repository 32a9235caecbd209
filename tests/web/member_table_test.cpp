// The member table as the frame and the web bridge read it: lookups by
// DISPID and by either name, parameter lists, argument checks.
#include <gtest/gtest.h>

#include <set>

#include "tests/web/scripted_library.hpp"
#include "web/control/member_table.hpp"
#include "web/kavorin_web/kavorin_web.hpp"

namespace kavorin::control {
namespace {

TEST(MemberTable, NamesAndDispidsFindTheSameRows) {
  const auto table = web::KavorinWebMembers();
  std::set<std::string> names;
  for (const Member& member : table) {
    EXPECT_EQ(FindMember(table, member.dispid), &member);
    EXPECT_EQ(FindMember(table, member.name), &member) << member.name;
    EXPECT_TRUE(names.insert(std::string(member.name)).second) << "two rows named " << member.name;
  }
  // 69 answers to both of its names, in any case.
  for (const char* name : {"ExFreeStylePrint", "FreeStylePrint", "freestyleprint", "EXFREESTYLEPRINT"}) {
    ASSERT_NE(FindMember(table, name), nullptr) << name;
    EXPECT_EQ(FindMember(table, name)->dispid, 69) << name;
  }
  EXPECT_EQ(TypeLibraryName(*FindMember(table, 69)), "FreeStylePrint");
  EXPECT_EQ(TypeLibraryName(*FindMember(table, 1)), "CreditAuth");
  EXPECT_EQ(FindMember(table, "NoSuchMember"), nullptr);
  EXPECT_EQ(FindMember(table, 78), nullptr);
  EXPECT_EQ(FindMember(table, -552), nullptr) << "the frame answers AboutBox itself";
}

TEST(MemberTable, ParametersAndLongArguments) {
  const Member member{1, "M", "", "text index:long  other", ResultKind::Long, nullptr};
  const std::vector<Param> params = Params(member);
  ASSERT_EQ(params.size(), 3u);
  EXPECT_EQ(params[0].name, "text");
  EXPECT_EQ(params[1].name, "index");
  EXPECT_EQ(params[1].kind, ParamKind::Long);
  EXPECT_EQ(params[2].kind, ParamKind::Text);

  const std::pair<const char*, std::optional<std::int32_t>> numbers[] = {
      {"0", 0}, {"-12", -12}, {"+7", 7}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt}, {"", std::nullopt}, {"12a", std::nullopt}, {" 1", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& [text, value] : numbers) EXPECT_EQ(LongArgument(text), value) << text;
}

MemberResult Echo(ControlObject&, MemberArgs args) { return MemberResult::Text(args[0] + "/" + args[1]); }

TEST(MemberTable, InvokeRefusesWrongCountsAndNonNumbers) {
  const Member table[] = {{5, "Echo", "", "text n:long", ResultKind::Text, &Echo}};
  ControlObject object;
  const std::vector<std::string> good{"a", "-3"}, short_args{"a"}, not_number{"a", "three"};
  EXPECT_EQ(Invoke(table, object, 5, good).result, MemberResult::Text("a/-3"));
  EXPECT_EQ(Invoke(table, object, "echo", good).result, MemberResult::Text("a/-3"));
  EXPECT_EQ(Invoke(table, object, 6, good).error, InvokeError::UnknownMember);
  EXPECT_EQ(Invoke(table, object, 5, short_args).error, InvokeError::WrongArgumentCount);
  const InvokeOutcome bad = Invoke(table, object, 5, not_number);
  EXPECT_EQ(bad.error, InvokeError::NotANumber);
  EXPECT_EQ(bad.badArgument, 1u);
}

TEST(MemberTable, KavorinWebIdentityIsComplete) {
  const ControlIdentity& identity = web::KavorinWebIdentity();
  for (std::string_view guid : {identity.libid, identity.dispatchIid, identity.eventsIid, identity.clsid,
                                identity.pageClsid}) {
    EXPECT_EQ(guid.size(), 38u) << guid;
    EXPECT_EQ(guid.front(), '{');
  }
  EXPECT_EQ(identity.miscStatus, 0x20191u);
  EXPECT_EQ(identity.progId, "KAVORINWEB.KAVORINWebCtrl.1");
}

}  // namespace
}  // namespace kavorin::control

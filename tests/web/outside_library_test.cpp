// Calls into an outside library as the Zelk controls make them: argument
// lists, lent output buffers and their bounds, data buffers, CP949 cuts.
#include <gtest/gtest.h>

#include "tests/support/library_script.hpp"
#include "web/control/outside_library.hpp"

namespace kavorin::control {
namespace {

TEST(OutsideLibrary, ArgumentListsReadAsKindsAndSizes) {
  const LibraryOperation operation{7, "Op", "t l  o100 d2048"};
  const std::vector<ArgSpec> expected = {
      {ArgKind::Text, 0}, {ArgKind::Long, 0}, {ArgKind::Output, 100}, {ArgKind::Data, 2048}};
  EXPECT_EQ(ArgSpecs(operation), expected);
  EXPECT_TRUE(ArgSpecs({1, "None", ""}).empty());
  EXPECT_TRUE((LibraryOperation{0, "ByName", "o10"}.byName()));
}

TEST(OutsideLibrary, OutputsAreLentZeroedAndReadBackWithinTheirSize) {
  const LibraryOperation operation{3, "Op", "l o10 o6"};
  test::ScriptedLibrary library;
  // A field as wide as its buffer, and a Korean text whose last character
  // would straddle the bound.
  library.Answer("3\t0\tABCDEFGHIJ\t\xB0\xA1\xB3\xAA\xB4\xD9");
  OperationCall call(operation);
  const std::string inputs[] = {"-42"};
  EXPECT_EQ(call.Run(library.Call(), inputs), 0);
  EXPECT_EQ(library.log(), std::vector<std::string>{"3\t-42\to10\to6"});
  EXPECT_EQ(call.Text(0), "ABCDEFGHI");
  EXPECT_EQ(call.Text(1), "\xB0\xA1\xB3\xAA");
  EXPECT_EQ(call.Bytes(0), std::string_view("ABCDEFGHIJ"));
  EXPECT_EQ(call.Text(2), "") << "no such output";

  // A second run lends the buffers zeroed again.
  library.Answer("3\t-1");
  EXPECT_EQ(call.Run(library.Call(), inputs), -1);
  EXPECT_EQ(library.log().back(), "3\t-42\to10\to6");
  EXPECT_EQ(call.Text(0), "");
}

TEST(OutsideLibrary, InputsThatDoNotFitAreRefusedBeforeTheCall) {
  test::ScriptedLibrary library;
  const LibraryOperation data{5, "Data", "t d4"};
  OperationCall call(data);
  const std::string fits[] = {"x", std::string("\x01\x00\x02\x03", 4)};
  EXPECT_EQ(call.Run(library.Call(), fits), 0);
  const std::string too_long[] = {"x", "\x01\x02\x03\x04\x05"};
  EXPECT_EQ(call.Run(library.Call(), too_long), kArgumentTooLong);
  const std::string missing[] = {"x"};
  EXPECT_EQ(call.Run(library.Call(), missing), kOperationMissing);
  const std::string extra[] = {"x", "y", "z"};
  EXPECT_EQ(call.Run(library.Call(), extra), kOperationMissing);
  const LibraryOperation number{6, "Number", "l"};
  const std::string not_a_number[] = {"12a"};
  EXPECT_EQ(OperationCall(number).Run(library.Call(), not_a_number), kOperationMissing);
  EXPECT_EQ(OperationCall(number).Run(nullptr, std::span<const std::string>{}), kOperationMissing);
  const OutsideLibrary table{"x.dll", "X", std::span(&data, 1)};
  EXPECT_EQ(&OperationAt(table, 5), &data);
  EXPECT_EQ(OperationCall(OperationAt(table, 6)).Run(library.Call(), std::span<const std::string>{}), kOperationMissing)
      << "an ordinal the table lacks never reaches the library";
  EXPECT_EQ(library.log(), std::vector<std::string>{"5\tx\td4:01000203"});
}

TEST(OutsideLibrary, Cp949CutsNeverSplitACharacter) {
  const struct {
    std::string text;
    std::size_t bytes;
    std::string cut;
  } rows[] = {
      {"ABCDEF", 4, "ABCD"},
      {"AB\xB0\xA1", 3, "AB"},
      {"\xB0\xA1\xB3\xAA", 4, "\xB0\xA1\xB3\xAA"},
      {"\xB0\xA1\xB3", 3, "\xB0\xA1\xB3"},  // a lone lead byte at the end counts as one
      {"", 0, ""},
  };
  for (const auto& row : rows) EXPECT_EQ(CutCp949(row.text, row.bytes), row.cut) << row.text;
}

}  // namespace
}  // namespace kavorin::control

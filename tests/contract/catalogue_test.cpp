// The public C header and the IDL are written by hand (callers and widl read
// them as they are); these tests hold them against the service catalogue so
// that a row and its published declaration cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "contract/export_table.hpp"
#include "contract/service_methods.hpp"

namespace kavorin::testing {
namespace {

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Squeezed(std::string text) {
  text = std::regex_replace(text, std::regex(R"(\s+)"), " ");
  text = std::regex_replace(text, std::regex(R"(\( )"), "(");
  return std::regex_replace(text, std::regex(R"( \))"), ")");
}

struct Declared {
  int ordinal;
  std::string parameters;
};

// Every export the header declares, by name, with the ordinal its comment gives.
std::map<std::string, Declared> HeaderExports() {
  const std::string header = ReadFile(KAVORIN_PUBLIC_HEADER);
  const std::regex declaration(
      R"(KAVORIN_API\s+int\s+KAVORIN_CALL\s+(KAVORIN_\w+)\s*\(([^)]*)\)\s*;\s*/\*\s*(\d+)\s*\*/)");
  std::map<std::string, Declared> found;
  for (auto it = std::sregex_iterator(header.begin(), header.end(), declaration); it != std::sregex_iterator(); ++it) {
    found[(*it)[1]] = {std::stoi((*it)[3]), Squeezed((*it)[2])};
  }
  return found;
}

TEST(Catalogue, PublicHeaderDeclaresEveryExportAsTheCatalogueHasIt) {
  auto declared = HeaderExports();
  for (const ExportEntry& entry : ExportTable()) {
    SCOPED_TRACE(std::string(entry.name));
    const auto found = declared.find(std::string(entry.name));
    ASSERT_NE(found, declared.end()) << "not declared in the header";
    EXPECT_EQ(found->second.ordinal, entry.ordinal);
    EXPECT_EQ(found->second.parameters, entry.parameters);
    // The argument list, with "buffer" for what the export writes.
    std::string words;
    const std::string parameters(entry.parameters);
    const std::regex parameter(R"((const )?char\* (\w+))");
    for (auto it = std::sregex_iterator(parameters.begin(), parameters.end(), parameter); it != std::sregex_iterator();
         ++it) {
      words += (words.empty() ? "" : " ") + ((*it)[1].matched ? (*it)[2].str() : std::string("buffer"));
    }
    EXPECT_EQ(words, entry.arguments);
    declared.erase(found);
  }
  for (const auto& [name, extra] : declared) ADD_FAILURE() << name << " is declared but not in the catalogue";
}

struct IdlMethod {
  int dispid;
  std::string name;
  std::string helpName;
  std::vector<std::string> parameters;  // "[in] BSTR bstrWcc", "[out, retval] int* piRet", ...
};

std::vector<IdlMethod> IdlMethods() {
  const std::string idl = ReadFile(KAVORIN_HOST_IDL);
  const std::regex method(R"re(\[id\((\d+)\),\s*helpstring\("method (\w+)"\)\]\s*HRESULT\s+(\w+)\s*\(([^)]*)\)\s*;)re");
  std::vector<IdlMethod> found;
  for (auto it = std::sregex_iterator(idl.begin(), idl.end(), method); it != std::sregex_iterator(); ++it) {
    IdlMethod row{std::stoi((*it)[1]), (*it)[3], (*it)[2], {}};
    const std::string list = (*it)[4];
    const std::regex parameter(R"(\[[^\]]*\]\s*\w+\s*\*?\s*\w+)");
    for (auto p = std::sregex_iterator(list.begin(), list.end(), parameter); p != std::sregex_iterator(); ++p) {
      row.parameters.push_back(Squeezed(p->str()));
    }
    found.push_back(row);
  }
  return found;
}

std::vector<std::string> CatalogueParameters(const ServiceMethod& method) {
  std::vector<std::string> expected;
  for (const auto name : ParameterNames(method)) {
    expected.push_back(std::string("[in] ") + (IsIntegerParameter(name) ? "int " : "BSTR ") + std::string(name));
  }
  switch (method.reply) {
    case ReplyShape::Bool:
      expected.push_back("[out, retval] VARIANT_BOOL* " + std::string(method.result));
      break;
    case ReplyShape::Int:
      expected.push_back("[out, retval] int* " + std::string(method.result));
      break;
    case ReplyShape::Getter:
      expected.emplace_back("[out] int* piResultCode");
      expected.push_back("[out, retval] BSTR* " + std::string(method.result));
      break;
  }
  return expected;
}

// The IDL's methods in vtable order are the catalogue's rows in order:
// same dispatch ids, names, parameters and replies.
TEST(Catalogue, IdlDeclaresEveryMethodInVtableOrderAsTheCatalogueHasIt) {
  const auto idl = IdlMethods();
  const auto methods = ServiceMethods();
  ASSERT_EQ(idl.size(), methods.size());
  for (std::size_t i = 0; i < methods.size(); ++i) {
    SCOPED_TRACE(std::string(methods[i].name));
    EXPECT_EQ(idl[i].dispid, methods[i].dispid);
    EXPECT_EQ(idl[i].name, methods[i].name);
    EXPECT_EQ(idl[i].helpName, methods[i].name);
    EXPECT_EQ(idl[i].parameters, CatalogueParameters(methods[i]));
  }
}

// Every export that reaches the host names a method of the catalogue, by
// the same dispatch id.
TEST(Catalogue, ExportsReachTheMethodsTheyName) {
  int forwarded = 0;
  for (const ExportEntry& entry : ExportTable()) {
    if (entry.hostMethod.empty()) {
      EXPECT_EQ(entry.hostDispid, 0) << entry.name;
      continue;
    }
    const ServiceMethod* method = FindServiceMethod(entry.hostMethod);
    ASSERT_NE(method, nullptr) << entry.name;
    EXPECT_EQ(method->dispid, entry.hostDispid) << entry.name;
    ++forwarded;
  }
  EXPECT_EQ(forwarded, 66);
}

}  // namespace
}  // namespace kavorin::testing

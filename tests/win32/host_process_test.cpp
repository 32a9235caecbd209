// KAVORIN.exe as a process: its command line and the registry it leaves,
// one instance a session, how it ends, and one object for every client
// process.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host_test_support.hpp"
#include "tests/win32/registry_support.hpp"

namespace kavorin::test {
namespace {

std::string ShortHostPath() {
  char path[MAX_PATH] = {};
  GetShortPathNameA(BesideTest("KAVORIN.exe").c_str(), path, MAX_PATH);
  return path;
}

using Entry = RegistryEntry;

// Both tables of entries, and the interface entries the type library adds
// (they let COM carry IKAVORINComm between processes).
std::vector<Entry> RegisteredEntries() {
  std::vector<Entry> entries = ClassRegistrationEntries(ShortHostPath());
  entries.insert(entries.end(), {
      {"Interface\\{3AC0F909-4B88-4C23-97A5-8341313C39F3}\\ProxyStubClsid32", nullptr,
       "{00020424-0000-0000-C000-000000000046}"},
      {"Interface\\{3AC0F909-4B88-4C23-97A5-8341313C39F3}\\TypeLib", nullptr,
       "{554468B5-13BA-4D12-9AAD-4FB2EFB0AF6C}"},
  });
  return entries;
}

bool TypeLibRegistered() {
  ITypeLib* library = nullptr;
  if (FAILED(LoadRegTypeLib(LIBID_KAVORINLib, 1, 0, LOCALE_NEUTRAL, &library))) return false;
  library->Release();
  return true;
}

void ExpectRegistered() {
  for (const Entry& entry : RegisteredEntries()) {
    SCOPED_TRACE(entry.key + " " + (entry.name != nullptr ? entry.name : "(default)"));
    EXPECT_EQ(ReadValue(entry.key, entry.name), entry.data);
  }
  EXPECT_TRUE(KeyExists(kClassKey + "\\Programmable"));
  EXPECT_TRUE(TypeLibRegistered());
}

std::string Host() { return "\"" + BesideTest("KAVORIN.exe") + "\""; }

class HostProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Ok());
    EndAnyRunningHost();
  }
  ComApartment com_;
};

TEST_F(HostProcessTest, TheRegistrationSwitchesWriteAndRemoveEveryEntry) {
  ASSERT_EQ(RunToEnd(Host() + " /RegServer"), 0);
  ExpectRegistered();
  EXPECT_EQ(ShortHostPath().find(' '), std::string::npos);

  ASSERT_EQ(RunToEnd(Host() + " /UnregServer"), 0);
  for (const Entry& entry : RegisteredEntries()) {
    if (entry.key.rfind("Interface", 0) == 0) continue;  // shared with other type libraries' rules
    SCOPED_TRACE(entry.key);
    EXPECT_FALSE(KeyExists(entry.key));
  }
  EXPECT_FALSE(TypeLibRegistered());
  // Every program's classes and applications live under these.
  EXPECT_TRUE(KeyExists("AppID"));
  EXPECT_TRUE(KeyExists("CLSID"));

  // Any case, either switch character.
  ASSERT_EQ(RunToEnd(Host() + " -regserver"), 0);
  ExpectRegistered();
}

// A switch counts only as the last thing on the line: anything after it
// makes the program run as the server.
TEST_F(HostProcessTest, ASwitchFollowedByAnotherRunsTheServer) {
  ASSERT_EQ(RunToEnd(Host() + " /UnregServer"), 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = Host() + " /RegServer -Embedding";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  EXPECT_EQ(WaitForInputIdle(process.hProcess, kProcessWaitMs), 0u);
  EXPECT_NE(FindHostWindow(), nullptr) << "serving";
  EXPECT_FALSE(KeyExists(kClassKey)) << "nothing registered";
  PostMessageA(FindHostWindow(), WM_COMMAND, 0x8000, 0);
  EXPECT_EQ(WaitForExit(process.hProcess), 0);
  CloseHandle(process.hProcess);
}

TEST_F(HostProcessTest, ASecondStartEndsAtOnceEvenWithASwitch) {
  HostProcess host;
  ASSERT_TRUE(host.Start());
  EXPECT_EQ(RunToEnd(Host()), 0);
  EXPECT_EQ(RunToEnd(Host() + " -Embedding"), 0);
  EXPECT_EQ(RunToEnd(Host() + " /UnregServer"), 0);
  EXPECT_TRUE(KeyExists(kClassKey)) << "the second start unregistered nothing";
  EXPECT_EQ(WaitForSingleObject(host.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first one serves on";
  EXPECT_EQ(host.End(), 0);
}

// ServiceTerminate (after half a second), the tray's "종료" and WM_DESTROY
// (what installers send) each end the process with 0.
TEST_F(HostProcessTest, EveryExitPathEndsTheProcessWithZero) {
  const struct {
    const char* name;
    void (*act)(IKAVORINComm&);
  } paths[] = {
      {"ServiceTerminate",
       [](IKAVORINComm& host) {
         int result = 9;
         EXPECT_EQ(host.ServiceTerminate(&result), S_OK);
         EXPECT_EQ(result, 0);
       }},
      {"tray exit", [](IKAVORINComm&) { PostMessageA(FindHostWindow(), WM_COMMAND, 0x8000, 0); }},
      {"WM_DESTROY",
       [](IKAVORINComm&) {
         DWORD_PTR answer = 0;
         SendMessageTimeoutA(FindHostWindow(), WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
       }},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.name);
    HostProcess host;
    ASSERT_TRUE(host.Start());
    IKAVORINComm* object = ActivateHost();
    ASSERT_NE(object, nullptr);
    Bstr port(CatPort("OK").c_str());
    VARIANT_BOOL opened = 0;
    object->StartComPort(port.get(), &opened);
    EXPECT_EQ(opened, 1);
    const ULONGLONG start = GetTickCount64();
    path.act(*object);
    object->Release();
    EXPECT_EQ(WaitForExit(host.Handle()), 0);
    std::printf("%s: the host was gone after %llu ms\n", path.name, GetTickCount64() - start);
    EXPECT_EQ(FindHostWindow(), nullptr);
  }
}

// The client library's first call starts the host through COM (-Embedding);
// the host's own reference keeps it when the client lets go, past the
// monitor's quiet period.
TEST_F(HostProcessTest, AnActivatedHostOutlivesItsLastClient) {
  ASSERT_EQ(RunToEnd(Host() + " /RegServer"), 0);
  ASSERT_EQ(FindHostWindow(), nullptr);
  HRESULT result = S_OK;
  IKAVORINComm* object = ActivateHost(&result);
  ASSERT_NE(object, nullptr) << std::hex << result;
  ASSERT_NE(FindHostWindow(), nullptr);
  HANDLE process = OpenRunningHost(SYNCHRONIZE | PROCESS_QUERY_INFORMATION);
  ASSERT_NE(process, nullptr);
  object->Release();

  EXPECT_EQ(WaitForSingleObject(process, 7000), static_cast<DWORD>(WAIT_TIMEOUT)) << "ended without clients";
  object = ActivateHost();
  ASSERT_NE(object, nullptr);
  int done = 9;
  EXPECT_EQ(object->ServiceTerminate(&done), S_OK);
  object->Release();
  EXPECT_EQ(WaitForExit(process), 0);
  CloseHandle(process);
}

// A port opened by one client process is open for another: both hold the
// one object, and the host stays when the first process has ended.
TEST_F(HostProcessTest, TwoClientProcessesShareOneObject) {
  HostProcess host;
  ASSERT_TRUE(host.Start());
  const std::wstring wide_port = CatPort("OK");
  const std::string client = "\"" + BesideTest("host_test_client.exe") + "\"";
  ASSERT_EQ(RunToEnd(client + " open " + std::string(wide_port.begin(), wide_port.end())), 1);

  IKAVORINComm* object = ActivateHost();
  ASSERT_NE(object, nullptr);
  Bstr wcc(L"A"), track(L"9410123456781234=3012"), quota(L"00"), amount(L"1000"), option(L"0");
  int result = 9;
  ASSERT_EQ(object->CreditAuth(wcc.get(), track.get(), quota.get(), amount.get(), option.get(), &result), S_OK);
  EXPECT_EQ(result, 0) << "the port the other process opened";
  EXPECT_EQ(PollStatus(*object), 0);
  EXPECT_EQ(RunToEnd(client + " status"), 0) << "and the other process sees the result";
  object->Release();
  EXPECT_EQ(host.End(), 0);
}

}  // namespace
}  // namespace kavorin::test

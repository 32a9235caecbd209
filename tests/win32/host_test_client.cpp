// A second client process for the host tests: activates KAVORINComm as the
// client library does, makes one call and exits with its result.
//
//   host_test_client open PORT   StartComPort: exit code pbRet (1 or 0)
//   host_test_client status      StatusCheck: exit code its value
//
// Exit codes 200 and up: the call could not be made.
#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <string>

#include "kavorin_h.h"

int main(int argc, char** argv) {
  if (argc < 2) return 200;
  if (FAILED(CoInitialize(nullptr))) return 201;
  int code = 202;
  IUnknown* unknown = nullptr;
  IKAVORINComm* host = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_KAVORINComm, nullptr, CLSCTX_ALL, IID_IUnknown,
                                 reinterpret_cast<void**>(&unknown))) &&
      SUCCEEDED(OleRun(unknown)) &&
      SUCCEEDED(unknown->QueryInterface(IID_IKAVORINComm, reinterpret_cast<void**>(&host)))) {
    if (std::strcmp(argv[1], "open") == 0 && argc == 3) {
      const std::string port = argv[2];
      BSTR name = SysAllocString(std::wstring(port.begin(), port.end()).c_str());
      VARIANT_BOOL opened = 0;
      code = SUCCEEDED(host->StartComPort(name, &opened)) ? opened : 203;
      SysFreeString(name);
    } else if (std::strcmp(argv[1], "status") == 0) {
      int status = 0;
      code = SUCCEEDED(host->StatusCheck(&status)) ? status : 203;
    }
    host->Release();
  }
  if (unknown != nullptr) unknown->Release();
  CoUninitialize();
  return code;
}

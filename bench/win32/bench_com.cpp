// The Windows library's way to the host, timed under Wine: an export round
// trip (the library activates the host's class, calls, lets go, as every
// export does) and each of its steps by hand, against the same call on an
// interface held for the whole run. The host must be registered; the first
// activation starts it (about a second) and is not timed. Prints numbers;
// never fails on them.
//
//   bench_com [calls]        (run beside KAVORIN.exe and KAVORIN_Ctl.dll)
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "kavorin_h.h"

namespace {

// The ordinals and dispatch ids the bench calls (the export table and the
// IDL name them): the host's StatusCheck and one result getter.
constexpr int kStatusCheckOrdinal = 69;
constexpr int kGetterOrdinal = 23;
constexpr DISPID kStatusCheckDispid = 3;
constexpr DISPID kGetterDispid = 23;
constexpr DISPID kServiceTerminateDispid = 4;

constexpr DWORD kHostContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

double Now() {
  static const double ticks_per_us = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticks_per_us;
}

struct Figures {
  double p50 = 0;
  double p90 = 0;
};

Figures Summarise(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples[samples.size() * 9 / 10]};
}

Figures Time(int calls, const std::function<void()>& call) {
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    const double start = Now();
    call();
    samples.push_back(Now() - start);
  }
  return Summarise(samples);
}

HRESULT Invoke(IDispatch* object, DISPID dispid, bool getter) {
  LONG result_code = 0;
  VARIANTARG out;
  VariantInit(&out);
  if (getter) {
    V_VT(&out) = VT_I4 | VT_BYREF;
    V_I4REF(&out) = &result_code;
  }
  DISPPARAMS params = {getter ? &out : nullptr, nullptr, getter ? 1u : 0u, 0};
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
  VariantClear(&result);
  return hr;
}

// One activation as the library makes it; the interface, or null.
IKAVORINComm* Activate() {
  IUnknown* unknown = nullptr;
  if (FAILED(CoCreateInstance(CLSID_KAVORINComm, nullptr, kHostContext, IID_IUnknown, reinterpret_cast<void**>(&unknown)))) {
    return nullptr;
  }
  IKAVORINComm* comm = nullptr;
  if (FAILED(OleRun(unknown)) ||
      FAILED(unknown->QueryInterface(IID_IKAVORINComm, reinterpret_cast<void**>(&comm)))) {
    comm = nullptr;
  }
  unknown->Release();
  return comm;
}

DWORD WINAPI RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

// Runs `work` on a thread of its own that never initialises COM: the
// library then enters and leaves the apartment in every export.
void OnPlainThread(const std::function<void()>& work) {
  HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
  if (thread == nullptr) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

void Print(const char* what, Figures figures, double floor) {
  std::printf("  %-58s p50 %8.1f us  p90 %8.1f us  %6.1fx\n", what, figures.p50, figures.p90,
              floor > 0 ? figures.p50 / floor : 0.0);
}

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
  HMODULE library = LoadLibraryA(BesideThisProgram("KAVORIN_Ctl.dll").c_str());
  if (library == nullptr) {
    std::fprintf(stderr, "KAVORIN_Ctl.dll not found beside the program\n");
    return 1;
  }
  using StatusExport = int(__stdcall*)();
  using GetterExport = int(__stdcall*)(char*);
  const auto status_export =
      reinterpret_cast<StatusExport>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kStatusCheckOrdinal))));
  const auto getter_export =
      reinterpret_cast<GetterExport>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kGetterOrdinal))));
  if (status_export == nullptr || getter_export == nullptr) {
    std::fprintf(stderr, "exports %d/%d missing\n", kStatusCheckOrdinal, kGetterOrdinal);
    return 1;
  }

  if (FAILED(CoInitialize(nullptr))) return 1;
  // The reference held for the run: the host starts here (untimed) and the
  // held-interface figures use it.
  const double started = Now();
  IKAVORINComm* held = Activate();
  if (held == nullptr) {
    std::fprintf(stderr, "the host could not be activated (is KAVORIN.exe registered?)\n");
    return 1;
  }
  std::printf("first activation (starts the host): %.0f ms\n", (Now() - started) / 1000);
  // Warm both paths before timing.
  for (int i = 0; i < 20; ++i) {
    Invoke(held, kStatusCheckDispid, false);
    status_export();
  }

  char buffer[8192];
  const Figures held_status = Time(calls, [&] { Invoke(held, kStatusCheckDispid, false); });
  const Figures held_getter = Time(calls, [&] { Invoke(held, kGetterDispid, true); });
  const Figures held_vtable = Time(calls, [&] {
    int status = 0;
    held->StatusCheck(&status);
  });
  const Figures export_status = Time(calls, [&] { status_export(); });
  const Figures export_getter = Time(calls, [&] { getter_export(buffer); });
  Figures plain_status;
  Figures plain_apartment;
  OnPlainThread([&] {
    plain_status = Time(calls, [&] { status_export(); });
    plain_apartment = Time(calls, [] {
      CoInitialize(nullptr);
      CoUninitialize();
    });
  });

  // The export's steps one by one, in the caller's apartment.
  std::vector<double> create, run, query, invoke, release;
  for (int i = 0; i < calls; ++i) {
    double t = Now();
    IUnknown* unknown = nullptr;
    if (FAILED(CoCreateInstance(CLSID_KAVORINComm, nullptr, kHostContext, IID_IUnknown, reinterpret_cast<void**>(&unknown)))) break;
    create.push_back(Now() - t);
    t = Now();
    OleRun(unknown);
    run.push_back(Now() - t);
    t = Now();
    IKAVORINComm* comm = nullptr;
    unknown->QueryInterface(IID_IKAVORINComm, reinterpret_cast<void**>(&comm));
    unknown->Release();
    query.push_back(Now() - t);
    if (comm == nullptr) break;
    t = Now();
    Invoke(comm, kStatusCheckDispid, false);
    invoke.push_back(Now() - t);
    t = Now();
    comm->Release();
    release.push_back(Now() - t);
  }

  const double floor = held_status.p50;
  std::printf("Windows build under Wine, %d calls each; multiples of Invoke(StatusCheck) on a held interface\n", calls);
  Print("Invoke(StatusCheck), held interface (the floor)", held_status, floor);
  Print("StatusCheck through the vtable, held interface", held_vtable, floor);
  Print("Invoke(GetAuthAmount), held interface", held_getter, floor);
  Print("StatusCheck export, caller in an apartment", export_status, floor);
  Print("GetAuthAmount export, caller in an apartment", export_getter, floor);
  Print("StatusCheck export, caller without COM", plain_status, floor);
  std::printf("where an export's time goes (caller in an apartment):\n");
  Print("CoCreateInstance", Summarise(create), floor);
  Print("OleRun", Summarise(run), floor);
  Print("QueryInterface(IKAVORINComm) + Release(IUnknown)", Summarise(query), floor);
  Print("Invoke(StatusCheck), new interface", Summarise(invoke), floor);
  Print("Release(IKAVORINComm)", Summarise(release), floor);
  Print("CoInitialize + CoUninitialize, thread without COM", plain_apartment, floor);
  std::printf("ratios: getter export / held getter %.2fx; StatusCheck export / held StatusCheck %.2fx\n",
              held_getter.p50 > 0 ? export_getter.p50 / held_getter.p50 : 0.0,
              floor > 0 ? export_status.p50 / floor : 0.0);

  // The host is ended through its service, never killed (a killed server
  // stays registered with Wine's COM service).
  Invoke(held, kServiceTerminateDispid, false);
  held->Release();
  CoUninitialize();
  FreeLibrary(library);
  return 0;
}

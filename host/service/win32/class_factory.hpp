#pragma once
// The class object of KAVORINComm: every activation, from any client
// process, gets the host's one object. The factory itself lives as long as
// the host and does not keep the host alive; its server locks do.
#include <windows.h>
#include <unknwn.h>

#include "host/service/win32/host_module.hpp"

namespace kavorin {

// COM objects end through Release, never through a pointer to an interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class SingletonClassFactory final : public IClassFactory {
 public:
  // `object` is the one object handed out; it must outlive the factory.
  SingletonClassFactory(IUnknown& object, HostModule& module) : object_(object), module_(module) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // Aggregation is refused: the one object cannot belong to one outer.
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  IUnknown& object_;
  HostModule& module_;
};
#pragma GCC diagnostic pop

}  // namespace kavorin

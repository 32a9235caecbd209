#include "host/service/win32/class_factory.hpp"

namespace kavorin {

STDMETHODIMP SingletonClassFactory::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP SingletonClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return object_.QueryInterface(riid, object);
}

STDMETHODIMP SingletonClassFactory::LockServer(BOOL lock) {
  if (lock) {
    module_.Lock();
  } else {
    module_.Unlock();
  }
  return S_OK;
}

}  // namespace kavorin

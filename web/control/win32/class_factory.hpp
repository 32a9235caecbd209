#pragma once
// The class object of the control class or of its property page.
#include <objbase.h>

namespace kavorin::control {

enum class ClassKind { Control, PropertyPage };

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(ClassKind kind);
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  virtual ~ClassFactory();
  ClassKind kind_;
  LONG references_ = 1;
};
#pragma GCC diagnostic pop

}  // namespace kavorin::control

#pragma once
// A control's property page: captioned as the identity says, with no
// controls of its own (the controls have no properties to edit).
#include <ocidl.h>

#include "web/control/control_identity.hpp"

namespace kavorin::control {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class PropertyPage final : public IPropertyPage {
 public:
  static HRESULT Create(const ControlIdentity& identity, REFIID iid, void** object);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR) override;
  STDMETHODIMP TranslateAccelerator(MSG*) override;

 private:
  explicit PropertyPage(const ControlIdentity& identity);
  virtual ~PropertyPage();
  PropertyPage(const PropertyPage&) = delete;
  PropertyPage& operator=(const PropertyPage&) = delete;

  const ControlIdentity& identity_;
  LONG references_ = 1;
  IPropertyPageSite* site_ = nullptr;
  HWND window_ = nullptr;
};
#pragma GCC diagnostic pop

}  // namespace kavorin::control

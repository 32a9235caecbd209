#include "web/control/win32/property_page.hpp"

#include <cstring>
#include <new>
#include <string>

#include "web/control/win32/control_module.hpp"
#include "web/control/win32/dialog_template.hpp"

namespace kavorin::control {
namespace {

// The page's size in dialog units, as a container lays it out.
constexpr short kPageWidth = 250;
constexpr short kPageHeight = 62;

INT_PTR CALLBACK PageProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

PropertyPage::PropertyPage(const ControlIdentity& identity) : identity_(identity) { ObjectCreated(); }

PropertyPage::~PropertyPage() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (site_ != nullptr) site_->Release();
  ObjectDestroyed();
}

HRESULT PropertyPage::Create(const ControlIdentity& identity, REFIID iid, void** object) {
  PropertyPage* page = new (std::nothrow) PropertyPage(identity);
  if (page == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = page->QueryInterface(iid, object);
  page->Release();
  return hr;
}

STDMETHODIMP PropertyPage::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyPage)) {
    *object = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertyPage::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) PropertyPage::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP PropertyPage::SetPageSite(IPropertyPageSite* site) {
  if (site != nullptr) site->AddRef();
  if (site_ != nullptr) site_->Release();
  site_ = site;
  return S_OK;
}

STDMETHODIMP PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (window_ != nullptr) return E_UNEXPECTED;
  const std::vector<WORD> page = DialogTemplate(WS_CHILD | DS_CONTROL, L"", kPageWidth, kPageHeight, {});
  window_ = CreateDialogIndirectParamW(ModuleInstance(), reinterpret_cast<const DLGTEMPLATE*>(page.data()), parent,
                                       &PageProcedure, 0);
  if (window_ == nullptr) return E_FAIL;
  if (rect != nullptr) Move(rect);
  return S_OK;
}

STDMETHODIMP PropertyPage::Deactivate() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
  return S_OK;
}

STDMETHODIMP PropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  const std::wstring title(identity_.pageCaption.begin(), identity_.pageCaption.end());
  const std::size_t bytes = (title.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy == nullptr) return E_OUTOFMEMORY;
  std::memcpy(copy, title.c_str(), bytes);
  // The page's size in pixels, from its size in dialog units.
  RECT size{0, 0, kPageWidth, kPageHeight};
  const LONG units = GetDialogBaseUnits();
  size.right = MulDiv(size.right, LOWORD(units), 4);
  size.bottom = MulDiv(size.bottom, HIWORD(units), 8);
  info->cb = sizeof *info;
  info->pszTitle = copy;
  info->size = {size.right, size.bottom};
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

STDMETHODIMP PropertyPage::SetObjects(ULONG, IUnknown**) { return S_OK; }

STDMETHODIMP PropertyPage::Show(UINT command) {
  if (window_ == nullptr) return E_UNEXPECTED;
  ShowWindow(window_, static_cast<int>(command));
  return S_OK;
}

STDMETHODIMP PropertyPage::Move(LPCRECT rect) {
  if (window_ == nullptr) return E_UNEXPECTED;
  if (rect == nullptr) return E_POINTER;
  MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

STDMETHODIMP PropertyPage::IsPageDirty() { return S_FALSE; }
STDMETHODIMP PropertyPage::Apply() { return S_OK; }
STDMETHODIMP PropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP PropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }

}  // namespace kavorin::control

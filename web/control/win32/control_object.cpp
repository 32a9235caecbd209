#include "web/control/win32/control_object.hpp"

#include <olectl.h>

#include <new>
#include <string>

#include "common/text_codec.hpp"
#include "web/control/win32/about_box.hpp"
#include "web/control/win32/control_face.hpp"
#include "web/control/win32/dispatch_arguments.hpp"

namespace kavorin::control {
namespace {

constexpr DWORD kSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
// The extent of a new control: one inch by half an inch, in HIMETRIC.
constexpr SIZEL kDefaultExtent = {2540, 1270};
constexpr wchar_t kWindowClass[] = L"KavorinControlWindow";
constexpr wchar_t kVersionProperty[] = L"_Version";

template <class T>
void Drop(T*& pointer) {
  if (pointer != nullptr) pointer->Release();
  pointer = nullptr;
}

LRESULT CALLBACK ControlWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT bounds;
    GetClientRect(window, &bounds);
    DrawControlFace(dc, bounds);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterWindowClass() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  if (GetClassInfoExW(ModuleInstance(), kWindowClass, &window_class)) return true;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &ControlWindowProcedure;
  window_class.hInstance = ModuleInstance();
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  return RegisterClassExW(&window_class) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------
EventSource::~EventSource() {
  for (auto& [cookie, sink] : sinks_) sink->Release();
}

STDMETHODIMP EventSource::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventSource::AddRef() { return static_cast<IDispatch&>(control_).AddRef(); }
STDMETHODIMP_(ULONG) EventSource::Release() { return static_cast<IDispatch&>(control_).Release(); }

STDMETHODIMP EventSource::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = GuidFromText(control_.definition().identity.eventsIid);
  return S_OK;
}

STDMETHODIMP EventSource::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  *container = static_cast<IConnectionPointContainer*>(&control_);
  (*container)->AddRef();
  return S_OK;
}

STDMETHODIMP EventSource::Advise(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  *cookie = 0;
  IUnknown* events = nullptr;
  if (FAILED(sink->QueryInterface(GuidFromText(control_.definition().identity.eventsIid),
                                  reinterpret_cast<void**>(&events))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = next_cookie_++;
  sinks_[*cookie] = events;
  return S_OK;
}

STDMETHODIMP EventSource::Unadvise(DWORD cookie) {
  const auto found = sinks_.find(cookie);
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  found->second->Release();
  sinks_.erase(found);
  return S_OK;
}

STDMETHODIMP EventSource::EnumConnections(IEnumConnections** connections) {
  if (connections != nullptr) *connections = nullptr;
  return E_NOTIMPL;
}

// ---------------------------------------------------------------------------
ActiveXControl::ActiveXControl(const ControlDefinition& definition, std::unique_ptr<ControlObject> core)
    : definition_(definition),
      core_(std::move(core)),
      events_(*this),
      extent_(kDefaultExtent),
      loaded_version_(definition.identity.persistedVersion) {
  ObjectCreated();
}

ActiveXControl::~ActiveXControl() {
  if (window_ != nullptr) DestroyWindow(window_);
  Drop(frame_);
  Drop(in_place_site_);
  Drop(site_);
  Drop(advise_holder_);
  Drop(view_sink_);
  Drop(type_library_);
  ObjectDestroyed();
}

HRESULT ActiveXControl::Create(const ControlDefinition& definition, REFIID iid, void** object) {
  ActiveXControl* control = new (std::nothrow) ActiveXControl(definition, definition.create());
  if (control == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = control->QueryInterface(iid, object);
  static_cast<IDispatch*>(control)->Release();
  return hr;
}

STDMETHODIMP ActiveXControl::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const GUID dispatch = GuidFromText(definition_.identity.dispatchIid);
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, dispatch)) {
    *object = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    *object = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(iid, IID_IObjectSafety)) {
    *object = static_cast<IObjectSafety*>(this);
  } else if (IsEqualIID(iid, IID_IOleObject)) {
    *object = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject)) {
    *object = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) {
    *object = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleControl)) {
    *object = static_cast<IOleControl*>(this);
  } else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2)) {
    *object = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit)) {
    *object = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(iid, IID_IPersistPropertyBag)) {
    *object = static_cast<IPersistPropertyBag*>(this);
  } else if (IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
    *object = static_cast<ISpecifyPropertyPages*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ActiveXControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) ActiveXControl::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// --- IDispatch -------------------------------------------------------------
HRESULT ActiveXControl::LoadTypeInfo(REFGUID guid, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (type_library_ == nullptr) {
    const HRESULT loaded = LoadTypeLibEx(ModulePathWide().c_str(), REGKIND_NONE, &type_library_);
    if (FAILED(loaded)) return loaded;
  }
  return type_library_->GetTypeInfoOfGuid(guid, info);
}

STDMETHODIMP ActiveXControl::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (index != 0) return DISP_E_BADINDEX;
  return LoadTypeInfo(GuidFromText(definition_.identity.dispatchIid), info);
}

STDMETHODIMP ActiveXControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  const std::u16string wide(reinterpret_cast<const char16_t*>(names[0]));
  const std::string name = Utf8FromUtf16(wide);
  HRESULT hr = S_OK;
  if (const Member* member = FindMember(definition_.members, name)) {
    ids[0] = member->dispid;
  } else if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, "AboutBox", -1) == CSTR_EQUAL) {
    ids[0] = DISPID_ABOUTBOX;
  } else {
    ids[0] = DISPID_UNKNOWN;
    hr = DISP_E_UNKNOWNNAME;
  }
  // Arguments go by position only.
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

STDMETHODIMP ActiveXControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT* argumentError) {
  if (params == nullptr) return E_INVALIDARG;
  if (result != nullptr) VariantInit(result);
  if (id == DISPID_ABOUTBOX) {
    if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    HWND owner = nullptr;
    if (in_place_site_ != nullptr) in_place_site_->GetWindow(&owner);
    ShowAboutBox(owner, definition_.identity);
    return S_OK;
  }
  const Member* member = FindMember(definition_.members, static_cast<std::int32_t>(id));
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  // A member is called; one without parameters may also be read like a
  // property (a script that leaves out the parentheses). No member is set.
  const bool call = (flags & DISPATCH_METHOD) != 0;
  const bool read = (flags & DISPATCH_PROPERTYGET) != 0 && ParamCount(*member) == 0;
  if (!call && !read) return DISP_E_MEMBERNOTFOUND;
  std::vector<std::string> args;
  const HRESULT converted = ArgumentsOf(*member, *params, args, argumentError);
  if (FAILED(converted)) return converted;
  return StoreResult(member->handler(*core_, args), result);
}

// --- IProvideClassInfo2 ----------------------------------------------------
STDMETHODIMP ActiveXControl::GetClassInfo(ITypeInfo** info) {
  return LoadTypeInfo(GuidFromText(definition_.identity.clsid), info);
}

STDMETHODIMP ActiveXControl::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = GuidFromText(definition_.identity.eventsIid);
  return S_OK;
}

// --- IConnectionPointContainer ---------------------------------------------
STDMETHODIMP ActiveXControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points != nullptr) *points = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ActiveXControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(iid, GuidFromText(definition_.identity.eventsIid))) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

// --- IObjectSafety ---------------------------------------------------------
// Both options are always on: reported for every interface, and a request
// to switch one off is refused.
STDMETHODIMP ActiveXControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (supported == nullptr || enabled == nullptr) return E_POINTER;
  *supported = kSafetyOptions;
  *enabled = kSafetyOptions;
  IUnknown* probe = nullptr;
  if (FAILED(QueryInterface(iid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
  probe->Release();
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  IUnknown* probe = nullptr;
  if (FAILED(QueryInterface(iid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
  probe->Release();
  if ((mask & ~kSafetyOptions) != 0 || (mask & ~enabled) != 0) return E_FAIL;
  return S_OK;
}

// --- IOleObject ------------------------------------------------------------
STDMETHODIMP ActiveXControl::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  Drop(site_);
  site_ = site;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = site_;
  if (site_ != nullptr) site_->AddRef();
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP ActiveXControl::Close(DWORD) {
  InPlaceDeactivate();
  if (advise_holder_ != nullptr) advise_holder_->SendOnClose();
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
STDMETHODIMP ActiveXControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ActiveXControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP ActiveXControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data != nullptr) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT ActiveXControl::ActivateInPlace(bool uiActivate, HWND parent, LPCRECT rect) {
  if (site_ == nullptr) return E_UNEXPECTED;
  if (in_place_site_ == nullptr) {
    if (FAILED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&in_place_site_)))) {
      in_place_site_ = nullptr;
      return E_NOINTERFACE;
    }
    if (in_place_site_->CanInPlaceActivate() != S_OK) {
      Drop(in_place_site_);
      return E_FAIL;
    }
    in_place_site_->OnInPlaceActivate();
  }
  if (window_ == nullptr) {
    IOleInPlaceUIWindow* document = nullptr;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frame_info{};
    frame_info.cb = sizeof frame_info;
    Drop(frame_);
    if (FAILED(in_place_site_->GetWindowContext(&frame_, &document, &position, &clip, &frame_info))) frame_ = nullptr;
    Drop(document);
    if (rect != nullptr) position = *rect;
    if (parent == nullptr) in_place_site_->GetWindow(&parent);
    if (parent == nullptr || !RegisterWindowClass()) return E_FAIL;
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, position.left,
                              position.top, position.right - position.left, position.bottom - position.top, parent,
                              nullptr, ModuleInstance(), nullptr);
    if (window_ == nullptr) return E_FAIL;
  }
  if (uiActivate && !ui_active_) {
    ui_active_ = true;
    in_place_site_->OnUIActivate();
    if (frame_ != nullptr) frame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return ActivateInPlace(false, parent, rect);
    case OLEIVERB_UIACTIVATE:
      return ActivateInPlace(true, parent, rect);
    case OLEIVERB_HIDE:
      return InPlaceDeactivate();
    case OLEIVERB_PROPERTIES: {
      IUnknown* self = static_cast<IDispatch*>(this);
      CLSID page = GuidFromText(definition_.identity.pageClsid);
      const std::wstring caption(definition_.identity.typeName.begin(), definition_.identity.typeName.end());
      return OleCreatePropertyFrame(parent, 0, 0, caption.c_str(), 1, &self, 1, &page, LOCALE_USER_DEFAULT, 0,
                                    nullptr);
    }
    default:
      return OLEOBJ_S_INVALIDVERB;
  }
}

STDMETHODIMP ActiveXControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs != nullptr) *verbs = nullptr;
  return OLE_S_USEREG;
}
STDMETHODIMP ActiveXControl::Update() { return S_OK; }
STDMETHODIMP ActiveXControl::IsUpToDate() { return S_OK; }

STDMETHODIMP ActiveXControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP ActiveXControl::GetUserType(DWORD, LPOLESTR* type) {
  if (type != nullptr) *type = nullptr;
  return OLE_S_USEREG;
}

STDMETHODIMP ActiveXControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size == nullptr) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size == nullptr) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP ActiveXControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (advise_holder_ == nullptr && FAILED(CreateOleAdviseHolder(&advise_holder_))) return E_OUTOFMEMORY;
  return advise_holder_->Advise(sink, connection);
}

STDMETHODIMP ActiveXControl::Unadvise(DWORD connection) {
  return advise_holder_ == nullptr ? OLE_E_NOCONNECTION : advise_holder_->Unadvise(connection);
}

STDMETHODIMP ActiveXControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (advise == nullptr) return E_POINTER;
  *advise = nullptr;
  return advise_holder_ == nullptr ? S_OK : advise_holder_->EnumAdvise(advise);
}

STDMETHODIMP ActiveXControl::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = definition_.identity.miscStatus;
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject -----------------
STDMETHODIMP ActiveXControl::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = window_;
  return window_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP ActiveXControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::InPlaceDeactivate() {
  UIDeactivate();
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
  Drop(frame_);
  if (in_place_site_ != nullptr) in_place_site_->OnInPlaceDeactivate();
  Drop(in_place_site_);
  return S_OK;
}

STDMETHODIMP ActiveXControl::UIDeactivate() {
  if (!ui_active_) return S_OK;
  ui_active_ = false;
  if (frame_ != nullptr) frame_->SetActiveObject(nullptr, nullptr);
  if (in_place_site_ != nullptr) in_place_site_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_POINTER;
  if (window_ != nullptr) {
    MoveWindow(window_, position->left, position->top, position->right - position->left,
               position->bottom - position->top, TRUE);
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::ReactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP ActiveXControl::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP ActiveXControl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ActiveXControl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ActiveXControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP ActiveXControl::EnableModeless(BOOL) { return S_OK; }

// --- IOleControl -----------------------------------------------------------
STDMETHODIMP ActiveXControl::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->cb = sizeof *info;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}
STDMETHODIMP ActiveXControl::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP ActiveXControl::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP ActiveXControl::FreezeEvents(BOOL) { return S_OK; }

// --- IViewObject2 ----------------------------------------------------------
STDMETHODIMP ActiveXControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                                  BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (dc == nullptr || bounds == nullptr) return E_INVALIDARG;
  const RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
  DrawControlFace(dc, area);
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** palette) {
  if (palette != nullptr) *palette = nullptr;
  return S_FALSE;
}
STDMETHODIMP ActiveXControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP ActiveXControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  if (sink != nullptr) sink->AddRef();
  Drop(view_sink_);
  view_sink_ = sink;
  view_aspects_ = aspects;
  view_flags_ = flags;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = view_aspects_;
  if (flags != nullptr) *flags = view_flags_;
  if (sink != nullptr) {
    *sink = view_sink_;
    if (view_sink_ != nullptr) view_sink_->AddRef();
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- Persistence: the version stamp only -----------------------------------
STDMETHODIMP ActiveXControl::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = GuidFromText(definition_.identity.clsid);
  return S_OK;
}

STDMETHODIMP ActiveXControl::IsDirty() { return S_FALSE; }

STDMETHODIMP ActiveXControl::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  DWORD version = 0;
  ULONG read = 0;
  if (FAILED(stream->Read(&version, sizeof version, &read)) || read != sizeof version) return E_FAIL;
  loaded_version_ = version;
  return S_OK;
}

STDMETHODIMP ActiveXControl::Save(LPSTREAM stream, BOOL) {
  if (stream == nullptr) return E_POINTER;
  const DWORD version = definition_.identity.persistedVersion;
  ULONG written = 0;
  const HRESULT hr = stream->Write(&version, sizeof version, &written);
  return SUCCEEDED(hr) && written == sizeof version ? S_OK : STG_E_CANTSAVE;
}

STDMETHODIMP ActiveXControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = sizeof(DWORD);
  return S_OK;
}

STDMETHODIMP ActiveXControl::InitNew() {
  loaded_version_ = definition_.identity.persistedVersion;
  return S_OK;
}

STDMETHODIMP ActiveXControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  // A page that names no version loads as a new control.
  if (SUCCEEDED(bag->Read(kVersionProperty, &value, log)) &&
      SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4))) {
    loaded_version_ = static_cast<std::uint32_t>(V_I4(&value));
  }
  VariantClear(&value);
  return S_OK;
}

STDMETHODIMP ActiveXControl::Save(IPropertyBag* bag, BOOL, BOOL) {
  if (bag == nullptr) return E_POINTER;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = static_cast<LONG>(definition_.identity.persistedVersion);
  return bag->Write(kVersionProperty, &value);
}

// --- ISpecifyPropertyPages -------------------------------------------------
STDMETHODIMP ActiveXControl::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = GuidFromText(definition_.identity.pageClsid);
  return S_OK;
}

}  // namespace kavorin::control

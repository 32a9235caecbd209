#pragma once
// What the Windows tests of every web control share: GUIDs from text, the
// registry as a control's registration leaves it, an owned COM pointer,
// and the checks that hold a control's type library and its registration
// against its member table and identity.
#include <objbase.h>
#include <objsafe.h>
#include <oleauto.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "web/control/control_identity.hpp"
#include "web/control/member_table.hpp"
#include "web/control/registry_entries.hpp"

namespace kavorin::control_test {

inline GUID Guid(std::string_view text) {
  GUID guid{};
  const std::wstring wide(text.begin(), text.end());
  CLSIDFromString(wide.c_str(), &guid);
  return guid;
}

inline bool KeyExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

inline std::optional<std::string> ReadValue(const std::string& key, const std::string& name) {
  char data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name.empty() ? nullptr : name.c_str(), RRF_RT_REG_SZ, nullptr,
                   data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data);
}

inline std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// An owned COM pointer.
template <class T>
class Ptr {
 public:
  Ptr() = default;
  ~Ptr() { Reset(); }
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  void** out() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  void Reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// Every registry entry the identity makes is there with its data, with the
// framework's fixed values, and the type library is registered.
inline void ExpectRegistered(const control::ControlIdentity& identity, const std::string& modulePath) {
  auto entries = control::ControlClassEntries(identity, modulePath);
  const auto page = control::PropertyPageEntries(identity, modulePath);
  entries.insert(entries.end(), page.begin(), page.end());
  for (const control::RegistryValue& entry : entries) {
    SCOPED_TRACE(entry.key + " " + entry.name);
    EXPECT_TRUE(KeyExists(entry.key));
    if (entry.hasData) {
      EXPECT_EQ(ReadValue(entry.key, entry.name), entry.data);
    }
  }
  const std::string clsid = "CLSID\\" + std::string(identity.clsid);
  EXPECT_EQ(ReadValue(clsid + "\\MiscStatus\\1", ""), "131473");
  EXPECT_EQ(ReadValue(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_FALSE(KeyExists(clsid + "\\Insertable"));
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(Guid(identity.libid), 1, 0, LOCALE_NEUTRAL, &library), S_OK);
  library->Release();
}

// The type library embedded in `control` lists the identity's library,
// interface and class, and every member of the table that belongs in it,
// with its DISPID, name, parameters and result kind, plus AboutBox; and
// nothing else.
inline void ExpectTypeLibraryMatches(const std::filesystem::path& control, const control::ControlIdentity& identity,
                                     std::span<const control::Member> members) {
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadTypeLibEx(control.wstring().c_str(), REGKIND_NONE, &library), S_OK);
  TLIBATTR* library_attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&library_attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(library_attributes->guid, Guid(identity.libid)));
  EXPECT_EQ(library_attributes->wMajorVerNum, 1);
  EXPECT_EQ(library_attributes->wMinorVerNum, 0);
  library->ReleaseTLibAttr(library_attributes);

  ITypeInfo* dispatch = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(Guid(identity.dispatchIid), &dispatch), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(dispatch->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  struct Described {
    std::wstring name;
    std::vector<std::wstring> params;
    VARTYPE result;
    std::vector<VARTYPE> kinds;
  };
  std::map<MEMBERID, Described> described;
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(dispatch->GetFuncDesc(i, &function), S_OK);
    // IUnknown's and IDispatch's own methods, where the library lists them.
    if (function->memid >= 0x60000000 && function->memid < 0x60020000) {
      dispatch->ReleaseFuncDesc(function);
      continue;
    }
    BSTR names[32] = {};
    UINT count = 0;
    dispatch->GetNames(function->memid, names, 32, &count);
    Described entry{names[0], {}, function->elemdescFunc.tdesc.vt, {}};
    for (UINT n = 1; n < count; ++n) entry.params.emplace_back(names[n]);
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    for (SHORT n = 0; n < function->cParams; ++n) entry.kinds.push_back(function->lprgelemdescParam[n].tdesc.vt);
    EXPECT_EQ(static_cast<UINT>(function->cParams), entry.params.size());
    described[function->memid] = entry;
    dispatch->ReleaseFuncDesc(function);
  }
  dispatch->ReleaseTypeAttr(attributes);
  dispatch->Release();

  const std::map<control::ResultKind, VARTYPE> kinds = {{control::ResultKind::None, VT_VOID},
                                                        {control::ResultKind::Long, VT_I4},
                                                        {control::ResultKind::Text, VT_BSTR},
                                                        {control::ResultKind::Variant, VT_VARIANT}};
  std::size_t listed = 0;
  for (const control::Member& member : members) {
    SCOPED_TRACE(member.name);
    if (!member.inTypeLibrary) {
      EXPECT_EQ(described.count(member.dispid), 0u);
      continue;
    }
    ++listed;
    ASSERT_EQ(described.count(member.dispid), 1u);
    const Described& entry = described[member.dispid];
    EXPECT_EQ(entry.name, Wide(control::TypeLibraryName(member)));
    std::vector<std::wstring> params;
    std::vector<VARTYPE> param_kinds;
    for (const control::Param& param : control::Params(member)) {
      params.push_back(Wide(param.name));
      param_kinds.push_back(param.kind == control::ParamKind::Long ? VT_I4 : VT_BSTR);
    }
    EXPECT_EQ(entry.params, params);
    EXPECT_EQ(entry.kinds, param_kinds);
    EXPECT_EQ(entry.result, kinds.at(member.result));
  }
  EXPECT_EQ(described.size(), listed + 1) << "the listed members and AboutBox";
  ASSERT_EQ(described.count(DISPID_ABOUTBOX), 1u);
  EXPECT_EQ(described[DISPID_ABOUTBOX].name, L"AboutBox");

  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(Guid(identity.clsid), &coclass), S_OK);
  BSTR name = nullptr;
  coclass->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::wstring(name), Wide(identity.coclassName));
  SysFreeString(name);
  coclass->Release();
  library->Release();
}

// IObjectSafety as every control answers it: both options reported for
// any interface (E_NOINTERFACE for one the control lacks), accepted, and
// switching one off refused.
inline void ExpectScriptSafety(IObjectSafety* safety) {
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 3u);
  supported = enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistFile, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 3u);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled), S_OK);

  const struct {
    REFIID iid;
    DWORD mask;
    DWORD enabled;
    HRESULT result;
  } rows[] = {
      {IID_IDispatch, 3, 3, S_OK},          {IID_IDispatch, 1, 1, S_OK},
      {IID_IDispatch, 0, 0, S_OK},          {IID_IDispatch, 1, 0, E_FAIL},
      {IID_IDispatch, 3, 1, E_FAIL},        {IID_IDispatch, 4, 4, E_FAIL},
      {IID_IPersistPropertyBag, 2, 3, S_OK}, {IID_IPersistFile, 3, 3, E_NOINTERFACE},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(row.iid, row.mask, row.enabled), row.result)
        << row.mask << "/" << row.enabled;
  }
}

}  // namespace kavorin::control_test

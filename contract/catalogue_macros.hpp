#pragma once
// Preprocessor helpers that turn a row of the service catalogue into code:
// a "for each" over a parenthesised parameter list, and the pieces each
// parameter kind contributes to a declaration, a call or a description.
//
// A parameter is written as Kind(name):
//   Str(name)   a CP949 text the caller passes in (const char*)
//   Buf(name)   a caller-owned buffer the export writes (char*)
//   Bstr(name)  a text of the COM interface (BSTR)
//   Int(name)   a 32-bit integer of the COM interface (int)

#define KAVORIN_PARENS ()
#define KAVORIN_EXPAND(...) KAVORIN_EXPAND3(KAVORIN_EXPAND3(KAVORIN_EXPAND3(KAVORIN_EXPAND3(__VA_ARGS__))))
#define KAVORIN_EXPAND3(...) KAVORIN_EXPAND2(KAVORIN_EXPAND2(KAVORIN_EXPAND2(KAVORIN_EXPAND2(__VA_ARGS__))))
#define KAVORIN_EXPAND2(...) KAVORIN_EXPAND1(KAVORIN_EXPAND1(KAVORIN_EXPAND1(KAVORIN_EXPAND1(__VA_ARGS__))))
#define KAVORIN_EXPAND1(...) __VA_ARGS__

#define KAVORIN_UNPAREN(...) __VA_ARGS__

// macro(p) for every p, separated by commas.
#define KAVORIN_LIST(macro, ...) __VA_OPT__(KAVORIN_EXPAND(KAVORIN_LIST_STEP(macro, __VA_ARGS__)))
#define KAVORIN_LIST_STEP(macro, first, ...) \
  macro(first) __VA_OPT__(, KAVORIN_LIST_AGAIN KAVORIN_PARENS(macro, __VA_ARGS__))
#define KAVORIN_LIST_AGAIN() KAVORIN_LIST_STEP

// macro(p) for every p, side by side (for string literals and trailing commas).
#define KAVORIN_JOIN(macro, ...) __VA_OPT__(KAVORIN_EXPAND(KAVORIN_JOIN_STEP(macro, __VA_ARGS__)))
#define KAVORIN_JOIN_STEP(macro, first, ...) \
  macro(first) __VA_OPT__(KAVORIN_JOIN_AGAIN KAVORIN_PARENS(macro, __VA_ARGS__))
#define KAVORIN_JOIN_AGAIN() KAVORIN_JOIN_STEP

// The pieces of one parameter.
#define KAVORIN_PARAM_NAME(p) KAVORIN_NAME_##p
#define KAVORIN_NAME_Str(name) name
#define KAVORIN_NAME_Buf(name) name
#define KAVORIN_NAME_Bstr(name) name
#define KAVORIN_NAME_Int(name) name

#define KAVORIN_PARAM_DECL(p) KAVORIN_DECL_##p
#define KAVORIN_DECL_Str(name) const char* name
#define KAVORIN_DECL_Buf(name) char* name
#define KAVORIN_DECL_Bstr(name) BSTR name
#define KAVORIN_DECL_Int(name) int name

// " name" for each parameter: the names as one text, a space before each.
#define KAVORIN_PARAM_WORD(p) KAVORIN_WORD_##p
#define KAVORIN_WORD_Str(name) " " #name
#define KAVORIN_WORD_Buf(name) " buffer"
#define KAVORIN_WORD_Bstr(name) " " #name
#define KAVORIN_WORD_Int(name) " " #name

// ", type name" for each parameter: the C parameter list as one text.
#define KAVORIN_PARAM_C(p) KAVORIN_C_##p
#define KAVORIN_C_Str(name) ", const char* " #name
#define KAVORIN_C_Buf(name) ", char* " #name

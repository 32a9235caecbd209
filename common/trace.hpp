#pragma once
// The trace channel. The host and the client library hand their step texts to
// it; it writes nothing and deletes nothing. It stays a type (and a free
// function) so that objects can keep one and call it without caring.

namespace kavorin {

class TraceLog {
 public:
  template <class... Args>
  void Write(int /*level*/, const char* /*format*/, const Args&... /*args*/) const {}
  void Dump(const char* /*title*/, const void* /*data*/, int /*length*/, int /*level*/) const {}
};

template <class... Args>
inline void Trace(int /*level*/, const char* /*format*/, const Args&... /*args*/) {}

}  // namespace kavorin

// Process-wide access to the operating-system services. Each service is an interface
// with a default implementation for the platform being built (win32/ or native/);
// tests replace one with a fake for as long as a ScopedService lives.
#pragma once

namespace platform {

template <class Interface>
class Service {
 public:
  static Interface& Get() { return current_ != nullptr ? *current_ : Default(); }
  // Installs `replacement` (null restores the default) and returns the previous one.
  static Interface* Replace(Interface* replacement) {
    Interface* previous = current_;
    current_ = replacement;
    return previous;
  }
  // Defined once per platform for every service interface.
  static Interface& Default();

 private:
  static inline Interface* current_ = nullptr;
};

template <class Interface>
class ScopedService {
 public:
  explicit ScopedService(Interface& replacement) : previous_(Service<Interface>::Replace(&replacement)) {}
  ~ScopedService() { Service<Interface>::Replace(previous_); }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

 private:
  Interface* previous_;
};

}  // namespace platform

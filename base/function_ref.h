#pragma once
// A callable passed down a call without being kept: refers to the caller's callable instead of copying
// it, so passing a lambda with several captures costs no allocation (as std::function's copy would).

#include <type_traits>
#include <utility>

namespace vovido {

template <class Signature>
class FunctionRef;

template <class Result, class... Args>
class FunctionRef<Result(Args...)> {
public:
    // The callable must outlive every call through the reference (a parameter's argument does).
    template <class Callable, class = std::enable_if_t<!std::is_same_v<std::decay_t<Callable>, FunctionRef> &&
                                                       std::is_invocable_r_v<Result, Callable&, Args...>>>
    FunctionRef(Callable&& callable)  // NOLINT(google-explicit-constructor): stands in for the callable
        : object_(const_cast<void*>(static_cast<const void*>(&callable))),
          call_([](void* object, Args... args) -> Result {
              return (*static_cast<std::remove_reference_t<Callable>*>(object))(std::forward<Args>(args)...);
          }) {}

    Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    Result (*call_)(void*, Args...);
};

}  // namespace vovido

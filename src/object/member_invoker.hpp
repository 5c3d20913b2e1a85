#pragma once
// Turns a C++ member function (or a callable taking the object first) into a MemberInfo invoker:
// converts each automation argument to the parameter's type, calls, converts the result, and
// writes by-reference arguments back. How a parameter is declared says how it is passed:
//
//   T or const T&          by value, required
//   T&                     by reference: the final value goes back to the caller
//   std::optional<T>       optional: std::nullopt when left out
//   std::optional<T>&      optional and by reference
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <tuple>
#include <type_traits>
#include <utility>

#include "object/class_info.hpp"
#include "object/standard_errors.hpp"
#include "object/value_traits.hpp"

namespace vz::detail {

template <class... T>
struct TypeList {
  static constexpr std::size_t size = sizeof...(T);
};

// Self: the object type the callable acts on; Params: its remaining parameters.
template <class F>
struct CallableTraits;

template <class S, class R, class... A>
struct CallableSignature {
  using Self = std::remove_reference_t<S>;
  using Result = R;
  using Params = TypeList<A...>;
};

template <class C, class R, class... A>
struct CallableTraits<R (C::*)(A...)> : CallableSignature<C&, R, A...> {};
template <class C, class R, class... A>
struct CallableTraits<R (C::*)(A...) const> : CallableSignature<const C&, R, A...> {};
template <class C, class R, class... A>
struct CallableTraits<R (C::*)(A...) noexcept> : CallableSignature<C&, R, A...> {};
template <class C, class R, class... A>
struct CallableTraits<R (C::*)(A...) const noexcept> : CallableSignature<const C&, R, A...> {};
template <class S, class R, class... A>
struct CallableTraits<R (*)(S, A...)> : CallableSignature<S, R, A...> {};

// A lambda's call operator, whose first parameter is the object.
template <class M>
struct CallOperatorTraits;
template <class L, class S, class R, class... A>
struct CallOperatorTraits<R (L::*)(S, A...) const> : CallableSignature<S, R, A...> {};
template <class L, class S, class R, class... A>
struct CallOperatorTraits<R (L::*)(S, A...)> : CallableSignature<S, R, A...> {};

template <class F>
  requires requires { &F::operator(); }
struct CallableTraits<F> : CallOperatorTraits<decltype(&F::operator())> {};

template <class T>
inline constexpr bool kIsOptional = false;
template <class T>
inline constexpr bool kIsOptional<std::optional<T>> = true;

// One parameter of type P: how to load it from the arguments and store it back.
template <class P>
struct ArgumentSlot {
  using Stored = std::remove_cvref_t<P>;
  static constexpr bool kByRef = std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;
  static constexpr bool kOptional = kIsOptional<Stored>;

  static bool Given(std::span<Value> args, std::size_t i) { return i < args.size() && !args[i].IsMissing(); }

  static Stored Load(std::span<Value> args, std::size_t i) {
    if constexpr (kOptional) {
      if (!Given(args, i)) return std::nullopt;
      return Stored(FromValue<typename Stored::value_type>(args[i]));
    } else {
      if (!Given(args, i)) RaiseStandardError(kErrArgumentNotOptional);
      return FromValue<Stored>(args[i]);
    }
  }

  static void StoreBack(std::span<Value> args, std::size_t i, Stored& value) {
    if constexpr (kByRef) {
      if (!Given(args, i)) return;  // left out: there is no caller variable to write to
      if constexpr (kOptional) {
        args[i] = value ? ToValue(*value) : Value();
      } else {
        args[i] = ToValue(value);
      }
    }
  }

  static decltype(auto) Pass(Stored& value) {
    if constexpr (std::is_rvalue_reference_v<P>) {
      return std::move(value);
    } else {
      return (value);
    }
  }

  static ArgumentInfo Describe(std::string_view name) {
    return ArgumentInfo{std::string(name), kByRef, kOptional};
  }
};

template <class C, class F, class... P, std::size_t... I>
Value InvokeWith(const F& f, C& self, std::span<Value> args, TypeList<P...>, std::index_sequence<I...>) {
  if (args.size() > sizeof...(P)) RaiseStandardError(kErrWrongArgumentCount);
  // Braced initialisation converts the arguments left to right: the first bad one is reported.
  [[maybe_unused]] std::tuple<typename ArgumentSlot<P>::Stored...> slots{ArgumentSlot<P>::Load(args, I)...};
  Value result;
  using R = decltype(std::invoke(f, self, ArgumentSlot<P>::Pass(std::get<I>(slots))...));
  if constexpr (std::is_void_v<R>) {
    std::invoke(f, self, ArgumentSlot<P>::Pass(std::get<I>(slots))...);
  } else {
    result = ToValue(std::invoke(f, self, ArgumentSlot<P>::Pass(std::get<I>(slots))...));
  }
  (ArgumentSlot<P>::StoreBack(args, I, std::get<I>(slots)), ...);
  return result;
}

template <class C, class F>
using Params = typename CallableTraits<std::decay_t<F>>::Params;

// Checks at compile time that F acts on objects of class C.
template <class C, class F>
constexpr void CheckSelf() {
  using Self = std::remove_cv_t<typename CallableTraits<std::decay_t<F>>::Self>;
  static_assert(std::is_base_of_v<Self, C>, "the member function belongs to another class");
}

template <class C, class F>
MemberInfo::Invoker MakeInvoker(F f) {
  CheckSelf<C, F>();
  return [f = std::move(f)](Object& object, std::span<Value> args) -> Value {
    using P = Params<C, F>;
    return InvokeWith(f, static_cast<C&>(object), args, P{}, std::make_index_sequence<P::size>{});
  };
}

template <class... P>
std::vector<ArgumentInfo> DescribeArguments(TypeList<P...>, std::span<const std::string_view> names) {
  std::vector<ArgumentInfo> arguments;
  std::size_t i = 0;
  (arguments.push_back(ArgumentSlot<P>::Describe(i < names.size() ? names[i++] : std::string_view())), ...);
  return arguments;
}

}  // namespace vz::detail

namespace vz::detail {

// The first N types of a list: a setter's parameters without its value.
template <class List, class Sequence>
struct PrefixOf;
template <class... P, std::size_t... I>
struct PrefixOf<TypeList<P...>, std::index_sequence<I...>> {
  using type = TypeList<std::tuple_element_t<I, std::tuple<P...>>...>;
};
template <class List>
  requires(List::size > 0)
using WithoutLast = typename PrefixOf<List, std::make_index_sequence<List::size - 1>>::type;

}  // namespace vz::detail

#pragma once
// Declares the members of an automation class, in interface order, from its member functions.
// Argument passing follows from the parameter types (member_invoker.hpp), names from the lists
// given here:
//
//   void clsParameters::Describe(vz::ClassBuilder<clsParameters>& c) {
//     c.Creatable()
//         .Operation("Add", &clsParameters::Add, {"sParmValue", "sParmName", "eIncrement"})
//         .Property("Count", &clsParameters::Count)
//         .Property("Item", &clsParameters::Item, {"Index"}).Default()
//         .NewEnum(&clsParameters::Items);
//   }
//
// Mistakes in a description (a name given twice, too few or too many argument names, a
// required argument after an optional one) throw std::logic_error when the class is first used.
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "object/class_info.hpp"
#include "object/event.hpp"
#include "object/member_invoker.hpp"

namespace vz {

using ArgumentNames = std::initializer_list<std::string_view>;

// The class-independent half: collects and checks member descriptions.
class ClassDescription {
 public:
  explicit ClassDescription(std::string_view className) : className_(className) {}

  void Add(MemberInfo member, std::size_t namesGiven, std::size_t parameters);
  void MarkLastDefault();
  void MarkLastEnumerator();
  void SetFactory(ClassInfo::Factory factory) { factory_ = std::move(factory); }
  ClassInfo Build();

 private:
  std::string className_;
  std::vector<MemberInfo> members_;
  ClassInfo::Factory factory_;
};

template <class C>
class ClassBuilder {
 public:
  explicit ClassBuilder(std::string_view className) : description_(className) {}

  // Clients may create the class by name; objects are made with `std::make_shared<C>()`.
  ClassBuilder& Creatable() {
    description_.SetFactory([] { return ObjectRef(std::make_shared<C>()); });
    return *this;
  }
  // Clients may create the class by name through `factory` (for example, one object per process).
  template <class Factory>
  ClassBuilder& Creatable(Factory factory) {
    description_.SetFactory([factory = std::move(factory)] { return ObjectRef(factory()); });
    return *this;
  }

  // A read-only property; `arguments` name the parameters of a property that takes any.
  template <class Getter>
  ClassBuilder& Property(std::string_view name, Getter getter, ArgumentNames arguments = {}) {
    return AddProperty(name, std::move(getter), nullptr, arguments);
  }
  // A read/write property: the setter takes the same arguments as the getter, then the value.
  template <class Getter, class Setter>
  ClassBuilder& Property(std::string_view name, Getter getter, Setter setter, ArgumentNames arguments = {}) {
    return AddProperty(name, std::move(getter), std::move(setter), arguments);
  }
  template <class Setter>
  ClassBuilder& WriteOnlyProperty(std::string_view name, Setter setter, ArgumentNames arguments = {}) {
    return AddProperty(name, nullptr, std::move(setter), arguments);
  }

  template <class Function>
  ClassBuilder& Operation(std::string_view name, Function function, ArgumentNames arguments = {}) {
    using Traits = detail::CallableTraits<std::decay_t<Function>>;
    MemberInfo member;
    member.name = name;
    member.kind = MemberKind::Operation;
    member.arguments = detail::DescribeArguments(typename Traits::Params{}, std::span(arguments.begin(), arguments.size()));
    member.readable = !std::is_void_v<typename Traits::Result>;
    member.invoke = detail::MakeInvoker<C>(std::move(function));
    description_.Add(std::move(member), arguments.size(), Traits::Params::size);
    return *this;
  }

  // The collection's enumerator, "NewEnum": `items` returns the items in order (a std::vector of
  // an automation type, or a Value array).
  template <class Function>
  ClassBuilder& NewEnum(Function items) {
    Operation("NewEnum", std::move(items));
    description_.MarkLastEnumerator();
    return *this;
  }

  template <class... Args>
  ClassBuilder& Event(const EventDef<Args...>& event) {
    MemberInfo member;
    member.name = event.name;
    member.kind = MemberKind::Event;
    member.arguments = detail::DescribeArguments(detail::TypeList<Args...>{}, std::span(event.argumentNames));
    description_.Add(std::move(member), sizeof...(Args), sizeof...(Args));
    return *this;
  }

  // Makes the member just described the default member.
  ClassBuilder& Default() {
    description_.MarkLastDefault();
    return *this;
  }

  ClassInfo Build() { return description_.Build(); }

 private:
  template <class Getter, class Setter>
  ClassBuilder& AddProperty(std::string_view name, Getter getter, Setter setter, ArgumentNames arguments) {
    constexpr bool kHasGetter = !std::is_null_pointer_v<Getter>;
    constexpr bool kHasSetter = !std::is_null_pointer_v<Setter>;
    const std::span names(arguments.begin(), arguments.size());
    MemberInfo member;
    member.name = name;
    member.kind = MemberKind::Property;
    member.readable = kHasGetter;
    member.writable = kHasSetter;
    std::size_t parameters = 0;
    if constexpr (kHasSetter) {
      using Params = typename detail::CallableTraits<std::decay_t<Setter>>::Params;
      static_assert(Params::size > 0, "a property setter takes the new value");
      parameters = Params::size - 1;
      member.arguments = detail::DescribeArguments(detail::WithoutLast<Params>{}, names);
      member.assign = [invoke = detail::MakeInvoker<C>(std::move(setter))](Object& self, std::span<Value> args) {
        invoke(self, args);
      };
    }
    if constexpr (kHasGetter) {
      using Params = typename detail::CallableTraits<std::decay_t<Getter>>::Params;
      static_assert(!std::is_void_v<typename detail::CallableTraits<std::decay_t<Getter>>::Result>,
                    "a property getter returns the value");
      if (kHasSetter && Params::size != parameters) {
        throw std::logic_error(std::string(name) + ": the setter must take the getter's arguments and the value");
      }
      parameters = Params::size;
      member.arguments = detail::DescribeArguments(Params{}, names);
      member.invoke = detail::MakeInvoker<C>(std::move(getter));
    }
    description_.Add(std::move(member), arguments.size(), parameters);
    return *this;
  }

  ClassDescription description_;
};

}  // namespace vz

#pragma once
// A class of the module, declared once from the core type T it wraps: a
// specialisation of PythonClass<T> beside T's handlers gives its texts, its
// method rows and, optionally, its constructor and length:
//
//   template <>
//   struct PythonClass<Core> {
//       static constexpr const char* name = "PyCore";
//       static constexpr const char* text_signature = "()";  // or nullptr
//       static constexpr const char* doc = "...";
//       static constexpr const char* made_by = "PyCore()";  // for messages
//       static constexpr auto construct = make_core;  // Core (), optional
//       static constexpr auto length = core_length;   // std::size_t (const Core&), optional
//       static constexpr std::array methods{method<...>(name, ...), ...};
//   };
//
// Everything that depends on T (the instance size, the deallocator, the
// class state, the slots, and which class `self` must belong to) is derived
// from T here, in class_row_of<T>, and nowhere else.

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include "pyfacade/boundary/call_guard.hpp"
#include "pyfacade/boundary/callable.hpp"
#include "pyfacade/boundary/conversions.hpp"
#include "pyfacade/boundary/instance.hpp"
#include "pyfacade/boundary/param_parser.hpp"
#include "pyfacade/boundary/type_names.hpp"
#include "pyfacade/boundary/type_objects.hpp"
#include "support/fault.hpp"

namespace quorra::py {

template <class T>
struct PythonClass;

// Whether T is wrapped by a class of the module.
template <class T>
concept wrapped_class = requires { PythonClass<T>::name; };

// Constant-initialised, so reading it needs no guard.
template <class T>
constinit inline ClassState class_state{};

template <class T>
PyObject* construct_entry(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guard_object([&]() -> Outcome<Ref> {
        const ParamSpec spec{PythonClass<T>::name, "__new__", {}, 0};
        auto parsed = parse_tuple_and_dict(spec, args, kwargs, {});
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        return new_instance(reinterpret_cast<PyObject*>(type), T(PythonClass<T>::construct()));
    });
}

template <class T>
Py_ssize_t length_entry(PyObject* self);

template <class T>
constexpr ClassRow make_class_row() {
    using Class = PythonClass<T>;
    ClassRow row{
        .name = Class::name,
        .text_signature = Class::text_signature,
        .doc = Class::doc,
        .made_by = Class::made_by,
        .basic_size = static_cast<int>(sizeof(Instance<T>)),
        .dealloc = dealloc_instance<T>,
        .methods = MethodTable<Class::methods>::definitions,
        .new_slot = nullptr,
        .length_slot = nullptr,
        .state = &class_state<T>,
    };
    if constexpr (requires { Class::construct; }) {
        static_assert(std::is_same_v<std::invoke_result_t<decltype(Class::construct)>, T>,
                      "a class's constructor returns the value its instance wraps");
        row.new_slot = construct_entry<T>;
    }
    if constexpr (requires { Class::length; }) {
        static_assert(std::is_invocable_r_v<std::size_t, decltype(Class::length), const T&>,
                      "a class's length takes the value its instance wraps");
        row.length_slot = length_entry<T>;
    }
    return row;
}

template <class T>
inline constexpr ClassRow class_row_of = make_class_row<T>();

// A shared borrow of `self`'s value, once `self` is checked to be an
// instance of T's class (or a subclass) with a constructed value, not
// exclusively borrowed.
template <class T>
Outcome<SharedBorrow<T>> borrow_self(PyObject* self) {
    const ClassRow& row = class_row_of<T>;
    auto* type = reinterpret_cast<PyTypeObject*>(type_object_or_fault(row));
    if (Py_TYPE(self) != type && !PyType_IsSubtype(Py_TYPE(self), type)) {
        return Err{cannot_convert(self, row.name)};
    }
    if (!as_instance<T>(self)->initialised) {
        return Err{uninitialised_instance(row)};
    }
    if (as_instance<T>(self)->borrow_count == -1) {
        return Err{PendingError::message(PyExc_RuntimeError, "Already mutably borrowed")};
    }
    return SharedBorrow<T>(self);
}

template <class T>
Py_ssize_t length_entry(PyObject* self) {
    return guard_length([self]() -> Outcome<Py_ssize_t> {
        auto value = borrow_self<T>(self);
        if (!value) {
            return Err{std::move(value).error()};
        }
        return length_result(PythonClass<T>::length(*value.value()));
    });
}

// A new instance of T's class taking `value` over, as a callable's result.
// Its allocation fails only when memory is exhausted, which is a fault here.
template <wrapped_class T>
Ref instance_result(T&& value) {
    auto instance = new_instance(type_object_or_fault(class_row_of<T>), std::forward<T>(value));
    if (!instance) {
        fault("called `Result::unwrap()` on an `Err` value: " + error_text(instance.error()));
    }
    return std::move(instance).value();
}

}  // namespace quorra::py

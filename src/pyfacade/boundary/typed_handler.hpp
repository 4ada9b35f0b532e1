#pragma once
// Rows made from typed handlers. A handler is an ordinary function of the
// core's types; its row names the callable and its parameters:
//
//   Result<double, RegistryError> registry_get(const FormulasRegistry&, std::string_view name);
//   method<registry_get>(class_name, "get", {"name"}, "Retrieve ...")
//
// From the handler's signature the row's invoker derives the shared borrow
// of `self` (a method's first parameter, const T& of a wrapped class T), the
// conversion of each argument by its C++ type, which on failure names the
// parameter from the row, and the conversion of the result by its return
// type. A row whose parameter count differs from the handler's does not
// compile.
//
// Arguments: std::string_view (a str, borrowed for the call) and double
// (anything float() accepts). Results: bool, double, text (anything
// convertible to std::string_view), std::vector<std::string> (a list of
// str), a value of a wrapped class (a new instance of it), Ref (as it is),
// and Result<R, E> of any of those: its error becomes the exception that
// PythonError<E> makes (a PendingError is raised as it is).

#include <cstddef>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "pyfacade/boundary/callable.hpp"
#include "pyfacade/boundary/conversions.hpp"
#include "pyfacade/boundary/python_class.hpp"

namespace quorra::py {

// The exception for a core error type E: a specialisation beside the
// bindings that return it holds `static PendingError of(const E&)`.
template <class E>
struct PythonError;

template <class R, class... A>
struct Signature {
    using result = R;
    using parameters = std::tuple<A...>;
    static constexpr std::size_t arity = sizeof...(A);
};

template <class F>
struct SignatureOf;
template <class R, class... A>
struct SignatureOf<R (*)(A...)> : Signature<R, A...> {};
template <class R, class... A>
struct SignatureOf<R (*)(A...) noexcept> : Signature<R, A...> {};

template <auto handler>
using signature_of = SignatureOf<decltype(handler)>;

template <auto handler, std::size_t index>
using parameter_of =
    std::remove_cvref_t<std::tuple_element_t<index, typename signature_of<handler>::parameters>>;

template <class V>
inline constexpr bool is_result = false;
template <class V, class E>
inline constexpr bool is_result<Result<V, E>> = true;

// --- Conversions by type ---------------------------------------------------

template <class A>
Outcome<A> python_argument(PyObject* object) {
    if constexpr (std::is_same_v<A, std::string_view>) {
        return text_argument(object);
    } else if constexpr (std::is_same_v<A, double>) {
        return float_argument(object);
    } else {
        static_assert(!sizeof(A), "no conversion from Python for this parameter type");
    }
}

template <class R>
Outcome<Ref> python_result(R&& result) {
    using V = std::remove_cvref_t<R>;
    if constexpr (is_result<V>) {
        if (!result) {
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(result.error())>,
                                         PendingError>) {
                return Err{std::forward<R>(result).error()};
            } else {
                return Err{
                    PythonError<std::remove_cvref_t<decltype(result.error())>>::of(result.error())};
            }
        }
        return python_result(std::forward<R>(result).value());
    } else if constexpr (std::is_same_v<V, Ref>) {
        return std::forward<R>(result);
    } else if constexpr (std::is_same_v<V, bool>) {
        return bool_result(result);
    } else if constexpr (std::is_same_v<V, double>) {
        return float_result(result);
    } else if constexpr (std::is_convertible_v<const V&, std::string_view>) {
        return text_result(result);
    } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
        return text_list_result(result);
    } else if constexpr (wrapped_class<V>) {
        return instance_result(std::forward<R>(result));
    } else {
        static_assert(!sizeof(V), "no conversion to Python for this result type");
    }
}

// --- Invokers ----------------------------------------------------------------

// Converts the arguments from `index` on, in order, then calls the handler
// with what came before (`converted`) and them. `first` is the handler's
// parameter that takes the first argument: 1 after a method's `self`.
template <auto handler, std::size_t first, std::size_t index = 0, class... Converted>
Outcome<Ref> convert_and_call(Arguments arguments, const Parameters& names,
                              Converted&&... converted) {
    if constexpr (first + index == signature_of<handler>::arity) {
        return python_result(handler(std::forward<Converted>(converted)...));
    } else {
        auto argument = python_argument<parameter_of<handler, first + index>>(arguments[index]);
        if (!argument) {
            return Err{argument_error(names[index], std::move(argument).error())};
        }
        return convert_and_call<handler, first, index + 1>(
            arguments, names, std::forward<Converted>(converted)..., std::move(argument).value());
    }
}

template <auto handler>
Outcome<Ref> invoke_function(PyObject*, Arguments arguments, const Parameters& names) {
    return convert_and_call<handler, 0>(arguments, names);
}

// `self` is borrowed before any argument is converted.
template <auto handler>
Outcome<Ref> invoke_method(PyObject* self, Arguments arguments, const Parameters& names) {
    auto borrowed = borrow_self<parameter_of<handler, 0>>(self);
    if (!borrowed) {
        return Err{std::move(borrowed).error()};
    }
    return convert_and_call<handler, 1>(arguments, names, *borrowed.value());
}

// --- Row makers --------------------------------------------------------------

template <std::size_t count>
constexpr Parameters parameter_list(const char* const (&names)[count]) {
    static_assert(count <= max_parameters, "raise max_parameters for this callable");
    Parameters parameters{};
    for (std::size_t i = 0; i < count; ++i) {
        parameters[i] = names[i];
    }
    return parameters;
}

// A row's parameters against its handler's: `self` first for a method,
// then one handler parameter per row parameter.
template <auto handler, std::size_t takes_self, std::size_t parameters>
consteval void check_arity() {
    using signature = signature_of<handler>;
    static_assert(signature::arity == takes_self + parameters,
                  "the row's parameters and the handler's differ in number");
    if constexpr (takes_self == 1) {
        static_assert(std::is_same_v<std::tuple_element_t<0, typename signature::parameters>,
                                     const parameter_of<handler, 0>&>,
                      "a method's handler takes `const T&` of its class's core type first");
    }
}

template <auto handler>
consteval Callable function(const char* name, const char* doc) {
    check_arity<handler, 0, 0>();
    return {nullptr, name, Binding::function, {}, doc, invoke_function<handler>};
}

template <auto handler, std::size_t count>
consteval Callable function(const char* name, const char* const (&parameters)[count],
                            const char* doc) {
    check_arity<handler, 0, count>();
    return {nullptr,
            name,
            Binding::function,
            parameter_list(parameters),
            doc,
            invoke_function<handler>};
}

template <auto handler>
consteval Callable method(const char* owner, const char* name, const char* doc) {
    check_arity<handler, 1, 0>();
    return {owner, name, Binding::method, {}, doc, invoke_method<handler>};
}

template <auto handler, std::size_t count>
consteval Callable method(const char* owner, const char* name,
                          const char* const (&parameters)[count], const char* doc) {
    check_arity<handler, 1, count>();
    return {owner, name, Binding::method, parameter_list(parameters), doc, invoke_method<handler>};
}

// A static method takes no arguments.
template <auto handler>
consteval Callable static_method(const char* owner, const char* name, const char* doc) {
    check_arity<handler, 0, 0>();
    return {owner, name, Binding::static_method, {}, doc, invoke_function<handler>};
}

}  // namespace quorra::py

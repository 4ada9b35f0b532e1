#pragma once
// The rows that declare what the interpreter can call. A module function or
// method is one Callable row: its name, how it is bound, its parameters, the
// body of its docstring and its handler. Everything the interpreter and the
// parser are told about it comes from that row: the stored docstring with its
// text signature, the PyMethodDef flags, the ParamSpec its arguments are
// parsed against, and, through the order of the row in its table, its place
// in the registration and in __all__.
//
// The interpreter calls a function of the boundary's own for each row (its
// entry), which runs the guard, parses the arguments against the row and then
// calls the handler. An entry is a template over the table and the row's
// index, so that one C function exists per row without the row naming it.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <utility>

#include "pyfacade/boundary/call_guard.hpp"
#include "pyfacade/boundary/param_parser.hpp"

namespace quorra::py {

// The arguments of a call after parsing: one borrowed object per parameter.
using Arguments = std::span<PyObject* const>;

// No callable of the module takes more parameters.
inline constexpr std::size_t max_parameters = 2;

// Parameter names; the first unset one ends the list.
using Parameters = std::array<const char*, max_parameters>;

enum class Binding { function, method, static_method };

struct Callable {
    const char* owner;  // the class's name; null for a module function
    const char* name;
    Binding binding;
    Parameters parameters;
    const char* doc;  // the docstring after its text signature
    // The handler. A callable with no parameters has the first, and the
    // interpreter itself refuses any argument; the others have the second
    // (the row makers pair them so).
    Outcome<Ref> (*without_arguments)(PyObject* self);
    Outcome<Ref> (*with_arguments)(PyObject* self, Arguments arguments);

    constexpr std::size_t parameter_count() const {
        std::size_t count = 0;
        while (count < parameters.size() && parameters[count] != nullptr) {
            ++count;
        }
        return count;
    }

    // Every parameter is positional-or-keyword and required.
    constexpr ParamSpec param_spec() const {
        return {owner, name, {parameters.data(), parameter_count()}, parameter_count()};
    }

    constexpr int flags() const {
        const int convention = parameter_count() > 0 ? METH_FASTCALL | METH_KEYWORDS : METH_NOARGS;
        return binding == Binding::static_method ? convention | METH_STATIC : convention;
    }

    // "name($self, a, b)\n--\n\n<doc>": the interpreter derives
    // __text_signature__ from the part before "--" and __doc__ from the rest.
    std::string docstring() const;
};

// --- Rows ------------------------------------------------------------------

constexpr Callable function(const char* name, Outcome<Ref> (*handler)(PyObject*), const char* doc) {
    return {nullptr, name, Binding::function, {}, doc, handler, nullptr};
}

constexpr Callable function(const char* name, Parameters parameters,
                            Outcome<Ref> (*handler)(PyObject*, Arguments), const char* doc) {
    return {nullptr, name, Binding::function, parameters, doc, nullptr, handler};
}

constexpr Callable method(const char* owner, const char* name, Outcome<Ref> (*handler)(PyObject*),
                          const char* doc) {
    return {owner, name, Binding::method, {}, doc, handler, nullptr};
}

constexpr Callable method(const char* owner, const char* name, Parameters parameters,
                          Outcome<Ref> (*handler)(PyObject*, Arguments), const char* doc) {
    return {owner, name, Binding::method, parameters, doc, nullptr, handler};
}

// A static method takes no arguments; `self` is null.
constexpr Callable static_method(const char* owner, const char* name,
                                 Outcome<Ref> (*handler)(PyObject*), const char* doc) {
    return {owner, name, Binding::static_method, {}, doc, handler, nullptr};
}

// --- Entries ---------------------------------------------------------------

template <const auto& rows, std::size_t index>
PyObject* call_without_arguments(PyObject* self, PyObject*) {
    return guard_object([self] { return rows[index].without_arguments(self); });
}

template <const auto& rows, std::size_t index>
PyObject* call_with_arguments(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
    static constexpr ParamSpec spec = rows[index].param_spec();
    return guard_object([&]() -> Outcome<Ref> {
        std::array<PyObject*, max_parameters> slots{};
        const std::span<PyObject*> arguments(slots.data(), spec.positional_names.size());
        auto parsed = parse_fastcall(spec, args, nargs, kwnames, arguments);
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        return rows[index].with_arguments(self, arguments);
    });
}

template <const auto& rows, std::size_t index>
constexpr PyCFunction entry_of() {
    // Chosen by the parameters, not by comparing the handler with null: a
    // function's address is no constant expression in a sanitizer build.
    if constexpr (rows[index].parameter_count() > 0) {
        // The interpreter casts the function back according to the flags.
        return reinterpret_cast<PyCFunction>(
            reinterpret_cast<void (*)()>(call_with_arguments<rows, index>));
    } else {
        return call_without_arguments<rows, index>;
    }
}

// The PyMethodDef table of a table of rows, ending with a zeroed entry: made
// on first use and kept for the life of the process, since function and type
// objects point into it.
template <const auto& rows>
class MethodTable {
public:
    static PyMethodDef* definitions() {
        static MethodTable table(std::make_index_sequence<rows.size()>{});
        return table.definitions_.data();
    }

private:
    template <std::size_t... index>
    explicit MethodTable(std::index_sequence<index...>)
        : docs_{rows[index].docstring()...},
          definitions_{PyMethodDef{rows[index].name, entry_of<rows, index>(), rows[index].flags(),
                                   docs_[index].c_str()}...,
                       PyMethodDef{nullptr, nullptr, 0, nullptr}} {}

    std::array<std::string, rows.size()> docs_;
    std::array<PyMethodDef, rows.size() + 1> definitions_;
};

}  // namespace quorra::py

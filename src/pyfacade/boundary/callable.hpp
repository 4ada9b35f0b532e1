#pragma once
// The rows that declare what the interpreter can call. A module function or
// method is one Callable row: its name, how it is bound, its parameters, the
// body of its docstring and how its handler is invoked. Everything the
// interpreter and the parser are told about it comes from that row: the
// stored docstring with its text signature, the PyMethodDef flags, the
// ParamSpec its arguments are parsed against, and, through the order of the
// row in its table, its place in the registration and in __all__.
//
// The interpreter calls a function of the boundary's own for each row (its
// entry), which runs the guard, parses the arguments against the row and then
// calls the row's invoker. An entry is a template over the table and the
// row's index, so that one C function exists per row without the row naming
// it. Rows are made from typed handlers by the makers of typed_handler.hpp,
// which derive the invoker from the handler's signature.

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
    // Borrows `self` (for a method), converts the parsed arguments, calls the
    // handler and converts its result; a failed conversion is named after
    // the row's parameter. A callable with no parameters gets no arguments:
    // the interpreter itself refuses any.
    Outcome<Ref> (*invoke)(PyObject* self, Arguments arguments, const Parameters& names);

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

// --- Entries ---------------------------------------------------------------

template <const auto& rows, std::size_t index>
PyObject* call_without_arguments(PyObject* self, PyObject*) {
    return guard_object([self] { return rows[index].invoke(self, {}, rows[index].parameters); });
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
        return rows[index].invoke(self, arguments, rows[index].parameters);
    });
}

template <const auto& rows, std::size_t index>
constexpr PyCFunction entry_of() {
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

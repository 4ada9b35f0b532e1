#pragma once
// The module's classes: one ClassRow each, and their type objects, each
// created once on first request and kept until the process ends.

#include <string>

#include "pyfacade/boundary/call_guard.hpp"
#include "pyfacade/boundary/param_parser.hpp"

namespace quorra::py {

// What the process keeps of a class: its type object once created, and the
// qualified name "builtins.<name>" that the type points into. Both are made
// once and live until the process ends.
struct ClassState {
    PyObject* type = nullptr;
    const std::string* qualified_name = nullptr;
};

struct ClassRow {
    const char* name;
    const char* text_signature;  // e.g. "()"; null for none
    const char* doc;
    const char* made_by;  // how a program makes an instance, for messages
    int basic_size;
    destructor dealloc;
    PyMethodDef* (*methods)();  // MethodTable<...>::definitions
    // The constructor's body, after its arguments are parsed (it takes none);
    // null: the class refuses construction.
    Outcome<Ref> (*construct)(PyTypeObject* type) = nullptr;
    // The length slot's body; null: no __len__.
    Outcome<Py_ssize_t> (*length)(PyObject* self) = nullptr;

    // Set by class_row: what the interpreter calls, and the class's state.
    newfunc new_slot = nullptr;
    lenfunc length_slot = nullptr;
    ClassState* state = nullptr;
};

template <const ClassRow& row>
PyObject* construct_entry(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guard_object([&]() -> Outcome<Ref> {
        const ParamSpec spec{row.name, "__new__", {}, 0};
        auto parsed = parse_tuple_and_dict(spec, args, kwargs, {});
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        return row.construct(type);
    });
}

template <const ClassRow& row>
Py_ssize_t length_entry(PyObject* self) {
    return guard_length([self] { return row.length(self); });
}

// Constant-initialised, so reading it needs no guard.
template <const ClassRow& row>
constinit inline ClassState class_state{};

// Completes the row `row` is initialised with:
//   constexpr ClassRow my_class = class_row<my_class>({...});
template <const ClassRow& row>
constexpr ClassRow class_row(ClassRow description) {
    if (description.construct != nullptr) {
        description.new_slot = construct_entry<row>;
    }
    if (description.length != nullptr) {
        description.length_slot = length_entry<row>;
    }
    description.state = &class_state<row>;
    return description;
}

// The type object (borrowed), created on the first request. A failure is a
// RuntimeError "An error occurred while initializing class <name>" with the
// cause chained.
Outcome<PyObject*> type_object(const ClassRow& row);

// The same during a call: a failure there is printed and becomes the fault
// "failed to create type object for <name>". Inline, since every method
// call asks for its class's type.
PyObject* create_type_object_for_call(const ClassRow& row);

inline PyObject* type_object_for_call(const ClassRow& row) {
    PyObject* type = row.state->type;
    return type != nullptr ? type : create_type_object_for_call(row);
}

// TypeError for an instance whose value was never constructed, made past
// the class's constructor: "<name> object was not made by <made_by> and
// holds no value".
PendingError uninitialised_instance(const ClassRow& row);

}  // namespace quorra::py

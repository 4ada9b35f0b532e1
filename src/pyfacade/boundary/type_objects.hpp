#pragma once
// The type objects of the module's classes: each class is described by one
// ClassRow (made by class_row_of<T>, python_class.hpp), and its type object
// is created once, on first request, and kept until the process ends.

#include <string>

#include "pyfacade/boundary/pending_error.hpp"

namespace quorra::py {

// What the process keeps of a class: its type object once created, and the
// qualified name "builtins.<name>" that the type points into.
struct ClassState {
    PyObject* type = nullptr;
    // A pointer to a string that is never destroyed: the type object keeps
    // pointing into it, and the type lives as long as anything refers to it,
    // which may be past the destructors of static objects at process exit.
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
    newfunc new_slot;           // null: the class refuses construction
    lenfunc length_slot;        // null: no __len__
    ClassState* state;
};

// The type object (borrowed), created on the first request. A failure is a
// RuntimeError "An error occurred while initializing class <name>" with the
// cause chained, returned to the caller.
Outcome<PyObject*> type_object_or_error(const ClassRow& row);

// The same during a call, where a failure has no caller to go to: it is
// printed and becomes the fault "failed to create type object for <name>".
PyObject* create_type_object_or_fault(const ClassRow& row);

// Inline, since every method call asks for its class's type.
inline PyObject* type_object_or_fault(const ClassRow& row) {
    PyObject* type = row.state->type;
    return type != nullptr ? type : create_type_object_or_fault(row);
}

// TypeError for an instance whose value was never constructed, made past
// the class's constructor: "<name> object was not made by <made_by> and
// holds no value".
PendingError uninitialised_instance(const ClassRow& row);

}  // namespace quorra::py

#pragma once
// The module's classes: their static descriptions and their type objects,
// each created once on first request and kept until the process ends.

#include "pyfacade/pending_error.hpp"

namespace quorra::py {

enum class ClassId { FormulasRegistry, QuarkRegistry, CKMMatrix };

struct ClassSpec {
    const char* qualified_name;  // "builtins.<name>": static storage, the type points into it
    const char* name;
    const char* text_signature;  // e.g. "()"; null for none
    const char* doc;
    int basic_size;
    destructor dealloc;
    PyMethodDef* methods;  // static table, ends with a zeroed entry
    newfunc constructor;   // null: the class refuses construction
    lenfunc length;        // null: no __len__
    const char* made_by;   // how a program makes an instance, for messages
};

// The description of each class, defined beside its wrappers.
extern const ClassSpec formulas_registry_class;
extern const ClassSpec quark_registry_class;
extern const ClassSpec ckm_matrix_class;

// The type object (borrowed), created on the first request. A failure is a
// RuntimeError "An error occurred while initializing class <name>" with the
// cause chained.
Outcome<PyObject*> type_object(ClassId id);

// The same during a call: a failure there is printed and becomes the fault
// "failed to create type object for <name>".
PyObject* type_object_for_call(ClassId id);

const ClassSpec& class_spec(ClassId id) noexcept;

// TypeError for an instance whose value was never constructed, made past
// the class's constructor: "<name> object was not made by <made_by> and
// holds no value".
PendingError uninitialised_instance(const ClassSpec& spec);

}  // namespace quorra::py

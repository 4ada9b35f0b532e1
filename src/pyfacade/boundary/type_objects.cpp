#include "pyfacade/boundary/type_objects.hpp"

#include <string>

#include "pyfacade/boundary/call_guard.hpp"
#include "pyfacade/boundary/python_text.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

// The new-slot of a class without a constructor.
PyObject* refuse_construction(PyTypeObject* type, PyObject*, PyObject*) {
    return guard_object([type]() -> Outcome<Ref> {
        Ref name = Ref::steal(PyType_GetName(type));
        if (!name) {
            python_call([] { PyErr_Clear(); });
            name = Ref::steal(PyUnicode_FromString("<unknown>"));
        }
        if (!name) {
            return Err{PendingError::fetch()};
        }
        Ref message = Ref::steal(PyUnicode_FromFormat("No constructor defined for %U", name.get()));
        if (!message) {
            return Err{PendingError::fetch()};
        }
        return Err{PendingError::lazy(PyExc_TypeError, std::move(message))};
    });
}

// "<name><signature>\n--\n\n<doc>", from which the interpreter derives
// __text_signature__ and __doc__.
std::string stored_doc(const ClassRow& row) {
    std::string doc;
    if (row.text_signature != nullptr) {
        doc.append(row.name).append(row.text_signature).append("\n--\n\n");
    }
    doc.append(row.doc);
    return doc;
}

// A RuntimeError naming the class, caused by the interpreter's pending error.
PendingError initialisation_error(const ClassRow& row) {
    PendingError cause = PendingError::fetch();
    Ref message =
        Ref::steal(PyUnicode_FromFormat("An error occurred while initializing class %s", row.name));
    if (!message) {
        return PendingError::fetch();
    }
    Ref error = new_exception(PyExc_RuntimeError, message.get());
    if (!error) {
        return PendingError::fetch();
    }
    python_call([&] { PyException_SetCause(error.get(), cause.value().release()); });
    return PendingError::instance(std::move(error));
}

Outcome<PyObject*> create_type(const ClassRow& row, const char* qualified_name) {
    const std::string doc = stored_doc(row);
    if (doc.find('\0') != std::string::npos) {
        PyErr_SetString(PyExc_ValueError, "class doc cannot contain nul bytes");
        return Err{initialisation_error(row)};
    }
    // The list ends at the first zeroed slot, so a class without a length
    // slot ends one earlier.
    PyType_Slot slots[] = {
        {Py_tp_base, &PyBaseObject_Type},
        {Py_tp_doc, const_cast<char*>(doc.c_str())},
        {Py_tp_dealloc, reinterpret_cast<void*>(row.dealloc)},
        {Py_tp_methods, row.methods()},
        {Py_tp_new,
         reinterpret_cast<void*>(row.new_slot != nullptr ? row.new_slot : refuse_construction)},
        row.length_slot != nullptr
            ? PyType_Slot{Py_mp_length, reinterpret_cast<void*>(row.length_slot)}
            : PyType_Slot{0, nullptr},
        {0, nullptr},
    };
    PyType_Spec type_spec = {qualified_name, row.basic_size, 0, Py_TPFLAGS_DEFAULT, slots};
    PyObject* type = python_call([&] { return PyType_FromSpec(&type_spec); });
    if (type == nullptr) {
        return Err{initialisation_error(row)};
    }
    return type;
}

}  // namespace

Outcome<PyObject*> type_object_or_error(const ClassRow& row) {
    ClassState& state = *row.state;
    if (state.type == nullptr) {
        if (state.qualified_name == nullptr) {
            state.qualified_name = new std::string(std::string("builtins.") + row.name);
        }
        auto created = create_type(row, state.qualified_name->c_str());
        if (!created) {
            return created;
        }
        state.type = created.value();
    }
    return state.type;
}

PendingError uninitialised_instance(const ClassRow& row) {
    return PendingError::message(
        PyExc_TypeError,
        std::string(row.name) + " object was not made by " + row.made_by + " and holds no value");
}

PyObject* create_type_object_or_fault(const ClassRow& row) {
    auto created = type_object_or_error(row);
    if (!created) {
        std::move(created.error()).raise();
        print_pending_error();
        fault(std::string("failed to create type object for ") + row.name);
    }
    return created.value();
}

}  // namespace quorra::py

#include "pyfacade/class_registry.hpp"

#include <array>
#include <string>

#include "pyfacade/call_guard.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

constexpr std::size_t class_count = 3;

std::array<PyObject*, class_count> type_objects{};

std::size_t index_of(ClassId id) noexcept { return static_cast<std::size_t>(id); }

// The new-slot of a class without a constructor.
PyObject* refuse_construction(PyTypeObject* type, PyObject*, PyObject*) {
    return guard_object([type]() -> Outcome<Ref> {
        Ref name = Ref::steal(PyType_GetName(type));
        if (!name) {
            PyErr_Clear();
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
std::string stored_doc(const ClassSpec& spec) {
    std::string doc;
    if (spec.text_signature != nullptr) {
        doc.append(spec.name).append(spec.text_signature).append("\n--\n\n");
    }
    doc.append(spec.doc);
    return doc;
}

// A RuntimeError naming the class, caused by the interpreter's pending error.
PendingError initialisation_error(const ClassSpec& spec) {
    PendingError cause = PendingError::fetch();
    Ref message = Ref::steal(
        PyUnicode_FromFormat("An error occurred while initializing class %s", spec.name));
    if (!message) {
        return PendingError::fetch();
    }
    Ref error = new_exception(PyExc_RuntimeError, message.get());
    if (!error) {
        return PendingError::fetch();
    }
    PyException_SetCause(error.get(), cause.value().release());
    return PendingError::instance(std::move(error));
}

Outcome<PyObject*> create_type(const ClassSpec& spec) {
    const std::string doc = stored_doc(spec);
    if (doc.find('\0') != std::string::npos) {
        PyErr_SetString(PyExc_ValueError, "class doc cannot contain nul bytes");
        return Err{initialisation_error(spec)};
    }
    PyType_Slot slots[8] = {};
    std::size_t n = 0;
    slots[n++] = {Py_tp_base, &PyBaseObject_Type};
    slots[n++] = {Py_tp_doc, const_cast<char*>(doc.c_str())};
    slots[n++] = {Py_tp_dealloc, reinterpret_cast<void*>(spec.dealloc)};
    slots[n++] = {Py_tp_methods, spec.methods};
    slots[n++] = {Py_tp_new, reinterpret_cast<void*>(spec.constructor != nullptr
                                                         ? spec.constructor
                                                         : refuse_construction)};
    if (spec.length != nullptr) {
        slots[n++] = {Py_mp_length, reinterpret_cast<void*>(spec.length)};
    }
    PyType_Spec type_spec = {spec.qualified_name, spec.basic_size, 0, Py_TPFLAGS_DEFAULT, slots};
    PyObject* type = python_call([&] { return PyType_FromSpec(&type_spec); });
    if (type == nullptr) {
        return Err{initialisation_error(spec)};
    }
    return type;
}

}  // namespace

const ClassSpec& class_spec(ClassId id) noexcept {
    switch (id) {
        case ClassId::FormulasRegistry:
            return formulas_registry_class;
        case ClassId::QuarkRegistry:
            return quark_registry_class;
        case ClassId::CKMMatrix:
            break;
    }
    return ckm_matrix_class;
}

Outcome<PyObject*> type_object(ClassId id) {
    PyObject*& cached = type_objects[index_of(id)];
    if (cached == nullptr) {
        auto created = create_type(class_spec(id));
        if (!created) {
            return created;
        }
        cached = created.value();
    }
    return cached;
}

PendingError uninitialised_instance(const ClassSpec& spec) {
    return PendingError::message(PyExc_TypeError, std::string(spec.name) + " object was not made by " +
                                                      spec.made_by + " and holds no value");
}

PyObject* type_object_for_call(ClassId id) {
    PyObject* cached = type_objects[index_of(id)];
    if (cached != nullptr) {
        return cached;
    }
    auto created = type_object(id);
    if (!created) {
        std::move(created.error()).raise();
        PyErr_Print();
        fault(std::string("failed to create type object for ") + class_spec(id).name);
    }
    return created.value();
}

}  // namespace quorra::py

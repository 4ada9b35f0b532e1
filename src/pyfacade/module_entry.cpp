// PyInit__quorra_core: the module's single entry point, its process-wide
// record, and the registration of its classes, functions and __version__.

#include <atomic>
#include <cstdint>

#include "pyfacade/boundary/call_guard.hpp"
#include "pyfacade/boundary/conversions.hpp"
#include "pyfacade/boundary/type_names.hpp"
#include "pyfacade/module_table.hpp"
#include "pyfacade/version.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

// One per process. The module is bound to the first interpreter that runs
// the entry point and is built once; later imports there get the same object.
//
// The record outlives that interpreter. A program that embeds Python can
// finalize it and initialise a new one, which gets the same ID again; the
// cached module, its types and PanicException died with the first, and the
// module's process-wide state cannot be built a second time. So the end of
// the first interpreter is noted, and every later initialisation refused.
struct ModuleRecord {
    std::atomic<std::int64_t> interpreter_id{-1};
    PyObject* cached_module = nullptr;
    bool exit_noted = false;
    std::atomic<bool> interpreter_finalized{false};
};

ModuleRecord module_record;

// Run by Py_FinalizeEx once the interpreter is gone: it touches nothing of it.
void note_interpreter_finalized() {
    module_record.cached_module = nullptr;
    module_record.interpreter_finalized.store(true);
}

// Whether the cached module has been through a finalization that nobody
// noted, for when the exit function could not be registered (Py_AtExit's
// table holds 32 functions, and an embedding program may have filled it).
// Finalization clears the dictionary of every module still alive: its values
// become None, or its entries go. Only then does a module lose its __name__,
// which the import system set and a program has no reason to take away. The
// cached module itself is still ours, since the record holds a reference.
bool finalized_unnoticed(PyObject* cached_module) {
    if (module_record.exit_noted) {
        return false;
    }
    PyObject* dict = PyModule_GetDict(cached_module);
    PyObject* name = dict != nullptr ? PyDict_GetItemString(dict, "__name__") : nullptr;
    return name == nullptr || name == Py_None;
}

// The C API version the module is built for: the interpreter warns on a mismatch.
constexpr int module_api_version = 1013;

PyModuleDef module_definition = {
    .m_base = PyModuleDef_HEAD_INIT,
    .m_name = "_quorra_core",
    .m_doc = "PyO3 module entry point. Wired as `veltrane._quorra_core`.",
    .m_size = 0,
    .m_methods = nullptr,
    .m_slots = nullptr,
    .m_traverse = nullptr,
    .m_clear = nullptr,
    .m_free = nullptr,
};

constexpr const char* reinitialisation_refusal =
    "_quorra_core cannot be initialised again in this process: the interpreter that "
    "first imported it has been finalized";

constexpr const char* subinterpreter_refusal =
    "PyO3 modules do not yet support subinterpreters, see "
    "https://docs.python.org/3/c-api/init.html#sub-interpreter-support";

// The module's __all__, created empty if the module has none yet.
Outcome<Ref> all_list(PyObject* module) {
    Ref all =
        Ref::steal(python_call([module] { return PyObject_GetAttrString(module, "__all__"); }));
    if (all) {
        if (!PyList_Check(all.get())) {
            return Err{cannot_convert(all.get(), "PyList")};
        }
        return all;
    }
    PendingError error = PendingError::fetch();
    if (!PyErr_GivenExceptionMatches(error.type(), PyExc_AttributeError)) {
        return Err{std::move(error)};
    }
    all = checked(python_call([] { return PyList_New(0); }));
    if (python_call([&] { return PyObject_SetAttrString(module, "__all__", all.get()); }) != 0) {
        return Err{PendingError::fetch()};
    }
    return all;
}

// Appends the name to __all__, then sets the attribute.
Outcome<Done> add_attribute(PyObject* module, PyObject* name, PyObject* value) {
    auto all = all_list(module);
    if (!all) {
        return Err{std::move(all).error()};
    }
    if (PyList_Append(all.value().get(), name) != 0) {
        PendingError error = PendingError::fetch();
        fault("could not append __name__ to __all__: " + error_text(error));
    }
    if (python_call([=] { return PyObject_SetAttr(module, name, value); }) != 0) {
        return Err{PendingError::fetch()};
    }
    return Done{};
}

Outcome<Done> add_class(PyObject* module, const ClassRow& row) {
    auto type = type_object_or_error(row);
    if (!type) {
        return Err{std::move(type).error()};
    }
    Ref name = checked(PyUnicode_FromString(row.name));
    return add_attribute(module, name.get(), type.value());
}

Outcome<Done> add_function(PyObject* module, PyMethodDef* definition) {
    Ref module_name = Ref::steal(PyModule_GetNameObject(module));
    if (!module_name) {
        return Err{PendingError::fetch()};
    }
    Ref function = Ref::steal(
        python_call([&] { return PyCMethod_New(definition, module, module_name.get(), nullptr); }));
    if (!function) {
        return Err{PendingError::fetch()};
    }
    Ref name =
        Ref::steal(python_call([&] { return PyObject_GetAttrString(function.get(), "__name__"); }));
    if (!name) {
        return Err{PendingError::fetch()};
    }
    if (!PyUnicode_Check(name.get())) {
        return Err{cannot_convert(name.get(), "PyString")};
    }
    return add_attribute(module, name.get(), function.get());
}

Outcome<Done> add_version(PyObject* module) {
    Ref name = checked(PyUnicode_FromString("__version__"));
    Ref version = checked(PyUnicode_FromString(version_text));
    return add_attribute(module, name.get(), version.get());
}

// Adds everything in order; the first failure stops it, and nothing added
// before is undone.
Outcome<Done> register_module(PyObject* module) {
    for (const ModuleRows* rows : module_rows) {
        for (const ClassRow* row : rows->classes) {
            auto added = add_class(module, *row);
            if (!added) {
                return added;
            }
        }
    }
    for (const ModuleRows* rows : module_rows) {
        for (PyMethodDef* definition = rows->functions(); definition->ml_name != nullptr;
             ++definition) {
            auto added = add_function(module, definition);
            if (!added) {
                return added;
            }
        }
    }
    return add_version(module);
}

Outcome<Ref> initialise() {
    const std::int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (id == -1) {
        return Err{PendingError::fetch()};
    }
    if (module_record.interpreter_finalized.load()) {
        return Err{PendingError::message(PyExc_ImportError, reinitialisation_refusal)};
    }
    std::int64_t bound = -1;
    if (!module_record.interpreter_id.compare_exchange_strong(bound, id) && bound != id) {
        return Err{PendingError::message(PyExc_ImportError, subinterpreter_refusal)};
    }
    if (module_record.cached_module != nullptr) {
        if (finalized_unnoticed(module_record.cached_module)) {
            note_interpreter_finalized();
            return Err{PendingError::message(PyExc_ImportError, reinitialisation_refusal)};
        }
        return Ref::borrow(module_record.cached_module);
    }
    // Py_AtExit fails only when its table of 32 functions is full; the cached
    // module's dictionary then tells a restarted interpreter instead.
    if (!module_record.exit_noted) {
        module_record.exit_noted = Py_AtExit(note_interpreter_finalized) == 0;
    }
    Ref module = Ref::steal(
        python_call([] { return PyModule_Create2(&module_definition, module_api_version); }));
    if (!module) {
        return Err{PendingError::fetch()};
    }
    auto registered = register_module(module.get());
    if (!registered) {
        return Err{std::move(registered).error()};
    }
    if (module_record.cached_module == nullptr) {
        module_record.cached_module = Ref(module).release();
    }
    return Ref::borrow(module_record.cached_module);
}

}  // namespace
}  // namespace quorra::py

PyMODINIT_FUNC PyInit__quorra_core() { return quorra::py::guard_object(quorra::py::initialise); }

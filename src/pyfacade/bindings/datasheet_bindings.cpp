// py_get_constant: one constant's datasheet, written as JSON text and parsed
// by the interpreter's own json module.

#include "datasheet/datasheet.hpp"
#include "formulas/registry.hpp"
#include "pyfacade/bindings/module_rows.hpp"
#include "pyfacade/bindings/registry_errors.hpp"
#include "pyfacade/boundary/typed_handler.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

// Interned names, made once: "json" and "loads".
PyObject* interned(PyObject*& slot, const char* text) {
    if (slot == nullptr) {
        slot = checked(PyUnicode_InternFromString(text)).release();
    }
    return slot;
}

PyObject* json_name = nullptr;
PyObject* loads_name = nullptr;

Outcome<Ref> get_constant(std::string_view name) {
    if (name.empty()) {
        fault("py_get_constant: name must be non-empty");
    }
    const formulas::FormulasRegistry registry = formulas::FormulasRegistry::with_builtins();
    auto entry = registry.lookup(name);
    if (!entry) {
        return Err{PythonError<formulas::RegistryError>::of(entry.error())};
    }
    Ref text = text_result(datasheet::datasheet_json(entry.value()));

    // The json module is imported by name on every call, so a replaced
    // sys.modules["json"] or __import__ takes effect at once.
    Ref json = Ref::steal(python_call([] { return PyImport_Import(interned(json_name, "json")); }));
    if (!json) {
        return Err{PendingError::fetch()};
    }
    PyObject* call_args[] = {json.get(), text.get()};
    Ref parsed_sheet = Ref::steal(python_call([&] {
        return PyObject_VectorcallMethod(interned(loads_name, "loads"), call_args,
                                         2 | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr);
    }));
    if (!parsed_sheet) {
        return Err{PendingError::fetch()};
    }
    return parsed_sheet;
}

constexpr std::array functions{
    function<get_constant>(
        "py_get_constant", {"name"},
        "Native-accelerated twin of `veltrane.Get` for the constants branch.\n\n"
        "Returns a JSON-serialised dict with `name`, `value`, `units`,\n"
        "`uncertainty`, and `status` fields \xe2\x80\x94 matching the Python constant\n"
        "datasheet schema so callers don't need to branch.\n\n"
        "Raises `PyKeyError` when `name` is not in the registry."),
};

}  // namespace

const ModuleRows datasheet_rows{{}, MethodTable<functions>::definitions};

}  // namespace quorra::py

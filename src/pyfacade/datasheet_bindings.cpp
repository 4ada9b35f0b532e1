// py_get_constant: one constant's datasheet, written as JSON text and parsed
// by the interpreter's own json module.

#include "datasheet/datasheet.hpp"
#include "formulas/registry.hpp"
#include "pyfacade/call_guard.hpp"
#include "pyfacade/conversions.hpp"
#include "pyfacade/formulas_errors.hpp"
#include "pyfacade/module_functions.hpp"
#include "pyfacade/param_spec.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

constexpr const char* get_constant_names[] = {"name"};
constexpr ParamSpec get_constant_spec{nullptr, "py_get_constant", get_constant_names, 1};

// Interned names, made once: "json" and "loads".
PyObject* interned(PyObject*& slot, const char* text) {
    if (slot == nullptr) {
        slot = checked(PyUnicode_InternFromString(text)).release();
    }
    return slot;
}

PyObject* json_name = nullptr;
PyObject* loads_name = nullptr;

PyObject* py_get_constant(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guard_object([&]() -> Outcome<Ref> {
        PyObject* slots[1] = {};
        auto parsed = parse_fastcall(get_constant_spec, args, nargs, kwnames, slots);
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        auto name = text_argument(slots[0]);
        if (!name) {
            return Err{argument_error("name", std::move(name).error())};
        }
        if (name.value().empty()) {
            fault("py_get_constant: name must be non-empty");
        }
        const formulas::FormulasRegistry registry = formulas::FormulasRegistry::with_builtins();
        auto entry = registry.lookup(name.value());
        if (!entry) {
            return Err{key_error(entry.error())};
        }
        Ref text = text_result(datasheet::datasheet_json(entry.value()));

        // The json module is imported by name on every call, so a replaced
        // sys.modules["json"] or __import__ takes effect at once.
        Ref json = Ref::steal(
            python_call([] { return PyImport_Import(interned(json_name, "json")); }));
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
    });
}

}  // namespace

PyMethodDef py_get_constant_def = {
    "py_get_constant",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_get_constant)),
    METH_FASTCALL | METH_KEYWORDS,
    "py_get_constant(name)\n--\n\nNative-accelerated twin of `veltrane.Get` for the constants "
    "branch.\n\nReturns a JSON-serialised dict with `name`, `value`, `units`,\n`uncertainty`, "
    "and `status` fields \xe2\x80\x94 matching the Python constant\ndatasheet schema so callers "
    "don't need to branch.\n\nRaises `PyKeyError` when `name` is not in the registry."};

}  // namespace quorra::py

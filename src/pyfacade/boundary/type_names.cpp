#include "pyfacade/boundary/type_names.hpp"

#include "pyfacade/boundary/python_text.hpp"

namespace quorra::py {

Ref type_qualname(PyObject* object) {
    Ref name = Ref::steal(PyType_GetQualName(Py_TYPE(object)));
    if (!name) {
        PyErr_Clear();
        name = Ref::steal(PyUnicode_FromString("<failed to extract type name>"));
    }
    return name;
}

Ref display_text(PyObject* object) {
    Ref text = Ref::steal(python_call([object] { return PyObject_Str(object); }));
    if (text) {
        return text;
    }
    python_call([object] { PyErr_WriteUnraisable(object); });
    Ref type_name = Ref::steal(PyType_GetName(Py_TYPE(object)));
    if (!type_name) {
        PyErr_Clear();
        return Ref::steal(PyUnicode_FromString("<unprintable object>"));
    }
    return Ref::steal(PyUnicode_FromFormat("<unprintable %U object>", type_name.get()));
}

std::string error_text(PendingError& error) {
    std::string text;
    Ref exception = error.value();
    Ref shown = exception ? display_text(exception.get()) : Ref();
    if (!shown || !utf8_of(shown.get(), text)) {
        python_call([] { PyErr_Clear(); });
    }
    return text;
}

PendingError cannot_convert(PyObject* object, const char* target) {
    Ref type_name = type_qualname(object);
    if (!type_name) {
        return PendingError::fetch();
    }
    Ref message = Ref::steal(
        PyUnicode_FromFormat("'%U' object cannot be converted to '%s'", type_name.get(), target));
    if (!message) {
        return PendingError::fetch();
    }
    return PendingError::lazy(PyExc_TypeError, std::move(message));
}

}  // namespace quorra::py

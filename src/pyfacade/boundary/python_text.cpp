#include "pyfacade/boundary/python_text.hpp"

namespace quorra::py {

Ref new_exception(PyObject* type, PyObject* argument) {
    return Ref::steal(
        python_call([=] { return PyObject_CallFunctionObjArgs(type, argument, nullptr); }));
}

Ref text_object(std::string_view utf8) {
    return Ref::steal(
        PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "surrogatepass"));
}

bool utf8_of(PyObject* text, std::string& out) {
    Ref bytes = Ref::steal(PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass"));
    if (!bytes) {
        return false;
    }
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(bytes.get(), &data, &size) != 0) {
        return false;
    }
    out.assign(data, static_cast<std::size_t>(size));
    return true;
}

}  // namespace quorra::py

#include "pyfacade/boundary/param_parser.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pyfacade/boundary/type_names.hpp"

namespace quorra::py {
namespace {

// "Class.func()" for methods and constructors, "func()" for module functions.
std::string full_name(const ParamSpec& spec) {
    std::string name;
    if (spec.cls_name != nullptr) {
        name.append(spec.cls_name).push_back('.');
    }
    name.append(spec.func_name).append("()");
    return name;
}

PendingError type_error(Ref message) {
    if (!message) {
        return PendingError::fetch();
    }
    return PendingError::lazy(PyExc_TypeError, std::move(message));
}

PendingError too_many_positional(const ParamSpec& spec, Py_ssize_t given) {
    const auto n = static_cast<Py_ssize_t>(spec.positional_names.size());
    const auto r = static_cast<Py_ssize_t>(spec.required_positional);
    const char* verb = given == 1 ? "was" : "were";
    const std::string name = full_name(spec);
    if (r == n) {
        return type_error(Ref::steal(PyUnicode_FromFormat(
            "%s takes %zd positional arguments but %zd %s given", name.c_str(), n, given, verb)));
    }
    return type_error(Ref::steal(
        PyUnicode_FromFormat("%s takes from %zd to %zd positional arguments but %zd %s given",
                             name.c_str(), r, n, given, verb)));
}

PendingError unexpected_keyword(const ParamSpec& spec, PyObject* keyword) {
    Ref shown = display_text(keyword);
    if (!shown) {
        return PendingError::fetch();
    }
    return type_error(Ref::steal(PyUnicode_FromFormat("%s got an unexpected keyword argument '%U'",
                                                      full_name(spec).c_str(), shown.get())));
}

PendingError multiple_values(const ParamSpec& spec, const char* parameter) {
    return type_error(Ref::steal(PyUnicode_FromFormat("%s got multiple values for argument '%s'",
                                                      full_name(spec).c_str(), parameter)));
}

// 'a'; 'a' and 'b'; 'a', 'b', and 'c'.
std::string quoted_list(std::span<const char* const> names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            if (names.size() > 2) {
                list.push_back(',');
            }
            list.push_back(' ');
            if (i + 1 == names.size()) {
                list.append("and ");
            }
        }
        list.append("'").append(names[i]).append("'");
    }
    return list;
}

PendingError missing_required(const ParamSpec& spec, std::span<PyObject* const> slots) {
    std::vector<const char*> missing;
    for (std::size_t i = 0; i < spec.required_positional; ++i) {
        if (slots[i] == nullptr) {
            missing.push_back(spec.positional_names[i]);
        }
    }
    const std::string list = quoted_list(missing);
    return type_error(Ref::steal(
        PyUnicode_FromFormat("%s missing %zd required positional %s: %s", full_name(spec).c_str(),
                             static_cast<Py_ssize_t>(missing.size()),
                             missing.size() == 1 ? "argument" : "arguments", list.c_str())));
}

// Index of the parameter the keyword names, by exact byte equality; -1 if
// none, or if the keyword has no UTF-8 form.
Py_ssize_t parameter_index(const ParamSpec& spec, PyObject* keyword) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_Check(keyword) ? PyUnicode_AsUTF8AndSize(keyword, &size) : nullptr;
    if (utf8 == nullptr) {
        PyErr_Clear();
        return -1;
    }
    const std::string_view name(utf8, static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < spec.positional_names.size(); ++i) {
        if (name == spec.positional_names[i]) {
            return static_cast<Py_ssize_t>(i);
        }
    }
    return -1;
}

Outcome<Done> take_keyword(const ParamSpec& spec, PyObject* keyword, PyObject* value,
                           std::span<PyObject*> slots) {
    const Py_ssize_t index = parameter_index(spec, keyword);
    if (index < 0) {
        return Err{unexpected_keyword(spec, keyword)};
    }
    PyObject*& slot = slots[static_cast<std::size_t>(index)];
    if (slot != nullptr) {
        return Err{multiple_values(spec, spec.positional_names[static_cast<std::size_t>(index)])};
    }
    slot = value;
    return Done{};
}

Outcome<Done> take_positional(const ParamSpec& spec, Py_ssize_t count, std::span<PyObject*> slots,
                              auto&& positional_at) {
    const auto n = static_cast<Py_ssize_t>(spec.positional_names.size());
    for (Py_ssize_t i = 0; i < count && i < n; ++i) {
        slots[static_cast<std::size_t>(i)] = positional_at(i);
    }
    if (count > n) {
        return Err{too_many_positional(spec, count)};
    }
    return Done{};
}

Outcome<Done> check_required(const ParamSpec& spec, Py_ssize_t count,
                             std::span<PyObject* const> slots) {
    const auto r = static_cast<Py_ssize_t>(spec.required_positional);
    for (Py_ssize_t i = count; i < r; ++i) {
        if (slots[static_cast<std::size_t>(i)] == nullptr) {
            return Err{missing_required(spec, slots)};
        }
    }
    return Done{};
}

}  // namespace

Outcome<Done> parse_fastcall(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames, std::span<PyObject*> slots) {
    // The usual call, every parameter by position: nothing to check.
    if (kwnames == nullptr && nargs == static_cast<Py_ssize_t>(spec.positional_names.size())) {
        std::copy_n(args, nargs, slots.begin());
        return Done{};
    }
    auto positional = take_positional(spec, nargs, slots, [args](Py_ssize_t i) { return args[i]; });
    if (!positional) {
        return positional;
    }
    if (kwnames != nullptr) {
        const Py_ssize_t keywords = PyTuple_Size(kwnames);
        for (Py_ssize_t k = 0; k < keywords; ++k) {
            auto taken = take_keyword(spec, PyTuple_GetItem(kwnames, k), args[nargs + k], slots);
            if (!taken) {
                return taken;
            }
        }
    }
    return check_required(spec, nargs, slots);
}

Outcome<Done> parse_tuple_and_dict(const ParamSpec& spec, PyObject* args, PyObject* kwargs,
                                   std::span<PyObject*> slots) {
    const Py_ssize_t nargs = args != nullptr ? PyTuple_Size(args) : 0;
    auto positional = take_positional(spec, nargs, slots,
                                      [args](Py_ssize_t i) { return PyTuple_GetItem(args, i); });
    if (!positional) {
        return positional;
    }
    if (kwargs != nullptr) {
        Py_ssize_t position = 0;
        PyObject* keyword = nullptr;
        PyObject* value = nullptr;
        while (PyDict_Next(kwargs, &position, &keyword, &value)) {
            // A message may call the key's __str__, which can change the dict.
            Ref held = Ref::borrow(keyword);
            auto taken = take_keyword(spec, keyword, value, slots);
            if (!taken) {
                return taken;
            }
        }
    }
    return check_required(spec, nargs, slots);
}

}  // namespace quorra::py

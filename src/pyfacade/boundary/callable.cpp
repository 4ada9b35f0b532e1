#include "pyfacade/boundary/callable.hpp"

namespace quorra::py {

std::string Callable::docstring() const {
    std::string stored = std::string(name) + "(";
    const char* separator = "";
    if (binding == Binding::method) {
        stored += "$self";
        separator = ", ";
    }
    for (std::size_t i = 0; i < parameter_count(); ++i) {
        stored.append(separator).append(parameters[i]);
        separator = ", ";
    }
    return stored.append(")\n--\n\n").append(doc);
}

}  // namespace quorra::py

#include "pyfacade/boundary/ref.hpp"

#include <new>
#include <vector>

namespace quorra::py {
namespace {

// References dropped on this thread while an exception unwound.
std::vector<PyObject*>& deferred_references() noexcept {
    thread_local std::vector<PyObject*> references;
    return references;
}

}  // namespace

void defer_release(PyObject* object) noexcept {
    try {
        deferred_references().push_back(object);
    } catch (const std::bad_alloc&) {  // NOLINT(bugprone-empty-catch)
        // Leaked on purpose: releasing it here could run a finalizer while
        // the exception unwinds, the very thing this list avoids.
    }
}

void release_deferred_references() {
    std::vector<PyObject*>& references = deferred_references();
    // One at a time, from the list itself: a finalizer may re-enter the
    // module, whose guard then releases what is left, or end the thread, which
    // leaves the rest leaked.
    while (!references.empty()) {
        PyObject* object = references.back();
        references.pop_back();
        python_call([object] { Py_DECREF(object); });
    }
}

}  // namespace quorra::py

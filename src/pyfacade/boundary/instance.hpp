#pragma once
// Instances of the module's classes: the interpreter's object header, a
// borrow counter, and the wrapped core value, which the instance owns.
//
// The classes are mutable types, so a program can replace a class's __new__
// and make an instance with object.__new__, which allocates it (zeroed) but
// never constructs the value. Such an instance is marked by its zeroed flag:
// it refuses every operation, and its deallocation destroys nothing.

#include <new>
#include <type_traits>
#include <utility>

#include "pyfacade/boundary/pending_error.hpp"
#include "pyfacade/boundary/ref.hpp"

namespace quorra::py {

template <class T>
struct Instance {
    PyObject header;
    // 0 free, n > 0 shared borrows, -1 an exclusive borrow.
    Py_ssize_t borrow_count;
    // Set once `value` is constructed; an allocation leaves it false.
    bool initialised;
    T value;
};

template <class T>
Instance<T>* as_instance(PyObject* object) noexcept {
    return reinterpret_cast<Instance<T>*>(object);
}

// A shared borrow of an instance's value, with a strong reference to the
// instance; both are given back when it goes out of scope.
template <class T>
class SharedBorrow {
public:
    explicit SharedBorrow(PyObject* object) noexcept : owner_(Ref::borrow(object)) {
        ++as_instance<T>(object)->borrow_count;
    }
    SharedBorrow(SharedBorrow&& other) noexcept = default;
    SharedBorrow& operator=(SharedBorrow&&) = delete;
    // Without the interpreter lock the instance may be going away under
    // another thread, so the borrow is left as it is, like the reference.
    ~SharedBorrow() noexcept(false) {
        if (owner_ && !interpreter_lost()) {
            --as_instance<T>(owner_.get())->borrow_count;
        }
    }

    const T& operator*() const noexcept { return as_instance<T>(owner_.get())->value; }
    const T* operator->() const noexcept { return &**this; }

private:
    Ref owner_;
};

// A new instance of `type` owning `value`. If allocation fails, the value is
// dropped and the allocation's error returned.
template <class T>
Outcome<Ref> new_instance(PyObject* type, T&& value) {
    static_assert(!std::is_lvalue_reference_v<T>, "the instance takes the value over");
    static_assert(std::is_nothrow_move_constructible_v<T>);
    auto* type_object = reinterpret_cast<PyTypeObject*>(type);
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type_object, Py_tp_alloc));
    Ref object = Ref::steal((alloc != nullptr ? alloc : PyType_GenericAlloc)(type_object, 0));
    if (!object) {
        return Err{PendingError::fetch()};
    }
    Instance<T>* instance = as_instance<T>(object.get());
    instance->borrow_count = 0;
    new (&instance->value) T(std::forward<T>(value));
    instance->initialised = true;
    return object;
}

// The deallocator: drops the core value, if the instance has one, frees the
// object, and releases the reference every instance of a heap type holds on
// its type.
template <class T>
void dealloc_instance(PyObject* object) {
    Instance<T>* instance = as_instance<T>(object);
    if (instance->initialised) {
        instance->value.~T();
    }
    PyTypeObject* type = Py_TYPE(object);
    auto free_object = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free_object(object);
    python_call([type] { Py_DECREF(type); });
}

}  // namespace quorra::py

// The call guard inside an embedded interpreter: how each way a wrapped call
// can end reaches Python.

#include "pyfacade/boundary/call_guard.hpp"

#include <pthread.h>

#include <exception>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "pyfacade/boundary/conversions.hpp"
#include "pyfacade/boundary/panic_exception.hpp"

namespace {

using quorra::py::Done;
using quorra::py::guard_length;
using quorra::py::guard_object;
using quorra::py::LockDepth;
using quorra::py::Outcome;
using quorra::py::PendingError;
using quorra::py::Ref;

// The pending exception's type and str(), clearing it.
struct Raised {
    PyObject* type = nullptr;
    std::string text;
};

Raised take_raised() {
    Raised raised;
#if PY_VERSION_HEX >= 0x030C0000
    Ref value = Ref::steal(PyErr_GetRaisedException());
#else
    PyObject* type = nullptr;
    PyObject* raw_value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &raw_value, &traceback);
    PyErr_NormalizeException(&type, &raw_value, &traceback);
    Py_XDECREF(type);
    Py_XDECREF(traceback);
    Ref value = Ref::steal(raw_value);
#endif
    if (value) {
        // The exception types compared against live as long as the interpreter.
        raised.type = reinterpret_cast<PyObject*>(Py_TYPE(value.get()));
        Ref text = Ref::steal(PyObject_Str(value.get()));
        raised.text = text ? PyUnicode_AsUTF8(text.get()) : "<no str>";
    }
    return raised;
}

class CallGuard : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(LockDepth::current(), 0);
        EXPECT_EQ(PyErr_Occurred(), nullptr);
        PyErr_Clear();
    }
};

TEST_F(CallGuard, ValueIsReturnedAsANewReference) {
    PyObject* result = guard_object([]() -> Outcome<Ref> {
        EXPECT_EQ(LockDepth::current(), 1);
        return quorra::py::float_result(2.5);
    });
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(PyFloat_AsDouble(result), 2.5);
    Py_DECREF(result);
}

TEST_F(CallGuard, MemoryExhaustionBecomesMemoryError) {
    PyObject* result = guard_object([]() -> Outcome<Ref> { throw std::bad_alloc(); });
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(take_raised().type, PyExc_MemoryError);

    EXPECT_EQ(guard_length([]() -> Outcome<Py_ssize_t> { throw std::bad_array_new_length(); }), -1);
    EXPECT_EQ(take_raised().type, PyExc_MemoryError);
}

TEST_F(CallGuard, FaultBecomesPanicExceptionAfterItsReport) {
    testing::internal::CaptureStderr();
    PyObject* result = guard_object([]() -> Outcome<Ref> { quorra::fault("core broke"); });
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, nullptr);
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, quorra::py::panic_exception_type());
    EXPECT_EQ(raised.text, "core broke");
    EXPECT_NE(report.find("panicked at tests/cpp/pyfacade/call_guard_test.cpp:"), std::string::npos)
        << report;
    EXPECT_NE(report.find(":\ncore broke\n"), std::string::npos) << report;
}

TEST_F(CallGuard, EmptyFaultMessageIsKept) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(guard_length([]() -> Outcome<Py_ssize_t> { quorra::fault(""); }), -1);
    testing::internal::GetCapturedStderr();
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, quorra::py::panic_exception_type());
    EXPECT_EQ(raised.text, "");
}

TEST_F(CallGuard, OtherCppExceptionsBecomePanicsWithAFixedMessage) {
    testing::internal::CaptureStderr();
    PyObject* result = guard_object([]() -> Outcome<Ref> { throw 42; });
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, nullptr);
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, quorra::py::panic_exception_type());
    EXPECT_EQ(raised.text, "panic from native code");
    EXPECT_NE(report.find("\npanic from native code\n"), std::string::npos) << report;
}

TEST_F(CallGuard, PendingErrorsAreRaised) {
    PyObject* result = guard_object([]() -> Outcome<Ref> {
        return quorra::Err{
            PendingError::message(PyExc_KeyError, "constant `x` not found in registry")};
    });
    EXPECT_EQ(result, nullptr);
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, PyExc_KeyError);
    EXPECT_EQ(raised.text, "'constant `x` not found in registry'");
}

TEST_F(CallGuard, ErrorWithoutArgumentsHasAnEmptyMessage) {
    const Py_ssize_t length = guard_length([]() -> Outcome<Py_ssize_t> {
        return quorra::py::length_result(static_cast<std::size_t>(PY_SSIZE_T_MAX) + 1);
    });
    EXPECT_EQ(length, -1);
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, PyExc_OverflowError);
    EXPECT_EQ(raised.text, "");
}

TEST_F(CallGuard, FetchWithNothingPendingIsASystemError) {
    PyObject* result =
        guard_object([]() -> Outcome<Ref> { return quorra::Err{PendingError::fetch()}; });
    EXPECT_EQ(result, nullptr);
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, PyExc_SystemError);
    EXPECT_EQ(raised.text, "attempted to fetch exception but none was set");
}

TEST_F(CallGuard, FailedResultConversionIsPrintedAndFaults) {
    testing::internal::CaptureStderr();
    PyObject* result = guard_object([]() -> Outcome<Ref> {
        PyErr_SetString(PyExc_ValueError, "conversion went wrong");
        return quorra::py::checked(nullptr);
    });
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, nullptr);
    const Raised raised = take_raised();
    EXPECT_EQ(raised.type, quorra::py::panic_exception_type());
    EXPECT_EQ(raised.text, "Python API call failed");
    EXPECT_NE(output.find("ValueError: conversion went wrong"), std::string::npos) << output;
}

// What C++ exceptions Python code run by a guarded call saw: one unwinding,
// or one being handled. Python code that gives up the interpreter lock at
// exit is ended by a forced unwinding, which the C++ runtime cannot start in
// either state.
struct SeenByPython {
    int calls = 0;
    int uncaught = 0;
    bool handling = false;
    long lock_depth = 0;
};
SeenByPython seen;

PyObject* record_exception_state(PyObject*, PyObject*) {
    ++seen.calls;
    seen.uncaught = std::uncaught_exceptions();
    seen.handling = std::current_exception() != nullptr;
    seen.lock_depth = LockDepth::current();
    Py_RETURN_NONE;
}

PyMethodDef record_definition = {"record", record_exception_state, METH_NOARGS, nullptr};

// Runs Python code with `record` and `Panic` (the PanicException type) in scope.
Ref run_with_recorder(const char* code) {
    Ref scope = Ref::steal(PyDict_New());
    Ref record = Ref::steal(PyCFunction_New(&record_definition, nullptr));
    PyDict_SetItemString(scope.get(), "record", record.get());
    PyDict_SetItemString(scope.get(), "Panic", quorra::py::panic_exception_type());
    Ref result = Ref::steal(PyRun_String(code, Py_file_input, scope.get(), scope.get()));
    EXPECT_TRUE(result) << "the test's Python code failed";
    PyErr_Clear();
    seen = {};
    return scope;
}

TEST_F(CallGuard, PanicExceptionIsRaisedAfterTheHandlerIsLeft) {
    run_with_recorder(
        "def init(self, *args):\n"
        "    BaseException.__init__(self, *args)\n"
        "    record()\n"
        "Panic.__init__ = init\n");
    testing::internal::CaptureStderr();
    PyObject* result = guard_object([]() -> Outcome<Ref> { quorra::fault("core broke"); });
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(take_raised().text, "core broke");
    EXPECT_EQ(seen.calls, 1);
#if PY_VERSION_HEX >= 0x030C0000
    // From 3.12 the exception object is made as it is raised, inside the guard.
    EXPECT_EQ(seen.lock_depth, 1);
#endif
    EXPECT_EQ(seen.uncaught, 0);
    EXPECT_FALSE(seen.handling);
    run_with_recorder("del Panic.__init__\n");
}

TEST_F(CallGuard, ReferencesDroppedByAFaultAreReleasedAfterTheHandler) {
    Ref scope = run_with_recorder(
        "class Finalized:\n"
        "    def __del__(self):\n"
        "        record()\n");
    PyObject* finalized_class = PyDict_GetItemString(scope.get(), "Finalized");
    testing::internal::CaptureStderr();
    PyObject* result = guard_object([finalized_class]() -> Outcome<Ref> {
        Ref last = Ref::steal(PyObject_CallNoArgs(finalized_class));
        quorra::fault("core broke");
    });
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(take_raised().text, "core broke");
    // Released by the guard itself, once it had left its handler.
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.lock_depth, 1);
    EXPECT_EQ(seen.uncaught, 0);
    EXPECT_FALSE(seen.handling);
}

// The body of a guarded call on a thread of its own that the interpreter ends,
// as it ends a daemon thread at exit, inside a call into the C API.
void* end_thread_inside_guarded_call(void* object) {
    quorra::py::guard_object([object]() -> Outcome<Ref> {
        Ref held = Ref::borrow(static_cast<PyObject*>(object));
        quorra::py::python_call([] { pthread_exit(nullptr); });
        return held;
    });
    ADD_FAILURE() << "the thread went on after pthread_exit";
    return nullptr;
}

TEST_F(CallGuard, ForcedUnwindingPassesThroughAndReleasesNothing) {
    Ref object = Ref::steal(PyList_New(0));
    const Py_ssize_t count = Py_REFCNT(object.get());
    testing::internal::CaptureStderr();
    // This thread keeps the interpreter lock; the other one never had it and
    // touches nothing of the interpreter on its way out but the reference it
    // takes while this one waits.
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, nullptr, end_thread_inside_guarded_call, object.get()), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The reference the ended call held is leaked, not released.
    EXPECT_EQ(Py_REFCNT(object.get()), count + 1);
    // Only that thread was marked: here references are released as before.
    {
        Ref again = Ref::borrow(object.get());
    }
    EXPECT_EQ(Py_REFCNT(object.get()), count + 1);
    Py_DECREF(object.get());
}

class Interpreter : public testing::Environment {
public:
    void SetUp() override { Py_InitializeEx(0); }
    void TearDown() override { Py_FinalizeEx(); }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new Interpreter);
    return RUN_ALL_TESTS();
}

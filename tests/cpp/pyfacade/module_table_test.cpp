// The module's table is its surface: the entry point registers what the rows
// declare, in their order, and nothing else.

#include "pyfacade/module_table.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" PyObject* PyInit__quorra_core();

namespace {

using quorra::py::Ref;

std::vector<std::string> texts_of(PyObject* list) {
    std::vector<std::string> texts;
    for (Py_ssize_t i = 0; i < PyList_Size(list); ++i) {
        texts.emplace_back(PyUnicode_AsUTF8(PyList_GetItem(list, i)));
    }
    return texts;
}

TEST(ModuleTable, RegistrationAndAllFollowTheRows) {
    Ref module = Ref::steal(PyInit__quorra_core());
    ASSERT_TRUE(module);
    std::vector<std::string> expected;
    std::vector<std::string> functions;
    for (const quorra::py::ModuleRows* rows : quorra::py::module_rows) {
        for (const quorra::py::ClassRow* row : rows->classes) {
            expected.emplace_back(row->name);
        }
        for (const PyMethodDef* definition = rows->functions(); definition->ml_name != nullptr;
             ++definition) {
            functions.emplace_back(definition->ml_name);
        }
    }
    expected.insert(expected.end(), functions.begin(), functions.end());
    expected.emplace_back("__version__");

    Ref all = Ref::steal(PyObject_GetAttrString(module.get(), "__all__"));
    ASSERT_TRUE(all);
    EXPECT_EQ(texts_of(all.get()), expected);
    for (const std::string& name : expected) {
        Ref attribute = Ref::steal(PyObject_GetAttrString(module.get(), name.c_str()));
        EXPECT_TRUE(attribute) << name;
        PyErr_Clear();
    }
    for (const std::string& name : functions) {
        Ref function = Ref::steal(PyObject_GetAttrString(module.get(), name.c_str()));
        ASSERT_TRUE(function);
        EXPECT_TRUE(PyCallable_Check(function.get())) << name;
    }
}

}  // namespace

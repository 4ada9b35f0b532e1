/* A benchmark-only extension: every callable of the native core, with the
 * same calling convention, returning a precomputed result. Its time per call
 * is the floor that the real module's work sits on. Results that the real
 * module must create afresh (lists, dicts, instances) are made here with the
 * least work that gives a new object: a new container of precomputed items. */

#define PY_SSIZE_T_CLEAN
#include <Python.h>

static PyObject *names_list, *quarks_list, *datasheet, *value_float, *zero_float, *version_str;

typedef struct {
    PyObject_HEAD
    Py_ssize_t borrow_count;
} FloorObject;

static PyObject *floor_new(PyTypeObject *type, PyObject *args, PyObject *kwargs) {
    return type->tp_alloc(type, 0);
}

static void floor_dealloc(PyObject *self) {
    PyTypeObject *type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

static Py_ssize_t floor_len(PyObject *self) { return 17; }

static PyObject *floor_get(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    return Py_NewRef(value_float);
}

static PyObject *floor_version(PyObject *self, PyObject *unused) { return Py_NewRef(version_str); }

static PyObject *matrix_type;

static PyObject *floor_from_topology(PyObject *self, PyObject *unused) {
    PyTypeObject *type = (PyTypeObject *)matrix_type;
    return type->tp_alloc(type, 0);
}

static PyObject *floor_jarlskog(PyObject *self, PyObject *unused) { return Py_NewRef(zero_float); }

static PyObject *floor_is_unitary(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    Py_RETURN_TRUE;
}

static PyObject *floor_list_constants(PyObject *module, PyObject *unused) {
    return PyList_GetSlice(names_list, 0, PY_SSIZE_T_MAX);
}

static PyObject *floor_list_quarks(PyObject *module, PyObject *unused) {
    return PyList_GetSlice(quarks_list, 0, PY_SSIZE_T_MAX);
}

static PyObject *floor_get_constant(PyObject *module, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    return PyDict_Copy(datasheet);
}

static PyMethodDef registry_methods[] = {
    {"get", (PyCFunction)(void (*)(void))floor_get, METH_FASTCALL | METH_KEYWORDS, NULL},
    {"version", floor_version, METH_NOARGS | METH_STATIC, NULL},
    {NULL, NULL, 0, NULL},
};

static PyMethodDef matrix_methods[] = {
    {"from_topology", floor_from_topology, METH_NOARGS | METH_STATIC, NULL},
    {"is_unitary", (PyCFunction)(void (*)(void))floor_is_unitary, METH_FASTCALL | METH_KEYWORDS, NULL},
    {"jarlskog", floor_jarlskog, METH_NOARGS, NULL},
    {NULL, NULL, 0, NULL},
};

static PyMethodDef no_methods[] = {{NULL, NULL, 0, NULL}};

static PyMethodDef module_methods[] = {
    {"py_list_constants", floor_list_constants, METH_NOARGS, NULL},
    {"py_list_quarks", floor_list_quarks, METH_NOARGS, NULL},
    {"py_get_constant", (PyCFunction)(void (*)(void))floor_get_constant, METH_FASTCALL | METH_KEYWORDS, NULL},
    {NULL, NULL, 0, NULL},
};

static PyObject *make_type(const char *name, PyMethodDef *methods, int with_new, int with_len) {
    PyType_Slot slots[6];
    int n = 0;
    slots[n++] = (PyType_Slot){Py_tp_dealloc, floor_dealloc};
    slots[n++] = (PyType_Slot){Py_tp_methods, methods};
    if (with_new) slots[n++] = (PyType_Slot){Py_tp_new, floor_new};
    if (with_len) slots[n++] = (PyType_Slot){Py_mp_length, floor_len};
    slots[n] = (PyType_Slot){0, NULL};
    PyType_Spec spec = {name, sizeof(FloorObject), 0, Py_TPFLAGS_DEFAULT, slots};
    return PyType_FromSpec(&spec);
}

static struct PyModuleDef floor_module = {PyModuleDef_HEAD_INIT, "_quorra_floor", NULL, -1, module_methods};

PyMODINIT_FUNC PyInit__quorra_floor(void) {
    PyObject *module = PyModule_Create(&floor_module);
    if (module == NULL) return NULL;
    PyObject *json = PyImport_ImportModule("json");
    if (json == NULL) return NULL;
    datasheet = PyObject_CallMethod(json, "loads", "s",
        "{\"name\":\"b3\",\"status\":\"Seed\",\"uncertainty\":null,\"units\":\"dimensionless\",\"value\":24.0}");
    Py_DECREF(json);
    names_list = Py_BuildValue("[sssssssssssssssss]", "b3", "chi_eff", "gamma_em", "h0_central",
        "jc_constant", "logic_closure", "m_tau_mev", "n_gen", "n_gen_sq", "phi", "roots_total",
        "sterile_check", "sterile_sector", "topo_gen_check", "v_higgs_mev", "visible_sector", "w0_central");
    quarks_list = Py_BuildValue("[ssssss]", "bottom", "charm", "down", "strange", "top", "up");
    value_float = PyFloat_FromDouble(1.618033988749895);
    zero_float = PyFloat_FromDouble(0.0);
    version_str = PyUnicode_FromString("2.3.0");
    matrix_type = make_type("_quorra_floor.PyCKMMatrix", matrix_methods, 0, 0);
    PyObject *registry = make_type("_quorra_floor.PyFormulasRegistry", registry_methods, 1, 1);
    PyObject *quarks = make_type("_quorra_floor.PyQuarkRegistry", no_methods, 1, 1);
    if (!datasheet || !names_list || !quarks_list || !value_float || !zero_float || !version_str
        || !matrix_type || !registry || !quarks) return NULL;
    PyModule_AddObject(module, "PyFormulasRegistry", registry);
    PyModule_AddObject(module, "PyQuarkRegistry", quarks);
    Py_INCREF(matrix_type);
    PyModule_AddObject(module, "PyCKMMatrix", matrix_type);
    return module;
}

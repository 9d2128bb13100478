// The one include of the interpreter's API; the build pins the stable ABI.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>

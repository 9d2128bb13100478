// Bodies of the algorithm functions, one source per family.
#pragma once
#include "args.hpp"

namespace vg::py::alg {

PyRef bfs_fn(PyObject*, const Args& a);
PyRef dfs_fn(PyObject*, const Args& a);
PyRef dfs_events_fn(PyObject*, const Args& a);
PyRef bfs_with_depth_fn(PyObject*, const Args& a);
PyRef bfs_at_depth_fn(PyObject*, const Args& a);
PyRef has_path_fn(PyObject*, const Args& a);
PyRef shortest_paths_fn(PyObject*, const Args& a);
PyRef shortest_path_length_fn(PyObject*, const Args& a);
PyRef astar_path_fn(PyObject*, const Args& a);
PyRef bellman_ford_paths_fn(PyObject*, const Args& a);

}  // namespace vg::py::alg

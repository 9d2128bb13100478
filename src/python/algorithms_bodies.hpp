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
PyRef all_simple_paths_fn(PyObject*, const Args& a);
PyRef find_cycles_fn(PyObject*, const Args& a);
PyRef find_cycle_paths_fn(PyObject*, const Args& a);
PyRef strongly_connected_components_fn(PyObject*, const Args& a);
PyRef num_connected_components_fn(PyObject*, const Args& a);
PyRef weakly_connected_components_fn(PyObject*, const Args& a);
PyRef connected_components_from_edges_fn(PyObject*, const Args& a);
PyRef is_strongly_connected_fn(PyObject*, const Args& a);
PyRef is_weakly_connected_fn(PyObject*, const Args& a);
PyRef topological_sort_fn(PyObject*, const Args& a);
PyRef ancestors_fn(PyObject*, const Args& a);
PyRef descendants_fn(PyObject*, const Args& a);
PyRef longest_path_fn(PyObject*, const Args& a);
PyRef transitive_closure_fn(PyObject*, const Args& a);
PyRef condensation_fn(PyObject*, const Args& a);

}  // namespace vg::py::alg

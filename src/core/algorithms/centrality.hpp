// Node scores: PageRank, degree and eigenvector centrality (betweenness
// and closeness are in path_centrality.hpp).
//
// Every function reads the graph without changing it and returns one
// (id, score) pair per live node, sorted by score descending with equal
// scores in node slot order and NaN scores after every number. Ids are
// views into the graph's node records, valid until the graph next changes.
// The arithmetic (summation order, normalisation, stopping rules) is fixed,
// so results are the same to the last bit in every run.
#pragma once
#include <cstdint>

#include "core/algorithms/results.hpp"

namespace vg {

// PageRank after exactly `iterations` iterations, each edge passing rank
// from its stored source to its stored target on both graph kinds. Rank of
// nodes without outgoing edges is spread evenly; the ranks are renormalised
// to sum 1 after each iteration when their sum is positive.
ScoreList pagerank(const PropertyGraph& g, double damping, uint64_t iterations);

// Degree / (N - 1): outgoing plus incoming edges on the directed kind (a
// self-loop counts twice), incident edges on the undirected kind (a
// self-loop counts once). All zero below two nodes.
ScoreList degree_centrality_scores(const PropertyGraph& g);
// Incoming (outgoing) edges / (N - 1) on the directed kind; the degree
// scores on the undirected kind.
ScoreList in_degree_centrality(const PropertyGraph& g);
ScoreList out_degree_centrality(const PropertyGraph& g);

// Power iteration from the uniform unit vector, summing over incoming
// neighbours (all neighbours on the undirected kind), normalised to unit
// length; stops after `iterations` or once an iteration changes the vector
// by less than `tolerance` (Euclidean).
ScoreList eigenvector_centrality(const PropertyGraph& g, uint64_t iterations, double tolerance);

}  // namespace vg

"""A first look at vesk_graph: build a small graph and query it."""

from vesk_graph._rust.graph import PyGraph

g = PyGraph(directed=True, name="people")
g.add_node("alice", {"age": 34, "tags": ["admin"]})
g.add_node("bob", {"age": 27})
g.add_node("carol")
g.add_edge("alice", "bob", {"predicate": "knows", "since": 2019})
g.add_edge("bob", "carol", {"predicate": "knows"})
g.add_edge("alice", "carol", {"predicate": "manages"})

print(g)
print("nodes:", g.node_ids())
print("alice:", g.node("alice"))
print("alice's successors (newest edge first):", g.successors("alice"))
print("carol's predecessors:", g.predecessors("carol"))
print("degree of bob:", g.degree("bob"))
print("edges:")
for source, target, props in g.edges():
    print(f"  {source} -> {target} {props}")
print("is a DAG:", g.is_dag(), "| connected:", g.is_connected(), "| tree:", g.is_tree())

g.update_node("bob", {"age": 28, "city": "Oslo"})
print("bob after update:", g.node("bob"))
removed = g.remove_node("carol")
print("removed carol, properties were:", removed, "->", g)

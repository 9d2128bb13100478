from typing import SupportsIndex, TypedDict

from vesk_graph._rust.graph import PyGraph

__all__ = ["load_rdf_file", "load_rdf_string", "export_turtle", "export_ntriples", "export_jsonld"]

class _LoadStats(TypedDict):
    total_triples: int
    nodes: int
    edges: int
    literal_properties: int
    load_time_ms: int

def load_rdf_file(path: str, max_bytes: SupportsIndex, triple_cap: SupportsIndex) -> tuple[PyGraph, _LoadStats]: ...
def load_rdf_string(
    data: str, format: str, max_bytes: SupportsIndex, triple_cap: SupportsIndex
) -> tuple[PyGraph, _LoadStats]: ...
def export_turtle(graph: PyGraph) -> str: ...
def export_ntriples(graph: PyGraph) -> str: ...
def export_jsonld(graph: PyGraph) -> str: ...

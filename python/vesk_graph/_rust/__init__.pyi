# Type stubs of the compiled engine. The submodules are attributes of this
# module and are also registered in sys.modules under their full names.
from vesk_graph._rust import algorithms as algorithms
from vesk_graph._rust import graph as graph
from vesk_graph._rust import knowledge as knowledge
from vesk_graph._rust import rdf as rdf

__version__: str
__all__ = ["__version__", "graph", "algorithms", "knowledge", "rdf"]

"""Definition-format text as the game's own files hold it.

Every text resource of the game (entity definitions, sets, maps, missions,
model descriptions) is a tree of brace blocks. The generator builds such trees
from plain tuples and writes them the way the game's tools do: one block per
line, a tab per nesting level, CR LF line ends and Windows-1252 bytes.
"""

CRLF = "\r\n"


def q(text):
    """A quoted value: the quotes are part of the stored text."""
    return '"' + text + '"'


def f6(value):
    """A real number as the game writes it."""
    return "%.6f" % (round(value, 6) + 0.0)


class N:
    """One block: a name, values and child blocks, with an optional comment
    written on the line before it."""

    __slots__ = ("name", "values", "children", "comment")

    def __init__(self, name, *values, children=None, comment=None):
        self.name = name
        self.values = [str(v) for v in values]
        self.children = list(children or [])
        self.comment = comment

    def add(self, *nodes):
        self.children.extend(nodes)
        return self

    def lines(self, depth=0):
        indent = "\t" * depth
        out = []
        if self.comment:
            for line in self.comment.split("\n"):
                out.append(indent + "; " + line)
        head = indent + "{" + " ".join([self.name] + self.values)
        if not self.children:
            out.append(head + "}")
            return out
        out.append(head)
        for child in self.children:
            out.extend(child.lines(depth + 1))
        out.append(indent + "}")
        return out


def text(nodes, header=None):
    """The file text of a list of top-level blocks, with a leading comment."""
    lines = []
    if header:
        lines.extend("; " + line for line in header.split("\n"))
    for node in nodes:
        lines.extend(node.lines())
    return CRLF.join(lines) + CRLF


def encode(nodes, header=None):
    """The file bytes of a list of top-level blocks."""
    return text(nodes, header).encode("cp1252")

#!/usr/bin/env python3
"""Checks that includes run one way: a layer folder includes only its own headers and those of
the layers listed before it. Usage: layers_check.py SOURCE_DIR LAYER...

Headers are included by their bare names, so each name must belong to one folder; the
owner of a name is the layer folder that holds the header."""
import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def files_of(root: Path, layer: str, layers: list[str]) -> list[Path]:
    """The sources of `layer`, without those of layers nested inside it."""
    base = root / layer
    nested = [root / other for other in layers if other != layer and other.startswith(layer + "/")]
    return sorted(
        p for p in base.rglob("*")
        if p.suffix in (".h", ".cpp") and not any(n in p.parents for n in nested))


def folder_of(relative: str) -> str:
    """The folder whose includes must not run in a circle: a top-level folder, or one level
    deeper under ui/ and controls/."""
    parts = relative.split("/")
    return "/".join(parts[:2]) if parts[0] in ("ui", "controls") and len(parts) > 2 else parts[0]


def folder_cycles(root: Path, sources: dict[str, list[Path]], owner: dict[str, str]) -> list[str]:
    """Folders that include each other, directly or round a circle."""
    edges: dict[str, set[str]] = {}
    for layer, paths in sources.items():
        for path in paths:
            here = folder_of(str(path.relative_to(root)))
            for name in INCLUDE.findall(path.read_text(errors="replace")):
                target = owner.get(Path(name).name)
                if target is None:
                    continue
                there = folder_of(target + "/x")
                if there != here:
                    edges.setdefault(here, set()).add(there)
    cycles = []
    state: dict[str, int] = {}

    def visit(node: str, trail: list[str]) -> None:
        state[node] = 1
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == 1:
                cycles.append(" -> ".join(trail[trail.index(nxt):] + [nxt]) + " includes in a circle")
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = 2

    for node in sorted(edges):
        if node not in state:
            visit(node, [node])
    return cycles


def main() -> int:
    root = Path(sys.argv[1])
    layers = sys.argv[2:]
    owner: dict[str, str] = {}
    problems: list[str] = []
    sources: dict[str, list[Path]] = {}
    for layer in layers:
        sources[layer] = files_of(root, layer, layers)
        for path in sources[layer]:
            if path.suffix != ".h":
                continue
            if path.name in owner and owner[path.name] != layer:
                problems.append(f"{path.name} is a header of both {owner[path.name]} and {layer}")
            owner[path.name] = layer
    rank = {layer: i for i, layer in enumerate(layers)}
    for layer in layers:
        for path in sources[layer]:
            for name in INCLUDE.findall(path.read_text(errors="replace")):
                target = owner.get(Path(name).name)
                if target is None or target == layer:
                    continue
                if rank[target] > rank[layer]:
                    problems.append(f"{path.relative_to(root)} includes {name} of {target}, "
                                    f"a layer above {layer}")
    problems += folder_cycles(root, sources, owner)
    for problem in problems:
        print(problem)
    print(f"{sum(len(s) for s in sources.values())} files in {len(layers)} layers, "
          f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

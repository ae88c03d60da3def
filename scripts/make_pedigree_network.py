#!/usr/bin/env python3
"""Writes a pedigree network of the shape of the Pigs benchmark (441 nodes, genotypes "0" "1" "2",
founders and animals with two parents) as Hugin and XMLBIF files: the reader benchmarks' test data.

    scripts/make_pedigree_network.py tests/data/formats/pedigree441
"""
import random
import sys

NODES = 441
FOUNDERS = 145


def tables(rng):
    names = ["p%09d" % (630400000 + 491 * i + rng.randrange(400)) for i in range(NODES)]
    parents = []
    for i in range(NODES):
        parents.append([] if i < FOUNDERS else rng.sample(range(i), 2))
    founder = [0.25, 0.5, 0.25]
    # Mendelian transmission of the number of copies of one allele.
    gamete = [[1.0, 0.0], [0.5, 0.5], [0.0, 1.0]]
    child = []
    for a in range(3):
        for b in range(3):
            row = [0.0, 0.0, 0.0]
            for x in range(2):
                for y in range(2):
                    row[x + y] += gamete[a][x] * gamete[b][y]
            child.append(row)
    return names, parents, founder, child


def fmt(p):
    return ("%.4f" % p).rstrip("0").rstrip(".") if p else "0"


def hugin(names, parents, founder, child):
    out = ["net\n{\n}\n"]
    for n in names:
        out.append('node %s\n{\n    label = "";\n    states = ("0" "1" "2");\n}\n' % n)
    for i, n in enumerate(names):
        ps = parents[i]
        if not ps:
            out.append("potential (%s)\n{\n    data = ( %s );\n}\n" % (n, " ".join(fmt(p) for p in founder)))
            continue
        rows = []
        for a in range(3):
            rows.append("(" + " ".join("(" + " ".join(fmt(p) for p in child[3 * a + b]) + ")" for b in range(3)) + ")")
        out.append("potential (%s | %s %s)\n{\n    data = (%s);\n}\n" % (n, names[ps[0]], names[ps[1]], "\n\t".join(rows)))
    return "".join(out)


def xmlbif(names, parents, founder, child):
    out = ['<?xml version="1.0"?>\n<BIF VERSION="0.3">\n<NETWORK>\n<NAME>pedigree</NAME>\n']
    for n in names:
        out.append('<VARIABLE TYPE="nature">\n  <NAME>%s</NAME>\n  <OUTCOME>0</OUTCOME>\n  <OUTCOME>1</OUTCOME>\n'
                   '  <OUTCOME>2</OUTCOME>\n</VARIABLE>\n' % n)
    for i, n in enumerate(names):
        ps = parents[i]
        given = "".join("  <GIVEN>%s</GIVEN>\n" % names[p] for p in ps)
        cells = founder if not ps else [p for row in child for p in row]
        out.append("<DEFINITION>\n  <FOR>%s</FOR>\n%s  <TABLE>%s</TABLE>\n</DEFINITION>\n"
                   % (n, given, " ".join(fmt(p) for p in cells)))
    out.append("</NETWORK>\n</BIF>\n")
    return "".join(out)


def main():
    stem = sys.argv[1]
    data = tables(random.Random(441))
    with open(stem + ".net", "w") as f:
        f.write(hugin(*data))
    with open(stem + ".xml03", "w") as f:
        f.write(xmlbif(*data))


if __name__ == "__main__":
    main()

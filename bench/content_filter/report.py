#!/usr/bin/env python3
"""Prints the comparison of one run of run.sh (its work folder)."""
import collections
import sys

work = sys.argv[1]


def figures(name):
    values = {}
    for line in open("%s/%s" % (work, name)):
        if ":" in line:
            key, _, value = line.partition(":")
            values[key.strip()] = value.strip()
    return values


built, ours, ref = figures("ours-build.err"), figures("ours.err"), figures("reference.err")
print("requests: %s" % ours["requests"])
for label, key in (("median", "median_ns"), ("99th percentile", "p99_ns")):
    a, b = float(ours[key]) / 1000, float(ref[key]) / 1000
    print("%-16s kestrelon %8.2f us   reference %8.2f us   ratio %.2f" % (label, a, b, a / b))
print("build from lists kestrelon %8s ms   reference %8s ms" % (built["build_ms"], ref["build_ms"]))
print("load the cache   kestrelon %8s ms   reference %8s ms (deserialize)" % (ours["load_ms"], ref["load_ms"]))
print("memory           kestrelon %8.1f MB heap after build, %.1f MB heap + %.1f MB mapped after load"
      "   reference %8.1f MB heap growth"
      % (int(built["heap_bytes"]) / 2**20, int(ours["heap_bytes"]) / 2**20, int(ours["mapped_bytes"]) / 2**20,
         int(ref["heap_bytes"]) / 2**20))

mine = [l.rstrip("\n").split("\t") for l in open("%s/ours.txt" % work)]
theirs = [l.rstrip("\n").split("\t") for l in open("%s/reference.txt" % work)]
assert len(mine) == len(theirs), "the two engines decided different numbers of requests"
same = sum(1 for a, b in zip(mine, theirs) if a[0] == b[0])
print("agreement        %.3f%% (%d of %d)" % (100.0 * same / len(mine), same, len(mine)))
kinds = collections.Counter()
examples = {}
for a, b in zip(mine, theirs):
    if a[0] != b[0]:
        key = (a[0], b[0], a[2] if a[0] == "block" else b[2])
        kinds[key] += 1
        examples.setdefault(key, a[1])
for (ours_d, ref_d, rule), n in kinds.most_common(25):
    print("  %6d  kestrelon %s, reference %s, rule %s  e.g. %s" % (n, ours_d, ref_d, rule, examples[(ours_d, ref_d, rule)]))

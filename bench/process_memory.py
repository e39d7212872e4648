"""The memory a program holds with every process it started (the web
engine's renderers and helpers among them)."""


def descendants(pid):
    found, todo = [pid], [pid]
    while todo:
        p = todo.pop()
        try:
            with open("/proc/%d/task/%d/children" % (p, p)) as f:
                kids = [int(k) for k in f.read().split()]
        except OSError:
            kids = []
        found += kids
        todo += kids
    return found


def pss_kib(pid, alone=False):
    """PSS of `pid` and all its descendants (or, `alone`, of `pid` only), in
    KiB; a process that ends while being read counts nothing."""
    total = 0
    for p in [pid] if alone else descendants(pid):
        try:
            with open("/proc/%d/smaps_rollup" % p) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total

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


def pss_kib(pid, alone=False, part="Pss"):
    """PSS of `pid` and all its descendants (or, `alone`, of `pid` only), in
    KiB; a process that ends while being read counts nothing. `part`
    "Pss_Anon" counts only the processes' own memory (not the pages
    of files they share with every other program using the same libraries,
    whose share moves with what else runs on the machine)."""
    total = 0
    for p in [pid] if alone else descendants(pid):
        try:
            with open("/proc/%d/smaps_rollup" % p) as f:
                for line in f:
                    if line.startswith(part + ":"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total

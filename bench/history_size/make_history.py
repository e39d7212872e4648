"""Writes a history file of N generated addresses (60-120 bytes, a few
thousand sites, three visits in ten a return to a recent address)."""
import random
import sys

path, count = sys.argv[1], int(sys.argv[2])
rnd = random.Random(42)
parts = ["ka", "lo", "mi", "ne", "sta", "ri", "po", "ven", "tor", "la", "qu", "zen", "bri", "do", "fa", "gu"]


def word(n):
    return "".join(rnd.choice(parts) for _ in range(n))


sites = [("https://www." if rnd.random() < 0.5 else "https://") + word(rnd.randint(2, 4)) + ".com"
         for _ in range(4000)]
entries = []
while len(entries) < count:
    if len(entries) > 100 and rnd.random() < 0.3:
        entries.append(entries[-1 - rnd.randrange(min(len(entries), 5000))])
        continue
    target = rnd.randint(60, 120)
    e = rnd.choice(sites)
    while len(e) < target - 12:
        e += "/" + word(rnd.randint(1, 3))
    e += "?id=%d" % rnd.randrange(10 ** 8)
    entries.append(e[:target])
with open(path, "wb") as f:
    f.write(b"\xe4".join(e.encode() for e in entries) + b"\xf6")

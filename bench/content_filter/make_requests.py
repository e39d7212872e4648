#!/usr/bin/env python3
"""Writes a reproducible request file for kestrelon-filter and the reference.

A tenth of the requests put the text of a plain path rule ("/adframe.") into
a first-party address. Third-party requests are made from the hosts that the lists' own "||host^"
rules name (so the blocking side is exercised on real targets), with paths
and types of the shapes ad and tracker scripts, pixels and frames have;
first-party requests are ordinary page resources of made-up sites with the
shapes of real news, shop and blog sites. Every request has a source page on
one of those sites. The generator is seeded, so the same lists give the same
file.

usage: make_requests.py COUNT LIST... > requests.txt
"""
import random
import re
import sys

SITES = ["www.dailynews-example.com", "shop.example-store.co.uk", "blog.example-writer.net",
         "www.example-times.de", "portal.example-mail.fr", "video.example-tube.com",
         "forum.example-talk.org", "www.example-weather.com.au", "news.example-media.jp",
         "www.example-sport.it"]
FIRST_PARTY = [("/static/js/app.{h}.js", "script"), ("/static/css/main.{h}.css", "stylesheet"),
               ("/images/articles/{n}/photo-{n}.jpg", "image"), ("/api/v2/comments?article={n}", "xmlhttprequest"),
               ("/fonts/source-sans-{n}.woff2", "font"), ("/media/clips/{n}.mp4", "media"),
               ("/embed/player/{n}", "sub_frame"), ("/", "main_frame"), ("/search?q=term{n}", "main_frame"),
               ("/assets/icons/sprite-{h}.svg", "image"), ("/cdn-cgi/l/chk?{h}", "xmlhttprequest")]
THIRD_PARTY = [("/js/{w}.js", "script"), ("/pixel.gif?id={h}&r={n}", "image"), ("/ads/{w}/{n}.html", "sub_frame"),
               ("/collect?v=1&tid={h}", "ping"), ("/tag.js?site={n}", "script"), ("/{w}/banner-{n}.png", "image"),
               ("/event?e=view&u={h}", "xmlhttprequest"), ("/", "script")]
WORDS = ["loader", "analytics", "sdk", "widget", "ad", "track", "beacon", "gpt", "pubads", "main"]
HOST_RULE = re.compile(r"^\|\|([a-z0-9.-]+\.[a-z]{2,})\^(\$.*)?$")
# Plain path rules ("/adframe.", "-banner-ad-"): put into first-party paths.
PATH_RULE = re.compile(r"^[/._-][a-z0-9/._-]{3,40}$")


def rules_from(lists):
    hosts, paths = [], []
    for path in lists:
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.strip()
                m = HOST_RULE.match(line)
                if m:
                    hosts.append(m.group(1))
                elif PATH_RULE.match(line):
                    paths.append(line)
    return sorted(set(hosts)), sorted(set(paths))


def main():
    count = int(sys.argv[1])
    hosts, paths = rules_from(sys.argv[2:])
    rnd = random.Random(30)
    out = sys.stdout
    for i in range(count):
        site = rnd.choice(SITES)
        page = "https://%s/article/%d.html" % (site, rnd.randrange(100000))
        fill = {"h": "%08x" % rnd.getrandbits(32), "n": rnd.randrange(10000), "w": rnd.choice(WORDS)}
        roll = rnd.random()
        if roll < 0.1 and paths:
            kind = rnd.choice(["script", "image", "sub_frame", "xmlhttprequest"])
            url = "https://%s/assets%s%s" % (site, rnd.choice(paths), rnd.choice(["js", "png", "html?x=1", ""]))
        elif roll < 0.45 and hosts:
            host = rnd.choice(hosts)
            if rnd.random() < 0.3:
                host = "cdn." + host
            path, kind = rnd.choice(THIRD_PARTY)
            url = "https://%s%s" % (host, path.format(**fill))
        else:
            path, kind = rnd.choice(FIRST_PARTY)
            url = "https://%s%s" % (site, path.format(**fill))
            if kind == "main_frame":
                page = "-"
        out.write("%s %s %s\n" % (url, page, kind))


main()

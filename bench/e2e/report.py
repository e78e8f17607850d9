#!/usr/bin/env python3
"""Turns the end-to-end figures (bench/e2e/run.py) into markdown between the
end-to-end markers of docs/performance.md.

  report.py --figures TSV [--stub TSV] [--stub-map MARKDOWN] [--command TEXT] [--splice FILE]
"""
import argparse
import collections
import os
import sys

BEGIN = "<!-- e2e results: begin (written by `make bench`, do not edit by hand) -->"
END = "<!-- e2e results: end -->"
SETS = ["pe", "pe-stripped", "small-files"]
GOAL_INSTALL_VS_FLOOR = 1.1
GOAL_REMOVE_VS_NSIS = 0.5
GOAL_REMOVE_VS_FLOOR = 1.5
GOAL_STUB_BYTES = 38000


def read(path):
    values = {}
    with open(path) as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) >= 4:
                values[tuple(parts[:3])] = parts[3]
    return values


def stub_lines(path):
    out = collections.defaultdict(list)
    if not path:
        return out
    with open(path) as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) >= 5 and parts[0] == "stub":
                out[parts[2]].append((parts[3], parts[4]))
    return out


def render(a):
    v = read(a.figures)
    f = lambda s, sub, fig: float(v[(s, sub, fig)])
    sets = [s for s in SETS if (s, "ours", "install") in v]
    out = ["Made by `%s` on this machine (medians of the rounds, x86-64 builds under 64-bit Wine, "
           "one Wine session; every time includes Wine's start of the program)." % a.command, ""]
    out += ["#### Install and removal (seconds, and ratios of the same run)", "",
            "| corpus | files | MB | ours | NSIS zlib | NSIS lzma | floor | ours/best NSIS | ours/floor "
            "| removal: ours | NSIS zlib | NSIS lzma | floor | ours/best NSIS | ours/floor |",
            "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"]
    worst = {}
    for s in sets:
        i = {k: f(s, k, "install") for k in ("ours", "nsis-zlib", "nsis-lzma", "floor")}
        r = {k: f(s, k, "remove") for k in ("ours", "nsis-zlib", "nsis-lzma", "floor")}
        ri = i["ours"] / min(i["nsis-zlib"], i["nsis-lzma"])
        rf = i["ours"] / i["floor"]
        rr = r["ours"] / min(r["nsis-zlib"], r["nsis-lzma"])
        rrf = r["ours"] / r["floor"]
        for key, value in (("install/nsis", ri), ("install/floor", rf), ("remove/nsis", rr), ("remove/floor", rrf)):
            if value > worst.get(key, (0, ""))[0]:
                worst[key] = (value, s)
        out.append("| %s | %d | %.1f | %.3f | %.3f | %.3f | %.3f | %.2f× | %.2f× | %.3f | %.3f | %.3f | %.3f | %.2f× | %.2f× |" % (
            s, int(v[(s, "payload", "files")]), int(v[(s, "payload", "bytes")]) / 1e6,
            i["ours"], i["nsis-zlib"], i["nsis-lzma"], i["floor"], ri, rf,
            r["ours"], r["nsis-zlib"], r["nsis-lzma"], r["floor"], rr, rrf))
    out += ["", "#### Package sizes (bytes)", "",
            "| corpus | payload | ours (best) | NSIS zlib | NSIS solid lzma | ours/NSIS zlib | ours/NSIS lzma |",
            "|---|---|---|---|---|---|---|"]
    for s in sets:
        o, z, l = f(s, "ours", "size"), f(s, "nsis-zlib", "size"), f(s, "nsis-lzma", "size")
        out.append("| %s | %s | %s | %s | %s | %.2f× | %.2f× |" % (
            s, "{:,}".format(int(v[(s, "payload", "bytes")])), "{:,}".format(int(o)), "{:,}".format(int(z)),
            "{:,}".format(int(l)), o / z, o / l))
    mem = [k for k in v if k[1] == "memory"]
    if mem:
        s = mem[0][0]
        peak, wine, payload, package = (f(s, "memory", k) for k in ("peak", "wine", "payload", "package"))
        limit = (payload + package) * 1.1
        out += ["", "#### Peak memory of our installer (%s)" % s, "",
                "Peak resident memory (VmHWM of the Wine process, read from /proc while it runs), less "
                "the peak of a program that only waits (Wine's own memory).", "",
                "| payload | package | peak | Wine alone | installer's own | goal (packed + unpacked + 10 %) |",
                "|---|---|---|---|---|---|",
                "| %.1f MB | %.1f MB | %.1f MB | %.1f MB | %.1f MB | %.1f MB |" % (
                    payload / 1e6, package / 1e6, peak / 1e6, wine / 1e6, (peak - wine) / 1e6, limit / 1e6)]
        worst["memory"] = ((peak - wine) / limit, s)
    stub = stub_lines(a.stub)
    if stub:
        size = int(stub["file_bytes"][0][1])
        out += ["", "#### Installer stub (i686, as shipped)", "",
                "`tessaform.exe`: **{:,} bytes**; goal at most 38,000.".format(size)]
        worst["stub"] = (size / GOAL_STUB_BYTES, "")
        if a.stub_map and os.path.exists(a.stub_map):
            with open(a.stub_map) as f:
                tables = f.read().strip().split("\n\n", 1)
            # The first paragraph names the file and its size, given above.
            out += ["", "Where the bytes go (`bench/stub-map`): our code by source module, code inlined "
                    "from another module counted where its source is; data by kind."]
            out += ["", tables[-1]]
    goals = [("1", "install at most the faster NSIS variant", "install/nsis", 1.0),
             ("1", "install at most 1.1× the floor", "install/floor", GOAL_INSTALL_VS_FLOOR),
             ("2", "removal at most 0.5× NSIS", "remove/nsis", GOAL_REMOVE_VS_NSIS),
             ("2", "removal at most 1.5× the floor", "remove/floor", GOAL_REMOVE_VS_FLOOR),
             ("4", "peak memory at most packed + unpacked + 10 %", "memory", 1.0),
             ("5", "stub at most 38,000 bytes", "stub", 1.0)]
    table = ["#### Goals (worst corpus)", "", "| # | goal | worst | status |", "|---|---|---|---|"]
    for number, text, key, limit in goals:
        if key in worst:
            value, where = worst[key]
            table.append("| %s | %s | %.2f× of the reference%s | %s |" % (
                number, text, value if key not in ("memory", "stub") else value,
                " (%s)" % where if where else "", "met" if value <= limit else "**not met**"))
    errors = [val for key, val in v.items() if key[1] == "error"]
    if errors:
        out += ["", "#### Errors", ""] + ["- %s" % e for e in errors]
    return "\n".join(out[:2] + table + [""] + out[2:]) + "\n"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--figures", required=True)
    p.add_argument("--stub")
    p.add_argument("--stub-map")
    p.add_argument("--command", default="make bench")
    p.add_argument("--splice")
    a = p.parse_args()
    text = render(a)
    if not a.splice:
        sys.stdout.write(text)
        return
    doc = open(a.splice).read()
    block = BEGIN + "\n\n" + text + "\n" + END
    if BEGIN in doc and END in doc:
        doc = doc[:doc.index(BEGIN)] + block + doc[doc.index(END) + len(END):]
    else:
        doc += "\n" + block + "\n"
    open(a.splice, "w").write(doc)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Turns the end-to-end figures (bench/e2e/run.py) into markdown between the
end-to-end markers of docs/performance.md.

  report.py --figures TSV [--stub TSV] [--stub-map MARKDOWN] [--command TEXT] [--splice FILE]
"""
import argparse
import collections
import os
import statistics
import sys

BEGIN = "<!-- %s results: begin (written by `make bench`, do not edit by hand) -->"
END = "<!-- %s results: end -->"
SETS = ["pe", "pe-stripped", "small-files"]
GOAL_INSTALL_VS_FLOOR = 1.1
GOAL_REMOVE_VS_NSIS = 0.5
GOAL_REMOVE_VS_FLOOR = 1.5
GOAL_STUB_BYTES = 38000


# The phases of a profiling build (platform/phase_profile.h), in the order
# of an installation and then of a removal.
PHASES = [
    ("before-entry", "Wine's start of the program, up to our entry"),
    ("start", "start: background window, command line, own file"),
    ("header", "archive header, destination folders"),
    ("prepare", "language, earlier installation, destination, first hook"),
    ("reading", "reading the payload"),
    ("checksum", "payload checksum"),
    ("unpack", "unpacking"),
    ("records", "records (names, data, checks)"),
    ("probe", "existence probe"),
    ("folders", "making folders, listing them for removal"),
    ("create", "creating files"),
    ("write", "writing files"),
    ("time-stamp", "time stamps"),
    ("close", "closing files"),
    ("progress", "progress bar, status line, message pump"),
    ("registry", "registry"),
    ("shortcuts", "shortcuts (the uninstaller's too)"),
    ("uninstaller-copy", "writing the uninstaller"),
    ("removal-list", "removal list"),
    ("removal-read", "uninstall record, removal list, hooks, fonts"),
    ("delete-files", "deleting files"),
    ("delete-folders", "deleting folders"),
    ("self-removal", "writing and starting the self-removal batch"),
    ("finish", "finish: hooks, log, report"),
    ("other", "other (outside every phase)"),
    ("after", "after our exit: process end (removal: and the batch until the folder is gone)"),
]


def profile_lines(v, sets):
    """The profile tables: milliseconds per phase and corpus, and the share of the time seen."""
    out = []
    for action, title in (("install", "Install"), ("remove", "Removal")):
        subject = "profile-" + action
        have = [s for s in sets if (s, subject, "wall") in v]
        if not have:
            continue
        g = lambda s, k: float(v.get((s, subject, k), 0.0))
        out += ["", "#### Where the time goes: %s (profiling build, milliseconds and share of the time seen)" % title.lower(), "",
                "| phase | " + " | ".join(have) + " |", "|---|" + "---|" * len(have)]
        rows = []
        for key, text in PHASES:
            cells = []
            shown = False
            for s in have:
                wall = g(s, "wall")
                ms = g(s, key) if key != "after" else wall - g(s, "before-entry") - g(s, "program")
                shown = shown or ms >= 0.0005
                cells.append("%.0f (%.0f %%)" % (ms * 1000, 100 * ms / wall) if wall > 0 else "")
            if shown:
                rows.append("| %s | %s |" % (text, " | ".join(cells)))
        out += rows
        out.append("| **time seen by the benchmark** | %s |" % " | ".join("%.0f" % (g(s, "wall") * 1000) for s in have))
    return out


def round_ratio(v, s, figure, subject, references):
    """The median over the rounds of subject's time over the least of the
    references' times in the same round: a slow moment of the shared machine
    hits one round of every subject alike. None without per-round times."""
    key = lambda sub: (s, sub, figure + "-rounds")
    if key(subject) not in v or any(key(r) not in v for r in references):
        return None
    rounds = lambda sub: [float(x) for x in v[key(sub)].split(",")]
    mine = rounds(subject)
    theirs = [min(ts) for ts in zip(*(rounds(r) for r in references))]
    return statistics.median(m / t for m, t in zip(mine, theirs))


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
    out = ["Made by `%s` on this machine (medians of the rounds, %s, "
           "one Wine session; every time includes Wine's start of the program)." % (a.command, a.builds), ""]
    out += ["#### Install and removal (seconds: medians of the rounds; ratios: medians of the ratios within each round)", "",
            "| corpus | files | MB | ours | NSIS zlib | NSIS lzma | floor | ours/best NSIS | ours/floor "
            "| removal: ours | NSIS zlib | NSIS lzma | floor | ours/best NSIS | ours/floor |",
            "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"]
    worst = {}
    nan = float("nan")
    get = lambda s, sub, fig: float(v[(s, sub, fig)]) if (s, sub, fig) in v else nan
    cell = lambda x, form: "–" if x != x else form % x
    for s in sets:
        i = {k: get(s, k, "install") for k in ("ours", "nsis-zlib", "nsis-lzma", "floor")}
        r = {k: get(s, k, "remove") for k in ("ours", "nsis-zlib", "nsis-lzma", "floor")}
        best = lambda t: min(t["nsis-zlib"], t["nsis-lzma"]) if t["nsis-zlib"] == t["nsis-zlib"] else nan
        # Ratios within each round where the rounds were kept, else of the medians.
        paired = lambda figure, refs, fallback: (
            round_ratio(v, s, figure, "ours", refs) if round_ratio(v, s, figure, "ours", refs) is not None else fallback)
        ri = paired("install", ["nsis-zlib", "nsis-lzma"], i["ours"] / best(i))
        rf = paired("install", ["floor"], i["ours"] / i["floor"])
        rr = paired("remove", ["nsis-zlib", "nsis-lzma"], r["ours"] / best(r))
        rrf = paired("remove", ["floor"], r["ours"] / r["floor"])
        for key, value in (("install/nsis", ri), ("install/floor", rf), ("remove/nsis", rr), ("remove/floor", rrf)):
            if value == value and value > worst.get(key, (0, ""))[0]:
                worst[key] = (value, s)
        out.append("| %s | %d | %.1f | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |" % (
            (s, int(v[(s, "payload", "files")]), int(v[(s, "payload", "bytes")]) / 1e6) +
            tuple(cell(i[k], "%.3f") for k in ("ours", "nsis-zlib", "nsis-lzma", "floor")) +
            (cell(ri, "%.2f×"), cell(rf, "%.2f×")) +
            tuple(cell(r[k], "%.3f") for k in ("ours", "nsis-zlib", "nsis-lzma", "floor")) +
            (cell(rr, "%.2f×"), cell(rrf, "%.2f×"))))
    windowed = [s for s in sets if (s, "floor-window", "install") in v]
    if windowed:
        out += ["", "Against the floor with a window (the floor built with `FLOOR_WINDOW`: the same work after "
                "showing a screen-filling window with a line of TrueType text, as every program with a window "
                "pays under Wine; seconds, and ratios within each round):", "",
                "| corpus | install: floor | floor with a window | ours/floor with a window "
                "| removal: floor | floor with a window | ours/floor with a window |",
                "|---|---|---|---|---|---|---|"]
        for s in windowed:
            row = [s]
            for figure in ("install", "remove"):
                ratio = round_ratio(v, s, figure, "ours", ["floor-window"])
                if ratio is None:
                    ratio = get(s, "ours", figure) / get(s, "floor-window", figure)
                row += ["%.3f" % get(s, "floor", figure), "%.3f" % get(s, "floor-window", figure), "%.2f×" % ratio]
            out.append("| " + " | ".join(row) + " |")
    compared = sorted({k[1] for k in v if k[1].startswith("ours-") and k[2] == "install"})
    if compared:
        out += ["", "Earlier builds of ours timed in the same rounds (seconds; ratio to the floor):", "",
                "| corpus | build | install | /floor | removal | /floor |", "|---|---|---|---|---|---|"]
        for s in sets:
            for c in ["ours"] + compared:
                ci, cr = get(s, c, "install"), get(s, c, "remove")
                pi = round_ratio(v, s, "install", c, ["floor"])
                pr = round_ratio(v, s, "remove", c, ["floor"])
                out.append("| %s | %s | %.3f | %.2f× | %.3f | %.2f× |" % (
                    s, "this one" if c == "ours" else c[5:], ci,
                    pi if pi is not None else ci / get(s, "floor", "install"),
                    cr, pr if pr is not None else cr / get(s, "floor", "remove")))
    out += ["", "#### Package sizes (bytes)", "",
            "| corpus | payload | ours (best) | NSIS zlib | NSIS solid lzma | ours/NSIS zlib | ours/NSIS lzma |",
            "|---|---|---|---|---|---|---|"]
    for s in sets:
        o, z, l = get(s, "ours", "size"), get(s, "nsis-zlib", "size"), get(s, "nsis-lzma", "size")
        out.append("| %s | %s | %s | %s | %s | %.2f× | %.2f× |" % (
            s, "{:,}".format(int(v[(s, "payload", "bytes")])), "{:,}".format(int(o)), "{:,}".format(int(z)),
            "{:,}".format(int(l)), o / z, o / l))
    out += profile_lines(v, sets)
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
    p.add_argument("--builds", default="x86-64 builds under 64-bit Wine")
    p.add_argument("--markers", default="e2e", help="which marked block of the document to replace")
    a = p.parse_args()
    text = render(a)
    if not a.splice:
        sys.stdout.write(text)
        return
    doc = open(a.splice).read()
    begin, end = BEGIN % a.markers, END % a.markers
    block = begin + "\n\n" + text + "\n" + end
    if begin in doc and end in doc:
        doc = doc[:doc.index(begin)] + block + doc[doc.index(end) + len(end):]
    else:
        doc += "\n" + block + "\n"
    open(a.splice, "w").write(doc)


if __name__ == "__main__":
    main()

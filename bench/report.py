#!/usr/bin/env python3
"""Turns the benchmark figures into the markdown results of docs/performance.md.

  report.py --native TSV [--windows TSV] [--stub TSV] [--machine TXT] [--corpus DIR]
            [--command TEXT] [--splice FILE]

The TSV files are written by tessa_codec_bench and bench/stub-size. Without
--splice the markdown goes to standard output; with it, it replaces the part
of FILE between the results markers (and is appended when FILE has none).
Every ratio compares figures taken in the same process (or the same run), as
absolute times on a shared machine are noise. Goals are judged on the stream
rows: an installer's payload is one stream.
"""
import argparse
import os
import sys

BEGIN = "<!-- results: begin (written by `make bench`, do not edit by hand) -->"
END = "<!-- results: end -->"

GOAL_UNPACK_VS_LZ4 = 1.0
GOAL_LOOP_VS_MEMCPY = 0.7
GOAL_SIZE_VS_LZ4HC9 = 0.8
GOAL_PACK_SPEED_VS_LZ4HC9 = 1.0
GOAL_FAST_VS_BEST = 3.0
GOAL_STUB_BYTES = 38000

SET_ORDER = ["pe-small", "pe-large", "text"]
MODE_ORDER = ["stream", "files"]


class Figures:
    """The figures of one run: (set, mode, kind, subject) -> value, plus the build lines."""

    def __init__(self, path):
        self.values = {}
        self.info = {}
        self.errors = []
        if not path or not os.path.exists(path):
            return
        with open(path) as f:
            for line in f:
                parts = line.rstrip("\n").split("\t")
                if parts[0] == "#" and len(parts) >= 3:
                    self.info[parts[1]] = parts[2]
                elif len(parts) >= 5 and parts[2] == "error":
                    self.errors.append("%s %s %s: %s" % (parts[0], parts[1], parts[3], parts[4]))
                elif len(parts) >= 5:
                    try:
                        self.values[(parts[0], parts[1], parts[2], parts[3])] = float(parts[4])
                    except ValueError:
                        self.errors.append("unreadable line: " + line.strip())

    def __bool__(self):
        return bool(self.values) or bool(self.info)

    def get(self, s, m, kind, subject):
        return self.values.get((s, m, kind, subject))

    def rows(self):
        """(set, mode) pairs present, in table order."""
        pairs = {(k[0], k[1]) for k in self.values if k[1] != "-"}
        order = lambda p: (SET_ORDER.index(p[0]) if p[0] in SET_ORDER else 99, p[0],
                           MODE_ORDER.index(p[1]) if p[1] in MODE_ORDER else 99)
        return sorted(pairs, key=order)

    def mbps(self, s, m, kind, subject):
        t = self.get(s, m, kind, subject)
        n = self.get(s, m, "input_bytes", "-")
        return n / t / 1e6 if t and n else None


def ratio(a, b):
    return a / b if a is not None and b else None


def fmt(v, digits=0):
    if v is None:
        return "–"
    return format(v, ",.%df" % digits)


def fmt_ratio(v):
    return "–" if v is None else "%.2f×" % v


def mb(n):
    return "–" if n is None else "%.1f" % (n / 1e6)


def label(s, m):
    return "%s (%s)" % (s, "one stream" if m == "stream" else "file by file")


def table(header, rows):
    out = ["| " + " | ".join(header) + " |", "|" + "|".join("---" for _ in header) + "|"]
    out += ["| " + " | ".join(r) + " |" for r in rows]
    return "\n".join(out)


class Goal:
    def __init__(self, number, text):
        self.number, self.text = number, text
        self.worst = None  # (value, where)
        self.higher_is_better = True

    def offer(self, value, where):
        if value is None:
            return
        if self.worst is None or (value < self.worst[0] if self.higher_is_better else value > self.worst[0]):
            self.worst = (value, where)


def unpack_section(fig, title, with_references):
    rows = []
    for s, m in fig.rows():
        ours = fig.mbps(s, m, "unpack_s", "ours")
        lz4 = fig.mbps(s, m, "unpack_s", "lz4")
        zlib = fig.mbps(s, m, "unpack_s", "zlib")
        copy = fig.mbps(s, m, "unpack_s", "memcpy")
        warm = fig.mbps(s, m, "unpack_s", "memcpy-warm")
        if with_references:
            rows.append([label(s, m), mb(fig.get(s, m, "input_bytes", "-")), fmt(ours), fmt(lz4), fmt(zlib),
                         fmt(copy), fmt_ratio(ratio(ours, lz4)), fmt_ratio(ratio(ours, copy))])
        else:
            rows.append([label(s, m), mb(fig.get(s, m, "input_bytes", "-")), fmt(ours), fmt(copy), fmt(warm),
                         fmt_ratio(ratio(ours, copy)), fmt_ratio(ratio(ours, warm))])
    if with_references:
        header = ["corpus", "MB", "`Unpack` MB/s", "LZ4 MB/s", "zlib MB/s", "memcpy MB/s", "`Unpack`/LZ4",
                  "`Unpack`/memcpy"]
    else:
        header = ["corpus", "MB", "`Unpack` MB/s", "memcpy MB/s", "memcpy, touched buffer, MB/s",
                  "`Unpack`/memcpy", "`Unpack`/touched memcpy"]
    return "#### %s\n\n%s\n" % (title, table(header, rows))


def loop_rows(fig, build):
    rows = []
    for s, m in fig.rows():
        if m != "stream" or fig.get(s, m, "loop_s", "memcpy") is None:
            continue
        copy = fig.mbps(s, m, "loop_s", "memcpy")
        csum = fig.mbps(s, m, "loop_s", "checksum")
        xor = fig.mbps(s, m, "loop_s", "xor")
        rows.append([build, s, fmt(csum), fmt(xor), fmt(copy), fmt_ratio(ratio(csum, copy)),
                     fmt_ratio(ratio(xor, copy))])
    return rows


def packing_section(fig):
    size_rows, speed_rows = [], []
    for s, m in fig.rows():
        n = fig.get(s, m, "input_bytes", "-")
        best = fig.get(s, m, "size", "ours-best")
        fast = fig.get(s, m, "size", "ours-fast")
        hc9 = fig.get(s, m, "size", "lz4hc9")
        hc12 = fig.get(s, m, "size", "lz4hc12")
        z6 = fig.get(s, m, "size", "zlib6")
        size_rows.append([label(s, m), mb(n), mb(best), mb(fast), mb(hc9), mb(hc12), mb(z6),
                          fmt_ratio(ratio(best, hc9)), fmt_ratio(ratio(best, z6))])
        sb = fig.mbps(s, m, "pack_s", "ours-best")
        sf = fig.mbps(s, m, "pack_s", "ours-fast")
        s9 = fig.mbps(s, m, "pack_s", "lz4hc9")
        sz = fig.mbps(s, m, "pack_s", "zlib6")
        speed_rows.append([label(s, m), fmt(sb, 1), fmt(sf, 1), fmt(s9, 1), fmt(sz, 1),
                           fmt_ratio(ratio(sb, s9)), fmt_ratio(ratio(sf, sb))])
    return ("#### Packing: sizes (MB)\n\n" +
            table(["corpus", "input", "ours best", "ours fast", "LZ4 HC 9", "LZ4 HC 12", "zlib 6",
                   "best/LZ4 HC 9", "best/zlib 6"], size_rows) +
            "\n\n#### Packing: speed (MB/s of input)\n\n" +
            table(["corpus", "ours best", "ours fast", "LZ4 HC 9", "zlib 6", "best/LZ4 HC 9", "fast/best"],
                  speed_rows) + "\n")


def stub_section(stub_path):
    if not stub_path or not os.path.exists(stub_path):
        return "#### Installer stub\n\nNot measured: the installer (target `tessaform`) was not built.\n", None
    sizes, sections, groups, objects, pulled = {}, [], [], [], []
    with open(stub_path) as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) < 5 or parts[0] != "stub":
                continue
            kind, name, value = parts[2], parts[3], parts[4]
            if kind == "file_bytes":
                sizes[kind] = int(value)
                sizes["name"] = name
            elif kind == "section":
                sections.append((name, int(value)))
            elif kind == "group":
                groups.append((name, int(value)))
            elif kind == "object":
                objects.append((name, int(value)))
            elif kind == "pulled":
                pulled.append((name, value))
    shipped = sizes.get("file_bytes")
    out = ["#### Installer stub (i686, as shipped: MinSizeRel, stripped, no archive)", ""]
    out.append("`%s`: **%s bytes**; goal at most %s bytes." %
               (sizes.get("name", "?"), fmt(shipped), fmt(GOAL_STUB_BYTES)))
    if sections:
        out += ["", "Sections: " + ", ".join("%s %s" % (n, fmt(v)) for n, v in sections) + "."]
    if groups:
        out += ["", "Code and data by origin (bytes, from the linker map):", "",
                table(["origin", "bytes"], [[n, fmt(v)] for n, v in groups])]
    if objects:
        out += ["", "Largest objects:", "", table(["object", "bytes"], [[n, fmt(v)] for n, v in objects[:15]])]
    if pulled:
        out += ["", "Runtime members our code asks for directly (everything else of the runtimes hangs off these):",
                "", table(["runtime member", "asked for by (symbol)"],
                          [[n, v.replace("|", "\\|")] for n, v in pulled])]
    return "\n".join(out) + "\n", shipped


def goals(native, windows, stub_bytes):
    g1 = Goal(1, "`Unpack` at least %.1f× LZ4's safe decoder (native)" % GOAL_UNPACK_VS_LZ4)
    g2a = Goal(2, "`Checksum` at least %.1f× memcpy" % GOAL_LOOP_VS_MEMCPY)
    g2b = Goal(2, "`XorWithKey` at least %.1f× memcpy" % GOAL_LOOP_VS_MEMCPY)
    g3a = Goal(3, "best level at most %.1f× LZ4 HC 9's size" % GOAL_SIZE_VS_LZ4HC9)
    g3a.higher_is_better = False
    g3b = Goal(3, "best level packs at least %.1f× LZ4 HC 9's speed" % GOAL_PACK_SPEED_VS_LZ4HC9)
    g3c = Goal(3, "fast level at least %.1f× the best level's speed" % GOAL_FAST_VS_BEST)
    for s, m in native.rows():
        if m != "stream":
            continue
        g1.offer(ratio(native.mbps(s, m, "unpack_s", "ours"), native.mbps(s, m, "unpack_s", "lz4")), s)
        g3a.offer(ratio(native.get(s, m, "size", "ours-best"), native.get(s, m, "size", "lz4hc9")), s)
        g3b.offer(ratio(native.mbps(s, m, "pack_s", "ours-best"), native.mbps(s, m, "pack_s", "lz4hc9")), s)
        g3c.offer(ratio(native.mbps(s, m, "pack_s", "ours-fast"), native.mbps(s, m, "pack_s", "ours-best")), s)
    for fig, build in ((native, "native"), (windows, "Windows")):
        for s, m in fig.rows():
            if m != "stream":
                continue
            g2a.offer(ratio(fig.mbps(s, m, "loop_s", "checksum"), fig.mbps(s, m, "loop_s", "memcpy")),
                      "%s, %s" % (build, s))
            g2b.offer(ratio(fig.mbps(s, m, "loop_s", "xor"), fig.mbps(s, m, "loop_s", "memcpy")),
                      "%s, %s" % (build, s))
    thresholds = [(g1, GOAL_UNPACK_VS_LZ4), (g2a, GOAL_LOOP_VS_MEMCPY), (g2b, GOAL_LOOP_VS_MEMCPY),
                  (g3a, GOAL_SIZE_VS_LZ4HC9), (g3b, GOAL_PACK_SPEED_VS_LZ4HC9), (g3c, GOAL_FAST_VS_BEST)]
    rows = []
    for goal, threshold in thresholds:
        if goal.worst is None:
            rows.append([str(goal.number), goal.text, "not measured", "–"])
            continue
        value, where = goal.worst
        met = value >= threshold if goal.higher_is_better else value <= threshold
        rows.append([str(goal.number), goal.text, "%s (%s)" % (fmt_ratio(value), where), "met" if met else "**not met**"])
    if stub_bytes is None:
        rows.append(["4", "installer stub at most %s bytes" % fmt(GOAL_STUB_BYTES), "not measured", "–"])
    else:
        rows.append(["4", "installer stub at most %s bytes" % fmt(GOAL_STUB_BYTES), "%s bytes" % fmt(stub_bytes),
                     "met" if stub_bytes <= GOAL_STUB_BYTES else "**not met**"])
    return ("#### Goals (worst stream row)\n\n" +
            table(["#", "goal", "worst figure (where)", "status"], rows) + "\n")


def render(args):
    native = Figures(args.native)
    windows = Figures(args.windows)
    parts = [BEGIN, ""]
    parts.append("Made by `%s` on this machine:" % args.command)
    parts.append("")
    if args.machine and os.path.exists(args.machine):
        with open(args.machine) as f:
            parts += ["- " + l.strip() for l in f if l.strip()]
    if native.info:
        parts.append("- native build: %s; references: %s" % (native.info.get("build", "?"),
                                                              native.info.get("references", "?")))
    if windows.info:
        parts.append("- Windows build: %s" % windows.info.get("build", "?"))
    if args.corpus and os.path.exists(os.path.join(args.corpus, "SOURCES")):
        with open(os.path.join(args.corpus, "SOURCES")) as f:
            parts += ["- corpus %s" % l.strip() for l in f if l.strip()]
    parts.append("")

    stub_text, stub_bytes = stub_section(args.stub)
    parts.append(goals(native, windows, stub_bytes))
    if native:
        parts.append(unpack_section(native, "Unpack, native x86-64", True))
    if windows:
        parts.append(unpack_section(windows, "Unpack, Windows build under Wine (no LZ4 or zlib for MinGW)", False))
    loops = loop_rows(native, "native") + loop_rows(windows, "Windows")
    if loops:
        parts.append("#### Checksum and XorWithKey (one stream, buffers touched beforehand)\n\n" +
                     table(["build", "corpus", "`Checksum` MB/s", "`XorWithKey` MB/s", "memcpy MB/s",
                            "`Checksum`/memcpy", "`XorWithKey`/memcpy"], loops) + "\n")
    if native:
        parts.append(packing_section(native))
    parts.append(stub_text)
    errors = native.errors + windows.errors
    if errors:
        parts.append("#### Errors\n\n" + "\n".join("- " + e for e in errors) + "\n")
    parts.append(END)
    return "\n".join(parts) + "\n"


def splice(path, text):
    old = open(path).read() if os.path.exists(path) else ""
    if BEGIN in old and END in old:
        head = old[:old.index(BEGIN)]
        tail = old[old.index(END) + len(END):]
        new = head + text.rstrip("\n") + tail
    else:
        new = old + ("\n" if old and not old.endswith("\n") else "") + text
    with open(path, "w") as f:
        f.write(new)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--native", required=True)
    p.add_argument("--windows")
    p.add_argument("--stub")
    p.add_argument("--machine")
    p.add_argument("--corpus")
    p.add_argument("--command", default="make bench")
    p.add_argument("--splice")
    args = p.parse_args()
    text = render(args)
    if args.splice:
        splice(args.splice, text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())

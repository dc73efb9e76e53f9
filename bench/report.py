#!/usr/bin/env python3
"""Gathers the benchmarks' JSON lines into bench/results.json and prints
them as one table: every figure a median, every timing beside its baseline
from the same run, with the ratio (figure / baseline)."""
import argparse
import datetime
import json
import pathlib


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("outdir")
    parser.add_argument("results")
    parser.add_argument("--load", default="")
    parser.add_argument("--runs", type=int, default=0)
    args = parser.parse_args()

    figures = []
    for name in ("startup", "bookmarks", "history", "windows", "parser", "sites", "memory"):
        path = pathlib.Path(args.outdir) / f"{name}.jsonl"
        for line in path.read_text().splitlines():
            if line.strip():
                figures.append(json.loads(line))

    rows = []
    for f in figures:
        group = f["group"]
        if group == "windows" and "kb_per_window" in f:
            rows.append((group, f["name"], "", f"{f['kb_per_window']:.1f} KB", "", "", "", ""))
        elif group in ("startup", "bookmarks", "history", "windows"):
            per = f"{f['per_entry_us']:.2f} µs" if "per_entry_us" in f else ""
            rows.append((group, f["name"], f.get("entries") or "", f"{f['ms']:.3f} ms", f["baseline"],
                         f"{f['baseline_ms']:.3f} ms", f"{f['ratio']:.2f}", per))
        elif group == "parser":
            mb = f"{f['bytes'] / 1e6:.1f} MB"
            rows.append((group, f"parse, ours ({mb})", f["entries"], f"{f['ours_mb_s']:.1f} MB/s", "pugixml",
                         f"{f['pugixml_mb_s']:.1f} MB/s", f"{f['ratio_to_pugixml']:.2f}",
                         f"{f['ours_ms'] * 1e3 / f['entries']:.2f} µs"))
            rows.append((group, f"parse, ours ({mb})", f["entries"], f"{f['ours_mb_s']:.1f} MB/s", "libxml2",
                         f"{f['libxml2_mb_s']:.1f} MB/s", f"{f['ratio_to_libxml2']:.2f}", ""))
        elif group == "sites":
            if "ns" in f:
                median, baseline = f"{f['ns']:.0f} ns", f"{f['baseline_ns']:.0f} ns"
            else:
                median, baseline = f"{f['ms']:.3f} ms", f"{f['baseline_ms']:.3f} ms"
            rows.append((group, f["name"], f.get("entries") or "", median, f["baseline"], baseline,
                         f"{f['ratio']:.2f}", ""))
        elif group == "memory":
            rows.append((group, f["name"], "", f"{f['kb'] / 1024:.1f} MB", "", "", "", ""))
        elif group == "size":
            rows.append((group, f["name"] + " (Release)", "", f"{f['bytes'] / 1024:.0f} KB", "", "", "", ""))

    header = ("group", "figure", "entries", "median", "baseline", "baseline median", "ratio", "per entry")
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for row in rows:
        lines.append("| " + " | ".join(str(c) for c in row) + " |")
    table = "\n".join(lines)
    print(table)
    print("\nratio: figure / baseline for timings (lower is better); for the parser, "
          "our throughput / theirs (higher is better).")

    document = {
        "date": datetime.datetime.now(datetime.timezone.utc).isoformat(timespec="seconds"),
        "load_average": args.load,
        "runs": args.runs,
        "figures": figures,
    }
    pathlib.Path(args.results).write_text(json.dumps(document, indent=1, ensure_ascii=False) + "\n")
    print(f"\nwritten: {args.results}")


if __name__ == "__main__":
    main()

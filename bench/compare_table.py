#!/usr/bin/env python3
"""The before/after table from the JSON files bench/compare.sh leaves in its folder."""
import glob
import json
import os
import re
import statistics
import sys

work = sys.argv[1]


def runs(side, bench):
    """Every repetition of every benchmark of one program on one side: name -> [run]."""
    found = {}
    for path in sorted(glob.glob(os.path.join(work, f"{side}-{bench}-*.json"))):
        try:
            with open(path) as f:
                results = json.load(f)["benchmarks"]
        except (OSError, ValueError, KeyError):
            continue  # a program that did not finish its file
        for run in results:
            if run.get("run_type") != "iteration":
                continue
            found.setdefault(run["run_name"], []).append(run)
    return found


def median(side, bench, name, field="real_time"):
    values = [r[field] for r in runs(side, bench).get(name, []) if field in r]
    return statistics.median(values) if values else float("nan")


def load_line(side):
    per_level = [median(side, "bench_level", f"BM_LevelLoad/{n}/manual_time") for n in range(1, 6)]
    return f"{statistics.median(per_level):.0f} ms ({min(per_level):.0f}-{max(per_level):.0f})"


def ratio(side, bench, top, bottom):
    return median(side, bench, top) / median(side, bench, bottom)


def love_ms(n):
    path = os.path.join(work, "love.txt")
    if not os.path.exists(path):
        return float("nan")
    values = [float(m.group(2)) for m in re.finditer(r"love (\d+) sprites: ([\d.]+) ms", open(path).read())
              if int(m.group(1)) == n]
    return statistics.median(values) if values else float("nan")


rows = [("level load, start to first level frame, story levels 1-5 (median, range of the levels)", load_line),
        ("pack entry read, streamed / fread of the same bytes",
         lambda s: f"{ratio(s, 'bench_pack', 'BM_PackEntryStreamed', 'BM_FreadBaseline'):.2f}"),
        ("pack entry read whole / fread",
         lambda s: f"{ratio(s, 'bench_pack', 'BM_PackEntryWhole', 'BM_FreadBaseline'):.2f}"),
        ("PNG decode / libpng", lambda s: f"{ratio(s, 'bench_images', 'DecodePngFromMemory', 'PlainLibpng'):.2f}"),
        ("DrawMesh speed / plain glDrawElements loop",
         lambda s: f"{ratio(s, 'bench_renderer', 'BM_PlainDrawElements/real_time', 'BM_RendererDrawMesh/real_time'):.2f}"),
        ("game's own CPU per level frame, main + audio threads (ms)",
         lambda s: f"{median(s, 'bench_level', 'BM_LevelFrame/1', 'main_ms') + median(s, 'bench_level', 'BM_LevelFrame/1', 'audio_ms'):.2f}"),
        ("GL draw calls per level frame", lambda s: f"{median(s, 'bench_level', 'BM_LevelFrame/1', 'draws'):.1f}"),
        ("whole process CPU per level frame (ms)",
         lambda s: f"{median(s, 'bench_level', 'BM_LevelFrame/1', 'process_ms'):.1f}"),
        ("whole process CPU per empty frame (ms)",
         lambda s: f"{median(s, 'bench_level', 'BM_EmptyFrame', 'process_ms'):.1f}"),
        ("1,000 / 10,000 sprites a frame, ms (against LOVE 11.4)",
         lambda s: f"{median(s, 'bench_gfx2d', 'BM_Gfx2DSprites/1000/real_time'):.1f} / "
                   f"{median(s, 'bench_gfx2d', 'BM_Gfx2DSprites/10000/real_time'):.1f} "
                   f"({love_ms(1000):.1f} / {love_ms(10000):.1f})")]

print("| what | before | after |")
print("|---|---|---|")
for label, cell in rows:
    print(f"| {label} | {cell('before')} | {cell('after')} |")

#!/usr/bin/env python3
"""Where the time of the bench's rebuild and of its replayed host calls goes, by function.

The bench prints the clock window of every timed rebuild and replay to standard error when
BENCH_WINDOWS is set; perf records the process with the clock Wine's QueryPerformanceCounter
uses. Samples inside the windows are resolved against the symbols of the bench program, the host
DLL and the plug-in (they load at their preferred bases under Wine):

  BENCH_WINDOWS=1 xvfb-run -a -s "-screen 0 1280x1024x24" perf record -k CLOCK_MONOTONIC_RAW \\
      -F 4000 -o rebuild.data -- ./scripts/wine-run.sh build/win64/workbench_bench.exe \\
      --run ico7 --out out/profile --leak 0 2> windows.txt
  workbench/bench/profile-windows.py rebuild.data windows.txt [build/win64]
"""
import bisect
import collections
import re
import subprocess
import sys


def image(path):
    header = subprocess.run(['x86_64-w64-mingw32-objdump', '-p', path], capture_output=True, text=True).stdout
    base = int(re.search(r'ImageBase\s+([0-9a-fA-F]+)', header).group(1), 16)
    names = subprocess.run(['x86_64-w64-mingw32-nm', '-C', '--defined-only', path],
                           capture_output=True, text=True).stdout
    symbols = sorted((int(p[0], 16), p[2]) for p in (line.split(' ', 2) for line in names.splitlines())
                     if len(p) == 3 and p[1] in 'tT' and not p[2].startswith('.'))
    return path.split('/')[-1], base, [s[0] for s in symbols], [s[1] for s in symbols]


def main():
    data, log = sys.argv[1], sys.argv[2]
    build = sys.argv[3] if len(sys.argv) > 3 else 'build/win64'
    images = [image(f'{build}/{name}') for name in ('workbench_bench.exe', 'WorkbenchHost.dll', 'Puffshell.dll')]
    windows = collections.defaultdict(list)
    for line in open(log, errors='replace'):
        m = re.match(r'WINDOW (\w+) ([\d.]+) ([\d.]+)', line)
        if m:
            windows[m.group(1)].append((float(m.group(2)) / 1000, float(m.group(3)) / 1000))
    samples = subprocess.run(['perf', 'script', '-i', data, '-F', 'time,ip,dso'],
                             capture_output=True, text=True).stdout
    counts = {k: collections.Counter() for k in windows}
    for line in samples.splitlines():
        m = re.match(r'\s*([\d.]+):\s+([0-9a-f]+)\s*\((.*)\)', line)
        if not m:
            continue
        t, address = float(m.group(1)), int(m.group(2), 16)
        kind = next((k for k, spans in windows.items() if any(s <= t <= e for s, e in spans)), None)
        if kind is None:
            continue
        where = m.group(3).split('/')[-1]
        for name, base, addresses, symbols in images:
            if base <= address < base + 0x2000000:
                i = bisect.bisect_right(addresses, address) - 1
                where = name + ':' + (symbols[i][:90] if i >= 0 else '?')
                break
        counts[kind][where] += 1
    for kind, spans in windows.items():
        total = sum(counts[kind].values())
        print(f'== {kind}: {len(spans)} runs, {1000 * sum(e - s for s, e in spans):.1f} ms, {total} samples')
        for where, n in counts[kind].most_common(20):
            print(f'  {100 * n / max(1, total):6.2f}%  {where}')


main()

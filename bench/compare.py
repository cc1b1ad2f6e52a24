#!/usr/bin/env python3
"""Runs each of our timings next to its reference, in the same run on the same
machine, and prints one table: what, ours, reference, ratio, target, met.

usage: compare.py BUILD INPUTS [--out TABLE.md]

BUILD is an optimised build folder (with KORVEX_BENCH on), INPUTS the folder
scripts/bench made the inputs in. The start-up and f3d rows need DISPLAY.
Times are medians over the runs, since the machines we run on are shared
and one slow run says nothing about the program."""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile


class Table:
    def __init__(self):
        self.rows = []

    def add(self, what, ours, reference, unit, target=None):
        ratio = ours / reference
        met = "-" if target is None else ("yes" if ratio <= target else "no")
        self.rows.append((what, f"{ours:.1f} {unit}", f"{reference:.1f} {unit}", f"{ratio:.2f}",
                          "-" if target is None else f"<= {target:.2f}", met))
        print(f"  {what}: {ratio:.2f}", file=sys.stderr)

    def markdown(self):
        lines = ["| what | ours | reference | ratio | target | met |", "|---|---|---|---|---|---|"]
        lines += ["| " + " | ".join(row) + " |" for row in self.rows]
        return "\n".join(lines) + "\n"


def hyperfine(commands, runs, warmup, rounds=4):
    """Median seconds of each command, timed by hyperfine. The runs are
    split into rounds that take the commands in turn, so that a machine that
    slows down or speeds up during the timing weighs on all of them alike."""
    times = [[] for _ in commands]
    for _ in range(rounds):
        with tempfile.NamedTemporaryFile(suffix=".json") as out:
            subprocess.run(["hyperfine", "-N", "--warmup", str(warmup), "--runs", str(max(1, runs // rounds)),
                            "--output=null", "--export-json", out.name, *commands],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for kept, result in zip(times, json.load(open(out.name))["results"]):
                kept.extend(result["times"])
    return [statistics.median(kept) for kept in times]


def peak_resident_bytes(command, runs):
    """Median of the highest resident memory the command reached, in bytes."""
    peaks = []
    for _ in range(runs):
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        if status != 0:
            sys.exit(f"compare: {' '.join(command)} failed")
        peaks.append(usage.ru_maxrss * 1024)
    return statistics.median(peaks)


def google_benchmark(program, names, repetitions=9):
    """Median milliseconds per iteration of each named benchmark, their
    repetitions interleaved at random for the same reason."""
    pattern = "^(" + "|".join(names) + ")$"
    output = subprocess.run([program, f"--benchmark_filter={pattern}", f"--benchmark_repetitions={repetitions}",
                             "--benchmark_enable_random_interleaving=true",
                             "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
                            check=True, capture_output=True, text=True).stdout
    medians = {b["run_name"]: b["real_time"] for b in json.loads(output)["benchmarks"]
               if b.get("aggregate_name") == "median"}
    return [medians[name] for name in names]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("inputs")
    parser.add_argument("--out")
    args = parser.parse_args()
    build, inputs = args.build, args.inputs
    inspect = f"{build}/tools/korvex-inspect/korvex-inspect"
    big_model = f"{inputs}/big.o"
    car = f"{build}/sample/car.o"
    table = Table()
    ms = 1000.0

    cat, ours = hyperfine([f"cat {big_model}", f"{inspect} model {big_model}"], runs=40, warmup=5)
    table.add("open the 100 MB model: `korvex-inspect model` / `cat`", ours * ms, cat * ms, "ms", 2.0)

    peak = peak_resident_bytes([inspect, "model", big_model], runs=5)
    size = os.path.getsize(big_model)
    table.add("peak memory with the 100 MB model open / the file's size", peak / 2**20, size / 2**20, "MiB", 1.5)

    # Writing the model for other programs, against copying its file: both
    # read the whole file and write about as much.
    copy, glb, obj = hyperfine([f"cp {big_model} {inputs}/big-copy.o",
                                f"{inspect} export {big_model} --glb {inputs}/big.glb",
                                f"{inspect} export {big_model} --obj {inputs}/big.obj"], runs=12, warmup=2)
    table.add("export the 100 MB model as glTF: `korvex-inspect export --glb` / `cp`", glb * ms, copy * ms, "ms")
    table.add("export the 100 MB model as OBJ: `korvex-inspect export --obj` / `cp`", obj * ms, copy * ms, "ms")

    images = f"{inputs}/textures"
    djpeg, jpeg, convert_tga, tga, convert_bmp, bmp = hyperfine(
        [f"djpeg -outfile /dev/null {images}/big.jpg", f"{inspect} texture {images}/big.jpg",
         f"/usr/bin/convert {images}/big.tga null:", f"{inspect} texture {images}/big.tga",
         f"/usr/bin/convert {images}/big.bmp null:", f"{inspect} texture {images}/big.bmp"], runs=15, warmup=3)
    table.add("decode a 4096x4096 JPEG: `korvex-inspect texture` / `djpeg`", jpeg * ms, djpeg * ms, "ms", 1.3)
    table.add("decode a 4096x4096 run-length TGA: ours / ImageMagick", tga * ms, convert_tga * ms, "ms", 1.0)
    table.add("decode a 4096x4096 BMP: ours / ImageMagick", bmp * ms, convert_bmp * ms, "ms", 1.0)

    arrays, listed, per_vertex = google_benchmark(f"{build}/bench/render_bench",
                                                  ["VertexArrays/80", "DisplayList/80", "CallPerVertex/80"])
    table.add("a frame of 1M triangles: vertex arrays / display list", arrays, listed, "ms", 1.10)
    table.add("a frame of 1M triangles: call per vertex / display list", per_vertex, listed, "ms")

    startup = f"{build}/bench/startup-bench"
    empty, with_car = hyperfine([startup, f"{startup} {car}"], runs=30, warmup=5)
    table.add("start-up to the first frame: the sample car / no model", with_car * ms, empty * ms, "ms", 1.2)

    # The viewer's own memory (toolkit, driver, window) is there without a model too.
    added = peak_resident_bytes([startup, big_model], runs=3) - peak_resident_bytes([startup], runs=3)
    table.add("the viewer's memory with the 100 MB model drawn, above none / the file's size",
              added / 2**20, size / 2**20, "MiB", 1.5)

    png = f"{inputs}/render.png"
    # The same framing in both: f3d looks at the side of the car and fits it.
    ours, f3d = hyperfine([f"{inspect} render {car} --png {png} --size 640x480 --view side --fit",
                           f"f3d --output {png} --resolution 640,480 {inputs}/car.ply"], runs=15, warmup=3)
    table.add("draw the sample car to a 640x480 PNG: `korvex-inspect render` / `f3d --output`",
              ours * ms, f3d * ms, "ms", 0.5)

    # A file manager's thumbnail: the three-quarter view fitted at 256 pixels
    # a side on a clear background, against f3d's own picture of the same
    # geometry at that size without a background.
    thumb = f"{inputs}/thumb.png"
    ours, f3d = hyperfine([f"{inspect} thumbnail -s 256 {car} {thumb}",
                           f"f3d --output {thumb} --resolution 256,256 --no-background {inputs}/car.ply"],
                          runs=15, warmup=3)
    table.add("a 256-pixel thumbnail of the sample car: `korvex-inspect thumbnail -s 256` / "
              "`f3d --output --resolution 256,256 --no-background`", ours * ms, f3d * ms, "ms", 0.5)

    # A painter's template at 4096 x 4096: both decode the picture and write
    # a PNG of its size; ours draws the body's triangles over it first.
    body = [arg for part in range(9) for arg in ("--texture", f"{part}={images}/big.tga")]
    layout = f"{inputs}/layout.png"
    convert_png, over, bare = hyperfine(
        [f"/usr/bin/convert {images}/big.tga {inputs}/big.png",
         " ".join([inspect, "uv", car, "--png", layout, "--part", "0", "--over", *body]),
         " ".join([inspect, "uv", car, "--png", layout, "--part", "0", *body])], runs=12, warmup=2)
    table.add("a 4096x4096 UV layout of the sample car's body over its picture: `korvex-inspect uv --over` / "
              "ImageMagick's TGA to PNG", over * ms, convert_png * ms, "ms")
    table.add("the same layout bare, on a clear background / ImageMagick's TGA to PNG", bare * ms, convert_png * ms,
              "ms")

    # Smooth edges: the window's own view, drawn again and again standing still.
    smooth, plain, samples, size = subprocess.run([f"{build}/bench/smooth-frames-bench", car, "240"], check=True,
                                                  capture_output=True, text=True).stdout.split()
    table.add(f"a frame of the sample car in the window's {size} view: {samples}x samples / none (llvmpipe)",
              float(smooth), float(plain), "ms")

    # Turntable films: 180 frames of 800x600 drawn and encoded, against the
    # encoders' own command-line tools given the same frames as PNG files
    # with the same settings (x264 medium, crf 23; WebP lossy, quality 80,
    # method 4). The frames are the film's own, so both encode the same.
    frames = f"{inputs}/frames"
    os.makedirs(frames, exist_ok=True)
    mp4, webp = f"{inputs}/turn.mp4", f"{inputs}/turn.webp"
    subprocess.run([inspect, "turntable", car, "--out", mp4], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", mp4, "-start_number", "0", f"{frames}/f%03d.png"],
                   check=True)
    pngs = " ".join(f"{frames}/f{i:03d}.png" for i in range(180))
    ffmpeg, ours_mp4, sharp_mp4, img2webp, ours_webp = hyperfine(
        [f"ffmpeg -loglevel error -y -framerate 30 -i {frames}/f%03d.png -c:v libx264 -preset medium -crf 23 "
         f"-pix_fmt yuv420p -movflags +faststart {inputs}/ref.mp4",
         f"{inspect} turntable {car} --out {mp4}",
         f"{inspect} turntable {car} --out {mp4} --samples 0",
         f"img2webp -loop 0 -lossy -q 80 -m 4 -d 33 {pngs} -o {inputs}/ref.webp",
         f"{inspect} turntable {car} --out {webp}"], runs=4, warmup=1, rounds=2)
    table.add("a turntable of the sample car, 180 frames 800x600 to .mp4: `korvex-inspect turntable` / "
              "`ffmpeg` from PNG files", ours_mp4 * ms, ffmpeg * ms, "ms", 1.5)
    table.add("the same without smooth edges (`--samples 0`) / `ffmpeg` from PNG files", sharp_mp4 * ms, ffmpeg * ms,
              "ms")
    table.add("the same to animated .webp: `korvex-inspect turntable` / `img2webp` from PNG files",
              ours_webp * ms, img2webp * ms, "ms", 1.5)

    text = table.markdown()
    print(text, end="")
    if args.out:
        with open(args.out, "w") as out:
            out.write(text)


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# export_tools_test.sh INSPECT MODEL PICTURE NODE_MODULES
#
# Exports MODEL, its first part textured with PICTURE, as binary glTF and as
# OBJ, then has other programs read the files: the Khronos glTF validator
# must find no error, and assimp must find one mesh per part and as many
# faces as the strips make triangles. The expected counts are worked out
# here from the inspector's dump, apart from the code that wrote the files.
set -euo pipefail
inspect=$1 model=$2 picture=$3 modules=$4
here=$(dirname "$(realpath "$0")")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$inspect" export "$model" --glb "$dir/car.glb" --obj "$dir/car.obj" --texture "0=$picture" >"$dir/out"

# Every part row after the "---" line is a mesh; each "i" line of the dump
# is a strip over the "v" lines before it, whose triangles with three
# corners at three different points are faces.
"$inspect" model "$model" --dump >"$dir/dump"
meshes=$(awk '/^---$/ {rows = 1; next} rows && /^[0-9]+\t/ {n++} END {print n}' "$dir/dump")
faces=$(awk 'function apart(p, q) { return p != q && (x[p] != x[q] || y[p] != y[q] || z[p] != z[q]) }
             /^v/ { x[m] = $2 + 0; y[m] = $3 + 0; z[m] = $4 + 0; m++ }
             /^i/ { for (k = 2; k + 2 <= NF; k++) if (apart($k, $(k+1)) && apart($(k+1), $(k+2)) && apart($k, $(k+2))) n++
                    m = 0 }
             END {print n}' "$dir/dump")
left=$(grep -c '^left out' "$dir/out" || true)
meshes=$((meshes - left))
echo "expected: $meshes meshes, $faces faces ($left parts left out)"

echo "--- glTF validator"
NODE_PATH=$modules node "$here/support/gltf-validator/validate.js" "$dir/car.glb" >"$dir/report"
sed -n '/"issues"/,/"messages"/p; /"drawCallCount"/,/"totalTriangleCount"/p' "$dir/report"
grep -q '"numErrors": 0,' "$dir/report"
grep -q '"generator": "Korvex Model Viewer 1.0"' "$dir/report"
grep -q '"hasTextures": true,' "$dir/report"
grep -q "\"drawCallCount\": $meshes," "$dir/report"
grep -q "\"totalTriangleCount\": $faces," "$dir/report"

for file in car.glb car.obj; do
  echo "--- assimp info -r $file"
  assimp info "$dir/$file" -r | grep -v '%$' >"$dir/info"
  grep -E '^(Meshes|Faces|Materials|Primitive Types):' "$dir/info"
  grep -Eq "^Meshes: +$meshes\$" "$dir/info"
  grep -Eq "^Faces: +$faces\$" "$dir/info"
  grep -Eq '^Primitive Types: +triangles$' "$dir/info"
done
echo "--- OBJ's texture: $(ls "$dir" | grep png)"
[ -s "$dir/car_Env.png" ]

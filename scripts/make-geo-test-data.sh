#!/usr/bin/env bash
# Makes the small boundary layers of the geo tests in tests/data/geo/ with
# GDAL's ogr2ogr (Debian's gdal-bin):
#   grid.gpkg     layer "centres" (points), "grid" (a 3 x 3 grid of squares;
#                 fields code TEXT, muni INTEGER, name TEXT), "grid_repeated"
#                 (the grid with two cells that repeat a code) and "empty"
#                 (polygons, no feature), all in UTM zone 54N
#   shapes.geojson  a square with a hole, a multipolygon of two squares, a
#                 square with an island inside the hole of another (WGS 84)
#   contiguity.geojson  a square with a hole and a square that fills it, a
#                 multipolygon with a part on the first square's edge and a
#                 part that meets a fourth square at one corner, an island
#   cp932.shp     a Shapefile whose .cpg says CP932, with Japanese codes and
#                 names and integer municipality codes
# Run from the top folder; the files are replaced.
set -euo pipefail
out=tests/data/geo
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export OGR_CURRENT_DATE=2024-01-01T00:00:00Z  # the same bytes on every run

square() {  # x0 y0 size -> a closed ring
    local x=$1 y=$2 s=$3
    echo "[[$x,$y],[$((x + s)),$y],[$((x + s)),$((y + s))],[$x,$((y + s))],[$x,$y]]"
}

features=()
for row in 0 1 2; do
    for col in 0 1 2; do
        n=$((row * 3 + col + 1))
        x=$((500000 + col * 1000))
        y=$((4000000 + row * 1000))
        features+=("{\"type\":\"Feature\",\"properties\":{\"code\":\"A0$n\",\"muni\":$((1100 + n)),\"name\":\"cell $n\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[$(square $x $y 1000)]}}")
    done
done
join() { local IFS=,; echo "$*"; }
echo "{\"type\":\"FeatureCollection\",\"features\":[$(join "${features[@]}")]}" >"$tmp/grid.geojson"
repeated=("${features[@]}"
    "{\"type\":\"Feature\",\"properties\":{\"code\":\"A01\",\"muni\":1101,\"name\":\"second A01\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[$(square 510000 4000000 1000)]}}"
    "{\"type\":\"Feature\",\"properties\":{\"code\":\"A02\",\"muni\":1102,\"name\":\"second A02\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[$(square 511000 4000000 1000)]}}")
echo "{\"type\":\"FeatureCollection\",\"features\":[$(join "${repeated[@]}")]}" >"$tmp/repeated.geojson"
centres=()
for n in 1 2 3; do
    centres+=("{\"type\":\"Feature\",\"properties\":{\"code\":\"A0$n\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[$((499500 + n * 1000)),4000500]}}")
done
echo "{\"type\":\"FeatureCollection\",\"features\":[$(join "${centres[@]}")]}" >"$tmp/centres.geojson"

rm -f "$out/grid.gpkg"
ogr2ogr -f GPKG "$out/grid.gpkg" "$tmp/centres.geojson" -nln centres -a_srs EPSG:32654
ogr2ogr -update "$out/grid.gpkg" "$tmp/grid.geojson" -nln grid -a_srs EPSG:32654 \
    -nlt POLYGON
ogr2ogr -update "$out/grid.gpkg" "$tmp/repeated.geojson" -nln grid_repeated \
    -a_srs EPSG:32654 -nlt POLYGON
ogr2ogr -update "$out/grid.gpkg" "$tmp/grid.geojson" -nln empty -a_srs EPSG:32654 \
    -nlt POLYGON -where "code = 'none'"

# A hole, a multipolygon, an island in a hole.
cat >"$out/shapes.geojson" <<'JSON'
{"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"code":"H1","name":"square with a hole"},"geometry":{"type":"Polygon","coordinates":[[[0,0],[4,0],[4,4],[0,4],[0,0]],[[1,1],[1,3],[3,3],[3,1],[1,1]]]}},
{"type":"Feature","properties":{"code":"M2","name":"two squares"},"geometry":{"type":"MultiPolygon","coordinates":[[[[5,0],[6,0],[6,1],[5,1],[5,0]]],[[[7,0],[8,0],[8,1],[7,1],[7,0]]]]}},
{"type":"Feature","properties":{"code":"I3","name":"island"},"geometry":{"type":"Polygon","coordinates":[[[1.5,1.5],[2.5,1.5],[2.5,2.5],[1.5,2.5],[1.5,1.5]]]}}
]}
JSON

# Holes, parts and islands for queen and rook contiguity.
cat >"$out/contiguity.geojson" <<'JSON'
{"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"code":"HOLE","name":"square with a hole, a vertex where PART meets it"},"geometry":{"type":"Polygon","coordinates":[[[0,0],[4,0],[4,1],[4,4],[0,4],[0,0]],[[1,1],[1,3],[3,3],[3,1],[1,1]]]}},
{"type":"Feature","properties":{"code":"FILL","name":"fills the hole"},"geometry":{"type":"Polygon","coordinates":[[[1,1],[3,1],[3,3],[1,3],[1,1]]]}},
{"type":"Feature","properties":{"code":"PART","name":"two squares, one on HOLE's edge, one at CORNER's corner"},"geometry":{"type":"MultiPolygon","coordinates":[[[[4,0],[5,0],[5,1],[4,1],[4,0]]],[[[7,0],[8,0],[8,1],[7,1],[7,0]]]]}},
{"type":"Feature","properties":{"code":"CORNER","name":"touches PART at one point"},"geometry":{"type":"Polygon","coordinates":[[[8,1],[9,1],[9,2],[8,2],[8,1]]]}},
{"type":"Feature","properties":{"code":"ISLAND","name":"apart from all"},"geometry":{"type":"Polygon","coordinates":[[[20,20],[21,20],[21,21],[20,21],[20,20]]]}}
]}
JSON

# Japanese codes and names in CP932.
cat >"$tmp/cp932.geojson" <<'JSON'
{"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"code":"札幌市","muni":1100,"name":"札幌市"},"geometry":{"type":"Polygon","coordinates":[[[141,43],[142,43],[142,44],[141,44],[141,43]]]}},
{"type":"Feature","properties":{"code":"函館市","muni":1202,"name":"函館市"},"geometry":{"type":"Polygon","coordinates":[[[140,41],[141,41],[141,42],[140,42],[140,41]]]}},
{"type":"Feature","properties":{"code":"髙森町","muni":43428,"name":"髙森町"},"geometry":{"type":"Polygon","coordinates":[[[131,32],[132,32],[132,33],[131,33],[131,32]]]}}
]}
JSON
rm -f "$out"/cp932.*
ogr2ogr -f "ESRI Shapefile" "$out/cp932.shp" "$tmp/cp932.geojson" -lco ENCODING=CP932 \
    -a_srs EPSG:4612

#!/usr/bin/env bash
# Makes the map example from the North Carolina sudden infant death data that
# Debian's r-cran-sf ships (shape/nc.shp: the 100 counties with their births
# and deaths for 1974-78 and 1979-84):
#   examples/nc_sids.txt    the input: unit 1 is 1974-78, unit 2 is 1979-84;
#                           the code is the county's FIPS code, Data1 the
#                           deaths, Data2 the expected deaths, births times the
#                           period's pooled rate (all deaths / all births)
#   examples/nc_counties.gpkg  the counties (layer "counties": FIPS, NAME),
#                           in the Shapefile's own coordinate system (NAD27)
# Needs gdal-bin and r-cran-sf (neither is a build dependency). Run from the
# top folder; the files are replaced.
set -euo pipefail
shape=${1:-/usr/lib/R/site-library/sf/shape/nc.shp}
[ -f "$shape" ] || { echo "no $shape: apt-get install r-cran-sf" >&2; exit 1; }
export OGR_CURRENT_DATE=2024-01-01T00:00:00Z  # the same bytes on every run

ogr2ogr -f CSV /vsistdout/ "$shape" -select FIPS,BIR74,SID74,BIR79,SID79 |
    tr -d '"\r' |
    awk -F, 'NR > 1 { n++; fips[n] = $1; b74[n] = $2; s74[n] = $3; b79[n] = $4; s79[n] = $5
                      B74 += $2; S74 += $3; B79 += $4; S79 += $5 }
             END { for (i = 1; i <= n; i++) printf "1\t%s\t%d\t%.6f\n", fips[i], s74[i], b74[i] * S74 / B74
                   for (i = 1; i <= n; i++) printf "2\t%s\t%d\t%.6f\n", fips[i], s79[i], b79[i] * S79 / B79 }' \
    >examples/nc_sids.txt

rm -f examples/nc_counties.gpkg
ogr2ogr -f GPKG examples/nc_counties.gpkg "$shape" -nln counties -select FIPS,NAME \
    -nlt MULTIPOLYGON

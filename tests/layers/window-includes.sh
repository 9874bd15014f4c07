#!/usr/bin/env bash
# The widgets show the headset session and never talk to the device layer:
# no file in window/ includes a header of device/.
#   tests/layers/window-includes.sh SOURCE_DIR
set -u
source_dir=${1:?usage: window-includes.sh SOURCE_DIR}
device_headers=$(cd "$source_dir/device" && ls -- *.h)
offenders=0
for header in $device_headers; do
    if grep -n "#include [\"<]$header[\">]" "$source_dir"/window/*.h "$source_dir"/window/*.cpp; then
        offenders=1
    fi
done
[ "$offenders" -eq 0 ] || echo "window/ includes the device headers above" >&2
exit "$offenders"

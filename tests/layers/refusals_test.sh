#!/usr/bin/env bash
# The layer check on a small tree that breaks the table in each way it can: every break is
# named with its file and line, what the table allows is passed over, and the check fails.
set -euo pipefail
check=${1:?usage: refusals_test.sh CHECK_LAYERS_SH}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
put() { mkdir -p "$tree/$(dirname "$1")" && cat >"$tree/$1"; }

put app/main.cpp <<'X'
#include <QApplication>
#include "qt/qt_host.h"
#include "win32/win32_host.h"
X
put link/trace.h <<'X'
#include "link/adapter.h"
#include "io/hex.h"
// #include "camera/camera_map.h"
#include "camera/camera_map.h"
#include <QString>
X
put frame/host.cpp <<'X'
  #  include <windows.h>
X
put panel/readback.cpp <<'X'
#include "camera/readback.h"
#include "sim/sim_camera.h"
X
put sim/sim_camera.cpp <<'X'
#include "tests/link/bench.h"
X
put adapters/i2c_dev_adapter.cpp <<'X'
#include <Windows.h>
X
put adapters/pxiic_adapter.cpp <<'X'
#include <windows.h>
X
put res/templates.cpp <<'X'
#include "resources.h"
X
put io/hex.cpp <<'X'
#include "link/adapter.h"
#include <windows.h>
X
put io/sha256_bcrypt.cpp <<'X'
#include <windows.h>
X
put packaging/other.cpp <<'X'
#include "res/resources.h"
X

expected='link/trace.h:4: includes "camera/camera_map.h": link may use only io
link/trace.h:5: includes <QString>: only qt and app use Qt
frame/host.cpp:1: includes <windows.h>: only win32, the Windows adapter and the Windows hash use it
panel/readback.cpp:2: includes "sim/sim_camera.h": panel may use only camera, frame, res, eeprom, link and io
sim/sim_camera.cpp:1: includes "tests/link/bench.h": tests/ is no layer of the product
adapters/i2c_dev_adapter.cpp:1: includes <Windows.h>: only win32, the Windows adapter and the Windows hash use it
res/templates.cpp:1: includes "resources.h" without its folder
io/hex.cpp:1: includes "link/adapter.h": io may use only io
io/hex.cpp:2: includes <windows.h>: only win32, the Windows adapter and the Windows hash use it
packaging/other.cpp:1: includes "res/resources.h": packaging may use only io'

status=0
actual=$(bash "$check" "$tree") || status=$?
if [ "$status" -ne 1 ] || [ "$actual" != "$expected" ]; then
  echo "exit status $status (expected 1); the check said:"
  echo "$actual"
  echo "--- expected:"
  echo "$expected"
  exit 1
fi

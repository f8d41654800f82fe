#!/usr/bin/env bash
# Runs the station program against the controller-unit emulator on this machine.
#
#   scripts/demo.sh                   opens the program; the emulator stops when it exits
#   scripts/demo.sh --offscreen [N]   runs without a display for N seconds (default 20),
#                                     then closes the program and leaves a screenshot of
#                                     its main window in build/demo/screenshot.png
#
# Installs what is missing (Debian packages), builds the program, the emulator and the
# recipe template in build/, and prepares the program folder build/demo: ORUN.CFG points
# the program at the emulator over TCP on loopback, ORUN.MDB holds the demonstration
# process "Demo" of two layers. The folder is made afresh on every run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

offscreen=0
seconds=20
while [ $# -gt 0 ]; do
  case "$1" in
    --offscreen)
      offscreen=1
      if [ $# -gt 1 ] && [[ "$2" =~ ^[0-9]+$ ]]; then seconds=$2; shift; fi ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: scripts/demo.sh [--offscreen [seconds]]" >&2; exit 2 ;;
  esac
  shift
done

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
          libgtest-dev libgmock-dev libqcustomplot-dev sqlite3)
. scripts/install-missing.sh
install_missing "${packages[@]}"

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target ORUN_411 unitsim orun_template

bin="$root/build/bin"
demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/config"

# The emulator on a free loopback port; it prints the port it took.
emulator_out="$demo/unitsim.out"
"$bin/unitsim" --listen 127.0.0.1:0 >"$emulator_out" 2>&1 &
emulator=$!
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  kill "$emulator" 2>/dev/null || true
  wait "$emulator" 2>/dev/null || true
}
trap cleanup EXIT
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^listening on .*:\([0-9]\+\)$/\1/p' "$emulator_out")
  [ -n "$port" ] && break
  kill -0 "$emulator" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "the unit emulator did not start:" >&2
  cat "$emulator_out" >&2
  exit 1
fi
echo "unit emulator listening on 127.0.0.1:$port"

printf '%s\r\n' \
  "[Application]" "Database=ORUN.MDB" "Process=1" \
  "[Communications]" "CPort=10" "EPort=$port" "EAddr=127.0.0.1" \
  "[Datalog]" "LogMode=1" "LogType=0" "LogFile=ORUN.TXT" "LogInterval=1" \
  "[SftwComm]" "Port=0" "EthernetPort=10001" >"$demo/ORUN.CFG"
cp "$bin/411_ORUN.MDB" "$demo/ORUN.MDB"
sqlite3 "$demo/ORUN.MDB" <"$root/scripts/demo_recipe.sql"

# The program folder is the demo folder; the per-user settings stay in it too.
export ORUN_HOME="$demo"
export XDG_CONFIG_HOME="$demo/config"
echo "program folder: $demo"

if [ "$offscreen" -eq 0 ]; then
  "$bin/ORUN_411"
  exit 0
fi

# Headless: every question is answered (logged in automation.log), the program closes
# itself after the given time and leaves its main window as a picture.
export QT_QPA_PLATFORM=offscreen
export ORUN_AUTOMATION="$demo/automation.log"
export ORUN_SCREENSHOT="$demo/screenshot.png"
"$bin/ORUN_411" &
program=$!
sleep "$seconds"
kill -TERM "$program" 2>/dev/null || true
status=0
wait "$program" || status=$?
program=""
if [ ! -s "$ORUN_SCREENSHOT" ]; then
  echo "no screenshot was written (program status $status); see $ORUN_AUTOMATION" >&2
  exit 1
fi
echo "screenshot: $ORUN_SCREENSHOT"
exit "$status"

#!/usr/bin/env bash
# Runs the station program against the controller-unit emulator on this machine.
#
#   scripts/demo.sh                   opens the program (needs a display); the emulator
#                                     stops when the program exits
#   scripts/demo.sh --offscreen [N]   runs without a display: N seconds (default 20) after
#                                     the start-up has finished, closes the program and
#                                     leaves a picture of its main window in
#                                     build/demo/screenshot.png
#   scripts/demo.sh --fresh ...       throws the demo's program folder away and starts over
#
# Installs what is missing (Debian packages) and builds the program, the emulator and the
# recipe template in build/. The program folder is build/demo: the first run prepares it
# (ORUN.CFG points the program at the emulator over TCP on loopback, ORUN.MDB holds the
# demonstration process "Demo" of two layers); later runs start the program on it as it is,
# with the recipes, data log and settings of the runs before.
#
# For the end-to-end tests: ORUN_DEMO_DIR names another program folder, and ORUN_DEMO_BIN
# a folder of programs already built (nothing is installed or built then).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

offscreen=0
seconds=20
fresh=0
while [ $# -gt 0 ]; do
  case "$1" in
    --offscreen)
      offscreen=1
      if [ $# -gt 1 ] && [[ "$2" =~ ^[0-9]+$ ]]; then seconds=$2; shift; fi ;;
    --fresh) fresh=1 ;;
    -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: scripts/demo.sh [--fresh] [--offscreen [seconds]]" >&2; exit 2 ;;
  esac
  shift
done

bin=${ORUN_DEMO_BIN:-}
if [ -z "$bin" ]; then
  packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
            libgtest-dev libgmock-dev libqcustomplot-dev sqlite3 mdbtools-dev)
  . scripts/install-missing.sh
  install_missing "${packages[@]}"

  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target ORUN_411 unitsim orun_template
  bin="$root/build/bin"
fi
demo=${ORUN_DEMO_DIR:-$root/build/demo}

if [ "$fresh" -eq 1 ]; then rm -rf "$demo"; fi
prepare=0
[ -f "$demo/ORUN.CFG" ] && [ -f "$demo/ORUN.MDB" ] || prepare=1
mkdir -p "$demo/config"

# The value of KEY in the configuration's [Communications] section.
link_setting() {
  awk -F= -v key="$1" '
    { sub(/\r$/, "") }
    /^\[/ { section = tolower($0) }
    section == "[communications]" && tolower($1) == tolower(key) { gsub(/[ \t]/, "", $2); print $2; exit }
  ' "$demo/ORUN.CFG"
}

# The emulator listens on loopback: on the port the folder's configuration names when the
# folder was made before and that port is free, else on a free one it picks and prints.
emulator_out="$demo/unitsim.out"
emulator=""
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  [ -n "$emulator" ] && kill "$emulator" 2>/dev/null || true
  [ -n "$emulator" ] && wait "$emulator" 2>/dev/null || true
}
trap cleanup EXIT
start_emulator() {
  : >"$emulator_out"
  "$bin/unitsim" --listen "127.0.0.1:$1" >"$emulator_out" 2>&1 &
  emulator=$!
  port=""
  for _ in $(seq 1 200); do
    port=$(sed -n 's/^listening on .*:\([0-9]\+\)$/\1/p' "$emulator_out")
    [ -n "$port" ] && return 0
    kill -0 "$emulator" 2>/dev/null || break
    sleep 0.1
  done
  wait "$emulator" 2>/dev/null || true
  emulator=""
  return 1
}
wanted=0
if [ "$prepare" -eq 0 ]; then
  wanted=$(link_setting EPort)
  [[ "$wanted" =~ ^[0-9]+$ ]] && [ "$wanted" -le 65535 ] || wanted=0
fi
if ! start_emulator "$wanted" && { [ "$wanted" -eq 0 ] || ! start_emulator 0; }; then
  echo "the unit emulator did not start:" >&2
  cat "$emulator_out" >&2
  exit 1
fi
echo "unit emulator listening on 127.0.0.1:$port"

if [ "$prepare" -eq 1 ]; then
  command -v sqlite3 >/dev/null || { echo "sqlite3 is needed to prepare the demo's recipes" >&2; exit 1; }
  printf '%s\r\n' \
    "[Application]" "Database=ORUN.MDB" "Process=1" \
    "[Communications]" "CPort=10" "EPort=$port" "EAddr=127.0.0.1" \
    "[Datalog]" "LogMode=1" "LogType=0" "LogFile=ORUN.TXT" "LogInterval=1" \
    "[SftwComm]" "Port=0" "EthernetPort=10001" >"$demo/ORUN.CFG"
  cp "$bin/411_ORUN.MDB" "$demo/ORUN.MDB.new"
  sqlite3 "$demo/ORUN.MDB.new" <"$root/scripts/demo_recipe.sql"
  mv "$demo/ORUN.MDB.new" "$demo/ORUN.MDB"
  echo "prepared the program folder $demo"
elif [ "$port" != "$wanted" ]; then
  # The port of the runs before is taken: only the emulator's port changes in the file.
  sed -i "/^\[communications\]/I,/^\[/ s/^eport=.*\$/EPort=$port\r/I" "$demo/ORUN.CFG"
  echo "the emulator's port in $demo/ORUN.CFG is now $port"
else
  echo "starting on the program folder of the runs before (scripts/demo.sh --fresh starts over)"
fi

# The program folder is the demo folder; the per-user settings stay in it too.
export ORUN_HOME="$demo"
export XDG_CONFIG_HOME="$demo/config"
remote=$(awk -F= '{ sub(/\r$/, "") } /^\[/ { s = tolower($0) } s == "[sftwcomm]" && tolower($1) == "ethernetport" { gsub(/[ \t]/, "", $2); print $2; exit }' "$demo/ORUN.CFG")
echo "program folder: $demo"
echo "remote control: Ethernet, 127.0.0.1 port ${remote:-1001} (try build/bin/ORUN_Comm)"
echo "by hand: $bin/unitsim --listen 127.0.0.1:$port &"
echo "         ORUN_HOME=$demo XDG_CONFIG_HOME=$demo/config $bin/ORUN_411"

if [ "$offscreen" -eq 0 ]; then
  "$bin/ORUN_411"
  exit 0
fi

# Headless: every question is answered (logged in automation.log); once the start-up has
# finished the program runs the given time, then closes itself and leaves its main window
# as a picture.
export QT_QPA_PLATFORM=offscreen
export ORUN_AUTOMATION="$demo/automation.log"
export ORUN_SCREENSHOT="$demo/screenshot.png"
rm -f "$ORUN_AUTOMATION" "$ORUN_SCREENSHOT"
"$bin/ORUN_411" &
program=$!
until grep -q '^splash: 100 ' "$ORUN_AUTOMATION" 2>/dev/null; do
  if ! kill -0 "$program" 2>/dev/null; then
    status=0
    wait "$program" || status=$?
    program=""
    echo "the program ended during its start-up (status $status); see $ORUN_AUTOMATION" >&2
    exit 1
  fi
  sleep 0.2
done
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

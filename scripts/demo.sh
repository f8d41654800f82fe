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
# Installs what is missing (Debian packages) and builds in build/ the program, the recipe
# template, the companions ORUN_Comm and NorvikFlash and the emulators (unitsim, bootsim,
# mirelsim); the first build takes a while, later runs build only what changed. The
# program folder is build/demo: the first run prepares it (ORUN.CFG points the program at
# the emulator over TCP on loopback and serves remote control on TCP port 10001, ORUN.MDB
# holds the demonstration process "Demo" of two layers); later runs start the program on
# it as it is, with the recipes, data log and settings of the runs before. A port that is
# taken (another user's demo, another program) is replaced by a free one, and said.
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
    -h|--help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
  [ -f build/build.ninja ] || [ -f build/Makefile ] ||
    echo "first build: roughly 6 minutes on 8 cores, longer on fewer; later runs build only what changed"
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  # Every program the README has the reader start.
  cmake --build build -j"$(nproc)" --target ORUN_411 orun_template unitsim ORUN_Comm NorvikFlash bootsim mirelsim
  bin="$root/build/bin"
fi
demo=${ORUN_DEMO_DIR:-$root/build/demo}

if [ "$fresh" -eq 1 ]; then rm -rf "$demo"; fi
prepare=0
[ -f "$demo/ORUN.CFG" ] && [ -f "$demo/ORUN.MDB" ] || prepare=1
mkdir -p "$demo/config"

# The value of KEY in SECTION of the configuration.
setting() {
  awk -F= -v section="[$1]" -v key="$2" '
    { sub(/\r$/, "") }
    /^\[/ { s = tolower($0) }
    s == tolower(section) && tolower($1) == tolower(key) { gsub(/[ \t]/, "", $2); print $2; exit }
  ' "$demo/ORUN.CFG"
}
# Sets KEY in SECTION of the configuration to VALUE: the key's line in the section, or a
# new line at the section's end (and a new section when there is none).
set_setting() {
  awk -v section="[$1]" -v key="$2" -v value="$3" '
    function put() { printf "%s=%s\r\n", key, value; done = 1 }
    { line = $0; sub(/\r$/, "", line) }
    line ~ /^\[/ { if (here && !done) put(); here = tolower(line) == tolower(section) }
    here && !done && tolower(substr(line, 1, length(key) + 1)) == tolower(key "=") { put(); next }
    { print }
    END { if (!done) { if (!here) printf "%s\r\n", section; put() } }
  ' "$demo/ORUN.CFG" >"$demo/ORUN.CFG.new"
  mv "$demo/ORUN.CFG.new" "$demo/ORUN.CFG"
}
# Whether the text is a TCP port number.
is_port() { [[ "$1" =~ ^[0-9]+$ ]] && [ "$1" -ge 1 ] && [ "$1" -le 65535 ]; }
# A TCP port free for a listener on every interface, as the station listens: the given one
# when it is free, else one the system picks (0 asks for that); nothing when neither is.
free_port() {
  perl -MIO::Socket::IP -e '
    for my $host ("::", "0.0.0.0") {
      my $s = IO::Socket::IP->new(Listen => 1, LocalHost => $host, LocalPort => $ARGV[0],
                                  ReuseAddr => 1, Proto => "tcp");
      if ($s) { print $s->sockport, "\n"; exit 0 }
      exit 1 if $!{EADDRINUSE} || $!{EACCES};
    }
    exit 1' "$1"
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
  wanted=$(setting Communications EPort)
  is_port "$wanted" || wanted=0
fi
if ! start_emulator "$wanted" && { [ "$wanted" -eq 0 ] || ! start_emulator 0; }; then
  echo "the unit emulator did not start:" >&2
  cat "$emulator_out" >&2
  exit 1
fi
echo "unit emulator listening on 127.0.0.1:$port"

# The remote-control port: 10001 in a new folder, the folder's own on later runs; when that
# is taken, a free one, written into the folder's ORUN.CFG. -1 (none) is kept.
remote=10001
[ "$prepare" -eq 1 ] || remote=$(setting SftwComm EthernetPort)
remote_was=$remote
if [ "$remote" != "-1" ]; then
  is_port "$remote" || remote=10001
  remote=$(free_port "$remote" || free_port 0) || {
    echo "no free TCP port for the remote control" >&2
    exit 1
  }
fi

if [ "$prepare" -eq 1 ]; then
  command -v sqlite3 >/dev/null || { echo "sqlite3 is needed to prepare the demo's recipes" >&2; exit 1; }
  printf '%s\r\n' \
    "[Application]" "Database=ORUN.MDB" "Process=1" \
    "[Communications]" "CPort=10" "EPort=$port" "EAddr=127.0.0.1" \
    "[Datalog]" "LogMode=1" "LogType=0" "LogFile=ORUN.TXT" "LogInterval=1" \
    "[SftwComm]" "Port=0" "EthernetPort=$remote" >"$demo/ORUN.CFG"
  cp "$bin/411_ORUN.MDB" "$demo/ORUN.MDB.new"
  sqlite3 "$demo/ORUN.MDB.new" <"$root/scripts/demo_recipe.sql"
  mv "$demo/ORUN.MDB.new" "$demo/ORUN.MDB"
  echo "prepared the program folder $demo"
else
  # A port of the runs before that is taken changes in the file; nothing else does.
  if [ "$port" != "$wanted" ]; then
    set_setting Communications EPort "$port"
    echo "the emulator's port in $demo/ORUN.CFG is now $port"
  fi
  if [ "$remote" != "$remote_was" ]; then
    set_setting SftwComm EthernetPort "$remote"
    if is_port "$remote_was"; then
      echo "port $remote_was is taken: the remote-control port in $demo/ORUN.CFG is now $remote"
    else
      echo "the remote-control port in $demo/ORUN.CFG is now $remote"
    fi
  fi
  echo "starting on the program folder of the runs before (scripts/demo.sh --fresh starts over)"
fi
[ "$prepare" -eq 0 ] || [ "$remote" = 10001 ] || echo "port 10001 is taken: the remote control takes port $remote"

# The program folder is the demo folder; the per-user settings stay in it too.
export ORUN_HOME="$demo"
export XDG_CONFIG_HOME="$demo/config"
# A shell without a login session (root, ssh without one) has no runtime folder: Qt then
# warns at every start of a program and takes /tmp/runtime-USER itself. The programs get
# that folder here, private to the user, and nothing is said.
runtime=""
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  runtime="${TMPDIR:-/tmp}/runtime-$(id -un)"
  mkdir -p -m 0700 "$runtime" 2>/dev/null || true
  if [ -d "$runtime" ] && [ ! -L "$runtime" ] && [ -O "$runtime" ] && chmod 0700 "$runtime"; then :; else
    runtime=$(mktemp -d)
  fi
  export XDG_RUNTIME_DIR="$runtime"
fi
echo "program folder: $demo"
if [ "$remote" = "-1" ]; then
  echo "remote control: none (EthernetPort=-1 in $demo/ORUN.CFG)"
else
  echo "remote control: Ethernet, 127.0.0.1 port $remote (try $bin/ORUN_Comm)"
fi
echo "by hand: $bin/unitsim --listen 127.0.0.1:$port &"
echo "         ${runtime:+XDG_RUNTIME_DIR=$runtime }ORUN_HOME=$demo XDG_CONFIG_HOME=$demo/config $bin/ORUN_411"

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
# The offscreen platform cannot size or raise a window, and says so each time it is asked:
# nothing to act on.
"$bin/ORUN_411" 2> >(grep --line-buffered -v '^This plugin does not support ' >&2) &
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

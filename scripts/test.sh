#!/usr/bin/env bash
# Installs what the build needs (only what is missing), builds in build/ and runs every test.
#   scripts/test.sh             the normal build
#   scripts/test.sh --sanitize  the same suite built with clang, AddressSanitizer and
#                               UndefinedBehaviorSanitizer, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=1 ;;
    *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
  esac
done

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
          libgtest-dev libgmock-dev libbenchmark-dev libqcustomplot-dev socat sqlite3 mdbtools-dev
          xvfb)
[ "$sanitize" -eq 1 ] && packages+=(clang libclang-rt-dev)
. scripts/install-missing.sh
install_missing "${packages[@]}"

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
build=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "$sanitize" -eq 1 ]; then
  build=build-sanitize
  options+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORUN_SANITIZE=ON)
  # Any finding fails the test that made it, with the stack that led to it.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_stack_use_after_return=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
fi
cmake -S . -B "$build" "${generator[@]}" "${options[@]}"
cmake --build "$build" -j"$(nproc)"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j8 --timeout 300

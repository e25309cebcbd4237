#!/usr/bin/env bash
# Every Windows test, under Wine (tools/windows.sh --test runs it after the
# build). Each group says PASS or FAIL; the last line counts them, and the
# status is non-zero when any failed.
#   tests/windows/run.sh GAME_BUILD_DIR OUT_DIR [--screenshots DIR]
#
#   imports     pako.exe is a windowed program, imports only DLLs of every
#               Windows 10 and 11, and holds its icon, version (with the
#               commit) and manifest
#   ctest       the unit, bad-file, asset and pako-sim suites built for
#               Windows (pako-sim.exe's golden and demo traces, bad input)
#   game        the real pako.exe on Xvfb (tests/windows/e2e_wine.py)
#   installer   install, shortcut, a folder called "Zoë Ångström", uninstall
#               (tests/windows/installer_test.py)
set -uo pipefail
cd "$(dirname "$0")/../.."
game=$1 out=$2; shift 2
shots=()
[ "${1:-}" = --screenshots ] && shots=(--screenshots "$2")
wine_run=$PWD/tools/windows/wine-run
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wine}
passed=0 failed=0 failures=()
group() {  # NAME COMMAND...
  local name=$1; shift
  echo "== $name"
  if "$@"; then
    echo "PASS: $name"; passed=$((passed + 1))
  else
    echo "FAIL: $name"; failed=$((failed + 1)); failures+=("$name")
  fi
}

# Only DLLs that every Windows 10 and 11 has; a missing DLL would show under
# Wine only as exit status 53, and on a player's machine as an error box.
allowed="ADVAPI32 GDI32 IMM32 KERNEL32 MSVCRT OLE32 OLEAUT32 SETUPAPI SHELL32 USER32 VERSION WINMM"
check_imports() {
  local exe=$out/pako.exe dlls bad=0 headers
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  # A windowed program: no console opens beside it when double-clicked.
  grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" || { echo "not a windowed program"; bad=1; }
  dlls=$(sed -n 's/^\s*DLL Name: \(.*\)\.[dD][lL][lL]$/\1/p' <<<"$headers" |
         tr '[:lower:]' '[:upper:]' | sort -u)
  echo "pako.exe imports: $(echo $dlls)"
  for d in $dlls; do
    case " $allowed " in *" $d "*) ;; *) echo "not a system DLL: $d.dll"; bad=1 ;; esac
  done
  [ -n "$dlls" ] || { echo "no imports read"; bad=1; }
  # Explorer's icon (a group icon), the version shown in the file's
  # properties, and the manifest: per-monitor DPI aware, Windows 10 and 11.
  local resources manifest
  resources=$(wrestool -l "$exe")
  for type in 'type=group_icon' 'type=version' '--type=24 '; do
    grep -q -- "$type" <<<"$resources" || { echo "no resource $type"; bad=1; }
  done
  manifest=$(wrestool -x --raw --type=24 "$exe")
  for word in PerMonitorV2 '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' asInvoker; do
    grep -q -- "$word" <<<"$manifest" || { echo "the manifest lacks $word"; bad=1; }
  done
  # The version resource: the name, and the version and the commit that the
  # build wrote (generated/version.txt) as the product's version and the
  # source's commit.
  local strings version commit
  strings=$(wrestool -x --raw --type=16 "$exe" | tr -d '\0')
  grep -q "Pako Tumbo" <<<"$strings" || { echo "the version resource lacks the name"; bad=1; }
  version=$(sed -n 's/^version //p' "$game/generated/version.txt")
  commit=$(sed -n 's/^commit //p' "$game/generated/version.txt")
  case $strings in *"ProductVersion$version"*) ;;
    *) echo "the version resource lacks ProductVersion $version"; bad=1 ;; esac
  case $strings in *"SourceCommit$commit"*) ;;
    *) echo "the version resource lacks SourceCommit $commit"; bad=1 ;; esac
  return $bad
}
group imports check_imports
group ctest ctest --test-dir "$game" -j2 --output-on-failure
group game python3 tests/windows/e2e_wine.py "$wine_run" "$game/pako.exe" "$game/pako-sim-wine" \
  assets docs/demos "${shots[@]}"
setup=$(ls "$out"/pako-tumbo-*-setup.exe)
group installer python3 tests/windows/installer_test.py "$wine_run" "$setup" docs/demos "${shots[@]}"

[ $failed -eq 0 ] || echo "failed: ${failures[*]}"
echo "windows: $passed passed, $failed failed"
[ $failed -eq 0 ]

#!/bin/bash
# The packages of BUILD/dist as a user meets them, in a Wine prefix of their
# own (BUILD/dist-prefix, a copy of the fresh BUILD/fresh-prefix that no test
# has used; the test prefix is not touched): the
# installer package installs silently, its program runs, its shortcut points
# at it, a newer version replaces it, and that uninstalls leaving the registry
# as it found it; the portable zip runs from wherever it is unpacked; packing
# twice gives the same zip.
#   tests/dist/dist_test.sh BUILD      (needs a display: run under tools/with-display)
# Each check prints GoogleTest-like lines, also kept in
# BUILD/dist-test/Testing/Temporary/LastTest.log for tools/test-summary.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
dist=$build/dist
work=$build/dist-test
log=$work/Testing/Temporary/LastTest.log
# Where 32-bit code is emulated every 32-bit process costs about a minute: the
# probe, the registry editor, reg, cmd, winepath and msiexec run as 64-bit
# programs (tools/wine-run picks the loader), and only the programs under test
# run as 32-bit ones.
probe=$build/win64/bin/dist_probe.exe
name=$("$root/tools/make-dist" --name)
maker=$("$root/tools/make-dist" --maker)
version=$("$root/tools/make-dist" --version)
zip=keyscrub-$version-portable.zip
msi=keyscrub-$version.msi

# Wine's menu builder would copy every Start-menu shortcut into the Unix
# user's desktop menus, outside the prefix: it stays off.
export WINEPREFIX=$build/dist-prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
drive=$WINEPREFIX/drive_c
installed="$drive/Program Files (x86)/$name"
installedExe="C:\\Program Files (x86)\\$name\\keyscrub.exe"
portable="$drive/Keyscrub portable"
portableExe="C:\\Keyscrub portable\\keyscrub.exe"
# Set once the prefix is made: the user's options.ini and the two Start menus.
options=""; userMenu=""; commonMenu=""
uninstallKey='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'

# The 64-bit registry editor and reg see both views, the 32-bit one below
# Wow6432Node.
w() { "$root/tools/wine-run" "$@" </dev/null 2>/dev/null; }
winepath() { w winepath "$@"; }
# The text a language file gives a control of the main window.
caption_in() {
  sed -n "/^\[frmRegCleaner\]/,/^\[/{s/^$2=\(.*\)\r\{0,1\}\$/\1/p}" "$root/lang/Lan_$1.ini" | tr -d '\r'
}
# The whole registry as text, one line per key and per value.
export_registry() {
  w regedit /e "C:\\registry-$1.reg" && iconv -f UTF-16LE -t UTF-8 "$drive/registry-$1.reg" | tr -d '\r' |
    sed '1s/^\xEF\xBB\xBF//' >"$work/registry-$1.txt" && rm -f "$drive/registry-$1.reg"
}
# The key below ROOT whose value NAME is TEXT.
key_with() {
  w reg query "$1" /s | tr -d '\r' | awk -v name="$2" -v text="$3" '
    /^HKEY/ { key = $0 }
    $1 == name { sub(/^ *[^ ]+ +REG_SZ +/, ""); if ($0 == text) print key }'
}
uninstall_entry() { key_with "$uninstallKey" DisplayName "$name"; }
value_of() { w reg query "$1" /v "$2" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

passed=0; failed=0; failures=()
# The package installed last, the one to remove.
newerMsi=$dist/$msi
check() {
  local test=$1; shift
  echo "[ RUN      ] Dist.$test"
  # Seconds as GoogleTest prints its milliseconds: where the time goes shows in CI's output.
  local start=$SECONDS
  if "$@"; then
    echo "[       OK ] Dist.$test ($((SECONDS - start)) s)"; passed=$((passed + 1))
  else
    echo "[  FAILED  ] Dist.$test ($((SECONDS - start)) s)"; failed=$((failed + 1)); failures+=("$test")
  fi
}

packages_hold_what_they_should() {
  (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || return 1
  local expected
  expected=$( (echo LICENSE.txt; echo README.txt; echo keyscrub.exe
    [ -f "$build/win32/bin/keyscrub-cli.exe" ] && echo keyscrub-cli.exe
    cd "$root/lang" && ls Lan_*.ini | sed 's|^|Languages/|') | LC_ALL=C sort)
  diff <(echo "$expected") <(unzip -Z1 "$dist/$zip" | LC_ALL=C sort) || return 1
  unzip -p "$dist/$zip" keyscrub.exe | cmp - "$build/win32/bin/keyscrub.exe" || return 1
  # Windows users read these in Notepad: every line ends in CR LF.
  for doc in README.txt LICENSE.txt; do
    unzip -p "$dist/$zip" "$doc" | grep -qv $'\r$' && { echo "$doc has lines without CR LF"; return 1; }
  done
  return 0
}

packing_again_gives_the_same_zip() {
  "$root/tools/make-dist" "$build" "$work/again" >/dev/null || return 1
  cmp "$dist/$zip" "$work/again/$zip" || return 1
  # wixl writes a new package code and the time into the summary
  # information; the tables and the cabinet must not change.
  # msidump writes the binary columns into the current folder, whatever -d says.
  mkdir -p "$work/msi-1" "$work/msi-2"
  (cd "$work/msi-1" && msidump -t -s "$dist/$msi" >/dev/null) &&
    (cd "$work/msi-2" && msidump -t -s "$work/again/$msi" >/dev/null) || return 1
  # (The stream's name begins with a control character.)
  diff -r -x '*SummaryInformation*' "$work/msi-1" "$work/msi-2"
}

make_prefix() {
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX" && cp -a "$build/fresh-prefix" "$WINEPREFIX" || return 1
  # One Wine session for the whole test, started before its first process:
  # each new session describes the display again, under new device ids.
  wineserver -p </dev/null >/dev/null 2>&1
  local appData programData
  appData=$(winepath -u "$(w cmd /c echo %APPDATA% | tr -d '\r')")
  programData=$(winepath -u "$(w cmd /c echo %ProgramData% | tr -d '\r')")
  [ -d "$appData" ] && [ -d "$programData" ] || { echo "no application-data folders"; return 1; }
  options="$appData/Quarlo/Keyscrub/options.ini"
  userMenu="$appData/Microsoft/Windows/Start Menu/Programs"
  commonMenu="$programData/Microsoft/Windows/Start Menu/Programs"
  # Every Windows has the Windows Installer's own keys; a Wine prefix gets
  # them at its first install, and they stay when the package goes. Made here,
  # so that the comparison after the uninstall sees only what the packages did.
  local key
  for key in 'HKLM\Software\Classes\Installer\Features' 'HKLM\Software\Classes\Installer\Products' \
    'HKLM\Software\Classes\Installer\UpgradeCodes' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UpgradeCodes' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Components' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products'; do
    w reg add "$key" /f >/dev/null || return 1
  done
  # The session's first window completes the display's description.
  w "$probe" window && export_registry before
}

installs_silently() {
  w msiexec /i "$(winepath -w "$dist/$msi")" /qn || { echo "msiexec /i failed"; return 1; }
  # Exactly the packed files, byte for byte.
  diff -r "$dist/stage/files" "$installed"
}

uninstall_entry_names_the_product() {
  local key; key=$(uninstall_entry)
  [ -n "$key" ] || { echo "no uninstall entry named $name"; return 1; }
  [ "$(value_of "$key" DisplayVersion)" = "$version" ] || { echo "DisplayVersion is not $version"; return 1; }
  [ "$(value_of "$key" Publisher)" = "$maker" ] || { echo "Publisher is not $maker"; return 1; }
  # Wine's installer keeps the product's icon in the installer's own product
  # entry and writes no DisplayIcon (Windows writes both from ARPPRODUCTICON).
  local packed icon
  packed=$(key_with 'HKLM\Software\Classes\Installer\Products' ProductName "$name")
  [ -n "$packed" ] || { echo "no installer product entry"; return 1; }
  icon=$(value_of "$packed" ProductIcon)
  [ -n "$icon" ] && cmp "$(winepath -u "$icon")" "$root/src/app/win/keyscrub.ico"
}

shortcut_resolves_to_the_program() {
  # Wine's installer resolves the Start menu to the user's own even for a
  # per-machine package (Windows: the common one), so either may hold it.
  local link=""
  for menu in "$commonMenu" "$userMenu"; do
    [ -f "$menu/$name.lnk" ] && link="$menu/$name.lnk"
  done
  [ -n "$link" ] || { echo "no $name.lnk in the Start menu"; return 1; }
  w "$probe" link "$(winepath -w "$link")" "$installedExe"
}

# The saved language is one other than English, so the window shows the
# texts of a file found in Languages\ beside the program. The texts travel on
# the command line, so the language must be one whose two texts are ASCII.
runs_in_language() {
  local language=$1 exe=$2 scan tasks
  scan=$(caption_in "$language" bScanRegistry); tasks=$(caption_in "$language" lTasks)
  LC_ALL=C grep -qx '[ -~][ -~]*' <<<"$scan" && LC_ALL=C grep -qx '[ -~][ -~]*' <<<"$tasks" ||
    { echo "no plain-ASCII texts in Lan_$language.ini"; return 1; }
  mkdir -p "$(dirname "$options")"
  printf '[Options]\r\nLan=%s\r\n' "$language" >"$options"
  w "$probe" run "$exe" "$scan" "$tasks"
}

# The console program installed beside the window: it tells its version,
# refuses a bad command line with exit code 2, and scans with its JSON.
installed_cli_runs() {
  [ -f "$installed/keyscrub-cli.exe" ] || { echo "no keyscrub-cli.exe installed"; return 1; }
  local cli="C:\\Program Files (x86)\\$name\\keyscrub-cli.exe" out rc versionJob bogusJob
  # The three at once: where 32-bit code is emulated each start takes a
  # minute, most of it the emulator's, and there are two cores.
  w "$cli" --version >"$work/cli-version.txt" & versionJob=$!
  w "$cli" --bogus & bogusJob=$!
  out=$(w "$cli" scan --sections 7 --no-settings --format json); rc=$?
  local bogusRc=0; wait "$bogusJob" || bogusRc=$?
  wait "$versionJob"
  local said; said=$(tr -d '\r' <"$work/cli-version.txt")
  [[ $said == "keyscrub-cli $version "* ]] || { echo "--version said: $said"; return 1; }
  [ "$bogusRc" = 2 ] || { echo "a bad option ended with $bogusRc"; return 1; }
  [ "$rc" = 0 ] || [ "$rc" = 1 ] || { echo "the scan ended with $rc"; return 1; }
  grep -q "\"version\": \"$version\"" <<<"$out" || { echo "no JSON with the version: $out"; return 1; }
}

# A package of the next minor version, packed from a copy of the packing
# files with only the version changed, installed over this one.
newer_version_replaces_this_one() {
  local copy=$work/newer-source major minor newer
  major=${version%%.*}; minor=${version#*.}; newer=$major.$((minor + 1))
  mkdir -p "$copy/tools" "$copy/src/app/win" &&
    cp -r "$root/packaging" "$root/lang" "$root/LICENSE" "$copy/" &&
    cp "$root/tools/make-dist" "$copy/tools/" && cp "$root/src/app/win/keyscrub.ico" "$copy/src/app/win/" &&
    sed "s/^#define KS_VERSION_MINOR .*/#define KS_VERSION_MINOR $((minor + 1))/" \
      "$root/src/app/version.h" >"$copy/src/app/version.h" || return 1
  "$copy/tools/make-dist" "$build" "$work/newer" >/dev/null || return 1
  newerMsi=$work/newer/keyscrub-$newer.msi
  w msiexec /i "$(winepath -w "$newerMsi")" /qn || { echo "msiexec /i of $newer failed"; return 1; }
  local entries; entries=$(uninstall_entry)
  [ "$(echo "$entries" | grep -c .)" = 1 ] || { echo "uninstall entries: $entries"; return 1; }
  [ "$(value_of "$entries" DisplayVersion)" = "$newer" ] || { echo "the entry is not of $newer"; return 1; }
  diff -r "$work/newer/stage/files" "$installed"
}

uninstalls_silently() {
  w msiexec /x "$(winepath -w "$newerMsi")" /qn || { echo "msiexec /x failed"; return 1; }
  local left=0
  [ -e "$installed" ] && { echo "left behind: $installed"; left=1; }
  for menu in "$commonMenu" "$userMenu"; do
    [ -e "$menu/$name.lnk" ] && { echo "left behind: $menu/$name.lnk"; left=1; }
  done
  [ -z "$(uninstall_entry)" ] || { echo "the uninstall entry is still there"; left=1; }
  [ -z "$(ls -A "$drive/windows/Installer" 2>/dev/null)" ] || { echo "left behind in C:\\windows\\Installer"; left=1; }
  # The user's own settings stay, as README.txt says.
  [ -f "$options" ] || { echo "the user's options.ini went too"; left=1; }
  return $left
}

# Compared as sets of "key" and "key / value" lines, leaving out only the keys
# that Wine rewrites for itself (tests/support/wine-bookkeeping.txt).
bookkeeping_pattern() {
  # Each key path becomes an extended regular expression for that key's
  # lines and those of every key below it.
  grep -v '^#' "$root/tests/support/wine-bookkeeping.txt" | grep . | tr -d '\r' |
    sed -e 's/[][\\.^$+?(){}|]/\\&/g' -e 's/\*/[^\\\\]*/g' -e 's/^/^\\[/' -e 's/$/[]\\\\]/' | paste -sd '|'
}
registry_is_as_before() {
  export_registry after || return 1
  local flatten='
    /^\[/ { key = $0; print key; next }
    /^$/ { next }
    { print key " / " $0 }'
  local noise; noise=$(bookkeeping_pattern)
  [ -n "$noise" ] || { echo "no bookkeeping list"; return 1; }
  awk "$flatten" "$work/registry-before.txt" | grep -Eiv "$noise" | LC_ALL=C sort >"$work/before.lines"
  awk "$flatten" "$work/registry-after.txt" | grep -Eiv "$noise" | LC_ALL=C sort >"$work/after.lines"
  diff "$work/before.lines" "$work/after.lines" | grep '^[<>]' >"$work/registry.diff"
  [ -s "$work/registry.diff" ] && { head -n 40 "$work/registry.diff"; return 1; }
  return 0
}

portable_zip_runs_where_unpacked() {
  rm -rf "$portable" && mkdir -p "$portable" && unzip -q "$dist/$zip" -d "$portable" || return 1
  runs_in_language Nederlands "$portableExe"
}

main() {
  check PackagesHoldWhatTheyShould packages_hold_what_they_should
  check PackingAgainGivesTheSameZip packing_again_gives_the_same_zip
  # Making the prefix is no test of ours, but a prefix that cannot be made
  # must not pass for nothing tested.
  if make_prefix; then
    check InstallsSilently installs_silently
    check UninstallEntryNamesTheProduct uninstall_entry_names_the_product
    check ShortcutResolvesToTheProgram shortcut_resolves_to_the_program
    check InstalledProgramShowsItsWindow runs_in_language German "$installedExe"
    check InstalledCliRuns installed_cli_runs
    check NewerVersionReplacesThisOne newer_version_replaces_this_one
    check UninstallsSilently uninstalls_silently
    check RegistryIsAsBefore registry_is_as_before
    check PortableZipRunsWhereUnpacked portable_zip_runs_where_unpacked
  else
    echo "[  FAILED  ] Dist.FreshPrefixIsMade"; failed=$((failed + 1)); failures+=(FreshPrefixIsMade)
  fi
  wineserver -k 2>/dev/null

  echo "[==========] $((passed + failed)) tests from Dist ran."
  echo "[  PASSED  ] $passed tests."
  if [ "$failed" -gt 0 ]; then
    echo "[  FAILED  ] $failed tests, listed below:"
    for test in "${failures[@]}"; do echo "[  FAILED  ] Dist.$test"; done
  fi
  [ "$failed" -eq 0 ]
}

rm -rf "$work"
mkdir -p "$(dirname "$log")"
main 2>&1 | tee "$log"
exit "${PIPESTATUS[0]}"

#!/usr/bin/env bash
# Builds the Debian package from an already built tree and checks it: lintian
# (no errors or warnings), desktop-file-validate, appstreamcli validate
# --no-net, no placeholder addresses in its metadata, the layout, then unpacks it into a scratch root with dpkg -x and starts the
# unpacked virn-demo on a private Xvfb until its window shows, its wire log
# shows the handshake and the help opens, checking that every library of ours
# comes from the scratch root and nothing from the build tree. The unpacked
# virn-sweep, when packaged, takes one sweep on the simulated instrument.
# Every wait has a limit; the X server and the program are stopped however the
# script ends.
#   scripts/check-package.sh [BUILD_DIR]     (default: build; it must be built)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd -P)
build="${1:-build}"
[ -f "$build/CMakeCache.txt" ] || { echo "check-package: $build is not configured; build first (scripts/build.sh)" >&2; exit 2; }
build_abs=$(cd "$build" && pwd -P)
for tool in lintian desktop-file-validate appstreamcli dpkg-deb readelf Xvfb xdotool timeout; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup-debian.sh installs it)" >&2; exit 2; }
done

started_s=$SECONDS
work=""
xvfb_pid=""
demo_pid=""
source scripts/lib/xvfb.sh
kept=""
cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  stop_pid "$demo_pid"
  stop_pid "$xvfb_pid"
  if [ "$rc" -ne 0 ] && [ -n "$work" ] && [ -d "$work" ]; then
    kept=$(mktemp -d "${TMPDIR:-/tmp}/virn-package-failed.XXXXXX")
    find "$work" -maxdepth 1 -type f -exec cp {} "$kept/" \;
    echo "check-package: logs kept in $kept" >&2
  fi
  [ -n "$work" ] && rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "== $*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/virn-package.XXXXXX")
root="$work/root"

step "package ($build)"
rm -f "$build"/virn_*.deb
timeout 900 cmake --build "$build" --target package >"$work/cpack.log" 2>&1 || {
  tail -30 "$work/cpack.log" >&2
  echo "check-package: the package target failed" >&2
  exit 1
}
mapfile -t debs < <(find "$build" -maxdepth 1 -name 'virn_*.deb')
[ "${#debs[@]}" -eq 1 ] || { echo "check-package: expected one virn_*.deb in $build, found ${#debs[@]}" >&2; exit 1; }
deb="${debs[0]}"
version=$(dpkg-deb -f "$deb" Version)
echo "$deb ($version)"

step "lintian"
# Errors and warnings fail; the informational and pedantic tags are reported.
if ! timeout 600 lintian --fail-on error,warning --display-info --pedantic "$deb" >"$work/lintian.log" 2>&1; then
  fail "lintian reports errors or warnings"
fi
grep -v '^running with root privileges' "$work/lintian.log" || true
if grep -q '^[EW]: ' "$work/lintian.log"; then fail "lintian: $(grep -c '^[EW]: ' "$work/lintian.log") errors and warnings"; fi

timeout 60 dpkg -x "$deb" "$root"

step "desktop entries and AppStream"
for entry in "$root"/usr/share/applications/*.desktop; do
  timeout 30 desktop-file-validate "$entry" || fail "desktop-file-validate ${entry#"$root"}"
done
for entry in virn virn-demo; do
  [ -f "$root/usr/share/applications/$entry.desktop" ] || fail "no /usr/share/applications/$entry.desktop"
done
mapfile -t metainfo < <(find "$root/usr/share/metainfo" -name '*.metainfo.xml' 2>/dev/null)
[ "${#metainfo[@]}" -ge 1 ] || fail "no /usr/share/metainfo/*.metainfo.xml"
for file in "${metainfo[@]}"; do
  timeout 60 appstreamcli validate --no-net "$file" || fail "appstreamcli validate ${file#"$root"}"
done
# Only true addresses: a placeholder domain (example.org, .com, .net) in a web
# address of the metadata, the copyright file or the control file's Homepage.
placeholders=$( (cat "${metainfo[@]}" "$root/usr/share/doc/virn/copyright"; dpkg-deb -f "$deb" Homepage) |
  grep -oE 'https?://([a-z0-9-]+\.)*example\.(org|com|net)[^"<> ]*' || true)
[ -z "$placeholders" ] || fail "placeholder addresses: $(tr '\n' ' ' <<<"$placeholders")"
[[ "$(dpkg-deb -f "$deb" Recommends Depends)" == *qt6-translations-l10n* ]] ||
  fail "the package neither depends on nor recommends qt6-translations-l10n"

step "layout"
case ", $(dpkg-deb -f "$deb" Recommends), " in
  *", qt6-wayland"[,\ ]*) ;;
  *) fail "the package does not recommend qt6-wayland" ;;
esac
changelog_version=$(zcat "$root/usr/share/doc/virn/changelog.gz" | sed -n '1s/^virn (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "changelog's newest entry is '$changelog_version', the package $version"
[ -f "$root/usr/share/doc/virn/copyright" ] || fail "no /usr/share/doc/virn/copyright"
grep -q 'uaccess' "$root/lib/udev/rules.d/60-virn.rules" 2>/dev/null || fail "no uaccess rule in /lib/udev/rules.d/60-virn.rules"
[ ! -e "$root/usr/bin/Help" ] || fail "/usr/bin/Help is in the package"
[ ! -e "$root/usr/lib/x86_64-linux-gnu" ] || fail "the package puts files into the system's library folder"
[ ! -e "$root/etc/ld.so.conf.d" ] || fail "the package changes the system's library search path"
programs=(virn virn-demo)
# virn-sweep is packaged whenever the tree builds it.
if [ -e "$build_abs/bin/virn-sweep" ] || [ -e "$root/usr/bin/virn-sweep" ]; then programs+=(virn-sweep); fi
if [ -e "$build_abs/bin/virn-scpi" ] || [ -e "$root/usr/bin/virn-scpi" ]; then programs+=(virn-scpi); fi
for program in "${programs[@]}"; do
  link="$root/usr/bin/$program"
  target=$(readlink "$link" || true)
  if [ -z "$target" ] || [ "${target#/}" != "$target" ]; then
    fail "/usr/bin/$program is not a relative symlink ($target)"
    continue
  fi
  real=$(readlink -f "$link")
  case "$real" in
    "$root"/usr/lib/*) ;;
    *) fail "/usr/bin/$program leads outside the package's folders: $real" ;;
  esac
  [ -x "$real" ] || fail "/usr/bin/$program leads to no executable"
  help_dir="$(dirname "$real")/Help"
  [ -f "$help_dir/Id.dat" ] && [ -f "$help_dir/index.html" ] || fail "no Help folder beside $program"
  # The loader's own answer (it lists and ends, the program does not run),
  # with no search path from the environment.
  deps=$(cd "$work" && timeout 10 env -u LD_LIBRARY_PATH LD_TRACE_LOADED_OBJECTS=1 "$link" 2>&1 || true)
  if ! grep -q "libklmlibb.so => $root/usr/lib/virn/" <<<"$deps"; then
    fail "$program does not resolve libklmlibb.so inside the package root:$(grep 'libklm' <<<"$deps" | tr -s ' \t' ' ')"
  fi
  if grep -q 'not found' <<<"$deps"; then fail "$program: $(grep 'not found' <<<"$deps" | tr -s ' \t' ' ')"; fi
  # Answered with no display at all, as over ssh.
  answer=$(cd "$work" && timeout 10 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LD_LIBRARY_PATH \
    "$link" --version 2>&1) || fail "$program --version without a display: status $?"
  [ "$answer" = "$program $version" ] || fail "$program --version says '$answer', the package is $version"
done
while IFS= read -r -d '' file; do
  head -c 4 "$file" | grep -q 'ELF' || continue
  name=${file#"$root"}
  runpath=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p')
  IFS=: read -r -a entries <<<"$runpath"
  for entry in "${entries[@]}"; do
    case "$entry" in
      '$ORIGIN'/*) ;;
      *) fail "$name: RUNPATH entry '$entry' is not relative to \$ORIGIN" ;;
    esac
  done
  if [[ "$runpath" == *: || "$runpath" == :* || "$runpath" == *::* ]]; then
    fail "$name: empty RUNPATH entry (the current folder)"
  fi
  if readelf -S "$file" | grep -q '\.debug_'; then fail "$name carries debug information"; fi
  if grep -qF "$build_abs" "$file"; then fail "$name names the build tree $build_abs"; fi
done < <(find "$root" -type f -print0)

step "virn-demo from the package"
start_xvfb 120 "$work" -screen 0 1024x768x24 || { echo "Xvfb did not start within 10 s" >&2; exit 1; }
log="$work/wire.log"
(
  cd "$work"
  export DISPLAY=":$(head -1 "$work/display")" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
  export LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/ld"
  unset LD_LIBRARY_PATH
  exec "$root/usr/bin/virn-demo" --wire-log "$log"
) >"$work/demo.out" 2>"$work/demo.err" &
demo_pid=$!
export DISPLAY=":$(head -1 "$work/display")"
started=$(now_ms)
until grep -q ' 09 00 00 00 00$' "$log" 2>/dev/null; do
  alive || { tail -20 "$work/demo.err" >&2; echo "check-package: virn-demo ended before the handshake" >&2; exit 1; }
  [ $(($(now_ms) - started)) -lt 30000 ] || { echo "check-package: no handshake in the wire log within 30 s" >&2; exit 1; }
  sleep 0.05
done
echo "handshake after $(($(now_ms) - started)) ms"
# Anchored: the bench window's title ("Стенд — ВИРН") holds the main one's.
window=$(timeout 30 xdotool search --sync --all --pid "$demo_pid" --onlyvisible --name '^ВИРН$' 2>/dev/null | head -1 || true)
[ -n "$window" ] || { echo "check-package: the main window did not show within 30 s" >&2; exit 1; }
echo "main window after $(($(now_ms) - started)) ms"

# The help button (ToolButton6, the main part left of its arrow): the help
# window shows only when the program found Help beside its executable.
help_xy=(296 14)
timeout 10 xdotool mousemove --window "$window" "${help_xy[@]}" click 1 >/dev/null 2>&1 || true
help_window=$(timeout 15 xdotool search --sync --all --pid "$demo_pid" --onlyvisible --name 'Справка' 2>/dev/null | head -1 || true)
[ -n "$help_window" ] || fail "the help window did not show: no Help beside the unpacked program?"

maps=$(cat "/proc/$demo_pid/maps" 2>/dev/null || true)
for library in libklmlibb.so libklmhelpsys.so; do
  grep -q " $root/usr/lib/virn/$library\$" <<<"$maps" || fail "$library is not mapped from the package root"
done
grep -q " $root/usr/lib/virn/bin/virn-demo\$" <<<"$maps" || fail "the running executable is not the unpacked one"
if grep -qF " $repo/" <<<"$maps"; then
  grep -F " $repo/" <<<"$maps" | head -5 >&2
  fail "virn-demo maps files of the source or build tree"
fi

kill -TERM "$demo_pid"
deadline=$(($(now_ms) + 10000))
while alive && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
if alive; then
  fail "virn-demo still runs 10 s after SIGTERM"
  stop_pid "$demo_pid"
else
  status=0
  wait "$demo_pid" || status=$?
  [ "$status" -eq 0 ] || fail "virn-demo ended with status $status"
fi
demo_pid=""
stop_pid "$xvfb_pid"
xvfb_pid=""

# Every library the loader opened (dlopen included) that is one of ours must
# come from the root; and the settings written at the close went through
# libklmfsys.so from there.
loaded=$(cat "$work"/ld.* 2>/dev/null | sed -n 's/.*calling init: //p' | sort -u |
  while IFS= read -r path; do realpath -m -- "$path"; done)
ours=$(grep '/libklm[^/]*\.so$' <<<"$loaded" || true)
[ -n "$ours" ] || fail "LD_DEBUG shows none of our libraries loaded"
while IFS= read -r path; do
  [ -n "$path" ] || continue
  case "$path" in
    "$root"/usr/lib/virn/libklm*.so) ;;
    *) fail "loaded from outside the package root: $path" ;;
  esac
done <<<"$ours"
grep -q '/libklmfsys.so$' <<<"$ours" || fail "libklmfsys.so was never loaded"
if grep -F "$repo/" <<<"$loaded" | grep -qvF "$root/"; then
  fail "the loader opened files of the source or build tree: $(grep -F "$repo/" <<<"$loaded" | grep -vF "$root/" | head -3)"
fi
[ -f "$work/config/Kelmar/virn-demo/virn-demo.mainform.config.xml" ] || fail "no settings file written at the close"
echo "our libraries as the loader opened them:"
sed "s|^$root| (root)|" <<<"$ours"

if [[ " ${programs[*]} " == *" virn-sweep "* ]]; then
  step "virn-sweep from the package"
  status=0
  (cd "$work" && env -u LD_LIBRARY_PATH XDG_CONFIG_HOME="$work/config" \
    timeout -k 5 60 "$root/usr/bin/virn-sweep" --simulated --count 1 --timeout 10) >"$work/sweep.csv" 2>"$work/sweep.err" ||
    status=$?
  rows=$(wc -l <"$work/sweep.csv")
  if [ "$status" -ne 0 ] || [ "$(head -1 "$work/sweep.csv")" != "sweep,frequency_hz,level_db,sample" ] || [ "$rows" -ne 422 ]; then
    fail "virn-sweep --simulated --count 1: status $status, $rows lines"
    tail -5 "$work/sweep.err" >&2
  else
    echo "one sweep: 421 points"
  fi
fi

echo "check-package: $((SECONDS - started_s)) s, $failures failures"
[ "$failures" -eq 0 ]

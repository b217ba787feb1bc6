#!/usr/bin/env bash
# Checks what a user installs: makes the Debian package from a built tree,
# checks its file list, control data and desktop files, and starts Voxmain
# and voxctl from a DESTDIR install, with no environment pointing at the build.
#   bash scripts/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

app_id=com.tevramedia.Voxerin
gst_plugins=$(pkg-config --variable=pluginsdir gstreamer-1.0)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")

echo "== Debian package =="
cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb="$work/deb/voxerin_${version}_amd64.deb"
[ -f "$deb" ] || { fail "no package named $(basename "$deb")"; exit 1; }
pass "made $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
expected=(
  /usr/bin/Voxmain /usr/bin/voxctl
  /usr/lib/voxerin/libQVDevSys.so /usr/lib/voxerin/libDll_VqR_encoder.so
  /usr/lib/voxerin/libDll_VqR_decoder.so /usr/lib/voxerin/libQinst.so
  /usr/lib/voxerin/libVXR250.so
  /usr/lib/udev/rules.d/60-vxr250.rules
  /usr/share/voxerin/driver/vxr250.inf /usr/share/voxerin/driver/60-vxr250.rules
  "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  /usr/share/mime/packages/voxerin.xml
  /usr/share/man/man1/voxctl.1.gz /usr/share/bash-completion/completions/voxctl
  "$gst_plugins/libgstdvf.so"
)
for size in 16 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x$size/apps/$app_id.png")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" "$work/files" || fail "the package lacks $file"
done
# Only the package's own folders: nothing for /etc or /usr/local, no tests,
# benchmarks or build tools.
if grep -v '/$' "$work/files" |
  grep -v -E "^/usr/(bin|lib/voxerin|lib/udev/rules\\.d|share)/|^$gst_plugins/"; then
  fail "the package holds files outside its folders (listed above)"
fi
if grep -E '^/usr/bin/.' "$work/files" | grep -v -x -E '/usr/bin/(Voxmain|voxctl)'; then
  fail "the package holds programs other than Voxmain and voxctl (listed above)"
fi
pass "file list ($(grep -c -v '/$' "$work/files") files)"

dpkg-deb -f "$deb" Depends >"$work/depends"
for library in libqt6widgets6 libusb-1.0-0 libc6 libgstreamer1.0-0 libgstreamer-plugins-base1.0-0 \
  libfuse3-3 fuse3; do
  grep -q "$library" "$work/depends" || fail "Depends lacks $library: $(cat "$work/depends")"
done
pass "dependencies: $(cat "$work/depends")"
dpkg-deb -f "$deb" Recommends | grep -q gstreamer1.0-plugins-base &&
  pass "recommends GStreamer's playbin and decodebin" ||
  fail "Recommends lacks gstreamer1.0-plugins-base"
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
  grep -q 'udevadm control --reload' "$work/control/$script" &&
    grep -q 'udevadm trigger' "$work/control/$script" ||
    fail "$script does not reload udev and trigger the recorder"
  sh -n "$work/control/$script" || fail "$script is not valid sh"
done
pass "maintainer scripts"

dpkg-deb -x "$deb" "$work/package"
desktop-file-validate "$work/package/usr/share/applications/$app_id.desktop" &&
  pass "desktop-file-validate" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work/package/usr/share/metainfo/$app_id.metainfo.xml" &&
  pass "appstreamcli validate" || fail "appstreamcli validate"
bash "$(dirname "${BASH_SOURCE[0]}")/check-udev-rule.sh" \
  "$work/package/usr/lib/udev/rules.d/60-vxr250.rules" && pass "udev rule" || fail "udev rule"

echo "== DESTDIR install =="
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log"
bin="$work/root/usr/bin"
if ldd "$bin/Voxmain" "$bin/voxctl" "$work/root$gst_plugins/libgstdvf.so" |
  grep -E 'not found|'"$build"; then
  fail "the installed programs do not find their libraries in the install (listed above)"
fi
unset LD_LIBRARY_PATH VXR250_SIMULATOR
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

[ "$("$bin/voxctl" --version)" = "voxctl $version" ] && pass "voxctl --version" ||
  fail "voxctl --version printed \"$("$bin/voxctl" --version 2>&1)\""
"$bin/voxctl" sim create "$work/recorder.img" >/dev/null &&
  VXR250_SIMULATOR="$work/recorder.img" "$bin/voxctl" ls A >"$work/listing" &&
  pass "voxctl lists a simulated recorder" || fail "voxctl on a simulated recorder"
"$bin/voxctl" setup-driver --dry-run --root "$work/target" >"$work/setup" &&
  grep -qF "$work/root/usr/share/voxerin/driver/60-vxr250.rules" "$work/setup" &&
  pass "voxctl setup-driver takes the installed driver package" ||
  fail "voxctl setup-driver --dry-run: $(cat "$work/setup")"

# Voxmain has no option to quit by itself: it must still be running, its
# window up on the offscreen platform, after a few seconds.
status=0
VXR250_SIMULATOR="$work/recorder.img" QT_QPA_PLATFORM=offscreen \
  timeout 5 "$bin/Voxmain" >"$work/voxmain.log" 2>&1 || status=$?
[ "$status" -eq 124 ] && pass "Voxmain starts and runs" ||
  fail "Voxmain ended with status $status: $(cat "$work/voxmain.log")"

echo "== manual page and completion =="
MANWIDTH=80 man -l "$work/root/usr/share/man/man1/voxctl.1.gz" >"$work/man" 2>&1
for text in "voxctl - copy files onto and off" "voxctl setup-driver" "--version" "Exit status"; do
  grep -qF -- "$text" "$work/man" || fail "the manual page lacks \"$text\""
done
pass "manual page"
completions=$(PATH="$bin:$PATH" bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(voxctl sim c); COMP_CWORD=2; COMP_LINE="voxctl sim c"; COMP_POINT=${#COMP_LINE}
  _voxctl; echo "${COMPREPLY[*]}"
  COMP_WORDS=(voxctl put --f); COMP_CWORD=2; COMP_LINE="voxctl put --f"; COMP_POINT=${#COMP_LINE}
  _voxctl; echo "${COMPREPLY[*]}"
' completion "$work/root/usr/share/bash-completion/completions/voxctl")
[ "$completions" = $'create\n--force' ] && pass "bash completion" ||
  fail "bash completion gave \"$completions\""

echo "== .DVF file type =="
export XDG_DATA_HOME="$work/xdg" XDG_DATA_DIRS=/usr/share
mkdir -p "$XDG_DATA_HOME/mime/packages"
cp "$work/root/usr/share/mime/packages/voxerin.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime"
# One second of noise as an 8 kHz, 16-bit mono WAV file, coded at each quality.
# The escapes of a little-endian 32-bit number, for printf.
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24)); }
{
  printf 'RIFF'; printf "$(le32 $((36 + 16000)))"; printf 'WAVEfmt '; printf "$(le32 16)"
  printf '\x01\x00\x01\x00'; printf "$(le32 8000)$(le32 16000)"; printf '\x02\x00\x10\x00'
  printf 'data'; printf "$(le32 16000)"; head -c 16000 /dev/urandom
} >"$work/noise.wav"
filetype() { xdg-mime query filetype "$1"; }
expect_type() {
  local file=$1 wanted=$2 found
  found=$(filetype "$file")
  [ "$found" = "$wanted" ] && pass "$(basename "$file") is $wanted" ||
    fail "$(basename "$file") is \"$found\", not $wanted"
}
for quality in LP SP HQ; do
  "$bin/voxctl" encode --quality "$quality" "$work/noise.wav" >/dev/null
  expect_type "$work/noise_$quality.DVF" audio/x-vxr250-dvf
done
cp "$work/noise_SP.DVF" "$work/lower.dvf"
expect_type "$work/lower.dvf" audio/x-vxr250-dvf
# Without the name, the content alone tells the 6.4 and 11.8 kbit/s files;
# an 8 kbit/s file's two fixed bytes are too few to claim it.
cp "$work/noise_LP.DVF" "$work/voice-lp"
cp "$work/noise_HQ.DVF" "$work/voice-hq"
cp "$work/noise_SP.DVF" "$work/voice-sp"
expect_type "$work/voice-lp" audio/x-vxr250-dvf
expect_type "$work/voice-hq" audio/x-vxr250-dvf
[ "$(filetype "$work/voice-sp")" != audio/x-vxr250-dvf ] && pass "voice-sp is not claimed" ||
  fail "an 8 kbit/s file without its name was taken for a voice file"
printf '\xa5\xa5\xa5' >"$work/short-a5"
[ "$(filetype "$work/short-a5")" != audio/x-vxr250-dvf ] && pass "short-a5 is not claimed" ||
  fail "three bytes 0xA5 were taken for a voice file"
[ "$(grep -o '<comment>[^<]*' "$XDG_DATA_HOME/mime/audio/x-vxr250-dvf.xml" | head -1)" = \
  "<comment>Voice recorder audio" ] && pass "named \"Voice recorder audio\"" ||
  fail "the type is not named \"Voice recorder audio\""

echo "== GStreamer plugin =="
# The installed plugin alone on the plugin path, with a registry of its own.
export GST_PLUGIN_PATH="$work/root$gst_plugins" GST_REGISTRY="$work/gst-registry.bin"
plugin="$work/root$gst_plugins/libgstdvf.so"
inspected=$(gst-inspect-1.0 "$plugin" 2>&1) || true
missing=0
for feature in "dvfparse: DVF voice parser" "dvfdec: DVF voice decoder" "dvf: dvf, DVF"; do
  grep -qF "$feature" <<<"$inspected" || { fail "gst-inspect-1.0 lacks \"$feature\""; missing=1; }
done
[ "$missing" -eq 0 ] && pass "gst-inspect-1.0 finds the type finder, the parser and the decoder" ||
  echo "$inspected" >&2
# The second of noise at 8 kbit/s above: two blocks of 4,080 samples.
discovered=$(gst-discoverer-1.0 "$work/noise_SP.DVF" 2>&1) || true
grep -qF "Duration: 0:00:01.020000000" <<<"$discovered" &&
  pass "gst-discoverer-1.0 gives the 8 kbit/s file's duration" ||
  fail "gst-discoverer-1.0: $discovered"
unset GST_PLUGIN_PATH GST_REGISTRY

if [ "$failures" -ne 0 ]; then
  echo "package check: $failures failure(s)" >&2
  exit 1
fi
echo "package check: all passed"

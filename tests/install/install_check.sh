#!/usr/bin/env bash
# Installs a build the ways a user would - into a prefix, and as a Debian package - and checks what
# lands where. Argument: the build folder.
set -euo pipefail
build="$(cd "$1" && pwd)"
packaging="$(cd "$(dirname "$0")/../../packaging" && pwd)"
work="$(mktemp -d)"
source "$(dirname "$0")/../bounded.sh"
trap 'vh_kill; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix" program="$work/prefix/bin/vornhollow"
cmake --install "$build" --prefix "$prefix" >/dev/null
tree="$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort)"
expected="bin/vornhollow share/applications/vornhollow.desktop share/doc/vornhollow/README.md
  share/doc/vornhollow/copyright share/doc/vornhollow/changelog.Debian.gz share/man/man6/vornhollow.6.gz"
for size in 16 32 48 256; do expected+=" share/icons/hicolor/${size}x$size/apps/vornhollow.png"; done
[ "$tree" = "$(printf '%s\n' $expected | sort)" ] || fail "installed tree:"$'\n'"$tree"

# No fault a test plants is in the program: the planted-fault library is test-only. The same
# search must find it in the test build's program, or it proves nothing.
strings "$program" >"$work/strings" && strings "$build/tests/vornhollow_planted" >"$work/strings-planted"
if grep -i -E 'planted|VH_PLANTED' "$work/strings"; then fail "the installed program holds planted faults (above)"; fi
grep -q -i -E 'planted|VH_PLANTED' "$work/strings-planted" || fail "no planted fault found in the test build's program"

desktop="$prefix/share/applications/vornhollow.desktop"
out="$(desktop-file-validate "$desktop" 2>&1)" && [ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Icon=vornhollow' "$desktop" && grep -qx 'Terminal=false' "$desktop" || fail "Icon or Terminal"
for c in $(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop"); do [ -x "$prefix/bin/$c" ] || fail "Exec=$c"; done

man="$work/vornhollow.6"
gzip -dc "$prefix/share/man/man6/vornhollow.6.gz" >"$man"
out="$(groff -man -ww -z "$man" 2>&1)" && [ -z "$out" ] || fail "groff: $out"
# The option names --help lists (on lines that start with an option), against the manual's.
vh_run 60 "$work/help" "$work/err" "$program" --help || fail "--help: exit code $?"
help="$(awk '$1 ~ /^-/' "$work/help" | grep -oE -- '--[a-z0-9-]+' | sort -u)"
section() { sed -n "/^\.SH $1/,/^\.SH /p" "$man" | sed 's/\\-/-/g'; }
options="$(section OPTIONS | grep -A1 '^\.TP' | grep -oE '^\.BI? --[a-z0-9-]+' | cut -d' ' -f2 | sort -u)"
synopsis="$(section SYNOPSIS | grep -oE -- '--[a-z0-9-]+' | sort -u)"
[ -n "$help" ] && [ "$help" = "$options" ] && [ "$help" = "$synopsis" ] ||
  fail "options differ: --help: $(echo $help); OPTIONS: $(echo $options); SYNOPSIS: $(echo $synopsis)"

# The icons: valid PNGs of their folder's size, the same pixels as the Windows icon's images.
python3 - "$prefix" "$build/resources/pictures/vornhollow.ico" <<'PY'
import struct, sys, zlib
prefix, ico = sys.argv[1], open(sys.argv[2], "rb").read()
from_ico = {}  # each 32-bit image of the .ico as top-down RGBA
for i in range(struct.unpack_from("<H", ico, 4)[0]):
    n, at = ico[6 + 16 * i], struct.unpack_from("<I", ico, 18 + 16 * i)[0] + 40
    rows = [ico[at + y * n * 4:at + (y + 1) * n * 4] for y in reversed(range(n))]
    from_ico[n] = b"".join(bytes(r[x + k] for x in range(0, n * 4, 4) for k in (2, 1, 0, 3)) for r in rows)
for n in (16, 32, 48, 256):
    png = open(f"{prefix}/share/icons/hicolor/{n}x{n}/apps/vornhollow.png", "rb").read()
    at, chunks = 8, {}
    while at < len(png):
        length, kind = struct.unpack_from(">I4s", png, at)
        crc = struct.unpack_from(">I", png, at + 8 + length)[0]
        assert zlib.crc32(png[at + 4:at + 8 + length]) == crc, (n, kind)
        chunks[kind] = chunks.get(kind, b"") + png[at + 8:at + 8 + length]
        at += 12 + length
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and chunks[b"IHDR"][:10] == struct.pack(">IIBB", n, n, 8, 6), n
    raw = zlib.decompress(chunks[b"IDAT"])  # checks the Adler-32 too
    rows = [raw[y * (n * 4 + 1):(y + 1) * (n * 4 + 1)] for y in range(n)]
    assert all(r[0] == 0 for r in rows), n  # no filter: the rest of each row is its pixels
    pixels = b"".join(r[1:] for r in rows)
    assert pixels == from_ico.get(n, pixels), f"the {n} px PNG differs from the .ico's image"
    assert 0 < pixels[3::4].count(0) < n * n, f"{n} px: no transparent edge around the fireball"
PY

# Run from elsewhere, with no display.
run() {
  (cd "$work" && rm -f shot.png && vh_run 120 out err env -u DISPLAY -u WAYLAND_DISPLAY "$1" --offscreen --frames 60 \
    --screenshot shot.png && grep -q '^vornhollow: 60 frames in' out && [ -s shot.png ]) || fail "$1: $(cat "$work/err")"
}
run "$program"

cpack -G DEB -B "$work/deb" --config "$build/CPackConfig.cmake" >/dev/null
vh_run 60 "$work/version" "$work/err" "$program" --version || fail "--version: exit code $?"
version="$(cut -d' ' -f2 "$work/version")"
deb="$work/deb/vornhollow_${version}-1_$(dpkg --print-architecture).deb"
dpkg-deb -I "$deb" >/dev/null || fail "no package $(basename "$deb"): $(ls "$work/deb")"
# The changelog names the package's version, and Debian's own checker finds nothing but the tags
# the packaging folder explains.
changelog="$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/vornhollow/changelog.Debian.gz | gzip -dc | head -1)"
[[ "$changelog" == "vornhollow ($(dpkg-deb -f "$deb" Version)) "* ]] || fail "changelog: $changelog"
command -v lintian >/dev/null || fail "lintian is missing (./test.sh installs it)"
out="$(lintian --fail-on error,warning --suppress-tags-from-file "$packaging/lintian-expected" "$deb" 2>&1)" ||
  fail "lintian: $out"
for field in Maintainer Section Description; do [ -n "$(dpkg-deb -f "$deb" $field)" ] || fail "no $field"; done
depends="$(dpkg-deb -f "$deb" Depends)"
for library in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
  owners="$(dpkg -S "*/$library" | sed 's/: .*//; s/:[a-z0-9]*//g; s/, /\n/g')"
  grep -qwF "$owners" <<<"$depends" || fail "Depends lacks $library ($(echo $owners)): $depends"
done
contents="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort)"
[ "$contents" = "$tree" ] || fail "the package holds:"$'\n'"$contents"

# System-wide, then removed again; only as root, and never over a copy someone installed.
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing the package needs root"; exit 77; }
exec 9>/var/lock/vornhollow-install-check.lock && flock 9  # one such check at a time on this machine
! dpkg -s vornhollow >/dev/null 2>&1 || { echo "SKIP: vornhollow is installed already"; exit 77; }
trap 'vh_kill; timeout -k 10 300 apt-get remove -y vornhollow >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
timeout -k 10 400 apt-get install -y -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 || fail "$(cat "$work/apt.log")"
installed="$(dpkg -L vornhollow | while read -r f; do [ -d "$f" ] || echo "$f"; done)"
[ "$(sed 's|^/usr/||' <<<"$installed" | sort)" = "$tree" ] || fail "dpkg -L lists:"$'\n'"$installed"
for f in $installed; do [ -f "$f" ] || fail "$f was not installed"; done
[ "$(command -v vornhollow)" = /usr/bin/vornhollow ] || fail "vornhollow is not on the PATH"
run vornhollow
timeout -k 10 400 apt-get remove -y -o DPkg::Lock::Timeout=300 vornhollow >"$work/apt.log" 2>&1 || fail "$(cat "$work/apt.log")"
for f in $installed; do [ ! -e "$f" ] || fail "$f is left after removal"; done
echo "installed and removed $(wc -w <<<"$installed") files"

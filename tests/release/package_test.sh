#!/usr/bin/env bash
# CPack makes a Debian package of the build: its files, its dependencies on
# the real runtime libraries, and a program that runs from it.
set -euo pipefail
build_dir=$1
source "$(dirname "$0")/common.sh"
make_work_dir package

(cd "$build_dir" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"
  exit 1
}
deb=$(ls "$work"/lumadrift_*_*.deb)

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort)
expected=$(printf '%s\n' ./usr/bin/lumadrift ./usr/share/applications/lumadrift.desktop \
  ./usr/share/bash-completion/completions/lumadrift ./usr/share/doc/lumadrift/copyright \
  ./usr/share/icons/hicolor/48x48/apps/lumadrift.png ./usr/share/man/man1/lumadrift.1.gz \
  ./usr/share/xscreensaver/config/lumadrift.xml | sort)
[ "$contents" = "$expected" ] || fail "package contents: $contents"

[ "$(dpkg-deb -f "$deb" Package)" = lumadrift ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
depends_on() { tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$1"; }
for library in libc6 libx11-6 libxt6 libxaw7 libxpm4 libxrandr2 libxft2 libfontconfig1 libstdc++6; do
  depends_on "$library" || fail "Depends lacks $library: $depends"
done
grep -qE 'dev|asan|ubsan' <<<"$depends" && fail "Depends names a build-time library: $depends"
[ "$(dpkg-deb -f "$deb" Recommends)" = fonts-unifont ] || fail "Recommends no font of wide coverage"

# Every library the program names itself belongs to a package it depends on.
# dpkg knows a file by the path it shipped it under, before or after /usr:
# it is asked once about every candidate path, each query reading its whole
# database.
dpkg-deb -x "$deb" "$work/root"
program=$work/root/usr/bin/lumadrift
sonames=$(objdump -p "$program" | awk '$1 == "NEEDED" {print $2}')
libraries=$(ldd "$program")
candidates() { # soname
  local path
  path=$(awk -v s="$1" '$1 == s {print $3}' <<<"$libraries")
  printf '%s\n' "$path" "$(realpath "$path")" "/usr$path"
}
mapfile -t paths < <(for soname in $sonames; do candidates "$soname"; done)
owners=$(dpkg -S "${paths[@]}" 2>/dev/null) || true
for soname in $sonames; do
  owner=""
  while read -r path; do
    owner=$(awk -v f="$path" '$NF == f {sub(/:.*/, ""); print; exit}' <<<"$owners")
    [ -n "$owner" ] && break
  done < <(candidates "$soname")
  depends_on "$owner" || fail "$soname ($owner) is needed but not a dependency"
done
"$program" -help | head -n 2 | grep -q "Lumadrift-" || fail "the packaged program does not run"

[ $failed -eq 0 ] && echo "package: $(basename "$deb"), Depends: $depends"
exit $failed

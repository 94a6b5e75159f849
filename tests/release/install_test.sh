#!/usr/bin/env bash
# `cmake --install` into a staging directory under a prefix of its own puts
# every file where the desktop expects it, and each file is sound.
set -euo pipefail
build_dir=$1
source "$(dirname "$0")/common.sh"
make_work_dir install

prefix=/opt/lumadrift-test
DESTDIR=$work cmake --install "$build_dir" --prefix "$prefix" >/dev/null
root=$work$prefix
expected=(
  bin/lumadrift
  share/man/man1/lumadrift.1.gz
  share/applications/lumadrift.desktop
  share/icons/hicolor/48x48/apps/lumadrift.png
  share/bash-completion/completions/lumadrift
  share/doc/lumadrift/copyright
  share/xscreensaver/config/lumadrift.xml
)
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "$f is not installed"
done
extra=$(cd "$work" && find . -type f | sed "s|^\./${prefix#/}/||" | sort)
[ "$extra" = "$(printf '%s\n' "${expected[@]}" | sort)" ] || fail "installed files differ: $extra"

[ -x "$root/bin/lumadrift" ] || fail "the program is not executable"
"$root/bin/lumadrift" -help | grep -q "KEY OPERATIONS" || fail "the installed program gives no usage"
desktop-file-validate "$root/share/applications/lumadrift.desktop" || fail "desktop entry"
file "$root/share/icons/hicolor/48x48/apps/lumadrift.png" | grep -q "PNG image data, 48 x 48" ||
  fail "the icon is no 48 x 48 PNG"
grep -q '<command arg="-root"/>' "$root/share/xscreensaver/config/lumadrift.xml" ||
  fail "the xscreensaver settings do not run the program on the saver's window"
zcat "$root/share/man/man1/lumadrift.1.gz" | cmp -s - "$(dirname "$0")/../../data/lumadrift.1" ||
  fail "the installed manual page differs from the source"

# The completion offers options by prefix, files for material, and nothing
# where a number is due.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
           cd "$0"; _lumadrift; printf "%s\n" "${COMPREPLY[@]}"' \
    "$work" "$root/share/bash-completion/completions/lumadrift" "$@"
}
[ "$(complete_words lumadrift -len)" = $'-length-x\n-length-y' ] || fail "option completion"
[ -z "$(complete_words lumadrift -sc '')" ] || fail "a number was completed"
[ "$(complete_words lumadrift op)" = "opt" ] || fail "file completion"
usage=$(dirname "$0")/../../data/usage.txt
for option in $(usage_options "$usage" | grep -vx -- --); do
  # grep -q would leave early and fail the pipe with SIGPIPE.
  complete_words lumadrift "$option" | grep -x -- "$option" >/dev/null || fail "completion lacks $option"
done

[ $failed -eq 0 ] && echo "install: ${#expected[@]} files under $prefix checked"
exit $failed

#!/usr/bin/env bash
# The manual page names every option and key of the usage text, writes every
# option's dashes as minus signs, and renders without a warning.
set -euo pipefail
source_dir=$1
page=$source_dir/data/lumadrift.1
usage=$source_dir/data/usage.txt
source "$(dirname "$0")/common.sh"

warnings=$(groff -man -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns: $warnings"

# Options: every word of the usage text that begins with a dash, such as
# -source-width or --, is in the page with each dash written as \-.
options=$(usage_options "$usage")
[ "$(echo "$options" | wc -l)" -ge 30 ] || fail "too few options read from the usage text"
for option in $options; do
  escaped=${option//-/\\-}
  grep -qF -- "$escaped" "$page" || fail "option $option is missing"
done

# Keys: every [Key] of the usage text's key section.
keys=$(sed -n '/KEY OPERATIONS/,/EXAMPLES/p' "$usage" | grep -oE '\[[A-Za-z]+\]' | tr -d '[]' | sort -u)
[ "$(echo "$keys" | wc -l)" -ge 10 ] || fail "too few keys read from the usage text"
keys_section=$(sed -n '/^\.SH KEYS/,/^\.SH EXAMPLES/p' "$page")
for key in $keys; do
  grep -qE "^\.(B|BR) (.*[ \"])?$key([ ,\"]|$)" <<<"$keys_section" || fail "key $key is missing"
done

# Examples: every command line of the usage text, as the page renders it.
rendered=$(MANWIDTH=200 man -l "$page" 2>/dev/null | sed 's/^ *//')
while IFS= read -r example; do
  command=${example#% }
  grep -qF -- "$command" <<<"$rendered" || fail "example '$command' is missing"
done < <(grep '^% ' "$usage")

# No option is written with a bare hyphen, which renders as a hyphen that
# cannot be searched for or pasted as a minus.
bare=$(grep -v '^\.\\"' "$page" | grep -nE '(^|[ ("])-[a-z-]' || true)
[ -z "$bare" ] || fail "bare hyphens: $bare"

[ $failed -eq 0 ] && echo "manual page: $(echo "$options" | wc -l) options, $(echo "$keys" | wc -l) keys checked"
exit $failed

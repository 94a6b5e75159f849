# What the release checks share: a failure count that lets a check report
# every fault before it ends, a scratch directory removed at exit, and the
# options the usage text names.
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

# Makes a scratch directory, named in $work, that goes away at exit.
make_work_dir() { # name
  work=$(mktemp -d "/tmp/lumadrift-$1-XXXXXX")
  trap 'rm -rf "$work"' EXIT
}

# The options of the usage text's option section, one a line.
usage_options() { # usage text
  sed -n '/^\tOPTIONS/,/KEY OPERATIONS/p' "$1" | grep -oE '(^|[ (,])--?[a-z][a-z-]*|(^|[ (,])--( |$)' |
    tr -d ' (,' | sort -u
}

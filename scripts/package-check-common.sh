# What the package checks share; sourced by them after setting check_name,
# build and work.

fail() {
    echo "$check_name: $*" >&2
    exit 1
}
expect() {  # expect WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1 is '$2', expected '$3'"
}
run_cpack() {  # run_cpack GENERATOR
    (cd "$build" && cpack -G "$1" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
}
version=$(sed -n 's/^project(Quillet VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)

# shellcheck shell=bash
# What the shell tests share: failures are counted in FAILURES and the test goes
# on (fail), or ends at once (die); the caller's own exit code reports the count.
#   source "$SRC/tests/support/shell_test_lib.sh"
FAILURES=0

fail() {
    echo "FAILED: $*" >&2
    FAILURES=$((FAILURES + 1))
}

die() {
    fail "$*"
    exit 1
}

expect_eq() {  # WHAT ACTUAL EXPECTED
    [[ $2 == "$3" ]] || fail "$1: got
$2
expected
$3"
}

wait_for() {  # SECONDS WHAT COMMAND...: polls COMMAND until it succeeds
    local deadline=$((SECONDS + $1)) what="$2 after $1 s"
    shift 2
    until "$@"; do
        ((SECONDS < deadline)) || die "no $what"
        sleep 0.1
    done
}

in_dir() {  # the process numbers of everything working in the test's temporary directory $T
    local p cwd
    for p in /proc/[0-9]*; do
        cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
        [[ $cwd == "$T" || $cwd == "$T"/* ]] && echo "${p#/proc/}"
    done
}

kill_in_dir() {  # kills everything working in $T, in rounds: a shell killed in between may have started another
    local left i
    for ((i = 0; i < 20; ++i)); do
        left=$(in_dir)
        [[ -z $left ]] && return
        kill -KILL $left 2>/dev/null
        sleep 0.1
    done
}

#!/usr/bin/env bash
# The installed suite. `cmake --install` into a staging directory (DESTDIR) and the
# Debian package made by CPack must both hold exactly the files below; then, from
# the staged tree alone (the sources and the build tree hidden under empty mounts
# where the test may mount, ZENTARA_BIN unset, PATH holding the staged bin/ and
# the system's), every installed program answers --version and a short campaign
# starts, shows its status, stops and writes its report. Nothing is installed on
# the machine: all of it lives in one temporary directory.
#
#   install_test.sh BUILD_DIR VERSION
set -u -o pipefail

if [[ ${1:-} == --installed ]]; then
    installed_mode=1
    T=$2 VERSION=$3 HIDDEN=${4:-}
else
    installed_mode=0
    BUILD=$(cd "$1" && pwd) VERSION=$2
    SRC=$(cd "$(dirname "$0")/../.." && pwd)
fi
# In the staged tree's run this script is a copy, its library where it lies in the sources.
source "$(dirname "$0")/../support/shell_test_lib.sh" || exit 1

SOLVERS=(score-solver frequency-solver brute-solver block-solver block-solver-6x12 block-solver-6x6
    random-solver path-solver shift-solver berserker-solver)
USER_TOOLS=(board-check board-view stat-merge)  # and the campaign script
HELPERS=(console-log campaign-report)           # run by the campaign alone

# ---------------------------------------------------------------------------
# From the staged tree alone: run in a private mount namespace by the part below.
if ((installed_mode)); then
    STAGE=$T/stage/usr
    export PATH=$STAGE/bin:/usr/bin:/bin PARALLEL_HOME=$T/parallel-home
    unset ZENTARA_BIN ZENTARA_ROOT
    [[ -n $HIDDEN && -e $HIDDEN/CMakeCache.txt ]] && die "the build tree is still in reach: $HIDDEN"

    version_of() {  # DIRECTORY PROGRAM: runs PROGRAM --version in an empty DIRECTORY
        mkdir -p "$1" && cd "$1" || return 1
        local out rc
        out=$(timeout 10 "$2" --version 2>&1)
        rc=$?
        echo "$rc: $out"
        [[ -z $(ls -A) ]] || echo "left files: $(ls -A | tr '\n' ' ')"
    }
    for name in "${SOLVERS[@]}" "${USER_TOOLS[@]}" campaign; do
        expect_eq "zentara-$name --version" "$(version_of "$T/version/$name" "zentara-$name")" \
            "0: $name (Zentara) $VERSION"$'\n'"piece set: built-in"
    done
    # Each command on PATH has its manual page, naming it, and every option its
    # --help names; its usage line names it as typed.
    for name in "${SOLVERS[@]}" "${USER_TOOLS[@]}" campaign; do
        page=$STAGE/share/man/man1/zentara-$name.1.gz
        [[ -f $page ]] || { fail "no manual page for zentara-$name"; continue; }
        text=$(zcat "$page" | sed 's/\\-/-/g')
        help=$(cd "$T" && "zentara-$name" --help 2>&1)
        [[ $help == "usage: zentara-$name"* ]] || fail "zentara-$name --help: $(head -n 1 <<<"$help")"
        [[ $text == *$'\n.SH NAME\nzentara-'"$name"' - '* ]] || fail "zentara-$name.1: no NAME line naming it"
        for option in $(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
            [[ $text == *"$option"* ]] || fail "zentara-$name.1 does not name $option"
        done
    done
    overview=$(zcat "$STAGE/share/man/man7/zentara.7.gz" | sed 's/\\-/-/g')
    for name in "${SOLVERS[@]}" "${USER_TOOLS[@]}" campaign; do
        [[ $overview == *".BR zentara-$name (1)"* ]] || fail "zentara(7) does not list zentara-$name"
    done
    # The installed pages say how an installed user types the commands.
    grep -q 'zentara-score-solver' "$STAGE/share/doc/zentara/README.md" ||
        fail "the installed README never names zentara-score-solver"
    for name in "${HELPERS[@]}" campaign.slurm; do
        expect_eq "$name --version" "$(version_of "$T/version/$name" "$STAGE/libexec/zentara/$name")" \
            "0: $name (Zentara) $VERSION"$'\n'"piece set: built-in"
    done

    # A campaign, named as users see the program on PATH.
    mkdir "$T/work" && cd "$T/work" || die "mkdir"
    out=$(zentara-campaign start zentara-score-solver 2 runs 2>&1)
    rc=$?
    expect_eq "start" "$rc: $out" "0: zentara-campaign: started 2 of 2 instances of score-solver in $T/work/runs"
    ((rc == 0)) || die "no campaign to look at"
    expect_eq "the program run" "$(sed -n 's/^program: //p' runs/campaign.txt)" \
        "$STAGE/libexec/zentara/score-solver"
    status_shown() { grep -q 'Level/Score' "runs/instance-00$1/console.txt" 2>/dev/null; }
    wait_for 60 "status line in console.txt" status_shown 1
    wait_for 60 "status line in console.txt" status_shown 2
    expect_eq "status" "$(zentara-campaign status runs 2>&1 | sed -nE '/^campaign /p; s/^(instance-[0-9]+  .{0,14}).*/\1/p' |
        sed 's/ *$//')" "campaign runs: score-solver, 2 instances, 2 running
instance-001  running
instance-002  running"
    out=$(zentara-campaign stop runs 2>&1)
    expect_eq "stop" "$?: $out" "0: zentara-campaign: sent SIGTERM to 2 instances; all stopped"
    expect_eq "exit codes" "$(cat runs/instance-00[12]/exit.txt 2>&1)" "0
0"
    # score-solver saved its statistics; the installed merge reads them.
    out=$(zentara-stat-merge "$T/merged.bin" runs/instance-00[12]/Stat.bin 2>&1) || fail "stat-merge: $out"
    expect_eq "merged statistics" "$(stat -c %s "$T/merged.bin" 2>&1)" 4194304
    out=$(zentara-campaign report runs 2>&1)
    expect_eq "report" "$?" 0
    grep -q 'instance-001' runs/report.html 2>/dev/null || fail "report: no instance-001 in runs/report.html: $out"
    ((FAILURES == 0))
    exit
fi

# ---------------------------------------------------------------------------
T=$(mktemp -d /tmp/zentara-install-XXXXXX) || exit 1
chmod 755 "$T"
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    kill_in_dir
    if ((rc != 0)) && [[ -n ${KEEP_INSTALL_TEST:-} ]]; then echo "kept $T" >&2; else rm -rf "$T"; fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# What the install rules promise, as `find -printf '%M %p'` and `dpkg-deb -c` show it.
expected_files() {
    local name
    {
        printf 'drwxr-xr-x ./usr/%s\n' bin libexec libexec/zentara share share/doc share/doc/zentara \
            share/doc/zentara/docs share/man share/man/man1 share/man/man7
        for name in "${SOLVERS[@]}" "${USER_TOOLS[@]}" campaign; do
            echo "lrwxrwxrwx ./usr/bin/zentara-$name -> ../libexec/zentara/$name"
        done
        for name in "${SOLVERS[@]}" "${USER_TOOLS[@]}" "${HELPERS[@]}" campaign campaign.slurm; do
            echo "-rwxr-xr-x ./usr/libexec/zentara/$name"
        done
        echo "-rw-r--r-- ./usr/share/doc/zentara/README.md"
        echo "-rw-r--r-- ./usr/share/doc/zentara/copyright"
        echo "-rw-r--r-- ./usr/share/doc/zentara/changelog.gz"
        for name in "${SOLVERS[@]}" "${USER_TOOLS[@]}" campaign; do
            echo "-rw-r--r-- ./usr/share/man/man1/zentara-$name.1.gz"
        done
        echo "-rw-r--r-- ./usr/share/man/man7/zentara.7.gz"
        for name in "$SRC"/docs/*.md; do
            echo "-rw-r--r-- ./usr/share/doc/zentara/docs/${name##*/}"
        done
    } | LC_ALL=C sort
}
EXPECTED=$(expected_files)

out=$(DESTDIR=$T/stage cmake --install "$BUILD" --prefix /usr 2>&1) || die "cmake --install: $out"
expect_eq "installed files" "$(cd "$T/stage" && find ./usr -mindepth 1 -printf '%M %p' \
    \( -type l -printf ' -> %l' -o -true \) -printf '\n' | LC_ALL=C sort)" "$EXPECTED"
# A Slurm task runs a copy of campaign.slurm: the copy names where the suite is installed.
expect_eq "campaign.slurm, installed" "$(grep '^suite=' "$T/stage/usr/libexec/zentara/campaign.slurm")" \
    "suite='/usr/libexec/zentara'"

arch=$(dpkg --print-architecture)
out=$(cd "$T" && cpack --config "$BUILD/CPackConfig.cmake" -B "$T/package" 2>&1) || die "cpack: $out"
expect_eq "packages made" "$(cd "$T/package" && ls ./*.deb)" "./zentara_${VERSION}_$arch.deb"
DEB=$T/package/zentara_${VERSION}_$arch.deb
expect_eq "package fields" "$(dpkg-deb -f "$DEB" Package Version Architecture Recommends)" "Package: zentara
Version: $VERSION
Architecture: $arch
Recommends: parallel"
depends=$(dpkg-deb -f "$DEB" Depends)
names=$(sed -E 's/ *\([^)]*\)//g; s/, */\n/g' <<<"$depends" | LC_ALL=C sort)
expect_eq "Depends, the packages named" "$(grep -xE 'libc6|libstdc\+\+6|libgcc-s1' <<<"$names")" "libc6
libgcc-s1
libstdc++6"
[[ ", $(dpkg-deb -f "$DEB" Suggests)," == *", slurm-client,"* ]] || fail "Suggests: $(dpkg-deb -f "$DEB" Suggests)"
[[ $(dpkg-deb -f "$DEB" Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer: $(dpkg-deb -f "$DEB" Maintainer)"
expect_eq "packaged files" "$(dpkg-deb -c "$DEB" | awk '{ $2 = $3 = $4 = $5 = ""; print }' |
    sed -E 's/ +/ /g; s|/$||' | grep -v '^[^ ]* \./usr$' | LC_ALL=C sort)" "$EXPECTED"
# Debian's own checks of the package, where lintian is installed: no error.
if command -v lintian >/dev/null; then
    out=$(lintian --allow-root --fail-on error "$DEB" 2>&1) || fail "lintian: $out"
else
    echo "NOT TESTED: lintian is not installed (tools/install-deps --tests installs it)" >&2
fi
expect_eq "campaign.slurm, packaged" "$(dpkg-deb --fsys-tarfile "$DEB" | tar -xO ./usr/libexec/zentara/campaign.slurm |
    grep '^suite=')" "suite='/usr/libexec/zentara'"

# The staged tree alone: the sources and the build tree under empty mounts, so
# that nothing there can be reached (root only; elsewhere they stay, unreferenced).
mkdir -p "$T/tests/cmake" "$T/tests/support" && cp "$0" "$T/tests/cmake/" &&
    cp "$(dirname "$0")/../support/shell_test_lib.sh" "$T/tests/support/" || die "cp"
hide=() hidden=
if [[ $(id -u) == 0 ]] && unshare --mount true 2>/dev/null; then
    hide=(unshare --mount --propagation private bash -c \
        'mount -t tmpfs hidden "$1" && mount -t tmpfs hidden "$2" && shift 2 && exec "$@"' - "$BUILD" "$SRC")
    hidden=$BUILD
else
    echo "note: not root: the sources and the build tree stay visible" >&2
fi
"${hide[@]}" bash "$T/tests/cmake/install_test.sh" --installed "$T" "$VERSION" "$hidden" || FAILURES=$((FAILURES + 1))
echo "$FAILURES failed"
((FAILURES == 0))

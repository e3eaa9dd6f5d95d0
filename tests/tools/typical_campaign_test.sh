#!/usr/bin/env bash
# The typical campaign of docs/campaigns.md, run as written (the code block of its
# section "A typical campaign"), each solver for a few seconds: every program in its own
# directory, boards and statistics handed on explicitly. Nothing a program wrote
# is changed by a later one, and every board written is one the checker accepts.
#   typical_campaign_test.sh SOURCE_DIR BIN_DIR [SECONDS_PER_SOLVER]
set -u -o pipefail
source_dir=$1 bin_dir=$2 seconds=${3:-4}
work=$(mktemp -d "${TMPDIR:-/tmp}/zentara-typical-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir -p build && ln -s "$bin_dir" build/bin
source "$source_dir/tests/tools/shell_test_lib.sh"

# The block: the indented lines right after the section's title and its first paragraph.
awk '/^## A typical campaign/ { in_section = 1; next }
     in_section && /^## / { exit }
     in_section && /^    / { print substr($0, 5); seen = 1; next }
     in_section && seen && !/^$/ { exit }' "$source_dir/docs/campaigns.md" >block.sh
[[ -s block.sh ]] || { echo "FAILED: no code block in the typical campaign of docs/campaigns.md"; exit 1; }

# Each solver runs for a few seconds and is then stopped as Ctrl-C stops it;
# score-solver, whose board the others need, until it has written one (up to a
# minute on a loaded machine). What its directory holds then is kept to compare
# with at the end.
run_briefly() {  # DIR PROGRAM
    local dir=$1 program=$2 tenths=0 boards
    [[ -e $work/${dir//\//_}.sums ]] && fail "$dir: a second program runs there (${program##*/})"
    boards=$(find "$dir" -maxdepth 1 -name '*.csv' | wc -l)
    (cd "$dir" && exec "$program" >console.log 2>&1) &
    local pid=$!
    while kill -0 "$pid" 2>/dev/null && ((tenths < 600)); do
        if ((tenths >= seconds * 10)); then
            [[ $dir != runs/score ]] && break
            (($(find "$dir" -maxdepth 1 -name '*.csv' | wc -l) > boards)) && break
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    kill -INT "$pid" 2>/dev/null
    wait "$pid"
    (cd "$dir" && find . -type f -exec sha256sum {} + | sort) >"$work/${dir//\//_}.sums"
}
sed -E 's#^\(cd (runs/[a-z]+) && (\.\./\.\./build/bin/[a-z-]+)\)(.*)$#run_briefly \1 \2\3#' block.sh >run.sh
grep -q '^run_briefly runs/score ' run.sh || fail "the block runs no score-solver in runs/score: $(cat block.sh)"
source ./run.sh >block.out 2>&1

# Every program in its own directory: nothing changed after it ended.
for dir in runs/*/; do
    dir=${dir%/}
    [[ -f $work/${dir//\//_}.sums ]] || { fail "$dir: no program ran there"; continue; }
    diff <(cd "$dir" && find . -type f -exec sha256sum {} + | sort) "$work/${dir//\//_}.sums" >/dev/null ||
        fail "$dir: files changed after its program ended: $(diff <(cd "$dir" && find . -type f -exec sha256sum {} + | sort) "$work/${dir//\//_}.sums")"
done
# What was handed on arrived as it was.
cmp -s runs/score/Stat.bin runs/freq/Stat.bin || fail "runs/freq/Stat.bin is not score-solver's statistics"
best=$(build/bin/board-check --best runs/score) || fail "score-solver wrote no board in $seconds s"
shift_seed=$(ls runs/shift | grep -E '^Best2[0-5][0-9]\.csv$' | head -n 1)
[[ -n $shift_seed ]] || fail "no seed board handed to shift-solver: $(ls runs/shift)"
# Every board the programs wrote, checked.
boards=0
for board in runs/*/*.csv; do
    boards=$((boards + 1))
    build/bin/board-check "$board" >/dev/null || fail "$board: $(build/bin/board-check "$board" 2>&1 | tail -n 1)"
done
# The programs' own names only, each in its own directory.
for file in runs/*/*; do
    case $file in
        runs/score/B[0-9]*-[0-9]*.csv | runs/score/Result.csv | runs/score/Stat.bin | runs/score/Stat.txt) ;;
        runs/freq/Best[0-9]*.csv | runs/freq/Result.csv | runs/freq/Stat.bin) ;;
        runs/shift/Best[0-9]*.csv | runs/shift/Result.csv | runs/berserker/Best[0-9]*.csv | runs/berserker/Result.csv) ;;
        runs/*/console.log) ;;
        *) fail "$file: written by a program that does not own that name there" ;;
    esac
done
echo "best board of score-solver: $best; $boards boards checked"
if ((FAILURES > 0)); then
    echo "--- block output"; cat block.out
    echo "0 passed, $FAILURES failed"
    exit 1
fi
echo "1 passed, 0 failed"

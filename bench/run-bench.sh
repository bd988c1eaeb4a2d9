#!/bin/sh
# Times orvelc against tcc on generated sources of the given line counts and
# on empty input, side by side in one hyperfine run per size, and prints a
# Markdown table: medians, their ratio, lines per second and peak memory;
# then the row of --all-errors against compiling the mended script.
#
#   bench/run-bench.sh BUILD_DIR SIZE...
set -eu

build=$1
shift
orvelc=$build/orvelc
tool=$build/orvel_bench
work=$build/bench
mkdir -p "$work"
rows=$work/rows.txt
: >"$rows"

# Both compilers write an object file; the script name is fixed so that the
# run does not depend on a fresh identifier.
guid=01234567-89ab-cdef-0123-456789abcdef

# measure NAME LINES SCRIPT PROGRAM: one line
# "name lines ours tcc ourKiB tccKiB ourCpu tccCpu" (medians of wall time,
# means of user + system time, in seconds)
measure() {
    name=$1 lines=$2 script=$3 program=$4
    if [ "$lines" -ge 1000000 ]; then runs="--runs 5 --warmup 1"
    elif [ "$lines" -ge 100000 ]; then runs="--min-runs 10 --warmup 2"
    else runs="--min-runs 20 --warmup 5"; fi
    # shellcheck disable=SC2086
    hyperfine -N $runs --style none --export-csv "$work/$name.csv" \
        "$orvelc -w- -g $guid $script $work/$name.obj" \
        "tcc -c $program -o $work/$name.o" >/dev/null
    ours=$(awk -F, 'NR == 2 { print $4 }' "$work/$name.csv")
    theirs=$(awk -F, 'NR == 3 { print $4 }' "$work/$name.csv")
    ourCpu=$(awk -F, 'NR == 2 { print $5 + $6 }' "$work/$name.csv")
    theirCpu=$(awk -F, 'NR == 3 { print $5 + $6 }' "$work/$name.csv")
    ourPeak=$("$tool" peak "$orvelc" -w- -g $guid "$script" "$work/$name.obj")
    theirPeak=$("$tool" peak tcc -c "$program" -o "$work/$name.o")
    echo "$name $lines $ours $theirs $ourPeak $theirPeak $ourCpu $theirCpu" >>"$rows"
}

printf 'unit "Empty"\n{\n}\n' >"$work/empty.oc"
: >"$work/empty.c"
measure start-up 0 "$work/empty.oc" "$work/empty.c"

for size in "$@"; do
    set -- $("$tool" gen "$size" "$work/bench$size.oc" "$work/bench$size.c")
    measure "$size" "$1" "$work/bench$size.oc" "$work/bench$size.c"
done

awk '
function ms(s) { return sprintf("%.1f", s * 1000) }
function rate(n, s) { return n > 0 ? sprintf("%.0f", n / s) : "-" }
BEGIN {
    print "| input | lines | orvelc ms | tcc ms | time ratio | orvelc lines/s | tcc lines/s | orvelc peak KiB | tcc peak KiB | memory ratio | CPU ratio |"
    print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
}
{
    printf "| %s | %d | %s | %s | %.2f | %s | %s | %d | %d | %.2f | %.2f |\n", \
        $1, $2, ms($3), ms($4), $3 / $4, rate($2, $3), rate($2, $4), $5, $6, $5 / $6, $7 / $8
    t[$1] = $3; u[$1] = $4
}
END {
    if (("100000" in t) && ("1000000" in t))
        printf "\nGrowth 100,000 to 1,000,000 lines: orvelc x%.2f, tcc x%.2f (linear is x10).\n", \
            t["1000000"] / t["100000"], u["1000000"] / u["100000"]
    print "\nTimes are medians of wall-clock time; the CPU ratio compares mean user + system time,"
    print "which a busy machine disturbs less."
}' "$rows" | tee "$work/results.md"

# --check --all-errors on a 100,000-line script with 500 broken functions
# must report all 500 within twice the time of compiling the mended script.
"$tool" gen 100000 "$work/mended.oc" "$work/mended.c" >/dev/null
"$tool" broken 100000 500 "$work/broken.oc" >/dev/null
hyperfine -N -i --min-runs 10 --warmup 2 --style none --export-csv "$work/all-errors.csv" \
    "$orvelc --check --all-errors --max-errors 0 -w- $work/broken.oc" \
    "$orvelc -w- -g $guid $work/mended.oc $work/mended.obj" >/dev/null
found=$("$orvelc" --check --all-errors --max-errors 0 -w- "$work/broken.oc" | grep -c ': error' || true)
awk -F, -v found="$found" '
NR == 2 { broken = $4 } NR == 3 { mended = $4 }
END {
    ratio = broken / mended
    print "\n| target | errors reported | all errors ms | mended ms | ratio | limit | result |"
    print "|---|---:|---:|---:|---:|---:|---|"
    printf "| --check --all-errors, 100,000 lines, 500 broken functions | %d | %.1f | %.1f | %.2f | 2.00 | %s |\n", \
        found, broken * 1000, mended * 1000, ratio, found == 500 && ratio <= 2 ? "PASS" : "MISS"
}' "$work/all-errors.csv" | tee -a "$work/results.md"

#!/bin/sh
# Times orvelc against tcc on generated sources of the given line counts and
# on empty input, side by side in one hyperfine run per row, and prints two
# Markdown tables: the measurements (medians, their ratio, lines per second,
# peak memory, CPU time) and every target with PASS or MISS; then the
# --all-errors target and the language server's latencies.
#
#   bench/run-bench.sh BUILD_DIR SIZE...
#   BENCH_BASELINE=OLD/orvelc bench/run-bench.sh BUILD_DIR SIZE...
#
# With BENCH_BASELINE, every hyperfine run times that compiler too, and a
# third table sets it beside this one and tcc.
#
# A row is one call of `measure`; to add one (another orvelc mode, another
# input), call it with the row's name, the input's line count, the two
# sources and the extra orvelc options. A target is one line of the awk
# table at the end that names a row and a column.
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
# run does not depend on a fresh identifier. Each run writes a fresh file:
# orvelc renames a finished temporary file over its output, and replacing
# an existing file that way makes ext4 flush it first, a cost of the safe
# write that tcc (which truncates in place) never pays.
guid=01234567-89ab-cdef-0123-456789abcdef
baseline=${BENCH_BASELINE:-}

# measure NAME LINES SCRIPT PROGRAM [ORVELC OPTIONS]: one line
# "name lines ours tcc ourKiB tccKiB ourCpu tccCpu [old oldKiB oldCpu]"
# (medians of wall time, means of user + system time, in seconds)
measure() {
    name=$1 lines=$2 script=$3 program=$4
    shift 4
    options="$*"
    # Ten runs at a million lines: on a busy machine single runs stray by a
    # third, and a median of five then moves with them.
    if [ "$lines" -ge 1000000 ]; then runs="--runs 10 --warmup 2"
    elif [ "$lines" -ge 100000 ]; then runs="--min-runs 10 --warmup 2"
    else runs="--min-runs 20 --warmup 5"; fi
    ours="$work/$name.obj" theirs="$work/$name.o" old="$work/$name.old.obj"
    # shellcheck disable=SC2086
    hyperfine -N $runs --style none --export-csv "$work/$name.csv" \
        --prepare "rm -f $ours $theirs $old" \
        "$orvelc $options -w- -g $guid $script $ours" \
        "tcc -c $program -o $theirs" \
        ${baseline:+"$baseline $options -w- -g $guid $script $old"} >/dev/null 2>"$work/$name.log"
    ourTime=$(awk -F, 'NR == 2 { print $4 }' "$work/$name.csv")
    theirTime=$(awk -F, 'NR == 3 { print $4 }' "$work/$name.csv")
    ourCpu=$(awk -F, 'NR == 2 { print $5 + $6 }' "$work/$name.csv")
    theirCpu=$(awk -F, 'NR == 3 { print $5 + $6 }' "$work/$name.csv")
    # shellcheck disable=SC2086
    ourPeak=$("$tool" peak "$orvelc" $options -w- -g $guid "$script" "$ours")
    theirPeak=$("$tool" peak tcc -c "$program" -o "$theirs")
    before=""
    if [ -n "$baseline" ]; then
        # shellcheck disable=SC2086
        before="$(awk -F, 'NR == 4 { print $4 }' "$work/$name.csv") \
$("$tool" peak "$baseline" $options -w- -g $guid "$script" "$old") \
$(awk -F, 'NR == 4 { print $5 + $6 }' "$work/$name.csv")"
    fi
    echo "$name $lines $ourTime $theirTime $ourPeak $theirPeak $ourCpu $theirCpu $before" >>"$rows"
}

# A binary linked a moment ago may still have pages waiting to be written
# back, and starting it then costs milliseconds; write everything out first.
sync

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
# target(FIGURE, VALUE, LIMIT, STRETCH): one row of the targets table; a
# missing measurement (a size not run) is left out.
function target(figure, value, limit, stretch,    verdict) {
    if (value == "") return
    # The limits are written as strings; compare them as numbers.
    verdict = value + 0 <= limit + 0 ? "PASS" : "MISS"
    if (stretch != "") verdict = verdict (value + 0 <= stretch + 0 ? ", stretch PASS" : ", stretch MISS")
    printf "| %s | %.3f | <= %s%s | %s |\n", figure, value, limit, stretch != "" ? " (stretch <= " stretch ")" : "", verdict
}
BEGIN {
    print "| input | lines | orvelc ms | tcc ms | time ratio | orvelc lines/s | tcc lines/s | orvelc peak KiB | tcc peak KiB | memory ratio | CPU ratio |"
    print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
}
{
    printf "| %s | %d | %s | %s | %.2f | %s | %s | %d | %d | %.2f | %.2f |\n", \
        $1, $2, ms($3), ms($4), $3 / $4, rate($2, $3), rate($2, $4), $5, $6, $5 / $6, $7 / $8
    wall[$1] = $3 / $4; cpu[$1] = $7 / $8; memory[$1] = $5 / $6; ours[$1] = $3; theirs[$1] = $4; ourCpu[$1] = $7
}
END {
    print "\nTimes are medians of wall-clock time; the CPU ratio compares mean user + system time,"
    print "which a busy machine disturbs less.\n"
    print "| target | measured | limit | verdict |"
    print "|---|---:|---|---|"
    target("start-up time / tcc", wall["start-up"], "1.00")
    target("start-up CPU / tcc", cpu["start-up"], "1.00")
    split("100000 1000000", sizes, " ")
    for (i = 1; i <= 2; ++i) {
        n = sizes[i]
        if (!(n in wall)) continue
        target(n " lines: time / tcc", wall[n], "1.5", "1.0")
        target(n " lines: CPU / tcc", cpu[n], "1.5", "1.0")
        target(n " lines: peak memory / tcc", memory[n], "4.0")
    }
    if (("100000" in ours) && ("1000000" in ours)) {
        target("growth 100,000 to 1,000,000 lines (orvelc)", ours["1000000"] / ours["100000"], "10.5")
        target("growth 100,000 to 1,000,000 lines (orvelc CPU)", ourCpu["1000000"] / ourCpu["100000"], "10.5")
        printf "\nGrowth of tcc over the same sizes: x%.2f (linear is x10).\n", theirs["1000000"] / theirs["100000"]
    }
    if (before == "") exit
    print "\n| input | before ms | now ms | tcc ms | before peak KiB | now peak KiB | tcc peak KiB | before CPU / tcc | now CPU / tcc |"
    print "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
    printf "%s", before
}
NF >= 11 {
    before = before sprintf("| %s | %s | %s | %s | %d | %d | %d | %.2f | %.2f |\n", \
        $1, ms($9), ms($3), ms($4), $10, $5, $6, $11 / $8, $7 / $8)
}' "$rows" | tee "$work/results.md"

# --check --all-errors on a 100,000-line script with 500 broken functions
# must report all 500 within twice the time of compiling the mended script
# (when the compiler has --all-errors).
if "$orvelc" --help 2>/dev/null | grep -q -- --all-errors; then
    "$tool" gen 100000 "$work/mended.oc" "$work/mended.c" >/dev/null
    "$tool" broken 100000 500 "$work/broken.oc" >/dev/null
    hyperfine -N -i --min-runs 10 --warmup 2 --style none --export-csv "$work/all-errors.csv" \
        "$orvelc --check --all-errors --max-errors 0 -w- $work/broken.oc" \
        "$orvelc -w- -g $guid $work/mended.oc $work/mended.obj" >/dev/null 2>"$work/all-errors.log"
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
fi

# The language server on a 10,000-line script, in-process (the server and its
# worker thread, no pipes): diagnostics after a change within 100 ms, and
# completion, hover and signature help near the end of the script within
# 30 ms, each the median of 21 rounds.
if [ -x "$build/orvel_lsp_bench" ]; then
    "$build/orvel_lsp_bench" 10000 21 >"$work/lsp.txt"
    awk '
    { ms[$1] = $2 }
    function row(figure, name, limit) {
        printf "| %s | %.1f | <= %d | %s |\n", figure, ms[name], limit, ms[name] + 0 <= limit ? "PASS" : "MISS"
    }
    END {
        print "\n| language server, 10,000 lines (in-process, median of 21) | ms | limit ms | verdict |"
        print "|---|---:|---|---|"
        row("diagnostics after a change", "diagnostics", 100)
        row("completion", "completion", 30)
        row("hover", "hover", 30)
        row("signature help", "signature", 30)
    }' "$work/lsp.txt" | tee -a "$work/results.md"
fi

#!/bin/bash
# Renders the reference schemes R1 and R63 side by side with kmr-render, the
# hand-written floor programs and the peers that are installed (Csound with
# ksmps = 1, Pure Data in batch mode, and sox for R1), each several times,
# and prints the median wall-clock times and their ratios to kmr-render.
# Checks on the way that the floor writes the very wave files kmr-render
# writes, and tells how long kmr-render takes to load its plug-ins and a
# project. With --memory it also renders one hour of R63 and prints the peak
# resident memory.
#
#   bench/compare.sh [--build DIR] [--time SECONDS] [--runs N]
#                    [--install-peers] [--memory] [--keep]
#
#   --build DIR       the build folder (default: build beside bench/)
#   --time SECONDS    length of each render (default 600, ten minutes)
#   --runs N          renders of each program (default 3)
#   --install-peers   install Csound, Pure Data and GNU time from Debian first
#   --memory          also render R63 for one hour and measure its peak memory
#   --keep            keep the work folder with the last wave files
#
# The machine is usually shared: the load before and after is printed with
# the table, and the runs of the programs are interleaved so that a change of
# load falls on all of them alike.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
seconds=600
runs=3
install=0
memory=0
keep=0
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd) || exit 64; shift ;;
    --time) seconds=$2; shift ;;
    --runs) runs=$2; shift ;;
    --install-peers) install=1 ;;
    --memory) memory=1 ;;
    --keep) keep=1 ;;
    -h|--help) sed -n '2,/^set -u/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare.sh: unknown argument $1" >&2; exit 64 ;;
  esac
  shift
done
case $runs in ''|*[!0-9]*|0) echo "compare.sh: --runs needs a count" >&2; exit 64 ;; esac

if [ $install = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends csound puredata-core time >/dev/null \
    || { echo "compare.sh: installing the peers failed" >&2; exit 1; }
fi

render=$build/kmr-render
examples=$build/examples
for f in "$render" "$build/bench/kmr-floor-r1" "$build/bench/kmr-floor-r63" \
         "$examples/r1-echo.kpj" "$examples/r63-chains.kpj"; do
  [ -e "$f" ] || { echo "compare.sh: $f is missing; build the targets kmr-render, kmr-example-projects, kmr-floor-r1 and kmr-floor-r63 first" >&2; exit 1; }
done
have() { command -v "$1" >/dev/null 2>&1; }

work=$(mktemp -d /tmp/kmr-compare-XXXXXX) || exit 1
if [ $keep = 0 ]; then trap 'rm -rf "$work"' EXIT; fi
peers=$root/bench/peers

# The programs, one line each: scheme|name|command. The command runs in an
# empty folder of its own and writes its wave files there.
programs=()
add() { programs+=("$1|$2|$3"); }
add R1 kmr-render "\"$render\" --quiet --time $seconds \"$examples/r1-echo.kpj\""
add R1 floor "\"$build/bench/kmr-floor-r1\" --time $seconds"
have csound && add R1 "csound ksmps=1" "csound -n -d -m0 --omacro:OUT=r1.wav --smacro:DUR=$seconds \"$peers/r1.csd\""
have pd && add R1 "pd -batch" "pd -batch -noprefs -nosound -path \"$peers/pd\" -open \"$peers/pd/r1.pd\" -send \"pf-out symbol \$PWD/r1.wav\" -send \"pf-dur $seconds\""
have sox && add R1 "sox" "sox -n out.wav synth $seconds sine 441 lowpass 1000 echo 1 1 200 0.5"
add R63 kmr-render "\"$render\" --quiet --time $seconds \"$examples/r63-chains.kpj\""
add R63 floor "\"$build/bench/kmr-floor-r63\" --time $seconds"
have csound && add R63 "csound ksmps=1" "csound -n -d -m0 --omacro:CD=cd.wav --omacro:TAPE=tape.wav --smacro:DUR=$seconds \"$peers/r63.csd\""
have pd && add R63 "pd -batch" "pd -batch -noprefs -nosound -path \"$peers/pd\" -open \"$peers/pd/r63.pd\" -send \"pf-cd symbol \$PWD/cd.wav\" -send \"pf-tape symbol \$PWD/tape.wav\" -send \"pf-dur $seconds\""

# Runs program i once in folder $2; appends its wall-clock seconds to its
# list. A program that fails is reported and its run not counted.
declare -A times
run() {
  local i=$1 dir=$2 scheme name cmd t
  IFS='|' read -r scheme name cmd <<<"${programs[$i]}"
  rm -rf "$dir"; mkdir -p "$dir"
  t=$( cd "$dir" && TIMEFORMAT=%R && { time bash -c "$cmd" >out.log 2>&1; } 2>&1 ) \
    && [ -n "$(ls "$dir"/*.wav 2>/dev/null)" ] \
    || { echo "compare.sh: $scheme $name failed: $(tail -n 3 "$dir/out.log" 2>/dev/null | tr '\n' ' ')" >&2; return 1; }
  times[$i]="${times[$i]:-} $t"
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { tr ' ' '\n' | grep . | sort -g | head -n 1; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Rendering R1 and R63 for $seconds s at 44100 Hz, $runs times each, on $(nproc) cores (load $load_before) ..." >&2
identical=()
for r in $(seq "$runs"); do
  for i in "${!programs[@]}"; do
    run "$i" "$work/p$i"
  done
  # The floor must compute what kmr-render computes: same files, same bytes.
  if [ "$r" = 1 ]; then
    for i in "${!programs[@]}"; do
      IFS='|' read -r scheme name cmd <<<"${programs[$i]}"
      [ "$name" = floor ] || continue
      for j in "${!programs[@]}"; do
        IFS='|' read -r s2 n2 c2 <<<"${programs[$j]}"
        [ "$s2" = "$scheme" ] && [ "$n2" = kmr-render ] || continue
        same=yes
        for f in "$work/p$j"/*.wav; do
          cmp -s "$f" "$work/p$i/$(basename "$f")" || same=no
        done
        identical+=("$scheme $same")
      done
    done
  fi
  [ "$r" = "$runs" ] && [ $keep = 1 ] || rm -rf "$work"/p*
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# The table: the median of the runs, which the targets speak of, and the
# best run, which a passing load disturbs least.
declare -A med low
for i in "${!programs[@]}"; do
  med[$i]=$(echo "${times[$i]:-}" | median)
  low[$i]=$(echo "${times[$i]:-}" | best)
done
ratio() { if [ -n "$1" ] && [ -n "$2" ]; then awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; else echo -; fi; }
printf '\n%-6s %-16s %10s %10s %10s %10s   %s\n' scheme program "median s" "/ render" "best s" "/ render" "runs (s)"
for i in "${!programs[@]}"; do
  IFS='|' read -r scheme name cmd <<<"${programs[$i]}"
  bm="" bl=""
  for j in "${!programs[@]}"; do
    IFS='|' read -r s2 n2 c2 <<<"${programs[$j]}"
    [ "$s2" = "$scheme" ] && [ "$n2" = kmr-render ] && bm=${med[$j]} && bl=${low[$j]}
  done
  printf '%-6s %-16s %10s %10s %10s %10s   %s\n' "$scheme" "$name" "${med[$i]:--}" "$(ratio "${med[$i]}" "$bm")" \
    "${low[$i]:--}" "$(ratio "${low[$i]}" "$bl")" "${times[$i]:- failed}"
done
echo
echo "cores: $(nproc); cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); load before: $load_before; after: $load_after"
for x in "${identical[@]}"; do echo "floor wave files identical to kmr-render's, ${x% *}: ${x#* }"; done

# What the targets compare, from the medians (and the best runs): kmr-render
# over the floor, the peers over kmr-render.
for scheme in R1 R63; do
  for i in "${!programs[@]}"; do
    IFS='|' read -r s name cmd <<<"${programs[$i]}"
    [ "$s" = "$scheme" ] || continue
    case $name in
      kmr-render) r=${med[$i]} rb=${low[$i]} ;;
      floor) f=${med[$i]} fb=${low[$i]} ;;
      "csound ksmps=1") c=${med[$i]} cb=${low[$i]} ;;
      sox) x=${med[$i]} xb=${low[$i]} ;;
    esac
  done
  limit=1.5; [ $scheme = R63 ] && limit=1.3
  [ -n "${r:-}" ] && [ -n "${f:-}" ] && echo "$scheme: kmr-render / floor = $(ratio "$r" "$f") (best runs $(ratio "$rb" "$fb"); target at most $limit)"
  [ -n "${r:-}" ] && [ -n "${c:-}" ] && echo "$scheme: csound ksmps=1 / kmr-render = $(ratio "$c" "$r") (best runs $(ratio "$cb" "$rb"); target at least 2)"
  [ $scheme = R1 ] && [ -n "${r:-}" ] && [ -n "${x:-}" ] && echo "R1: sox / kmr-render = $(ratio "$x" "$r") (best runs $(ratio "$xb" "$rb"); target above 1)"
  unset r rb f fb c cb x xb
done

# Loading: the whole kmr-render process for a run of no samples, which loads
# the language table, every plug-in of kmd/ and the project.
lt=""
for k in 1 2 3 4 5; do
  lt="$lt $( cd "$work" && TIMEFORMAT=%R && { time "$render" --quiet --time 0.00001 "$examples/r63-chains.kpj" >/dev/null 2>&1; } 2>&1 )"
done
echo "loading the plug-ins and R63 (kmr-render with a run of no samples), median of 5: $(echo "$lt" | median) s (target under 0.1 s)"

if [ $memory = 1 ]; then
  if [ -x /usr/bin/time ]; then
    mkdir -p "$work/memory"
    kb=$( cd "$work/memory" && /usr/bin/time -f %M "$render" --quiet --time 3600 "$examples/r63-chains.kpj" 2>&1 >/dev/null | tail -n 1 )
    rm -rf "$work/memory"
    echo "peak resident memory of a 1-hour render of R63: $kb KB ($((kb / 1024)) MB; target under 64 MB)"
  else
    echo "the memory check needs GNU time (/usr/bin/time; --install-peers installs it)" >&2
  fi
fi

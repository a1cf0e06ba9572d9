#!/usr/bin/env bash
# The panel as a writer meets it: the Windows panel under Wine, against the real recognition
# service on 127.0.0.1:80, written on with the mouse (xdotool) along the centre lines of
# hanzi-writer-data and typing into TargetApp - the road of tests/e2e/panel_writes_and_commits.sh,
# timed instead of checked, and written faster (shorter pauses between and inside strokes).
#
# It writes BENCH_CHARACTERS characters (default 100), cycling 中国永, and commits each by a
# press on the cell that holds it (on the first cell when the character is not among the ten,
# counted as a miss). It prints:
#  - pen-up -> final candidates: from the panel's trace (tick counts of the panel process), the
#    time from the last stroke's "pen up" to the first "reply pieces=N" (N > 0) after the last
#    request of the character, i.e. the moment the cells hold the final candidates; n, p50, max;
#  - the service's own time for those final requests (its log line for the last request of each
#    character), p50 and max;
#  - the panel's working set as Windows reports it (GetProcessMemoryInfo, through InspectWindows
#    --memory) after start-up and after the characters, and the VmRSS of its Wine process; the
#    growth of both per 100 characters, from start-up and after the first 10 characters (which
#    touch the code, fonts and caches of the road for the first time: a one-off, not a rate);
#  - every BENCH_REPORT_EVERY characters (default 100), a row of the long-day table: the working
#    set and its growth since the 10th character, the Wine process's anonymous memory, the
#    latency over those characters, and the longest the GUI thread left a message waiting
#    (InspectWindows --answer-times, run in 10 s turns beside the writing the whole time).
# `make bench-panel-day` writes 2000 characters (about 70 minutes).
# Progress every 10 characters; the work folder (trace, service log, target log) is kept under
# $WINE_BUILD_DIR/gui-tests/panel_under_wine. It starts the Wine session of the build when it is
# not running and stops it at the end.
#
# usage (make bench-panel runs it under flock /tmp/port80.lock, as anything on port 80 must be):
#   WINE_BUILD_DIR=build/win64 flock /tmp/port80.lock \
#     bench/panel_under_wine.sh PANEL.exe TargetApp.exe InspectWindows.exe SERVICE DATA_DIR
set -euo pipefail
panel_exe=$1
GUI_TARGET=$2
GUI_INSPECTOR=$3
service=$4
data=$5
total=${BENCH_CHARACTERS:-100}
report_every=${BENCH_REPORT_EVERY:-100}
characters=(中 国 永)
: "${WINE_HARNESS_DIR:=$(cd "$(dirname "$0")/../tests/win/harness" && pwd)}"
. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$WINE_HARNESS_DIR/../panel/pad_strokes.sh"
. "$WINE_HARNESS_DIR/../panel/panel_road.sh"
for character in "${characters[@]}"; do
    [ -f "$data/$character.json" ] || { echo "no stroke data for $character in $data" >&2; exit 1; }
done
[ -x "$service" ] || { echo "no service at $service" >&2; exit 1; }

bench_started=$SECONDS
gui_init
bench_end() {
    stop_answer_watch
    gui_cleanup
    bash "$WINE_HARNESS_DIR/session.sh" stop || true
}
trap bench_end EXIT
say() { printf '[bench-panel] %s\n' "$*"; }
# p50 (nearest rank) and max of the numbers on stdin.
p50_max() { sort -g | awk '{v[NR] = $1} END {if (NR) printf "%s %s", v[int((NR + 1) / 2)], v[NR]; else printf "- -"}'; }
mib() { awk -v b="$1" 'BEGIN {printf "%.1f MiB", b / 1048576}'; }

# A test run that does not take the lock may hold the port for a while; wait for it.
if road_port_open; then
    say "127.0.0.1:80 is in use; waiting for it"
    GUI_TIMEOUT=900 gui_wait_until eval '! road_port_open' || gui_fail "127.0.0.1:80 stayed in use"
fi
road_start_service "$service"
road_start_panel "$panel_exe"
# The cells' centres on the X screen, found once: the panel stays where it is.
gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
cell_points=()
for rect in "${cell_rects[@]}"; do
    line=$(gui_line child "rect=$rect") || gui_fail "no candidate cell at $rect"
    # shellcheck disable=SC2046
    cell_points+=("$(gui_to_x $(gui_center "$(gui_field "$line" screen)"))")
done

# The Linux process of the panel: `wine` execs its loader in place, so it is the process
# gui_start made; found by its command line otherwise.
panel_unix_pid() {
    local pid name
    name=$(basename "$panel_exe")
    if tr '\0' ' ' <"/proc/$panel_pid/cmdline" 2>/dev/null | grep -qF "$name"; then
        echo "$panel_pid"
        return
    fi
    for pid in $(pgrep -f "$name"); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return
        fi
    done
    gui_fail "no Linux process of the panel"
}
# "working_set peak_working_set vmrss vmhwm rssanon rssfile", all in bytes.
memory_now() {
    local record pid
    gui_inspect --class HandwritingPanelWindow --memory ||
        gui_fail "no memory counters: $(cat "$GUI_DIR/inspect.err")"
    record=$(gui_line memory) || gui_fail "no memory record"
    pid=$(panel_unix_pid)
    echo "$(gui_field "$record" working_set) $(gui_field "$record" peak_working_set)" \
        "$(awk '/^VmRSS/ {print $2 * 1024}' "/proc/$pid/status")" \
        "$(awk '/^VmHWM/ {print $2 * 1024}' "/proc/$pid/status")" \
        "$(awk '/^RssAnon/ {print $2 * 1024}' "/proc/$pid/status")" \
        "$(awk '/^RssFile/ {print $2 * 1024}' "/proc/$pid/status")"
}
# Start-up is over once the panel has settled beside the target.
sleep 2
read -r ws_start peak_start rss_start hwm_start anon_start file_start <<<"$(memory_now)"
say "after start-up: working set $((ws_start / 1024)) KiB, VmRSS $((rss_start / 1024)) KiB"

# The strokes of pad_strokes.sh, written faster: every other move of its two-pixel steps (the
# pad samples a point per three pixels at start-up anyway), 4 ms apart, and shorter pauses
# before the press and around the release. A stroke takes a fifth to a third of a second.
quicker_strokes() {
    python3 -c '
import sys
pauses = {"0.1": "0.03", "0.2": "0.05", "0.05": "0.03", "0.3": "0.05"}
for line in sys.stdin:
    words, out, walk, i = line.split(), [], [], 0
    while i < len(words):
        if words[i] == "mousemove" and "mousedown" in out:
            walk.append(words[i:i + 3])
            i += 5  # the move and its pause
            continue
        if walk:
            for n, move in enumerate(walk):
                if n % 2 == 1 or n == len(walk) - 1:
                    out += move + ["sleep", "0.004"]
            walk = []
        if words[i] == "sleep":
            out += ["sleep", pauses.get(words[i + 1], words[i + 1])]
            i += 2
        else:
            out.append(words[i])
            i += 1
    print(" ".join(out))
'
}
declare -A stroke_count
for character in "${characters[@]}"; do
    pad_stroke_lines "$data" "$character" "$pad_left" "$pad_top" | quicker_strokes \
        >"$GUI_DIR/strokes-$character.txt"
    stroke_count[$character]=$(wc -l <"$GUI_DIR/strokes-$character.txt")
done

# One character's figures from the trace lines after line $1, once it is complete: all $2
# pen-ups seen and a reply with candidates after the last request. Prints
# "pen_up_ms reply_ms pieces requests sent_at_pen_up(0/1)".
character_figures() {
    tail -n +"$(($1 + 1))" "$trace" | awk -v strokes="$2" '
        / pen up$| button-up lost/ { ups++; up = $1; up_line = NR }
        / request stroke=/ { requests++; request_line = NR; reply = "" }
        / reply pieces=/ {
            split($0, part, "pieces="); n = part[2] + 0
            if (request_line && reply == "" && n > 0) { reply = $1; pieces = n }
        }
        END {
            if (ups < strokes || reply == "") exit 1
            print up, reply, pieces, requests, (request_line > up_line ? 1 : 0)
        }'
}
# The cell (0-9) that shows the character, or none.
cell_of() {
    local hex i
    hex=$(gui_hex "$1")
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    for i in "${!cell_rects[@]}"; do
        if [ "$(gui_child_text_gbk "rect=${cell_rects[$i]}")" = "$hex" ]; then
            echo "$i"
            return 0
        fi
    done
    return 1
}
posts() { grep -c '^[^ ]* POST / ' "$service_log" || true; }
requests_traced() { grep -c ' request stroke=' "$trace" || true; }
commits() { grep -c '^text	' "$log" || true; }
clears() { grep -c ' cleared$' "$trace" || true; }

# How long the GUI thread leaves messages waiting, measured the whole time in 10 s turns; one
# "answers" line a turn.
answers=$GUI_DIR/answers.txt
: >"$answers"
(
    while [ ! -e "$GUI_DIR/answers.stop" ]; do
        wine "$GUI_INSPECTOR" --class HandwritingPanelWindow --answer-times 10000 </dev/null 2>/dev/null |
            grep '^answers' >>"$answers" || sleep 1
    done
) &
answer_watch=$!
stop_answer_watch() {
    [ -n "${answer_watch:-}" ] || return 0
    touch "$GUI_DIR/answers.stop"
    wait "$answer_watch" 2>/dev/null || true
    answer_watch=
}
# The longest wait of the turns logged after line $1.
longest_answer() { tail -n +"$(($1 + 1))" "$answers" | sed -n 's/.*longest_ms=\([0-9]*\).*/\1/p' | sort -n | tail -1; }
answers_seen=0
print_row_header() {
    printf '  %10s %8s %12s %14s %12s %14s %9s %9s %13s\n' characters minutes "working set" \
        "since char 10" "RssAnon" "since char 10" "p50 ms" "max ms" "longest wait"
}

latencies=() sent_at_pen_up=() service_ms=() misses=0
warm_up=10 ws_warm= rss_warm= anon_warm=
rows=()
say "writing $total characters (${characters[*]} in turn)"
for ((i = 0; i < total; i++)); do
    character=${characters[i % ${#characters[@]}]}
    start=$(wc -l <"$trace")
    pad_write_strokes "$GUI_DIR/strokes-$character.txt"
    figures=
    gui_wait_until eval 'figures=$(character_figures "$start" "${stroke_count[$character]}")' ||
        gui_fail "character $((i + 1)) ($character): no pen-ups or no final reply in the trace: $(tail -n +"$((start + 1))" "$trace" | cut -c1-100)"
    read -r up_ms reply_ms _ _ sent <<<"$figures"
    # A reply to a request sent before the pen-up may be there already: no wait at all.
    latency=$((reply_ms > up_ms ? reply_ms - up_ms : 0))
    latencies+=("$latency")
    [ "$sent" = 0 ] || sent_at_pen_up+=("$latency")
    # The service logs a request once it has answered it; the last one is this character's final.
    GUI_TIMEOUT=3 gui_wait_until eval '[ "$(posts)" -ge "$(requests_traced)" ]' ||
        say "character $((i + 1)): the service logged $(posts) of $(requests_traced) requests"
    service_ms+=("$(grep '^[^ ]* POST / ' "$service_log" | tail -n 1 | sed -n 's/.* \([0-9.]*\)ms .*/\1/p')")

    if ! cell=$(cell_of "$character"); then
        misses=$((misses + 1))
        cell=0
        say "character $((i + 1)): $character not among the candidates; pressing the first cell"
    fi
    commits_before=$(commits) clears_before=$(clears)
    read -r x y <<<"${cell_points[$cell]}"
    xdotool mousemove "$x" "$y" sleep 0.05 click 1
    gui_wait_until eval '[ "$(commits)" -gt "$commits_before" ] && [ "$(clears)" -gt "$clears_before" ]' ||
        gui_fail "character $((i + 1)) ($character) was not committed"
    # The first character runs the whole road once: what it adds is first use, not growth.
    if ((i == 0)); then
        read -r _ _ _ _ anon_first file_first <<<"$(memory_now)"
    fi
    if (((i + 1) % 10 == 0)); then
        read -r ws _ rss _ anon _ <<<"$(memory_now)"
        # The first characters touch the road's code and caches for the first time.
        if ((i + 1 == warm_up)); then
            ws_warm=$ws rss_warm=$rss anon_warm=$anon
        fi
        say "$((i + 1))/$total characters, $((SECONDS - bench_started)) s, last pen-up -> final" \
            "candidates $latency ms, working set $((ws / 1024)) KiB"
        if (((i + 1) % report_every == 0)) && [ -n "$ws_warm" ]; then
            read -r row_p50 row_max <<<"$(printf '%s\n' "${latencies[@]: -$report_every}" | p50_max)"
            longest=$(longest_answer "$answers_seen")
            answers_seen=$(wc -l <"$answers")
            rows+=("$(printf '  %10d %8.1f %12s %14s %12s %14s %9s %9s %13s' $((i + 1)) \
                "$(awk -v s=$((SECONDS - bench_started)) 'BEGIN {print s / 60}')" "$(mib "$ws")" \
                "$(mib $((ws - ws_warm)))" "$(mib "$anon")" "$(mib $((anon - anon_warm)))" \
                "$row_p50" "$row_max" "${longest:--} ms")")
            [ "${#rows[@]}" != 1 ] || print_row_header
            printf '%s\n' "${rows[-1]}"
        fi
    fi
done
stop_answer_watch
sleep 2
read -r ws_end peak_end rss_end hwm_end anon_end file_end <<<"$(memory_now)"
text_bytes=$(sed -n 's/^text	gbk=\([0-9A-F]*\)	.*/\1/p' "$log" | tail -n 1 | wc -c)
written_seconds=$((SECONDS - bench_started))

read -r lat_p50 lat_max <<<"$(printf '%s\n' "${latencies[@]}" | p50_max)"
read -r sent_p50 sent_max <<<"$(printf '%s\n' "${sent_at_pen_up[@]}" | grep . | p50_max)"
read -r svc_p50 svc_max <<<"$(printf '%s\n' "${service_ms[@]}" | grep . | p50_max)"
echo
echo "== the panel under Wine against the service on 127.0.0.1:80 ($total characters, ${written_seconds} s)"
printf '  %-44s %5s %8s %8s\n' "" n p50 max
printf '  %-44s %5d %8s %8s\n' "pen-up -> final candidates (panel ticks, ms)" "${#latencies[@]}" "$lat_p50" "$lat_max"
printf '  %-44s %5d %8s %8s\n' "  of which the last pen-up sent a request" "${#sent_at_pen_up[@]}" "$sent_p50" "$sent_max"
echo "    (the others had their final candidates before that pen-up: 0 ms)"
printf '  %-44s %5d %8s %8s\n' "service time of the final requests (ms)" "$(printf '%s\n' "${service_ms[@]}" | grep -c .)" "$svc_p50" "$svc_max"
echo "  characters typed into the target: $(((text_bytes - 1) / 4)); not among the candidates: $misses;" \
    "requests: $(requests_traced)"
printf '  %-44s %16s %18s\n' "memory of the panel" "after start-up" "after $total chars"
printf '  %-44s %16s %18s\n' "working set (GetProcessMemoryInfo)" "$(mib "$ws_start")" "$(mib "$ws_end")"
printf '  %-44s %16s %18s\n' "peak working set" "$(mib "$peak_start")" "$(mib "$peak_end")"
printf '  %-44s %16s %18s\n' "VmRSS of the Wine process (Linux)" "$(mib "$rss_start")" "$(mib "$rss_end")"
printf '  %-44s %16s %18s\n' "  of which anonymous (RssAnon)" "$(mib "$anon_start")" "$(mib "$anon_end")"
printf '  %-44s %16s %18s\n' "  of which mapped files (RssFile)" "$(mib "$file_start")" "$(mib "$file_end")"
printf '  %-44s %16s %18s\n' "VmHWM of the Wine process (Linux)" "$(mib "$hwm_start")" "$(mib "$hwm_end")"
# per_hundred FROM TO CHARACTERS
per_hundred() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN {printf "%.2f MiB", (b - a) * 100 / n / 1048576}'; }
if [ -n "$ws_warm" ] && ((total > warm_up)); then
    echo "  growth per 100 characters after the first $warm_up: working set" \
        "$(per_hundred "$ws_warm" "$ws_end" $((total - warm_up))), VmRSS" \
        "$(per_hundred "$rss_warm" "$rss_end" $((total - warm_up)))"
fi
echo "  the first character added $(mib $((anon_first - anon_start))) anonymous and" \
    "$(mib $((file_first - file_start))) of mapped files (code and font pages touched once)"
echo "  growth per 100 characters from start-up: working set" \
    "$(per_hundred "$ws_start" "$ws_end" "$total"), VmRSS $(per_hundred "$rss_start" "$rss_end" "$total")"
echo "  the longest the GUI thread left a message waiting: $(longest_answer 0) ms" \
    "($(wc -l <"$answers") turns of 10 s, WM_NULL every 20 ms)"
if [ "${#rows[@]}" -gt 0 ]; then
    echo
    echo "== every $report_every characters (working set and the Wine process's anonymous memory;" \
        "latency pen-up -> final candidates over those characters; the longest wait for the GUI thread)"
    print_row_header
    printf '%s\n' "${rows[@]}"
fi
